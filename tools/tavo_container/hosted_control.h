#pragma once
// One control in the container's window, created, loaded, connected and activated in the
// order a page's browser uses, and released completely on request.

#include "tools/tavo_container/container_options.h"
#include "tools/tavo_container/site.h"

#include <windows.h>

#include <ocidl.h>
#include <oleidl.h>

namespace tavo::container {

class TEventSink;

class THostedControl {
public:
    // Throws TComFailure when a step of the creation fails.
    THostedControl(const TOptions& options, HWND window, TSite& site);
    ~THostedControl();
    THostedControl(const THostedControl&) = delete;
    THostedControl& operator=(const THostedControl&) = delete;

    bool Released() const { return unknown_ == nullptr; }
    // The control's automation interface; null once released.
    IDispatch* Dispatch() const { return dispatch_; }
    // The object to offer keyboard messages to: the frame's active object when the control
    // is UI active, else the control's own when the focus is inside it; null when neither.
    IOleInPlaceActiveObject* KeyboardTarget() const;
    // Tells a UI-active control that the frame window was activated or deactivated.
    void FrameActivated(bool active);
    // Fits the control to the window's client area.
    void FitToClient();
    // Disconnects, deactivates, closes and lets go of every interface; returns what the last
    // Release returned (0 when the control is gone).
    ULONG Release();

private:
    void Load(const TOptions& options);
    void ConnectEvents();

    HWND window_;
    TSite& site_;
    IUnknown* unknown_ = nullptr;
    IOleObject* object_ = nullptr;
    IOleInPlaceObject* inPlace_ = nullptr;
    IOleInPlaceActiveObject* active_ = nullptr;
    IDispatch* dispatch_ = nullptr;
    IConnectionPoint* events_ = nullptr;
    DWORD cookie_ = 0;
    TEventSink* sink_ = nullptr;
};

} // namespace tavo::container
