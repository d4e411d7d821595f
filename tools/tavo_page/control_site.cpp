#include "tools/tavo_page/control_site.h"

namespace tavo::page {

HRESULT STDMETHODCALLTYPE TControlSite::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}
ULONG STDMETHODCALLTYPE TControlSite::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}
ULONG STDMETHODCALLTYPE TControlSite::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&references_));
}

HRESULT STDMETHODCALLTYPE TControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TControlSite::GetContainer(IOleContainer** container) {
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}
HRESULT STDMETHODCALLTYPE TControlSite::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = page_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TControlSite::GetWindowContext(IOleInPlaceFrame** frame,
                                                         IOleInPlaceUIWindow** document,
                                                         RECT* position, RECT* clip,
                                                         OLEINPLACEFRAMEINFO* info) {
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = place_;
    GetClientRect(page_, clip);
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = page_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TParamBag::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IPropertyBag) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IPropertyBag*>(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TParamBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value)
        return E_POINTER;
    for (const auto& [key, text] : values_) {
        if (lstrcmpiW(key.c_str(), name) != 0)
            continue;
        const VARTYPE wanted = value->vt == VT_EMPTY ? VARTYPE{VT_BSTR} : value->vt;
        VARIANT stored;
        VariantInit(&stored);
        stored.vt = VT_BSTR;
        stored.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (wanted == VT_BSTR) {
            *value = stored;
            return S_OK;
        }
        VARIANT converted;
        VariantInit(&converted);
        const HRESULT result = VariantChangeType(&converted, &stored, 0, wanted);
        VariantClear(&stored);
        if (SUCCEEDED(result))
            *value = converted;
        return result;
    }
    return E_INVALIDARG;
}

} // namespace tavo::page
