#include "engine/core/id_buffer.h"

#include "engine/core/errors.h"

#include <algorithm>
#include <cstring>

namespace tavo::engine {

void TIdManagedBuffer::Append(const char* data, size_t count) {
    bytes_.insert(bytes_.end(), data, data + count);
}

void TIdManagedBuffer::Take(size_t count, char* target) {
    if (count > Size())
        throw EIdNotEnoughDataInBuffer();
    if (target != nullptr && count > 0)
        std::memcpy(target, Data(), count);
    Consume(count);
}

std::string TIdManagedBuffer::TakeString(size_t count) {
    if (count > Size())
        throw EIdNotEnoughDataInBuffer();
    std::string result(Data(), count);
    Consume(count);
    return result;
}

void TIdManagedBuffer::Clear(bool report) {
    size_t count = Size();
    bytes_.clear();
    consumed_ = 0;
    if (report && count > 0 && onRemove_)
        onRemove_(static_cast<int64_t>(count));
}

size_t TIdManagedBuffer::Find(char ch, size_t from) const {
    if (from >= Size())
        return std::string::npos;
    const void* hit = std::memchr(Data() + from, ch, Size() - from);
    return hit == nullptr ? std::string::npos
                          : static_cast<size_t>(static_cast<const char*>(hit) - Data());
}

void TIdManagedBuffer::Consume(size_t count) {
    consumed_ += count;
    if (consumed_ == bytes_.size()) {
        bytes_.clear();
        consumed_ = 0;
    } else if (consumed_ >= PackThreshold) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(consumed_));
        consumed_ = 0;
    }
    if (onRemove_ && count > 0)
        onRemove_(static_cast<int64_t>(count));
}

} // namespace tavo::engine
