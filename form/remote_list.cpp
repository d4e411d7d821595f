// The remote list: a virtual list view whose rows the form keeps and hands out as the list
// draws them, with the skinned scroll bar beside it that follows the list's own.

#include "form/code_page.h"
#include "form/form_private.h"

#include <commctrl.h>

#include <algorithm>

namespace tavo::form {

using controller::TRemoteRow;
using controller::TSelectedRow;

LRESULT CALLBACK RemoteListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR impl) {
    LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    switch (message) {
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_SIZE:
    case WM_PAINT:
    case LVM_SETITEMCOUNT:
    case LVM_ENSUREVISIBLE:
    case LVM_SCROLL:
    case LVM_DELETEALLITEMS:
        reinterpret_cast<TTavoForm::TImpl*>(impl)->SyncSkinScrollBar();
        break;
    }
    return result;
}

LRESULT TTavoForm::TImpl::OnRemoteListNotify(NMHDR* header) {
    HWND list = Hwnd("ListViewRemote");
    if (header->hwndFrom == ListView_GetHeader(list)) {
        if (header->code != HDN_ITEMCHANGINGW && header->code != HDN_ITEMCHANGINGA)
            return 0;
        // A column dragged narrower than its least width keeps its width.
        const auto* change = reinterpret_cast<NMHEADERW*>(header);
        return change->pitem && (change->pitem->mask & HDI_WIDTH) && change->iItem >= 0 &&
               change->iItem < 4 && change->pitem->cxy < Scale()(ColumnWidths[change->iItem]);
    }
    switch (header->code) {
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        LVITEMW& item = info->item;
        if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= Rows.size())
            return 0;
        const TRemoteRow& row = Rows[static_cast<size_t>(item.iItem)];
        if (item.mask & LVIF_TEXT && item.pszText && item.cchTextMax > 0) {
            const std::string* cell = nullptr;
            if (item.iSubItem == 0)
                cell = &row.TypeText;
            else if (static_cast<size_t>(item.iSubItem) <= row.Cells.size())
                cell = &row.Cells[static_cast<size_t>(item.iSubItem) - 1];
            DisplayText = cell ? Wide(*cell, static_cast<UINT>(CodePage())) : std::wstring();
            const size_t room = static_cast<size_t>(item.cchTextMax) - 1;
            const size_t length = std::min(room, DisplayText.size());
            std::copy_n(DisplayText.c_str(), length, item.pszText);
            item.pszText[length] = L'\0';
        }
        if (item.mask & LVIF_IMAGE)
            item.iImage = row.IconIndex;
        return 0;
    }
    case NM_DBLCLK:
        Run(&controller::TTavo::ListViewRemoteDblClick);
        return 0;
    }
    return 0;
}

void TTavoForm::TImpl::OnSkinScroll(int code) {
    HWND list = Hwnd("ListViewRemote");
    HWND bar = Hwnd("bsSkinScrollBar9");
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(bar, SB_CTL, &info);
        RECT row{};
        if (!ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS))
            return;
        const int delta = info.nTrackPos - ListView_GetTopIndex(list);
        ListView_Scroll(list, 0, delta * (row.bottom - row.top));
        return;
    }
    SendMessageW(list, WM_VSCROLL, MAKEWPARAM(code, 0), 0);
}

void TTavoForm::TImpl::SyncSkinScrollBar() {
    HWND bar = Hwnd("bsSkinScrollBar9");
    if (!bar)
        return;
    SCROLLINFO list{};
    list.cbSize = sizeof list;
    list.fMask = SIF_ALL;
    const bool scrolls = GetScrollInfo(Hwnd("ListViewRemote"), SB_VERT, &list) && list.nMax > 0 &&
                         static_cast<int>(list.nPage) <= list.nMax;
    SCROLLINFO current{};
    current.cbSize = sizeof current;
    current.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &current);
    if (!scrolls) {
        if (current.nMax != 0 || IsWindowEnabled(bar)) {
            SCROLLINFO empty{};
            empty.cbSize = sizeof empty;
            empty.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
            SetScrollInfo(bar, SB_CTL, &empty, TRUE);
            EnableScrollBar(bar, SB_CTL, ESB_DISABLE_BOTH);
        }
        return;
    }
    if (current.nMin == list.nMin && current.nMax == list.nMax && current.nPage == list.nPage &&
        current.nPos == list.nPos)
        return;
    EnableScrollBar(bar, SB_CTL, ESB_ENABLE_BOTH);
    list.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    SetScrollInfo(bar, SB_CTL, &list, TRUE);
}

void TTavoForm::TImpl::SyncRows() {
    if (!RowsPending)
        return;
    RowsPending = false;
    HWND list = Hwnd("ListViewRemote");
    SendMessageW(list, LVM_SETITEMCOUNT, Rows.size(), LVSICF_NOSCROLL);
    if (FocusedRow >= 0 && static_cast<size_t>(FocusedRow) < Rows.size())
        ListView_SetItemState(list, FocusedRow, LVIS_FOCUSED, LVIS_FOCUSED);
}

// ---- The view contract's remote rows.

void TTavoForm::ClearRemoteRows() {
    impl_->Rows.clear();
    impl_->FocusedRow = -1;
    impl_->RowsPending = false;
    SendMessageW(impl_->Hwnd("ListViewRemote"), LVM_SETITEMCOUNT, 0, 0);
}

void TTavoForm::AddRemoteRow(const TRemoteRow& row) {
    if (row.Focused)
        impl_->FocusedRow = static_cast<int>(impl_->Rows.size());
    impl_->Rows.push_back(row);
    // The list learns its new length once the listing is in, not row by row.
    if (!impl_->RowsPending) {
        impl_->RowsPending = true;
        PostMessageW(impl_->Window, SyncRowsMessage, 0, 0);
    }
}

std::optional<TSelectedRow> TTavoForm::SelectedRemoteRow() {
    impl_->SyncRows();
    const int index = ListView_GetNextItem(impl_->Hwnd("ListViewRemote"), -1, LVNI_SELECTED);
    if (index < 0 || static_cast<size_t>(index) >= impl_->Rows.size())
        return std::nullopt;
    const TRemoteRow& row = impl_->Rows[static_cast<size_t>(index)];
    return TSelectedRow{row.Cells.empty() ? std::string() : row.Cells[0], row.IconIndex};
}

std::string TTavoForm::SelectedRemoteSize() {
    impl_->SyncRows();
    const int index = ListView_GetNextItem(impl_->Hwnd("ListViewRemote"), -1, LVNI_SELECTED);
    if (index < 0 || static_cast<size_t>(index) >= impl_->Rows.size())
        return {};
    const TRemoteRow& row = impl_->Rows[static_cast<size_t>(index)];
    return row.Cells.size() > 1 ? row.Cells[1] : std::string();
}

} // namespace tavo::form
