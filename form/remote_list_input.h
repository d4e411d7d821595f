#pragma once
// A user's input to the form's remote list, for programs that drive the form by its window
// handles (the scripted host's window mode, the page host's clicks).

#include <windows.h>

#include <commctrl.h>

#include <iterator>
#include <string>

namespace tavo::form {

// The row whose name (the second cell; the first holds the type text) is `name`, or -1.
inline int FindRemoteRow(HWND list, const std::wstring& name) {
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) {
        wchar_t text[1024] = {};
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        if (name == text)
            return row;
    }
    return -1;
}

inline void SelectRemoteRow(HWND list, int row) {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

// The list's own double-click notice, as it reaches the form when a user double-clicks the
// selected row.
inline void DoubleClickRemoteList(HWND list) {
    NMITEMACTIVATE notice{};
    notice.hdr.hwndFrom = list;
    notice.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    notice.hdr.code = NM_DBLCLK;
    notice.iItem = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    SendMessageW(GetParent(list), WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
}

} // namespace tavo::form
