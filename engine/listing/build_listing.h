#pragma once
// Turns the lines of a LIST reply into entries: the session's ListingItems on first use.

#include "engine/listing/list_item.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavo::engine {

struct TListingHooks {
    // May supply the collection to fill; left empty, a plain TIdFTPListItems is made.
    std::function<void(std::unique_ptr<TIdFTPListItems>& list)> OnCreateFTPList;
    // Sees the first line and the detected format and may change the format.
    std::function<void(const std::string& line, TIdFTPListFormat& format)> OnCheckListFormat;
    // Given to the collection as its OnParseCustomListFormat (flfCustom entries).
    TIdFTPListItems::TParseCustomListFormatEvent OnParseCustomListFormat;
};

// The format comes from the first line, read as a detailed listing; OnCheckListFormat may
// overrule it (the only way to flfNoDetails). No lines leave the collection empty with its
// DetectedFormat untouched. Bad lines are left out, never raised.
std::unique_ptr<TIdFTPListItems> BuildListingItems(const TListingLines& lines,
                                                   const TListingHooks& hooks = {});

} // namespace tavo::engine
