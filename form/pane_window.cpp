// The panes: the form's panels, dividers and splitters, one window class drawn by the form.
// A splitter is dragged with the mouse; the panes pass their children's notices on to the
// form, which handles them all in one place.

#include "form/form_private.h"

#include <algorithm>

namespace tavo::form {

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
    const TKind kind = impl.Spec(data->Node).Kind;
    const bool splitter = kind == TKind::SplitterVertical || kind == TKind::SplitterHorizontal;
    auto formPoint = [&] {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        MapWindowPoints(pane, impl.Window, &point, 1);
        // Where it lies among the laid-out widgets, which may be scrolled.
        point.x += impl.ScrollPos.x;
        point.y += impl.ScrollPos.y;
        return point;
    };
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
        return SendMessageW(impl.Window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        wchar_t caption[64] = {};
        GetWindowTextW(pane, caption, static_cast<int>(std::size(caption)));
        impl.PaintPane(pane, kind, caption);
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
            impl.Drag(data->Node, formPoint());
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (impl.DragNode == data->Node) {
            POINT point = formPoint();
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

void TTavoForm::TImpl::Drag(int node, POINT point) {
    if (Nodes[static_cast<size_t>(node)].Name == "Splitter2") {
        // The share splitter moves live: the remote-file panel's right edge follows the
        // pointer, and both panels keep the splitter's least size.
        const TScale scale = Scale();
        const int limit =
            ClientWidth - Nodes[static_cast<size_t>(node)].Placed.Width - scale(SplitterLeast);
        const int right = std::clamp<int>(point.x - DragOffset.x, scale(SplitterLeast),
                                          std::max(scale(SplitterLeast), limit));
        Panels.Panel6Width = scale.Unscale(right);
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
    trace.Height =
        Scale().Unscale(bottom - TraceSplitterTop(*point) - Node("Splitter1").Placed.Height);
    ApplyLayout();
}

int TTavoForm::TImpl::TraceSplitterTop(POINT point) {
    const TLayoutNode& trace = Node("DebugListBox");
    const int height = Node("Splitter1").Placed.Height;
    const int bottom = trace.Placed.Top + trace.Placed.Height;
    const TLayoutNode& above = Node("bsSkinPanel2");
    const int rowTop = above.Placed.Top + above.Placed.Height;
    // Both the file panels and the trace list keep the least size.
    const int least = Scale()(SplitterLeast);
    const int highest = rowTop + least;
    const int lowest = std::max(highest, bottom - height - least);
    return std::clamp<int>(point.y - DragOffset.y, highest, lowest);
}

void TTavoForm::TImpl::InvertDragLine(int top) {
    if (top < 0)
        return;
    HDC dc = GetDCEx(Window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    PatBlt(dc, -ScrollPos.x, top - ScrollPos.y, ClientWidth, Node("Splitter1").Placed.Height,
           DSTINVERT);
    ReleaseDC(Window, dc);
}

void TTavoForm::TImpl::PaintPane(HWND pane, TKind kind, const std::wstring& caption) {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(pane, &paint);
    RECT rect;
    GetClientRect(pane, &rect);
    // Double-buffered, the pane is drawn whole into a bitmap and copied in one step, so its
    // background never shows alone between the steps.
    HDC dc = screen;
    HBITMAP buffer = nullptr;
    HGDIOBJ oldBuffer = nullptr;
    if (DoubleBuffered && rect.right > 0 && rect.bottom > 0) {
        dc = CreateCompatibleDC(screen);
        buffer = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
        oldBuffer = SelectObject(dc, buffer);
    }
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
        RECT bar{rect.left, rect.top, rect.right, rect.top + Scale()(CaptionBarHeight)};
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
    if (buffer) {
        BitBlt(screen, 0, 0, rect.right, rect.bottom, dc, 0, 0, SRCCOPY);
        SelectObject(dc, oldBuffer);
        DeleteObject(buffer);
        DeleteDC(dc);
    }
    EndPaint(pane, &paint);
}

} // namespace tavo::form
