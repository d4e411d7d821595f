#include "engine/core/id_rfc_reply.h"

#include "engine/core/text.h"

namespace tavo::engine {

void TIdRFCReply::Clear() {
    NumericCode = 0;
    Text.clear();
    TextCode.clear();
    Lines.clear();
}

void TIdRFCReply::ParseLines(const std::vector<std::string>& lines) {
    Clear();
    if (lines.empty())
        return;
    TextCode = Trim(lines.front().substr(0, 4));
    if (TextCode.size() == 4 && TextCode.back() == '-')
        TextCode.pop_back();
    if (!TextCode.empty())
        NumericCode = static_cast<int>(ToInt64(TextCode, 0));
    for (const std::string& line : lines)
        Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
    Lines = lines;
}

std::string TIdRFCReply::TextWithLineEnds() const {
    std::string message;
    for (const std::string& line : Text)
        message += line + "\r\n";
    return message;
}

bool OpensMultiLineReply(const std::string& firstLine) {
    return firstLine.size() > 3 && firstLine[3] == '-';
}

bool EndsMultiLineReply(const std::string& firstLine, const std::string& line, TIdReplyEnd end) {
    if (line.size() < 4)
        return end == TIdReplyEnd::CodeOrShortLine || line == firstLine.substr(0, 3);
    std::string marker = firstLine.substr(0, 3) + " ";
    return EqualsIgnoreCase(line.substr(0, 4), marker);
}

} // namespace tavo::engine
