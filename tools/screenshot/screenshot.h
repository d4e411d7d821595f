#pragma once
// Pictures of windows taken from inside the process, written as PNG files, and the checks
// screenshot tests make on them: regions against expected colours, not whole images pixel for
// pixel. Used by the form's tests and by the tools that show a window.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavo::screenshot {

struct TScreenshot {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels; // 0x00RRGGBB, top row first

    uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y * Width + x)]; }
};

// Handles this thread's messages for `milliseconds` (so the window has drawn itself).
void PumpFor(int milliseconds);
// The window's client area as it is on the screen: BitBlt from the window's DC into a
// 32-bit DIB section after pumping messages for `settleMs`.
TScreenshot CaptureClient(HWND window, int settleMs = 500);

// Writes the picture as an 8-bit RGB PNG (stored deflate blocks: no compressor needed).
bool WritePng(const TScreenshot& picture, const std::string& path);
// Where screenshots go: TAVO_SCREENSHOT_DIR, made if missing; empty when not set.
std::string ScreenshotFolder();
// Writes `picture` as <folder>/<name>.png when a folder is set; returns the path or "".
std::string SaveScreenshot(const TScreenshot& picture, const std::string& name);

// The region [left, right) x [top, bottom) in client coordinates of the picture.
int DistinctColours(const TScreenshot& picture, RECT region);
// The share of the region's pixels within `tolerance` (per channel) of `colour` (RGB).
double ShareOfColour(const TScreenshot& picture, RECT region, uint32_t colour, int tolerance = 8);
// A child window's rectangle in its top-level ancestor's client coordinates.
RECT RectIn(HWND ancestor, HWND child);

} // namespace tavo::screenshot
