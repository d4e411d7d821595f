// Creating the form's widgets from the widget tree: each kind's window class and styles, its
// caption and hint from the edition's strings, its picture and its font.

#include "form/form_ids.h"
#include "form/form_private.h"
#include "form/form_resources.h"
#include "form/pictures.h"

#include <commctrl.h>
#include <uxtheme.h>

namespace tavo::form {
namespace {

// The bitmap resource a tool button shows; null for none.
const char* ButtonPicture(int id) {
    switch (id) {
    case IDC_CONNECTBUTTON:
        return "CONNECT";
    case IDC_BSSKINSPEEDBUTTON3:
        return "UPLOAD";
    case IDC_BSSKINSPEEDBUTTON6:
        return "SAVE";
    case IDC_BSSKINSPEEDBUTTON4:
    case IDC_DELDIRBUTTON:
        return MAKEINTRESOURCEA(DeletePictureId);
    case IDC_BSSKINSPEEDBUTTON2:
    case IDC_BSSKINSPEEDBUTTON5:
        return "SHARE";
    case IDC_BSSKINSPEEDBUTTON1:
        return "FOLDER";
    case IDC_BSSKINSPEEDBUTTON7:
        return "UP";
    case IDC_CREATEDIRBUTTON:
        return "NEWDIR";
    case IDC_BSSKINSPEEDBUTTON8:
        return "CUT";
    case IDC_BSSKINSPEEDBUTTON9:
        return "SENDSHARE";
    }
    return nullptr;
}

// The hints that appear as tooltips: the command bar's tool buttons and the up-one-level
// button (whose English hint is empty, so it shows none there). The others are only stored.
bool ShowsAsTooltip(int id) {
    switch (id) {
    case IDC_CONNECTBUTTON:
    case IDC_BSSKINSPEEDBUTTON3:
    case IDC_BSSKINSPEEDBUTTON6:
    case IDC_BSSKINSPEEDBUTTON4:
    case IDC_BSSKINSPEEDBUTTON2:
    case IDC_BSSKINSPEEDBUTTON5:
    case IDC_BSSKINSPEEDBUTTON7:
        return true;
    }
    return false;
}

HFONT MakeFont(const wchar_t* face, int height) {
    LOGFONTW font{};
    font.lfHeight = height; // negative: character height; positive: cell height
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

} // namespace

std::wstring TooltipText(const std::wstring& hint) {
    std::wstring text;
    for (wchar_t c : hint) {
        text += c;
        if (c == L'\r')
            text += L'\n';
    }
    return text;
}

// The form's fixed fonts, at the form's scale. The form font is the container's (its Font
// property), made once here and replaced only by the container.
void TTavoForm::TImpl::MakeFonts() {
    const TScale scale = Scale();
    if (!FormFont)
        FormFont = MakeFont(L"MS Sans Serif", -11);
    ArialFont = MakeFont(L"Arial", scale(14));
    MenuFont = MakeFont(L"Tahoma", scale(-13));
}

HWND TTavoForm::TImpl::CreateWidget(size_t index, HWND parent) {
    const TWidgetSpec& spec = WidgetSpecs()[index];
    const std::string& name = Nodes[index].Name;
    const std::wstring caption =
        EditionString(Instance, Edition->Language, static_cast<UINT>(spec.Id));
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.Id));
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
    HWND widget = nullptr;
    HFONT font = FormFont;
    switch (spec.Kind) {
    case TKind::PanelLowered:
    case TKind::PanelRaised:
    case TKind::PanelPlain:
    case TKind::PanelCaption:
    case TKind::BevelVertical:
    case TKind::BevelBottom:
    case TKind::SplitterVertical:
    case TKind::SplitterHorizontal:
    case TKind::Hidden:
        widget =
            CreateWindowExW(0, PaneClassName, caption.c_str(), child | WS_CLIPCHILDREN, 0, 0, 0, 0,
                            parent, id, Instance, new TPaneData{this, static_cast<int>(index)});
        break;
    case TKind::ToolButton:
    case TKind::LabelButton:
        widget = CreateWindowExW(0, WC_BUTTONW, caption.c_str(), child | BS_OWNERDRAW, 0, 0, 0, 0,
                                 parent, id, Instance, nullptr);
        if (const char* picture = ButtonPicture(spec.Id))
            Pictures[widget] = LoadNamedBitmap(Instance, picture);
        if (spec.Kind == TKind::LabelButton)
            EnableWindow(widget, FALSE);
        break;
    case TKind::CheckBox:
        widget = CreateWindowExW(0, WC_BUTTONW, caption.c_str(), child | BS_AUTOCHECKBOX, 0, 0, 0,
                                 0, parent, id, Instance, nullptr);
        if (spec.Id == IDC_USEPASSIVE)
            SendMessageW(widget, BM_SETCHECK, BST_CHECKED, 0);
        break;
    case TKind::DirEdit:
        widget =
            CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"/", child | ES_READONLY | ES_AUTOHSCROLL,
                            0, 0, 0, 0, parent, id, Instance, nullptr);
        font = ArialFont;
        break;
    case TKind::RemoteList: {
        widget =
            CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            child | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, id, Instance, nullptr);
        ListView_SetExtendedListViewStyle(widget, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP |
                                                      LVS_EX_ONECLICKACTIVATE);
        for (int column = 0; column < 4; ++column) {
            std::wstring title =
                EditionString(Instance, Edition->Language, static_cast<UINT>(IDS_COLUMN1 + column));
            LVCOLUMNW info{};
            info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            info.pszText = title.data();
            info.cx = Scale()(ColumnWidths[column]);
            info.iSubItem = column;
            SendMessageW(widget, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
        }
        if (HIMAGELIST icons = RemoteListIcons(Instance))
            ListView_SetImageList(widget, icons, LVSIL_SMALL);
        SetWindowSubclass(widget, RemoteListProc, 1, reinterpret_cast<DWORD_PTR>(this));
        font = ArialFont;
        break;
    }
    case TKind::ScrollBar:
        widget = CreateWindowExW(0, WC_SCROLLBARW, L"", child | SBS_VERT, 0, 0, 0, 0, parent, id,
                                 Instance, nullptr);
        EnableScrollBar(widget, SB_CTL, ESB_DISABLE_BOTH);
        break;
    case TKind::ShareList:
        widget = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                                 child | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                     LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                 0, 0, 0, 0, parent, id, Instance, nullptr);
        SendMessageW(widget, LB_SETITEMHEIGHT, 0, Scale()(ShareLineHeight));
        SharePictures = ShareListPictures(Instance);
        font = ArialFont;
        break;
    case TKind::TraceList:
        widget = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                                 child | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                     LBS_EXTENDEDSEL,
                                 0, 0, 0, 0, parent, id, Instance, nullptr);
        font = ArialFont;
        break;
    case TKind::StatusBar: {
        widget = CreateWindowExW(0, STATUSCLASSNAMEW, L"",
                                 child | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0, 0, 0,
                                 0, parent, id, Instance, nullptr);
        int parts[] = {Scale()(StatusPanelWidth), -1};
        SendMessageW(widget, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        SendMessageW(widget, SB_SETBKCOLOR, 0, StatusBarColour);
        SetWindowSubclass(widget, StatusBarProc, 1, 0);
        return widget; // the system's status-bar font
    }
    case TKind::ProgressBar:
        widget = CreateWindowExW(0, PROGRESS_CLASSW, L"", child, 0, 0, 0, 0, parent, id, Instance,
                                 nullptr);
        SendMessageW(widget, PBM_SETRANGE32, 0, 100);
        SendMessageW(widget, PBM_SETSTEP, 5, 0);
        SetWindowTheme(widget, L"", L"");
        SendMessageW(widget, PBM_SETBARCOLOR, 0, SkyBlue);
        break;
    }
    if (!widget)
        return nullptr;
    if (spec.Kind == TKind::ToolButton)
        SetWindowSubclass(widget, ToolButtonProc, 1, 0);
    // Tab reaches the widgets a user works with, and passes through the panes that hold them.
    switch (spec.Kind) {
    case TKind::ToolButton:
    case TKind::CheckBox:
    case TKind::DirEdit:
    case TKind::RemoteList:
    case TKind::ShareList:
    case TKind::TraceList:
        SetWindowLongPtrW(widget, GWL_STYLE, GetWindowLongPtrW(widget, GWL_STYLE) | WS_TABSTOP);
        break;
    case TKind::PanelLowered:
    case TKind::PanelRaised:
    case TKind::PanelPlain:
    case TKind::PanelCaption:
        SetWindowLongPtrW(widget, GWL_EXSTYLE,
                          GetWindowLongPtrW(widget, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        break;
    default:
        break;
    }
    SendMessageW(widget, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // A list box that draws its own lines resets its line height to the font's whenever it is
    // given a font, so the trace list's 20 pixels must come after the font.
    if (spec.Kind == TKind::TraceList)
        SendMessageW(widget, LB_SETITEMHEIGHT, 0, Scale()(TraceLineHeight));
    const std::wstring hint =
        EditionString(Instance, Edition->Language, static_cast<UINT>(spec.Id + IDS_HINT_OFFSET));
    if (!hint.empty()) {
        Hints[name] = hint;
        if (ShowsAsTooltip(spec.Id)) {
            std::wstring tip = TooltipText(hint);
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = Window;
            tool.uId = reinterpret_cast<UINT_PTR>(widget);
            tool.lpszText = tip.data();
            SendMessageW(Tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    return widget;
}

} // namespace tavo::form
