#include "engine/core/errors.h"
#include "engine/core/text.h"
#include "engine/ftp/id_ftp.h"

#include <vector>

namespace tavo::engine {
namespace {

int64_t Field(const std::string& text) {
    int64_t value = ToInt64(text, -1);
    if (value < 0 || value > 0xFFFF || Trim(text) != text || text.empty())
        throw EIdException("'" + text + "' is not a valid integer value");
    return value;
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
    host.clear();
    for (int i = 0; i < 4; ++i)
        host += (i > 0 ? "." : "") + std::to_string(Field(fields[i]));
    int64_t value = Field(fields[4]) * 256 + Field(fields[5]);
    if (value > 65535)
        throw EIdException("'" + text + "' names no valid port");
    port = static_cast<int>(value);
}

} // namespace tavo::engine
