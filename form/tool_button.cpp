// The tool buttons: owner-drawn buttons, flat and light, with the picture before the caption.

#include "form/form_private.h"

namespace tavo::form {
namespace {

void DrawPicture(HDC dc, HBITMAP picture, int left, int top) {
    BITMAP info{};
    if (!picture || !GetObjectW(picture, sizeof info, &info))
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, picture);
    // The pictures are drawn on white; like a tool-button glyph, the bottom-left pixel's colour
    // is the transparent one.
    const COLORREF transparent = GetPixel(source, 0, info.bmHeight - 1);
    TransparentBlt(dc, left, top, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth,
                   info.bmHeight, transparent);
    SelectObject(source, old);
    DeleteDC(source);
}

} // namespace

// Every press of a tool button is a click that runs its command: the button class would turn a
// quick second press of an owner-drawn button into a double-click notice, and the command would
// run once for two clicks.
LRESULT CALLBACK ToolButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    return DefSubclassProc(button, message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, wParam,
                           lParam);
}

void TTavoForm::TImpl::DrawToolButton(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool selected = item.itemState & ODS_SELECTED;
    // The directory box's label is a button shown pressed.
    const bool label = item.hwndItem == Hwnd("bsSkinSpeedButton1");
    const bool disabled = (item.itemState & ODS_DISABLED) && !label;
    HBRUSH face = CreateSolidBrush(selected || label ? RGB(222, 228, 246) : PanelColour);
    FillRect(dc, &rect, face);
    DeleteObject(face);
    DrawEdge(dc, &rect, selected || label ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    wchar_t caption[64] = {};
    GetWindowTextW(item.hwndItem, caption, static_cast<int>(std::size(caption)));
    HBITMAP picture = nullptr;
    if (auto it = Pictures.find(item.hwndItem); it != Pictures.end())
        picture = it->second;
    BITMAP info{};
    if (picture)
        GetObjectW(picture, sizeof info, &info);
    HGDIOBJ old = SelectObject(dc, FormFont);
    SIZE textSize{};
    const int captionLength = static_cast<int>(wcslen(caption));
    if (captionLength)
        GetTextExtentPoint32W(dc, caption, captionLength, &textSize);
    const int gap = picture && captionLength ? 3 : 0;
    const int total = (picture ? info.bmWidth : 0) + gap + textSize.cx;
    int left = rect.left + (rect.right - rect.left - total) / 2 + (selected ? 1 : 0);
    const int middle = (rect.top + rect.bottom) / 2 + (selected ? 1 : 0);
    if (picture) {
        DrawPicture(dc, picture, left, middle - info.bmHeight / 2);
        left += info.bmWidth + gap;
    }
    if (captionLength) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        TextOutW(dc, left, middle - textSize.cy / 2, caption, captionLength);
    }
    SelectObject(dc, old);
}

} // namespace tavo::form
