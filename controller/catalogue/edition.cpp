#include "controller/catalogue.h"

namespace tavo::controller {

const TCatalogue& EditionCatalogue() {
#if defined(TAVO_EDITION_EN)
    return EnglishCatalogue();
#else
    return ChineseCatalogue();
#endif
}

} // namespace tavo::controller
