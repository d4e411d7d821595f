#include "tools/tavo_container/site.h"

#include <olectl.h>

#include <utility>

namespace tavo::container {

TSite::TSite(HWND window, bool userMode, std::wstring displayName)
    : window_(window), userMode_(userMode), displayName_(std::move(displayName)) {}

TSite::~TSite() {
    ForgetActiveObject();
}

void TSite::ForgetActiveObject() {
    if (active_ != nullptr)
        active_->Release();
    active_ = nullptr;
}

HRESULT STDMETHODCALLTYPE TSite::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IOleControlSite)
        *object = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IDispatch)
        *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IServiceProvider)
        *object = static_cast<IServiceProvider*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TSite::AddRef() {
    return static_cast<ULONG>(++references_);
}
ULONG STDMETHODCALLTYPE TSite::Release() {
    return static_cast<ULONG>(--references_);
}

HRESULT STDMETHODCALLTYPE TSite::SaveObject() {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr)
        *moniker = nullptr;
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TSite::GetContainer(IOleContainer** container) {
    if (container != nullptr)
        *container = nullptr;
    return E_NOINTERFACE;
}
HRESULT STDMETHODCALLTYPE TSite::ShowObject() {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::OnShowWindow(BOOL) {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::RequestNewObjectLayout() {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TSite::GetWindow(HWND* window) {
    if (window == nullptr)
        return E_POINTER;
    *window = window_;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TSite::CanInPlaceActivate() {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::OnInPlaceActivate() {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::OnUIActivate() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSite::GetWindowContext(IOleInPlaceFrame** frame,
                                                  IOleInPlaceUIWindow** document, RECT* position,
                                                  RECT* clip, OLEINPLACEFRAMEINFO* info) {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
        info == nullptr)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr; // the frame is the only window; there is no document window
    GetClientRect(window_, position);
    *clip = *position;
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSite::Scroll(SIZE) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TSite::OnUIDeactivate(BOOL) {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::OnInPlaceDeactivate() {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::DiscardUndoState() {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::DeactivateAndUndo() {
    return S_OK;
}
// The control always fills the client area; the window decides its size, not the control.
HRESULT STDMETHODCALLTYPE TSite::OnPosRectChange(const RECT*) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSite::GetBorder(RECT*) {
    return INPLACE_E_NOTOOLSPACE;
}
HRESULT STDMETHODCALLTYPE TSite::RequestBorderSpace(const BORDERWIDTHS*) {
    return INPLACE_E_NOTOOLSPACE;
}
HRESULT STDMETHODCALLTYPE TSite::SetBorderSpace(const BORDERWIDTHS*) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    if (object != nullptr)
        object->AddRef();
    ForgetActiveObject();
    active_ = object;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSite::InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TSite::SetMenu(HMENU, HOLEMENU, HWND) {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::RemoveMenus(HMENU) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TSite::SetStatusText(LPCOLESTR) {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::EnableModeless(BOOL) {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::TranslateAccelerator(MSG*, WORD) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE TSite::OnControlInfoChanged() {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::LockInPlaceActive(BOOL) {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::GetExtendedControl(IDispatch** control) {
    if (control != nullptr)
        *control = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
    if (himetric == nullptr || container == nullptr)
        return E_POINTER;
    HDC screen = GetDC(nullptr);
    float perInchX = static_cast<float>(GetDeviceCaps(screen, LOGPIXELSX));
    float perInchY = static_cast<float>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    // 2540 units of 0.01 mm to the inch
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = static_cast<float>(himetric->x) * perInchX / 2540.0f;
        container->y = static_cast<float>(himetric->y) * perInchY / 2540.0f;
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = static_cast<LONG>(container->x * 2540.0f / perInchX + 0.5f);
        himetric->y = static_cast<LONG>(container->y * 2540.0f / perInchY + 0.5f);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSite::TranslateAccelerator(MSG*, DWORD) {
    return S_FALSE;
}
HRESULT STDMETHODCALLTYPE TSite::OnFocus(BOOL) {
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::ShowPropertyFrame() {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TSite::GetTypeInfoCount(UINT* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr)
        *info = nullptr;
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE TSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids != nullptr && i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE TSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                        VARIANT* result, EXCEPINFO*, UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET))
        return DISP_E_MEMBERNOTFOUND;
    if (result == nullptr)
        return E_POINTER;
    VariantInit(result);
    auto boolean = [result](bool value) {
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    };
    auto colour = [result](OLE_COLOR value) {
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(value);
    };
    switch (id) {
    case DISPID_AMBIENT_USERMODE:
        boolean(userMode_);
        break;
    case DISPID_AMBIENT_LOCALEID:
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(GetUserDefaultLCID());
        break;
    case DISPID_AMBIENT_DISPLAYNAME:
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(displayName_.c_str());
        break;
    case DISPID_AMBIENT_BACKCOLOR: // system colours, as the control's window around it
        colour(0x80000000u | COLOR_WINDOW);
        break;
    case DISPID_AMBIENT_FORECOLOR:
        colour(0x80000000u | COLOR_WINDOWTEXT);
        break;
    case DISPID_AMBIENT_MESSAGEREFLECT: // the window passes no notifications back to children
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
        boolean(false);
        break;
    case DISPID_AMBIENT_AUTOCLIP:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
        boolean(true);
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSite::QueryService(REFGUID, REFIID, void** object) {
    if (object != nullptr)
        *object = nullptr;
    return E_NOINTERFACE;
}

} // namespace tavo::container
