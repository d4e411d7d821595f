// tavo_page PAGE.html[?QUERY] [--screenshot PATH] [--exit-after MS] [--click ACTION]...
//           [--alert-box]
// Runs a page that embeds ActiveX controls: its <object> elements become live controls in a
// window of the host's own, its JScript blocks run in the platform's script engine with every
// object under its id, and its event handler blocks receive the controls' events. The page has
// no rendering: document.write goes to standard output and to a text pane under the controls.
// Exit status: 0 when the page ran, 1 after a script error, 2 when the page could not load.

#include "tools/tavo_container/form_clicks.h"
#include "tools/tavo_page/box_answer.h"
#include "tools/tavo_page/event_sink.h"
#include "tools/tavo_page/page_reader.h"
#include "tools/tavo_page/page_script.h"
#include "tools/tavo_page/script_object.h"

#include "tools/screenshot/screenshot.h"
#include "tools/tavo_container/console_text.h"
#include "tools/tavo_container/property_bag.h"
#include "tools/tavo_container/site.h"

#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace tavo::page;
using tavo::container::ClickInForm;
using tavo::container::Utf8;
using tavo::container::Wide;

constexpr UINT_PTR ClickTimer = 1, ExitTimer = 2;
constexpr int ClickPauseMs = 500, ClickTries = 30, Gap = 8, OutputHeight = 140;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return text;
}

std::wstring Text(const VARIANT* value) {
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(value), VARIANT_ALPHABOOL, VT_BSTR)))
        return value->vt == VT_NULL ? L"null" : L"undefined";
    std::wstring result(text.bstrVal, SysStringLen(text.bstrVal));
    VariantClear(&text);
    return result;
}

std::string Hex(HRESULT result) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

struct TOptions {
    std::string PagePath;
    std::wstring Query; // "?a=b", as location.search gives it
    std::string Screenshot;
    int ExitAfterMs = -1;
    std::vector<std::string> Clicks;
    bool AlertBoxes = false;
};

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--screenshot")
            options.Screenshot = value();
        else if (arg == "--exit-after")
            options.ExitAfterMs = std::stoi(value());
        else if (arg == "--click")
            options.Clicks.push_back(value());
        else if (arg == "--alert-box")
            options.AlertBoxes = true;
        else if (arg.rfind("--", 0) == 0 || !options.PagePath.empty())
            throw std::runtime_error("unknown argument " + arg);
        else
            options.PagePath = arg;
    }
    if (options.PagePath.empty())
        throw std::runtime_error("usage: tavo_page PAGE.html[?QUERY] [--screenshot PATH] "
                                 "[--exit-after MS] [--click ACTION]... [--alert-box]");
    if (size_t query = options.PagePath.find('?'); query != std::string::npos) {
        options.Query = Wide(options.PagePath.substr(query));
        options.PagePath.resize(query);
    }
    return options;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// One <object> made live.
struct TLiveObject {
    std::string Id;
    HWND Place = nullptr; // the element's window in the page, the control's parent
    std::unique_ptr<tavo::container::TSite> Site;
    IOleObject* Object = nullptr;
    IDispatch* Automation = nullptr;
    std::unique_ptr<TEventSink> Events;
};

class TPageHost {
public:
    explicit TPageHost(TOptions options) : options_(std::move(options)) {}

    int Run();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Stop(int code) {
        if (stopping_)
            return;
        stopping_ = true;
        exitCode_ = code;
        PostQuitMessage(code);
        // A message loop nested in the control (its network waits pump messages) may take
        // the quit message; this timer posts it again until the page's own loop sees it.
        SetTimer(window_, ExitTimer, 200, nullptr);
    }
    void Print(const std::wstring& line) {
        printf("%s\n", Utf8(line).c_str());
        fflush(stdout);
    }
    void Write(const std::wstring& text) {
        printf("%s", Utf8(text).c_str());
        fflush(stdout);
        std::wstring shown;
        for (wchar_t c : text) // the pane wants CR LF
            shown += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
        const int end = GetWindowTextLengthW(output_);
        SendMessageW(output_, EM_SETSEL, static_cast<WPARAM>(end), end);
        SendMessageW(output_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    void MakeWindow(const TPage& page);
    void MakeObject(const TPageObject& element, RECT place);
    void MakeScriptObjects();
    void RunScripts(const TPage& page);
    void ClickStep();

    TOptions options_;
    HWND window_ = nullptr;
    HWND output_ = nullptr;
    std::vector<std::unique_ptr<TLiveObject>> objects_;
    std::vector<std::unique_ptr<tavo::container::TPropertyBag>> bags_;
    std::unique_ptr<TPageScript> script_;
    TScriptObject window_object_, document_, location_;
    size_t nextClick_ = 0;
    int clickTries_ = 0;
    bool stopping_ = false;
    int exitCode_ = 0;
};

TPageHost* host = nullptr;

LRESULT CALLBACK TPageHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && host) {
        if (wParam == ClickTimer) {
            host->ClickStep();
            return 0;
        }
        if (wParam == ExitTimer) {
            if (host->stopping_)
                PostQuitMessage(host->exitCode_);
            host->Stop(0);
            return 0;
        }
        if (host->script_ && host->script_->OnTimer(wParam))
            return 0;
    }
    if (message == WM_CLOSE && host) {
        host->Stop(host->exitCode_);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TPageHost::MakeWindow(const TPage& page) {
    int width = 320, height = Gap;
    for (const TPageObject& object : page.Objects) {
        width = std::max(width, object.Width + 2 * Gap);
        height += object.Height + Gap;
    }
    height += OutputHeight + Gap;
    WNDCLASSW cls{};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = L"TavoPage";
    RegisterClassW(&cls);
    WNDCLASSW element{};
    element.lpfnWndProc = DefWindowProcW;
    element.hInstance = cls.hInstance;
    element.lpszClassName = L"TavoPageObject";
    RegisterClassW(&element);
    RECT frame{0, 0, width, height};
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    const std::wstring title = page.Title.empty() ? Wide(options_.PagePath) : Wide(page.Title);
    window_ = CreateWindowW(L"TavoPage", title.c_str(), style, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, cls.hInstance, nullptr);
    if (!window_)
        throw std::runtime_error("cannot create the page's window (is there a display?)");
    output_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, Gap,
                              height - OutputHeight - Gap, width - 2 * Gap, OutputHeight, window_,
                              nullptr, cls.hInstance, nullptr);
    SendMessageW(output_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

// As a browser does: the class from the registry, the safety the page needs asked for,
// the <param> values loaded, then in-place activation at the element's place.
void TPageHost::MakeObject(const TPageObject& element, RECT place) {
    const std::string name = "object " + (element.Id.empty() ? "(no id)" : element.Id) + " (line " +
                             std::to_string(element.Line) + ")";
    std::string classId = element.ClassId;
    if (Lower(classId.substr(0, 6)) != "clsid:")
        throw std::runtime_error(name + ": classid \"" + classId +
                                 "\" is not a class identifier (clsid:...)");
    classId = classId.substr(6);
    if (classId.empty() || classId.front() != '{')
        classId = "{" + classId + "}";
    CLSID clsid;
    if (FAILED(CLSIDFromString(Wide(classId).c_str(), &clsid)))
        throw std::runtime_error(name + ": bad class identifier " + classId);

    auto live = std::make_unique<TLiveObject>();
    live->Id = element.Id;
    HRESULT result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                      reinterpret_cast<void**>(&live->Object));
    if (result == REGDB_E_CLASSNOTREG)
        throw std::runtime_error(name + ": class " + classId + " is not registered");
    if (FAILED(result))
        throw std::runtime_error(name + ": class " + classId + " cannot be created (" +
                                 Hex(result) + ")");
    TLiveObject& object = *live;
    objects_.push_back(std::move(live));
    object.Place =
        CreateWindowW(L"TavoPageObject", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, place.left,
                      place.top, place.right - place.left, place.bottom - place.top, window_,
                      nullptr, GetModuleHandleW(nullptr), nullptr);
    object.Site = std::make_unique<tavo::container::TSite>(object.Place, true, Wide(element.Id));
    RECT inside{0, 0, place.right - place.left, place.bottom - place.top};

    IObjectSafety* safety = nullptr;
    if (FAILED(object.Object->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety))))
        throw std::runtime_error(name + ": the control does not say it is safe for a page");
    const DWORD scripting = INTERFACESAFE_FOR_UNTRUSTED_CALLER;
    const DWORD data = INTERFACESAFE_FOR_UNTRUSTED_DATA;
    const bool safe =
        SUCCEEDED(safety->SetInterfaceSafetyOptions(IID_IDispatch, scripting, scripting)) &&
        SUCCEEDED(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag, data, data));
    safety->Release();
    if (!safe)
        throw std::runtime_error(name + ": the control is not safe for scripting and data");

    DWORD misc = 0;
    object.Object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = misc & OLEMISC_SETCLIENTSITEFIRST;
    if (siteFirst)
        object.Object->SetClientSite(object.Site.get());
    IPersistPropertyBag* persist = nullptr;
    if (SUCCEEDED(object.Object->QueryInterface(IID_IPersistPropertyBag,
                                                reinterpret_cast<void**>(&persist)))) {
        if (element.Params.empty()) {
            result = persist->InitNew();
        } else {
            std::vector<std::pair<std::wstring, std::wstring>> values;
            for (const auto& [key, value] : element.Params)
                values.emplace_back(Wide(key), Wide(value));
            bags_.push_back(std::make_unique<tavo::container::TPropertyBag>(std::move(values)));
            result = persist->Load(bags_.back().get(), nullptr);
        }
        persist->Release();
        if (FAILED(result))
            throw std::runtime_error(name + ": the control refused its <param> values (" +
                                     Hex(result) + ")");
    } else if (!element.Params.empty()) {
        throw std::runtime_error(name + ": the control takes no <param> values");
    }
    if (!siteFirst)
        object.Object->SetClientSite(object.Site.get());
    result = object.Object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, object.Site.get(), 0,
                                   object.Place, &inside);
    if (FAILED(result))
        throw std::runtime_error(name + ": in-place activation failed (" + Hex(result) + ")");
    object.Object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object.Automation));
}

void TPageHost::MakeScriptObjects() {
    auto text = [](const std::vector<VARIANT*>& arguments, size_t index) {
        return index < arguments.size() ? Text(arguments[index]) : std::wstring(L"undefined");
    };
    auto number = [](const std::vector<VARIANT*>& arguments, size_t index) {
        VARIANT value;
        VariantInit(&value);
        if (index >= arguments.size() ||
            FAILED(VariantChangeType(&value, arguments[index], 0, VT_I4)))
            return 0;
        return static_cast<int>(value.lVal);
    };
    auto timer = [this, number](bool repeat) {
        return [this, number, repeat](const std::vector<VARIANT*>& arguments, VARIANT* result) {
            if (arguments.empty())
                return DISP_E_BADPARAMCOUNT;
            result->vt = VT_I4;
            result->lVal = script_->AddTimer(*arguments[0], number(arguments, 1), repeat);
            return result->lVal ? S_OK : DISP_E_TYPEMISMATCH;
        };
    };
    auto clear = [this, number](const std::vector<VARIANT*>& arguments, VARIANT*) {
        script_->RemoveTimer(number(arguments, 0));
        return S_OK;
    };
    auto object = [](IDispatch* value) {
        return [value](const std::vector<VARIANT*>&, VARIANT* result) {
            result->vt = VT_DISPATCH;
            result->pdispVal = value;
            value->AddRef();
            return S_OK;
        };
    };
    window_object_.Add(L"alert", [this, text](const std::vector<VARIANT*>& arguments, VARIANT*) {
        if (options_.AlertBoxes)
            MessageBoxW(window_, text(arguments, 0).c_str(), L"Page", MB_OK);
        else
            Print(L"alert: " + text(arguments, 0));
        return S_OK;
    });
    window_object_.Add(L"setInterval", timer(true));
    window_object_.Add(L"setTimeout", timer(false));
    window_object_.Add(L"clearInterval", clear);
    window_object_.Add(L"clearTimeout", clear);
    window_object_.Add(L"close", [this](const std::vector<VARIANT*>&, VARIANT*) {
        Stop(0);
        return S_OK;
    });
    window_object_.Add(L"document", object(&document_));
    window_object_.Add(L"location", object(&location_));
    window_object_.Add(L"window", object(&window_object_));
    document_.Add(L"write", [this, text](const std::vector<VARIANT*>& arguments, VARIANT*) {
        for (size_t i = 0; i < arguments.size(); ++i)
            Write(text(arguments, i));
        return S_OK;
    });
    document_.Add(L"writeln", [this, text](const std::vector<VARIANT*>& arguments, VARIANT*) {
        for (size_t i = 0; i < arguments.size(); ++i)
            Write(text(arguments, i));
        Write(L"\n");
        return S_OK;
    });
    auto string = [](std::wstring value) {
        return [value](const std::vector<VARIANT*>&, VARIANT* result) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(value.c_str());
            return S_OK;
        };
    };
    location_.Add(L"search", string(options_.Query));
    location_.Add(L"href", string(Wide(options_.PagePath) + options_.Query));
}

bool IsJScript(const std::string& language) {
    const std::string name = Lower(language);
    return name.empty() || name == "jscript" || name == "javascript" || name == "text/javascript" ||
           name == "text/jscript";
}

// The page's blocks run first, top to bottom; then the handlers are connected, so that a
// creation event, which the control fires as the page connects, finds the page's functions
// and variables in place.
void TPageHost::RunScripts(const TPage& page) {
    script_ = std::make_unique<TPageScript>(window_, [this](const std::wstring& text) {
        fprintf(stderr, "tavo_page: %s\n", Utf8(text).c_str());
        fflush(stderr);
        Stop(1);
    });
    MakeScriptObjects();
    script_->AddItem(L"window", &window_object_, true);
    for (const auto& object : objects_)
        if (!object->Id.empty() && object->Automation)
            script_->AddItem(Wide(object->Id), object->Automation, false);
    script_->Start();
    for (const TScriptBlock& block : page.Scripts) {
        if (!IsJScript(block.Language) || !block.For.empty())
            continue;
        std::string text = block.Text;
        int line = block.Line;
        if (!block.Source.empty()) {
            text = ReadFile(Folder(options_.PagePath) + block.Source);
            line = 1;
        }
        if (!script_->Run(Wide(text), line))
            return;
    }
    for (const TScriptBlock& block : page.Scripts) {
        if (!IsJScript(block.Language) || block.For.empty())
            continue;
        auto it = std::find_if(objects_.begin(), objects_.end(),
                               [&](const auto& object) { return object->Id == block.For; });
        if (it == objects_.end())
            throw std::runtime_error("line " + std::to_string(block.Line) + ": a handler for \"" +
                                     block.For + "\", which is no object of the page");
        TLiveObject& object = **it;
        if (!object.Events)
            object.Events = std::make_unique<TEventSink>(
                object.Object, [this](IDispatch* handler, DISPPARAMS* arguments) {
                    script_->Call(handler, arguments);
                });
        std::string event = block.Event;
        if (size_t paren = event.find('('); paren != std::string::npos)
            event.resize(paren); // event="OnCreate()"
        const DISPID id = object.Events->EventId(Wide(event));
        IDispatch* handler = script_->Compile(Wide(block.Text), block.Line);
        if (!handler)
            return;
        object.Events->Handle(id, handler);
        handler->Release();
    }
    for (const auto& object : objects_)
        if (object->Events && !script_->Failed())
            object->Events->Connect();
}

void TPageHost::ClickStep() {
    if (nextClick_ >= options_.Clicks.size() || objects_.empty()) {
        KillTimer(window_, ClickTimer);
        return;
    }
    const std::string& click = options_.Clicks[nextClick_];
    try {
        IOleWindow* ole = nullptr;
        HWND form = nullptr;
        if (SUCCEEDED(objects_.front()->Object->QueryInterface(IID_IOleWindow,
                                                               reinterpret_cast<void**>(&ole)))) {
            ole->GetWindow(&form);
            ole->Release();
        }
        if (!form)
            throw std::runtime_error("the control shows no window");
        if (IsBoxAnswer(click) ? AnswerOpenBox(form, click) : ClickInForm(form, click)) {
            Print(L"click: " + Wide(click));
            ++nextClick_;
            clickTries_ = 0;
        } else if (++clickTries_ >= ClickTries) {
            throw std::runtime_error("not there in time");
        }
    } catch (const std::exception& error) {
        KillTimer(window_, ClickTimer);
        fprintf(stderr, "tavo_page: click %s: %s\n", click.c_str(), error.what());
        Stop(1);
    }
}

int TPageHost::Run() {
    const TPage page = ReadPage(ReadFile(options_.PagePath));
    for (const std::string& feature : page.Unsupported)
        fprintf(stderr, "unsupported: %s\n", feature.c_str());
    for (const TScriptBlock& block : page.Scripts)
        if (!IsJScript(block.Language))
            fprintf(stderr, "unsupported: <script language=\"%s\"> (line %d)\n",
                    block.Language.c_str(), block.Line);
    fflush(stderr);

    MakeWindow(page);
    int top = Gap;
    for (const TPageObject& element : page.Objects) {
        MakeObject(element, RECT{Gap, top, Gap + element.Width, top + element.Height});
        top += element.Height + Gap;
    }
    // The clicks start before the scripts run: a box the control opens while a handler waits
    // in it (the log-in from OnCreate) is answered from its own message loop, which runs this
    // timer too. Clicks that need the log-in's result wait for it (a row is not listed yet).
    if (!options_.Clicks.empty())
        SetTimer(window_, ClickTimer, ClickPauseMs, nullptr);
    RunScripts(page);
    if (!script_->Failed()) {
        if (options_.ExitAfterMs >= 0)
            SetTimer(window_, ExitTimer, static_cast<UINT>(options_.ExitAfterMs), nullptr);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    KillTimer(window_, ClickTimer);
    KillTimer(window_, ExitTimer);
    script_->Close(); // no timer runs a script from here on
    if (!options_.Screenshot.empty()) {
        auto picture = tavo::screenshot::CaptureClient(window_, 300);
        if (!tavo::screenshot::WritePng(picture, options_.Screenshot))
            fprintf(stderr, "tavo_page: cannot write %s\n", options_.Screenshot.c_str());
    }
    for (auto& object : objects_) {
        object->Events.reset();
        if (object->Automation)
            object->Automation->Release();
        object->Object->Close(OLECLOSE_NOSAVE);
        object->Object->SetClientSite(nullptr);
        object->Object->Release();
    }
    objects_.clear();
    DestroyWindow(window_);
    return exitCode_;
}

} // namespace

int main(int argc, char** argv) {
    try {
        TOptions options = ParseOptions(argc, argv);
        if (FAILED(OleInitialize(nullptr)))
            throw std::runtime_error("OleInitialize failed");
        TPageHost page(std::move(options));
        host = &page;
        const int code = page.Run();
        host = nullptr;
        return code;
    } catch (const std::exception& error) {
        fprintf(stderr, "tavo_page: %s\n", error.what());
        return 2;
    }
}
