// The smaller interfaces a container asks for: error information, class information,
// property pages and browsing (none), the simple-frame filter, quick activation and the
// safety options a browser needs before it scripts the control.

#include "control/control_object.h"

#include "control/module.h"

namespace tavo::control {
namespace {

constexpr DWORD SupportedSafety =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

} // namespace

STDMETHODIMP TTavoControl::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_ITavo) ? S_OK : S_FALSE;
}

STDMETHODIMP TTavoControl::GetClassInfo(ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return Guarded([&] {
        *info = ClassTypeInfo();
        (*info)->AddRef();
    });
}

STDMETHODIMP TTavoControl::GetPages(CAUUID* pages) {
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
}

STDMETHODIMP TTavoControl::GetDisplayString(DISPID, BSTR* text) {
    if (text)
        *text = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::MapPropertyToPage(DISPID, CLSID* page) {
    if (page)
        *page = CLSID_NULL;
    return PERPROP_E_NOPAGEAVAILABLE;
}

STDMETHODIMP TTavoControl::GetPredefinedStrings(DISPID, CALPOLESTR* strings, CADWORD* cookies) {
    if (strings) {
        strings->cElems = 0;
        strings->pElems = nullptr;
    }
    if (cookies) {
        cookies->cElems = 0;
        cookies->pElems = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::GetPredefinedValue(DISPID, DWORD, VARIANT* value) {
    if (value)
        VariantInit(value);
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT* result,
                                            DWORD* cookie) {
    if (result)
        *result = 0;
    if (cookie)
        *cookie = 0;
    return S_OK;
}

STDMETHODIMP TTavoControl::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT* result, DWORD) {
    if (result)
        *result = 0;
    return S_OK;
}

// ---- IQuickActivate: the container's site, sinks and ambients in one call.

STDMETHODIMP TTavoControl::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control)
        return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) - sizeof(void*) * 2 ||
        control->cbSize < sizeof(QACONTROL))
        return E_INVALIDARG;
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink)
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    control->dwMiscStatus = 0;
    GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
    control->dwViewStatus = 0;
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    control->dwPointerActivationPolicy = 0;
    IConnectionPoint* point = nullptr;
    if (container->pUnkEventSink && SUCCEEDED(FindConnectionPoint(DIID_ITavoEvents, &point))) {
        point->Advise(container->pUnkEventSink, &control->dwEventCookie);
        point->Release();
    }
    if (container->pPropertyNotifySink &&
        SUCCEEDED(FindConnectionPoint(IID_IPropertyNotifySink, &point))) {
        point->Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
        point->Release();
    }
    return S_OK;
}

STDMETHODIMP TTavoControl::SetContentExtent(LPSIZEL size) {
    return SetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP TTavoControl::GetContentExtent(LPSIZEL size) {
    return GetExtent(DVASPECT_CONTENT, size);
}

// ---- IObjectSafety: safe for scripting and for initialisation through every interface.

STDMETHODIMP TTavoControl::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                                     DWORD* enabled) {
    if (!supported || !enabled)
        return E_POINTER;
    IUnknown* answer = nullptr;
    HRESULT result = QueryInterface(riid, reinterpret_cast<void**>(&answer));
    if (FAILED(result))
        return result;
    answer->Release();
    *supported = SupportedSafety;
    *enabled = safetyOptions_ & SupportedSafety;
    return S_OK;
}

STDMETHODIMP TTavoControl::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) {
    IUnknown* answer = nullptr;
    HRESULT result = QueryInterface(riid, reinterpret_cast<void**>(&answer));
    if (FAILED(result))
        return result;
    answer->Release();
    safetyOptions_ = enabled & mask;
    return S_OK;
}

} // namespace tavo::control
