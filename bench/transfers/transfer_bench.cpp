// Downloads and uploads one large file over loopback with the engine, at the control's buffer
// sizes (receive 2048, send 1024) and at the engine's defaults (32768), and with curl in the
// same run; prints throughput as ratios against curl, and the peak memory growth of an engine
// download above idle. No assertions: the figures go into reports.
//
//   transfer_bench --port N --file big.bin --upload-dir incoming --work-dir DIR
//                  [--host 127.0.0.1] [--user anonymous] [--pass ""] [--repeat 3]
//
// bench/transfers/run_bench.sh starts a vsftpd with a 256 MiB file and runs this against it.

#include "engine/core/errors.h"
#include "engine/ftp/id_ftp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace tavo::engine;

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = 0;
    std::string user = "anonymous";
    std::string pass;
    std::string file;
    std::string uploadDir;
    std::string workDir;
    int repeat = 3;
    std::string memoryProbe; // child mode: "download-defaults", "download-control", "upload-..."
    std::string self;
};

struct Settings {
    const char* name;
    int recvBuffer;
    int sendBuffer;
    bool passive = true;
};

const Settings ControlSettings{"control settings (2048/1024)", 2048, 1024};
const Settings DefaultSettings{"engine defaults (32768)", 32768, 32768};
const Settings ActiveSettings{"engine defaults, active mode", 32768, 32768, false};
const Settings* const AllSettings[] = {&ControlSettings, &DefaultSettings, &ActiveSettings};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int64_t FileSize(const std::string& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

// Peak resident set size so far, in KiB (Linux).
long PeakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Url(const Options& o, const std::string& path) {
    return "ftp://" + o.host + ":" + std::to_string(o.port) + "/" + path;
}

std::string CurlCredentials(const Options& o) {
    return o.user == "anonymous" ? std::string() : " -u " + Quote(o.user + ":" + o.pass);
}

void Connect(TIdFTP& ftp, const Options& o, const Settings& settings) {
    ftp.Host = o.host;
    ftp.Port = o.port;
    ftp.Username = o.user;
    ftp.Password = o.pass;
    ftp.Passive = settings.passive;
    ftp.ReadTimeout = 60000;
    ftp.RecvBufferSize = settings.recvBuffer;
    ftp.SendBufferSize = settings.sendBuffer;
    ftp.OpenSession(true, 10000);
}

double CurlDownload(const Options& o, const std::string& target) {
    std::filesystem::remove(target);
    const std::string command =
        "curl -s" + CurlCredentials(o) + " -o " + Quote(target) + " " + Quote(Url(o, o.file));
    auto started = Clock::now();
    int rc = std::system(command.c_str());
    double seconds = Seconds(started);
    if (rc != 0)
        std::fprintf(stderr, "curl download failed (%d)\n", rc);
    return seconds;
}

double CurlUpload(const Options& o, const std::string& source, const std::string& remote) {
    // curl changes into the folder before STOR, so the DELE after it names the file alone.
    const std::string name = remote.substr(remote.rfind('/') + 1);
    const std::string command = "curl -s" + CurlCredentials(o) + " -T " + Quote(source) + " " +
                                Quote(Url(o, remote)) + " -Q " + Quote("-DELE " + name);
    auto started = Clock::now();
    int rc = std::system(command.c_str());
    double seconds = Seconds(started);
    if (rc != 0)
        std::fprintf(stderr, "curl upload failed (%d)\n", rc);
    return seconds;
}

double EngineDownload(const Options& o, const Settings& settings, const std::string& target) {
    std::filesystem::remove(target);
    TIdFTP ftp;
    Connect(ftp, o, settings);
    auto started = Clock::now();
    ftp.DownloadToFile(o.file, target, true, false);
    double seconds = Seconds(started);
    ftp.CloseSession();
    return seconds;
}

double EngineUpload(const Options& o, const Settings& settings, const std::string& source,
                    const std::string& remote) {
    TIdFTP ftp;
    Connect(ftp, o, settings);
    auto started = Clock::now();
    ftp.UploadFromFile(source, remote, false);
    double seconds = Seconds(started);
    ftp.DeleteRemoteFile(remote);
    ftp.CloseSession();
    return seconds;
}

// Child mode: one transfer, printing the peak RSS before (connected, idle) and after.
int MemoryProbe(const Options& o) {
    const bool control = o.memoryProbe.find("control") != std::string::npos;
    const Settings& settings = control ? ControlSettings : DefaultSettings;
    TIdFTP ftp;
    Connect(ftp, o, settings);
    const long before = PeakRssKiB();
    if (o.memoryProbe.rfind("download", 0) == 0) {
        ftp.DownloadToFile(o.file, o.workDir + "/probe.bin", true, false);
        std::filesystem::remove(o.workDir + "/probe.bin");
    } else {
        const std::string remote = o.uploadDir + "/probe-upload.bin";
        ftp.UploadFromFile(o.workDir + "/source.bin", remote, false);
        ftp.DeleteRemoteFile(remote);
    }
    const long after = PeakRssKiB();
    ftp.CloseSession();
    std::printf("%ld %ld\n", before, after);
    return 0;
}

void RunProbe(const Options& o, const std::string& probe) {
    std::string command = Quote(o.self) + " --memory-probe " + probe + " --host " + Quote(o.host) +
                          " --port " + std::to_string(o.port) + " --user " + Quote(o.user) +
                          " --pass " + Quote(o.pass) + " --file " + Quote(o.file) +
                          " --upload-dir " + Quote(o.uploadDir) + " --work-dir " + Quote(o.workDir);
    FILE* child = popen(command.c_str(), "r");
    long before = -1, after = -1;
    if (child == nullptr || std::fscanf(child, "%ld %ld", &before, &after) != 2) {
        std::printf("  %-28s failed\n", probe.c_str());
    } else {
        std::printf("  %-28s idle peak %6ld KiB, after %6ld KiB, growth %6.2f MiB\n", probe.c_str(),
                    before, after, (after - before) / 1024.0);
    }
    if (child != nullptr)
        pclose(child);
}

bool ParseOptions(int argc, char** argv, Options& o) {
    o.self = std::filesystem::canonical("/proc/self/exe").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--host")
            o.host = value;
        else if (key == "--port")
            o.port = std::atoi(value.c_str());
        else if (key == "--user")
            o.user = value;
        else if (key == "--pass")
            o.pass = value;
        else if (key == "--file")
            o.file = value;
        else if (key == "--upload-dir")
            o.uploadDir = value;
        else if (key == "--work-dir")
            o.workDir = value;
        else if (key == "--repeat")
            o.repeat = std::max(1, std::atoi(value.c_str()));
        else if (key == "--memory-probe")
            o.memoryProbe = value;
        else
            return false;
    }
    return argc % 2 == 1 && o.port > 0 && !o.file.empty() && !o.uploadDir.empty() &&
           !o.workDir.empty();
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: transfer_bench --port N --file PATH --upload-dir DIR "
                             "--work-dir DIR [--host H] [--user U] [--pass P] [--repeat N]\n");
        return 2;
    }
    try {
        if (!o.memoryProbe.empty())
            return MemoryProbe(o);

        const std::string curlCopy = o.workDir + "/curl.bin";
        const std::string engineCopy = o.workDir + "/engine.bin";
        const std::string source = o.workDir + "/source.bin";
        // Warm the server's page cache and make the upload source.
        CurlDownload(o, source);
        const int64_t bytes = FileSize(source);
        if (bytes <= 0) {
            std::fprintf(stderr, "could not fetch %s with curl\n", o.file.c_str());
            return 1;
        }
        const double mib = bytes / 1048576.0;

        std::map<std::string, std::vector<double>> times;
        for (int round = 0; round < o.repeat; ++round) {
            times["curl download"].push_back(CurlDownload(o, curlCopy));
            for (const Settings* s : AllSettings) {
                times[std::string("engine download, ") + s->name].push_back(
                    EngineDownload(o, *s, engineCopy));
                if (FileSize(engineCopy) != bytes)
                    std::fprintf(stderr, "engine download incomplete: %lld of %lld bytes\n",
                                 static_cast<long long>(FileSize(engineCopy)),
                                 static_cast<long long>(bytes));
            }
            times["curl upload"].push_back(CurlUpload(o, source, o.uploadDir + "/curl-upload.bin"));
            for (const Settings* s : AllSettings)
                times[std::string("engine upload, ") + s->name].push_back(
                    EngineUpload(o, *s, source, o.uploadDir + "/engine-upload.bin"));
        }
        std::filesystem::remove(curlCopy);
        std::filesystem::remove(engineCopy);

        std::printf("transfer_bench: %.0f MiB over loopback, curl and the engine in passive mode "
                    "unless noted, median of %d runs\n",
                    mib, o.repeat);
        for (const char* direction : {"download", "upload"}) {
            const double curl = Median(times[std::string("curl ") + direction]);
            std::printf("  %-8s %-38s %6.0f MiB/s  1.00 x curl\n", direction, "curl", mib / curl);
            for (const Settings* s : AllSettings) {
                const double t = Median(times[std::string("engine ") + direction + ", " + s->name]);
                std::printf("  %-8s engine, %-30s %6.0f MiB/s  %.2f x curl\n", direction, s->name,
                            mib / t, curl / t);
            }
        }
        std::printf("peak RSS growth above idle (each in a fresh process):\n");
        for (const char* probe :
             {"download-defaults", "download-control", "upload-defaults", "upload-control"})
            RunProbe(o, probe);
        std::filesystem::remove(source);
    } catch (const EIdException& error) {
        std::fprintf(stderr, "engine error: %s\n", error.what());
        return 1;
    }
    return 0;
}
