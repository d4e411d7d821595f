#include "tools/tavo_host/window_driver.h"

#include "form/code_page.h"
#include "form/form_boxes.h"
#include "form/remote_list_input.h"
#include "form/tavo_form.h"

#include <commctrl.h>
#include <dlgs.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>

namespace tavo::host {
namespace {

using namespace controller;
using form::TTavoForm;

constexpr wchar_t HelperClassName[] = L"TavoHostHelper";
constexpr UINT_PTR AnswerTimerId = 1;
// The form's Timer1 runs under this id.
constexpr UINT_PTR FormTimerId = 1;

void Click(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
}

// A button of a box by its command id, when the box has one.
HWND BoxButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button) ? button : nullptr;
}

HWND FirstChildOfClass(HWND parent, const wchar_t* cls) {
    return FindWindowExW(parent, nullptr, cls, nullptr);
}

// Presses the box's button for the answer; a box without that button is closed.
void PressOrClose(HWND box, int id) {
    if (HWND button = BoxButton(box, id))
        Click(button);
    else
        PostMessageW(box, WM_CLOSE, 0, 0);
}

int ButtonId(TModalResult answer) {
    switch (answer) {
    case mrOk:
        return IDOK;
    case mrYes:
        return IDYES;
    case mrNo:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

// The controller's view in window mode: every operation goes to the form, and is printed by
// the headless view, which also prints the answer the real box gave.
class TWindowView : public ITavoView {
public:
    explicit TWindowView(THeadlessView& printer) : printer_(printer) {}

    TTavoForm* Form = nullptr;
    // What to do to the next modal box or dialog that opens on this thread.
    std::function<void(HWND)> Answer;
    std::deque<TModalResult> BoxAnswers;
    std::deque<std::optional<std::string>> TextAnswers;
    std::deque<std::optional<std::string>> PathAnswers;

    void SetStatusText(const std::string& text) override {
        Form->SetStatusText(text);
        printer_.SetStatusText(text);
    }
    TModalResult ShowMessageBox(const std::string& text, TMessageKind kind,
                                TMessageButtons buttons) override {
        const bool queued = !BoxAnswers.empty();
        if (queued) {
            const int id = ButtonId(BoxAnswers.front());
            BoxAnswers.pop_front();
            Answer = [id](HWND box) { PressOrClose(box, id); };
        } else {
            Answer = Close;
        }
        const TModalResult result = Form->ShowMessageBox(text, kind, buttons);
        Answer = nullptr;
        if (queued)
            printer_.BoxAnswers.push_back({result});
        printer_.ShowMessageBox(text, kind, buttons);
        return result;
    }
    bool AskText(const std::string& caption, const std::string& prompt,
                 std::string& value) override {
        const bool queued = !TextAnswers.empty();
        if (queued) {
            std::optional<std::string> text = TextAnswers.front();
            TextAnswers.pop_front();
            const UINT codePage = static_cast<UINT>(CodePage);
            Answer = [text, codePage](HWND box) {
                if (!text)
                    return PressOrClose(box, IDCANCEL);
                SetWindowTextW(FirstChildOfClass(box, L"Edit"), Wide(*text, codePage).c_str());
                PressOrClose(box, IDOK);
            };
        } else {
            Answer = Close;
        }
        std::string edited = value;
        const bool ok = Form->AskText(caption, prompt, edited);
        Answer = nullptr;
        if (queued)
            printer_.TextAnswers.push_back(
                {ok ? std::optional<std::string>(edited) : std::nullopt});
        printer_.AskText(caption, prompt, value);
        if (ok)
            value = edited;
        return ok;
    }
    std::optional<std::string> ChooseUploadFile(const std::string& initialFolder) override {
        return Choose([&] { return Form->ChooseUploadFile(initialFolder); },
                      [&] { printer_.ChooseUploadFile(initialFolder); });
    }
    std::optional<std::string> ChooseSaveFile(const std::string& initialFolder,
                                              const std::string& suggestedName) override {
        return Choose([&] { return Form->ChooseSaveFile(initialFolder, suggestedName); },
                      [&] { printer_.ChooseSaveFile(initialFolder, suggestedName); });
    }
    void ReportError(const std::string& message) override {
        // The report is a box with OK only: whoever sees it presses OK.
        Answer = [](HWND box) { PressOrClose(box, IDOK); };
        Form->ReportError(message);
        Answer = nullptr;
        printer_.ReportError(message);
    }
    void ClearRemoteRows() override {
        Form->ClearRemoteRows();
        printer_.ClearRemoteRows();
    }
    void AddRemoteRow(const TRemoteRow& row) override {
        Form->AddRemoteRow(row);
        printer_.AddRemoteRow(row);
    }
    std::optional<TSelectedRow> SelectedRemoteRow() override { return Form->SelectedRemoteRow(); }
    std::string SelectedRemoteSize() override { return Form->SelectedRemoteSize(); }
    std::string GetCurrentDirText() override { return Form->GetCurrentDirText(); }
    void SetCurrentDirText(const std::string& text) override {
        Form->SetCurrentDirText(text);
        printer_.SetCurrentDirText(text);
    }
    std::string GetConnectCaption() override { return Form->GetConnectCaption(); }
    void SetConnectButton(const std::string& caption, const std::string& hint) override {
        Form->SetConnectButton(caption, hint);
        printer_.SetConnectButton(caption, hint);
    }
    void SetConnectButtonEnabled(bool enabled) override {
        Form->SetConnectButtonEnabled(enabled);
        printer_.SetConnectButtonEnabled(enabled);
    }
    void RearmButton(TToolButton button) override {
        Form->RearmButton(button);
        printer_.RearmButton(button);
    }
    void ShowShareCommands(bool visible) override {
        Form->ShowShareCommands(visible);
        printer_.ShowShareCommands(visible);
    }
    void PlaceProgressBar() override {
        Form->PlaceProgressBar();
        printer_.PlaceProgressBar();
    }
    void SetProgressMax(int32_t count) override {
        Form->SetProgressMax(count);
        printer_.SetProgressMax(count);
    }
    void SetProgressPosition(int32_t count) override {
        Form->SetProgressPosition(count);
        printer_.SetProgressPosition(count);
    }
    bool IsPassiveChecked() override { return Form->IsPassiveChecked(); }
    void SetPassiveChecked(bool checked) override {
        Form->SetPassiveChecked(checked);
        printer_.SetPassiveChecked(checked);
    }
    bool IsShareListChecked() override { return Form->IsShareListChecked(); }
    void SetShareListChecked(bool checked) override {
        Form->SetShareListChecked(checked);
        printer_.SetShareListChecked(checked);
    }
    void SetShareListCheckEnabled(bool enabled) override {
        Form->SetShareListCheckEnabled(enabled);
        printer_.SetShareListCheckEnabled(enabled);
    }
    bool IsTraceChecked() override { return Form->IsTraceChecked(); }
    void AppendTraceLine(const std::string& text) override {
        Form->AppendTraceLine(text);
        printer_.AppendTraceLine(text);
    }
    void RemoveFirstTraceLine() override {
        Form->RemoveFirstTraceLine();
        printer_.RemoveFirstTraceLine();
    }
    void ShowTracePanel(bool visible) override {
        Form->ShowTracePanel(visible);
        printer_.ShowTracePanel(visible);
    }
    void ShowSharePanel(bool visible, const TSharePanelLayout& layout) override {
        Form->ShowSharePanel(visible, layout);
        printer_.ShowSharePanel(visible, layout);
    }
    void LayOutShareList(int heightMargin, int buttonsBarHeight) override {
        Form->LayOutShareList(heightMargin, buttonsBarHeight);
        printer_.LayOutShareList(heightMargin, buttonsBarHeight);
    }
    std::vector<std::string> ShareLines() override { return Form->ShareLines(); }
    void AddShareLine(const std::string& line) override {
        Form->AddShareLine(line);
        printer_.AddShareLine(line);
    }
    bool RemoveSelectedShareLine() override {
        const auto selected = SendMessageW(Form->Widget("ShareListBox"), LB_GETCURSEL, 0, 0);
        printer_.SelectShareLine(static_cast<int>(selected));
        if (!Form->RemoveSelectedShareLine())
            return false;
        printer_.RemoveSelectedShareLine();
        return true;
    }

    int CodePage = 0;

private:
    static void Close(HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }

    std::optional<std::string> Choose(const std::function<std::optional<std::string>()>& show,
                                      const std::function<void()>& print) {
        const bool queued = !PathAnswers.empty();
        if (queued) {
            std::optional<std::string> path = PathAnswers.front();
            PathAnswers.pop_front();
            Answer = [path](HWND dialog) {
                if (!path)
                    return PressOrClose(dialog, IDCANCEL);
                // The file-name box of the explorer-style dialog (a combo box), or of the
                // old-style one (an edit); paths are in the ANSI code page, as the form reads.
                HWND name = GetDlgItem(dialog, cmb13);
                if (!name)
                    name = GetDlgItem(dialog, edt1);
                SetWindowTextW(name, Wide(*path, CP_ACP).c_str());
                PressOrClose(dialog, IDOK);
            };
        } else {
            Answer = Close;
        }
        std::optional<std::string> chosen = show();
        Answer = nullptr;
        if (queued)
            printer_.PathAnswers.push_back({chosen});
        print();
        return chosen;
    }

    THeadlessView& printer_;
};

TWindowView* activeView = nullptr;
HWND helperWindow = nullptr;
HWND openedBox = nullptr;

bool IsBoxClass(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return wcscmp(name, form::BoxClassName) == 0 || wcscmp(name, L"#32770") == 0;
}

// A box is answered a moment after it opens, from its own message loop, as a user's click
// would arrive: by then it has its buttons and has handled what it posted to itself.
LRESULT CALLBACK WatchForBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && activeView && activeView->Answer && !openedBox) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        HWND window = reinterpret_cast<HWND>(wParam);
        if (!(create->lpcs->style & WS_CHILD) && IsBoxClass(window)) {
            openedBox = window;
            SetTimer(helperWindow, AnswerTimerId, 50, nullptr);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == AnswerTimerId) {
        KillTimer(window, AnswerTimerId);
        HWND box = openedBox;
        openedBox = nullptr;
        if (activeView && activeView->Answer && box && IsWindow(box)) {
            auto answer = std::move(activeView->Answer);
            activeView->Answer = nullptr;
            answer(box);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class TFormDriver : public TWindowDriver {
public:
    TFormDriver(THeadlessView& printer, const TCatalogue& catalogue)
        : printer_(printer), view_(printer) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW cls{};
        cls.lpfnWndProc = HelperProc;
        cls.hInstance = instance;
        cls.lpszClassName = HelperClassName;
        RegisterClassW(&cls);
        helperWindow = CreateWindowW(HelperClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     instance, nullptr);
        view_.CodePage = catalogue.CodePage;
        activeView = &view_;
        hook_ = SetWindowsHookExW(WH_CBT, WatchForBoxes, nullptr, GetCurrentThreadId());
        form_ =
            TTavoForm::Create(instance, nullptr, &catalogue, [this](TTavoForm& form) -> ITavoView& {
                view_.Form = &form;
                return view_;
            });
        if (!form_ || !helperWindow || !hook_)
            throw std::runtime_error("cannot create the form's window (is there a display?)");
        Settle();
    }
    ~TFormDriver() override {
        form_.reset();
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (helperWindow)
            DestroyWindow(helperWindow);
        activeView = nullptr;
        helperWindow = nullptr;
    }

    TTavo& Controller() override { return form_->Controller(); }

    bool Command(const std::string& verb) override {
        static const std::map<std::string, const char*> buttons = {
            {"connect", "ConnectButton"},        {"download", "bsSkinSpeedButton6"},
            {"up", "bsSkinSpeedButton7"},        {"upload", "bsSkinSpeedButton3"},
            {"delete", "bsSkinSpeedButton4"},    {"mkdir", "CreateDirButton"},
            {"rmdir", "DelDirButton"},           {"rename", "bsSkinSpeedButton2"},
            {"share", "bsSkinSpeedButton5"},     {"unshare", "bsSkinSpeedButton8"},
            {"sendshare", "bsSkinSpeedButton9"},
        };
        if (verb == "dblclick") {
            DoubleClickRemoteList();
            return true;
        }
        auto it = buttons.find(verb);
        if (it == buttons.end())
            return false;
        Click(Usable(it->second));
        return true;
    }

    bool Check(const std::string& box, bool on) override {
        static const std::map<std::string, const char*> boxes = {
            {"passive", "UsePassive"}, {"sharelist", "CheckShareList"}, {"trace", "TraceCheckBox"}};
        auto it = boxes.find(box);
        if (it == boxes.end())
            return false;
        HWND widget = Usable(it->second);
        if ((SendMessageW(widget, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) {
            Click(widget);
        } else {
            // Already so: a click would turn it over, so only the box's click notice goes out,
            // as a program setting the box sends it.
            SendMessageW(GetParent(widget), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(widget), BN_CLICKED),
                         reinterpret_cast<LPARAM>(widget));
        }
        return true;
    }

    void SelectRow(const std::optional<std::string>& name) override {
        Settle();
        HWND list = form_->Widget("ListViewRemote");
        if (!name) {
            ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
            printer_.SelectNoRow();
            return;
        }
        const int row = form::FindRemoteRow(list, Wide(*name, static_cast<UINT>(view_.CodePage)));
        if (row >= 0) {
            form::SelectRemoteRow(list, row);
            printer_.SelectRow(*name);
            return;
        }
        throw std::runtime_error("no remote row named " + *name);
    }

    void SelectShareLine(int index) override {
        HWND list = form_->Widget("ShareListBox");
        if (index < -1 || index >= SendMessageW(list, LB_GETCOUNT, 0, 0))
            throw std::runtime_error("no share line " + std::to_string(index));
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        printer_.SelectShareLine(index);
    }

    void QueueBoxAnswer(TModalResult answer) override { view_.BoxAnswers.push_back(answer); }
    void QueueTextAnswer(const std::optional<std::string>& text) override {
        view_.TextAnswers.push_back(text);
    }
    void QueuePathAnswer(const std::optional<std::string>& path) override {
        view_.PathAnswers.push_back(path);
    }
    void Tick() override { SendMessageW(form_->Handle(), WM_TIMER, FormTimerId, 0); }

    void PrintRows() override {
        Settle();
        std::optional<TSelectedRow> selected = form_->SelectedRemoteRow();
        if (!selected || !printer_.SelectRow(selected->Name))
            printer_.SelectNoRow();
        printer_.PrintRows();
    }

    void Settle() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

private:
    // A widget a user can click: shown and enabled.
    HWND Usable(const char* field) {
        HWND widget = form_->Widget(field);
        if (!widget || !IsWindowVisible(widget))
            throw std::runtime_error(std::string(field) + " is not shown");
        if (!IsWindowEnabled(widget))
            throw std::runtime_error(std::string(field) + " is disabled");
        return widget;
    }

    void DoubleClickRemoteList() {
        Settle();
        form::DoubleClickRemoteList(Usable("ListViewRemote"));
    }

    THeadlessView& printer_;
    TWindowView view_;
    HHOOK hook_ = nullptr;
    std::unique_ptr<TTavoForm> form_;
};

} // namespace

bool WindowModeAvailable() {
    return true;
}

std::unique_ptr<TWindowDriver> StartWindowDriver(THeadlessView& printer,
                                                 const TCatalogue& catalogue) {
    return std::make_unique<TFormDriver>(printer, catalogue);
}

} // namespace tavo::host
