#pragma once
// The form's layout in one place, computed from the client size alone. LayOut() holds the
// alignment rules: each container stacks its visible children from its edges in the order of
// the form's tree (top ones first, then bottom, left and right), and the child that fills
// takes what is left; left and right children take the full inner height, top and bottom ones
// the full inner width. LayOutForm() adds the form's own rules (which panels show, the share
// row, scaling), and FitScrollArea() decides where scroll bars are needed.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavo::form {

enum class TAlign { None, Top, Bottom, Left, Right, Fill };

struct TBox {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TBox&) const = default;
};

struct TSize {
    int Width = 0, Height = 0;
    bool operator==(const TSize&) const = default;
};

struct TLayoutNode {
    std::string Name;
    int Parent = -1; // index of the container; -1 for the form itself
    TAlign Align = TAlign::None;
    int Width = 0, Height = 0; // the stacked dimension; both for TAlign::None
    int NoneLeft = 0, NoneTop = 0;
    bool Visible = true;
    // Inner margins of a container: its border, and a caption bar at the top.
    int InsetLeft = 0, InsetTop = 0, InsetRight = 0, InsetBottom = 0;
    TBox Placed; // within the parent's client area
};

// Places every node for a form client area of this size. Parents come before their children.
void LayOut(std::vector<TLayoutNode>& nodes, int clientWidth, int clientHeight);

// The node of that name; the name must be in the tree.
TLayoutNode& NodeNamed(std::vector<TLayoutNode>& nodes, std::string_view name);
const TLayoutNode& NodeNamed(const std::vector<TLayoutNode>& nodes, std::string_view name);

// Designed sizes are in pixels of the resolution the form was designed at; a scaled form
// shows them at the screen's (rounded as MulDiv rounds).
struct TScale {
    int ScreenPixelsPerInch = 96;
    int DesignPixelsPerInch = 96;
    int operator()(int designed) const;
    // A screen distance in designed pixels.
    int Unscale(int screen) const;
};

// The panels' state that the layout depends on, in designed pixels.
struct TFormPanels {
    bool TraceShown = false;
    bool ShareShown = false;
    // The remote-file panel's width while the share panel shows.
    int Panel6Width = 450;
    // The share list's height once the controller has laid the share panel out; until then
    // the list fills its panel above the buttons bar.
    std::optional<int> ShareListHeight;
    int ShareButtonsBarHeight = 25;
};

// Lays the form's tree (DesignedNodes(), with its run-time changes) out in an area of this
// size in screen pixels: applies the panels' state to the nodes, then places every node with
// its designed sizes scaled. Borders stay one pixel at any scale.
void LayOutForm(std::vector<TLayoutNode>& nodes, const TFormPanels& panels, TScale scale,
                TSize area);

// The size the form takes when it sizes itself to its widgets: the designed client area, with
// the trace list and its splitter added below while they show, in screen pixels.
TSize NaturalSize(const std::vector<TLayoutNode>& nodes, const TFormPanels& panels,
                  TSize designedClient, TScale scale);

// Where the widgets go when the client area may be smaller than the least area they need.
struct TScrollArea {
    TSize Visible; // the client area left beside the scroll bars
    TSize Laid;    // the area the widgets are laid out in; larger than Visible where it scrolls
    bool Horizontal = false, Vertical = false; // which scroll bars show
    bool operator==(const TScrollArea&) const = default;
};

// client is the client area without scroll bars, bars the thickness of the vertical (Width)
// and horizontal (Height) bar. Without autoScroll the widgets always get the client area.
TScrollArea FitScrollArea(TSize client, TSize least, TSize bars, bool autoScroll);

} // namespace tavo::form
