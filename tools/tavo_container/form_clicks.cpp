#include "tools/tavo_container/form_clicks.h"

#include "form/remote_list_input.h"
#include "form/tavo_form.h"
#include "tools/tavo_container/console_text.h"

#include <commctrl.h>

#include <map>
#include <stdexcept>

namespace tavo::container {
namespace {

struct TFind {
    int Id;
    HWND Found;
};

BOOL CALLBACK MatchId(HWND window, LPARAM data) {
    auto* find = reinterpret_cast<TFind*>(data);
    if (GetDlgCtrlID(window) != find->Id)
        return TRUE;
    find->Found = window;
    return FALSE;
}

// A widget a user can reach: shown and enabled.
HWND Widget(HWND form, const char* field) {
    TFind find{form::TTavoForm::WidgetId(field), nullptr};
    EnumChildWindows(form, MatchId, reinterpret_cast<LPARAM>(&find));
    if (!find.Found)
        throw std::runtime_error(std::string("the control has no widget ") + field);
    if (!IsWindowVisible(find.Found) || !IsWindowEnabled(find.Found))
        throw std::runtime_error(std::string(field) + " is not shown or not enabled");
    return find.Found;
}

std::wstring& ChooserPath() {
    static std::wstring path;
    return path;
}
UINT_PTR chooserTimer = 0;
std::chrono::steady_clock::time_point chooserAnswered;

BOOL CALLBACK FindChooser(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK AnswerChooser(HWND, UINT, UINT_PTR, DWORD) {
    HWND chooser = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindChooser, reinterpret_cast<LPARAM>(&chooser));
    if (!chooser)
        return;
    // The explorer-style chooser keeps the name in cmb13, the older one in edt1.
    for (int field : {0x47c, 0x480})
        if (GetDlgItem(chooser, field))
            SetDlgItemTextW(chooser, field, ChooserPath().c_str());
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
    KillTimer(nullptr, chooserTimer);
    chooserTimer = 0;
    chooserAnswered = std::chrono::steady_clock::now();
}

} // namespace

void AnswerNextChooser(const std::wstring& path) {
    ChooserPath() = path;
    if (chooserTimer == 0)
        chooserTimer = SetTimer(nullptr, 0, 50, AnswerChooser);
}

bool ChooserAnswerPending() {
    return chooserTimer != 0;
}

std::chrono::steady_clock::time_point LastChooserAnswer() {
    return chooserAnswered;
}

bool ClickInForm(HWND form, const std::string& click) {
    static const std::map<std::string, const char*> buttons = {
        {"connect", "ConnectButton"},       {"share", "bsSkinSpeedButton5"},
        {"unshare", "bsSkinSpeedButton8"},  {"send-share", "bsSkinSpeedButton9"},
        {"sharelist:on", "CheckShareList"}, {"upload", "bsSkinSpeedButton3"},
    };
    const bool open = click.rfind("open:", 0) == 0;
    if (open || click.rfind("select:", 0) == 0) {
        HWND list = Widget(form, "ListViewRemote");
        const int row = form::FindRemoteRow(list, Wide(click.substr(click.find(':') + 1)));
        if (row < 0)
            return false; // not listed yet
        SetFocus(list);
        form::SelectRemoteRow(list, row);
        if (open)
            form::DoubleClickRemoteList(list);
        return true;
    }
    auto it = buttons.find(click);
    if (it == buttons.end())
        throw std::runtime_error("unknown click " + click);
    SendMessageW(Widget(form, it->second), BM_CLICK, 0, 0);
    return true;
}

} // namespace tavo::container
