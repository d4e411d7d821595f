#include "tools/tavo_host/window_driver.h"

#include <stdexcept>

namespace tavo::host {

bool WindowModeAvailable() {
    return false;
}

std::unique_ptr<TWindowDriver> StartWindowDriver(THeadlessView&, const controller::TCatalogue&) {
    throw std::runtime_error("the window mode needs a Windows flavour of the host");
}

} // namespace tavo::host
