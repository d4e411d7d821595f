// The form's own properties set on the control act on the form at once: AutoScroll scrolls a
// form given too little room, Scaled with PixelsPerInch scales it, AutoSize asks the
// container for the natural size, DoubleBuffered paints through a buffer.

#include "form/form_ids.h"
#include "tests/control/container_fakes.h"

#include <gmock/gmock.h>

#include <string_view>
#include <vector>

namespace tavo::control_tests {
namespace {

bool English() {
    return std::wstring_view(Edition().ProgId).ends_with(L"2");
}
int DesignedWidth() {
    return English() ? 685 : 625;
}
constexpr int DesignedHeight = 446;

// A widget's place within the form's client area.
RECT PlaceIn(HWND form, HWND widget) {
    RECT rect{};
    GetWindowRect(widget, &rect);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(ControlTest, AutoScrollScrollsTheDesignedLayoutOfATooSmallForm) {
    site.Position = {10, 10, 410, 310};
    Activate(OLEIVERB_INPLACEACTIVATE);
    HWND form = Form();
    HWND commandBar = GetDlgItem(form, IDC_COMMANDPANEL);
    HWND statusBar = GetDlgItem(form, IDC_STATUSBAR1);
    auto tavo = As<ITavo>();
    for (bool autoScroll : {true, false, true}) {
        ASSERT_EQ(tavo->put_AutoScroll(autoScroll ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        const LONG style = GetWindowLongW(form, GWL_STYLE);
        EXPECT_EQ((style & WS_HSCROLL) != 0, autoScroll) << autoScroll;
        EXPECT_EQ((style & WS_VSCROLL) != 0, autoScroll) << autoScroll;
        RECT client{};
        GetClientRect(form, &client);
        RECT bar = PlaceIn(form, commandBar);
        EXPECT_EQ(bar.right - bar.left, autoScroll ? DesignedWidth() : client.right) << autoScroll;
        if (!autoScroll)
            continue;
        // Scrolled to the end, the status bar sits at the bottom of what shows.
        SendMessageW(form, WM_VSCROLL, SB_BOTTOM, 0);
        SendMessageW(form, WM_HSCROLL, SB_BOTTOM, 0);
        EXPECT_EQ(PlaceIn(form, statusBar).bottom, client.bottom);
        bar = PlaceIn(form, commandBar);
        EXPECT_EQ(bar.top, client.bottom - DesignedHeight);
        EXPECT_EQ(bar.right, client.right);
        SendMessageW(form, WM_VSCROLL, SB_TOP, 0);
        EXPECT_EQ(PlaceIn(form, commandBar).top, 0);
    }
}

TEST_F(ControlTest, ScaledFormShowsItsDesignedSizesAtTheScreensResolution) {
    Activate(OLEIVERB_INPLACEACTIVATE);
    HDC screen = GetDC(nullptr);
    const LONG dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    HWND commandBar = GetDlgItem(Form(), IDC_COMMANDPANEL);
    auto tavo = As<ITavo>();
    struct Case {
        bool Scaled;
        LONG PixelsPerInch;
        int CommandBarHeight; // 25 as designed
    };
    const Case cases[] = {
        {true, 2 * dpi, 13}, {false, 2 * dpi, 25}, {true, dpi / 2, 50}, {true, dpi, 25}};
    for (const auto& c : cases) {
        ASSERT_EQ(tavo->put_Scaled(c.Scaled ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        ASSERT_EQ(tavo->put_PixelsPerInch(c.PixelsPerInch), S_OK);
        RECT bar = PlaceIn(Form(), commandBar);
        EXPECT_EQ(bar.bottom - bar.top, c.CommandBarHeight)
            << (c.Scaled ? "scaled from " : "unscaled, ") << c.PixelsPerInch;
    }
    // A resolution of none would divide by zero: refused, and the old one kept.
    EXPECT_EQ(tavo->put_PixelsPerInch(0), E_INVALIDARG);
    LONG kept = 0;
    EXPECT_EQ(tavo->get_PixelsPerInch(&kept), S_OK);
    EXPECT_EQ(kept, dpi);
}

TEST_F(ControlTest, AutoSizeAsksTheContainerForTheNaturalSize) {
    Activate(OLEIVERB_INPLACEACTIVATE);
    auto tavo = As<ITavo>();
    ASSERT_EQ(tavo->put_AutoSize(VARIANT_TRUE), S_OK);
    // The designed client area within the thin border (afbSingle), where the form stands.
    RECT natural{10, 10, 10 + DesignedWidth() + 2, 10 + DesignedHeight + 2};
    EXPECT_TRUE(EqualRect(&site.AskedPosition, &natural))
        << site.AskedPosition.right << "x" << site.AskedPosition.bottom;
    SIZEL extent{1000, 1000};
    EXPECT_EQ(control->SetExtent(DVASPECT_CONTENT, &extent), E_FAIL) << "it keeps its own size";

    // Showing the trace list makes the natural size taller by the list and its splitter.
    auto inPlace = As<IOleInPlaceObject>();
    ASSERT_EQ(inPlace->SetObjectRects(&natural, &site.Clip), S_OK);
    HWND traceBox = GetDlgItem(GetDlgItem(Form(), IDC_COMMANDPANEL), IDC_TRACECHECKBOX);
    SendMessageW(traceBox, BM_CLICK, 0, 0);
    EXPECT_EQ(site.AskedPosition.bottom, natural.bottom + 97 + 6);
    SendMessageW(traceBox, BM_CLICK, 0, 0);
}

// The pane's pixels as it paints them, read back from the screen. What was there before is
// scribbled over first: a paint that draws nothing would leave the old picture.
std::vector<COLORREF> Pixels(HWND pane) {
    RECT client{};
    GetClientRect(pane, &client);
    HDC dc = GetDC(pane);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RedrawWindow(pane, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(pane, dc);
    return pixels;
}

TEST_F(ControlTest, DoubleBufferedPaintsTheSamePictureThroughABuffer) {
    Activate(OLEIVERB_INPLACEACTIVATE);
    Pump();
    HWND form = Form();
    // A divider: a pane with something drawn on it and no children.
    HWND divider = GetDlgItem(GetDlgItem(form, IDC_COMMANDPANEL), IDC_BSSKINBEVEL2);
    const std::vector<COLORREF> direct = Pixels(divider);
    ASSERT_FALSE(direct.empty());
    ASSERT_EQ(As<ITavo>()->put_DoubleBuffered(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_COMPOSITED);
    Pump();
    EXPECT_EQ(Pixels(divider), direct);
    ASSERT_EQ(As<ITavo>()->put_DoubleBuffered(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_COMPOSITED);
}

} // namespace
} // namespace tavo::control_tests
