#pragma once
// The input buffer of a connection. Consumed bytes are counted, not moved: the block is
// packed only after 32768 consumed bytes, and only once they outnumber the bytes still held,
// so reading a reply line by line or a download chunk by chunk never shifts the rest of the
// buffer on every take, and a large read taken in small chunks is moved at most once.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tavo::engine {

class TIdManagedBuffer {
public:
    static constexpr size_t PackThreshold = 32768;
    // Called with the count of every removal of bytes (the connection reports progress).
    using RemovalCallback = std::function<void(int64_t count)>;

    explicit TIdManagedBuffer(RemovalCallback onRemove = {}) : onRemove_(std::move(onRemove)) {}

    size_t Size() const { return end_ - consumed_; }
    bool Empty() const { return Size() == 0; }
    const char* Data() const { return bytes_.get() + consumed_; }

    void Append(const char* data, size_t count);
    // Room for `count` more bytes at the tail, for a receive to fill in place; CommitAppend
    // then keeps the `used` bytes it wrote.
    char* PrepareAppend(size_t count);
    void CommitAppend(size_t used);
    // Removes `count` bytes from the head into `target` (or drops them when null).
    void Take(size_t count, char* target);
    std::string TakeString(size_t count);
    // Empties the buffer; `report` decides whether the removal counts as progress.
    void Clear(bool report);
    // Offset of the first `ch` at or after `from` (offsets relative to Data()), or npos.
    size_t Find(char ch, size_t from) const;

private:
    void Consume(size_t count);

    std::unique_ptr<char[]> bytes_;
    size_t capacity_ = 0;
    size_t end_ = 0;
    size_t consumed_ = 0;
    size_t prepared_ = 0;
    RemovalCallback onRemove_;
};

} // namespace tavo::engine
