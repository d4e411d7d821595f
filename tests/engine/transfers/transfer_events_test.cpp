// The order of status and progress events around a transfer. The control's progress bar,
// speed and remaining time are computed from these, so their order and counts matter.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"

#include <gmock/gmock.h>

#include <tuple>

using namespace tavo::engine;
using namespace tavo::engine::transfers;

namespace {

const std::string Starting = "status 6 Starting FTP transfer";
const std::string Complete = "status 7 Transfer complete";
const std::string Aborted = "status 8 Transfer aborted";

enum class Kind { Download, Listing, Upload };

struct EventCase {
    const char* name;
    Kind kind;
    int bufferSize; // RecvBufferSize for reads, SendBufferSize for writes
    std::size_t bytes;
    const char* finalReplies;
    Lines events;
};

const EventCase eventCases[] = {
    // A read reports each full RecvBufferSize piece; the short last piece has no event.
    {"DownloadControlSettings",
     Kind::Download,
     2048,
     5000,
     "226 Transfer complete.\r\n",
     {Starting, "begin read 0", "work read 2048", "work read 4096", "end read", Complete}},
    {"DownloadDefaults",
     Kind::Download,
     32768,
     100000,
     "226 Transfer complete.\r\n",
     {Starting, "begin read 0", "work read 32768", "work read 65536", "work read 98304", "end read",
      Complete}},
    {"DownloadExactMultiple",
     Kind::Download,
     2048,
     4096,
     "226 Transfer complete.\r\n",
     {Starting, "begin read 0", "work read 2048", "work read 4096", "end read", Complete}},
    {"EmptyDownload",
     Kind::Download,
     2048,
     0,
     "226 Transfer complete.\r\n",
     {Starting, "begin read 0", "end read", Complete}},
    {"DownloadAbortedByServer",
     Kind::Download,
     2048,
     3000,
     "426 Aborted.\r\n226 Ok.\r\n",
     {Starting, "begin read 0", "work read 2048", "end read", Complete, Aborted}},
    {"Listing",
     Kind::Listing,
     2048,
     4100,
     "226 Directory send OK.\r\n",
     {Starting, "begin read 0", "work read 2048", "work read 4096", "end read", Complete}},
    // A write reports each send call, with the size of the whole stream up front.
    {"UploadControlSettings",
     Kind::Upload,
     1024,
     3000,
     "226 Transfer complete.\r\n",
     {Starting, "begin write 3000", "work write 1024", "work write 2048", "work write 3000",
      "end write", Complete}},
    {"EmptyUpload",
     Kind::Upload,
     1024,
     0,
     "226 Transfer complete.\r\n",
     {Starting, "begin write 0", "end write", Complete}},
    {"UploadAbortedByServer",
     Kind::Upload,
     32768,
     40000,
     "450 Aborted.\r\n225 Ok.\r\n",
     {Starting, "begin write 40000", "work write 32768", "work write 40000", "end write", Complete,
      Aborted}},
};

class TransferEvents : public ScriptedTransferTest,
                       public ::testing::WithParamInterface<std::tuple<EventCase, bool>> {};

TEST_P(TransferEvents, ComeInOrderFromTheDataConnection) {
    const EventCase& c = std::get<0>(GetParam());
    const bool passive = std::get<1>(GetParam());
    const std::string bytes = PatternBytes(c.bytes);
    ScriptLogin(server);
    if (c.kind == Kind::Upload)
        ScriptUpload(server, passive, "STOR f.bin", c.finalReplies);
    else
        ScriptDownload(server, passive, c.kind == Kind::Listing ? "LIST" : "RETR f.bin", bytes,
                       c.finalReplies);
    Open(passive);
    ftp.RecvBufferSize = c.bufferSize;
    ftp.SendBufferSize = c.bufferSize;
    auto transfer = [&] {
        if (c.kind == Kind::Upload) {
            TIdMemoryStream stream(bytes);
            ftp.UploadFromStream(stream, "f.bin", false);
            EXPECT_EQ(server.ReceivedData(), bytes);
        } else if (c.kind == Kind::Listing) {
            ftp.FetchListing(nullptr, "", true);
        } else {
            TIdMemoryStream stream;
            ftp.DownloadToStream("f.bin", stream, false);
            EXPECT_EQ(stream.Bytes(), bytes);
        }
    };
    // A 426 or 450 the client did not ask for fails the transfer after the same events.
    if (c.finalReplies[0] == '4')
        EXPECT_THROW(transfer(), EIdProtocolReplyError);
    else
        transfer();
    EXPECT_EQ(log.entries, c.events);
    EXPECT_EQ(log.fromSession, 0) << "progress events must come from the data connection";
}

INSTANTIATE_TEST_SUITE_P(Table, TransferEvents,
                         ::testing::Combine(::testing::ValuesIn(eventCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<EventCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Passive" : "Active");
                         });

// The data connection takes the session's buffer sizes, progress handlers and stall limit, but
// neither its read time limit (data may pause for long) nor its status handler.
TEST_F(ScriptedTransferTest, DataConnectionTakesTheSessionSettings) {
    ScriptLogin(server);
    ScriptDownload(server, true, "RETR f.bin", PatternBytes(10));
    Open(true);
    ftp.RecvBufferSize = 2048;
    ftp.SendBufferSize = 1024;
    ftp.DataStallTimeout = 1234;
    int recv = 0, send = 0, readTimeout = -1, stall = 0;
    bool statusHandler = true;
    ftp.OnWorkBegin = [&](TIdComponent& sender, TWorkMode, int64_t) {
        auto& channel = dynamic_cast<TIdTCPConnection&>(sender);
        recv = channel.RecvBufferSize;
        send = channel.SendBufferSize;
        readTimeout = channel.ReadTimeout;
        stall = channel.StallTimeout;
        statusHandler = static_cast<bool>(channel.OnStatus);
    };
    TIdMemoryStream stream;
    ftp.DownloadToStream("f.bin", stream, false);
    EXPECT_EQ(recv, 2048);
    EXPECT_EQ(send, 1024);
    EXPECT_EQ(readTimeout, 0);
    EXPECT_EQ(stall, 1234);
    EXPECT_FALSE(statusHandler);
}

} // namespace
