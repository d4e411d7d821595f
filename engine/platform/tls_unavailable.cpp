// A build without a TLS implementation: every session stays plain, and one that asks for TLS
// fails with this reason instead of going on in clear.

#include "engine/platform/tls.h"

namespace tavo::platform {

std::unique_ptr<TlsChannel> TlsChannel::CreateClient(SocketHandle /*socket*/,
                                                     const std::string& /*serverName*/,
                                                     const TlsChannel* /*resumeFrom*/,
                                                     std::string& errorText) {
    errorText = "TLS is not available in this build";
    return nullptr;
}

} // namespace tavo::platform
