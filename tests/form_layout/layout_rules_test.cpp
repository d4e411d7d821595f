// The form's tree laid out by its rules alone: which widget lands where for each state of the
// panels, in both editions.

#include "form/form_edition.h"
#include "form/form_layout.h"
#include "form/form_tree.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavo::form {

void PrintTo(const TBox& box, std::ostream* out) {
    *out << "(" << box.Left << "," << box.Top << " " << box.Width << "x" << box.Height << ")";
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

} // namespace
} // namespace tavo::form
