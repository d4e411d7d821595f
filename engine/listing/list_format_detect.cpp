// First lines this recognises:
//   Unix:  -rw-r--r--    1 0        0        536870912 Dec 09 04:56 big.bin
//          drwxrwxrwt+  12 root     root          4096 Mar 15 10:42 tmp
//          total 12
//   VAX:   any line holding DSK:
//   DOS:   03-15-04  10:42AM       <DIR>          Projects
//          03-15-04  10:42AM                 1,234 report.doc
//          12-09-2026  10:15AM  <DIR>  sub
#include "engine/listing/list_format_detect.h"

#include "engine/core/text.h"

#include <algorithm>
#include <string>

namespace tavo::engine {

namespace {

// Kind letters of ls -l: file, directory, link, block and character device, pipe, socket.
constexpr std::string_view UnixKindLetters = "-DLBCPS";
// S and T stand where x would for setuid, setgid and the sticky bit.
constexpr std::string_view UnixPermissionLetters = "-RWXST";

bool StartsWithUnixPermissions(std::string_view upper) {
    if (upper.size() < 10 || UnixKindLetters.find(upper[0]) == std::string_view::npos) {
        return false;
    }
    return std::all_of(upper.begin() + 1, upper.begin() + 10, [](char c) {
        return UnixPermissionLetters.find(c) != std::string_view::npos;
    });
}

bool IsDosDateSeparator(char c) {
    return c == '-' || c == '/';
}

std::string_view Columns(std::string_view text, std::size_t firstColumn, std::size_t count) {
    if (text.size() < firstColumn) {
        return {};
    }
    return text.substr(firstColumn - 1, count);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TakeField(std::string_view& rest) {
    const std::size_t cut = rest.find(' ');
    const std::string_view field = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view{} : TrimBlanks(rest.substr(cut));
    return field;
}

bool IsDosSizeOrDir(std::string_view field) {
    std::string size(field);
    std::erase(size, ',');
    return size == "<DIR>" || ParseInt64(size).has_value();
}

} // namespace

bool HasFourDigitYear(std::string_view line) {
    return line.size() >= 10 && IsDosDateSeparator(line[2]) && IsDosDateSeparator(line[5]) &&
           std::all_of(line.begin() + 6, line.begin() + 10, IsDigit) &&
           (line.size() == 10 || IsBlank(line[10]));
}

TIdFTPListFormat DetectListFormat(std::string_view firstLine, bool details) {
    if (!details) {
        return flfNoDetails;
    }
    std::string upper(firstLine);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
    if (StartsWithUnixPermissions(upper) || upper.starts_with("TOTAL")) {
        return flfUnix;
    }
    if (upper.find("DSK:") != std::string::npos) {
        return flfVax;
    }
    // IIS-style lines: MM-DD-YY, the time, then "<DIR>" or a right-aligned size.
    if (upper.size() < 6 || !IsDosDateSeparator(upper[2]) || !IsDosDateSeparator(upper[5])) {
        return flfUnknown;
    }
    if (HasFourDigitYear(upper)) {
        // Servers printing four-digit years space their columns in their own ways, so
        // the fields after the date decide: the time, then "<DIR>" or the size.
        std::string_view rest = TrimBlanks(std::string_view(upper).substr(10));
        TakeField(rest);
        return IsDosSizeOrDir(TakeField(rest)) ? flfDos : flfUnknown;
    }
    const std::string_view marker = TrimBlanks(Columns(upper, 25, 6));
    if (marker == "<DIR>") {
        return flfDos;
    }
    if (!marker.empty()) {
        return flfUnknown;
    }
    std::string size(TrimBlanks(Columns(upper, 31, 8)));
    std::erase(size, ',');
    return ParseInt64(size) ? flfDos : flfUnknown;
}

} // namespace tavo::engine
