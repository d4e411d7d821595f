#include "tools/tavo_page/form_clicks.h"

#include "form/remote_list_input.h"
#include "form/tavo_form.h"
#include "tools/tavo_container/console_text.h"

#include <commctrl.h>

#include <map>
#include <stdexcept>

namespace tavo::page {
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

} // namespace

bool ClickInForm(HWND form, const std::string& click) {
    static const std::map<std::string, const char*> buttons = {
        {"connect", "ConnectButton"},       {"share", "bsSkinSpeedButton5"},
        {"unshare", "bsSkinSpeedButton8"},  {"send-share", "bsSkinSpeedButton9"},
        {"sharelist:on", "CheckShareList"},
    };
    const bool open = click.rfind("open:", 0) == 0;
    if (open || click.rfind("select:", 0) == 0) {
        HWND list = Widget(form, "ListViewRemote");
        const int row =
            form::FindRemoteRow(list, container::Wide(click.substr(click.find(':') + 1)));
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

} // namespace tavo::page
