#include "tests/engine/transfers/transfer_support.h"

#include "engine/platform/message_pump.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace tavo::engine::transfers {
namespace {

const char* ModeText(TWorkMode mode) {
    return mode == wmRead ? "read" : "write";
}

constexpr uint32_t RoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t Rotate(uint32_t value, int bits) {
    return (value >> bits) | (value << (32 - bits));
}

} // namespace

// ---- EventLog

void EventLog::Attach(TIdFTP& ftp) {
    ftp.OnStatus = [this](TIdComponent&, TIdStatus status, const std::string& text) {
        entries.push_back("status " + std::to_string(static_cast<int>(status)) + " " + text);
    };
    TIdComponent* session = &ftp;
    ftp.OnWorkBegin = [this, session](TIdComponent& sender, TWorkMode mode, int64_t max) {
        fromSession += &sender == session;
        entries.push_back(std::string("begin ") + ModeText(mode) + " " + std::to_string(max));
    };
    ftp.OnWork = [this, session](TIdComponent& sender, TWorkMode mode, int64_t count) {
        fromSession += &sender == session;
        lastWorkCount = count;
        entries.push_back(std::string("work ") + ModeText(mode) + " " + std::to_string(count));
    };
    ftp.OnWorkEnd = [this, session](TIdComponent& sender, TWorkMode mode) {
        fromSession += &sender == session;
        entries.push_back(std::string("end ") + ModeText(mode));
    };
}

void EventLog::Clear() {
    entries.clear();
    fromSession = 0;
    lastWorkCount = 0;
}

Lines EventLog::Statuses() const {
    Lines statuses;
    for (const auto& entry : entries)
        if (entry.rfind("status ", 0) == 0)
            statuses.push_back(entry.substr(entry.find(' ', 7) + 1));
    return statuses;
}

Lines EventLog::Progress() const {
    Lines progress;
    for (const auto& entry : entries)
        if (entry.rfind("status ", 0) != 0)
            progress.push_back(entry);
    return progress;
}

// ---- SHA-256 (FIPS 180-4)

Sha256::Sha256()
    : state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Block(const unsigned char* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(block[i * 4]) << 24 | uint32_t(block[i * 4 + 1]) << 16 |
               uint32_t(block[i * 4 + 2]) << 8 | uint32_t(block[i * 4 + 3]);
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) +
                      RoundConstants[i] + w[i];
        uint32_t t2 =
            (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

void Sha256::Update(const char* data, std::size_t size) {
    auto bytes = reinterpret_cast<const unsigned char*>(data);
    totalBytes += size;
    if (pendingSize > 0) {
        std::size_t take = std::min(size, sizeof pending - pendingSize);
        std::copy(bytes, bytes + take, pending + pendingSize);
        pendingSize += take;
        bytes += take;
        size -= take;
        if (pendingSize < sizeof pending)
            return;
        Block(pending);
        pendingSize = 0;
    }
    for (; size >= 64; bytes += 64, size -= 64)
        Block(bytes);
    std::copy(bytes, bytes + size, pending);
    pendingSize = size;
}

std::string Sha256::HexDigest() {
    const uint64_t bits = totalBytes * 8;
    const unsigned char one = 0x80;
    Update(reinterpret_cast<const char*>(&one), 1);
    const unsigned char zero = 0;
    while (pendingSize != 56)
        Update(reinterpret_cast<const char*>(&zero), 1);
    unsigned char length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    Update(reinterpret_cast<const char*>(length), 8);
    std::string hex;
    char digits[9];
    for (uint32_t word : state) {
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(word));
        hex += digits;
    }
    return hex;
}

std::string HashBytes(const std::string& bytes) {
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.HexDigest();
}

std::string HashFile(const std::string& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    Sha256 hash;
    std::vector<char> piece(1 << 20);
    while (file) {
        file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        hash.Update(piece.data(), static_cast<std::size_t>(file.gcount()));
    }
    return hash.HexDigest();
}

int64_t FileBytes(const std::string& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(std::filesystem::path(path), error);
    return error ? -1 : static_cast<int64_t>(size);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

void CopyFilePrefix(const std::string& from, const std::string& to, int64_t count) {
    std::ifstream in(std::filesystem::path(from), std::ios::binary);
    std::ofstream out(std::filesystem::path(to), std::ios::binary | std::ios::trunc);
    std::vector<char> piece(1 << 20);
    while (count > 0 && in) {
        in.read(piece.data(), static_cast<std::streamsize>(
                                  std::min<int64_t>(count, static_cast<int64_t>(piece.size()))));
        out.write(piece.data(), in.gcount());
        count -= in.gcount();
    }
    if (!in || !out)
        throw std::runtime_error("cannot copy the start of " + from + " to " + to);
}

// ---- HashingStream

void HashingStream::Seek(int64_t position) {
    if (position != size)
        throw std::logic_error("a hashing stream only appends");
}

void HashingStream::Write(const char* data, size_t count) {
    hash.Update(data, count);
    size += static_cast<int64_t>(count);
}

// ---- ScratchFolder

ScratchFolder::ScratchFolder() {
    auto path = std::filesystem::temp_directory_path() / ("tavo-transfers-" + UniqueToken());
    std::filesystem::create_directories(path);
    root = path.string();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root), ignored);
}

std::string ScratchFolder::Path(const std::string& name) const {
    return (std::filesystem::path(root) / name).string();
}

// ---- PumpHook

PumpHook::PumpHook(std::function<void()> onPump, bool onlyWhenIdle) {
    antiFreeze.OnlyWhenIdle = onlyWhenIdle;
    platform::SetPumpCallback([onPump = std::move(onPump)](bool) { onPump(); });
}

PumpHook::~PumpHook() {
    platform::SetPumpCallback({});
}

// ---- Names and bytes

std::string UniqueToken() {
    static std::mt19937_64 generator(
        std::random_device{}() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

std::string PatternBytes(std::size_t count, uint32_t seed) {
    std::string bytes(count, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

// ---- Scripted exchanges

testing::ScriptedServer& ScriptLogin(testing::ScriptedServer& server) {
    return server.Send("220 (vsFTPd 3.0.3)\r\n")
        .Expect("USER anonymous")
        .Send("230 Login successful.\r\n")
        .Expect("TYPE I")
        .Send("200 Switching to Binary mode.\r\n")
        .Expect("SYST")
        .Send("215 UNIX Type: L8\r\n")
        .Expect("FEAT")
        .Send("211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n "
              "SIZE\r\n TVFS\r\n211 End\r\n");
}

testing::ScriptedServer& ScriptDataOpen(testing::ScriptedServer& server, bool passive,
                                        testing::PasvReply reply) {
    if (passive)
        return server.Expect("PASV").ReplyPasv(std::move(reply)).AcceptData();
    return server.ExpectPrefix("PORT 127,0,0,1,").Send("200 PORT command successful.\r\n");
}

testing::ScriptedServer& ScriptDownload(testing::ScriptedServer& server, bool passive,
                                        const std::string& command, const std::string& data,
                                        const std::string& finalReply) {
    ScriptDataOpen(server, passive).Expect(command).Send("150 Here comes the data.\r\n");
    if (!passive)
        server.ConnectData();
    return server.SendData(data).CloseData().Send(finalReply);
}

testing::ScriptedServer& ScriptUpload(testing::ScriptedServer& server, bool passive,
                                      const std::string& command, const std::string& finalReply) {
    if (passive)
        server.Expect("PASV").ReplyPasv().Expect(command).AcceptData();
    else
        ScriptDataOpen(server, false).Expect(command);
    server.Send("150 Ok to send data.\r\n");
    if (!passive)
        server.ConnectData();
    return server.ReceiveDataToEnd().Send(finalReply);
}

// ---- ScriptedTransferTest

ScriptedTransferTest::ScriptedTransferTest(const std::string& listenIp) : server(listenIp) {
    server.StepTimeout(5000).IdleLimit(5000);
    ftp.Host = server.Host();
    ftp.Port = server.Port();
    ftp.Username = "anonymous";
    ftp.ReadTimeout = 5000;
    ftp.DataAcceptTimeout = 5000;
    ftp.PendingReplyTimeout = 500;
    log.Attach(ftp);
}

void ScriptedTransferTest::TearDown() {
    if (!checkScript)
        return;
    EXPECT_TRUE(server.WaitUntilFinished(5000)) << "the script did not run to its end";
    EXPECT_EQ(server.Failures(), Lines{});
}

void ScriptedTransferTest::Open(bool passive) {
    server.Start();
    ftp.Passive = passive;
    ftp.OpenSession(true, 5000);
    log.Clear();
}

Lines ScriptedTransferTest::Commands() {
    // The client may be done before the server has read its last lines.
    server.WaitUntilFinished(5000);
    Lines all = server.ReceivedCommands();
    if (all.size() <= LoginCommandCount)
        return {};
    return Lines(all.begin() + LoginCommandCount, all.end());
}

std::string ModeName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Passive" : "Active";
}

} // namespace tavo::engine::transfers
