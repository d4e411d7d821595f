#include "engine/core/errors.h"
#include "engine/core/text.h"
#include "engine/ftp/id_ftp.h"

#include <optional>
#include <string_view>
#include <vector>

namespace tavo::engine {
namespace {

int64_t PortField(const std::string& text) {
    std::optional<int64_t> value = ParseInt64(TrimBlanks(text));
    if (!value || *value < 0 || *value > 0xFFFF)
        throw EIdException("'" + text + "' is not a valid integer value");
    return *value;
}

// The address fields are shown, never used (the data connection goes to the control
// connection's peer), so whatever a server puts there is kept as it is, numbers tidied.
std::string HostField(const std::string& text) {
    std::string_view field = TrimBlanks(text);
    std::optional<int64_t> value = ParseInt64(field);
    return value && *value >= 0 ? std::to_string(*value) : std::string(field);
}

} // namespace

// 227 Entering Passive Mode (127,0,0,1,19,137)
// 227 Entering Passive Mode 127,0,0,1,19,137
void ParsePassiveReply(const std::string& line, std::string& host, int& port) {
    std::string text = Trim(line);
    size_t open = text.find('(');
    size_t close = text.find(')');
    if (open != std::string::npos && close != std::string::npos) {
        text = open < close ? text.substr(open + 1, close - open - 1) : std::string();
    } else {
        size_t space = text.rfind(' ');
        if (space != std::string::npos)
            text.erase(0, space + 1);
    }
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() < 6)
        throw EIdException("'" + text + "' is not a valid passive mode address");
    int64_t value = PortField(fields[4]) * 256 + PortField(fields[5]);
    if (value > 65535)
        throw EIdException("'" + text + "' names no valid port");
    host.clear();
    for (int i = 0; i < 4; ++i)
        host += (i > 0 ? "." : "") + HostField(fields[i]);
    port = static_cast<int>(value);
}

} // namespace tavo::engine
