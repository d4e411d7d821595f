#include "tools/tavo_container/step_runner.h"

#include "tools/screenshot/screenshot.h"
#include "tools/tavo_container/console_text.h"
#include "tools/tavo_container/form_clicks.h"
#include "tools/tavo_container/host_window.h"
#include "tools/tavo_container/hosted_control.h"

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace tavo::container {
namespace {

struct TStepFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

VARIANT ToVariant(const TArgument& argument) {
    VARIANT value;
    VariantInit(&value);
    if (argument.IsNumber) {
        value.vt = VT_I4;
        value.lVal = argument.Number;
    } else {
        std::wstring text = Wide(argument.Text);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    return value;
}

std::string Mebibytes(SIZE_T bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// What the process holds now, and the most it has held: a benchmark reads the growth of a
// transfer as the peak after it less the working set before it.
std::string MemoryFigures() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        throw TStepFailure("GetProcessMemoryInfo failed");
    return " working set " + Mebibytes(counters.WorkingSetSize) + ", peak " +
           Mebibytes(counters.PeakWorkingSetSize);
}

} // namespace

bool TStepRunner::Run(const TStep& step) {
    std::string line;
    try {
        switch (step.Kind) {
        case TStepKind::Call:
            line = "call " + step.Text;
            line += Call(step.Text);
            break;
        case TStepKind::Get:
            line = "get " + step.Text;
            line += Get(step.Text);
            break;
        case TStepKind::Put:
            line = "put " + step.Text;
            line += Put(step.Text);
            break;
        case TStepKind::Wait:
            line = "wait " + step.Text;
            if (!PumpMessages(&control_, std::atoi(step.Text.c_str()))) {
                windowClosed_ = true;
                throw TStepFailure("the window was closed");
            }
            line += " ok";
            break;
        case TStepKind::Screenshot:
            line = "screenshot " + step.Text;
            line += Screenshot(step.Text);
            break;
        case TStepKind::Click:
            line = "click " + step.Text;
            line += Click(step.Text);
            break;
        case TStepKind::Choose:
            line = "choose " + step.Text;
            AnswerNextChooser(Wide(step.Text));
            line += " ok";
            break;
        case TStepKind::Memory:
            line = "memory";
            line += MemoryFigures();
            break;
        case TStepKind::Release:
            line = "release";
            if (control_.Released())
                throw TStepFailure("the control is already released");
            line += " " + std::to_string(control_.Release());
            break;
        case TStepKind::Exit:
            exitRequested_ = true;
            line = anyFailed_ ? "exit 1" : "exit 0";
            break;
        }
    } catch (const std::exception& failure) {
        anyFailed_ = true;
        PrintLine(line + " failed: " + failure.what());
        return false;
    }
    PrintLine(line);
    return true;
}

std::string TStepRunner::Call(const std::string& text) {
    TCall call = ParseCall(text);
    std::string result = Invoke(call.Name, DISPATCH_METHOD, call.Arguments);
    return result == "(empty)" ? " ok" : " = " + result;
}

std::string TStepRunner::Get(const std::string& name) {
    return " = " + Invoke(name, DISPATCH_PROPERTYGET, {});
}

std::string TStepRunner::Put(const std::string& text) {
    auto [name, value] = ParsePut(text);
    Invoke(name, DISPATCH_PROPERTYPUT, {value});
    return " ok";
}

std::string TStepRunner::Screenshot(const std::string& path) {
    screenshot::TScreenshot picture = screenshot::CaptureClient(window_);
    if (picture.Width == 0 || !screenshot::WritePng(picture, path))
        throw TStepFailure("could not capture the window or write the file");
    return " ok (" + std::to_string(picture.Width) + "x" + std::to_string(picture.Height) + ")";
}

std::string TStepRunner::Click(const std::string& click) {
    IOleWindow* ole = nullptr;
    HWND form = nullptr;
    IDispatch* dispatch = control_.Dispatch();
    if (dispatch &&
        SUCCEEDED(dispatch->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&ole)))) {
        ole->GetWindow(&form);
        ole->Release();
    }
    if (!form)
        throw TStepFailure("the control shows no window");
    // A row appears once the listing that a log-in started has arrived.
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::seconds(15);
    while (!ClickInForm(form, click)) {
        if (std::chrono::steady_clock::now() > deadline)
            throw TStepFailure("not there in time");
        PumpMessages(&control_, 100);
    }
    const auto end = std::chrono::steady_clock::now();
    char took[80];
    std::snprintf(took, sizeof took, " ok (%.3f s)",
                  std::chrono::duration<double>(end - start).count());
    // A click that opened a chooser: what followed the user's OK, without the time the
    // chooser took to appear.
    if (LastChooserAnswer() > start)
        std::snprintf(took, sizeof took, " ok (%.3f s, %.3f s after the chooser)",
                      std::chrono::duration<double>(end - start).count(),
                      std::chrono::duration<double>(end - LastChooserAnswer()).count());
    return took;
}

std::string TStepRunner::Invoke(const std::string& name, WORD flags,
                                std::vector<TArgument> arguments) {
    IDispatch* dispatch = control_.Dispatch();
    if (dispatch == nullptr)
        throw TStepFailure("no control (released, or it has no IDispatch)");
    std::wstring wideName = Wide(name);
    LPOLESTR names[] = {wideName.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT result = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result))
        throw TStepFailure(FailureText(result));

    // Automation takes the arguments last first.
    std::vector<VARIANT> values;
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        values.push_back(ToVariant(*argument));
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {values.data(), nullptr, static_cast<UINT>(values.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    VARIANT answer;
    VariantInit(&answer);
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    SetErrorInfo(0, nullptr); // what GetErrorInfo finds must be this call's
    result = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                              flags == DISPATCH_PROPERTYPUT ? nullptr : &answer, &exception,
                              &argumentError);
    for (VARIANT& value : values)
        VariantClear(&value);
    std::string text;
    if (FAILED(result)) {
        text = FailureText(result, result == DISP_E_EXCEPTION ? &exception : nullptr);
    } else {
        text = VariantText(answer);
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&answer);
    if (FAILED(result))
        throw TStepFailure(text);
    return text;
}

} // namespace tavo::container
