#include "form/form_boxes.h"

#include <algorithm>
#include <vector>

namespace tavo::form {
namespace {

using controller::TModalResult;

struct TBoxState {
    // Answers by command id; IDCANCEL arrives from Escape as well as from a Cancel button,
    // IDOK from Enter when the focus is on no button.
    TModalResult OkAnswer = controller::mrOk;
    TModalResult EscapeAnswer = controller::mrCancel;
    bool Done = false;
    TModalResult Answer = controller::mrCancel;
    HWND Edit = nullptr;
    // The control that holds the keyboard while the box is active, given back on activation.
    HWND Focus = nullptr;
    std::wstring Text;
    HFONT Font = nullptr;
};

void Finish(HWND box, TBoxState& state, TModalResult answer) {
    state.Answer = answer;
    state.Done = true;
    if (state.Edit) {
        int length = GetWindowTextLengthW(state.Edit);
        state.Text.assign(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(state.Edit, state.Text.data(), length + 1);
        state.Text.resize(static_cast<size_t>(length));
    }
    ShowWindow(box, SW_HIDE);
}

LRESULT CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<TBoxState*>(GetWindowLongPtrW(box, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(
            box, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_COMMAND:
        if (!state || state->Done || HIWORD(wParam) > BN_CLICKED)
            break;
        switch (LOWORD(wParam)) {
        case IDOK:
            Finish(box, *state, state->OkAnswer);
            return 0;
        case IDCANCEL:
            Finish(box, *state, state->EscapeAnswer);
            return 0;
        case IDYES:
            Finish(box, *state, controller::mrYes);
            return 0;
        case IDNO:
            Finish(box, *state, controller::mrNo);
            return 0;
        }
        break;
    case WM_ACTIVATE:
        // As the dialog manager does: the keyboard goes back to the control the user left when
        // the box is activated again. DefWindowProc would give it to the box itself, where
        // Enter, Escape and Tab reach no control (under X11 the box may lose activation to a
        // focus event just after it was shown).
        if (!state)
            break;
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(box, focus))
                state->Focus = focus;
        } else if (state->Focus && IsWindow(state->Focus)) {
            SetFocus(state->Focus);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (state && !state->Done)
            Finish(box, *state, controller::mrCancel);
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_ERASEBKGND: {
        RECT rect;
        GetClientRect(box, &rect);
        FillRect(reinterpret_cast<HDC>(wParam), &rect, GetSysColorBrush(COLOR_WINDOW));
        return 1;
    }
    }
    return DefWindowProcW(box, message, wParam, lParam);
}

void RegisterBoxClass(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    if (GetClassInfoExW(instance, BoxClassName, &cls))
        return;
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = BoxProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.lpszClassName = BoxClassName;
    RegisterClassExW(&cls);
}

HFONT BoxFont(const wchar_t* face) {
    LOGFONTW font{};
    font.lfHeight = 14; // cell height
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

// Places a box of this client size over the middle of its owner (or of the screen).
HWND CreateBox(HINSTANCE instance, HWND owner, const std::wstring& title, int width, int height,
               TBoxState& state) {
    RegisterBoxClass(instance);
    RECT frame{0, 0, width, height};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT area;
    HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (!top || !GetWindowRect(top, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    const int left = area.left + (area.right - area.left - outerWidth) / 2;
    const int topEdge = area.top + (area.bottom - area.top - outerHeight) / 2;
    return CreateWindowExW(WS_EX_DLGMODALFRAME, BoxClassName, title.c_str(), style,
                           std::max(0, left), std::max(0, topEdge), outerWidth, outerHeight, top,
                           nullptr, instance, &state);
}

HWND AddChild(HWND box, const wchar_t* cls, const std::wstring& text, DWORD style, int id, RECT r,
              HFONT font) {
    HWND child = CreateWindowExW(
        0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
        r.bottom - r.top, box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(box, GWLP_HINSTANCE)), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

// Runs the box until it is answered, with its owner disabled as a modal box has it.
void RunModal(HWND box, HWND owner, TBoxState& state, HWND focus) {
    HWND top = GetWindow(box, GW_OWNER);
    const bool ownerWasEnabled = top && IsWindowEnabled(top);
    if (ownerWasEnabled)
        EnableWindow(top, FALSE);
    state.Focus = focus;
    ShowWindow(box, SW_SHOW);
    SetFocus(focus);
    MSG msg;
    bool quit = false;
    int quitCode = 0;
    while (!state.Done) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT ends the box as a close would, and goes on to the outer loop.
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            state.Answer = controller::mrCancel;
            break;
        }
        if (got < 0)
            break;
        if (!IsDialogMessageW(box, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (ownerWasEnabled)
        EnableWindow(top, TRUE);
    DestroyWindow(box);
    if (owner && IsWindow(owner))
        SetActiveWindow(GetAncestor(owner, GA_ROOT));
    if (quit)
        PostQuitMessage(quitCode);
}

struct TButtonSpec {
    int Id;
    const wchar_t* Caption;
};

} // namespace

TModalResult RunMessageBox(HINSTANCE instance, HWND owner, const std::wstring& text,
                           controller::TMessageKind kind, controller::TMessageButtons buttons) {
    TBoxState state;
    state.Font = BoxFont(L"Arial");
    std::vector<TButtonSpec> row;
    // Yes, No, OK, Cancel, for those asked for.
    if (buttons == controller::mbOK) {
        row = {{IDOK, L"OK"}};
        state.OkAnswer = controller::mrOk;
        state.EscapeAnswer = controller::mrOk;
    } else if (buttons == controller::mbYesNo) {
        row = {{IDYES, L"&Yes"}, {IDNO, L"&No"}};
        state.OkAnswer = controller::mrYes;
        state.EscapeAnswer = controller::mrNo;
    } else {
        row = {{IDYES, L"&Yes"}, {IDNO, L"&No"}, {IDCANCEL, L"Cancel"}};
        state.OkAnswer = controller::mrYes;
        state.EscapeAnswer = controller::mrCancel;
    }

    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, state.Font);
    RECT textRect{0, 0, 420, 0};
    DrawTextW(dc, text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);

    constexpr int margin = 14, iconSize = 32, buttonWidth = 75, buttonHeight = 25, gap = 8;
    const int textWidth = textRect.right, textHeight = std::max<int>(textRect.bottom, iconSize);
    const int rowWidth = static_cast<int>(row.size()) * (buttonWidth + gap) - gap;
    const int width = std::max(margin * 3 + iconSize + textWidth, rowWidth + 2 * margin);
    const int height = margin + textHeight + margin + buttonHeight + margin;

    const std::wstring title = kind == controller::mkInformation ? L"Information" : L"Confirm";
    HWND box = CreateBox(instance, owner, title, width, height, state);
    if (!box) {
        DeleteObject(state.Font);
        return controller::mrCancel;
    }
    HICON icon = LoadIconW(nullptr, kind == controller::mkInformation
                                        ? reinterpret_cast<LPCWSTR>(IDI_INFORMATION)
                                        : reinterpret_cast<LPCWSTR>(IDI_QUESTION));
    HWND iconWidget = AddChild(box, L"STATIC", L"", SS_ICON, -1,
                               {margin, margin, margin + iconSize, margin + iconSize}, state.Font);
    SendMessageW(iconWidget, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    const int textLeft = margin * 2 + iconSize;
    const int textTop = margin + (textHeight - static_cast<int>(textRect.bottom)) / 2;
    AddChild(box, L"STATIC", text, SS_LEFT | SS_NOPREFIX, -1,
             {textLeft, textTop, textLeft + textWidth, textTop + static_cast<int>(textRect.bottom)},
             state.Font);

    // Default button: OK when present, else Yes.
    const int defaultId = buttons == controller::mbOK ? IDOK : IDYES;
    HWND focus = nullptr;
    int left = (width - rowWidth) / 2;
    const int top = height - margin - buttonHeight;
    for (const auto& spec : row) {
        const DWORD style = WS_TABSTOP | (spec.Id == defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND button = AddChild(box, L"BUTTON", spec.Caption, style, spec.Id,
                               {left, top, left + buttonWidth, top + buttonHeight}, state.Font);
        if (spec.Id == defaultId)
            focus = button;
        left += buttonWidth + gap;
    }
    MessageBeep(kind == controller::mkInformation ? MB_ICONINFORMATION : MB_ICONQUESTION);
    RunModal(box, owner, state, focus);
    DeleteObject(state.Font);
    return state.Answer;
}

bool RunInputBox(HINSTANCE instance, HWND owner, const std::wstring& caption,
                 const std::wstring& prompt, std::wstring& value) {
    TBoxState state;
    state.Font = BoxFont(L"SimSun");
    state.OkAnswer = controller::mrOk;
    state.EscapeAnswer = controller::mrCancel;
    constexpr int width = 340, margin = 12, buttonWidth = 75, buttonHeight = 25;
    constexpr int labelHeight = 16, editHeight = 22;
    const int height = margin + labelHeight + 6 + editHeight + margin + buttonHeight + margin;
    HWND box = CreateBox(instance, owner, caption, width, height, state);
    if (!box) {
        DeleteObject(state.Font);
        return false;
    }
    AddChild(box, L"STATIC", prompt, SS_LEFT | SS_NOPREFIX, -1,
             {margin, margin, width - margin, margin + labelHeight}, state.Font);
    const int editTop = margin + labelHeight + 6;
    state.Edit =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", value.c_str(),
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, margin, editTop,
                        width - 2 * margin, editHeight, box, nullptr, instance, nullptr);
    SendMessageW(state.Edit, WM_SETFONT, reinterpret_cast<WPARAM>(state.Font), FALSE);
    SendMessageW(state.Edit, EM_LIMITTEXT, 255, 0);
    SendMessageW(state.Edit, EM_SETSEL, 0, -1);
    const int top = height - margin - buttonHeight;
    const int okLeft = width / 2 - buttonWidth - 4;
    AddChild(box, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK,
             {okLeft, top, okLeft + buttonWidth, top + buttonHeight}, state.Font);
    AddChild(box, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL,
             {width / 2 + 4, top, width / 2 + 4 + buttonWidth, top + buttonHeight}, state.Font);
    RunModal(box, owner, state, state.Edit);
    DeleteObject(state.Font);
    if (state.Answer != controller::mrOk)
        return false;
    value = state.Text;
    return true;
}

void RunErrorReport(HWND owner, const std::wstring& message) {
    MessageBoxW(owner ? GetAncestor(owner, GA_ROOT) : nullptr, message.c_str(), L"FTPClient",
                MB_OK | MB_ICONERROR);
}

} // namespace tavo::form
