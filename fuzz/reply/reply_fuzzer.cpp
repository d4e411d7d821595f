// Feeds arbitrary server bytes, cut into packets of arbitrary sizes, to the reply reader until
// the bytes run out. Every failure must be one of the engine's typed errors.

#include "engine/core/errors.h"
#include "engine/core/id_rfc_reply.h"
#include "engine/core/line_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace tavo::engine;

class FuzzBytes : public TIdLineSource {
public:
    FuzzBytes(const uint8_t* data, size_t size, size_t piece)
        : data_(reinterpret_cast<const char*>(data)), size_(size), piece_(piece) {}
    TIdManagedBuffer& InputBuffer() override { return buffer_; }
    void CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffer) override {
        if (offset_ >= size_ && raiseIfClosed && (buffer_.Empty() || ignoreBuffer))
            throw EIdConnClosedGracefully();
    }
    int FillInputBuffer() override {
        if (offset_ >= size_)
            return 0;
        size_t n = std::min(piece_, size_ - offset_);
        buffer_.Append(data_ + offset_, n);
        offset_ += n;
        return static_cast<int>(n);
    }

private:
    const char* data_;
    size_t size_;
    size_t piece_;
    size_t offset_ = 0;
    TIdManagedBuffer buffer_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t piece = 1 + data[0] % 64;
    const int maxLine = data[1] % 2 ? 16384 : 1 + data[1];
    const TIdMaxLineAction action = data[1] % 4 == 3 ? maSplit : maException;
    FuzzBytes source(data + 2, size - 2, piece);
    try {
        for (int replies = 0; replies < 1000; ++replies) {
            TIdRFCReply reply;
            reply.ParseLines(ReceiveReplyLines(source, maxLine, action));
            if (reply.TextCode.size() > 4)
                std::abort();
            if (reply.Text.empty())
                std::abort();
            (void)reply.TextWithLineEnds();
        }
    } catch (const EIdException&) {
    }
    return 0;
}
