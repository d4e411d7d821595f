// The form's own window: its class and procedure, building the widgets, laying them out and
// scrolling them, and running the commands that its widgets and menus send.

#include "controller/text_rules.h"
#include "form/form_ids.h"
#include "form/form_private.h"

#include <commctrl.h>

#include <algorithm>

namespace tavo::form {
namespace {

using controller::TTavo;
using THandler = void (TTavo::*)();

// The command of a tool button, check box or menu item; null for any other id.
constexpr int ScrollLine = 16;

THandler CommandHandler(int id) {
    switch (id) {
    case IDC_CONNECTBUTTON:
        return &TTavo::ConnectButtonClick;
    case IDC_BSSKINSPEEDBUTTON3:
    case IDM_N13:
        return &TTavo::UploadButtonClick;
    case IDC_BSSKINSPEEDBUTTON6:
    case IDM_N14:
        return &TTavo::ListViewRemoteDblClick;
    case IDC_BSSKINSPEEDBUTTON4:
    case IDM_N15:
        return &TTavo::DeleteButtonClick;
    case IDC_BSSKINSPEEDBUTTON2:
    case IDM_N16:
    case IDM_N21:
        return &TTavo::N3Click;
    case IDC_BSSKINSPEEDBUTTON5:
    case IDM_N17:
        return &TTavo::AddShareFile;
    case IDC_USEPASSIVE:
        return &TTavo::PassiveClick;
    case IDC_TRACECHECKBOX:
        return &TTavo::TraceCheckBoxClick;
    case IDC_CHECKSHARELIST:
        return &TTavo::CheckShareListClick;
    case IDC_BSSKINSPEEDBUTTON7:
        return &TTavo::BackButtonClick;
    case IDC_CREATEDIRBUTTON:
    case IDM_N19:
        return &TTavo::CreateDirButtonClick;
    case IDC_DELDIRBUTTON:
    case IDM_N20:
        return &TTavo::DelDir;
    case IDC_BSSKINSPEEDBUTTON8:
    case IDM_N1:
        return &TTavo::DelShareFile;
    case IDC_BSSKINSPEEDBUTTON9:
    case IDM_N3:
        return &TTavo::bsSkinSpeedButton9Click;
    }
    return nullptr;
}

void RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (GetClassInfoExW(instance, FormClassName, &cls))
        return;
    cls = {};
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = FormProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpszClassName = FormClassName;
    RegisterClassExW(&cls);
}

void RegisterPaneClass(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (GetClassInfoExW(instance, PaneClassName, &cls))
        return;
    cls = {};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = PaneProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.lpszClassName = PaneClassName;
    RegisterClassExW(&cls);
}

} // namespace

int TTavoForm::TImpl::Index(std::string_view name) const {
    const TWidgetSpec* spec = FindWidgetSpec(name);
    return spec ? static_cast<int>(spec - WidgetSpecs().data()) : -1;
}

HWND TTavoForm::TImpl::Hwnd(std::string_view name) const {
    const int index = Index(name);
    return index < 0 || Windows.empty() ? nullptr : Windows[static_cast<size_t>(index)];
}

TScale TTavoForm::TImpl::Scale() const {
    if (!Scaled || PixelsPerInch <= 0)
        return {};
    return {ScreenPixelsPerInch, PixelsPerInch};
}

void TTavoForm::TImpl::Build(HWND parent) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterFormClass(Instance);
    RegisterPaneClass(Instance);
    HDC screen = GetDC(nullptr);
    ScreenPixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    MakeFonts();
    PanelBrush = CreateSolidBrush(PanelColour);
    WhiteBrush = CreateSolidBrush(RGB(255, 255, 255));

    Nodes = DesignedNodes(*Edition);
    Panels.Panel6Width = Node("Panel6").Width;
    Panels.ShareButtonsBarHeight = Node("Panel4").Height;

    const DWORD style = TopLevel ? WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
                                 : WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    const TScale scale = Scale();
    RECT frame{0, 0, scale(Edition->ClientWidth), scale(DesignedClientHeight)};
    if (TopLevel)
        AdjustWindowRectEx(&frame, style, FALSE, 0);
    CreateWindowExW(0, FormClassName, L"FTPClient", style, TopLevel ? CW_USEDEFAULT : 0,
                    TopLevel ? CW_USEDEFAULT : 0, frame.right - frame.left,
                    frame.bottom - frame.top, parent, nullptr, Instance, this);
    if (!Window)
        return;
    SendMessageW(Window, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont), FALSE);

    Tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window,
                              nullptr, Instance, nullptr);
    SendMessageW(Tooltip, TTM_SETMAXTIPWIDTH, 0, 400);

    Windows.assign(Nodes.size(), nullptr);
    for (size_t i = 0; i < Nodes.size(); ++i) {
        const int parentIndex = Nodes[i].Parent;
        HWND parentWindow = parentIndex < 0 ? Window : Windows[static_cast<size_t>(parentIndex)];
        Windows[i] = CreateWidget(i, parentWindow);
    }
    LoadMenus();
    BuildMenus();
    ApplyLayout();
}

void TTavoForm::TImpl::ApplyLayout() {
    if (Windows.empty())
        return;
    if (LayingOut)
        return;
    LayingOut = true;
    // The whole client area, with the room of any scroll bar the form shows now: whether it
    // needs them is decided afresh.
    RECT client;
    GetClientRect(Window, &client);
    const LONG style = GetWindowLongW(Window, GWL_STYLE);
    const TSize bars{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
    const TSize whole{client.right + (style & WS_VSCROLL ? bars.Width : 0),
                      client.bottom + (style & WS_HSCROLL ? bars.Height : 0)};
    const TScale scale = Scale();
    const TSize least{scale(Edition->ClientWidth), scale(DesignedClientHeight)};
    const TScrollArea area = FitScrollArea(whole, least, bars, AutoScroll);
    ScrollPos.x = std::clamp<LONG>(ScrollPos.x, 0, area.Laid.Width - area.Visible.Width);
    ScrollPos.y = std::clamp<LONG>(ScrollPos.y, 0, area.Laid.Height - area.Visible.Height);
    ClientWidth = area.Laid.Width;
    ClientHeight = area.Laid.Height;
    for (int bar : {SB_HORZ, SB_VERT}) {
        const bool across = bar == SB_HORZ;
        const bool shown = across ? area.Horizontal : area.Vertical;
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        if (shown) {
            info.nMax = (across ? area.Laid.Width : area.Laid.Height) - 1;
            info.nPage = static_cast<UINT>(across ? area.Visible.Width : area.Visible.Height);
            info.nPos = across ? ScrollPos.x : ScrollPos.y;
        }
        SetScrollInfo(Window, bar, &info, TRUE);
        // Showing or hiding a bar sends WM_SIZE, whose new size is already accounted for.
        if (shown != ((style & (across ? WS_HSCROLL : WS_VSCROLL)) != 0))
            ShowScrollBar(Window, bar, shown);
    }
    LayOutForm(Nodes, Panels, scale, area.Laid);
    const int skinBar = Index("bsSkinScrollBar9");
    for (size_t i = 0; i < Nodes.size(); ++i) {
        HWND widget = Windows[i];
        if (!widget)
            continue;
        const TLayoutNode& node = Nodes[i];
        bool visible = node.Visible;
        for (int up = node.Parent; up >= 0 && visible; up = Nodes[static_cast<size_t>(up)].Parent)
            visible = Nodes[static_cast<size_t>(up)].Visible;
        if (!node.Visible) {
            ShowWindow(widget, SW_HIDE);
            continue;
        }
        TBox box = node.Placed;
        if (node.Parent < 0) {
            box.Left -= ScrollPos.x;
            box.Top -= ScrollPos.y;
        }
        // The remote list runs on under the skinned scroll bar, which covers its own.
        if (node.Name == "ListViewRemote" && Nodes[static_cast<size_t>(skinBar)].Visible)
            box.Width += GetSystemMetrics(SM_CXVSCROLL);
        SetWindowPos(widget, node.Name == "bsSkinScrollBar9" ? HWND_TOP : nullptr, box.Left,
                     box.Top, box.Width, box.Height,
                     SWP_NOACTIVATE | (node.Name == "bsSkinScrollBar9" ? 0 : SWP_NOZORDER));
        if (!IsWindowVisible(widget) && visible)
            ShowWindow(widget, SW_SHOWNA);
        else if (!(GetWindowLongW(widget, GWL_STYLE) & WS_VISIBLE))
            ShowWindow(widget, SW_SHOWNA);
    }
    // The name column takes the rest of the list's width.
    HWND list = Hwnd("ListViewRemote");
    const int fixedColumns = scale(ColumnWidths[0] + ColumnWidths[2] + ColumnWidths[3]);
    const int nameWidth =
        std::max(scale(ColumnWidths[1]), Node("ListViewRemote").Placed.Width - fixedColumns - 4);
    ListView_SetColumnWidth(list, 1, nameWidth);
    InvalidateRect(Window, nullptr, TRUE);
    LayingOut = false;
}

void TTavoForm::TImpl::ApplyScale() {
    const TScale scale = Scale();
    HFONT oldArial = ArialFont, oldMenu = MenuFont;
    MakeFonts();
    for (HWND widget : Windows)
        if (widget && reinterpret_cast<HFONT>(SendMessageW(widget, WM_GETFONT, 0, 0)) == oldArial)
            SendMessageW(widget, WM_SETFONT, reinterpret_cast<WPARAM>(ArialFont), FALSE);
    DeleteObject(oldArial);
    DeleteObject(oldMenu);
    HWND list = Hwnd("ListViewRemote");
    for (int column : {0, 2, 3})
        ListView_SetColumnWidth(list, column, scale(ColumnWidths[column]));
    SendMessageW(Hwnd("DebugListBox"), LB_SETITEMHEIGHT, 0, scale(TraceLineHeight));
    SendMessageW(Hwnd("ShareListBox"), LB_SETITEMHEIGHT, 0, scale(ShareLineHeight));
    int parts[] = {scale(StatusPanelWidth), -1};
    SendMessageW(Hwnd("StatusBar1"), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ApplyLayout();
    RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    FollowNaturalSize();
}

SIZE TTavoForm::TImpl::NaturalWindowSize() const {
    const TSize client =
        form::NaturalSize(Nodes, Panels, {Edition->ClientWidth, DesignedClientHeight}, Scale());
    RECT frame{0, 0, client.Width, client.Height};
    const auto style = static_cast<DWORD>(GetWindowLongW(Window, GWL_STYLE)) &
                       ~static_cast<DWORD>(WS_HSCROLL | WS_VSCROLL);
    AdjustWindowRectEx(&frame, style, FALSE,
                       static_cast<DWORD>(GetWindowLongW(Window, GWL_EXSTYLE)));
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void TTavoForm::TImpl::FollowNaturalSize() {
    if (!AutoSize)
        return;
    const SIZE natural = NaturalWindowSize();
    RECT now;
    GetWindowRect(Window, &now);
    if (now.right - now.left == natural.cx && now.bottom - now.top == natural.cy)
        return;
    if (AskForSize)
        AskForSize(natural);
    else
        SetWindowPos(Window, nullptr, 0, 0, natural.cx, natural.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TTavoForm::TImpl::Scroll(int bar, int code) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(Window, bar, &info);
    LONG& pos = bar == SB_HORZ ? ScrollPos.x : ScrollPos.y;
    const int page = static_cast<int>(info.nPage);
    switch (code) {
    case SB_LINEUP:
        pos -= ScrollLine;
        break;
    case SB_LINEDOWN:
        pos += ScrollLine;
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        pos = info.nTrackPos;
        break;
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = info.nMax;
        break;
    default:
        return;
    }
    // ApplyLayout keeps the position within the range.
    ApplyLayout();
}

void TTavoForm::TImpl::Run(THandler handler) {
    if (!Tavo || !handler)
        return;
    try {
        (Tavo.get()->*handler)();
    } catch (const std::exception& error) {
        View->ReportError(controller::ErrorReportText(error.what()));
    }
}

void TTavoForm::TImpl::OnCommand(int id, int code) {
    // Menu items and buttons both report 0 (BN_CLICKED); the other widgets' notices carry
    // other codes and no command.
    if (code == BN_CLICKED)
        Run(CommandHandler(id));
}

LRESULT TTavoForm::TImpl::OnNotify(NMHDR* header) {
    HWND list = Hwnd("ListViewRemote");
    if (header->hwndFrom == list || header->hwndFrom == ListView_GetHeader(list))
        return OnRemoteListNotify(header);
    return 0;
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    using TImpl = TTavoForm::TImpl;
    auto* impl = reinterpret_cast<TImpl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        impl = reinterpret_cast<TImpl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        impl->Window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!impl)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_SIZE:
        impl->ApplyLayout();
        return 0;
    case WM_COMMAND:
        impl->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return impl->OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        impl->OnContextMenu(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType == ODT_MENU)
            impl->DrawMenuItem(item);
        else if (item.CtlType == ODT_LISTBOX)
            impl->DrawShareLine(item);
        else if (item.CtlType == ODT_BUTTON)
            impl->DrawToolButton(item);
        return TRUE;
    }
    case WM_MEASUREITEM:
        impl->OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_VSCROLL:
        // The form's own scroll bar sends no window handle; the remote list's skinned one does.
        if (lParam == 0)
            impl->Scroll(SB_VERT, LOWORD(wParam));
        else if (reinterpret_cast<HWND>(lParam) == impl->Hwnd("bsSkinScrollBar9"))
            impl->OnSkinScroll(LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        if (lParam == 0)
            impl->Scroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (reinterpret_cast<HWND>(lParam) == impl->Hwnd("CurrentDirEdit")) {
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(impl->WhiteBrush);
        }
        SetBkColor(dc, PanelColour);
        return reinterpret_cast<LRESULT>(impl->PanelBrush);
    }
    case WM_TIMER:
        if (wParam == Timer1Id && impl->Tavo)
            impl->Run(&TTavo::Timer1Timer);
        else if (wParam == RepaintTimerId)
            impl->ShowStatusAndProgress(true);
        return 0;
    case SyncRowsMessage:
        impl->SyncRows();
        return 0;
    case WM_ERASEBKGND:
        if (impl->FormBrush) {
            RECT client;
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, impl->FormBrush);
            return 1;
        }
        break;
    case WM_CLOSE:
        // A top-level form is closed by its host, which owns it.
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace tavo::form
