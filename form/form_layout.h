#pragma once
// The form's alignment rules in one place: each container stacks its visible children from
// its edges in the order of the form's tree (top ones first, then bottom, left and right),
// and the child that fills takes what is left. Left and right children take the full inner
// height, top and bottom ones the full inner width.

#include <string>
#include <vector>

namespace tavo::form {

enum class TAlign { None, Top, Bottom, Left, Right, Fill };

struct TBox {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TBox&) const = default;
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

} // namespace tavo::form
