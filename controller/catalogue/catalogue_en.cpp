#include "controller/catalogue.h"

namespace tavo::controller {

const TCatalogue& EnglishCatalogue() {
    static const TCatalogue catalogue{
#include "texts_en.inc"
        .SharePanelWidth = 200,
        .CodePage = 1252,
    };
    return catalogue;
}

} // namespace tavo::controller
