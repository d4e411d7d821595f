#include "engine/core/id_stream.h"

#include "engine/core/errors.h"
#include "engine/platform/files.h"

#include <cstring>

namespace tavo::engine {

size_t TIdMemoryStream::Read(char* target, size_t count) {
    size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    size_t n = count < available ? count : available;
    if (n == 0)
        return 0;
    std::memcpy(target, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

void TIdMemoryStream::Write(const char* data, size_t count) {
    if (count == 0)
        return; // data may be null then, which memcpy must not see
    if (position_ + count > bytes_.size())
        bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, data, count);
    position_ += count;
}

TIdFileStream::TIdFileStream(const std::string& path, TIdFileOpen how) : path_(path) {
    std::string error;
    auto mode = how == TIdFileOpen::Read     ? platform::FileMode::Read
                : how == TIdFileOpen::Create ? platform::FileMode::CreateNew
                                             : platform::FileMode::ReadWrite;
    file_ = platform::OpenFile(path, mode, error);
    if (file_ == nullptr)
        throw EIdException("Cannot open file \"" + path + "\". " + error);
    // Transfers write and read in blocks of 1 or 2 KiB; a larger buffer saves system calls.
    // Our own: glibc keeps its 4 KiB default when setvbuf is given no buffer.
    buffer_ = std::make_unique<char[]>(BufferSize);
    std::setvbuf(file_, buffer_.get(), _IOFBF, BufferSize);
    if (how == TIdFileOpen::Append)
        platform::SeekFile(file_, 0, SEEK_END);
}

TIdFileStream::~TIdFileStream() {
    if (file_ != nullptr)
        std::fclose(file_);
}

void TIdFileStream::Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file == nullptr)
        return;
    // A write error met by an earlier flush (a seek flushes too) shows only in the error flag.
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed)
        throw EIdException("Cannot write file \"" + path_ + "\".");
}

int64_t TIdFileStream::Position() const {
    return platform::TellFile(file_);
}

void TIdFileStream::Seek(int64_t position) {
    platform::SeekFile(file_, position, SEEK_SET);
}

int64_t TIdFileStream::Size() const {
    int64_t here = platform::TellFile(file_);
    platform::SeekFile(file_, 0, SEEK_END);
    int64_t size = platform::TellFile(file_);
    platform::SeekFile(file_, here, SEEK_SET);
    return size;
}

size_t TIdFileStream::Read(char* target, size_t count) {
    size_t n = std::fread(target, 1, count, file_);
    if (n < count && std::ferror(file_))
        throw EIdException("Cannot read file \"" + path_ + "\".");
    return n;
}

void TIdFileStream::Write(const char* data, size_t count) {
    if (count == 0)
        return;
    if (std::fwrite(data, 1, count, file_) != count)
        throw EIdException("Cannot write file \"" + path_ + "\".");
}

void TIdFileStream::Truncate() {
    if (!platform::TruncateFile(file_, Position()))
        throw EIdException("Cannot truncate file \"" + path_ + "\".");
}

} // namespace tavo::engine
