// Feeds arbitrary text lines to the 227 reply reader. A hostile or broken server controls
// this text completely. The reader must either raise EIdException or give a port in
// 0..65535; a host of four dotted numbers must read back the same, with the port, when
// printed in either reply shape.
#include "engine/core/errors.h"
#include "engine/ftp/id_ftp.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace tavo::engine;

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool IsDottedNumbers(const std::string& host) {
    int fields = 1;
    bool digit = false;
    for (char c : host) {
        if (c == '.') {
            if (!digit) {
                return false;
            }
            ++fields;
            digit = false;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return false;
        }
    }
    return digit && fields == 4;
}

// The six comma-separated numbers of a host and port.
std::string AsFields(const std::string& host, int port) {
    std::string fields = host;
    for (char& c : fields) {
        if (c == '.') {
            c = ',';
        }
    }
    return fields + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::string host;
    int port = -1;
    try {
        ParsePassiveReply(line, host, port);
    } catch (const EIdException& error) {
        Check(error.what() != nullptr);
        return 0;
    }
    Check(port >= 0 && port <= 65535);
    // The host fields are taken as they stand; only numeric ones read back the same.
    if (!IsDottedNumbers(host)) {
        return 0;
    }

    const std::string fields = AsFields(host, port);
    for (const std::string& again :
         {"Entering Passive Mode (" + fields + ").", "Entering Passive Mode " + fields}) {
        std::string hostAgain;
        int portAgain = -1;
        ParsePassiveReply(again, hostAgain, portAgain); // must not raise
        Check(hostAgain == host);
        Check(portAgain == port);
    }
    return 0;
}
