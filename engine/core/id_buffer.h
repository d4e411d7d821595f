#pragma once
// The input buffer of a connection. Consumed bytes are counted, not moved: the block is
// packed only after 32768 consumed bytes, so reading a reply line by line or a download
// chunk by chunk never shifts the rest of the buffer on every take.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavo::engine {

class TIdManagedBuffer {
public:
    static constexpr size_t PackThreshold = 32768;
    // Called with the count of every removal of bytes (the connection reports progress).
    using RemovalCallback = std::function<void(int64_t count)>;

    explicit TIdManagedBuffer(RemovalCallback onRemove = {}) : onRemove_(std::move(onRemove)) {}

    size_t Size() const { return bytes_.size() - consumed_; }
    bool Empty() const { return Size() == 0; }
    const char* Data() const { return bytes_.data() + consumed_; }

    void Append(const char* data, size_t count);
    // Removes `count` bytes from the head into `target` (or drops them when null).
    void Take(size_t count, char* target);
    std::string TakeString(size_t count);
    // Empties the buffer; `report` decides whether the removal counts as progress.
    void Clear(bool report);
    // Offset of the first `ch` at or after `from` (offsets relative to Data()), or npos.
    size_t Find(char ch, size_t from) const;

private:
    void Consume(size_t count);

    std::vector<char> bytes_;
    size_t consumed_ = 0;
    RemovalCallback onRemove_;
};

} // namespace tavo::engine
