#include "tools/tavo_host/host_output.h"

namespace tavo::host {

std::string THostOutput::Quote(const std::string& text) const {
    const std::string shown = raw_ ? text : CodePageToUtf8(text, codePage_);
    std::string quoted = "\"";
    for (char c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            static const char digits[] = "0123456789ABCDEF";
            quoted += "\\x";
            quoted += digits[byte >> 4];
            quoted += digits[byte & 15];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void THostOutput::Line(const std::string& line) {
    // A host that prints keeps no copy: a long session would hold all of it.
    if (out_ == nullptr)
        transcript_ += line + "\n";
    if (out_ != nullptr) {
        std::fputs(line.c_str(), out_);
        std::fputc('\n', out_);
        std::fflush(out_);
    }
}

} // namespace tavo::host
