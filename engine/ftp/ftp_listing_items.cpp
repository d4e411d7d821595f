#include "engine/ftp/id_ftp.h"
#include "engine/listing/build_listing.h"

namespace tavo::engine {

TIdFTPListItems& TIdFTP::ListingItems() {
    if (listingItems_ == nullptr) {
        TListingHooks hooks;
        if (OnCreateFTPList)
            hooks.OnCreateFTPList = [this](std::unique_ptr<TIdFTPListItems>& list) {
                OnCreateFTPList(*this, list);
            };
        if (OnCheckListFormat)
            hooks.OnCheckListFormat = [this](const std::string& line, TIdFTPListFormat& format) {
                OnCheckListFormat(*this, line, format);
            };
        if (OnParseCustomListFormat)
            hooks.OnParseCustomListFormat = [this](TIdFTPListItem& item) {
                OnParseCustomListFormat(*this, item);
            };
        listingItems_ = BuildListingItems(ListingLines, hooks);
        if (utf8Names_)
            ConvertListingNames(*listingItems_);
    }
    return *listingItems_;
}

} // namespace tavo::engine
