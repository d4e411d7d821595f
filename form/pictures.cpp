#include "form/pictures.h"

namespace tavo::form {
namespace {

constexpr int IconSize = 16;

// A list of 16 x 16 pictures cut from one bitmap resource laid out as a strip.
HIMAGELIST ListFromStrip(HINSTANCE instance, const char* resourceName, int count) {
    HBITMAP strip = LoadNamedBitmap(instance, resourceName);
    if (strip == nullptr)
        return nullptr;
    // The pictures sit on white, as the lists draw them; no mask is needed.
    HIMAGELIST list = ImageList_Create(IconSize, IconSize, ILC_COLOR24, count, 0);
    if (list != nullptr && ImageList_Add(list, strip, nullptr) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    DeleteObject(strip);
    return list;
}

} // namespace

HBITMAP LoadNamedBitmap(HINSTANCE instance, const char* resourceName) {
    return static_cast<HBITMAP>(LoadImageA(instance, resourceName, IMAGE_BITMAP, 0, 0, 0));
}

HIMAGELIST RemoteListIcons(HINSTANCE instance) {
    return ListFromStrip(instance, "REMOTELIST", 18);
}

HIMAGELIST ShareListPictures(HINSTANCE instance) {
    return ListFromStrip(instance, "SHAREPICTURE", 1);
}

} // namespace tavo::form
