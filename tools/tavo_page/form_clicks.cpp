#include "tools/tavo_page/form_clicks.h"

#include "form/tavo_form.h"

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

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(std::max(length, 0)));
    return wide;
}

// The name is the row's second cell (the first holds the type picture's text).
bool SelectRow(HWND form, const std::wstring& name) {
    HWND list = Widget(form, "ListViewRemote");
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) {
        wchar_t text[1024] = {};
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        if (name == text) {
            SetFocus(list);
            ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list, row, FALSE);
            return true;
        }
    }
    return false;
}

// The list's own double-click notice, as it reaches the form when a user double-clicks the
// selected row.
void DoubleClickSelected(HWND form) {
    HWND list = Widget(form, "ListViewRemote");
    NMITEMACTIVATE notice{};
    notice.hdr.hwndFrom = list;
    notice.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    notice.hdr.code = NM_DBLCLK;
    notice.iItem = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    SendMessageW(GetParent(list), WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
}

} // namespace

bool ClickInForm(HWND form, const std::string& click) {
    static const std::map<std::string, const char*> buttons = {
        {"connect", "ConnectButton"},       {"share", "bsSkinSpeedButton5"},
        {"unshare", "bsSkinSpeedButton8"},  {"send-share", "bsSkinSpeedButton9"},
        {"sharelist:on", "CheckShareList"},
    };
    if (click.rfind("select:", 0) == 0)
        return SelectRow(form, Wide(click.substr(7)));
    if (click.rfind("open:", 0) == 0) {
        if (!SelectRow(form, Wide(click.substr(5))))
            return false;
        DoubleClickSelected(form);
        return true;
    }
    auto it = buttons.find(click);
    if (it == buttons.end())
        throw std::runtime_error("unknown click " + click);
    SendMessageW(Widget(form, it->second), BM_CLICK, 0, 0);
    return true;
}

} // namespace tavo::page
