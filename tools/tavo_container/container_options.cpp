#include "tools/tavo_container/container_options.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace tavo::container {
namespace {

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool IsName(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!letter && !(c >= '0' && c <= '9'))
            return false;
    }
    return !(text[0] >= '0' && text[0] <= '9');
}

int PositiveNumber(const std::string& text, const std::string& what) {
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 0 || value > 1000000)
        throw std::invalid_argument(what + ": not a number: '" + text + "'");
    return static_cast<int>(value);
}

void AppendUtf8(std::string& out, unsigned long point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// The UTF-16 unit of "\uXXXX" at `at`, or -1.
long EscapedUnit(const std::string& text, size_t at) {
    if (text.compare(at, 2, "\\u") != 0 || at + 6 > text.size())
        return -1;
    std::string hex = text.substr(at + 2, 4);
    if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return -1;
    return std::strtol(hex.c_str(), nullptr, 16);
}

// Wine hands a program its arguments in the Unix locale's character set, and strips the
// high bits when that locale is missing (LC_ALL=zh_CN.UTF-8 without the Linux locale): non-ASCII
// text can always be written as \uXXXX instead.
std::string DecodeEscapes(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        long unit = EscapedUnit(text, at);
        if (unit < 0) {
            out += text[at++];
            continue;
        }
        at += 6;
        long low = unit >= 0xD800 && unit < 0xDC00 ? EscapedUnit(text, at) : -1;
        if (low >= 0xDC00 && low < 0xE000) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            at += 6;
        } else {
            AppendUtf8(out, static_cast<unsigned long>(unit));
        }
    }
    return out;
}

} // namespace

const char* const UsageText =
    "usage: tavo_container PROGID|{CLSID} [--size WxH] [--design-mode] [--param NAME=VALUE]...\n"
    "                      [--call \"Name(arg,...)\"] [--get Prop] [--put Prop=value]\n"
    "                      [--wait MS] [--screenshot PATH.png] [--choose PATH]\n"
    "                      [--click open:NAME|select:NAME|upload|connect|...] [--memory]\n"
    "                      [--release] [--exit]\n"
    "Values may write any character as \\uXXXX.\n";

TArgument ParseArgument(const std::string& raw) {
    std::string text = Trimmed(raw);
    TArgument argument;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        argument.Text = DecodeEscapes(text.substr(1, text.size() - 2));
        return argument;
    }
    argument.Text = DecodeEscapes(text);
    size_t digits = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (text.size() == digits || text.find_first_not_of("0123456789", digits) != std::string::npos)
        return argument;
    errno = 0;
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == 0 && value >= -2147483648LL && value <= 2147483647LL) {
        argument.IsNumber = true;
        argument.Number = static_cast<long>(value);
    }
    return argument;
}

TCall ParseCall(const std::string& raw) {
    std::string text = Trimmed(raw);
    size_t open = text.find('(');
    if (open == std::string::npos || text.back() != ')')
        throw std::invalid_argument("--call wants Name(arg,...), not '" + raw + "'");
    TCall call;
    call.Name = Trimmed(text.substr(0, open));
    if (!IsName(call.Name))
        throw std::invalid_argument("--call: not a member name: '" + call.Name + "'");
    std::string inside = text.substr(open + 1, text.size() - open - 2);
    if (Trimmed(inside).empty())
        return call;
    std::string current;
    bool quoted = false;
    for (char c : inside) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            call.Arguments.push_back(ParseArgument(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (quoted)
        throw std::invalid_argument("--call: unclosed quote in '" + raw + "'");
    call.Arguments.push_back(ParseArgument(current));
    return call;
}

std::pair<std::string, TArgument> ParsePut(const std::string& text) {
    size_t equals = text.find('=');
    std::string name = Trimmed(text.substr(0, equals));
    if (equals == std::string::npos || !IsName(name))
        throw std::invalid_argument("--put wants Prop=value, not '" + text + "'");
    return {name, ParseArgument(text.substr(equals + 1))};
}

TOptions ParseOptions(const std::vector<std::string>& arguments) {
    TOptions options;
    auto value = [&](size_t& i) -> const std::string& {
        if (i + 1 >= arguments.size())
            throw std::invalid_argument(arguments[i] + " wants a value");
        return arguments[++i];
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--size") {
            const std::string& size = value(i);
            size_t x = size.find('x');
            if (x == std::string::npos)
                throw std::invalid_argument("--size wants WxH, not '" + size + "'");
            options.Width = PositiveNumber(size.substr(0, x), "--size");
            options.Height = PositiveNumber(size.substr(x + 1), "--size");
            if (options.Width == 0 || options.Height == 0)
                throw std::invalid_argument("--size: an empty window: '" + size + "'");
        } else if (option == "--design-mode") {
            options.DesignMode = true;
        } else if (option == "--param") {
            const std::string& param = value(i);
            size_t equals = param.find('=');
            if (equals == std::string::npos || equals == 0)
                throw std::invalid_argument("--param wants NAME=VALUE, not '" + param + "'");
            options.Params.emplace_back(param.substr(0, equals),
                                        DecodeEscapes(param.substr(equals + 1)));
        } else if (option == "--call") {
            ParseCall(value(i));
            options.Steps.push_back({TStepKind::Call, arguments[i]});
        } else if (option == "--get") {
            if (!IsName(value(i)))
                throw std::invalid_argument("--get: not a property name: '" + arguments[i] + "'");
            options.Steps.push_back({TStepKind::Get, arguments[i]});
        } else if (option == "--put") {
            ParsePut(value(i));
            options.Steps.push_back({TStepKind::Put, arguments[i]});
        } else if (option == "--wait") {
            PositiveNumber(value(i), "--wait");
            options.Steps.push_back({TStepKind::Wait, arguments[i]});
        } else if (option == "--screenshot") {
            options.Steps.push_back({TStepKind::Screenshot, value(i)});
        } else if (option == "--click") {
            options.Steps.push_back({TStepKind::Click, value(i)});
        } else if (option == "--choose") {
            options.Steps.push_back({TStepKind::Choose, DecodeEscapes(value(i))});
        } else if (option == "--memory") {
            options.Steps.push_back({TStepKind::Memory, {}});
        } else if (option == "--release") {
            options.Steps.push_back({TStepKind::Release, {}});
        } else if (option == "--exit") {
            options.Steps.push_back({TStepKind::Exit, {}});
        } else if (option.rfind("--", 0) == 0 || !options.Control.empty()) {
            throw std::invalid_argument("unknown argument '" + option + "'");
        } else {
            options.Control = option;
        }
    }
    if (options.Control.empty())
        throw std::invalid_argument("no control named (a ProgID or a {CLSID})");
    return options;
}

} // namespace tavo::container
