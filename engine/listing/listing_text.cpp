#include "engine/listing/listing_text.h"

#include <algorithm>
#include <cstring>

namespace tavo::engine {

namespace {

template <typename Take> void ForEachKeptLine(std::string_view text, Take take) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            take(start, line.size());
        }
        if (end == std::string_view::npos) {
            break;
        }
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
}

std::size_t LengthBytes(std::size_t length) {
    std::size_t bytes = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++bytes;
    }
    return bytes;
}

} // namespace

TListingLines TListingLines::Joined(const auto& lines) {
    TListingLines store;
    std::string text;
    for (std::string_view line : lines) {
        store.NoteLine(text.size(), line.size());
        text += line;
    }
    store.text_ = std::make_shared<const std::string>(std::move(text));
    return store;
}

TListingLines::TListingLines(std::initializer_list<std::string_view> lines)
    : TListingLines(Joined(lines)) {}

TListingLines::TListingLines(const std::vector<std::string>& lines)
    : TListingLines(Joined(lines)) {}

TListingLines TListingLines::FromText(std::string text) {
    text.resize(std::min(text.size(), text.find('\0')));
    std::size_t lines = 0;
    std::size_t lengthBytes = 0;
    ForEachKeptLine(text, [&](std::size_t, std::size_t length) {
        ++lines;
        lengthBytes += LengthBytes(length);
    });
    TListingLines store;
    store.Reserve(lines, lengthBytes);
    // Each kept line moves towards the front over the terminators and blank lines before it,
    // so the listing is never held twice.
    std::size_t used = 0;
    ForEachKeptLine(text, [&](std::size_t start, std::size_t length) {
        std::memmove(text.data() + used, text.data() + start, length);
        store.NoteLine(used, length);
        used += length;
    });
    text.resize(used);
    if (text.capacity() / 2 > used) {
        text.shrink_to_fit();
    }
    store.text_ = std::make_shared<const std::string>(std::move(text));
    return store;
}

void TListingLines::Reserve(std::size_t lines, std::size_t lengthBytes) {
    lengths_.reserve(lengthBytes);
    marks_.reserve((lines + MarkEvery - 1) / MarkEvery);
}

void TListingLines::NoteLine(std::size_t textAt, std::size_t length) {
    if (count_ % MarkEvery == 0) {
        marks_.push_back({textAt, lengths_.size()});
    }
    do {
        const unsigned char low = length & 0x7F;
        length >>= 7;
        lengths_.push_back(static_cast<char>(length != 0 ? low | 0x80 : low));
    } while (length != 0);
    ++count_;
}

std::size_t TListingLines::ReadLength(std::size_t& at) const {
    std::size_t length = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(lengths_[at++]);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return length;
        }
    }
}

std::string_view TListingLines::operator[](std::size_t index) const {
    const Mark& mark = marks_[index / MarkEvery];
    std::size_t text = mark.Text;
    std::size_t at = mark.Length;
    for (std::size_t skip = index % MarkEvery; skip > 0; --skip) {
        text += ReadLength(at);
    }
    return Text().substr(text, ReadLength(at));
}

std::string_view TListingLines::const_iterator::operator*() const {
    std::size_t at = length_;
    return lines_->Text().substr(text_, lines_->ReadLength(at));
}

TListingLines::const_iterator& TListingLines::const_iterator::operator++() {
    text_ += lines_->ReadLength(length_);
    ++index_;
    return *this;
}

std::vector<std::string> TListingLines::ToVector() const {
    std::vector<std::string> lines;
    lines.reserve(count_);
    for (std::string_view line : *this) {
        lines.emplace_back(line);
    }
    return lines;
}

bool operator==(const TListingLines& a, const TListingLines& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

bool operator==(const TListingLines& a, const std::vector<std::string>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

} // namespace tavo::engine
