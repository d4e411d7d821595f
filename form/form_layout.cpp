#include "form/form_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tavo::form {

void LayOut(std::vector<TLayoutNode>& nodes, int clientWidth, int clientHeight) {
    const int count = static_cast<int>(nodes.size());
    // -1 is the form; the others are containers by index.
    for (int parent = -1; parent < count; ++parent) {
        int left, top, right, bottom;
        if (parent < 0) {
            left = top = 0;
            right = clientWidth;
            bottom = clientHeight;
        } else {
            const TLayoutNode& box = nodes[static_cast<size_t>(parent)];
            left = box.InsetLeft;
            top = box.InsetTop;
            right = box.Placed.Width - box.InsetRight;
            bottom = box.Placed.Height - box.InsetBottom;
        }
        const TAlign order[] = {TAlign::Top,   TAlign::Bottom, TAlign::Left,
                                TAlign::Right, TAlign::Fill,   TAlign::None};
        for (TAlign align : order) {
            for (auto& node : nodes) {
                if (node.Parent != parent || node.Align != align || !node.Visible)
                    continue;
                const int width = std::max(0, right - left), height = std::max(0, bottom - top);
                switch (align) {
                case TAlign::Top:
                    node.Placed = {left, top, width, node.Height};
                    top += node.Height;
                    break;
                case TAlign::Bottom:
                    node.Placed = {left, bottom - node.Height, width, node.Height};
                    bottom -= node.Height;
                    break;
                case TAlign::Left:
                    node.Placed = {left, top, node.Width, height};
                    left += node.Width;
                    break;
                case TAlign::Right:
                    node.Placed = {right - node.Width, top, node.Width, height};
                    right -= node.Width;
                    break;
                case TAlign::Fill:
                    node.Placed = {left, top, width, height};
                    break;
                case TAlign::None:
                    node.Placed = {node.NoneLeft, node.NoneTop, node.Width, node.Height};
                    break;
                }
            }
        }
    }
}

TLayoutNode& NodeNamed(std::vector<TLayoutNode>& nodes, std::string_view name) {
    return *std::find_if(nodes.begin(), nodes.end(),
                         [&](const TLayoutNode& node) { return node.Name == name; });
}

const TLayoutNode& NodeNamed(const std::vector<TLayoutNode>& nodes, std::string_view name) {
    return *std::find_if(nodes.begin(), nodes.end(),
                         [&](const TLayoutNode& node) { return node.Name == name; });
}

namespace {

// value * numerator / denominator, rounded half away from zero.
int MulDivRounded(int value, int numerator, int denominator) {
    if (denominator <= 0 || numerator <= 0)
        return value;
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

} // namespace

int TScale::operator()(int designed) const {
    return MulDivRounded(designed, ScreenPixelsPerInch, DesignPixelsPerInch);
}

int TScale::Unscale(int screen) const {
    return MulDivRounded(screen, DesignPixelsPerInch, ScreenPixelsPerInch);
}

void LayOutForm(std::vector<TLayoutNode>& nodes, const TFormPanels& panels, TScale scale,
                TSize area) {
    // The row of file panels: the remote-file panel keeps its width while the share panel
    // shows, and fills the row otherwise.
    TLayoutNode& panel6 = NodeNamed(nodes, "Panel6");
    panel6.Align = panels.ShareShown ? TAlign::Left : TAlign::Fill;
    panel6.Width = panels.Panel6Width;
    NodeNamed(nodes, "Splitter2").Visible = panels.ShareShown;
    NodeNamed(nodes, "Panel7").Visible = panels.ShareShown;
    NodeNamed(nodes, "DebugListBox").Visible = panels.TraceShown;
    NodeNamed(nodes, "Splitter1").Visible = panels.TraceShown;
    TLayoutNode& shareList = NodeNamed(nodes, "ShareListBox");
    TLayoutNode& buttonsBar = NodeNamed(nodes, "Panel4");
    if (panels.ShareListHeight) {
        shareList.Align = TAlign::Top;
        shareList.Height = std::max(0, *panels.ShareListHeight);
        buttonsBar.Align = TAlign::Fill;
    }
    buttonsBar.Height = panels.ShareButtonsBarHeight;

    std::vector<TLayoutNode> scaled = nodes;
    for (auto& node : scaled) {
        node.Width = scale(node.Width);
        node.Height = scale(node.Height);
        node.NoneLeft = scale(node.NoneLeft);
        node.NoneTop = scale(node.NoneTop);
        // A caption bar grows with the text in it; a border is a line.
        node.InsetTop = node.InsetTop > 1 ? scale(node.InsetTop) : node.InsetTop;
    }
    LayOut(scaled, area.Width, area.Height);
    for (size_t i = 0; i < nodes.size(); ++i)
        nodes[i].Placed = scaled[i].Placed;
}

TSize NaturalSize(const std::vector<TLayoutNode>& nodes, const TFormPanels& panels,
                  TSize designedClient, TScale scale) {
    int height = designedClient.Height;
    if (panels.TraceShown)
        height += NodeNamed(nodes, "DebugListBox").Height + NodeNamed(nodes, "Splitter1").Height;
    return {scale(designedClient.Width), scale(height)};
}

TScrollArea FitScrollArea(TSize client, TSize least, TSize bars, bool autoScroll) {
    TScrollArea fit;
    if (autoScroll) {
        // A bar along one edge takes room from the other direction, which may then need its
        // own bar too.
        for (int pass = 0; pass < 2; ++pass) {
            const int width = client.Width - (fit.Vertical ? bars.Width : 0);
            const int height = client.Height - (fit.Horizontal ? bars.Height : 0);
            fit.Horizontal = width < least.Width;
            fit.Vertical = height < least.Height;
        }
    }
    fit.Visible = {std::max(0, client.Width - (fit.Vertical ? bars.Width : 0)),
                   std::max(0, client.Height - (fit.Horizontal ? bars.Height : 0))};
    fit.Laid = {fit.Horizontal ? least.Width : fit.Visible.Width,
                fit.Vertical ? least.Height : fit.Visible.Height};
    return fit;
}

} // namespace tavo::form
