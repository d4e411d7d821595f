// What the controller's progress handling costs: one file downloaded through TTavo with a
// headless view (the status line rewritten on every block, as the form does), against the
// engine alone at the same settings, in one run, alternating, best of each. Both the elapsed
// time and this process's processor time are compared: on a busy machine the second is the
// steadier figure.
//
//   controller_bench <host> <port> <user> <password> <remote file> [rounds] [local folder]
//
// The remote file is named relative to the folder the server logs the user into. The copy
// goes to the local folder (default: the temporary folder); a memory-backed one such as
// /dev/shm keeps the disk's own variance out of the figures.

#include "controller/tavo.h"
#include "engine/core/id_antifreeze.h"
#include "engine/ftp/id_ftp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace tavo;
using Clock = std::chrono::steady_clock;

// A view with nothing to draw: it keeps what a real one would show.
class HeadlessView : public controller::ITavoView {
public:
    std::string LocalPath;
    std::string Status;
    std::string CurrentDir = ".";
    std::string Caption;
    std::vector<controller::TRemoteRow> Rows;
    int Selected = -1;
    long StatusWrites = 0;
    int32_t Position = 0;

    void SetStatusText(const std::string& text) override {
        Status = text;
        ++StatusWrites;
    }
    controller::TModalResult ShowMessageBox(const std::string& text, controller::TMessageKind,
                                            controller::TMessageButtons) override {
        if (text.find('?') == std::string::npos) // information: report it
            std::fprintf(stderr, "box: %s\n", text.c_str());
        return controller::mrNo; // the resume question: download again
    }
    bool AskText(const std::string&, const std::string&, std::string&) override { return false; }
    std::optional<std::string> ChooseUploadFile(const std::string&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return LocalPath;
    }
    void ReportError(const std::string& message) override {
        std::fprintf(stderr, "error: %s\n", message.c_str());
    }
    void ClearRemoteRows() override {
        Rows.clear();
        Selected = -1;
    }
    void AddRemoteRow(const controller::TRemoteRow& row) override { Rows.push_back(row); }
    std::optional<controller::TSelectedRow> SelectedRemoteRow() override {
        if (Selected < 0)
            return std::nullopt;
        return controller::TSelectedRow{Rows[Selected].Cells[0], Rows[Selected].IconIndex};
    }
    std::string SelectedRemoteSize() override { return {}; }
    std::string GetCurrentDirText() override { return CurrentDir; }
    void SetCurrentDirText(const std::string& text) override { CurrentDir = text; }
    std::string GetConnectCaption() override { return Caption; }
    void SetConnectButton(const std::string& caption, const std::string&) override {
        Caption = caption;
    }
    void SetConnectButtonEnabled(bool) override {}
    void RearmButton(controller::TToolButton) override {}
    void ShowShareCommands(bool) override {}
    void PlaceProgressBar() override {}
    void SetProgressMax(int32_t) override {}
    void SetProgressPosition(int32_t count) override { Position = count; }
    bool IsPassiveChecked() override { return true; }
    void SetPassiveChecked(bool) override {}
    bool IsShareListChecked() override { return false; }
    void SetShareListChecked(bool) override {}
    void SetShareListCheckEnabled(bool) override {}
    bool IsTraceChecked() override { return false; }
    void AppendTraceLine(const std::string&) override {}
    void RemoveFirstTraceLine() override {}
    void ShowTracePanel(bool) override {}
    void ShowSharePanel(bool, const controller::TSharePanelLayout&) override {}
    void LayOutShareList(int, int) override {}
    std::vector<std::string> ShareLines() override { return {}; }
    void AddShareLine(const std::string&) override {}
    bool RemoveSelectedShareLine() override { return false; }

    bool Select(const std::string& name) {
        for (size_t i = 0; i < Rows.size(); ++i)
            if (Rows[i].Cells[0] == name)
                Selected = static_cast<int>(i);
        return Selected >= 0;
    }
};

struct Timing {
    double Seconds = 1e300;
    double ProcessorSeconds = 1e300;
    void Keep(const Timing& other) {
        Seconds = std::min(Seconds, other.Seconds);
        ProcessorSeconds = std::min(ProcessorSeconds, other.ProcessorSeconds);
    }
};

class Stopwatch {
public:
    Timing Stop() const {
        return {std::chrono::duration<double>(Clock::now() - start_).count(),
                static_cast<double>(std::clock() - processorStart_) / CLOCKS_PER_SEC};
    }

private:
    Clock::time_point start_ = Clock::now();
    std::clock_t processorStart_ = std::clock();
};

struct Target {
    std::string Host;
    int Port;
    std::string User;
    std::string Password;
    std::string Remote;
    std::string Local;
};

std::string Base64(const std::string& bytes) {
    static const char* alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k)
            text += k <= bytes.size() - i ? alphabet[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

Timing EngineAlone(const Target& target) {
    engine::TIdAntiFreeze pump;
    pump.IdleTimeOut = 1600;
    pump.OnlyWhenIdle = false;
    engine::TIdFTP ftp;
    ftp.ReadTimeout = 12000;
    ftp.RecvBufferSize = 2048;
    ftp.SendBufferSize = 1024;
    ftp.Passive = true;
    ftp.Host = target.Host;
    ftp.Port = target.Port;
    ftp.Username = target.User;
    ftp.Password = target.Password;
    ftp.OpenSession(true, -1);
    Stopwatch stopwatch;
    ftp.RemoteFileSize(target.Remote);
    ftp.DownloadToFile(target.Remote, target.Local, true, false);
    const Timing timing = stopwatch.Stop();
    ftp.CloseSession();
    return timing;
}

Timing ThroughTheController(const Target& target, long& statusWrites) {
    HeadlessView view;
    view.LocalPath = target.Local;
    controller::TTavo tavo(view);
    view.Caption = tavo.Catalogue().CaptionConnect;
    tavo.FormCreate();
    tavo.Set_Login(target.Host, target.User, target.Port, Base64(target.Password));
    const std::string name = target.Remote.substr(target.Remote.find_last_of('/') + 1);
    if (target.Remote.find('/') != std::string::npos) {
        view.CurrentDir = target.Remote.substr(0, target.Remote.find_last_of('/'));
        tavo.ViewList();
    }
    if (!view.Select(name)) {
        std::fprintf(stderr, "%s is not in the listing\n", target.Remote.c_str());
        std::exit(1);
    }
    view.StatusWrites = 0;
    Stopwatch stopwatch;
    tavo.ListViewRemoteDblClick();
    const Timing timing = stopwatch.Stop();
    statusWrites = view.StatusWrites;
    tavo.ConnectButtonClick();
    return timing;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: %s <host> <port> <user> <password> <remote file> [rounds] "
                     "[local folder]\n",
                     argv[0]);
        return 2;
    }
    const std::filesystem::path folder =
        argc > 7 ? std::filesystem::path(argv[7]) : std::filesystem::temp_directory_path();
    const auto local = folder / "controller_bench.download";
    Target target{argv[1], std::atoi(argv[2]), argv[3], argv[4], argv[5], local.string()};
    const int rounds = argc > 6 ? std::max(1, std::atoi(argv[6])) : 3;

    Timing engine;
    Timing controller;
    long statusWrites = 0;
    try {
        for (int round = 0; round < rounds; ++round) {
            engine.Keep(EngineAlone(target));
            controller.Keep(ThroughTheController(target, statusWrites));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "failed: %s\n", error.what());
        return 1;
    }
    const double bytes = static_cast<double>(std::filesystem::file_size(local));
    std::filesystem::remove(local);
    std::printf("file: %.0f bytes, best of %d rounds each\n", bytes, rounds);
    std::printf("engine alone:           %7.3f s elapsed  %7.3f s processor  %8.1f MB/s\n",
                engine.Seconds, engine.ProcessorSeconds, bytes / engine.Seconds / 1e6);
    std::printf("through the controller: %7.3f s elapsed  %7.3f s processor  %8.1f MB/s"
                "  (%ld status writes)\n",
                controller.Seconds, controller.ProcessorSeconds, bytes / controller.Seconds / 1e6,
                statusWrites);
    std::printf("controller / engine: elapsed %.3f, processor %.3f\n",
                controller.Seconds / engine.Seconds,
                controller.ProcessorSeconds / engine.ProcessorSeconds);
    return 0;
}
