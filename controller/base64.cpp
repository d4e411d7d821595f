#include "controller/base64.h"

#include <array>

namespace tavo::controller {
namespace {

constexpr int PadMark = 64;
constexpr int NoValue = -1;

int ValueOf(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    if (c == '=')
        return PadMark;
    return NoValue;
}

} // namespace

std::string Base64Decoder(const std::string& text) {
    std::string output;
    // Positions keep their values from group to group, pad rewrites included.
    std::array<int, 4> v{0, 0, 0, 0};
    size_t position = 0;
    for (unsigned char c : text) {
        const int value = ValueOf(c);
        if (value != NoValue)
            v[position] = value;
        if (++position < v.size())
            continue;
        position = 0;
        int count = 3;
        if (v[0] == PadMark)
            count = 0;
        if (v[2] == PadMark) {
            v[2] = 0;
            v[3] = 0;
            count = 1;
        }
        if (v[3] == PadMark) {
            v[3] = 0;
            count = 2;
        }
        const unsigned char bytes[3] = {
            static_cast<unsigned char>((v[0] * 4 + v[1] / 16) & 0xFF),
            static_cast<unsigned char>(((v[1] % 16) * 16 + v[2] / 4) & 0xFF),
            static_cast<unsigned char>(((v[2] % 4) * 64 + v[3]) & 0xFF),
        };
        output.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
    }
    return output;
}

} // namespace tavo::controller
