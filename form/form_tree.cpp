#include "form/form_tree.h"

#include "form/form_ids.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace tavo::form {
namespace {

// The English edition's sizes replace these where form_edition.cpp gives them.
constexpr TWidgetSpec Specs[] = {
    {IDC_COMMANDPANEL, "CommandPanel", nullptr, TAlign::Top, TKind::PanelLowered, 0, 25, true},
    {IDC_CONNECTBUTTON, "ConnectButton", "CommandPanel", TAlign::Left, TKind::ToolButton, 55, 0,
     true},
    {IDC_BSSKINBEVEL2, "bsSkinBevel2", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0,
     true},
    {IDC_BSSKINSPEEDBUTTON3, "bsSkinSpeedButton3", "CommandPanel", TAlign::Left, TKind::ToolButton,
     55, 0, true},
    {IDC_BSSKINBEVEL3, "bsSkinBevel3", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0,
     true},
    {IDC_BSSKINSPEEDBUTTON6, "bsSkinSpeedButton6", "CommandPanel", TAlign::Left, TKind::ToolButton,
     55, 0, true},
    {IDC_BSSKINBEVEL6, "bsSkinBevel6", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0,
     true},
    {IDC_BSSKINSPEEDBUTTON4, "bsSkinSpeedButton4", "CommandPanel", TAlign::Left, TKind::ToolButton,
     55, 0, true},
    {IDC_BSSKINBEVEL4, "bsSkinBevel4", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0,
     true},
    {IDC_BSSKINSPEEDBUTTON2, "bsSkinSpeedButton2", "CommandPanel", TAlign::Left, TKind::ToolButton,
     75, 0, true},
    {IDC_BSSKINBEVEL5, "bsSkinBevel5", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0,
     true},
    {IDC_BSSKINSPEEDBUTTON5, "bsSkinSpeedButton5", "CommandPanel", TAlign::Left, TKind::ToolButton,
     75, 0, true},
    {IDC_USEPASSIVE, "UsePassive", "CommandPanel", TAlign::Right, TKind::CheckBox, 74, 0, true},
    {IDC_TRACECHECKBOX, "TraceCheckBox", "CommandPanel", TAlign::Right, TKind::CheckBox, 74, 0,
     true},
    {IDC_CHECKSHARELIST, "CheckShareList", "CommandPanel", TAlign::Right, TKind::CheckBox, 74, 0,
     true},
    {IDC_BSSKINPANEL2, "bsSkinPanel2", nullptr, TAlign::Top, TKind::PanelPlain, 0, 36, true},
    {IDC_BSSKINBEVEL8, "bsSkinBevel8", "bsSkinPanel2", TAlign::Top, TKind::BevelBottom, 0, 11,
     true},
    {IDC_BSSKINPANEL1, "bsSkinPanel1", "bsSkinPanel2", TAlign::Fill, TKind::PanelRaised, 0, 25,
     true},
    {IDC_BSSKINSPEEDBUTTON1, "bsSkinSpeedButton1", "bsSkinPanel1", TAlign::Left, TKind::LabelButton,
     52, 0, true},
    {IDC_CURRENTDIREDIT, "CurrentDirEdit", "bsSkinPanel1", TAlign::Left, TKind::DirEdit, 180, 0,
     true},
    {IDC_BSSKINSPEEDBUTTON7, "bsSkinSpeedButton7", "bsSkinPanel1", TAlign::Left, TKind::ToolButton,
     24, 0, true},
    {IDC_BSSKINBEVEL1, "bsSkinBevel1", "bsSkinPanel1", TAlign::Left, TKind::BevelVertical, 17, 0,
     true},
    {IDC_CREATEDIRBUTTON, "CreateDirButton", "bsSkinPanel1", TAlign::Left, TKind::ToolButton, 75, 0,
     true},
    {IDC_BSSKINBEVEL7, "bsSkinBevel7", "bsSkinPanel1", TAlign::Left, TKind::BevelVertical, 12, 0,
     true},
    {IDC_DELDIRBUTTON, "DelDirButton", "bsSkinPanel1", TAlign::Left, TKind::ToolButton, 75, 0,
     true},
    {IDC_STATUSBAR1, "StatusBar1", nullptr, TAlign::Bottom, TKind::StatusBar, 0, 19, true},
    {IDC_DEBUGLISTBOX, "DebugListBox", nullptr, TAlign::Bottom, TKind::TraceList, 0, 97, false},
    {IDC_SPLITTER1, "Splitter1", nullptr, TAlign::Bottom, TKind::SplitterHorizontal, 0, 6, false},
    {IDC_PANEL6, "Panel6", nullptr, TAlign::Fill, TKind::PanelCaption, 450, 0, true},
    {IDC_BSSKINSCROLLBAR9, "bsSkinScrollBar9", "Panel6", TAlign::Right, TKind::ScrollBar, 19, 0,
     true},
    {IDC_LISTVIEWREMOTE, "ListViewRemote", "Panel6", TAlign::Fill, TKind::RemoteList, 0, 0, true},
    {IDC_SPLITTER2, "Splitter2", nullptr, TAlign::Left, TKind::SplitterVertical, 6, 0, false},
    {IDC_PANEL7, "Panel7", nullptr, TAlign::Fill, TKind::PanelCaption, 169, 0, false},
    {IDC_BSSKINSPLITTER1, "bsSkinSplitter1", "Panel7", TAlign::None, TKind::Hidden, 0, 0, false},
    {IDC_SHARELISTBOX, "ShareListBox", "Panel7", TAlign::Fill, TKind::ShareList, 0, 216, true},
    {IDC_SPLITTER3, "Splitter3", "Panel7", TAlign::None, TKind::Hidden, 0, 0, false},
    {IDC_PANEL4, "Panel4", "Panel7", TAlign::Bottom, TKind::PanelLowered, 0, 25, true},
    {IDC_BSSKINSPEEDBUTTON8, "bsSkinSpeedButton8", "Panel4", TAlign::Left, TKind::ToolButton, 75, 0,
     true},
    {IDC_BSSKINSPEEDBUTTON9, "bsSkinSpeedButton9", "Panel4", TAlign::Right, TKind::ToolButton, 75,
     0, true},
    {IDC_PROGRESSBAR1, "ProgressBar1", nullptr, TAlign::None, TKind::ProgressBar, 149, 16, true},
};

} // namespace

std::span<const TWidgetSpec> WidgetSpecs() {
    return Specs;
}

const TWidgetSpec* FindWidgetSpec(std::string_view name) {
    auto it = std::find_if(std::begin(Specs), std::end(Specs),
                           [&](const TWidgetSpec& spec) { return name == spec.Name; });
    return it == std::end(Specs) ? nullptr : &*it;
}

std::vector<TLayoutNode> DesignedNodes(const TFormEdition& edition) {
    std::vector<TLayoutNode> nodes;
    std::map<std::string_view, int> indexByName;
    for (const auto& spec : Specs) {
        TLayoutNode node;
        node.Name = spec.Name;
        node.Parent = spec.Parent ? indexByName.at(spec.Parent) : -1;
        node.Align = spec.Align;
        node.Width = spec.Width;
        node.Height = spec.Height;
        node.Visible = spec.VisibleAtStart;
        if (auto it = edition.Widths.find(spec.Name); it != edition.Widths.end())
            node.Width = it->second;
        if (auto it = edition.Heights.find(spec.Name); it != edition.Heights.end())
            node.Height = it->second;
        switch (spec.Kind) {
        case TKind::PanelLowered:
        case TKind::PanelRaised:
            node.InsetLeft = node.InsetTop = node.InsetRight = node.InsetBottom = 1;
            break;
        case TKind::PanelCaption:
            node.InsetTop = CaptionBarHeight;
            break;
        default:
            break;
        }
        indexByName[spec.Name] = static_cast<int>(nodes.size());
        nodes.push_back(node);
    }
    return nodes;
}

} // namespace tavo::form
