#pragma once
// Helpers shared by the transfer tests: an event recorder, a streamed SHA-256 (large files
// are compared by hash without being held in memory), a hashing sink stream, a scratch folder,
// a hook that runs work inside the engine's waits as a user's click would, and the scripted
// exchanges every data transfer starts with.

#include "engine/core/id_antifreeze.h"
#include "engine/core/id_stream.h"
#include "engine/ftp/id_ftp.h"
#include "tests/support/scripted_server.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavo::engine::transfers {

using Lines = std::vector<std::string>;

// Statuses and progress events in the order they came, as short texts:
//   "status 6 Starting FTP transfer", "begin read 0", "work read 2048", "end read".
// Progress events note whether the session itself sent them (they must come from the data
// connection).
class EventLog {
public:
    void Attach(TIdFTP& ftp);
    void Clear();
    Lines entries;
    // Progress events whose sender was the session instead of a data connection.
    int fromSession = 0;
    int64_t lastWorkCount = 0;

    Lines Statuses() const;
    Lines Progress() const;
};

class Sha256 {
public:
    Sha256();
    void Update(const char* data, std::size_t size);
    std::string HexDigest(); // ends the hash

private:
    void Block(const unsigned char* block);
    uint32_t state[8];
    unsigned char pending[64];
    std::size_t pendingSize = 0;
    uint64_t totalBytes = 0;
};

std::string HashBytes(const std::string& bytes);
// Reads the file in pieces; raises std::runtime_error when it cannot be opened.
std::string HashFile(const std::string& path);
int64_t FileBytes(const std::string& path);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
// Copies the first `count` bytes of one file into a new one.
void CopyFilePrefix(const std::string& from, const std::string& to, int64_t count);

// A sink that hashes what a download writes and keeps nothing else.
class HashingStream : public TIdStream {
public:
    int64_t Position() const override { return size; }
    void Seek(int64_t position) override;
    int64_t Size() const override { return size; }
    size_t Read(char*, size_t) override { return 0; }
    void Write(const char* data, size_t count) override;
    void Truncate() override {}
    std::string HexDigest() { return hash.HexDigest(); }

private:
    Sha256 hash;
    int64_t size = 0;
};

// A folder of its own under the system's temporary folder, removed with its content.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string Path(const std::string& name) const;

private:
    std::string root;
};

// Runs `onPump` inside every engine wait on this thread, as the host's message loop would
// run a click. With onlyWhenIdle false the pump also runs while data keeps arriving.
class PumpHook {
public:
    explicit PumpHook(std::function<void()> onPump, bool onlyWhenIdle = false);
    ~PumpHook();
    PumpHook(const PumpHook&) = delete;
    PumpHook& operator=(const PumpHook&) = delete;

private:
    TIdAntiFreeze antiFreeze;
};

// A random hexadecimal token for names that must not collide between concurrent runs.
std::string UniqueToken();

// Deterministic pseudo-random bytes.
std::string PatternBytes(std::size_t count, uint32_t seed = 1);

// ---- Scripted exchanges.

// Greeting and log-in without a password; four commands: USER, TYPE I, SYST, FEAT (a list
// without UTF8).
testing::ScriptedServer& ScriptLogin(testing::ScriptedServer& server);
inline constexpr std::size_t LoginCommandCount = 4;

// Opens the data connection of the mode: "PASV" answered and the client's connection taken,
// or "PORT ..." answered with 200 (the connection is made later with ConnectData).
testing::ScriptedServer& ScriptDataOpen(testing::ScriptedServer& server, bool passive,
                                        testing::PasvReply reply = {});

// A whole download: data opened, `command` answered with 150, `data` sent, the data
// connection closed, then `finalReply`.
testing::ScriptedServer&
ScriptDownload(testing::ScriptedServer& server, bool passive, const std::string& command,
               const std::string& data,
               const std::string& finalReply = "226 Transfer complete.\r\n");

// A whole upload: data opened, `command` answered with 150, the data read to its end, then
// `finalReply`.
testing::ScriptedServer& ScriptUpload(testing::ScriptedServer& server, bool passive,
                                      const std::string& command,
                                      const std::string& finalReply = "226 Transfer complete.\r\n");

// A session against a scripted server, bounded in time, with its events recorded.
class ScriptedTransferTest : public ::testing::Test {
protected:
    // The scripted server listens on listenIp ("::1" for a session over IPv6).
    explicit ScriptedTransferTest(const std::string& listenIp = "127.0.0.1");
    void TearDown() override;
    // Starts the script and logs in; the event log starts empty afterwards.
    void Open(bool passive);
    // Commands after the log-in, in order, once the script has run (or 5 s passed).
    Lines Commands();

    testing::ScriptedServer server;
    TIdFTP ftp;
    EventLog log;
    // Off for tests whose script is meant to be cut short by the client.
    bool checkScript = true;
};

// Parameter names for passive / active suites.
std::string ModeName(const ::testing::TestParamInfo<bool>& info);

} // namespace tavo::engine::transfers
