#include "controller/text_rules.h"

namespace tavo::controller {

bool HoldsForbiddenCharacter(const std::string& name, std::string_view forbidden,
                             const TLeadByteTest& isLeadByte) {
    for (size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (isLeadByte && isLeadByte(byte) && i + 1 < name.size()) {
            ++i; // its trailing byte is part of the character, whatever its value
            continue;
        }
        if (byte != 0 && forbidden.find(static_cast<char>(byte)) != std::string_view::npos)
            return true;
    }
    return false;
}

void StrReplace(std::string& text, const std::string& oldText, const std::string& newText) {
    if (oldText.empty())
        return;
    std::string result;
    size_t from = 0;
    for (size_t at = text.find(oldText); at != std::string::npos; at = text.find(oldText, from)) {
        result.append(text, from, at - from);
        result += newText;
        from = at + oldText.size();
    }
    if (from == 0)
        return;
    result.append(text, from, std::string::npos);
    text = std::move(result);
}

bool FoundAfterStart(const std::string& text, std::string_view what) {
    const size_t at = text.find(what);
    return at != std::string::npos && at > 0;
}

std::string UploadNameOf(const std::string& localPath) {
    const size_t separator = localPath.find_last_of("\\/:");
    std::string name = separator == std::string::npos ? localPath : localPath.substr(separator + 1);
    StrReplace(name, " ", "");
    return name;
}

std::string SafeSaveName(const std::string& remoteName, const TLeadByteTest& isLeadByte) {
    static constexpr std::string_view unsafe = "\\/:*?\"<>|";
    std::string name = remoteName;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        // A trailing byte starts at 0x40, so a pair never hides a control character.
        if (isLeadByte && isLeadByte(byte) && i + 1 < name.size() &&
            static_cast<unsigned char>(name[i + 1]) >= 0x40) {
            ++i;
            continue;
        }
        if (byte < 0x20 || byte == 0x7F || unsafe.find(name[i]) != std::string_view::npos)
            name[i] = '_';
    }
    // Windows drops dots and spaces at the end of a name, so "a.txt." would land on "a.txt"
    // (and "." or ".." on the folder itself). No trailing byte of a double-byte character is
    // a dot or a space.
    for (size_t i = name.size(); i > 0 && (name[i - 1] == '.' || name[i - 1] == ' '); --i)
        name[i - 1] = '_';
    if (IsWindowsDeviceName(name))
        name.insert(0, "_");
    return name;
}

bool IsWindowsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (char& c : stem)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

std::string MessageText(const std::string& message) {
    const size_t end = message.find_last_not_of("\r\n");
    if (end == std::string::npos)
        return {};
    size_t lineEnd = 0;
    for (size_t lines = 0; lines < MaxMessageLines; ++lines) {
        lineEnd = message.find('\n', lineEnd);
        if (lineEnd == std::string::npos || lineEnd >= end)
            return message.substr(0, end + 1);
        ++lineEnd;
    }
    return message.substr(0, lineEnd) + std::string(MessageEllipsis);
}

std::string ErrorReportText(const std::string& message) {
    std::string text = MessageText(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

} // namespace tavo::controller
