#pragma once
// The form's widget tree as designed: every widget's field name, child-window id, parent,
// alignment, kind and designed size. Both the window code and the layout tests read it.

#include "form/form_edition.h"
#include "form/form_layout.h"

#include <span>
#include <string_view>
#include <vector>

namespace tavo::form {

enum class TKind {
    PanelLowered,
    PanelRaised,
    PanelPlain,
    PanelCaption,
    BevelVertical,
    BevelBottom,
    SplitterVertical,
    SplitterHorizontal,
    ToolButton,
    LabelButton, // shown pressed, bound to no command
    CheckBox,
    DirEdit,
    RemoteList,
    ScrollBar,
    ShareList,
    TraceList,
    StatusBar,
    ProgressBar,
    Hidden,
};

struct TWidgetSpec {
    int Id; // IDC_* of form_ids.h
    const char* Name;
    const char* Parent; // null for the form itself
    TAlign Align;
    TKind Kind;
    int Width, Height;
    bool VisibleAtStart;
};

inline constexpr int CaptionBarHeight = 22;

// In the order of the form's tree: parents before their children, and within one edge the
// stacking order from that edge.
std::span<const TWidgetSpec> WidgetSpecs();
const TWidgetSpec* FindWidgetSpec(std::string_view name);

// The tree as layout nodes in the order of WidgetSpecs(), with the edition's sizes and each
// container's insets (borders, caption bars).
std::vector<TLayoutNode> DesignedNodes(const TFormEdition& edition);

} // namespace tavo::form
