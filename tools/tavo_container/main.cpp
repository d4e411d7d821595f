// tavo_container: hosts an ActiveX control in a window of its own the way a page's browser
// does, prints its events, and runs steps against it (see README "The container").
//
//   tavo_container PROGID|{CLSID} [--size WxH] [--design-mode] [--param NAME=VALUE]...
//                  [--call "Name(arg,...)"] [--get Prop] [--put Prop=value] [--wait MS]
//                  [--screenshot PATH.png] [--choose PATH] [--click CLICK] [--memory]
//                  [--release] [--exit]
//
// Without --exit it runs until the user closes the window. Exit code 0, or 1 when a step or
// the creation failed; 2 for a wrong command line.

#include "tools/tavo_container/console_text.h"
#include "tools/tavo_container/container_options.h"
#include "tools/tavo_container/host_window.h"
#include "tools/tavo_container/hosted_control.h"
#include "tools/tavo_container/site.h"
#include "tools/tavo_container/step_runner.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tavo::container;

namespace {

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i)
        arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

int Host(const TOptions& options) {
    HWND window = CreateHostWindow(Wide("tavo_container - " + options.Control), options.Width,
                                   options.Height);
    if (window == nullptr) {
        PrintLine("create failed: no window (is there a display?)");
        return 1;
    }
    TSite site(window, !options.DesignMode, Wide(options.Control));
    std::unique_ptr<THostedControl> control;
    try {
        control = std::make_unique<THostedControl>(options, window, site);
    } catch (const std::exception& failure) {
        PrintLine(std::string("create ") + options.Control + " " + failure.what());
        DestroyWindow(window);
        return 1;
    }
    AttachControl(window, control.get());
    PrintLine("activated " + options.Control + " " + std::to_string(options.Width) + "x" +
              std::to_string(options.Height));

    TStepRunner runner(*control, window);
    for (const TStep& step : options.Steps) {
        runner.Run(step);
        if (runner.ExitRequested() || runner.WindowClosed())
            break;
    }
    if (!runner.ExitRequested() && !runner.WindowClosed())
        PumpMessages(control.get(), -1);
    control->Release();
    AttachControl(window, nullptr);
    if (IsWindow(window))
        DestroyWindow(window);
    return runner.AnyFailed() ? 1 : 0;
}

} // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY); // UTF-8 bytes and "\n" exactly as written
    TOptions options;
    try {
        options = ParseOptions(CommandLineArguments());
    } catch (const std::invalid_argument& wrong) {
        std::fprintf(stderr, "tavo_container: %s\n%s", wrong.what(), UsageText);
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) { // a single-threaded apartment, as a browser's
        PrintLine("OleInitialize failed");
        return 1;
    }
    int code = Host(options);
    OleUninitialize();
    return code;
}
