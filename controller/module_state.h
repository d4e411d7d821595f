#pragma once
// Values held once per loaded library, not once per control: every control of a process
// shares them (they all live on the one user-interface thread, so no lock guards them).

#include <cstdint>
#include <string>

namespace tavo::controller {

struct TTavoModule {
    // From the last SetLogin; each control's creation empties them and sets the port to 21.
    std::string LoginHost;
    std::string LoginUser;
    std::string LoginPassword; // decoded bytes
    int32_t LoginPort = 0;
    // The last block received on a control connection while its trace hook was on; the
    // outcome check of a failed command reads it.
    std::string LastServerText;
    // The last computed transfer speed, KB/s.
    double TransferRate = 0.0;
    // The share-list page protocol: 1 after a send, until the page writes another value.
    int32_t GoToFlag = 0;
    // Where a read of ShareList builds its text and a write stores it (8-bit; the
    // automation layer converts it to UTF-16).
    std::string ShareListText;
};

TTavoModule& Module();

} // namespace tavo::controller
