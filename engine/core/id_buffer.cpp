#include "engine/core/id_buffer.h"

#include "engine/core/errors.h"

#include <algorithm>
#include <cstring>

namespace tavo::engine {

char* TIdManagedBuffer::PrepareAppend(size_t count) {
    if (capacity_ - end_ < count) {
        // Bytes already taken make room first; the block grows only when that is not enough.
        if (consumed_ > 0) {
            std::memmove(bytes_.get(), Data(), Size());
            end_ -= consumed_;
            consumed_ = 0;
        }
        if (capacity_ - end_ < count) {
            const size_t capacity = std::max(end_ + count, capacity_ * 2);
            auto grown = std::make_unique_for_overwrite<char[]>(capacity);
            if (end_ > 0)
                std::memcpy(grown.get(), bytes_.get(), end_);
            bytes_ = std::move(grown);
            capacity_ = capacity;
        }
    }
    prepared_ = count;
    return bytes_.get() + end_;
}

void TIdManagedBuffer::CommitAppend(size_t used) {
    end_ += std::min(used, prepared_);
    prepared_ = 0;
}

void TIdManagedBuffer::Append(const char* data, size_t count) {
    if (count == 0)
        return;
    std::memcpy(PrepareAppend(count), data, count);
    CommitAppend(count);
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
    end_ = 0;
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
    if (consumed_ == end_) {
        end_ = 0;
        consumed_ = 0;
    } else if (consumed_ >= PackThreshold && consumed_ >= Size()) {
        std::memmove(bytes_.get(), Data(), Size());
        end_ -= consumed_;
        consumed_ = 0;
    }
    if (onRemove_ && count > 0)
        onRemove_(static_cast<int64_t>(count));
}

} // namespace tavo::engine
