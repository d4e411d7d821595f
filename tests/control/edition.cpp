// The edition a test program checks: its library file and class, from the build.
#include "tests/control/container_fakes.h"

namespace tavo::control_tests {

const TEdition& Edition() {
    static const TEdition edition = [] {
        TEdition e{TAVO_CONTROL_LIBRARY, {}, TAVO_CONTROL_PROGID};
        CLSIDFromString(TAVO_CONTROL_CLSID, &e.Clsid);
        return e;
    }();
    return edition;
}

} // namespace tavo::control_tests
