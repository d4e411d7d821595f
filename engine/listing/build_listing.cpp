#include "engine/listing/build_listing.h"

#include "engine/listing/list_format_detect.h"

namespace tavo::engine {

std::unique_ptr<TIdFTPListItems> BuildListingItems(const TListingLines& lines,
                                                   const TListingHooks& hooks) {
    std::unique_ptr<TIdFTPListItems> list;
    if (hooks.OnCreateFTPList) {
        hooks.OnCreateFTPList(list);
    }
    if (!list) {
        list = std::make_unique<TIdFTPListItems>();
    }
    if (hooks.OnParseCustomListFormat) {
        list->OnParseCustomListFormat = hooks.OnParseCustomListFormat;
    }
    if (lines.empty()) {
        return list;
    }
    TIdFTPListFormat format = DetectListFormat(lines.front(), true);
    if (hooks.OnCheckListFormat) {
        hooks.OnCheckListFormat(std::string(lines.front()), format);
    }
    list->DetectedFormat = format;
    list->ParseListing(lines);
    return list;
}

} // namespace tavo::engine
