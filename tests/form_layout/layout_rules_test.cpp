// The form's tree laid out by its rules alone: which widget lands where for each state of the
// panels, in both editions; scaled to another resolution; where scroll bars are needed; and
// the size the form asks for when it sizes itself.

#include "form/form_edition.h"
#include "form/form_layout.h"
#include "form/form_tree.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavo::form {

void PrintTo(const TBox& box, std::ostream* out) {
    *out << "(" << box.Left << "," << box.Top << " " << box.Width << "x" << box.Height << ")";
}

void PrintTo(const TSize& size, std::ostream* out) {
    *out << size.Width << "x" << size.Height;
}

void PrintTo(const TScrollArea& area, std::ostream* out) {
    *out << "visible ";
    PrintTo(area.Visible, out);
    *out << ", laid ";
    PrintTo(area.Laid, out);
    *out << (area.Horizontal ? ", horizontal bar" : "") << (area.Vertical ? ", vertical bar" : "");
}

namespace {

struct Placement {
    const char* Widget;
    TBox Expected;
};

struct LayoutCase {
    const char* Name;
    bool English;
    std::function<void(TFormPanels&)> Panels;
    TSize Area;
    std::vector<Placement> Placements;
};

TEST(FormLayoutRules, PlacesTheTreeForEachStateOfThePanels) {
    const int row = 446 - 61 - 19; // between the directory bar and the status bar
    const LayoutCase cases[] = {
        {"start, Chinese",
         false,
         [](TFormPanels&) {},
         {625, 446},
         {{"CommandPanel", {0, 0, 625, 25}},
          {"ConnectButton", {1, 1, 55, 23}},
          {"UsePassive", {625 - 1 - 74, 1, 74, 23}},
          {"CheckShareList", {625 - 1 - 3 * 74, 1, 74, 23}},
          {"bsSkinPanel1", {0, 11, 625, 25}},
          {"CurrentDirEdit", {53, 1, 180, 23}},
          {"Panel6", {0, 61, 625, row}},
          {"bsSkinScrollBar9", {625 - 19, 22, 19, row - 22}},
          {"StatusBar1", {0, 446 - 19, 625, 19}}}},
        {"start, English",
         true,
         [](TFormPanels&) {},
         {685, 446},
         {{"ConnectButton", {1, 1, 80, 23}},
          {"bsSkinSpeedButton3", {1 + 80 + 13, 1, 60, 23}},
          {"CurrentDirEdit", {1 + 23, 1, 180, 23}},
          {"Panel6", {0, 61, 685, row}}}},
        {"trace shown",
         false,
         [](TFormPanels& p) { p.TraceShown = true; },
         {625, 446},
         {{"DebugListBox", {0, 446 - 19 - 97, 625, 97}},
          {"Splitter1", {0, 446 - 19 - 97 - 6, 625, 6}},
          {"Panel6", {0, 61, 625, row - 97 - 6}}}},
        {"share shown, list laid out",
         false,
         [](TFormPanels& p) {
             p.ShareShown = true;
             p.Panel6Width = 445;
             p.ShareListHeight = row - 49;
         },
         {625, 446},
         {{"Panel6", {0, 61, 445, row}},
          {"Splitter2", {445, 61, 6, row}},
          {"Panel7", {451, 61, 625 - 451, row}},
          {"ShareListBox", {0, 22, 625 - 451, row - 49}},
          {"Panel4", {0, 22 + row - 49, 625 - 451, 27}}}},
        {"larger area",
         false,
         [](TFormPanels& p) { p.TraceShown = true; },
         {900, 600},
         {{"UsePassive", {900 - 1 - 74, 1, 74, 23}},
          {"Panel6", {0, 61, 900, 600 - 19 - 97 - 6 - 61}}}},
    };
    for (const auto& c : cases) {
        const TFormEdition& edition = c.English ? EnglishFormEdition() : ChineseFormEdition();
        std::vector<TLayoutNode> nodes = DesignedNodes(edition);
        TFormPanels panels;
        panels.Panel6Width = NodeNamed(nodes, "Panel6").Width;
        panels.ShareButtonsBarHeight = NodeNamed(nodes, "Panel4").Height;
        c.Panels(panels);
        LayOutForm(nodes, panels, {}, c.Area);
        for (const auto& p : c.Placements)
            EXPECT_EQ(NodeNamed(nodes, p.Widget).Placed, p.Expected) << c.Name << ": " << p.Widget;
    }
}

// A form designed at 192 pixels per inch shown on a 96 one: every designed size halves (rounded
// half up), the borders stay one pixel.
TEST(FormLayoutRules, ScalesDesignedSizesButNotBorders) {
    std::vector<TLayoutNode> nodes = DesignedNodes(ChineseFormEdition());
    TFormPanels panels;
    panels.TraceShown = true;
    LayOutForm(nodes, panels, {96, 192}, {313, 223});
    const Placement placements[] = {
        {"CommandPanel", {0, 0, 313, 13}},      // 25 -> 12.5
        {"ConnectButton", {1, 1, 28, 11}},      // 55 -> 27.5, border 1 on each side
        {"bsSkinPanel2", {0, 13, 313, 18}},     // 36
        {"StatusBar1", {0, 223 - 10, 313, 10}}, // 19 -> 9.5
        {"DebugListBox", {0, 223 - 10 - 49, 313, 49}},
        {"bsSkinScrollBar9", {313 - 10, 11, 10, 223 - 10 - 49 - 3 - 31 - 11}},
    };
    for (const auto& p : placements)
        EXPECT_EQ(NodeNamed(nodes, p.Widget).Placed, p.Expected) << p.Widget;
    EXPECT_EQ((TScale{96, 192}).Unscale(50), 100);
    EXPECT_EQ((TScale{120, 96})(446), 558);
}

TEST(FormLayoutRules, ScrollBarsOnlyWhereTheClientIsSmallerThanTheLeastArea) {
    const TSize least{625, 446}, bars{17, 17};
    struct Case {
        const char* Name;
        TSize Client;
        bool AutoScroll;
        TScrollArea Expected;
    };
    const Case cases[] = {
        {"fits exactly", {625, 446}, true, {{625, 446}, {625, 446}, false, false}},
        {"larger", {900, 600}, true, {{900, 600}, {900, 600}, false, false}},
        {"too narrow", {500, 600}, true, {{500, 583}, {625, 583}, true, false}},
        {"too short", {700, 300}, true, {{683, 300}, {683, 446}, false, true}},
        {"both", {400, 300}, true, {{383, 283}, {625, 446}, true, true}},
        // Only the vertical bar is needed at first, but it leaves too little width.
        {"one bar brings the other", {630, 400}, true, {{613, 383}, {625, 446}, true, true}},
        {"without AutoScroll", {400, 300}, false, {{400, 300}, {400, 300}, false, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitScrollArea(c.Client, least, bars, c.AutoScroll), c.Expected) << c.Name;
}

TEST(FormLayoutRules, NaturalSizeIsTheDesignedAreaGrownByTheTraceList) {
    std::vector<TLayoutNode> nodes = DesignedNodes(EnglishFormEdition());
    TFormPanels panels;
    EXPECT_EQ(NaturalSize(nodes, panels, {685, 446}, {}), (TSize{685, 446}));
    panels.TraceShown = true;
    NodeNamed(nodes, "DebugListBox").Height = 150; // dragged taller
    EXPECT_EQ(NaturalSize(nodes, panels, {685, 446}, {}), (TSize{685, 446 + 150 + 6}));
    EXPECT_EQ(NaturalSize(nodes, panels, {685, 446}, {192, 96}),
              (TSize{2 * 685, 2 * (446 + 150 + 6)}));
}

} // namespace
} // namespace tavo::form
