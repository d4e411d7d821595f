// Sizes of 2 GiB and more move whole, with 64-bit progress counts, and a local file that cannot
// be written makes the download fail instead of passing as done. The data peer generates and
// checks its bytes on the fly, so nothing of that size is ever held in memory.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"
#include "engine/platform/sockets.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
namespace net = tavo::platform;

namespace {

constexpr int64_t HugeBytes = (int64_t(1) << 31) + 1000;

// Bytes repeat with a prime period, so a lost or doubled piece of any power-of-two size shows.
class Pattern {
public:
    static constexpr std::size_t Period = 65521;
    Pattern() : bytes(PatternBytes(Period, 7)) { bytes += bytes; }
    // The bytes from offset `at`, at most Period of them.
    const char* From(int64_t at) const { return bytes.data() + at % int64_t(Period); }

private:
    std::string bytes;
};

const Pattern& ThePattern() {
    static const Pattern pattern;
    return pattern;
}

// Checks what a download writes against the pattern, keeping only counts.
class CheckingStream : public TIdStream {
public:
    int64_t Position() const override { return size; }
    void Seek(int64_t) override {}
    int64_t Size() const override { return size; }
    size_t Read(char*, size_t) override { return 0; }
    void Write(const char* data, size_t count) override {
        while (count > 0) {
            std::size_t n = std::min<std::size_t>(count, Pattern::Period);
            if (mismatchAt < 0 && std::memcmp(data, ThePattern().From(size), n) != 0)
                mismatchAt = size;
            size += static_cast<int64_t>(n);
            data += n;
            count -= n;
        }
    }
    void Truncate() override {}
    int64_t size = 0;
    int64_t mismatchAt = -1;
};

// The upload's source: the pattern, generated as it is read.
class PatternStream : public TIdStream {
public:
    explicit PatternStream(int64_t size) : size(size) {}
    int64_t Position() const override { return position; }
    void Seek(int64_t to) override { position = to; }
    int64_t Size() const override { return size; }
    size_t Read(char* target, size_t count) override {
        std::size_t done = 0;
        while (done < count && position < size) {
            std::size_t n = static_cast<std::size_t>(std::min<int64_t>(
                {int64_t(count - done), int64_t(Pattern::Period), size - position}));
            std::memcpy(target + done, ThePattern().From(position), n);
            position += static_cast<int64_t>(n);
            done += n;
        }
        return done;
    }
    void Write(const char*, size_t) override {}
    void Truncate() override {}

private:
    int64_t size;
    int64_t position = 0;
};

// The server's end of a passive data connection, on a thread: accepts one connection, then
// sends `toSend` pattern bytes, or receives to the end checking them. Bounded: gives up when
// nothing moves for 20 s.
class DataPeer {
public:
    explicit DataPeer(int64_t toSend) : toSend(toSend) {
        net::StartSocketLibrary();
        int error = 0;
        listener = net::CreateTcpSocket(error);
        net::BindSocket(listener, "127.0.0.1", 0);
        net::ListenSocket(listener, 1);
        std::string ip;
        net::LocalAddress(listener, ip, port);
        worker = std::thread([this] { Run(); });
    }
    ~DataPeer() {
        stop = true;
        Wait();
        net::CloseSocket(listener);
        net::StopSocketLibrary();
    }
    // The 227 reply naming this peer.
    std::string PasvReply() const {
        return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
               std::to_string(port % 256) + ").\r\n";
    }
    void Wait() {
        if (worker.joinable())
            worker.join();
    }

    int64_t received = 0;
    int64_t sent = 0;
    int64_t mismatchAt = -1;
    bool timedOut = false;

private:
    bool Ready(net::SocketHandle socket) {
        int error = 0;
        for (int waited = 0; waited < 20000 && !stop; waited += 50)
            if (net::WaitReadable(socket, 50, error) != 0)
                return true;
        timedOut = !stop;
        return false;
    }
    void Run() {
        if (!Ready(listener))
            return;
        int error = 0;
        net::SocketHandle data = net::AcceptSocket(listener, error);
        if (data == net::InvalidSocket)
            return;
        if (toSend > 0) {
            while (sent < toSend && !stop) {
                int n = static_cast<int>(std::min<int64_t>(toSend - sent, Pattern::Period));
                n = net::SendSocket(data, ThePattern().From(sent), n, error);
                if (n <= 0)
                    break;
                sent += n;
            }
        } else {
            std::vector<char> buffer(1 << 16);
            while (!stop && Ready(data)) {
                int n =
                    net::ReceiveSocket(data, buffer.data(), static_cast<int>(buffer.size()), error);
                if (n <= 0)
                    break;
                for (int at = 0; at < n;) {
                    int piece = std::min<int>(n - at, static_cast<int>(Pattern::Period));
                    if (mismatchAt < 0 &&
                        std::memcmp(buffer.data() + at, ThePattern().From(received), piece) != 0)
                        mismatchAt = received;
                    received += piece;
                    at += piece;
                }
            }
        }
        net::ShutdownSend(data);
        net::CloseSocket(data);
    }

    int64_t toSend;
    net::SocketHandle listener = net::InvalidSocket;
    int port = 0;
    std::atomic<bool> stop{false};
    std::thread worker;
};

TEST_F(ScriptedTransferTest, DownloadBeyond2GiBArrivesWhole) {
    DataPeer peer(HugeBytes);
    ScriptLogin(server)
        .Expect("PASV")
        .Send(peer.PasvReply())
        .Expect("RETR huge.bin")
        .Send("150 Opening BINARY mode data connection (2147484648 bytes).\r\n")
        .Send("226 Transfer complete.\r\n");
    Open(true);
    CheckingStream stream;
    ftp.DownloadToStream("huge.bin", stream, false);
    peer.Wait();
    EXPECT_EQ(stream.size, HugeBytes);
    EXPECT_EQ(stream.mismatchAt, -1);
    EXPECT_EQ(log.lastWorkCount, int64_t(1) << 31) << "progress counts are 64-bit";
}

TEST_F(ScriptedTransferTest, UploadBeyond2GiBLeavesWhole) {
    DataPeer peer(0);
    ScriptLogin(server)
        .Expect("PASV")
        .Send(peer.PasvReply())
        .Expect("STOR huge.bin")
        .Send("150 Ok to send data.\r\n")
        .Send("226 Transfer complete.\r\n");
    Open(true);
    PatternStream stream(HugeBytes);
    ftp.UploadFromStream(stream, "huge.bin", false);
    peer.Wait();
    EXPECT_FALSE(peer.timedOut);
    EXPECT_EQ(peer.received, HugeBytes);
    EXPECT_EQ(peer.mismatchAt, -1);
    EXPECT_EQ(log.Progress().front(), "begin write " + std::to_string(HugeBytes));
    EXPECT_EQ(log.lastWorkCount, HugeBytes);
}

// A full disk shows only when the file's last buffered bytes are written at close.
TEST_F(ScriptedTransferTest, UnwritableLocalFileFailsTheDownload) {
    if (!std::filesystem::exists("/dev/full")) {
        checkScript = false;
        GTEST_SKIP() << "no /dev/full here";
    }
    ScriptLogin(server);
    ScriptDownload(server, true, "RETR small.txt", "a few bytes");
    Open(true);
    try {
        ftp.DownloadToFile("small.txt", "/dev/full", true, false);
        FAIL() << "bytes that never reached the disk passed as a download";
    } catch (const EIdException& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr("Cannot write file"));
    }
}

} // namespace
