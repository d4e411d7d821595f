// FEAT at log-in, OPTS UTF8 ON (RFC 2389, RFC 2640), and names converted between a UTF-8
// server and the caller's code page.

#include "engine/core/id_stream.h"
#include "engine/ftp/features.h"
#include "engine/platform/code_page.h"
#include "tests/engine/core/session_fixture.h"

namespace tavo::engine {
namespace {

using Lines = std::vector<std::string>;

// GBK (code page 936) and UTF-8 forms of the same names.
const std::string ChineseGbk = "\xD6\xD0\xCE\xC4";          // 中文
const std::string ChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文
const std::string DataGbk = "\xCA\xFD\xBE\xDD";             // 数据
const std::string DataUtf8 = "\xE6\x95\xB0\xE6\x8D\xAE";    // 数据
const std::string Emoji = "\xF0\x9F\x98\x80";               // no code page 936 form
const std::string TestGbk = "\xB2\xE2\xCA\xD4";             // 测试

// Lines as the engine reads them (trimmed), from the servers named.
TEST(FeatReply, ListsUtf8OnlyWhenTheServerDoes) {
    struct Case {
        const char* server;
        int code;
        Lines lines;
        bool utf8;
    };
    const Case cases[] = {
        {"vsftpd utf8_filesystem",
         211,
         {"211-Features:", "EPRT", "EPSV", "MDTM", "PASV", "REST STREAM", "SIZE", "TVFS", "UTF8",
          "211 End"},
         true},
        {"vsftpd",
         211,
         {"211-Features:", "EPRT", "EPSV", "MDTM", "PASV", "SIZE", "211 End"},
         false},
        {"pure-ftpd",
         211,
         {"211-Extensions supported:", "UTF8", "EPRT", "IDLE", "MDTM", "SIZE", "MFMT",
          "REST STREAM", "MLST type*;size*;sizd*;modify*;UNIX.mode*;UNIX.uid*;unique*;", "MLSD",
          "AUTH TLS", "PBSZ", "PROT", "TVFS", "ESTA", "PASV", "EPSV", "ESTP", "211 End."},
         true},
        {"proftpd",
         211,
         {"211-Features:", "LANG en-US*", "MDTM", "MFMT", "TVFS", "UTF8",
          "MLST modify*;perm*;size*;type*;unique*;", "SITE MKDIR", "REST STREAM", "SIZE",
          "211 End"},
         true},
        {"pyftpdlib",
         211,
         {"211-Features supported:", "EPRT", "EPSV", "MDTM", "MFMT",
          "MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;unix.gid;", "REST STREAM",
          "SIZE", "TVFS", "UTF8", "211 End FEAT."},
         true},
        {"code on every line", 211, {"211-Extensions:", "211-SIZE", "211-UTF8", "211 END"}, true},
        {"lower case", 211, {"211-Features:", "utf8", "211 End"}, true},
        {"heading and look-alikes", 211, {"211-UTF8 follows", "UTF8X", "XUTF8", "211 UTF8"}, false},
        {"single line", 211, {"211 No features"}, false},
        {"refused 500", 500, {"500 'FEAT': command not understood"}, false},
        {"refused 502", 502, {"502 Command not implemented."}, false},
        {"multi-line refusal", 500, {"500-No", "UTF8", "500 End"}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListsFeature(ParseFeatures(c.code, c.lines), "UTF8"), c.utf8) << c.server;
    EXPECT_EQ(ParseFeatures(211, {"211-Features:", "  REST STREAM ", "", "211 End"}),
              Lines{"REST STREAM"});
}

TEST(CodePage, ConvertsThroughTheSystemTables) {
    EXPECT_EQ(platform::Utf8ToCodePage(ChineseUtf8, 936), ChineseGbk);
    EXPECT_EQ(platform::CodePageToUtf8(ChineseGbk, 936), ChineseUtf8);
    EXPECT_EQ(platform::Utf8ToCodePage(Emoji + "a" + ChineseUtf8 + ".txt", 936),
              "?a" + ChineseGbk + ".txt");
    EXPECT_EQ(platform::Utf8ToCodePage("caf\xC3\xA9", 1252), "caf\xE9");
    // No look-alike: 'c' for 'č' would name another file.
    EXPECT_EQ(platform::Utf8ToCodePage("\xC4\x8D", 1252), "?");
    EXPECT_EQ(platform::Utf8ToCodePage(ChineseGbk, 936), std::nullopt); // not UTF-8
    EXPECT_EQ(platform::CodePageToUtf8("\x81", 936), std::nullopt);     // a lone lead byte
}

// The server's FEAT and OPTS, then CWD with GBK bytes: without an agreed UTF-8 they go out as
// they are.
TEST(Utf8Negotiation, NamesPassByteForByteUnlessTheServerAgreesToUtf8) {
    for (const char* opts : {"", "501 Invalid argument.\r\n"}) {
        testing::ScriptedServer script;
        script.Send("220 hi\r\n").Expect("USER anonymous").Send("230 ok\r\n");
        script.Expect("TYPE I").Send("200 ok\r\n").Expect("SYST").Send("215 UNIX\r\n");
        script.Expect("FEAT");
        if (*opts == '\0')
            script.Send("211-Features:\r\n EPSV\r\n211 End\r\n");
        else
            script.Send("211-Features:\r\n UTF8\r\n211 End\r\n").Expect("OPTS UTF8 ON").Send(opts);
        script.Expect("CWD " + ChineseGbk).Send("250 ok\r\n").ExpectClosed();
        script.Start();
        TIdFTP session;
        session.Host = script.Host();
        session.Port = script.Port();
        session.Username = "anonymous";
        session.ReadTimeout = 3000;
        session.NameCodePage = 936;
        session.OpenSession();
        EXPECT_FALSE(session.Utf8Names());
        session.ChangeDirectory(ChineseGbk);
        session.DropSocket();
        script.WaitUntilFinished(5000);
        EXPECT_EQ(script.Failures(), Lines{}) << opts;
    }
}

TEST_F(ScriptedSessionTest, Utf8NamesAreConvertedBothWaysAndUnshowableOnesKeepTheirBytes) {
    const std::string listing = "drwxr-xr-x 2 0 0 4096 Dec 09  2024 " + ChineseUtf8 +
                                "\r\n-rw-r--r-- 1 0 0 3 Dec 09  2024 " + Emoji +
                                ".txt\r\nlrwxrwxrwx 1 0 0 6 Dec 09  2024 l -> " + DataUtf8 +
                                "\r\n-rw-r--r-- 1 0 0 3 Dec 09  2024 " + TestGbk + "\r\n";
    server.Send("220 hi\r\n").Expect("USER anonymous").Send("230 ok\r\n");
    server.Expect("TYPE I").Send("200 ok\r\n").Expect("SYST").Send("215 UNIX\r\n");
    server.Expect("FEAT").Send("211-Features:\r\n UTF8\r\n211 End\r\n");
    server.Expect("OPTS UTF8 ON").Send("200 Always in UTF8 mode.\r\n");
    server.Expect("PWD").Send("257 \"/" + DataUtf8 + "/" + Emoji +
                              "\" is the current directory\r\n");
    server.Expect("CWD /" + DataUtf8 + "/" + Emoji).Send("250 ok\r\n");
    server.Expect("PASV").ReplyPasv().Expect("LIST").AcceptData().Send("150 Here\r\n");
    server.SendData(listing).CloseData().Send("226 Done\r\n");
    server.Expect("CWD " + ChineseUtf8).Send("250 ok\r\n");
    server.Expect("SIZE " + Emoji + ".txt").Send("213 3\r\n");
    server.Expect("PASV").ReplyPasv().Expect("RETR " + Emoji + ".txt").AcceptData();
    server.Send("150 Sending\r\n").SendData("abc").CloseData().Send("226 Sent\r\n");
    server.Expect("DELE " + Emoji + ".txt").Send("250 Deleted\r\n");
    // Bytes that are not UTF-8 were shown as they are and go back as they are.
    server.Expect("DELE " + TestGbk).Send("250 Deleted\r\n");
    server.Expect("RNFR " + ChineseUtf8).Send("350 ok\r\n");
    server.Expect("RNTO " + DataUtf8).Send("250 ok\r\n");
    server.Expect("MKD " + DataUtf8).Send("257 ok\r\n");
    server.ExpectClosed();
    server.Start();
    ftp.NameCodePage = 936;
    ftp.Passive = true;
    ftp.OpenSession();
    EXPECT_TRUE(ftp.Utf8Names());
    const std::string directory = ftp.QueryCurrentDirectory();
    EXPECT_EQ(directory, "/" + DataGbk + "/?");
    ftp.ChangeDirectory(directory);
    ftp.FetchListing(nullptr, "", true);
    Lines names, serverNames;
    for (const TIdFTPListItem& item : ftp.ListingItems()) {
        names.emplace_back(item.EntryName());
        serverNames.emplace_back(item.ServerName());
    }
    EXPECT_EQ(names, (Lines{ChineseGbk, "?.txt", "l", TestGbk}));
    EXPECT_EQ(serverNames, (Lines{ChineseUtf8, Emoji + ".txt", "l", TestGbk}));
    EXPECT_EQ(ftp.ListingItems()[2].LinkTarget(), DataGbk);
    ftp.ChangeDirectory(ChineseGbk);
    EXPECT_EQ(ftp.RemoteFileSize("?.txt"), 3);
    TIdMemoryStream file;
    ftp.DownloadToStream("?.txt", file, false, 3);
    EXPECT_EQ(file.TakeBytes(), "abc");
    ftp.DeleteRemoteFile("?.txt");
    ftp.DeleteRemoteFile(TestGbk);
    ftp.RenameEntry(ChineseGbk, DataGbk);
    ftp.CreateDirectory(DataGbk);
    ftp.DropSocket();
}

} // namespace
} // namespace tavo::engine
