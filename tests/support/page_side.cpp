#include "tests/support/page_side.h"

#include "engine/platform/sockets.h"

#include <cstdint>

namespace tavo::testing {

std::string Base64Encode(const std::string& bytes) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k)
            text += k <= bytes.size() - i ? alphabet[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

int UnusedLoopbackPort() {
    platform::StartSocketLibrary();
    int error = 0;
    platform::SocketHandle probe = platform::CreateTcpSocket(error);
    platform::BindSocket(probe, "127.0.0.1", 0);
    std::string ip;
    int port = 0;
    platform::LocalAddress(probe, ip, port);
    platform::CloseSocket(probe);
    platform::StopSocketLibrary();
    return port;
}

} // namespace tavo::testing
