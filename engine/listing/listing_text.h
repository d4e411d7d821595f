#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavo::engine {

// The raw lines of one listing. A server may send tens of megabytes of listing, millions of
// one-byte lines; a std::string per line would cost some 32 bytes on top of each line. Here
// the lines lie end to end in one buffer, each line's length follows in one byte or a few
// (LEB128, 7 bits a byte), and the place of every 32nd line is noted, so a line found by its
// number costs at most 31 length reads and a pass over the lines costs none. The buffer never
// changes once built; copies of the store and the entries parsed from it share it.
class TListingLines {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        std::string_view operator*() const;
        const_iterator& operator++();
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.index_ == b.index_;
        }

    private:
        friend class TListingLines;
        const_iterator(const TListingLines* lines, std::size_t index, std::size_t text,
                       std::size_t length)
            : lines_(lines), index_(index), text_(text), length_(length) {}
        const TListingLines* lines_ = nullptr;
        std::size_t index_ = 0;
        std::size_t text_ = 0;   // where the line starts in the buffer
        std::size_t length_ = 0; // where its length is written
    };
    using iterator = const_iterator;
    using value_type = std::string_view;
    using size_type = std::size_t;

    TListingLines() = default;
    TListingLines(std::initializer_list<std::string_view> lines);
    explicit TListingLines(const std::vector<std::string>& lines);

    // The lines of a listing as it arrived: lines end at CR LF, CR or LF, a line after the
    // last terminator counts, and a NUL ends the text (some servers pad with it). Blank lines
    // (spaces and tabs only) make no entry and are left out, so a server sending nothing but
    // line ends costs no memory per line. The text's own buffer becomes the store.
    static TListingLines FromText(std::string text);

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // index < size()
    std::string_view operator[](std::size_t index) const;
    std::string_view front() const { return (*this)[0]; }
    const_iterator begin() const { return {this, 0, 0, 0}; }
    const_iterator end() const { return {this, count_, Text().size(), lengths_.size()}; }
    std::vector<std::string> ToVector() const;
    // The buffer the lines lie in; none in a store made empty by default.
    const std::shared_ptr<const std::string>& Store() const { return text_; }

    friend bool operator==(const TListingLines& a, const TListingLines& b);
    friend bool operator==(const TListingLines& a, const std::vector<std::string>& b);

private:
    static constexpr std::size_t MarkEvery = 32;
    struct Mark {
        std::size_t Text;
        std::size_t Length;
    };
    void Reserve(std::size_t lines, std::size_t lengthBytes);
    static TListingLines Joined(const auto& lines);
    std::string_view Text() const { return text_ ? std::string_view(*text_) : std::string_view{}; }
    // Notes a line of `length` bytes that stands, or is about to stand, at `textAt`.
    void NoteLine(std::size_t textAt, std::size_t length);
    std::size_t ReadLength(std::size_t& at) const;

    std::shared_ptr<const std::string> text_;
    std::string lengths_;
    std::vector<Mark> marks_;
    std::size_t count_ = 0;
};

} // namespace tavo::engine
