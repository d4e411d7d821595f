// The exact commands around listings, downloads and uploads, resuming with REST, and what
// DownloadToFile does with an existing local file.

#include "tests/engine/transfers/transfer_support.h"
#include "tests/support/page_side.h"

#include "engine/core/errors.h"
#include "engine/platform/files.h"

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

// ---- The download against the server's size, and the local file after a failure.

enum class Ends { Whole, Overrun, EarlyEnd, Refused };

struct SizeCase {
    const char* name;
    const char* localBefore; // null: no local file
    int64_t remoteSize;
    const char* sent;   // what the data connection carries
    const char* finals; // the replies after the data
    Ends ends;
    const char* message;
};

const SizeCase sizeCases[] = {
    // 350 to REST, then the file from its start: stopped one byte past the missing part.
    {"ServerIgnoresRest", "01234", 10, "0123456789", "226 Transfer complete.\r\n", Ends::Overrun,
     "The server sent more than the file's 10 bytes; it may have ignored the restart position."},
    {"ShortNewFile", nullptr, 10, "012345", "226 Transfer complete.\r\n", Ends::EarlyEnd,
     "the transfer ended early: 6 of 10 bytes"},
    {"ShortResume", "01234", 10, "567", "226 Transfer complete.\r\n", Ends::EarlyEnd,
     "the transfer ended early: 8 of 10 bytes"},
    {"ShortWithServerAbort", nullptr, 10, "0123", "426 Connection closed.\r\n226 Closed.\r\n",
     Ends::EarlyEnd, "the transfer ended early: 4 of 10 bytes"},
    {"RefusedNewFile", nullptr, 10, "", "", Ends::Refused, "Failed to open file.\r\n"},
    {"WholeResume", "01234", 10, "56789", "226 Transfer complete.\r\n", Ends::Whole, ""},
};

class DownloadSizeCases : public ScriptedTransferTest,
                          public ::testing::WithParamInterface<std::tuple<SizeCase, bool>> {};

TEST_P(DownloadSizeCases, NeverLeaveAWrongFileBehind) {
    const SizeCase& c = std::get<0>(GetParam());
    const bool passive = std::get<1>(GetParam());
    ScratchFolder folder;
    const std::string path = folder.Path("target.bin");
    const bool resume = c.localBefore != nullptr;
    if (resume)
        WriteWholeFile(path, c.localBefore);

    ScriptLogin(server);
    if (resume)
        ScriptProbe(server, true);
    ScriptDataOpen(server, passive);
    if (resume)
        server.Expect("REST 5").Send("350 Restart position accepted (5).\r\n");
    server.Expect("RETR remote.bin");
    if (c.ends == Ends::Refused) {
        server.Send("550 Failed to open file.\r\n");
        if (passive)
            server.ExpectDataClosed();
    } else {
        server.Send("150 Opening BINARY mode data connection.\r\n");
        if (!passive)
            server.ConnectData();
        server.SendDataUntilClosed(c.sent).CloseData().Send(c.finals);
    }
    server.Expect("CWD /").Send("250 ok\r\n");
    Open(passive);

    try {
        ftp.DownloadToFile("remote.bin", path, false, resume, c.remoteSize);
        EXPECT_EQ(c.ends, Ends::Whole);
        EXPECT_EQ(ReadWholeFile(path), "0123456789");
    } catch (const EIdException& error) {
        EXPECT_STREQ(error.what(), c.message);
        EXPECT_EQ(c.ends == Ends::Overrun,
                  dynamic_cast<const EIdTransferOverrun*>(&error) != nullptr);
        EXPECT_EQ(c.ends == Ends::EarlyEnd,
                  dynamic_cast<const EIdTransferEndedEarly*>(&error) != nullptr);
        if (resume)
            EXPECT_EQ(ReadWholeFile(path), c.localBefore) << "a failed resume keeps the local part";
        else
            EXPECT_FALSE(tavo::platform::FileExists(path)) << "a failed download leaves no file";
    }
    ftp.ChangeDirectory("/"); // every reply of the transfer was read with it
}

INSTANTIATE_TEST_SUITE_P(Table, DownloadSizeCases,
                         ::testing::Combine(::testing::ValuesIn(sizeCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<SizeCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Passive" : "Active");
                         });

// A server that ignores REST on a large file: the download stops right after the missing
// part's length instead of reading the whole file again.
TEST_F(ScriptedTransferTest, IgnoredRestStopsAtOnce) {
    const std::string file = PatternBytes(4 << 20);
    const std::size_t part = 3 << 20;
    ScratchFolder folder;
    const std::string path = folder.Path("big.bin");
    WriteWholeFile(path, file.substr(0, part));
    ScriptLogin(server);
    ScriptProbe(server, true);
    ScriptDataOpen(server, true).Expect("REST " + std::to_string(part)).Send("350 Restarting.\r\n");
    server.Expect("RETR big.bin").Send("150 Opening.\r\n").SendDataUntilClosed(file);
    server.Send("426 Failure writing network stream.\r\n");
    Open(true);
    ftp.RecvBufferSize = 2048;
    EXPECT_THROW(ftp.DownloadToFile("big.bin", path, false, true, int64_t(file.size())),
                 EIdTransferOverrun);
    EXPECT_LE(log.lastWorkCount, int64_t(file.size() - part) + 2048);
    EXPECT_EQ(HashFile(path), HashBytes(file.substr(0, part)));
    EXPECT_TRUE(ftp.IsConnected());
}

// A local part longer than the server's file cannot be completed by any resume.
TEST_F(ScriptedTransferTest, LocalPartLongerThanTheFileIsRefused) {
    ScratchFolder folder;
    const std::string path = folder.Path("long.bin");
    WriteWholeFile(path, "0123456789ab");
    ScriptLogin(server);
    ScriptProbe(server, true);
    Open(true);
    EXPECT_THROW(ftp.DownloadToFile("long.bin", path, false, true, 10), EIdResumeBeyondEnd);
    EXPECT_EQ(ReadWholeFile(path), "0123456789ab");
}

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
