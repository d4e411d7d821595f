#include "engine/platform/code_page.h"

#include <cerrno>
#include <iconv.h>

namespace tavo::platform {
namespace {

std::string IconvName(int codePage) {
    switch (codePage) {
    case 0:
    case 3:
        return "CP1252";
    case 65001:
        return "UTF-8";
    default:
        return "CP" + std::to_string(codePage);
    }
}

// Bytes of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

class TConverter {
public:
    TConverter(const std::string& to, const std::string& from)
        : handle_(::iconv_open(to.c_str(), from.c_str())) {}
    ~TConverter() {
        if (Valid())
            ::iconv_close(handle_);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;

    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `input`. A character the target lacks (EILSEQ on valid input) becomes
    // `replacement` when one is given; otherwise, and for input that is not valid in the
    // source, empty.
    std::optional<std::string> Run(std::string_view input, const char* replacement,
                                   bool inputIsUtf8) {
        std::string output;
        char buffer[1024];
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = ::iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (result != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            if (errno != EILSEQ || replacement == nullptr || !inputIsUtf8)
                return std::nullopt;
            // glibc also says EILSEQ for malformed UTF-8: only a whole, valid sequence
            // stands for a character the target lacks.
            const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(*in));
            if (length > inLeft || !ValidUtf8(std::string_view(in, length)))
                return std::nullopt;
            output += replacement;
            in += length;
            inLeft -= length;
        }
        return output;
    }

private:
    static bool ValidUtf8(std::string_view sequence) {
        TConverter check("UTF-16LE", "UTF-8");
        return check.Valid() && check.Run(sequence, nullptr, false).has_value();
    }

    iconv_t handle_;
};

} // namespace

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage) {
    TConverter converter(IconvName(codePage), "UTF-8");
    if (!converter.Valid())
        return std::nullopt;
    return converter.Run(utf8, "?", true);
}

std::optional<std::string> CodePageToUtf8(std::string_view bytes, int codePage) {
    TConverter converter("UTF-8", IconvName(codePage));
    if (!converter.Valid())
        return std::nullopt;
    return converter.Run(bytes, nullptr, false);
}

} // namespace tavo::platform
