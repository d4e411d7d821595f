#include "engine/listing/list_item.h"

#include <functional>
#include <stdexcept>

namespace tavo::engine {

namespace {

constexpr std::array<std::string_view, 8> InitialTexts = {"",         "???", "????????", "???",
                                                          "????????", "???", "",         ""};

} // namespace

TIdFTPListItem::TIdFTPListItem(const TIdFTPListItem& source)
    : ByteSize(source.ByteSize), ModifiedAt(source.ModifiedAt), LinkCount(source.LinkCount),
      EntryKind(source.EntryKind) {
    Rebuild(source.RawLine(), source.CurrentTexts());
}

TIdFTPListItem::TIdFTPListItem(TIdFTPListItem&& source) noexcept
    : ByteSize(source.ByteSize), ModifiedAt(source.ModifiedAt), LinkCount(source.LinkCount),
      EntryKind(source.EntryKind), text_(source.text_), own_(std::move(source.own_)),
      rawSize_(source.rawSize_), spans_(source.spans_) {
    source.text_ = nullptr;
    source.rawSize_ = 0;
    source.spans_ = TIdFTPListItem().spans_;
}

TIdFTPListItem& TIdFTPListItem::operator=(const TIdFTPListItem& source) {
    Rebuild(source.RawLine(), source.CurrentTexts());
    ByteSize = source.ByteSize;
    ModifiedAt = source.ModifiedAt;
    LinkCount = source.LinkCount;
    EntryKind = source.EntryKind;
    return *this;
}

TIdFTPListItem& TIdFTPListItem::operator=(TIdFTPListItem&& source) noexcept {
    if (this != &source) {
        ByteSize = source.ByteSize;
        ModifiedAt = source.ModifiedAt;
        LinkCount = source.LinkCount;
        EntryKind = source.EntryKind;
        text_ = source.text_;
        own_ = std::move(source.own_);
        rawSize_ = source.rawSize_;
        spans_ = source.spans_;
        source.text_ = nullptr;
        source.rawSize_ = 0;
        source.spans_ = TIdFTPListItem().spans_;
    }
    return *this;
}

void TIdFTPListItem::SetRawLine(std::string_view text) {
    Rebuild(text, CurrentTexts());
}

void TIdFTPListItem::ReferToRawLine(std::string_view line) {
    if (line.size() >= Unset) {
        throw std::length_error("listing line too long");
    }
    own_.reset();
    text_ = line.data();
    rawSize_ = static_cast<std::uint32_t>(line.size());
    spans_ = TIdFTPListItem().spans_;
}

std::string_view TIdFTPListItem::Text(TTextField field) const {
    const TSpan span = spans_[field];
    if (span.Size == Unset) {
        return InitialTexts[field];
    }
    return span.Size == 0 ? std::string_view{} : std::string_view(text_ + span.At, span.Size);
}

void TIdFTPListItem::SetText(TTextField field, std::string_view text) {
    if (text.empty()) {
        spans_[field] = {0, 0};
    } else if (WithinRawLine(text)) {
        // The parsers cut every text out of the raw line: no copy.
        spans_[field] = {static_cast<std::uint32_t>(text.data() - text_),
                         static_cast<std::uint32_t>(text.size())};
    } else {
        TTexts texts = CurrentTexts();
        texts[field] = text;
        Rebuild(RawLine(), texts);
    }
}

bool TIdFTPListItem::WithinRawLine(std::string_view text) const {
    const std::less<const char*> before;
    return !before(text.data(), text_) && !before(text_ + rawSize_, text.data() + text.size());
}

TIdFTPListItem::TTexts TIdFTPListItem::CurrentTexts() const {
    TTexts texts;
    for (std::size_t field = 0; field < TextFieldCount; ++field) {
        if (spans_[field].Size != Unset) {
            texts[field] = Text(static_cast<TTextField>(field));
        }
    }
    return texts;
}

void TIdFTPListItem::Rebuild(std::string_view raw, const TTexts& texts) {
    std::size_t total = raw.size();
    for (const auto& text : texts) {
        total += text ? text->size() : 0;
    }
    // Offsets are 32 bits wide and the widest value marks an initial text.
    if (total >= Unset) {
        throw std::length_error("listing entry too long");
    }
    std::unique_ptr<char[]> buffer(total == 0 ? nullptr : new char[total]);
    std::array<TSpan, TextFieldCount> spans{};
    raw.copy(buffer.get(), raw.size());
    std::size_t used = raw.size();
    for (std::size_t field = 0; field < TextFieldCount; ++field) {
        const auto& text = texts[field];
        if (!text) {
            spans[field] = {0, Unset};
        } else {
            text->copy(buffer.get() + used, text->size());
            spans[field] = {static_cast<std::uint32_t>(used),
                            static_cast<std::uint32_t>(text->size())};
            used += text->size();
        }
    }
    // Only now: the texts may have been views of the old buffer.
    own_ = std::move(buffer);
    text_ = own_.get();
    rawSize_ = static_cast<std::uint32_t>(raw.size());
    spans_ = spans;
}

} // namespace tavo::engine
