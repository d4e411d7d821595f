// In-place and UI activation inside the container's window, the form's place and clipping,
// the routing of the form window's messages, and keyboard handling for the active object.

#include "control/control_object.h"

#include "control/module.h"
#include "control/ole_error.h"

#include <commctrl.h>

#include <utility>

namespace tavo::control {
namespace {

template <typename T> void ReleaseAndClear(T*& pointer) {
    if (pointer) {
        T* held = pointer;
        pointer = nullptr;
        held->Release();
    }
}

void PlaceForm(HWND form, const RECT& position) {
    SetWindowPos(form, nullptr, position.left, position.top, position.right - position.left,
                 position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The form framework's own notifications, which a simple-frame site has no business seeing.
bool IsFormNotification(UINT message) {
    return message >= 0xB000 && message <= 0xBFFF;
}

// The modifier bits of IOleControlSite::TranslateAccelerator.
enum : WORD { ShiftKey = 1, ControlKey = 2, AltKey = 4 };

WORD ShiftState() {
    WORD state = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= ShiftKey;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= ControlKey;
    if (GetKeyState(VK_MENU) < 0)
        state |= AltKey;
    return state;
}

// The keys the form itself acts on as dialog keys: Tab moves to the next of its widgets that a
// user tabs to, through the panes that hold them (Shift+Tab to the one before), and an arrow
// key to a neighbour. It has no default or cancel button, so Enter and Escape, like the paging
// keys, are left to the container.
bool TakeDialogKey(HWND form, MSG& msg) {
    if (GetKeyState(VK_MENU) < 0)
        return false;
    switch (msg.wParam) {
    case VK_TAB: {
        if (GetKeyState(VK_CONTROL) < 0)
            return false;
        HWND focus = GetFocus();
        HWND next = GetNextDlgTabItem(form, focus && IsChild(form, focus) ? focus : nullptr,
                                      GetKeyState(VK_SHIFT) < 0);
        if (!next)
            return false;
        SetFocus(next);
        return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        return IsDialogMessageW(form, &msg) != FALSE;
    default:
        return false;
    }
}

} // namespace

HRESULT TTavoControl::InPlaceActivate(bool uiActivate) {
    return GuardedCall([&]() -> HRESULT {
        HWND form = FormWindow();
        ShowWindow(form, SW_SHOW);
        bool calledOnInPlaceActivate = false;
        auto fail = [&](HRESULT result) {
            if (calledOnInPlaceActivate && inPlaceSite_)
                inPlaceSite_->OnInPlaceDeactivate();
            ReleaseAndClear(document_);
            ReleaseAndClear(frame_);
            ReleaseAndClear(inPlaceSite_);
            inPlaceActive_ = false;
            ShowWindow(form, SW_HIDE);
            return result;
        };
        if (!inPlaceActive_) {
            if (!clientSite_)
                return fail(E_FAIL);
            if (FAILED(clientSite_->QueryInterface(IID_IOleInPlaceSite,
                                                   reinterpret_cast<void**>(&inPlaceSite_))))
                return fail(E_FAIL);
            if (inPlaceSite_->CanInPlaceActivate() != S_OK)
                return fail(E_FAIL);
            HRESULT result = inPlaceSite_->OnInPlaceActivate();
            if (FAILED(result))
                return fail(result);
            calledOnInPlaceActivate = true;
            HWND container = nullptr;
            result = inPlaceSite_->GetWindow(&container);
            if (FAILED(result))
                return fail(result);
            RECT position{}, clip{};
            OLEINPLACEFRAMEINFO frameInfo{};
            frameInfo.cb = sizeof frameInfo;
            result =
                inPlaceSite_->GetWindowContext(&frame_, &document_, &position, &clip, &frameInfo);
            if (FAILED(result))
                return fail(result);
            if (!frame_)
                return fail(E_FAIL);
            PlaceForm(form, position);
            SetParent(form, container);
            ShowWindow(form, SW_SHOW);
            inPlaceActive_ = true;
            clientSite_->ShowObject();
        }
        if (uiActivate && !uiActive_) {
            uiActive_ = true;
            HRESULT result = inPlaceSite_->OnUIActivate();
            if (FAILED(result)) {
                uiActive_ = false;
                InPlaceDeactivate();
                return result;
            }
            SetFocus(form);
            auto* active = static_cast<IOleInPlaceActiveObject*>(this);
            frame_->SetActiveObject(active, nullptr);
            if (document_)
                document_->SetActiveObject(active, nullptr);
            frame_->SetBorderSpace(nullptr);
            if (document_)
                document_->SetBorderSpace(nullptr);
            // The form became the active form.
            Fire(OnActivateId);
        }
        return S_OK;
    });
}

STDMETHODIMP TTavoControl::UIDeactivate() {
    return GuardedCall([&]() -> HRESULT {
        if (!uiActive_)
            return S_OK;
        uiActive_ = false;
        if (document_)
            document_->SetActiveObject(nullptr, nullptr);
        if (frame_)
            frame_->SetActiveObject(nullptr, nullptr);
        if (inPlaceSite_)
            inPlaceSite_->OnUIDeactivate(FALSE);
        Fire(OnDeactivateId);
        return S_OK;
    });
}

STDMETHODIMP TTavoControl::InPlaceDeactivate() {
    return GuardedCall([&]() -> HRESULT {
        HWND form = FormWindow();
        if (inPlaceActive_) {
            inPlaceActive_ = false;
            UIDeactivate();
            ShowWindow(form, SW_HIDE);
            SetParent(form, ParkingWindow());
            ReleaseAndClear(document_);
            ReleaseAndClear(frame_);
            if (inPlaceSite_)
                inPlaceSite_->OnInPlaceDeactivate();
            ReleaseAndClear(inPlaceSite_);
        }
        ShowWindow(form, SW_HIDE);
        return S_OK;
    });
}

STDMETHODIMP TTavoControl::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = FormWindow();
    return *window ? S_OK : E_FAIL;
}

STDMETHODIMP TTavoControl::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

void TTavoControl::AskForFormSize(SIZE size) {
    HWND form = FormWindow();
    RECT position;
    GetWindowRect(form, &position);
    MapWindowPoints(nullptr, GetParent(form), reinterpret_cast<POINT*>(&position), 2);
    position.right = position.left + size.cx;
    position.bottom = position.top + size.cy;
    // In place, the container owns the form's rectangle: it is asked, and answers (or not)
    // with SetObjectRects. Parked, the form takes the size itself, and the container reads it
    // as the extent when it activates the control.
    if (inPlaceActive_ && inPlaceSite_)
        inPlaceSite_->OnPosRectChange(&position);
    else
        SetWindowPos(form, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

STDMETHODIMP TTavoControl::SetObjectRects(LPCRECT position, LPCRECT clip) {
    return GuardedCall([&]() -> HRESULT {
        if (!position || !clip)
            return E_POINTER;
        HWND form = FormWindow();
        if (form && IsWindow(form)) {
            RECT visible;
            IntersectRect(&visible, position, clip);
            // No region when the whole rectangle shows; an empty one when none of it does (a
            // control scrolled out of the container's view must not draw over the rest).
            HRGN region = nullptr;
            if (!EqualRect(&visible, position)) {
                if (IsRectEmpty(&visible))
                    SetRectEmpty(&visible);
                else
                    OffsetRect(&visible, -position->left, -position->top);
                region = CreateRectRgnIndirect(&visible);
            }
            // The window owns the region from here on.
            SetWindowRgn(form, region, TRUE);
            PlaceForm(form, *position);
        }
        return S_OK;
    });
}

STDMETHODIMP TTavoControl::ReactivateAndUndo() {
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::TranslateAccelerator(LPMSG msg) {
    return GuardedCall([&]() -> HRESULT {
        if (!msg)
            return E_POINTER;
        if (msg->message < WM_KEYFIRST || msg->message > WM_DEADCHAR)
            return S_FALSE;
        HWND form = FormWindow();
        // The widget that owns the message's window: the window itself, or its nearest ancestor
        // that is a direct part of the form's tree.
        HWND widget = msg->hwnd;
        if (!widget || (widget != form && !IsChild(form, widget)))
            return controlSite_ ? controlSite_->TranslateAccelerator(msg, ShiftState()) : S_FALSE;
        // With KeyPreview the form sees a character typed into any of its widgets first.
        if (msg->message == WM_CHAR && widget != form && properties_.KeyPreview) {
            const std::wstring keys = PressKey(static_cast<wchar_t>(msg->wParam));
            if (keys.empty())
                return S_OK;
            // A sink that made two characters of one: the widget gets the first at once, and the
            // container's loop goes on with the last.
            for (size_t i = 0; i + 1 < keys.size(); ++i)
                SendMessageW(widget, WM_CHAR, keys[i], msg->lParam);
            msg->wParam = keys.back();
        }
        const LRESULT wants =
            SendMessageW(widget, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
            LRESULT need = 0;
            if (msg->message == WM_KEYDOWN) {
                switch (msg->wParam) {
                case VK_RETURN:
                case VK_ESCAPE:
                case VK_CANCEL:
                case VK_EXECUTE:
                    need = DLGC_WANTALLKEYS;
                    break;
                case VK_TAB:
                    need = DLGC_WANTTAB;
                    break;
                case VK_PRIOR:
                case VK_NEXT:
                case VK_END:
                case VK_HOME:
                case VK_LEFT:
                case VK_UP:
                case VK_RIGHT:
                case VK_DOWN:
                    need = DLGC_WANTARROWS;
                    break;
                default:
                    break;
                }
            }
            if (need && (wants & (need | DLGC_WANTMESSAGE))) {
                TranslateMessage(msg);
                DispatchMessageW(msg);
                return S_OK;
            }
            if (msg->message == WM_KEYDOWN && TakeDialogKey(form, *msg))
                return S_OK;
        }
        if (controlSite_)
            return controlSite_->TranslateAccelerator(msg, ShiftState());
        return S_FALSE;
    });
}

STDMETHODIMP TTavoControl::OnFrameWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP TTavoControl::OnDocWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP TTavoControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

STDMETHODIMP TTavoControl::EnableModeless(BOOL) {
    return S_OK;
}

// ---- The form window's messages, before the form sees them.

LRESULT TTavoControl::RouteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (inPlaceActive_ && simpleFrameSite_ && !IsFormNotification(message)) {
        LRESULT result = 0;
        DWORD cookie = 0;
        if (simpleFrameSite_->PreMessageFilter(window, message, wParam, lParam, &result, &cookie) ==
            S_FALSE)
            return result;
    }
    AddRef(); // an event sink may release the control from inside its event
    ++routeHolds_;
    LRESULT result = 0;
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        result = DefSubclassProc(window, message, wParam, lParam);
        if (controlSite_)
            controlSite_->OnFocus(message == WM_SETFOCUS);
        break;
    case WM_MOUSEACTIVATE:
        result = DefSubclassProc(window, message, wParam, lParam);
        if (!uiActive_ && (result == MA_ACTIVATE || result == MA_ACTIVATEANDEAT) &&
            AmbientUserMode())
            InPlaceActivate(true);
        break;
    case WM_NCHITTEST:
        result = DefSubclassProc(window, message, wParam, lParam);
        if (result == HTTRANSPARENT)
            result = HTCLIENT;
        break;
    case WM_SHOWWINDOW:
        result = DefSubclassProc(window, message, wParam, lParam);
        if (!wParam)
            UIDeactivate();
        break;
    case WM_PAINT:
        result = DefSubclassProc(window, message, wParam, lParam);
        Fire(OnPaintId);
        break;
    // A click is a press and its release on the form; the second press of a double-click is
    // the double-click itself, so its release is no second click.
    case WM_LBUTTONDOWN:
        pressed_ = true;
        result = DefSubclassProc(window, message, wParam, lParam);
        break;
    case WM_LBUTTONUP:
        result = DefSubclassProc(window, message, wParam, lParam);
        if (std::exchange(pressed_, false))
            Fire(OnClickId);
        break;
    case WM_LBUTTONDBLCLK:
        pressed_ = false;
        result = DefSubclassProc(window, message, wParam, lParam);
        Fire(OnDblClickId);
        break;
    case WM_CHAR:
        for (wchar_t key : PressKey(static_cast<wchar_t>(wParam)))
            result = DefSubclassProc(window, message, key, lParam);
        break;
    case WM_DESTROY:
        if (eventSink_ && !destroyFired_) {
            destroyFired_ = true;
            Fire(OnDestroyId);
        }
        result = DefSubclassProc(window, message, wParam, lParam);
        break;
    default:
        result = DefSubclassProc(window, message, wParam, lParam);
        break;
    }
    --routeHolds_;
    Release();
    return result;
}

} // namespace tavo::control
