// Chinese texts draw as Chinese glyphs, not as boxes, in the fonts the form asks for: a box
// looks the same for every character, so two different characters must draw differently.
// Also writes a screenshot of a window showing the form's captions in those fonts.

#include "tools/screenshot/screenshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavo::form::testing {
namespace {

using namespace tavo::screenshot;

struct FontCase {
    const wchar_t* face; // null: the default GUI font
    int height;
};

const FontCase fonts[] = {{L"MS Sans Serif", -11},
                          {L"Tahoma", -13},
                          {L"Arial", -14},
                          {L"\x5b8b\x4f53", -14} /* 宋体 */,
                          {nullptr, 0}};

HFONT MakeFont(const FontCase& font) {
    if (font.face == nullptr)
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return CreateFontW(font.height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                       font.face);
}

// The pixels of one character drawn black on white in a 32 x 32 memory bitmap.
std::vector<uint32_t> Glyph(HFONT font, wchar_t character) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, dib);
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 2, 2, &character, 1);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> glyph(pixels, pixels + 32 * 32);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(dib);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return glyph;
}

TEST(ChineseText, DrawsAsGlyphsInTheFormsFonts) {
    // 网 and 件 (of "网络文件"), 享 (of "共享"): a box would look the same for all three.
    for (const FontCase& font : fonts) {
        SCOPED_TRACE(font.face ? std::string(font.face, font.face + wcslen(font.face)) : "GUI");
        HFONT handle = MakeFont(font);
        std::vector<uint32_t> net = Glyph(handle, L'\x7f51'), file = Glyph(handle, L'\x4ef6'),
                              share = Glyph(handle, L'\x4eab');
        EXPECT_NE(net, file);
        EXPECT_NE(file, share);
        EXPECT_NE(net, Glyph(handle, L' ')) << "nothing drawn";
        if (font.face != nullptr)
            DeleteObject(handle);
    }
}

TEST(ChineseText, ScreenshotOfTheCaptionsInEachFont) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"TavoFontProbe";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"TavoFontProbe", L"FTPClient", WS_POPUP | WS_VISIBLE, 0, 0, 360,
                                30 * static_cast<int>(std::size(fonts)), nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    std::vector<HWND> labels;
    int row = 0;
    for (const FontCase& font : fonts) {
        std::wstring text = std::wstring(font.face ? font.face : L"GUI") +
                            L": \x7f51\x7edc\x6587\x4ef6 \x5171\x4eab\x5217\x8868 "
                            L"\x64cd\x4f5c\x8bb0\x5f55 \x8fde \x63a5";
        HWND label =
            CreateWindowW(L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 4, 4 + 30 * row++, 350,
                          24, window, nullptr, windowClass.hInstance, nullptr);
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(MakeFont(font)), TRUE);
        labels.push_back(label);
    }
    TScreenshot picture = CaptureClient(window);
    ASSERT_GT(picture.Width, 0);
    SaveScreenshot(picture, "cjk-text-in-the-form-fonts");
    for (HWND label : labels)
        EXPECT_GT(DistinctColours(picture, RectIn(window, label)), 1) << "a blank label";
    DestroyWindow(window);
}

} // namespace
} // namespace tavo::form::testing
