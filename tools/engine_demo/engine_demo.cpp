// Logs in to an FTP server with the engine at the control's settings and prints what the
// session reports: status texts, the control-connection dialogue and the root listing.
//
//   engine_demo <host> <port> <user> [password]

#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/ftp/id_ftp.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tavo::engine;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <host> <port> <user> [password]\n", argv[0]);
        return 2;
    }
    TIdAntiFreeze pump;
    pump.IdleTimeOut = 1600;
    pump.OnlyWhenIdle = false;

    TIdFTP ftp;
    ftp.Host = argv[1];
    ftp.Port = std::atoi(argv[2]);
    ftp.Username = argv[3];
    ftp.Password = argc > 4 ? argv[4] : "";
    ftp.Passive = true;
    ftp.ReadTimeout = 12000;
    ftp.RecvBufferSize = 2048;
    ftp.SendBufferSize = 1024;
    ftp.OnStatus = [](TIdComponent&, TIdStatus, const std::string& text) {
        std::printf("status   %s\n", text.c_str());
    };
    TIdLogEvent trace;
    trace.Active = true;
    trace.LogTime = false;
    trace.ReplaceCRLF = true;
    trace.OnSent = [](TIdLogEvent&, const std::string&, const std::string& data) {
        // The password's block stays out of the trace.
        std::printf("trace -> %s\n", data.rfind("PASS", 0) == 0 ? "PASS ****" : data.c_str());
    };
    trace.OnReceived = [](TIdLogEvent&, const std::string&, const std::string& data) {
        std::printf("trace <- %s\n", data.c_str());
    };
    ftp.Intercept = &trace;

    int result = 0;
    try {
        ftp.OpenSession();
        std::printf("system   %s\n", ftp.SystemDescription.c_str());
        std::printf("pwd      %s\n", ftp.QueryCurrentDirectory().c_str());
        ftp.FetchListing(nullptr, "", true);
        const TIdFTPListItems& items = ftp.ListingItems();
        for (int i = 0; i < items.Count(); ++i) {
            const TIdFTPListItem& item = items[i];
            std::printf("entry    %-4s %12lld  %.*s\n",
                        item.EntryKind == ekDirectory      ? "dir"
                        : item.EntryKind == ekSymbolicLink ? "link"
                                                           : "file",
                        static_cast<long long>(item.ByteSize),
                        static_cast<int>(item.EntryName().size()), item.EntryName().data());
        }
        ftp.CloseSession();
    } catch (const EIdException& error) {
        std::printf("error    %s\n", error.what());
        result = 1;
    }
    ftp.Intercept = nullptr;
    return result;
}
