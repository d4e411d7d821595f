#include "tools/tavo_host/script_runner.h"

#include "engine/platform/message_pump.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <stdexcept>

namespace tavo::host {

using namespace controller;

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                // Only \" and \\ are escapes, so Windows paths need no doubling.
                if (line[i] == '\\' && i + 1 < line.size() &&
                    (line[i + 1] == '"' || line[i + 1] == '\\'))
                    ++i;
                word += line[i++];
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

std::string EchoedLine(const std::string& line) {
    std::vector<std::string> words = SplitWords(line);
    if (words.size() != 5 || words[0] != "setlogin")
        return line;
    // Base64 hides nothing: a transcript handed on in a bug report must not carry it.
    words[3] = "***";
    std::string echoed;
    for (const std::string& word : words) {
        if (!echoed.empty())
            echoed += ' ';
        if (!word.empty() && word.find_first_of(" \t\"\\") == std::string::npos) {
            echoed += word;
            continue;
        }
        echoed += '"';
        for (char c : word) {
            if (c == '"' || c == '\\')
                echoed += '\\';
            echoed += c;
        }
        echoed += '"';
    }
    return echoed;
}

TScriptRunner::TScriptRunner(THostSettings settings)
    : settings_(settings),
      catalogue_(settings.Catalogue != nullptr ? *settings.Catalogue : EditionCatalogue()),
      output_(settings.Out, catalogue_.CodePage, settings.Raw),
      view_(output_, catalogue_.CaptionConnect) {
    view_.EveryProgressLine = settings.EveryProgressLine;
    if (settings.Window) {
        window_ = StartWindowDriver(view_, catalogue_);
        tavo_ = &window_->Controller();
    } else {
        TTavoOptions options;
        options.Catalogue = &catalogue_;
        ownTavo_ = std::make_unique<TTavo>(view_, std::move(options));
        tavo_ = ownTavo_.get();
        tavo_->FormCreate();
    }
    if (settings_.ReadTimeout > 0 && tavo_->IdFTP1() != nullptr)
        tavo_->IdFTP1()->ReadTimeout = settings_.ReadTimeout;
    HookProgress();
    // A "click" planned for a progress event runs where a real one would: dispatched by the
    // message pump that the engine runs while it waits.
    platform::SetPumpCallback([this](bool) { RunDueActions(); });
}

TScriptRunner::~TScriptRunner() {
    platform::SetPumpCallback({});
    ownTavo_.reset();
    window_.reset();
}

void TScriptRunner::HookProgress() {
    engine::TIdFTP* ftp = tavo_->IdFTP1();
    if (ftp == nullptr)
        return;
    auto begin = ftp->OnWorkBegin;
    ftp->OnWorkBegin = [this, begin](engine::TIdComponent& sender, engine::TWorkMode mode,
                                     int64_t countMax) {
        progressEvents_ = 0;
        transferBegan_ = std::chrono::steady_clock::now();
        if (begin)
            begin(sender, mode, countMax);
    };
    auto end = ftp->OnWorkEnd;
    ftp->OnWorkEnd = [this, end](engine::TIdComponent& sender, engine::TWorkMode mode) {
        if (end)
            end(sender, mode);
        transferSeconds_[mode == engine::wmWrite ? 1 : 0] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - transferBegan_)
                .count();
    };
    auto work = ftp->OnWork;
    ftp->OnWork = [this, work](engine::TIdComponent& sender, engine::TWorkMode mode,
                               int64_t count) {
        if (work)
            work(sender, mode, count);
        ++progressEvents_;
        for (auto it = triggers_.begin(); it != triggers_.end();) {
            if (it->Event == progressEvents_) {
                dueActions_.push_back(it->Action);
                it = triggers_.erase(it);
            } else {
                ++it;
            }
        }
    };
}

void TScriptRunner::RunDueActions() {
    while (!dueActions_.empty()) {
        std::string action = dueActions_.front();
        dueActions_.erase(dueActions_.begin());
        output_.Line("> (progress event) " + EchoedLine(action));
        RunLine(action);
    }
}

std::string TScriptRunner::ScriptText(const std::string& utf8) const {
    return settings_.Raw ? utf8 : Utf8ToCodePage(utf8, catalogue_.CodePage);
}

bool TScriptRunner::RunScript(const std::string& script) {
    bool ok = true;
    size_t start = 0;
    while (start <= script.size()) {
        size_t end = script.find('\n', start);
        std::string line = script.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        ok = RunLine(line) && ok;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return ok && !failed_;
}

std::string ExpandVariables(const std::string& line) {
    std::string expanded;
    size_t i = 0;
    while (i < line.size()) {
        size_t open = line.find("${", i);
        size_t close = open == std::string::npos ? open : line.find('}', open);
        if (close == std::string::npos) {
            expanded += line.substr(i);
            break;
        }
        expanded += line.substr(i, open - i);
        const char* value = std::getenv(line.substr(open + 2, close - open - 2).c_str());
        if (value == nullptr)
            throw std::runtime_error("environment variable not set: " +
                                     line.substr(open, close - open + 1));
        expanded += value;
        i = close + 1;
    }
    return expanded;
}

bool TScriptRunner::RunLine(const std::string& scriptLine) {
    std::string line;
    try {
        line = ExpandVariables(scriptLine);
    } catch (const std::exception& error) {
        output_.Line("> " + EchoedLine(scriptLine));
        output_.Line("host: " + std::string(error.what()));
        failed_ = true;
        return false;
    }
    std::vector<std::string> words = SplitWords(line);
    if (words.empty() || words[0][0] == '#')
        return true;
    output_.Line("> " + EchoedLine(line));
    size_t at = line.find(words[0]) + words[0].size();
    std::string rest = line.substr(at);
    rest.erase(0, rest.find_first_not_of(" \t") == std::string::npos
                      ? rest.size()
                      : rest.find_first_not_of(" \t"));
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = words.size() > 1 ? words[1] : std::string();
    try {
        const bool understood = Execute(words, rest);
        if (window_)
            window_->Settle();
        view_.Flush();
        if (understood)
            return true;
        output_.Line("host: cannot understand: " + line);
    } catch (const std::exception& error) {
        view_.Flush();
        output_.Line("host: " + std::string(error.what()));
    }
    failed_ = true;
    return false;
}

bool TScriptRunner::Execute(const std::vector<std::string>& words, const std::string& rest) {
    const std::string& verb = words[0];
    const size_t args = words.size() - 1;
    auto arg = [&](size_t i) { return i < words.size() ? words[i] : std::string(); };
    auto number = [&](size_t i) {
        std::string text = arg(i);
        char* end = nullptr;
        long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0')
            throw std::runtime_error("not a number: " + text);
        return static_cast<int32_t>(value);
    };
    TTavo& tavo = *tavo_;

    static const std::map<std::string, void (TTavo::*)()> commands = {
        {"connect", &TTavo::ConnectButtonClick},
        {"download", &TTavo::ListViewRemoteDblClick},
        {"dblclick", &TTavo::ListViewRemoteDblClick},
        {"up", &TTavo::BackButtonClick},
        {"upload", &TTavo::UploadButtonClick},
        {"delete", &TTavo::DeleteButtonClick},
        {"mkdir", &TTavo::CreateDirButtonClick},
        {"rmdir", &TTavo::DelDir},
        {"rename", &TTavo::N3Click},
        {"share", &TTavo::AddShareFile},
        {"unshare", &TTavo::DelShareFile},
        {"sendshare", &TTavo::bsSkinSpeedButton9Click},
        {"tick", &TTavo::Timer1Timer},
    };
    if (auto command = commands.find(verb); command != commands.end() && args == 0) {
        if (!window_)
            (tavo.*command->second)();
        else if (verb == "tick")
            window_->Tick();
        else
            return window_->Command(verb);
        return true;
    }
    if (verb == "check" && args == 2 && (arg(2) == "on" || arg(2) == "off")) {
        const bool on = arg(2) == "on";
        if (window_) {
            if (arg(1) == "passive")
                view_.SetPassiveChecked(on);
            else if (arg(1) == "sharelist")
                view_.SetShareListChecked(on);
            else if (arg(1) == "trace")
                view_.SetTraceChecked(on);
            return window_->Check(arg(1), on);
        }
        if (arg(1) == "passive") {
            view_.SetPassiveChecked(on);
            tavo.PassiveClick();
        } else if (arg(1) == "sharelist") {
            view_.SetShareListChecked(on);
            tavo.CheckShareListClick();
        } else if (arg(1) == "trace") {
            view_.SetTraceChecked(on);
            tavo.TraceCheckBoxClick();
        } else {
            return false;
        }
        return true;
    }
    if (verb == "select" && args >= 1 && window_) {
        window_->SelectRow(rest == "none" ? std::nullopt
                                          : std::optional<std::string>(ScriptText(rest)));
        return true;
    }
    if (verb == "select" && args >= 1) {
        if (rest == "none") {
            view_.SelectNoRow();
        } else if (!view_.SelectRow(ScriptText(rest))) {
            throw std::runtime_error("no remote row named " + rest);
        }
        return true;
    }
    if (verb == "selectshare" && args == 1 && window_) {
        window_->SelectShareLine(arg(1) == "none" ? -1 : number(1));
        return true;
    }
    if (verb == "selectshare" && args == 1) {
        if (!view_.SelectShareLine(arg(1) == "none" ? -1 : number(1)))
            throw std::runtime_error("no share line " + arg(1));
        return true;
    }
    if (verb == "answer" && args == 1) {
        static const std::map<std::string, TModalResult> buttons = {
            {"ok", mrOk}, {"yes", mrYes}, {"no", mrNo}, {"cancel", mrCancel}};
        auto button = buttons.find(arg(1));
        if (button == buttons.end())
            return false;
        if (window_)
            window_->QueueBoxAnswer(button->second);
        else
            view_.BoxAnswers.push_back({button->second});
        return true;
    }
    if ((verb == "input" || verb == "choose") && args >= 1) {
        const std::optional<std::string> answer =
            rest == "cancel" ? std::nullopt : std::optional<std::string>(ScriptText(rest));
        if (window_ && verb == "input")
            window_->QueueTextAnswer(answer);
        else if (window_)
            window_->QueuePathAnswer(answer);
        else if (verb == "input")
            view_.TextAnswers.push_back({answer});
        else
            view_.PathAnswers.push_back({answer});
        return true;
    }
    if (verb == "setlogin" && args == 4) {
        tavo.Set_Login(ScriptText(arg(1)), ScriptText(arg(2)), number(4), arg(3));
        return true;
    }
    if (verb == "close" && args == 0) {
        output_.Line(std::string("close -> ") + (tavo.Close() ? "succeeded" : "failed"));
        return true;
    }
    if (verb == "gotoflag" && args <= 1) {
        if (args == 1)
            tavo.Set_GoToFlag(number(1));
        else
            output_.Line("gotoflag " + std::to_string(tavo.Get_GoToFlag()));
        return true;
    }
    if (verb == "sharelist") {
        if (args >= 1)
            tavo.Set_ShareList(ScriptText(rest));
        else
            output_.Line("sharelist " + output_.Quote(tavo.Get_ShareList()));
        return true;
    }
    if (verb == "enable" && args == 1) {
        tavo.Enable_ShareList(number(1));
        return true;
    }
    if (verb == "rows" && args == 0) {
        if (window_)
            window_->PrintRows();
        else
            view_.PrintRows();
        return true;
    }
    if (verb == "onprogress" && args >= 2) {
        const int event = number(1);
        std::string action = rest.substr(rest.find(arg(1)) + arg(1).size());
        action.erase(0, action.find_first_not_of(" \t"));
        triggers_.push_back({event, action});
        return true;
    }
    if (verb == "echo") {
        output_.Line(rest);
        return true;
    }
    if (verb == "transfers" && args == 0) {
        // How long the last transfer of each direction ran, from its first progress event
        // to its last: a benchmark's figure without the time a user spends in a chooser.
        char text[64];
        std::snprintf(text, sizeof text, "transfers read %.3f write %.3f", transferSeconds_[0],
                      transferSeconds_[1]);
        output_.Line(text);
        return true;
    }
    if (verb == "lap" && args == 0) {
        // Seconds since the previous lap (or the start): a benchmark times one action.
        const auto now = std::chrono::steady_clock::now();
        char text[32];
        std::snprintf(text, sizeof text, "lap %.3f",
                      std::chrono::duration<double>(now - lapStart_).count());
        lapStart_ = now;
        output_.Line(text);
        return true;
    }
    return false;
}

} // namespace tavo::host
