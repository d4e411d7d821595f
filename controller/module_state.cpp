#include "controller/module_state.h"

namespace tavo::controller {

TTavoModule& Module() {
    static TTavoModule module;
    return module;
}

} // namespace tavo::controller
