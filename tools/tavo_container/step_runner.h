#pragma once
// Runs the command line's steps against the hosted control, one printed line each:
//   get GoToFlag = 7            put GoToFlag=3 ok            call Close() ok
//   call Name(1) = "text"       wait 500 ok                  screenshot PATH ok
//   release 0                   exit 0
//   click open:big.bin ok (2.412 s, 0.391 s after the chooser)
//   choose Z:\tmp\x.bin ok           memory working set 41.2 MiB, peak 43.0 MiB
// A failing step prints "<step> failed: 0x80020006 <description>".

#include "tools/tavo_container/container_options.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tavo::container {

class THostedControl;

class TStepRunner {
public:
    TStepRunner(THostedControl& control, HWND window) : control_(control), window_(window) {}

    // False when the step failed (also counted in AnyFailed).
    bool Run(const TStep& step);
    bool AnyFailed() const { return anyFailed_; }
    bool ExitRequested() const { return exitRequested_; }
    bool WindowClosed() const { return windowClosed_; }

private:
    std::string Call(const std::string& text);
    std::string Get(const std::string& name);
    std::string Put(const std::string& text);
    std::string Screenshot(const std::string& path);
    // A click runs the command it starts to its end (a download, an upload) before it returns.
    std::string Click(const std::string& click);
    // Invokes a member by name; the result's text, or throws TStepFailure.
    std::string Invoke(const std::string& name, WORD flags, std::vector<TArgument> arguments);

    THostedControl& control_;
    HWND window_;
    bool anyFailed_ = false;
    bool exitRequested_ = false;
    bool windowClosed_ = false;
};

} // namespace tavo::container
