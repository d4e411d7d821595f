#pragma once
// The container's top-level window and its message loop.

#include <windows.h>

#include <string>

namespace tavo::container {

class THostedControl;

// A window whose client area is width x height; shown.
HWND CreateHostWindow(const std::wstring& title, int width, int height);
// The control the window keeps fitted to its client area and releases when it is closed.
void AttachControl(HWND window, THostedControl* control);

// Handles messages for `milliseconds`, or until the window is gone when negative, offering
// key messages to the control first as a browser does. False once the loop has seen WM_QUIT.
bool PumpMessages(THostedControl* control, int milliseconds);

} // namespace tavo::container
