// The share list: an owner-drawn list box of the shared entries, each beside the blank
// document picture, and the view contract's operations on it.

#include "form/code_page.h"
#include "form/form_private.h"

#include <commctrl.h>

#include <algorithm>

namespace tavo::form {

void TTavoForm::TImpl::DrawShareLine(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool selected = item.itemState & ODS_SELECTED;
    FillRect(dc, &rect, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : WhiteBrush);
    if (item.itemID == static_cast<UINT>(-1))
        return;
    if (SharePictures)
        ImageList_Draw(SharePictures, 0, dc, rect.left + 1, rect.top + 1, ILD_TRANSPARENT);
    const auto length =
        std::max<LRESULT>(SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0), 0);
    std::wstring line(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<size_t>(length));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text{rect.left + 20, rect.top, rect.right, rect.bottom};
    DrawTextW(dc, line.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rect);
}

std::vector<std::string> TTavoForm::ShareLines() {
    return impl_->ShareLines;
}

void TTavoForm::AddShareLine(const std::string& line) {
    impl_->ShareLines.push_back(line);
    std::wstring wide = Wide(line, static_cast<UINT>(impl_->CodePage()));
    SendMessageW(impl_->Hwnd("ShareListBox"), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

bool TTavoForm::RemoveSelectedShareLine() {
    HWND list = impl_->Hwnd("ShareListBox");
    const auto index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= impl_->ShareLines.size())
        return false;
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    impl_->ShareLines.erase(impl_->ShareLines.begin() + index);
    return true;
}

} // namespace tavo::form
