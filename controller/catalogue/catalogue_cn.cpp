#include "controller/catalogue.h"

namespace tavo::controller {

const TCatalogue& ChineseCatalogue() {
    static const TCatalogue catalogue{
#include "texts_cn.inc"
        .SharePanelWidth = 180,
        .CodePage = 936,
    };
    return catalogue;
}

} // namespace tavo::controller
