// Names between a server that speaks UTF-8 (RFC 2640) and the caller's code page.

#include "engine/ftp/features.h"
#include "engine/ftp/id_ftp.h"
#include "engine/platform/code_page.h"

#include <algorithm>

namespace tavo::engine {
namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

// FEAT once after log-in; only a server that lists UTF8 hears OPTS. A refusal of either
// leaves names as they were, byte for byte.
void TIdFTP::NegotiateUtf8Names() {
    const int code = IssueCommand("FEAT", AnyReplyCode, TIdReplyEnd::CodeOnly);
    Features = ParseFeatures(code, LastReply.Lines);
    if (!ListsFeature(Features, "UTF8"))
        return;
    // RFC 2640 leaves the switch to the server; OPTS UTF8 ON is how servers that keep legacy
    // names by default (vsftpd without its UTF-8 option, IIS) are asked for UTF-8.
    utf8Names_ = IssueCommand("OPTS UTF8 ON", AnyReplyCode) / 100 == 2;
}

std::string TIdFTP::ServerPath(const std::string& path) const {
    if (!utf8Names_)
        return path;
    // Before the plain-ASCII shortcut: a name shown with '?' for what the code page lacks is
    // plain ASCII.
    for (const TPinnedNames* pins : {&listedNames_, &directoryNames_}) {
        const auto pinned = pins->find(path);
        if (pinned != pins->end())
            return pinned->second;
    }
    if (IsAscii(path))
        return path;
    return platform::CodePageToUtf8(path, NameCodePage).value_or(path);
}

std::string TIdFTP::ShownText(const std::string& text) const {
    if (!utf8Names_ || IsAscii(text))
        return text;
    return platform::Utf8ToCodePage(text, NameCodePage).value_or(text);
}

std::string TIdFTP::ClientName(std::string_view serverName, TPinnedNames& pins) const {
    if (!utf8Names_ || IsAscii(serverName))
        return std::string(serverName);
    // A name that is not UTF-8 (a file the server stored under a legacy code page) is
    // shown as it is.
    std::string shown =
        platform::Utf8ToCodePage(serverName, NameCodePage).value_or(std::string(serverName));
    const std::string back = platform::CodePageToUtf8(shown, NameCodePage).value_or(shown);
    if (back != serverName)
        pins.insert_or_assign(shown, std::string(serverName));
    return shown;
}

void TIdFTP::ConvertListingNames(TIdFTPListItems& items) {
    listedNames_.clear();
    for (int i = 0; i < items.Count(); ++i) {
        TIdFTPListItem& item = items[i];
        const std::string_view name = item.EntryName();
        if (!IsAscii(name)) {
            // Set first: still a view of the raw line, so it costs no copy.
            item.SetServerName(name);
            item.SetEntryName(ClientName(item.ServerName(), listedNames_));
        }
        if (!IsAscii(item.LinkTarget()))
            item.SetLinkTarget(ClientName(item.LinkTarget(), listedNames_));
    }
}

} // namespace tavo::engine
