// The status bar with its two panels, and the progress bar that sits in the first: the view
// contract's status text and progress, shown at most every RepaintEvery.

#include "form/code_page.h"
#include "form/form_private.h"

#include <commctrl.h>

namespace tavo::form {

// The status bar draws itself in its colour: common controls with a visual style ignore the
// background colour they are given.
LRESULT CALLBACK StatusBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    if (message == WM_ERASEBKGND)
        return 1;
    if (message != WM_PAINT)
        return DefSubclassProc(bar, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    RECT client;
    GetClientRect(bar, &client);
    HBRUSH fill = CreateSolidBrush(StatusBarColour);
    FillRect(dc, &client, fill);
    DeleteObject(fill);
    int parts[2] = {};
    const int count =
        static_cast<int>(SendMessageW(bar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts)));
    int left = 0;
    for (int part = 0; part < count; ++part) {
        RECT box{left, client.top, parts[part] < 0 ? client.right : parts[part], client.bottom};
        DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
        const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0));
        if (length > 0) {
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
            text.resize(length);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(bar, WM_GETFONT, 0, 0)));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            RECT inside{box.left + 4, box.top, box.right - 2, box.bottom};
            DrawTextW(dc, text.c_str(), -1, &inside,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            SelectObject(dc, old);
        }
        left = box.right;
    }
    EndPaint(bar, &paint);
    return 0;
}

void TTavoForm::TImpl::ShowStatusAndProgress(bool now) {
    const ULONGLONG time = GetTickCount64();
    if (!now && time - LastRepaint < static_cast<ULONGLONG>(RepaintEvery.count())) {
        if (!RepaintDue) {
            RepaintDue = true;
            SetTimer(Window, RepaintTimerId, static_cast<UINT>(RepaintEvery.count()), nullptr);
        }
        return;
    }
    if (RepaintDue) {
        KillTimer(Window, RepaintTimerId);
        RepaintDue = false;
    }
    LastRepaint = time;
    HWND status = Hwnd("StatusBar1");
    if (StatusText != ShownStatusText) {
        const std::wstring text = Wide(StatusText, static_cast<UINT>(CodePage()));
        SendMessageW(status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
        // Wine's status bar keeps the part bounds of its creation size when it is created with
        // CCS_NORESIZE, so its own invalidation of the part misses: the new text would not show.
        InvalidateRect(status, nullptr, FALSE);
        ShownStatusText = StatusText;
    }
    HWND progress = Hwnd("ProgressBar1");
    if (SendMessageW(progress, PBM_GETPOS, 0, 0) != ProgressPosition)
        SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(ProgressPosition), 0);
}

// ---- The view contract's status text and progress.

void TTavoForm::SetStatusText(const std::string& text) {
    impl_->StatusText = text;
    impl_->ShowStatusAndProgress(false);
}

void TTavoForm::PlaceProgressBar() {
    HWND bar = impl_->Hwnd("ProgressBar1");
    HWND status = impl_->Hwnd("StatusBar1");
    SetParent(bar, status);
    TLayoutNode& node = impl_->Node("ProgressBar1");
    node.Parent = impl_->Index("StatusBar1");
    node.NoneLeft = 1;
    node.NoneTop = 2;
    int parts[2] = {};
    SendMessageW(status, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    node.Width = parts[0] > 0 ? impl_->Scale().Unscale(parts[0]) : StatusPanelWidth;
    node.Height = 16;
    impl_->ApplyLayout();
}

void TTavoForm::SetProgressMax(int32_t count) {
    SendMessageW(impl_->Hwnd("ProgressBar1"), PBM_SETRANGE32, 0, count);
}

void TTavoForm::SetProgressPosition(int32_t count) {
    impl_->ProgressPosition = count;
    impl_->ShowStatusAndProgress(false);
}

} // namespace tavo::form
