// Listings and transfers against real servers (vsftpd and pyftpdlib on loopback), in passive
// and active mode. Files are compared by SHA-256, read in pieces: the 256 MiB file is never
// held in memory. Skipped when the run started no servers.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"
#include "tests/support/real_servers.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using tavo::testing::RealServer;
using tavo::testing::RealServerLookup;
namespace Tree = tavo::testing::TreeNames;

namespace {

enum class Server { Vsftpd, Pyftpdlib };

constexpr int64_t AbortAfter = 4 << 20;

// Hashes of the served files, computed once per run.
const std::string& ServedHash(const std::string& path) {
    static std::map<std::string, std::string> hashes;
    auto found = hashes.find(path);
    if (found == hashes.end())
        found = hashes.emplace(path, HashFile(path)).first;
    return found->second;
}

class RealTransfers : public ::testing::TestWithParam<std::tuple<Server, bool>> {
protected:
    void SetUp() override {
        RealServerLookup lookup = std::get<0>(GetParam()) == Server::Vsftpd
                                      ? tavo::testing::FindVsftpd()
                                      : tavo::testing::FindPyftpd();
        if (!lookup.Server)
            GTEST_SKIP() << lookup.Missing;
        server = *lookup.Server;
        Connect(ftp);
    }

    void Connect(TIdFTP& session) {
        session.Host = server.Host;
        session.Port = server.Port;
        session.Username = server.User;
        session.Password = server.Password;
        session.Passive = std::get<1>(GetParam());
        session.ReadTimeout = 30000;
        session.DataAcceptTimeout = 30000;
        session.OpenSession(true, 10000);
    }

    // A name in the writable folder no other run or test uses.
    std::string UploadName(const std::string& base) const {
        return std::string(Tree::Writable) + "/" + UniqueToken() + "-" + base;
    }

    void ExpectSameFile(const std::string& local, const std::string& served) {
        EXPECT_EQ(FileBytes(local), FileBytes(served));
        EXPECT_EQ(HashFile(local), ServedHash(served)) << local << " differs from " << served;
    }

    void ExpectUploadedCopy(const std::string& source, const std::string& remoteName) {
        const std::string landed = server.LocalPath(remoteName);
        EXPECT_EQ(FileBytes(landed), FileBytes(source));
        EXPECT_EQ(HashFile(landed), ServedHash(source));
        ftp.DeleteRemoteFile(remoteName);
        EXPECT_EQ(FileBytes(landed), -1);
    }

    const TIdFTPListItem* Find(const std::string& name) {
        for (const auto& item : ftp.ListingItems())
            if (item.EntryName() == name)
                return &item;
        return nullptr;
    }

    RealServer server;
    TIdFTP ftp;
    ScratchFolder scratch;
};

TEST_P(RealTransfers, ListsTheRootWithNamesKeptExactly) {
    Lines lines;
    ftp.FetchListing(&lines, "", true);
    EXPECT_EQ(lines, ftp.ListingLines);
    const TIdFTPListItem* spaced = Find(Tree::SpacedName);
    ASSERT_NE(spaced, nullptr) << "no entry named exactly \"" << Tree::SpacedName << "\"";
    EXPECT_EQ(spaced->EntryKind, ekFile);
    EXPECT_EQ(spaced->ByteSize, FileBytes(server.LocalPath(Tree::SpacedName)));
    const TIdFTPListItem* small = Find(Tree::SmallText);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->ByteSize, 27);
    const TIdFTPListItem* big = Find(Tree::BigFile);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->ByteSize, tavo::testing::BigFileBytes());
    for (const char* dir : {Tree::EmptyDir, Tree::ManyDir, Tree::SubDir, Tree::Writable}) {
        const TIdFTPListItem* item = Find(dir);
        ASSERT_NE(item, nullptr) << dir;
        EXPECT_EQ(item->EntryKind, ekDirectory) << dir;
    }
    const TIdFTPListItem* link = Find(Tree::Symlink);
    ASSERT_NE(link, nullptr) << "symbolic link missing from the listing";
    EXPECT_EQ(link->EntryKind, ekSymbolicLink);
    EXPECT_EQ(link->LinkTarget(), Tree::SmallText);

    Lines names;
    ftp.FetchListing(&names, "", false);
    EXPECT_THAT(names, ::testing::Contains(Tree::SpacedName));
    EXPECT_THAT(names, ::testing::Contains(Tree::Symlink));
    EXPECT_THAT(names, ::testing::Contains(Tree::EmptyDir));
}

TEST_P(RealTransfers, EmptyDirectoryListsNoEntries) {
    ftp.FetchListing(nullptr, Tree::EmptyDir, true);
    EXPECT_EQ(ftp.ListingItems().Count(), 0) << ::testing::PrintToString(ftp.ListingLines);
    ftp.ChangeDirectory(Tree::EmptyDir);
    ftp.FetchListing(nullptr, "", false);
    EXPECT_EQ(ftp.ListingLines, Lines{});
}

TEST_P(RealTransfers, ListsTenThousandEntries) {
    ftp.ChangeDirectory(Tree::ManyDir);
    ftp.FetchListing(nullptr, "", true);
    ASSERT_EQ(ftp.ListingItems().Count(), Tree::ManyCount);
    Lines names;
    for (const auto& item : ftp.ListingItems()) {
        names.emplace_back(item.EntryName());
        EXPECT_EQ(item.ByteSize, 0);
    }
    std::sort(names.begin(), names.end());
    char expected[8];
    for (int i = 0; i < Tree::ManyCount; i += 1111) {
        std::snprintf(expected, sizeof expected, "f%05d", i);
        EXPECT_EQ(names[static_cast<std::size_t>(i)], expected);
    }
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << "duplicates";
    ftp.FetchListing(nullptr, "", false);
    EXPECT_EQ(ftp.ListingLines.size(), static_cast<std::size_t>(Tree::ManyCount));
}

TEST_P(RealTransfers, DownloadsSmallFilesIdentical) {
    for (const char* name :
         {Tree::EmptyFile, Tree::SmallText, Tree::SpacedName, Tree::MediumFile, Tree::Symlink}) {
        SCOPED_TRACE(name);
        const std::string local = scratch.Path(std::string("copy of ") + name);
        ftp.DownloadToFile(name, local, false, false);
        ExpectSameFile(local, server.LocalPath(name));
    }
    HashingStream stream;
    ftp.DownloadToStream(Tree::MediumFile, stream, false);
    EXPECT_EQ(stream.HexDigest(), ServedHash(server.LocalPath(Tree::MediumFile)));
}

TEST_P(RealTransfers, DownloadsTheBigFileIdentical) {
    const std::string local = scratch.Path("big copy.bin");
    ftp.DownloadToFile(Tree::BigFile, local, false, false);
    ExpectSameFile(local, server.LocalPath(Tree::BigFile));
    std::filesystem::remove(std::filesystem::path(local));
}

TEST_P(RealTransfers, UploadsSmallFilesIdentical) {
    for (const char* name : {Tree::EmptyFile, Tree::SmallText, Tree::MediumFile}) {
        SCOPED_TRACE(name);
        const std::string source = server.LocalPath(name);
        const std::string remote = UploadName(name);
        ftp.UploadFromFile(source, remote, false);
        ExpectUploadedCopy(source, remote);
    }
    // Appending the rest of a file to its first part gives the whole file.
    const std::string medium = server.LocalPath(Tree::MediumFile);
    const std::string head = scratch.Path("head.bin");
    CopyFilePrefix(medium, head, 500000);
    const std::string remote = UploadName("appended.bin");
    ftp.UploadFromFile(head, remote, false);
    TIdFileStream rest(medium, TIdFileOpen::Read);
    rest.Seek(500000);
    if (ftp.Passive) {
        ftp.UploadFromStream(rest, remote, true);
        ExpectUploadedCopy(medium, remote);
    } else {
        ftp.DeleteRemoteFile(remote); // active mode always sends the whole stream
    }
}

TEST_P(RealTransfers, UploadsTheBigFileIdentical) {
    const std::string source = server.LocalPath(Tree::BigFile);
    const std::string remote = UploadName("big.bin");
    ftp.UploadFromFile(source, remote, false);
    ExpectUploadedCopy(source, remote);
}

TEST_P(RealTransfers, ResumedDownloadEndsIdentical) {
    const std::string served = server.LocalPath(Tree::MediumFile);
    const std::string local = scratch.Path("partial medium.bin");
    CopyFilePrefix(served, local, 300000);
    EXPECT_EQ(TIdFTP::LocalFileSize(local), 300000);
    ftp.DownloadToFile(Tree::MediumFile, local, false, true);
    EXPECT_TRUE(ftp.ResumeSupported);
    ExpectSameFile(local, served);
    // Resuming a complete file adds nothing.
    ftp.DownloadToFile(Tree::MediumFile, local, false, true);
    ExpectSameFile(local, served);
}

TEST_P(RealTransfers, RefusedRetrLeavesTheSessionUsable) {
    TIdMemoryStream stream;
    try {
        ftp.DownloadToStream("no-such-file.bin", stream, false);
        FAIL() << "a missing file was downloaded";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 550);
    }
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    TIdMemoryStream small;
    ftp.DownloadToStream(Tree::SmallText, small, false);
    EXPECT_EQ(small.Bytes(), "Hello from the test tree.\r\n");
    ftp.FetchListing(nullptr, Tree::SubDir, true);
    ASSERT_EQ(ftp.ListingItems().Count(), 1);
    EXPECT_EQ(ftp.ListingItems()[0].EntryName(), "nested.txt");
}

// The user stops a download through the pump: ABOR, and the server's 426 and its closing
// reply end the transfer quietly. The session stays usable.
TEST_P(RealTransfers, AbortedDownloadEndsQuietly) {
    const std::string home = ftp.QueryCurrentDirectory();
    const std::string local = scratch.Path("aborted.bin");
    int64_t received = 0;
    int aborts = 0;
    ftp.OnWork = [&](TIdComponent&, TWorkMode, int64_t count) { received = count; };
    Lines statuses;
    ftp.OnStatus = [&](TIdComponent&, TIdStatus, const std::string& text) {
        statuses.push_back(text);
    };
    {
        PumpHook pump([&] {
            if (aborts == 0 && received >= AbortAfter) {
                ++aborts;
                ftp.AbortTransfer();
            }
        });
        const auto started = std::chrono::steady_clock::now();
        ftp.DownloadToFile(Tree::BigFile, local, false, false);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
    }
    EXPECT_EQ(aborts, 1);
    EXPECT_GE(FileBytes(local), AbortAfter);
    EXPECT_LT(FileBytes(local), tavo::testing::BigFileBytes());
    EXPECT_EQ(statuses, (Lines{"Starting FTP transfer", "Transfer complete", "Transfer aborted"}));
    EXPECT_EQ(ftp.QueryCurrentDirectory(), home) << "a stale reply answered PWD";
    TIdMemoryStream small;
    ftp.DownloadToStream(Tree::SmallText, small, false);
    EXPECT_EQ(small.Bytes(), "Hello from the test tree.\r\n");
}

// The control's way: ABOR and QUIT from inside the wait. Both transfers end with an error and
// the server takes a new session at once.
TEST_P(RealTransfers, AbortAndCloseDuringDownloadAndUpload) {
    for (bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        if (!ftp.IsConnected())
            Connect(ftp);
        int64_t moved = 0;
        int aborts = 0;
        ftp.OnWork = [&](TIdComponent&, TWorkMode, int64_t count) { moved = count; };
        const std::string remote = UploadName("aborted.bin");
        const std::string local = scratch.Path("aborted.bin");
        {
            PumpHook pump([&] {
                if (aborts == 0 && moved >= AbortAfter) {
                    ++aborts;
                    ftp.AbortTransfer();
                    ftp.CloseSession();
                }
            });
            const auto started = std::chrono::steady_clock::now();
            if (upload)
                EXPECT_THROW(ftp.UploadFromFile(server.LocalPath(Tree::BigFile), remote, false),
                             EIdException);
            else
                EXPECT_THROW(ftp.DownloadToFile(Tree::BigFile, local, false, false),
                             EIdNotConnected);
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
        }
        EXPECT_EQ(aborts, 1);
        EXPECT_FALSE(ftp.IsConnected());
        ftp.OnWork = nullptr;
        Connect(ftp);
        if (upload) {
            // The server may still be writing what arrived; it is less than the whole file.
            EXPECT_LT(FileBytes(server.LocalPath(remote)), tavo::testing::BigFileBytes());
            std::error_code ignored;
            std::filesystem::remove(std::filesystem::path(server.LocalPath(remote)), ignored);
        } else {
            EXPECT_GE(FileBytes(local), AbortAfter);
            EXPECT_LT(FileBytes(local), tavo::testing::BigFileBytes());
        }
        ftp.FetchListing(nullptr, Tree::SubDir, true);
        EXPECT_EQ(ftp.ListingItems().Count(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RealTransfers,
    ::testing::Combine(::testing::Values(Server::Vsftpd, Server::Pyftpdlib), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<Server, bool>>& info) {
        return std::string(std::get<0>(info.param) == Server::Vsftpd ? "Vsftpd" : "Pyftpdlib") +
               (std::get<1>(info.param) ? "Passive" : "Active");
    });

} // namespace
