#pragma once
// One parsed FTP reply (RFC 959 section 4.2) and the rules for where a reply ends.

#include <string>
#include <vector>

namespace tavo::engine {

class TIdRFCReply {
public:
    int NumericCode = 0;
    std::vector<std::string> Text;
    std::string TextCode;
    // The lines as they came, codes included: the text lines lose the first four characters
    // of every line, which in a FEAT list (RFC 2389) are part of the feature.
    std::vector<std::string> Lines;

    void Clear();
    // Fills the reply from its raw lines (already trimmed, first line first).
    void ParseLines(const std::vector<std::string>& lines);
    // The text lines, each followed by CR LF: the message of a reply error.
    std::string TextWithLineEnds() const;
};

// True when `firstLine` opens a multi-line reply ("123-...").
bool OpensMultiLineReply(const std::string& firstLine);
// How a multi-line reply ends. Every reply but one ends at a line shorter than four characters
// too; the feature list (RFC 2389) ends only at its code, since its lines are feature names
// and some are that short (" CCC", RFC 4217).
enum class TIdReplyEnd { CodeOrShortLine, CodeOnly };

// True when `line` ends the multi-line reply opened by `firstLine`: it starts with the first
// line's code and a space (letter case ignored), is the bare code, or, with CodeOrShortLine,
// is shorter than four characters.
bool EndsMultiLineReply(const std::string& firstLine, const std::string& line,
                        TIdReplyEnd end = TIdReplyEnd::CodeOrShortLine);

} // namespace tavo::engine
