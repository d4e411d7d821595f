#include "form/form_layout.h"

#include <algorithm>

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

} // namespace tavo::form
