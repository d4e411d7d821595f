// Peak memory of the engine when a server sends something huge: a 1,000,000-line reply, or
// a 20 MB listing of bare CRs, of one-byte lines or of ordinary Unix lines. The scripted
// server runs in a child process; the figure is this process's peak.
//
//     reply_memory_bench reply|listing-cr|listing-short|listing-unix

#include "engine/ftp/id_ftp.h"
#include "tests/support/scripted_server.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

using namespace tavo::engine;
using tavo::testing::ScriptedServer;

namespace {

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void LogIn(ScriptedServer& server) {
    server.Send("220 hi\r\n")
        .Expect("USER u")
        .Send("230 ok\r\n")
        .Expect("TYPE I")
        .Send("200 ok\r\n")
        .Expect("SYST")
        .Send("215 UNIX\r\n")
        .Expect("FEAT")
        .Send("502 Command not implemented\r\n");
}

std::string ListingOf(const std::string& mode) {
    std::string line = mode == "listing-cr"      ? "\r"
                       : mode == "listing-short" ? "x\r"
                                                 : "-rw-r--r--    1 0        0        536870912 "
                                                   "Dec 09 04:56 big.bin\r\n";
    std::string text;
    text.reserve((20u << 20) + line.size());
    while (text.size() < (20u << 20))
        text += line;
    return text;
}

// Runs the server in a child process, so that what it holds does not count here; the child
// writes its port to `portPipe`.
void RunServer(const std::string& mode, int portPipe) {
    ScriptedServer server;
    server.StepTimeout(120000);
    if (mode == "reply") {
        std::string reply = "220-Welcome\r\n";
        for (int i = 0; i < 1000000; ++i)
            reply += " line " + std::to_string(i) + "\r\n";
        reply += "220 ready\r\n";
        server.Send(std::move(reply)).ExpectClosed();
    } else {
        LogIn(server);
        server.Expect("PASV")
            .ReplyPasv()
            .AcceptData()
            .Expect("LIST")
            .Send("150 Here comes the directory listing.\r\n")
            .SendData(ListingOf(mode))
            .CloseData()
            .Send("226 Directory send OK.\r\n")
            .ExpectClosed();
    }
    server.Start();
    const int port = server.Port();
    if (write(portPipe, &port, sizeof port) != sizeof port)
        _exit(1);
    server.WaitUntilDone(300000);
    _exit(0);
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "reply";
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0)
        RunServer(mode, pipeEnds[1]);
    int port = 0;
    if (read(pipeEnds[0], &port, sizeof port) != sizeof port)
        return 1;
    const long before = PeakKiB();
    {
        TIdFTP ftp;
        ftp.Host = "127.0.0.1";
        ftp.Port = port;
        ftp.Username = "u";
        ftp.Passive = true;
        try {
            if (mode == "reply") {
                ftp.OpenSession(false);
                std::printf("reply kept %zu lines\n", ftp.GreetingReply.Text.size());
            } else {
                ftp.OpenSession(true);
                ftp.FetchListing(nullptr, "", true);
                const long fetched = PeakKiB();
                const int entries = ftp.ListingItems().Count();
                std::printf("listing kept %zu lines, %d entries; peak +%ld KiB after the "
                            "transfer\n",
                            ftp.ListingLines.size(), entries, fetched - before);
            }
        } catch (const std::exception& error) {
            std::printf("failed: %s\n", error.what());
        }
        const long after = PeakKiB();
        std::printf("%s: peak %ld KiB before the session, %ld KiB after: +%ld KiB\n", mode.c_str(),
                    before, after, after - before);
        ftp.DropSocket();
    }
    int status = 0;
    waitpid(child, &status, 0);
    return 0;
}
