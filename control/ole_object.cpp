// IOleObject and IOleControl: the client site, verbs, extents, miscellaneous status and the
// container's ambient properties.

#include "control/control_object.h"

#include "control/module.h"

namespace tavo::control {
namespace {

constexpr DWORD MiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                             OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                             OLEMISC_ACTSLIKELABEL | OLEMISC_SIMPLEFRAME |
                             OLEMISC_SETCLIENTSITEFIRST;

int ScreenPixelsPerInch(bool horizontal) {
    HDC screen = GetDC(nullptr);
    int ppi = GetDeviceCaps(screen, horizontal ? LOGPIXELSX : LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return ppi;
}

} // namespace

STDMETHODIMP TTavoControl::SetClientSite(IOleClientSite* site) {
    if (site)
        site->AddRef();
    if (controlSite_) {
        controlSite_->Release();
        controlSite_ = nullptr;
    }
    if (simpleFrameSite_) {
        simpleFrameSite_->Release();
        simpleFrameSite_ = nullptr;
    }
    if (clientSite_)
        clientSite_->Release();
    clientSite_ = site;
    if (site) {
        site->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&controlSite_));
        site->QueryInterface(IID_ISimpleFrameSite, reinterpret_cast<void**>(&simpleFrameSite_));
    }
    return S_OK;
}

STDMETHODIMP TTavoControl::GetClientSite(IOleClientSite** site) {
    if (!site)
        return E_POINTER;
    *site = clientSite_;
    if (clientSite_)
        clientSite_->AddRef();
    return S_OK;
}

STDMETHODIMP TTavoControl::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

STDMETHODIMP TTavoControl::Close(DWORD saveOption) {
    if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && dirty_ &&
        clientSite_)
        clientSite_->SaveObject();
    InPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP TTavoControl::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::GetClipboardData(DWORD, IDataObject** data) {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
    if (site && site != clientSite_ && !clientSite_)
        SetClientSite(site);
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_PROPERTIES:
        // The control has no pages of its own: a container that shows its own frame does.
        if (controlSite_)
            controlSite_->ShowPropertyFrame();
        return S_OK;
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(true);
    case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(false);
    case OLEIVERB_HIDE:
        ShowWindow(FormWindow(), SW_HIDE);
        return S_OK;
    default:
        return OLEOBJ_S_INVALIDVERB;
    }
}

STDMETHODIMP TTavoControl::EnumVerbs(IEnumOLEVERB** verbs) {
    return OleRegEnumVerbs(edition_.Clsid, verbs);
}

STDMETHODIMP TTavoControl::Update() {
    return S_OK;
}

STDMETHODIMP TTavoControl::IsUpToDate() {
    return S_OK;
}

STDMETHODIMP TTavoControl::GetUserClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = edition_.Clsid;
    return S_OK;
}

STDMETHODIMP TTavoControl::GetUserType(DWORD form, LPOLESTR* type) {
    return OleRegGetUserType(edition_.Clsid, form, type);
}

STDMETHODIMP TTavoControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    // An autosizing form keeps its own size; the container reads it back with GetExtent.
    if (properties_.AutoSize)
        return E_FAIL;
    const int width = MulDiv(size->cx, ScreenPixelsPerInch(true), 2540);
    const int height = MulDiv(size->cy, ScreenPixelsPerInch(false), 2540);
    SetWindowPos(FormWindow(), nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

STDMETHODIMP TTavoControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    RECT bounds;
    GetWindowRect(FormWindow(), &bounds);
    size->cx = MulDiv(bounds.right - bounds.left, 2540, ScreenPixelsPerInch(true));
    size->cy = MulDiv(bounds.bottom - bounds.top, 2540, ScreenPixelsPerInch(false));
    return S_OK;
}

STDMETHODIMP TTavoControl::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!adviseHolder_) {
        HRESULT result = CreateOleAdviseHolder(&adviseHolder_);
        if (FAILED(result))
            return result;
    }
    return adviseHolder_->Advise(sink, connection);
}

STDMETHODIMP TTavoControl::Unadvise(DWORD connection) {
    if (!adviseHolder_)
        return OLE_E_NOCONNECTION;
    return adviseHolder_->Unadvise(connection);
}

STDMETHODIMP TTavoControl::EnumAdvise(IEnumSTATDATA** advises) {
    if (!advises)
        return E_POINTER;
    *advises = nullptr;
    if (!adviseHolder_)
        return E_FAIL;
    return adviseHolder_->EnumAdvise(advises);
}

STDMETHODIMP TTavoControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = MiscStatus;
    return S_OK;
}

STDMETHODIMP TTavoControl::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

// ---- IOleControl.

STDMETHODIMP TTavoControl::GetControlInfo(CONTROLINFO* info) {
    if (!info)
        return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP TTavoControl::OnMnemonic(MSG*) {
    return S_OK;
}

STDMETHODIMP TTavoControl::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}

STDMETHODIMP TTavoControl::FreezeEvents(BOOL) {
    return S_OK;
}

bool TTavoControl::AmbientUserMode() {
    IDispatch* ambient = nullptr;
    if (!clientSite_ ||
        FAILED(clientSite_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient))))
        return true;
    VARIANT value;
    VariantInit(&value);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    HRESULT result = ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                     DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    ambient->Release();
    bool userMode = true;
    if (SUCCEEDED(result) && SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL)))
        userMode = value.boolVal != VARIANT_FALSE;
    VariantClear(&value);
    return userMode;
}

} // namespace tavo::control
