#pragma once
// The container's command line: which control to host, how, and the steps to run once it is
// active. Portable, so the parsing is tested on every flavour.

#include <string>
#include <utility>
#include <vector>

namespace tavo::container {

enum class TStepKind { Call, Get, Put, Wait, Screenshot, Click, Choose, Memory, Release, Exit };

struct TStep {
    TStepKind Kind;
    // "Name(args)", "Prop", "Prop=value", milliseconds, a path, a click, or empty
    std::string Text;
};

struct TOptions {
    std::string Control; // a ProgID or a {CLSID}
    int Width = 640;     // client area of the container's window
    int Height = 480;
    bool DesignMode = false;
    std::vector<std::pair<std::string, std::string>> Params; // in the order given
    std::vector<TStep> Steps;
};

// An argument handed to the control as a browser's script would: a whole decimal number
// that fits 32 bits goes as an integer, anything else (or a "quoted" text) as a string.
struct TArgument {
    bool IsNumber = false;
    long Number = 0;
    std::string Text;
};

struct TCall {
    std::string Name;
    std::vector<TArgument> Arguments;
};

// Throw std::invalid_argument naming what is wrong.
TOptions ParseOptions(const std::vector<std::string>& arguments);
TArgument ParseArgument(const std::string& text);
// "Name(a, 1, \"b,c\")": commas inside quotes belong to the text.
TCall ParseCall(const std::string& text);
// "Prop=value": the name and the value's argument.
std::pair<std::string, TArgument> ParsePut(const std::string& text);

extern const char* const UsageText;

} // namespace tavo::container
