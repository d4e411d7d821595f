#pragma once
// The form's private state, shared by the files that make up the form: one window procedure
// per window class (form_window.cpp, pane_window.cpp, remote_list.cpp, tool_button.cpp,
// status_bar.cpp), the widgets' creation (form_widgets.cpp), the pop-up menus
// (form_menus.cpp), the view contract (form_view.cpp) and the public face (tavo_form.cpp).

#include "controller/catalogue.h"
#include "controller/tavo.h"
#include "form/form_edition.h"
#include "form/form_layout.h"
#include "form/form_tree.h"
#include "form/tavo_form.h"

#include <windows.h>
// (after windows.h, which it needs)
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tavo::form {

inline constexpr wchar_t FormClassName[] = L"TavoForm";
inline constexpr wchar_t PaneClassName[] = L"TavoPane";
inline constexpr UINT SyncRowsMessage = WM_APP + 1;
inline constexpr UINT_PTR Timer1Id = 1;
inline constexpr UINT_PTR RepaintTimerId = 2;
// A transfer moves the progress bar and the status text block by block; under a slow display
// (Wine on X) painting each step costs more than the block itself, so they draw at most this
// often.
inline constexpr std::chrono::milliseconds RepaintEvery{50};
inline constexpr COLORREF PanelColour = RGB(240, 243, 251);
inline constexpr COLORREF CaptionBarColour = RGB(181, 192, 247);
inline constexpr COLORREF StatusBarColour = RGB(181, 192, 247);
inline constexpr COLORREF SkyBlue = RGB(166, 202, 240);
inline constexpr int SplitterLeast = 6;
// The remote list's columns: designed and least widths (the name column takes the rest).
inline constexpr int ColumnWidths[4] = {88, 160, 100, 100};
inline constexpr int TraceLineHeight = 20;
inline constexpr int ShareLineHeight = 18;
inline constexpr int StatusPanelWidth = 300; // the status bar's first panel

struct TTavoForm::TImpl {
    controller::ITavoView* View = nullptr; // the controller's view
    HINSTANCE Instance = nullptr;
    const controller::TCatalogue* Catalogue = nullptr;
    const TFormEdition* Edition = nullptr;
    bool TopLevel = false;
    HWND Window = nullptr;
    HWND Tooltip = nullptr;
    std::vector<TLayoutNode> Nodes; // in designed pixels; Placed in screen pixels
    std::vector<HWND> Windows;
    std::map<HWND, HBITMAP> Pictures;
    std::map<std::string, std::wstring, std::less<>> Hints;
    HMENU Menus[2] = {nullptr, nullptr};
    // The edition's menu resource, the source of the pop-up menus' items and captions.
    HMENU MenuTemplate = nullptr;
    std::map<UINT, std::wstring> MenuCaptions; // by command id
    HIMAGELIST SharePictures = nullptr;
    bool ShareItemVisible = true;
    HFONT FormFont = nullptr, ArialFont = nullptr, MenuFont = nullptr;
    HBRUSH PanelBrush = nullptr, WhiteBrush = nullptr;
    HBRUSH FormBrush = nullptr; // null: the system's button face
    bool Retired = false;
    std::unique_ptr<controller::TTavo> Tavo;

    // ListViewRemote's rows: the list asks for them when it draws.
    std::vector<controller::TRemoteRow> Rows;
    int FocusedRow = -1;
    bool RowsPending = false;
    std::wstring DisplayText;

    std::vector<std::string> ShareLines;
    std::string CurrentDir = "/";
    std::string ConnectCaption;
    TFormPanels Panels;
    // The area the widgets are laid out in (larger than the client area where it scrolls).
    int ClientWidth = 0, ClientHeight = 0;

    // The form's own properties.
    bool AutoScroll = true;
    bool Scaled = true;
    int PixelsPerInch = 96;
    int ScreenPixelsPerInch = 96;
    bool AutoSize = false;
    std::function<void(SIZE)> AskForSize;
    bool DoubleBuffered = false;
    // How far the laid-out widgets are scrolled.
    POINT ScrollPos{};
    bool LayingOut = false;

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

    int Index(std::string_view name) const;
    HWND Hwnd(std::string_view name) const;
    TLayoutNode& Node(std::string_view name) { return NodeNamed(Nodes, name); }
    const TWidgetSpec& Spec(int node) const { return WidgetSpecs()[static_cast<size_t>(node)]; }
    int CodePage() const { return Catalogue->CodePage; }
    TScale Scale() const;

    // form_window.cpp
    void Build(HWND parent);
    void ApplyLayout();
    void ApplyScale();
    void Scroll(int bar, int code);
    SIZE NaturalWindowSize() const;
    void FollowNaturalSize();
    void Run(void (controller::TTavo::*handler)());
    void OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR* header);
    // form_widgets.cpp
    HWND CreateWidget(size_t index, HWND parent);
    void MakeFonts();
    // form_menus.cpp
    void LoadMenus();
    void BuildMenus();
    void OnContextMenu(HWND source, LPARAM where);
    void OnMeasureItem(MEASUREITEMSTRUCT* item);
    void DrawMenuItem(const DRAWITEMSTRUCT& item);
    // remote_list.cpp
    LRESULT OnRemoteListNotify(NMHDR* header);
    void OnSkinScroll(int code);
    void SyncSkinScrollBar();
    void SyncRows();
    // pane_window.cpp
    void Drag(int node, POINT formPoint);
    void EndDrag(int node, const POINT* formPoint);
    int TraceSplitterTop(POINT formPoint);
    void InvertDragLine(int top);
    void PaintPane(HWND pane, TKind kind, const std::wstring& caption);
    // tool_button.cpp
    void DrawToolButton(const DRAWITEMSTRUCT& item);
    // share_list.cpp
    void DrawShareLine(const DRAWITEMSTRUCT& item);
    // status_bar.cpp
    void ShowStatusAndProgress(bool now);
};

// Window procedures and subclass procedures, one per window class.
LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK RemoteListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR impl);
LRESULT CALLBACK ToolButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR);
LRESULT CALLBACK StatusBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR);

// What a pane window carries: its form and its node.
struct TPaneData {
    TTavoForm::TImpl* Impl;
    int Node;
};

// Hints keep CR between lines; a tooltip needs CR LF.
std::wstring TooltipText(const std::wstring& hint);

} // namespace tavo::form
