// Code page conversion through iconv: code page 936 is "CP936" there, others "CPnnnn".

#include "tools/tavo_host/host_output.h"

#include "controller/catalogue.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace tavo::host {
namespace {

std::string CodePageName(int codePage) {
    // A POSIX thread has no ANSI code page; a Western system's stands for it.
    if (codePage == controller::ThreadAnsiCodePage)
        codePage = 1252;
    return "CP" + std::to_string(codePage);
}

// Converts as much as converts; on a byte that does not, calls onBad and goes on after it.
template <typename OnBad>
std::string Convert(const std::string& text, const std::string& from, const std::string& to,
                    OnBad onBad) {
    iconv_t converter = iconv_open(to.c_str(), from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return text;
    std::string result;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[512];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(buffer, static_cast<size_t>(out - buffer));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            onBad(result, static_cast<unsigned char>(*in));
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return result;
}

} // namespace

std::string CodePageToUtf8(const std::string& text, int codePage) {
    return Convert(text, CodePageName(codePage), "UTF-8", [](std::string& out, unsigned char b) {
        static const char digits[] = "0123456789ABCDEF";
        out += "\\x";
        out += digits[b >> 4];
        out += digits[b & 15];
    });
}

std::string Utf8ToCodePage(const std::string& text, int codePage) {
    return Convert(text, "UTF-8", CodePageName(codePage), [&](std::string&, unsigned char) {
        throw std::runtime_error("text not representable in code page " + std::to_string(codePage) +
                                 ": " + text);
    });
}

} // namespace tavo::host
