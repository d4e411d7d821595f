#pragma once
// How the scripted host prints: one line per event, texts quoted, shown as UTF-8 converted
// from the edition's code page, or as the raw 8-bit bytes on request.

#include <cstdio>
#include <string>

namespace tavo::host {

class THostOutput {
public:
    THostOutput(std::FILE* out, int codePage, bool raw)
        : out_(out), codePage_(codePage), raw_(raw) {}

    // A text of the control (8-bit, edition's code page) in double quotes, with control
    // characters escaped.
    std::string Quote(const std::string& text) const;
    void Line(const std::string& line);
    // Everything printed so far, kept only when there is no stream to print to (tests).
    const std::string& Transcript() const { return transcript_; }

private:
    std::FILE* out_;
    int codePage_;
    bool raw_;
    std::string transcript_;
};

// Converts 8-bit text in the code page to UTF-8; bytes that do not convert come out as
// \xNN escapes.
std::string CodePageToUtf8(const std::string& text, int codePage);
// Converts UTF-8 (as scripts are written) to the code page; unconvertible characters fail
// with std::runtime_error.
std::string Utf8ToCodePage(const std::string& text, int codePage);

} // namespace tavo::host
