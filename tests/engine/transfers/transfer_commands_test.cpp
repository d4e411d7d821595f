// The exact commands around listings, downloads and uploads, resuming with REST, and what
// DownloadToFile does with an existing local file.

#include "tests/engine/transfers/transfer_support.h"
#include "tests/support/page_side.h"

#include "engine/core/errors.h"

#include <gmock/gmock.h>

#include <tuple>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using tavo::testing::ScriptedServer;

namespace {

class TransferCommands : public ScriptedTransferTest, public ::testing::WithParamInterface<bool> {
protected:
    bool passive() const { return GetParam(); }
};

// RETR with an optional REST before it (passive: the data connection is open by then).
ScriptedServer& ScriptRetr(ScriptedServer& server, bool passive, const std::string& command,
                           const std::string& data, int64_t restOffset = -1) {
    ScriptDataOpen(server, passive);
    if (restOffset >= 0)
        server.Expect("REST " + std::to_string(restOffset))
            .Send("350 Restart position accepted (" + std::to_string(restOffset) + ").\r\n");
    server.Expect(command).Send("150 Opening BINARY mode data connection.\r\n");
    if (!passive)
        server.ConnectData();
    return server.SendData(data).CloseData().Send("226 Transfer complete.\r\n");
}

ScriptedServer& ScriptProbe(ScriptedServer& server, bool resumable) {
    const char* answer =
        resumable ? "350 Restart position accepted.\r\n" : "502 REST not implemented.\r\n";
    return server.Expect("REST 1").Send(answer).Expect("REST 0").Send(answer);
}

TEST_P(TransferCommands, ListingCommandLines) {
    struct Row {
        const char* mask;
        bool details;
        const char* command;
    };
    const Row rows[] = {
        {"", true, "LIST"}, // no trailing space with an empty mask
        {"", false, "NLST"},   {"*.txt", true, "LIST *.txt"}, {"sub dir", false, "NLST sub dir"},
        {"   ", true, "LIST"}, {"-la ", true, "LIST -la"},
    };
    ScriptLogin(server);
    for (const Row& row : rows)
        ScriptRetr(server, passive(), row.command, std::string(row.command) + "\r\n");
    Open(passive());
    Lines expected;
    for (const Row& row : rows) {
        Lines lines;
        ftp.FetchListing(&lines, row.mask, row.details);
        EXPECT_EQ(lines, Lines{row.command});
        expected.push_back(passive() ? "PASV" : "PORT");
        expected.push_back(row.command);
    }
    Lines commands = Commands();
    for (auto& command : commands)
        if (command.rfind("PORT ", 0) == 0)
            command = "PORT";
    EXPECT_EQ(commands, expected);
}

TEST_P(TransferCommands, UploadCommandLines) {
    struct Row {
        const char* remoteName;
        bool append;
        const char* command;
    };
    const Row rows[] = {
        {"up.bin", false, "STOR up.bin"},
        {"log.txt", true, "APPE log.txt"},
        {"", false, "STOU "}, // the server picks the name; the space stays
        {"", true, "STOU "},
        {"name with spaces.txt", false, "STOR name with spaces.txt"},
    };
    ScriptLogin(server);
    for (const Row& row : rows)
        ScriptUpload(server, passive(), row.command);
    Open(passive());
    std::string sent;
    for (const Row& row : rows) {
        TIdMemoryStream stream(std::string("data for ") + row.command);
        ftp.UploadFromStream(stream, row.remoteName, row.append);
        sent += stream.Bytes();
    }
    EXPECT_EQ(server.ReceivedData(), sent);
    Lines transfers;
    for (const auto& command : Commands())
        if (command != "PASV" && command.rfind("PORT ", 0) != 0)
            transfers.push_back(command);
    EXPECT_EQ(transfers, (Lines{"STOR up.bin", "APPE log.txt", "STOU ", "STOU ",
                                "STOR name with spaces.txt"}));
}

// The passive upload sends from the stream's position; the active one from its start.
TEST_P(TransferCommands, UploadStartsWhereTheModeSays) {
    ScriptLogin(server);
    ScriptUpload(server, passive(), "STOR part.bin");
    Open(passive());
    TIdMemoryStream stream("0123456789");
    stream.Seek(4);
    ftp.UploadFromStream(stream, "part.bin", false);
    EXPECT_EQ(server.ReceivedData(), passive() ? "456789" : "0123456789");
    EXPECT_EQ(log.Progress().front(), passive() ? "begin write 6" : "begin write 10");
}

TEST_P(TransferCommands, UploadFromFileSendsTheWholeFile) {
    ScratchFolder folder;
    const std::string path = folder.Path("local.bin");
    const std::string bytes = PatternBytes(70000);
    WriteWholeFile(path, bytes);
    EXPECT_EQ(TIdFTP::LocalFileSize(path), 70000);
    ScriptLogin(server);
    ScriptUpload(server, passive(), "STOR remote.bin");
    Open(passive());
    ftp.UploadFromFile(path, "remote.bin", false);
    EXPECT_EQ(HashBytes(server.ReceivedData()), HashBytes(bytes));
}

TEST_P(TransferCommands, ResumeSendsTheStreamPositionAndAppends) {
    ScriptLogin(server);
    ScriptProbe(server, true);
    ScriptRetr(server, passive(), "RETR big.bin", "-tail", 5);
    Open(passive());
    TIdMemoryStream stream("head!");
    stream.Seek(5);
    ftp.DownloadToStream("big.bin", stream, true);
    EXPECT_EQ(stream.Bytes(), "head!-tail");
    EXPECT_TRUE(ftp.ResumeSupported);
}

TEST_P(TransferCommands, RefusedRestStopsBeforeTheTransferCommand) {
    ScriptLogin(server);
    ScriptProbe(server, true);
    ScriptDataOpen(server, passive())
        .Expect("REST 5")
        .Send("554 Restart position not accepted.\r\n")
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(passive());
    TIdMemoryStream stream("head!");
    stream.Seek(5);
    try {
        ftp.DownloadToStream("big.bin", stream, true);
        FAIL();
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 554);
    }
    EXPECT_EQ(stream.Bytes(), "head!");
    ftp.ChangeDirectory("/");
    EXPECT_EQ(Commands().back(), "CWD /");
}

// Names go out verbatim, but a CR, LF or NUL would smuggle a second command to the server.
TEST_P(TransferCommands, LineBreaksInNamesAreRefusedBeforeSending) {
    ScriptLogin(server).Expect("CWD /").Send("250 ok\r\n");
    Open(passive());
    TIdMemoryStream stream("x");
    EXPECT_THROW(ftp.DownloadToStream("a\r\nDELE b", stream, false), EIdException);
    EXPECT_THROW(ftp.UploadFromStream(stream, std::string("a\0b", 3), false), EIdException);
    EXPECT_THROW(ftp.FetchListing(nullptr, "x\nDELE y", true), EIdException);
    ScratchFolder folder;
    EXPECT_THROW(ftp.DownloadToFile("a\rb", folder.Path("f"), false, false), EIdException);
    ftp.ChangeDirectory("/");
    EXPECT_EQ(Commands(), Lines{"CWD /"});
}

// A local file that cannot be opened stops the transfer before the server hears of it.
TEST_P(TransferCommands, UnopenableLocalFileSendsNothing) {
    ScriptLogin(server).Expect("CWD /").Send("250 ok\r\n");
    Open(passive());
    ScratchFolder folder;
    EXPECT_THROW(ftp.UploadFromFile(folder.Path("absent.bin"), "up.bin", false), EIdException);
    EXPECT_THROW(ftp.DownloadToFile("a.bin", folder.Path("no folder/a.bin"), false, false),
                 EIdException);
    EXPECT_EQ(log.entries, Lines{});
    ftp.ChangeDirectory("/");
    EXPECT_EQ(Commands(), Lines{"CWD /"});
}

INSTANTIATE_TEST_SUITE_P(Modes, TransferCommands, ::testing::Bool(), ModeName);

// ---- DownloadToFile and an existing local file.

enum class Outcome { Created, Truncated, Appended, AlreadyExists };

struct FileCase {
    const char* name;
    bool exists;
    bool canOverwrite;
    bool resume;
    bool resumable; // the server answers "REST 1" with 350
    bool probes;    // "REST 1" and "REST 0" are sent
    Outcome outcome;
};

class DownloadToFileCases : public ScriptedTransferTest,
                            public ::testing::WithParamInterface<std::tuple<FileCase, bool>> {};

TEST_P(DownloadToFileCases, HandlesTheLocalFile) {
    const FileCase& c = std::get<0>(GetParam());
    const bool passive = std::get<1>(GetParam());
    const std::string old = "OLD-CONTENT";
    ScratchFolder folder;
    const std::string path = folder.Path("target.bin");
    if (c.exists)
        WriteWholeFile(path, old);

    ScriptLogin(server);
    if (c.probes)
        ScriptProbe(server, c.resumable);
    if (c.outcome != Outcome::AlreadyExists) {
        const bool rest = c.resume && c.resumable;
        ScriptRetr(server, passive, "RETR remote.bin", "NEW",
                   rest ? (c.exists ? int64_t(old.size()) : 0) : -1);
    }
    Open(passive);

    if (c.outcome == Outcome::AlreadyExists) {
        try {
            ftp.DownloadToFile("remote.bin", path, c.canOverwrite, c.resume);
            FAIL() << "the existing file was not protected";
        } catch (const EIdFTPFileAlreadyExists& error) {
            EXPECT_STREQ(error.what(), "Destination file already exists.");
        }
        EXPECT_EQ(ReadWholeFile(path), old);
        EXPECT_EQ(log.entries, Lines{}) << "no transfer may start";
    } else {
        ftp.DownloadToFile("remote.bin", path, c.canOverwrite, c.resume);
        EXPECT_EQ(ReadWholeFile(path), c.outcome == Outcome::Appended ? old + "NEW" : "NEW");
    }
    Lines probe;
    for (const auto& command : Commands())
        if (command == "REST 1" || command == "REST 0")
            probe.push_back(command);
    if (c.probes)
        EXPECT_EQ(Lines(probe.begin(), probe.begin() + std::min<size_t>(2, probe.size())),
                  (Lines{"REST 1", "REST 0"}));
    else
        EXPECT_EQ(probe, Lines{});
}

const FileCase fileCases[] = {
    {"NewFile", false, false, false, true, false, Outcome::Created},
    {"NewFileWithResume", false, false, true, true, true, Outcome::Created},
    {"OverwriteTruncates", true, true, false, true, false, Outcome::Truncated},
    {"ResumeAppends", true, false, true, true, true, Outcome::Appended},
    {"NeitherFlagRefuses", true, false, false, true, false, Outcome::AlreadyExists},
    {"BothFlagsWithResumableServerRefuse", true, true, true, true, true, Outcome::AlreadyExists},
    {"BothFlagsWithoutResumeOverwrite", true, true, true, false, true, Outcome::Truncated},
    {"ResumeRefusedByServerRefuses", true, false, true, false, true, Outcome::AlreadyExists},
};

INSTANTIATE_TEST_SUITE_P(Table, DownloadToFileCases,
                         ::testing::Combine(::testing::ValuesIn(fileCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<FileCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Passive" : "Active");
                         });

TEST(LocalFileSize, MissingFileRaises) {
    ScratchFolder folder;
    EXPECT_THROW(TIdFTP::LocalFileSize(folder.Path("absent.bin")), EIdException);
}

} // namespace

TEST_F(ScriptedTransferTest, FailedPassiveUploadConsumesTheServersAnswer) {
    // The data port named in the reply has no listener, so the data connection fails after
    // STOR went out. The server's 425 must not be taken for the reply of the next command.
    const int closedPort = tavo::testing::UnusedLoopbackPort();
    ScriptLogin(server)
        .Expect("PASV")
        .Send("227 Entering Passive Mode (127,0,0,1," + std::to_string(closedPort / 256) + "," +
              std::to_string(closedPort % 256) + ").\r\n")
        .Expect("STOR up.bin")
        .Send("425 Failed to establish connection.\r\n")
        .Expect("DELE gone.txt")
        .Send("550 Delete operation failed.\r\n");
    Open(true);
    TIdMemoryStream data("payload");
    EXPECT_THROW(ftp.UploadFromStream(data, "up.bin", false), EIdException);
    try {
        ftp.DeleteRemoteFile("gone.txt");
        FAIL() << "the refused DELE must not pass for a success";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 550);
    }
    ftp.DropSocket();
}
