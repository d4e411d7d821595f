#include "control/edition.h"

namespace tavo::control {

const TEdition& ThisEdition() {
    static const TEdition edition{
        {0x0C0E4CD2, 0x59DF, 0x48EF, {0x89, 0x04, 0x1A, 0x16, 0x8D, 0x9A, 0x09, 0xB2}},
        L"Tavo2",
        L"TavoProj1.Tavo2",
        &controller::EnglishCatalogue};
    return edition;
}

} // namespace tavo::control
