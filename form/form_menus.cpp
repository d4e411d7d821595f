// The pop-up menus: built from the edition's menu resource, opened by a right click on the
// remote list or the share list, and drawn flat by the form.

#include "form/form_ids.h"
#include "form/form_private.h"
#include "form/form_resources.h"

#include <algorithm>

namespace tavo::form {

void TTavoForm::TImpl::LoadMenus() {
    MenuTemplate = LoadEditionMenu(Instance, Edition->Language, IDR_POPUPMENUS);
    if (!MenuTemplate)
        return;
    for (int which = 0; which < 2; ++which) {
        HMENU source = GetSubMenu(MenuTemplate, which);
        for (int position = 0; position < GetMenuItemCount(source); ++position) {
            const UINT id = GetMenuItemID(source, position);
            wchar_t caption[64] = {};
            GetMenuStringW(source, static_cast<UINT>(position), caption,
                           static_cast<int>(std::size(caption)), MF_BYPOSITION);
            if (id != 0 && id != static_cast<UINT>(-1))
                MenuCaptions[id] = caption;
        }
    }
}

void TTavoForm::TImpl::BuildMenus() {
    for (int which = 0; which < 2; ++which) {
        if (!Menus[which])
            Menus[which] = CreatePopupMenu();
        HMENU menu = Menus[which];
        while (GetMenuItemCount(menu) > 0)
            DeleteMenu(menu, 0, MF_BYPOSITION);
        HMENU source = MenuTemplate ? GetSubMenu(MenuTemplate, which) : nullptr;
        const int count = source ? GetMenuItemCount(source) : 0;
        for (int position = 0; position < count; ++position) {
            const UINT id = GetMenuItemID(source, position);
            if (!ShareItemVisible && id == IDM_N17)
                continue;
            auto caption = MenuCaptions.find(id);
            const bool separator = caption == MenuCaptions.end();
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
            item.fType = MFT_OWNERDRAW | (separator ? MFT_SEPARATOR : 0);
            item.wID = separator ? 0 : id;
            // The caption travels as the item's data, for drawing and for anyone who asks.
            item.dwItemData = separator ? 0 : reinterpret_cast<ULONG_PTR>(caption->second.c_str());
            InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &item);
        }
    }
}

void TTavoForm::TImpl::OnContextMenu(HWND source, LPARAM where) {
    HMENU menu = nullptr;
    if (source == Hwnd("ListViewRemote"))
        menu = Menus[0];
    else if (source == Hwnd("ShareListBox"))
        menu = Menus[1];
    if (!menu)
        return;
    POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) {
        RECT rect;
        GetWindowRect(source, &rect);
        point = {rect.left + 8, rect.top + 8};
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_LEFTALIGN, point.x, point.y, 0, Window, nullptr);
}

void TTavoForm::TImpl::OnMeasureItem(MEASUREITEMSTRUCT* item) {
    if (item->CtlType == ODT_LISTBOX) {
        item->itemHeight = static_cast<UINT>(Scale()(ShareLineHeight));
        return;
    }
    if (item->CtlType != ODT_MENU)
        return;
    const auto* caption = reinterpret_cast<const wchar_t*>(item->itemData);
    if (!caption) {
        item->itemWidth = 60;
        item->itemHeight = 7;
        return;
    }
    HDC dc = GetDC(Window);
    HGDIOBJ old = SelectObject(dc, MenuFont);
    SIZE size{};
    GetTextExtentPoint32W(dc, caption, static_cast<int>(wcslen(caption)), &size);
    SelectObject(dc, old);
    ReleaseDC(Window, dc);
    item->itemWidth = static_cast<UINT>(24 + 8 + size.cx + 24);
    item->itemHeight = static_cast<UINT>(std::max<LONG>(22, size.cy + 8));
}

void TTavoForm::TImpl::DrawMenuItem(const DRAWITEMSTRUCT& item) {
    // Flat: a picture column of 24 pixels, the selection in the highlight colour with a border
    // around it.
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const auto* caption = reinterpret_cast<const wchar_t*>(item.itemData);
    FillRect(dc, &rect, GetSysColorBrush(COLOR_MENU));
    RECT column{rect.left, rect.top, rect.left + 24, rect.bottom};
    FillRect(dc, &column, GetSysColorBrush(COLOR_BTNFACE));
    if (!caption) {
        RECT line{rect.left + 28, (rect.top + rect.bottom) / 2, rect.right - 2,
                  (rect.top + rect.bottom) / 2 + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
        return;
    }
    if (item.itemState & ODS_SELECTED) {
        HBRUSH fill = CreateSolidBrush(RGB(220, 228, 250));
        FillRect(dc, &rect, fill);
        DeleteObject(fill);
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    HGDIOBJ old = SelectObject(dc, MenuFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(item.itemState & ODS_DISABLED ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    RECT text{rect.left + 32, rect.top, rect.right - 8, rect.bottom};
    DrawTextW(dc, caption, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(dc, old);
}

} // namespace tavo::form
