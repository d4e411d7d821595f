#pragma once
// Runs the controller with a headless view, driven by a script of one action per line, and
// prints what the user would see. The format is described in the README ("Scripted host").

#include "controller/catalogue.h"
#include "controller/tavo.h"
#include "tools/tavo_host/headless_view.h"
#include "tools/tavo_host/host_output.h"
#include "tools/tavo_host/window_driver.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tavo::host {

struct THostSettings {
    const controller::TCatalogue* Catalogue = nullptr; // null: the built edition
    bool Raw = false;               // print texts as raw 8-bit bytes instead of UTF-8
    bool EveryProgressLine = false; // print every progress and status line of a transfer
    std::FILE* Out = stdout;        // null: keep the transcript only
    int ReadTimeout = 0;            // 0: the control's own (12000 ms)
    bool Window = false;            // drive the real form through its widgets (Windows only)
};

class TScriptRunner {
public:
    explicit TScriptRunner(THostSettings settings);
    ~TScriptRunner();

    // Runs every line; false when a line could not be understood or an expectation failed
    // (the run goes on after it and says so).
    bool RunScript(const std::string& script);
    bool RunLine(const std::string& line);
    const std::string& Transcript() const { return output_.Transcript(); }

private:
    struct TProgressTrigger {
        int Event = 0;
        std::string Action;
    };

    bool Execute(const std::vector<std::string>& words, const std::string& rest);
    void HookProgress();
    void RunDueActions();
    std::string ScriptText(const std::string& utf8) const;

    THostSettings settings_;
    const controller::TCatalogue& catalogue_;
    THostOutput output_;
    THeadlessView view_;
    std::unique_ptr<TWindowDriver> window_;
    std::unique_ptr<controller::TTavo> ownTavo_; // without a window
    controller::TTavo* tavo_ = nullptr;
    std::vector<TProgressTrigger> triggers_;
    std::vector<std::string> dueActions_;
    int progressEvents_ = 0;
    bool failed_ = false;
    std::chrono::steady_clock::time_point lapStart_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point transferBegan_;
    double transferSeconds_[2] = {}; // the last read and write transfer
};

// Replaces every ${NAME} with the environment variable NAME; an unset one is an error.
std::string ExpandVariables(const std::string& line);
// The line as the host echoes it: setlogin's Base64 password shows as ***.
std::string EchoedLine(const std::string& line);
// Splits a script line into words: spaces separate, double quotes group; inside them \" and
// \\ stand for one character, and any other backslash for itself.
std::vector<std::string> SplitWords(const std::string& line);

} // namespace tavo::host
