// Stands in until the drawn pictures are linked: the form draws its widgets without them.
#include "form/pictures.h"

namespace tavo::form {

HBITMAP LoadNamedBitmap(HINSTANCE, const char*) {
    return nullptr;
}
HIMAGELIST RemoteListIcons(HINSTANCE) {
    return nullptr;
}
HIMAGELIST ShareListPictures(HINSTANCE) {
    return nullptr;
}

} // namespace tavo::form
