#include "controller/catalogue.h"

namespace tavo::controller {

const TCatalogue& EnglishCatalogue() {
    static const TCatalogue catalogue{
#include "texts_en.inc"
        .SharePanelWidth = 200,
        // Its own texts are ASCII, so they read alike everywhere; what comes from a server or
        // the keyboard must read as the system's other programs read it.
        .CodePage = ThreadAnsiCodePage,
    };
    return catalogue;
}

} // namespace tavo::controller
