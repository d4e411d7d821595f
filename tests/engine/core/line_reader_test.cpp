// Line and reply reading over bytes alone: a fake connection hands out the server's bytes in
// chosen pieces, so the packet boundaries can fall anywhere.

#include "engine/core/errors.h"
#include "engine/core/id_rfc_reply.h"
#include "engine/core/line_reader.h"
#include "engine/core/text.h"

#include <gtest/gtest.h>

#include <cstring>

#include <random>

namespace tavo::engine {
namespace {

class ScriptedBytes : public TIdLineSource {
public:
    ScriptedBytes(std::string bytes, std::vector<size_t> pieces)
        : bytes_(std::move(bytes)), pieces_(std::move(pieces)) {}

    TIdManagedBuffer& InputBuffer() override { return buffer_; }
    void CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffer) override {
        if (offset_ >= bytes_.size() && raiseIfClosed && (buffer_.Empty() || ignoreBuffer))
            throw EIdConnClosedGracefully();
    }
    int FillInputBuffer() override {
        if (offset_ >= bytes_.size())
            throw EIdConnClosedGracefully();
        size_t size = pieces_.empty() ? bytes_.size() : pieces_[fills_ % pieces_.size()];
        size = std::min(std::max<size_t>(size, 1), bytes_.size() - offset_);
        buffer_.Append(bytes_.data() + offset_, size);
        offset_ += size;
        ++fills_;
        return static_cast<int>(size);
    }
    size_t fills_ = 0;

private:
    std::string bytes_;
    std::vector<size_t> pieces_;
    size_t offset_ = 0;
    TIdManagedBuffer buffer_;
};

TIdRFCReply Reply(const std::string& bytes, std::vector<size_t> pieces = {}) {
    ScriptedBytes source(bytes, std::move(pieces));
    TIdRFCReply reply;
    reply.ParseLines(ReceiveReplyLines(source, 16384, maException));
    return reply;
}

struct ReplyCase {
    const char* name;
    std::string bytes;
    int code;
    std::vector<std::string> text;
};

TEST(ReplyReader, ParsesRealServerReplies) {
    const ReplyCase cases[] = {
        {"vsftpd greeting", "220 (vsFTPd 3.0.3)\r\n", 220, {"(vsFTPd 3.0.3)"}},
        {"multi-line",
         "230-Welcome\r\n more text\r\n230 Done\r\n",
         230,
         {"Welcome", " text", "Done"}},
        {"continuation shorter than four ends it", "211-Features\r\nok\r\n", 211, {"Features", ""}},
        {"end marker ignores case", "214-ab\r\n214 end\r\n", 214, {"ab", "end"}},
        {"LF-only endings",
         "331 Please specify the password.\n",
         331,
         {"Please specify the password."}},
        {"blank lines before and inside are skipped",
         "\r\n\r\n250-a\r\n\r\n250 b\r\n",
         250,
         {"a", "b"}},
        {"surrounding spaces trimmed",
         "   257 \"/\" is the current directory   \r\n",
         257,
         {"\"/\" is the current directory"}},
        {"non-numeric code", "abc\r\n", 0, {""}},
        {"code alone", "200\r\n", 200, {""}},
        {"other code inside multi-line does not end it",
         "220-a\r\n230 b\r\n220 c\r\n",
         220,
         {"a", "b", "c"}},
    };
    for (const ReplyCase& c : cases) {
        TIdRFCReply reply = Reply(c.bytes);
        EXPECT_EQ(reply.NumericCode, c.code) << c.name;
        EXPECT_EQ(reply.Text, c.text) << c.name;
    }
}

// proftpd with its TLS module lists " CCC": a feature list read like other replies would end
// there and leave the rest to answer the next commands.
TEST(ReplyReader, FeatureListEndsOnlyAtItsCode) {
    const std::string feat = "211-Features:\r\n AUTH TLS\r\n CCC\r\n EPSV\r\n UTF8\r\n";
    for (const std::string end : {"211 End\r\n", "211\r\n"}) {
        ScriptedBytes source(feat + end + "200 next\r\n", {});
        EXPECT_EQ(ReceiveReplyLines(source, 16384, maException, TIdReplyEnd::CodeOnly),
                  (std::vector<std::string>{"211-Features:", "AUTH TLS", "CCC", "EPSV", "UTF8",
                                            Trim(end)}));
        EXPECT_EQ(ReceiveReplyLines(source, 16384, maException).front(), "200 next");
    }
}

TEST(ReplyReader, TextCodeOfANonNumericReplyFailsEveryAllowedList) {
    TIdRFCReply reply = Reply("abc\r\n");
    EXPECT_EQ(reply.TextCode, "abc");
    EXPECT_EQ(reply.NumericCode, 0);
    EXPECT_EQ(Reply("220-x\r\n220 y\r\n").TextCode, "220");
}

TEST(ReplyReader, SameReplyWhereverThePacketsSplit) {
    const std::string bytes = "230-Welcome to the\r\n server\r\n\r\n230 Logged in\r\n";
    const TIdRFCReply whole = Reply(bytes);
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        std::vector<size_t> pieces;
        for (int i = 0; i < 8; ++i)
            pieces.push_back(1 + random() % 9);
        TIdRFCReply split = Reply(bytes, pieces);
        ASSERT_EQ(split.NumericCode, whole.NumericCode) << round;
        ASSERT_EQ(split.Text, whole.Text) << round;
    }
    EXPECT_EQ(Reply(bytes, {1}).Text, whole.Text); // trickled byte by byte
}

TEST(ReplyReader, ServerClosingMidReplyRaisesClosedGracefully) {
    ScriptedBytes source("230-partial\r\n230 no end", {});
    EXPECT_THROW(ReceiveReplyLines(source, 16384, maException), EIdConnClosedGracefully);
    ScriptedBytes empty("", {});
    EXPECT_THROW(ReceiveReplyLines(empty, 16384, maException), EIdConnClosedGracefully);
}

// A server controls how long a reply is; memory must not follow it. The reply is still read
// to its end, so the next reply answers the next command.
TEST(ReplyReader, LongRepliesKeepTheirFirstLinesAndAreReadToTheirEnd) {
    std::string manyLines = "250-first\r\n";
    for (int i = 0; i < 5000; ++i)
        manyLines += " line " + std::to_string(i) + "\r\n";
    manyLines += "250 last\r\n";
    std::string wideLines = "211-x\r\n";
    for (int i = 0; i < 100; ++i)
        wideLines += std::string(2000, 'w') + "\r\n";
    wideLines += "211 end\r\n";
    ScriptedBytes source(manyLines + wideLines + "200 next\r\n", {4096});

    const std::vector<std::string> many = ReceiveReplyLines(source, 16384, maException);
    EXPECT_EQ(many.size(), MaxReplyLines);
    EXPECT_EQ(many[1], "line 0");
    EXPECT_EQ(many.back(), "250 last");

    const std::vector<std::string> wide = ReceiveReplyLines(source, 16384, maException);
    size_t bytes = 0;
    for (const std::string& line : wide)
        bytes += line.size();
    EXPECT_LE(bytes, MaxReplyBytes + 2 * 16384);
    EXPECT_GT(bytes, MaxReplyBytes / 2);
    EXPECT_EQ(wide.back(), "211 end");

    EXPECT_EQ(ReceiveReplyLines(source, 16384, maException).front(), "200 next");
}

TEST(LineReader, LineEndingsAndMaximumLength) {
    {
        ScriptedBytes source("a\r\nb\nc\r\r\n", {});
        EXPECT_EQ(ReceiveLine(source, 0, maException), "a");
        EXPECT_EQ(ReceiveLine(source, 0, maException), "b");
        EXPECT_EQ(ReceiveLine(source, 0, maException), "c\r"); // only one CR is dropped
    }
    {
        ScriptedBytes source(std::string(16385, 'x') + "\n", {4096});
        EXPECT_THROW(ReceiveLine(source, 16384, maException), EIdReadLnMaxLineLengthExceeded);
    }
    {
        ScriptedBytes source(std::string(16385, 'x') + "\n", {});
        EXPECT_EQ(ReceiveLine(source, 16384, maSplit), std::string(16384, 'x'));
        EXPECT_EQ(source.InputBuffer().Size(), 2u); // the rest stays buffered
    }
    {
        // The CR counts toward the length: 16384 bytes + CR LF is one byte too long.
        ScriptedBytes exact(std::string(16384, 'y') + "\n", {});
        EXPECT_EQ(ReceiveLine(exact, 16384, maException).size(), 16384u);
        ScriptedBytes withCr(std::string(16384, 'y') + "\r\n", {});
        EXPECT_THROW(ReceiveLine(withCr, 16384, maException), EIdReadLnMaxLineLengthExceeded);
    }
}

TEST(ManagedBuffer, PacksOnlyAfterThresholdAndReportsRemovals) {
    int64_t removed = 0;
    TIdManagedBuffer buffer([&](int64_t n) { removed += n; });
    std::string block(40000, 'q');
    block[32768] = 'X';
    buffer.Append(block.data(), block.size());
    const char* start = buffer.Data();
    buffer.Take(100, nullptr);
    EXPECT_EQ(buffer.Data(), start + 100); // no move on a small take
    buffer.Take(32668, nullptr);
    EXPECT_EQ(buffer.Data()[0], 'X'); // packed, contents intact
    EXPECT_EQ(buffer.Size(), 40000u - 32768u);
    EXPECT_EQ(removed, 32768);
    EXPECT_THROW(buffer.Take(100000, nullptr), EIdNotEnoughDataInBuffer);
    buffer.Clear(false);
    EXPECT_EQ(removed, 32768);
}

// A receive fills the tail in place and keeps what it wrote; a large read taken in 2 KiB
// chunks is not moved again and again while most of it is still held: the bytes moved stay
// fewer than the bytes read.
TEST(ManagedBuffer, LargeReadTakenInChunksKeepsItsBytesAndMovesRarely) {
    TIdManagedBuffer buffer;
    std::string bytes(256 << 10, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    char* tail = buffer.PrepareAppend(bytes.size() + 4096);
    std::memcpy(tail, bytes.data(), bytes.size());
    buffer.CommitAppend(bytes.size());
    ASSERT_EQ(buffer.Size(), bytes.size());
    std::string taken;
    size_t moved = 0;
    const char* expected = buffer.Data();
    for (char chunk[2048]; !buffer.Empty(); expected += sizeof chunk) {
        if (buffer.Data() != expected) {
            moved += buffer.Size();
            expected = buffer.Data();
        }
        buffer.Take(sizeof chunk, chunk);
        taken.append(chunk, sizeof chunk);
    }
    EXPECT_EQ(taken, bytes);
    EXPECT_LT(moved, bytes.size());
}

} // namespace
} // namespace tavo::engine
