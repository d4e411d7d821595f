#pragma once
// The byte streams transfers read from and write to: a file or a block of memory.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tavo::engine {

class TIdStream {
public:
    virtual ~TIdStream() = default;
    virtual int64_t Position() const = 0;
    virtual void Seek(int64_t position) = 0;
    virtual int64_t Size() const = 0;
    // Bytes read, 0 at the end.
    virtual size_t Read(char* target, size_t count) = 0;
    virtual void Write(const char* data, size_t count) = 0;
    // Cuts the stream at its position.
    virtual void Truncate() = 0;
};

class TIdMemoryStream : public TIdStream {
public:
    TIdMemoryStream() = default;
    explicit TIdMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    int64_t Position() const override { return static_cast<int64_t>(position_); }
    void Seek(int64_t position) override { position_ = static_cast<size_t>(position); }
    int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
    size_t Read(char* target, size_t count) override;
    void Write(const char* data, size_t count) override;
    void Truncate() override { bytes_.resize(position_); }
    const std::string& Bytes() const { return bytes_; }
    // Hands the bytes over (a listing keeps them without a copy) and leaves the stream empty.
    std::string TakeBytes() {
        std::string taken;
        taken.swap(bytes_);
        position_ = 0;
        return taken;
    }

private:
    std::string bytes_;
    size_t position_ = 0;
};

enum class TIdFileOpen { Read, Create, Append };

// Raises EIdException with the system's text when the file cannot be opened.
class TIdFileStream : public TIdStream {
public:
    TIdFileStream(const std::string& path, TIdFileOpen how);
    ~TIdFileStream() override;
    TIdFileStream(const TIdFileStream&) = delete;
    TIdFileStream& operator=(const TIdFileStream&) = delete;

    int64_t Position() const override;
    void Seek(int64_t position) override;
    int64_t Size() const override;
    size_t Read(char* target, size_t count) override;
    void Write(const char* data, size_t count) override;
    void Truncate() override;
    // Closes the file, raising when buffered bytes could not be written (a full disk).
    void Close();

private:
    static constexpr size_t BufferSize = 1 << 16;
    // Outlives every use of file_: fclose flushes from it.
    std::unique_ptr<char[]> buffer_;
    std::FILE* file_ = nullptr;
    std::string path_;
};

} // namespace tavo::engine
