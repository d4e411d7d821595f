// How soon a click is handled while the engine waits on the network: a second thread posts a
// message to a window every few milliseconds, as a user's clicks would arrive, and the window
// notes when each is handled. The figures are printed; the test fails when messages wait for
// the pump's 1600 ms slices instead of being handled as they come.

#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/core/id_stream.h"
#include "engine/core/id_tcp_client.h"
#include "engine/ftp/id_ftp.h"
#include "tests/support/scripted_server.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace tavo::engine {
namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT ClickMessage = WM_APP + 1;
constexpr int ClickEveryMs = 5;

struct Figures {
    double longestGapMs = 0;     // between two handled messages
    double longestLatencyMs = 0; // from posting to handling
    int handled = 0;
};

Figures* figures = nullptr;
Clock::time_point lastHandled;

const Clock::time_point programStart = Clock::now();

// Microseconds since the program started: small enough for a 32-bit LPARAM.
int64_t Ticks(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t - programStart).count();
}

LRESULT CALLBACK ClickWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != ClickMessage || figures == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    Clock::time_point now = Clock::now();
    int64_t posted = static_cast<int64_t>(lParam);
    figures->longestLatencyMs = std::max(figures->longestLatencyMs, (Ticks(now) - posted) / 1000.0);
    if (figures->handled++ > 0)
        figures->longestGapMs =
            std::max(figures->longestGapMs,
                     std::chrono::duration<double, std::milli>(now - lastHandled).count());
    lastHandled = now;
    return 0;
}

// Posts clicks to a window from another thread while `work` runs on this one.
template <typename Work> Figures MeasureWhile(const char* what, Work work) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ClickWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TavoClickProbe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("TavoClickProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    EXPECT_NE(window, nullptr);
    Figures result;
    figures = &result;
    std::atomic<bool> stop{false};
    std::thread clicker([&] {
        while (!stop) {
            PostMessageA(window, ClickMessage, 0, static_cast<LPARAM>(Ticks(Clock::now())));
            std::this_thread::sleep_for(std::chrono::milliseconds(ClickEveryMs));
        }
    });
    // The engine pump of the control: 1600 ms slices, messages handled also mid-transfer.
    TIdAntiFreeze pump;
    pump.IdleTimeOut = 1600;
    pump.OnlyWhenIdle = false;
    Clock::time_point start = Clock::now();
    work();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    stop = true;
    clicker.join();
    figures = nullptr;
    DestroyWindow(window);
    std::printf("%s: %.2f s, %d clicks handled, longest gap between handled clicks %.1f ms, "
                "longest wait of one click %.1f ms\n",
                what, seconds, result.handled, result.longestGapMs, result.longestLatencyMs);
    std::fflush(stdout);
    return result;
}

// Counts what arrives and keeps nothing, so the download measures the engine and the pump.
class CountingStream : public TIdStream {
public:
    int64_t Position() const override { return size_; }
    void Seek(int64_t position) override { size_ = position; }
    int64_t Size() const override { return size_; }
    size_t Read(char*, size_t) override { return 0; }
    void Write(const char*, size_t count) override { size_ += static_cast<int64_t>(count); }
    void Truncate() override {}

private:
    int64_t size_ = 0;
};

// Far below the pump's slices (800 ms, then 1600 ms), with room for a busy machine.
constexpr double SliceFreeLimitMs = 400;

TEST(Responsiveness, ClicksAreHandledAtOnceWhileTheServerIsSilentOrSendingMuch) {
    {
        testing::ScriptedServer server;
        server.Send("220-Hello\r\n").Silence();
        server.Start();
        TIdTCPClient client;
        client.Host = server.Host();
        client.Port = server.Port();
        client.ReadTimeout = 3000;
        Figures silent = MeasureWhile("silent server, one 3000 ms read", [&] {
            client.OpenConnection();
            EXPECT_THROW(client.ReadReply(), EIdException);
        });
        EXPECT_GT(silent.handled, 50);
        EXPECT_LT(silent.longestLatencyMs, SliceFreeLimitMs);
    }
    {
        const std::size_t bytes = 64u << 20;
        testing::ScriptedServer server;
        server.StepTimeout(60000).Send(std::string(bytes, 'x')).CloseControl();
        server.Start();
        TIdTCPClient client;
        client.Host = server.Host();
        client.Port = server.Port();
        // A data connection of the control: 2 KiB blocks from large socket calls, which wait
        // for nothing while the server sends faster than the blocks are taken.
        client.RecvBufferSize = 2048;
        client.RecvCallSize = TIdFTP().DataCallSize;
        CountingStream stream;
        Figures download = MeasureWhile("64 MiB download in 2 KiB blocks", [&] {
            client.OpenConnection();
            client.ReceiveToStream(stream);
        });
        EXPECT_EQ(stream.Size(), static_cast<int64_t>(bytes));
        EXPECT_LT(download.longestLatencyMs, SliceFreeLimitMs);
    }
}

} // namespace
} // namespace tavo::engine
