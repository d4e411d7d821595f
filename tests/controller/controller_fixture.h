#pragma once
// A controller with the recording view, pinned system services and a pinned clock, and the
// script pieces of a session against the scripted server.

#include "controller/tavo.h"
#include "engine/platform/message_pump.h"
#include "tests/controller/recording_view.h"
#include "tests/support/scripted_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavo::testing {

using Lines = std::vector<std::string>;

// The system services with a pinned locale: dates as day.month.year, "," as the separator,
// code page 936 unless told otherwise.
class FakeSystem : public controller::ISystemServices {
public:
    explicit FakeSystem(int codePage) : codePage(codePage) {}
    void TrimWorkingSet() override { ++Trims; }
    std::string SpecialFolderPath(int csidl) override {
        return csidl == controller::CSIDL_DESKTOPDIRECTORY ? "/desk" : "";
    }
    std::string FormatShortDate(int year, int month, int day) override {
        return std::to_string(day) + "." + std::to_string(month) + "." + std::to_string(year);
    }
    std::string DecimalSeparator() override { return ","; }
    bool IsLeadByte(unsigned char byte) override {
        return controller::IsLeadByteOfCodePage(codePage, byte);
    }
    int Trims = 0;

private:
    int codePage;
};

// Runs the callback whenever the engine pumps the host's messages, as a user's click would.
// The pump runs a copy of the callback each time: keep state outside it.
class PumpHook {
public:
    explicit PumpHook(std::function<void()> callback) {
        platform::SetPumpCallback([callback](bool) { callback(); });
    }
    ~PumpHook() { platform::SetPumpCallback({}); }
};

// Login as u with password p, answered by the scripted server.
void ScriptLogin(ScriptedServer& server);
// CWD dir, then the listing over a passive data connection.
void ScriptList(ScriptedServer& server, const std::string& dir, const std::string& listing);
// The listing alone (a refresh).
void ScriptListing(ScriptedServer& server, const std::string& listing);
// SIZE, then RETR over a passive data connection.
void ScriptDownload(ScriptedServer& server, const std::string& name, const std::string& data);

inline const std::string OneFileListing =
    "-rw-r--r--    1 0        0            1234 Dec 09 04:56 a.txt\r\n";

class ControllerTest : public ::testing::Test {
protected:
    ~ControllerTest() override;
    // Builds the controller (English texts unless told otherwise) and runs FormCreate.
    void Make(const controller::TCatalogue& catalogue = controller::EnglishCatalogue(),
              int codePage = 936);
    // Starts the server and logs in through SetLogin; the first listing is of "/".
    void Connect();
    Lines Commands();
    std::string LocalPath(const std::string& name);

    ScriptedServer server;
    RecordingView view;
    std::unique_ptr<controller::TTavo> tavo;
    FakeSystem* system = nullptr;
    std::chrono::steady_clock::time_point now{};
    const controller::TCatalogue* cat = nullptr;

private:
    std::string folder;
};

} // namespace tavo::testing
