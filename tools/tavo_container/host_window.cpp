#include "tools/tavo_container/host_window.h"

#include "tools/tavo_container/hosted_control.h"

namespace tavo::container {
namespace {

const wchar_t windowClass[] = L"TavoContainerWindow";
THostedControl* attached = nullptr;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (attached != nullptr)
            attached->FitToClient();
        return 0;
    case WM_ACTIVATE:
        if (attached != nullptr)
            attached->FrameActivated(LOWORD(wParam) != WA_INACTIVE);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_SETFOCUS: // the user comes back to the window: the keys go to the control again
        if (HWND control = GetWindow(window, GW_CHILD))
            SetFocus(control);
        return 0;
    case WM_CLOSE:
        // The control leaves the window before the window goes.
        if (attached != nullptr)
            attached->Release();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

HWND CreateHostWindow(const std::wstring& title, int width, int height) {
    WNDCLASSEXW windowClassInfo = {};
    windowClassInfo.cbSize = sizeof windowClassInfo;
    windowClassInfo.lpfnWndProc = HostWindowProc;
    windowClassInfo.hInstance = GetModuleHandleW(nullptr);
    windowClassInfo.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClassInfo.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClassInfo.lpszClassName = windowClass;
    RegisterClassExW(&windowClassInfo);

    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExW(0, windowClass, title.c_str(), style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return window;
}

void AttachControl(HWND, THostedControl* control) {
    attached = control;
}

bool PumpMessages(THostedControl* control, int milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam)); // for any outer loop
                return false;
            }
            bool isKey = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
            IOleInPlaceActiveObject* target = isKey ? control->KeyboardTarget() : nullptr;
            if (target != nullptr && target->TranslateAccelerator(&message) == S_OK)
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DWORD waited = GetTickCount() - start;
        if (milliseconds >= 0 && waited >= static_cast<DWORD>(milliseconds))
            return true;
        DWORD timeout = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds) - waited;
        MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

} // namespace tavo::container
