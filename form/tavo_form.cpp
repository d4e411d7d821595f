#include "form/tavo_form.h"

#include "controller/text_rules.h"
#include "form/form_boxes.h"
#include "form/form_layout.h"
#include "form/form_texts.h"
#include "form/pictures.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>

namespace tavo::form {
namespace {

using namespace controller;

constexpr wchar_t FormClassName[] = L"TavoForm";
constexpr wchar_t PaneClassName[] = L"TavoPane";
constexpr UINT SyncRowsMessage = WM_APP + 1;
constexpr UINT_PTR Timer1Id = 1;
constexpr UINT_PTR RepaintTimerId = 2;
// A transfer moves the progress bar and the status text block by block; under a slow display
// (Wine on X) painting each step costs more than the block itself, so they draw at most this
// often.
constexpr std::chrono::milliseconds RepaintEvery{50};
constexpr int FirstWidgetId = 1000;
constexpr int FirstMenuItemId = 2000;
constexpr COLORREF PanelColour = RGB(240, 243, 251);
constexpr COLORREF CaptionBarColour = RGB(181, 192, 247);
constexpr COLORREF StatusBarColour = RGB(181, 192, 247);
constexpr COLORREF SkyBlue = RGB(166, 202, 240);
constexpr int CaptionBarHeight = 22;
constexpr int SplitterLeast = 6;

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
    const char* Name;
    const char* Parent;
    TAlign Align;
    TKind Kind;
    int Width, Height;
    bool VisibleAtStart;
    const char* Picture = nullptr; // bitmap resource, tool buttons only
    void (TTavo::*Handler)() = nullptr;
};

const char* const DeletePicture = MAKEINTRESOURCEA(DeletePictureId);

// The form's tree. Within one edge the order is the stacking order from that edge; the
// English edition's sizes replace these where form_texts.cpp gives them.
const TWidgetSpec Specs[] = {
    {"CommandPanel", nullptr, TAlign::Top, TKind::PanelLowered, 0, 25, true, nullptr, nullptr},
    {"ConnectButton", "CommandPanel", TAlign::Left, TKind::ToolButton, 55, 0, true, "CONNECT",
     &TTavo::ConnectButtonClick},
    {"bsSkinBevel2", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0, true},
    {"bsSkinSpeedButton3", "CommandPanel", TAlign::Left, TKind::ToolButton, 55, 0, true, "UPLOAD",
     &TTavo::UploadButtonClick},
    {"bsSkinBevel3", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0, true},
    {"bsSkinSpeedButton6", "CommandPanel", TAlign::Left, TKind::ToolButton, 55, 0, true, "SAVE",
     &TTavo::ListViewRemoteDblClick},
    {"bsSkinBevel6", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0, true},
    {"bsSkinSpeedButton4", "CommandPanel", TAlign::Left, TKind::ToolButton, 55, 0, true,
     DeletePicture, &TTavo::DeleteButtonClick},
    {"bsSkinBevel4", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0, true},
    {"bsSkinSpeedButton2", "CommandPanel", TAlign::Left, TKind::ToolButton, 75, 0, true, "SHARE",
     &TTavo::N3Click},
    {"bsSkinBevel5", "CommandPanel", TAlign::Left, TKind::BevelVertical, 13, 0, true},
    {"bsSkinSpeedButton5", "CommandPanel", TAlign::Left, TKind::ToolButton, 75, 0, true, "SHARE",
     &TTavo::AddShareFile},
    {"UsePassive", "CommandPanel", TAlign::Right, TKind::CheckBox, 74, 0, true, nullptr,
     &TTavo::PassiveClick},
    {"TraceCheckBox", "CommandPanel", TAlign::Right, TKind::CheckBox, 74, 0, true, nullptr,
     &TTavo::TraceCheckBoxClick},
    {"CheckShareList", "CommandPanel", TAlign::Right, TKind::CheckBox, 74, 0, true, nullptr,
     &TTavo::CheckShareListClick},
    {"bsSkinPanel2", nullptr, TAlign::Top, TKind::PanelPlain, 0, 36, true},
    {"bsSkinBevel8", "bsSkinPanel2", TAlign::Top, TKind::BevelBottom, 0, 11, true},
    {"bsSkinPanel1", "bsSkinPanel2", TAlign::Fill, TKind::PanelRaised, 0, 25, true},
    {"bsSkinSpeedButton1", "bsSkinPanel1", TAlign::Left, TKind::LabelButton, 52, 0, true, "FOLDER"},
    {"CurrentDirEdit", "bsSkinPanel1", TAlign::Left, TKind::DirEdit, 180, 0, true},
    {"bsSkinSpeedButton7", "bsSkinPanel1", TAlign::Left, TKind::ToolButton, 24, 0, true, "UP",
     &TTavo::BackButtonClick},
    {"bsSkinBevel1", "bsSkinPanel1", TAlign::Left, TKind::BevelVertical, 17, 0, true},
    {"CreateDirButton", "bsSkinPanel1", TAlign::Left, TKind::ToolButton, 75, 0, true, "NEWDIR",
     &TTavo::CreateDirButtonClick},
    {"bsSkinBevel7", "bsSkinPanel1", TAlign::Left, TKind::BevelVertical, 12, 0, true},
    {"DelDirButton", "bsSkinPanel1", TAlign::Left, TKind::ToolButton, 75, 0, true, DeletePicture,
     &TTavo::DelDir},
    {"StatusBar1", nullptr, TAlign::Bottom, TKind::StatusBar, 0, 19, true},
    {"DebugListBox", nullptr, TAlign::Bottom, TKind::TraceList, 0, 97, false},
    {"Splitter1", nullptr, TAlign::Bottom, TKind::SplitterHorizontal, 0, 6, false},
    {"Panel6", nullptr, TAlign::Fill, TKind::PanelCaption, 450, 0, true},
    {"bsSkinScrollBar9", "Panel6", TAlign::Right, TKind::ScrollBar, 19, 0, true},
    {"ListViewRemote", "Panel6", TAlign::Fill, TKind::RemoteList, 0, 0, true},
    {"Splitter2", nullptr, TAlign::Left, TKind::SplitterVertical, 6, 0, false},
    {"Panel7", nullptr, TAlign::Fill, TKind::PanelCaption, 169, 0, false},
    {"bsSkinSplitter1", "Panel7", TAlign::None, TKind::Hidden, 0, 0, false},
    {"ShareListBox", "Panel7", TAlign::Fill, TKind::ShareList, 0, 216, true},
    {"Splitter3", "Panel7", TAlign::None, TKind::Hidden, 0, 0, false},
    {"Panel4", "Panel7", TAlign::Bottom, TKind::PanelLowered, 0, 25, true},
    {"bsSkinSpeedButton8", "Panel4", TAlign::Left, TKind::ToolButton, 75, 0, true, "CUT",
     &TTavo::DelShareFile},
    {"bsSkinSpeedButton9", "Panel4", TAlign::Right, TKind::ToolButton, 75, 0, true, "SENDSHARE",
     &TTavo::bsSkinSpeedButton9Click},
    {"ProgressBar1", nullptr, TAlign::None, TKind::ProgressBar, 149, 16, true},
};

struct TMenuSpec {
    int Menu; // 1 or 3
    const char* Name;
    void (TTavo::*Handler)(); // null for a separator line
};

const TMenuSpec MenuSpecs[] = {
    {1, "N13", &TTavo::UploadButtonClick},
    {1, "N14", &TTavo::ListViewRemoteDblClick},
    {1, "N15", &TTavo::DeleteButtonClick},
    {1, "N16", &TTavo::N3Click},
    {1, "N17", &TTavo::AddShareFile},
    {1, "N18", nullptr},
    {1, "N19", &TTavo::CreateDirButtonClick},
    {1, "N20", &TTavo::DelDir},
    {1, "N21", &TTavo::N3Click},
    {3, "N1", &TTavo::DelShareFile},
    {3, "N2", nullptr},
    {3, "N3", &TTavo::bsSkinSpeedButton9Click},
};

const char* ButtonField(TToolButton button) {
    switch (button) {
    case tbUpload:
        return "bsSkinSpeedButton3";
    case tbDownload:
        return "bsSkinSpeedButton6";
    case tbDeleteFile:
        return "bsSkinSpeedButton4";
    case tbRename:
        return "bsSkinSpeedButton2";
    case tbShare:
        return "bsSkinSpeedButton5";
    case tbUp:
        return "bsSkinSpeedButton7";
    case tbCreateDir:
        return "CreateDirButton";
    case tbDeleteDir:
        return "DelDirButton";
    case tbRemoveShare:
        return "bsSkinSpeedButton8";
    case tbSendShare:
        return "bsSkinSpeedButton9";
    }
    return "";
}

std::wstring Wide(const std::string& bytes, int codePage) {
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
    return text;
}

std::string Narrow(const std::wstring& text, int codePage) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

HFONT MakeFont(const wchar_t* face, int height) {
    LOGFONTW font{};
    font.lfHeight = height; // negative: character height; positive: cell height
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

// Hints keep CR between lines; a tooltip needs CR LF.
std::wstring TooltipText(const std::wstring& hint) {
    std::wstring text;
    for (wchar_t c : hint) {
        text += c;
        if (c == L'\r')
            text += L'\n';
    }
    return text;
}

void DrawPicture(HDC dc, HBITMAP picture, int left, int top) {
    BITMAP info{};
    if (!picture || !GetObjectW(picture, sizeof info, &info))
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, picture);
    // The pictures are drawn on white; like a tool-button glyph, the bottom-left pixel's colour
    // is the transparent one.
    const COLORREF transparent = GetPixel(source, 0, info.bmHeight - 1);
    TransparentBlt(dc, left, top, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth,
                   info.bmHeight, transparent);
    SelectObject(source, old);
    DeleteDC(source);
}

} // namespace

struct TTavoForm::TImpl {
    controller::ITavoView* View = nullptr; // the controller's view
    HINSTANCE Instance = nullptr;
    const TCatalogue* Catalogue = nullptr;
    const TFormTexts* Texts = nullptr;
    bool TopLevel = false;
    HWND Window = nullptr;
    HWND Tooltip = nullptr;
    std::vector<TLayoutNode> Nodes;
    std::vector<const TWidgetSpec*> NodeSpecs;
    std::vector<HWND> Windows;
    std::map<std::string, int, std::less<>> IndexByName;
    std::map<HWND, HBITMAP> Pictures;
    std::map<std::string, std::wstring, std::less<>> Hints;
    HMENU Menus[2] = {nullptr, nullptr};
    HIMAGELIST SharePictures = nullptr;
    bool ShareItemVisible = true;
    HFONT FormFont = nullptr, ArialFont = nullptr, MenuFont = nullptr;
    HBRUSH PanelBrush = nullptr, WhiteBrush = nullptr;
    HBRUSH FormBrush = nullptr; // null: the system's button face
    bool Retired = false;
    std::unique_ptr<TTavo> Tavo;

    // ListViewRemote's rows: the list asks for them when it draws.
    std::vector<TRemoteRow> Rows;
    int FocusedRow = -1;
    bool RowsPending = false;
    std::wstring DisplayText;

    std::vector<std::string> ShareLines;
    std::string CurrentDir = "/";
    std::string ConnectCaption;
    bool TraceShown = false, ShareShown = false;
    int Panel6Width = 450;
    std::optional<int> ShareListHeight;
    int ShareButtonsBarHeight = 25;
    int ClientWidth = 0, ClientHeight = 0;

    // The status text and progress position as the controller last set them, shown at most
    // every RepaintEvery. A transfer sets them for every block: the text is converted only
    // when it is shown, and the time read from the tick count, which costs no system call.
    std::string StatusText, ShownStatusText;
    int32_t ProgressPosition = 0;
    ULONGLONG LastRepaint = 0;
    bool RepaintDue = false;

    // A splitter drag in progress: which one, and where the drag started.
    int DragNode = -1;
    POINT DragOffset{};
    // Where the trace splitter's line is drawn while it is dragged; -1 when none is.
    int DragLineTop = -1;

    int Index(std::string_view name) const {
        auto it = IndexByName.find(name);
        return it == IndexByName.end() ? -1 : it->second;
    }
    HWND Hwnd(std::string_view name) const {
        int index = Index(name);
        return index < 0 ? nullptr : Windows[static_cast<size_t>(index)];
    }
    TLayoutNode& Node(std::string_view name) { return Nodes[static_cast<size_t>(Index(name))]; }
    int CodePage() const { return Catalogue->CodePage; }

    void Build(HWND parent);
    HWND CreateWidget(size_t index, HWND parent);
    void BuildMenus();
    void ApplyLayout();
    void Run(void (TTavo::*handler)());
    void OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR* header);
    void OnContextMenu(HWND source, LPARAM where);
    void OnDrawItem(DRAWITEMSTRUCT* item);
    void OnMeasureItem(MEASUREITEMSTRUCT* item);
    void OnSkinScroll(int code);
    void SyncSkinScrollBar();
    void SyncRows();
    void Drag(int node, POINT formPoint);
    void EndDrag(int node, const POINT* formPoint);
    int TraceSplitterTop(POINT formPoint);
    void InvertDragLine(int top);
    void PaintPane(HWND pane, TKind kind, const std::wstring& caption);
    void ShowStatusAndProgress(bool now);
};

namespace {

struct TPaneData {
    TTavoForm::TImpl* Impl;
    int Node;
};

TKind PaneKind(TTavoForm::TImpl& impl, int node) {
    return impl.NodeSpecs[static_cast<size_t>(node)]->Kind;
}

LRESULT ForwardToForm(TTavoForm::TImpl& impl, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(impl.Window, message, wParam, lParam);
}

LRESULT CALLBACK PaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<TPaneData*>(GetWindowLongPtrW(pane, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            pane, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        return DefWindowProcW(pane, message, wParam, lParam);
    }
    if (!data)
        return DefWindowProcW(pane, message, wParam, lParam);
    TTavoForm::TImpl& impl = *data->Impl;
    const TKind kind = PaneKind(impl, data->Node);
    const bool splitter = kind == TKind::SplitterVertical || kind == TKind::SplitterHorizontal;
    switch (message) {
    case WM_NCDESTROY:
        delete data;
        SetWindowLongPtrW(pane, GWLP_USERDATA, 0);
        return DefWindowProcW(pane, message, wParam, lParam);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CONTEXTMENU:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return ForwardToForm(impl, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        auto it = impl.Texts->Widgets.find(impl.Nodes[static_cast<size_t>(data->Node)].Name);
        impl.PaintPane(pane, kind, it == impl.Texts->Widgets.end() ? L"" : it->second.Caption);
        return 0;
    }
    case WM_SETCURSOR:
        if (splitter) {
            SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(kind == TKind::SplitterVertical
                                                                         ? IDC_SIZEWE
                                                                         : IDC_SIZENS)));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        if (splitter) {
            impl.DragNode = data->Node;
            impl.DragOffset = {static_cast<short>(LOWORD(lParam)),
                               static_cast<short>(HIWORD(lParam))};
            SetCapture(pane);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (splitter && impl.DragNode == data->Node && GetCapture() == pane) {
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            MapWindowPoints(pane, impl.Window, &point, 1);
            impl.Drag(data->Node, point);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (impl.DragNode == data->Node) {
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            MapWindowPoints(pane, impl.Window, &point, 1);
            impl.DragNode = -1;
            ReleaseCapture();
            impl.EndDrag(data->Node, &point);
        }
        break;
    case WM_CAPTURECHANGED:
        // Capture taken away mid-drag (a box opened, say): the drag ends where it began.
        if (impl.DragNode == data->Node) {
            impl.DragNode = -1;
            impl.EndDrag(data->Node, nullptr);
        }
        break;
    }
    return DefWindowProcW(pane, message, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* impl = reinterpret_cast<TTavoForm::TImpl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        impl = reinterpret_cast<TTavoForm::TImpl*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        impl->Window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!impl)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_SIZE:
        impl->ClientWidth = LOWORD(lParam);
        impl->ClientHeight = HIWORD(lParam);
        if (!impl->Windows.empty())
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
    case WM_DRAWITEM:
        impl->OnDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_MEASUREITEM:
        impl->OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == impl->Hwnd("bsSkinScrollBar9"))
            impl->OnSkinScroll(LOWORD(wParam));
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

LRESULT CALLBACK RemoteListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR data) {
    LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    switch (message) {
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_SIZE:
    case WM_PAINT:
    case LVM_SETITEMCOUNT:
    case LVM_ENSUREVISIBLE:
    case LVM_SCROLL:
    case LVM_DELETEALLITEMS:
        reinterpret_cast<TTavoForm::TImpl*>(data)->SyncSkinScrollBar();
        break;
    }
    return result;
}

// Every press of a tool button is a click that runs its command: the button class would turn a
// quick second press of an owner-drawn button into a double-click notice, and the command would
// run once for two clicks.
LRESULT CALLBACK ToolButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    return DefSubclassProc(button, message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, wParam,
                           lParam);
}

// The status bar draws itself in its colour: common controls with a visual style ignore the
// background colour they are given.
LRESULT CALLBACK StatusBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    if (message == WM_ERASEBKGND)
        return 1;
    if (message != WM_PAINT)
        return DefSubclassProc(bar, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    RECT client;
    GetClientRect(bar, &client);
    HBRUSH fill = CreateSolidBrush(StatusBarColour);
    FillRect(dc, &client, fill);
    DeleteObject(fill);
    int parts[2] = {};
    const int count =
        static_cast<int>(SendMessageW(bar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts)));
    int left = 0;
    for (int part = 0; part < count; ++part) {
        RECT box{left, client.top, parts[part] < 0 ? client.right : parts[part], client.bottom};
        DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
        const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0));
        if (length > 0) {
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
            text.resize(length);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(bar, WM_GETFONT, 0, 0)));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            RECT inside{box.left + 4, box.top, box.right - 2, box.bottom};
            DrawTextW(dc, text.c_str(), -1, &inside,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            SelectObject(dc, old);
        }
        left = box.right;
    }
    EndPaint(bar, &paint);
    return 0;
}

void RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    if (!GetClassInfoExW(instance, FormClassName, &cls)) {
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
    if (!GetClassInfoExW(instance, PaneClassName, &cls)) {
        cls = {};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = PaneProc;
        cls.hInstance = instance;
        cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        cls.lpszClassName = PaneClassName;
        RegisterClassExW(&cls);
    }
}

} // namespace

void TTavoForm::TImpl::Build(HWND parent) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterClasses(Instance);
    FormFont = MakeFont(L"MS Sans Serif", -11);
    ArialFont = MakeFont(L"Arial", 14);
    MenuFont = MakeFont(L"Tahoma", -13);
    PanelBrush = CreateSolidBrush(PanelColour);
    WhiteBrush = CreateSolidBrush(RGB(255, 255, 255));

    for (const auto& spec : Specs) {
        TLayoutNode node;
        node.Name = spec.Name;
        node.Parent = spec.Parent ? IndexByName.at(spec.Parent) : -1;
        node.Align = spec.Align;
        node.Width = spec.Width;
        node.Height = spec.Height;
        node.Visible = spec.VisibleAtStart;
        if (auto it = Texts->Widths.find(spec.Name); it != Texts->Widths.end())
            node.Width = it->second;
        if (auto it = Texts->Heights.find(spec.Name); it != Texts->Heights.end())
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
        IndexByName[spec.Name] = static_cast<int>(Nodes.size());
        Nodes.push_back(node);
        NodeSpecs.push_back(&spec);
    }
    Panel6Width = Node("Panel6").Width;
    ShareButtonsBarHeight = Node("Panel4").Height;

    const DWORD style = TopLevel ? WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
                                 : WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    RECT frame{0, 0, Texts->ClientWidth, 446};
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
    BuildMenus();
    RECT client;
    GetClientRect(Window, &client);
    ClientWidth = client.right;
    ClientHeight = client.bottom;
    ApplyLayout();
}

HWND TTavoForm::TImpl::CreateWidget(size_t index, HWND parent) {
    const TWidgetSpec& spec = *NodeSpecs[index];
    const std::string& name = Nodes[index].Name;
    const TWidgetText* text = nullptr;
    if (auto it = Texts->Widgets.find(name); it != Texts->Widgets.end())
        text = &it->second;
    const std::wstring caption = text ? text->Caption : L"";
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(FirstWidgetId + index));
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
        if (spec.Picture)
            Pictures[widget] = LoadNamedBitmap(Instance, spec.Picture);
        if (spec.Kind == TKind::LabelButton)
            EnableWindow(widget, FALSE);
        break;
    case TKind::CheckBox:
        widget = CreateWindowExW(0, WC_BUTTONW, caption.c_str(), child | BS_AUTOCHECKBOX, 0, 0, 0,
                                 0, parent, id, Instance, nullptr);
        if (name == "UsePassive")
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
        const int widths[] = {88, 160, 100, 100};
        for (int column = 0; column < 4; ++column) {
            LVCOLUMNW info{};
            info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            info.pszText = const_cast<wchar_t*>(Texts->Columns[column].c_str());
            info.cx = widths[column];
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
        SendMessageW(widget, LB_SETITEMHEIGHT, 0, 18);
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
        int parts[] = {300, -1};
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
        SendMessageW(widget, LB_SETITEMHEIGHT, 0, 20);
    if (text && !text->Hint.empty()) {
        Hints[name] = text->Hint;
        if (text->HintShown) {
            std::wstring tip = TooltipText(text->Hint);
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

void TTavoForm::TImpl::BuildMenus() {
    for (int which = 0; which < 2; ++which) {
        if (!Menus[which])
            Menus[which] = CreatePopupMenu();
        HMENU menu = Menus[which];
        while (GetMenuItemCount(menu) > 0)
            DeleteMenu(menu, 0, MF_BYPOSITION);
        const int number = which == 0 ? 1 : 3;
        for (size_t i = 0; i < std::size(MenuSpecs); ++i) {
            const TMenuSpec& spec = MenuSpecs[i];
            if (spec.Menu != number || (!ShareItemVisible && std::string_view(spec.Name) == "N17"))
                continue;
            const std::wstring& caption = Texts->MenuItems.at(spec.Name);
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
            item.fType = MFT_OWNERDRAW | (spec.Handler ? 0 : MFT_SEPARATOR);
            item.wID = static_cast<UINT>(FirstMenuItemId + i);
            // The caption travels as the item's data, for drawing and for anyone who asks.
            item.dwItemData = spec.Handler ? reinterpret_cast<ULONG_PTR>(caption.c_str()) : 0;
            InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &item);
        }
    }
}

void TTavoForm::TImpl::ApplyLayout() {
    // The row of file panels: the remote-file panel keeps its width while the share panel
    // shows, and fills the row otherwise.
    TLayoutNode& panel6 = Node("Panel6");
    panel6.Align = ShareShown ? TAlign::Left : TAlign::Fill;
    panel6.Width = Panel6Width;
    Node("Splitter2").Visible = ShareShown;
    Node("Panel7").Visible = ShareShown;
    Node("DebugListBox").Visible = TraceShown;
    Node("Splitter1").Visible = TraceShown;
    TLayoutNode& shareList = Node("ShareListBox");
    TLayoutNode& buttonsBar = Node("Panel4");
    if (ShareListHeight) {
        shareList.Align = TAlign::Top;
        shareList.Height = std::max(0, *ShareListHeight);
        buttonsBar.Align = TAlign::Fill;
    }
    buttonsBar.Height = ShareButtonsBarHeight;
    LayOut(Nodes, ClientWidth, ClientHeight);

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
    const int nameWidth = std::max(160, Node("ListViewRemote").Placed.Width - 288 - 4);
    ListView_SetColumnWidth(list, 1, nameWidth);
    InvalidateRect(Window, nullptr, TRUE);
}

void TTavoForm::TImpl::Run(void (TTavo::*handler)()) {
    if (!Tavo || !handler)
        return;
    try {
        (Tavo.get()->*handler)();
    } catch (const std::exception& error) {
        View->ReportError(controller::ErrorReportText(error.what()));
    }
}

void TTavoForm::TImpl::OnCommand(int id, int code) {
    if (id >= FirstMenuItemId && id < FirstMenuItemId + static_cast<int>(std::size(MenuSpecs))) {
        Run(MenuSpecs[id - FirstMenuItemId].Handler);
        return;
    }
    const int index = id - FirstWidgetId;
    if (index < 0 || index >= static_cast<int>(Nodes.size()) || code != BN_CLICKED)
        return;
    Run(NodeSpecs[static_cast<size_t>(index)]->Handler);
}

LRESULT TTavoForm::TImpl::OnNotify(NMHDR* header) {
    HWND list = Hwnd("ListViewRemote");
    if (header->hwndFrom == ListView_GetHeader(list) &&
        (header->code == HDN_ITEMCHANGINGW || header->code == HDN_ITEMCHANGINGA)) {
        // A column dragged narrower than its least width keeps its width.
        const auto* change = reinterpret_cast<NMHEADERW*>(header);
        constexpr int leastWidths[] = {88, 160, 100, 100};
        return change->pitem && (change->pitem->mask & HDI_WIDTH) && change->iItem >= 0 &&
               change->iItem < 4 && change->pitem->cxy < leastWidths[change->iItem];
    }
    if (header->hwndFrom != list)
        return 0;
    switch (header->code) {
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        LVITEMW& item = info->item;
        if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= Rows.size())
            return 0;
        const TRemoteRow& row = Rows[static_cast<size_t>(item.iItem)];
        if (item.mask & LVIF_TEXT && item.pszText && item.cchTextMax > 0) {
            const std::string* cell = nullptr;
            if (item.iSubItem == 0)
                cell = &row.TypeText;
            else if (static_cast<size_t>(item.iSubItem) <= row.Cells.size())
                cell = &row.Cells[static_cast<size_t>(item.iSubItem) - 1];
            DisplayText = cell ? Wide(*cell, CodePage()) : std::wstring();
            const size_t room = static_cast<size_t>(item.cchTextMax) - 1;
            const size_t length = std::min(room, DisplayText.size());
            std::copy_n(DisplayText.c_str(), length, item.pszText);
            item.pszText[length] = L'\0';
        }
        if (item.mask & LVIF_IMAGE)
            item.iImage = row.IconIndex;
        return 0;
    }
    case NM_DBLCLK:
        Run(&TTavo::ListViewRemoteDblClick);
        return 0;
    }
    return 0;
}

void TTavoForm::TImpl::OnContextMenu(HWND source, LPARAM where) {
    HMENU menu = nullptr;
    if (source == Hwnd("ListViewRemote"))
        menu = Menus[0];
    else if (source == Hwnd("ShareListBox"))
        menu = Menus[1];
    if (!menu)
        return;
    POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) {
        RECT rect;
        GetWindowRect(source, &rect);
        point = {rect.left + 8, rect.top + 8};
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_LEFTALIGN, point.x, point.y, 0, Window, nullptr);
}

void TTavoForm::TImpl::OnMeasureItem(MEASUREITEMSTRUCT* item) {
    if (item->CtlType == ODT_LISTBOX) {
        item->itemHeight = 18;
        return;
    }
    if (item->CtlType != ODT_MENU)
        return;
    const auto* caption = reinterpret_cast<const wchar_t*>(item->itemData);
    if (!caption) {
        item->itemWidth = 60;
        item->itemHeight = 7;
        return;
    }
    HDC dc = GetDC(Window);
    HGDIOBJ old = SelectObject(dc, MenuFont);
    SIZE size{};
    GetTextExtentPoint32W(dc, caption, static_cast<int>(wcslen(caption)), &size);
    SelectObject(dc, old);
    ReleaseDC(Window, dc);
    item->itemWidth = static_cast<UINT>(24 + 8 + size.cx + 24);
    item->itemHeight = static_cast<UINT>(std::max<LONG>(22, size.cy + 8));
}

void TTavoForm::TImpl::OnDrawItem(DRAWITEMSTRUCT* item) {
    HDC dc = item->hDC;
    RECT rect = item->rcItem;
    const bool selected = item->itemState & ODS_SELECTED;
    if (item->CtlType == ODT_MENU) {
        // Flat: a picture column of 24 pixels, the selection in the highlight colour with a
        // border around it.
        const auto* caption = reinterpret_cast<const wchar_t*>(item->itemData);
        FillRect(dc, &rect, GetSysColorBrush(COLOR_MENU));
        RECT column{rect.left, rect.top, rect.left + 24, rect.bottom};
        FillRect(dc, &column, GetSysColorBrush(COLOR_BTNFACE));
        if (!caption) {
            RECT line{rect.left + 28, (rect.top + rect.bottom) / 2, rect.right - 2,
                      (rect.top + rect.bottom) / 2 + 1};
            FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
            return;
        }
        if (selected) {
            HBRUSH fill = CreateSolidBrush(RGB(220, 228, 250));
            FillRect(dc, &rect, fill);
            DeleteObject(fill);
            FrameRect(dc, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        HGDIOBJ old = SelectObject(dc, MenuFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc,
                     GetSysColor(item->itemState & ODS_DISABLED ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
        RECT text{rect.left + 32, rect.top, rect.right - 8, rect.bottom};
        DrawTextW(dc, caption, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        SelectObject(dc, old);
        return;
    }
    if (item->CtlType == ODT_LISTBOX) {
        FillRect(dc, &rect, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : WhiteBrush);
        if (item->itemID == static_cast<UINT>(-1))
            return;
        if (SharePictures)
            ImageList_Draw(SharePictures, 0, dc, rect.left + 1, rect.top + 1, ILD_TRANSPARENT);
        const auto length = SendMessageW(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0);
        std::wstring line(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(item->hwndItem, LB_GETTEXT, item->itemID,
                     reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<size_t>(std::max<LRESULT>(length, 0)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT text{rect.left + 20, rect.top, rect.right, rect.bottom};
        DrawTextW(dc, line.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (item->itemState & ODS_FOCUS)
            DrawFocusRect(dc, &rect);
        return;
    }
    if (item->CtlType != ODT_BUTTON)
        return;
    // Tool buttons: flat and light, the picture before the caption.
    const bool label = item->hwndItem == Hwnd("bsSkinSpeedButton1");
    const bool disabled = (item->itemState & ODS_DISABLED) && !label;
    HBRUSH face = CreateSolidBrush(selected || label ? RGB(222, 228, 246) : PanelColour);
    FillRect(dc, &rect, face);
    DeleteObject(face);
    DrawEdge(dc, &rect, selected || label ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    wchar_t caption[64] = {};
    GetWindowTextW(item->hwndItem, caption, static_cast<int>(std::size(caption)));
    HBITMAP picture = nullptr;
    if (auto it = Pictures.find(item->hwndItem); it != Pictures.end())
        picture = it->second;
    BITMAP info{};
    if (picture)
        GetObjectW(picture, sizeof info, &info);
    HGDIOBJ old = SelectObject(dc, FormFont);
    SIZE textSize{};
    const int captionLength = static_cast<int>(wcslen(caption));
    if (captionLength)
        GetTextExtentPoint32W(dc, caption, captionLength, &textSize);
    const int gap = picture && captionLength ? 3 : 0;
    const int total = (picture ? info.bmWidth : 0) + gap + textSize.cx;
    int left = rect.left + (rect.right - rect.left - total) / 2 + (selected ? 1 : 0);
    const int middle = (rect.top + rect.bottom) / 2 + (selected ? 1 : 0);
    if (picture) {
        DrawPicture(dc, picture, left, middle - info.bmHeight / 2);
        left += info.bmWidth + gap;
    }
    if (captionLength) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        TextOutW(dc, left, middle - textSize.cy / 2, caption, captionLength);
    }
    SelectObject(dc, old);
}

void TTavoForm::TImpl::OnSkinScroll(int code) {
    HWND list = Hwnd("ListViewRemote");
    HWND bar = Hwnd("bsSkinScrollBar9");
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(bar, SB_CTL, &info);
        RECT row{};
        if (!ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS))
            return;
        const int delta = info.nTrackPos - ListView_GetTopIndex(list);
        ListView_Scroll(list, 0, delta * (row.bottom - row.top));
        return;
    }
    SendMessageW(list, WM_VSCROLL, MAKEWPARAM(code, 0), 0);
}

void TTavoForm::TImpl::SyncSkinScrollBar() {
    HWND bar = Hwnd("bsSkinScrollBar9");
    if (!bar)
        return;
    SCROLLINFO list{};
    list.cbSize = sizeof list;
    list.fMask = SIF_ALL;
    const bool scrolls = GetScrollInfo(Hwnd("ListViewRemote"), SB_VERT, &list) && list.nMax > 0 &&
                         static_cast<int>(list.nPage) <= list.nMax;
    SCROLLINFO current{};
    current.cbSize = sizeof current;
    current.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &current);
    if (!scrolls) {
        if (current.nMax != 0 || IsWindowEnabled(bar)) {
            SCROLLINFO empty{};
            empty.cbSize = sizeof empty;
            empty.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
            SetScrollInfo(bar, SB_CTL, &empty, TRUE);
            EnableScrollBar(bar, SB_CTL, ESB_DISABLE_BOTH);
        }
        return;
    }
    if (current.nMin == list.nMin && current.nMax == list.nMax && current.nPage == list.nPage &&
        current.nPos == list.nPos)
        return;
    EnableScrollBar(bar, SB_CTL, ESB_ENABLE_BOTH);
    list.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    SetScrollInfo(bar, SB_CTL, &list, TRUE);
}

void TTavoForm::TImpl::SyncRows() {
    if (!RowsPending)
        return;
    RowsPending = false;
    HWND list = Hwnd("ListViewRemote");
    SendMessageW(list, LVM_SETITEMCOUNT, Rows.size(), LVSICF_NOSCROLL);
    if (FocusedRow >= 0 && static_cast<size_t>(FocusedRow) < Rows.size())
        ListView_SetItemState(list, FocusedRow, LVIS_FOCUSED, LVIS_FOCUSED);
}

void TTavoForm::TImpl::Drag(int node, POINT point) {
    if (Nodes[static_cast<size_t>(node)].Name == "Splitter2") {
        // The share splitter moves live: the remote-file panel's right edge follows the
        // pointer, and both panels keep the splitter's least size.
        const int limit = ClientWidth - Nodes[static_cast<size_t>(node)].Width - SplitterLeast;
        Panel6Width =
            std::clamp<int>(point.x - DragOffset.x, SplitterLeast, std::max(SplitterLeast, limit));
        ApplyLayout();
        UpdateWindow(Window);
        return;
    }
    // The trace splitter shows a line while it is dragged and moves when it is let go.
    const int top = TraceSplitterTop(point);
    if (top == DragLineTop)
        return;
    InvertDragLine(DragLineTop);
    DragLineTop = top;
    InvertDragLine(DragLineTop);
}

void TTavoForm::TImpl::EndDrag(int node, const POINT* point) {
    if (Nodes[static_cast<size_t>(node)].Name == "Splitter2")
        return;
    InvertDragLine(DragLineTop);
    DragLineTop = -1;
    if (!point)
        return;
    TLayoutNode& trace = Node("DebugListBox");
    const int bottom = trace.Placed.Top + trace.Placed.Height;
    trace.Height = bottom - TraceSplitterTop(*point) - Node("Splitter1").Height;
    ApplyLayout();
}

int TTavoForm::TImpl::TraceSplitterTop(POINT point) {
    const TLayoutNode& trace = Node("DebugListBox");
    const int height = Node("Splitter1").Height;
    const int bottom = trace.Placed.Top + trace.Placed.Height;
    const TLayoutNode& above = Node("bsSkinPanel2");
    const int rowTop = above.Placed.Top + above.Placed.Height;
    // Both the file panels and the trace list keep the least size.
    const int highest = rowTop + SplitterLeast;
    const int lowest = std::max(highest, bottom - height - SplitterLeast);
    return std::clamp<int>(point.y - DragOffset.y, highest, lowest);
}

void TTavoForm::TImpl::InvertDragLine(int top) {
    if (top < 0)
        return;
    HDC dc = GetDCEx(Window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    PatBlt(dc, 0, top, ClientWidth, Node("Splitter1").Height, DSTINVERT);
    ReleaseDC(Window, dc);
}

void TTavoForm::TImpl::ShowStatusAndProgress(bool now) {
    const ULONGLONG time = GetTickCount64();
    if (!now && time - LastRepaint < static_cast<ULONGLONG>(RepaintEvery.count())) {
        if (!RepaintDue) {
            RepaintDue = true;
            SetTimer(Window, RepaintTimerId, static_cast<UINT>(RepaintEvery.count()), nullptr);
        }
        return;
    }
    if (RepaintDue) {
        KillTimer(Window, RepaintTimerId);
        RepaintDue = false;
    }
    LastRepaint = time;
    HWND status = Hwnd("StatusBar1");
    if (StatusText != ShownStatusText) {
        const std::wstring text = Wide(StatusText, CodePage());
        SendMessageW(status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
        // Wine's status bar keeps the part bounds of its creation size when it is created with
        // CCS_NORESIZE, so its own invalidation of the part misses: the new text would not show.
        InvalidateRect(status, nullptr, FALSE);
        ShownStatusText = StatusText;
    }
    HWND progress = Hwnd("ProgressBar1");
    if (SendMessageW(progress, PBM_GETPOS, 0, 0) != ProgressPosition)
        SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(ProgressPosition), 0);
}

void TTavoForm::TImpl::PaintPane(HWND pane, TKind kind, const std::wstring& caption) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(pane, &paint);
    RECT rect;
    GetClientRect(pane, &rect);
    FillRect(dc, &rect,
             kind == TKind::SplitterVertical || kind == TKind::SplitterHorizontal
                 ? GetSysColorBrush(COLOR_BTNFACE)
                 : PanelBrush);
    switch (kind) {
    case TKind::PanelLowered:
        DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
        break;
    case TKind::PanelRaised:
        DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        break;
    case TKind::PanelCaption: {
        RECT bar{rect.left, rect.top, rect.right, rect.top + CaptionBarHeight};
        HBRUSH fill = CreateSolidBrush(CaptionBarColour);
        FillRect(dc, &bar, fill);
        DeleteObject(fill);
        HGDIOBJ old = SelectObject(dc, FormFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(20, 30, 80));
        RECT text = bar;
        text.left += 6;
        DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        SelectObject(dc, old);
        break;
    }
    case TKind::BevelVertical: {
        RECT line{(rect.left + rect.right) / 2 - 1, rect.top + 3, (rect.left + rect.right) / 2 + 1,
                  rect.bottom - 3};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
        break;
    }
    case TKind::BevelBottom: {
        RECT line{rect.left, rect.bottom - 2, rect.right, rect.bottom};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        break;
    }
    case TKind::SplitterVertical:
    case TKind::SplitterHorizontal: {
        // A raised bar with a grip in its middle, so it reads as something to drag.
        DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        const bool across = kind == TKind::SplitterHorizontal;
        const int middleX = (rect.left + rect.right) / 2, middleY = (rect.top + rect.bottom) / 2;
        for (int dot = -2; dot <= 2; ++dot) {
            RECT grip =
                across
                    ? RECT{middleX + dot * 4 - 1, middleY - 1, middleX + dot * 4 + 1, middleY + 1}
                    : RECT{middleX - 1, middleY + dot * 4 - 1, middleX + 1, middleY + dot * 4 + 1};
            FillRect(dc, &grip, GetSysColorBrush(COLOR_BTNSHADOW));
        }
        break;
    }
    default:
        break;
    }
    EndPaint(pane, &paint);
}

// ---- TTavoForm.

TTavoForm::TTavoForm(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}

TTavoForm::~TTavoForm() {
    if (impl_->Window) {
        KillTimer(impl_->Window, Timer1Id);
        KillTimer(impl_->Window, RepaintTimerId);
    }
    impl_->Tavo.reset();
    if (impl_->Window) {
        SetWindowLongPtrW(impl_->Window, GWLP_USERDATA, 0);
        DestroyWindow(impl_->Window);
    }
    if (impl_->Tooltip && IsWindow(impl_->Tooltip))
        DestroyWindow(impl_->Tooltip);
    if (impl_->SharePictures)
        ImageList_Destroy(impl_->SharePictures);
    for (HMENU menu : impl_->Menus)
        if (menu)
            DestroyMenu(menu);
    for (auto& [widget, picture] : impl_->Pictures)
        if (picture)
            DeleteObject(picture);
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(impl_->FormFont), static_cast<HGDIOBJ>(impl_->ArialFont),
          static_cast<HGDIOBJ>(impl_->MenuFont), static_cast<HGDIOBJ>(impl_->PanelBrush),
          static_cast<HGDIOBJ>(impl_->WhiteBrush), static_cast<HGDIOBJ>(impl_->FormBrush)})
        if (object)
            DeleteObject(object);
}

std::unique_ptr<TTavoForm> TTavoForm::Create(HINSTANCE instance, HWND parent,
                                             const TCatalogue* catalogue,
                                             const TViewWrapper& wrapView) {
    auto impl = std::make_unique<TImpl>();
    impl->Instance = instance;
    impl->Catalogue = catalogue ? catalogue : &EditionCatalogue();
    impl->Texts =
        impl->Catalogue == &EnglishCatalogue() ? &EnglishFormTexts() : &ChineseFormTexts();
    impl->TopLevel = parent == nullptr;
    std::unique_ptr<TTavoForm> form(new TTavoForm(std::move(impl)));
    TImpl& self = *form->impl_;
    self.View = form.get();
    self.Build(parent);
    if (!self.Window)
        return nullptr;
    if (wrapView)
        self.View = &wrapView(*form);
    TTavoOptions options;
    options.Catalogue = self.Catalogue;
    self.Tavo = std::make_unique<TTavo>(*self.View, std::move(options));
    self.Tavo->FormCreate();
    SetTimer(self.Window, Timer1Id, 5000, nullptr);
    ShowWindow(self.Window, SW_SHOW);
    UpdateWindow(self.Window);
    return form;
}

HWND TTavoForm::Handle() const {
    return impl_->Window;
}

HWND TTavoForm::Widget(std::string_view fieldName) const {
    return impl_->Hwnd(fieldName);
}

int TTavoForm::WidgetId(std::string_view fieldName) {
    for (size_t index = 0; index < std::size(Specs); ++index)
        if (fieldName == Specs[index].Name)
            return FirstWidgetId + static_cast<int>(index);
    return -1;
}

HMENU TTavoForm::PopupMenu(int number) const {
    return number == 1 ? impl_->Menus[0] : number == 3 ? impl_->Menus[1] : nullptr;
}

std::wstring TTavoForm::Hint(std::string_view fieldName) const {
    auto it = impl_->Hints.find(fieldName);
    return it == impl_->Hints.end() ? std::wstring() : it->second;
}

bool TTavoForm::HintShown(std::string_view fieldName) const {
    HWND widget = Widget(fieldName);
    if (!widget)
        return false;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = impl_->Window;
    tool.uId = reinterpret_cast<UINT_PTR>(widget);
    return SendMessageW(impl_->Tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void TTavoForm::Retire() {
    impl_->Retired = true;
    ShowWindow(impl_->Window, SW_HIDE);
}

void TTavoForm::SetColor(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (impl_->FormBrush)
        DeleteObject(impl_->FormBrush);
    impl_->FormBrush = brush;
    InvalidateRect(impl_->Window, nullptr, TRUE);
}

LOGFONTW TTavoForm::FormFont() const {
    LOGFONTW font{};
    GetObjectW(impl_->FormFont, sizeof font, &font);
    return font;
}

void TTavoForm::SetFormFont(const LOGFONTW& font) {
    HFONT created = CreateFontIndirectW(&font);
    if (!created)
        return;
    HFONT old = impl_->FormFont;
    impl_->FormFont = created;
    auto retarget = [&](HWND window) {
        if (reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)) == old)
            SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(created), FALSE);
    };
    retarget(impl_->Window);
    for (HWND widget : impl_->Windows)
        if (widget)
            retarget(widget);
    DeleteObject(old);
    RedrawWindow(impl_->Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

TTavo& TTavoForm::Controller() {
    return *impl_->Tavo;
}

void TTavoForm::Resize(int width, int height) {
    if (impl_->TopLevel) {
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(impl_->Window, GWL_STYLE)),
                           FALSE, 0);
        SetWindowPos(impl_->Window, nullptr, 0, 0, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(impl_->Window, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(impl_->Window, &client);
    impl_->ClientWidth = client.right;
    impl_->ClientHeight = client.bottom;
    impl_->ApplyLayout();
}

// ---- ITavoView.

void TTavoForm::SetStatusText(const std::string& text) {
    impl_->StatusText = text;
    impl_->ShowStatusAndProgress(false);
}

TModalResult TTavoForm::ShowMessageBox(const std::string& text, TMessageKind kind,
                                       TMessageButtons buttons) {
    if (impl_->Retired)
        return TModalResult::mrCancel;
    return RunMessageBox(impl_->Instance, impl_->Window, Wide(text, impl_->CodePage()), kind,
                         buttons);
}

bool TTavoForm::AskText(const std::string& caption, const std::string& prompt, std::string& value) {
    if (impl_->Retired)
        return false;
    std::wstring text = Wide(value, impl_->CodePage());
    if (!RunInputBox(impl_->Instance, impl_->Window, Wide(caption, impl_->CodePage()),
                     Wide(prompt, impl_->CodePage()), text))
        return false;
    value = Narrow(text, impl_->CodePage());
    return true;
}

namespace {

// Paths go to the C library's narrow file calls, which read them in the ANSI code page.
std::optional<std::string> RunChooser(HWND owner, bool save, const std::string& initialFolder,
                                      const std::string& suggestedName) {
    std::wstring folder = Wide(initialFolder, CP_ACP);
    std::wstring file = Wide(suggestedName, CP_ACP);
    file.resize(std::max<size_t>(file.size() + 1, MAX_PATH * 4), L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    dialog.lpstrFilter = L"All files\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = save ? L"请选择保存目录" : L"请选择要上传的文件";
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? 0 : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return std::nullopt;
    return Narrow(std::wstring(file.c_str()), CP_ACP);
}

} // namespace

std::optional<std::string> TTavoForm::ChooseUploadFile(const std::string& initialFolder) {
    if (impl_->Retired)
        return std::nullopt;
    return RunChooser(impl_->Window, false, initialFolder, "");
}

std::optional<std::string> TTavoForm::ChooseSaveFile(const std::string& initialFolder,
                                                     const std::string& suggestedName) {
    if (impl_->Retired)
        return std::nullopt;
    return RunChooser(impl_->Window, true, initialFolder, suggestedName);
}

void TTavoForm::ReportError(const std::string& message) {
    if (impl_->Retired)
        return;
    RunErrorReport(impl_->Window, Wide(message, impl_->CodePage()));
}

void TTavoForm::ClearRemoteRows() {
    impl_->Rows.clear();
    impl_->FocusedRow = -1;
    impl_->RowsPending = false;
    SendMessageW(impl_->Hwnd("ListViewRemote"), LVM_SETITEMCOUNT, 0, 0);
}

void TTavoForm::AddRemoteRow(const TRemoteRow& row) {
    if (row.Focused)
        impl_->FocusedRow = static_cast<int>(impl_->Rows.size());
    impl_->Rows.push_back(row);
    // The list learns its new length once the listing is in, not row by row.
    if (!impl_->RowsPending) {
        impl_->RowsPending = true;
        PostMessageW(impl_->Window, SyncRowsMessage, 0, 0);
    }
}

std::optional<TSelectedRow> TTavoForm::SelectedRemoteRow() {
    impl_->SyncRows();
    const int index = ListView_GetNextItem(impl_->Hwnd("ListViewRemote"), -1, LVNI_SELECTED);
    if (index < 0 || static_cast<size_t>(index) >= impl_->Rows.size())
        return std::nullopt;
    const TRemoteRow& row = impl_->Rows[static_cast<size_t>(index)];
    return TSelectedRow{row.Cells.empty() ? std::string() : row.Cells[0], row.IconIndex};
}

std::string TTavoForm::SelectedRemoteSize() {
    impl_->SyncRows();
    const int index = ListView_GetNextItem(impl_->Hwnd("ListViewRemote"), -1, LVNI_SELECTED);
    if (index < 0 || static_cast<size_t>(index) >= impl_->Rows.size())
        return {};
    const TRemoteRow& row = impl_->Rows[static_cast<size_t>(index)];
    return row.Cells.size() > 1 ? row.Cells[1] : std::string();
}

std::string TTavoForm::GetCurrentDirText() {
    return impl_->CurrentDir;
}

void TTavoForm::SetCurrentDirText(const std::string& text) {
    impl_->CurrentDir = text;
    SetWindowTextW(impl_->Hwnd("CurrentDirEdit"), Wide(text, impl_->CodePage()).c_str());
}

std::string TTavoForm::GetConnectCaption() {
    if (impl_->ConnectCaption.empty())
        return Narrow(impl_->Texts->Widgets.at("ConnectButton").Caption, impl_->CodePage());
    return impl_->ConnectCaption;
}

void TTavoForm::SetConnectButton(const std::string& caption, const std::string& hint) {
    HWND button = impl_->Hwnd("ConnectButton");
    impl_->ConnectCaption = caption;
    SetWindowTextW(button, Wide(caption, impl_->CodePage()).c_str());
    std::wstring wideHint = Wide(hint, impl_->CodePage());
    impl_->Hints["ConnectButton"] = wideHint;
    std::wstring tip = TooltipText(wideHint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = impl_->Window;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = tip.data();
    SendMessageW(impl_->Tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // Resource names match without regard to case: this is the "RECONNECT" picture.
    if (HBITMAP picture = LoadNamedBitmap(impl_->Instance, "reconnect")) {
        HBITMAP& held = impl_->Pictures[button];
        if (held)
            DeleteObject(held);
        held = picture;
    }
    InvalidateRect(button, nullptr, TRUE);
}

void TTavoForm::SetConnectButtonEnabled(bool enabled) {
    EnableWindow(impl_->Hwnd("ConnectButton"), enabled);
}

void TTavoForm::RearmButton(TToolButton button) {
    HWND widget = impl_->Hwnd(ButtonField(button));
    EnableWindow(widget, FALSE);
    EnableWindow(widget, TRUE);
}

void TTavoForm::ShowShareCommands(bool visible) {
    impl_->Node("bsSkinSpeedButton5").Visible = visible;
    impl_->Node("CheckShareList").Visible = visible;
    if (impl_->ShareItemVisible != visible) {
        impl_->ShareItemVisible = visible;
        impl_->BuildMenus();
    }
    impl_->ApplyLayout();
}

void TTavoForm::PlaceProgressBar() {
    HWND bar = impl_->Hwnd("ProgressBar1");
    HWND status = impl_->Hwnd("StatusBar1");
    SetParent(bar, status);
    TLayoutNode& node = impl_->Node("ProgressBar1");
    node.Parent = impl_->Index("StatusBar1");
    node.NoneLeft = 1;
    node.NoneTop = 2;
    int parts[2] = {};
    SendMessageW(status, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    node.Width = parts[0] > 0 ? parts[0] : 300;
    node.Height = 16;
    impl_->ApplyLayout();
}

void TTavoForm::SetProgressMax(int32_t count) {
    SendMessageW(impl_->Hwnd("ProgressBar1"), PBM_SETRANGE32, 0, count);
}

void TTavoForm::SetProgressPosition(int32_t count) {
    impl_->ProgressPosition = count;
    impl_->ShowStatusAndProgress(false);
}

namespace {
bool Checked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void Check(HWND box, bool checked) {
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
} // namespace

bool TTavoForm::IsPassiveChecked() {
    return Checked(impl_->Hwnd("UsePassive"));
}
// Setting a box does not run its handler here: the controller runs it right after setting
// the box (the view contract), so a second run would show every panel change twice.
void TTavoForm::SetPassiveChecked(bool checked) {
    Check(impl_->Hwnd("UsePassive"), checked);
}
bool TTavoForm::IsShareListChecked() {
    return Checked(impl_->Hwnd("CheckShareList"));
}
void TTavoForm::SetShareListChecked(bool checked) {
    Check(impl_->Hwnd("CheckShareList"), checked);
}
void TTavoForm::SetShareListCheckEnabled(bool enabled) {
    EnableWindow(impl_->Hwnd("CheckShareList"), enabled);
}
bool TTavoForm::IsTraceChecked() {
    return Checked(impl_->Hwnd("TraceCheckBox"));
}

void TTavoForm::AppendTraceLine(const std::string& text) {
    HWND list = impl_->Hwnd("DebugListBox");
    std::wstring wide = Wide(text, impl_->CodePage());
    const auto index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (index >= 0)
        SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

void TTavoForm::RemoveFirstTraceLine() {
    SendMessageW(impl_->Hwnd("DebugListBox"), LB_DELETESTRING, 0, 0);
}

void TTavoForm::ShowTracePanel(bool visible) {
    impl_->TraceShown = visible;
    impl_->ApplyLayout();
}

void TTavoForm::ShowSharePanel(bool visible, const TSharePanelLayout& layout) {
    impl_->ShareShown = visible;
    if (visible) {
        impl_->Panel6Width = impl_->Node("bsSkinPanel2").Placed.Width - layout.RemotePanelMargin;
        impl_->Node("Panel7").Width = layout.SharePanelWidth;
    }
    impl_->ApplyLayout();
    if (visible)
        LayOutShareList(layout.ShareListHeightMargin, layout.ButtonsBarHeight);
}

void TTavoForm::LayOutShareList(int heightMargin, int buttonsBarHeight) {
    impl_->ApplyLayout();
    impl_->ShareListHeight = impl_->Node("Panel6").Placed.Height - heightMargin;
    impl_->ShareButtonsBarHeight = buttonsBarHeight;
    impl_->ApplyLayout();
}

std::vector<std::string> TTavoForm::ShareLines() {
    return impl_->ShareLines;
}

void TTavoForm::AddShareLine(const std::string& line) {
    impl_->ShareLines.push_back(line);
    std::wstring wide = Wide(line, impl_->CodePage());
    SendMessageW(impl_->Hwnd("ShareListBox"), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

bool TTavoForm::RemoveSelectedShareLine() {
    HWND list = impl_->Hwnd("ShareListBox");
    const auto index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= impl_->ShareLines.size())
        return false;
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    impl_->ShareLines.erase(impl_->ShareLines.begin() + index);
    return true;
}

} // namespace tavo::form
