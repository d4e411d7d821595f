// The control object's identity, lifetime and dispatch: creation under the parking window,
// one QueryInterface for every interface, and the shutdown order.

#include "control/control_object.h"

#include "control/connection_points.h"
#include "control/form_look.h"
#include "control/module.h"
#include "control/ole_error.h"
#include "control/retired_forms.h"

#include <commctrl.h>

#include <algorithm>

namespace tavo::control {
namespace {

constexpr UINT_PTR RouteId = 0x7A50;

LRESULT CALLBACK RouteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) {
    return reinterpret_cast<TTavoControl*>(data)->RouteMessage(window, message, wParam, lParam);
}

template <typename T> void ReleaseAndClear(T*& pointer) {
    if (pointer) {
        T* held = pointer;
        pointer = nullptr;
        held->Release();
    }
}

} // namespace

TTavoControl::TTavoControl(const TEdition& edition) : edition_(edition) {
    ObjectCountUp();
    try {
        events_ = new TConnectionPoint(*this, DIID_ITavoEvents, 1);
        propertyNotify_ = new TConnectionPoint(*this, IID_IPropertyNotifySink, 0);
        form_ = form::TTavoForm::Create(ModuleInstance(), ParkingWindow(), &edition.Catalogue());
        if (!form_)
            throw EOleSysError(E_FAIL, "The control's form cannot be created.");
        ShowWindow(FormWindow(), SW_HIDE);
        font_ = std::make_unique<TFontLink>(*form_);
        ApplyBorderStyle(FormWindow(), properties_.AxBorderStyle);
        SetWindowSubclass(FormWindow(), RouteProc, RouteId, reinterpret_cast<DWORD_PTR>(this));
        routing_ = true;
    } catch (...) {
        font_.reset();
        form_.reset();
        delete events_;
        delete propertyNotify_;
        ObjectCountDown();
        throw;
    }
}

TTavoControl::~TTavoControl() {
    if (routing_ && form_ && IsWindow(FormWindow()))
        RemoveWindowSubclass(FormWindow(), RouteProc, RouteId);
    routing_ = false;
    if (eventSink_ && !destroyFired_) {
        destroyFired_ = true;
        Fire(OnDestroyId);
    }
    font_.reset();
    // A form that outlives the object below must not ask it for a size any more.
    if (form_)
        form_->SetAutoSize(false);
    // Destroys the widgets and the controller with its engine: an open control connection
    // is closed without QUIT. Released from inside a command of the form's own controller,
    // the form lives until that command has ended.
    if (form_ && form_->Controller().CallsOnStack())
        DestroyWhenIdle(std::move(form_));
    form_.reset();
    ReleaseAndClear(eventSink_);
    events_->ReleaseSinks();
    propertyNotify_->ReleaseSinks();
    delete events_;
    delete propertyNotify_;
    ReleaseAndClear(simpleFrameSite_);
    ReleaseAndClear(document_);
    ReleaseAndClear(frame_);
    ReleaseAndClear(inPlaceSite_);
    ReleaseAndClear(controlSite_);
    ReleaseAndClear(clientSite_);
    ReleaseAndClear(viewAdvise_);
    ReleaseAndClear(adviseHolder_);
    ObjectCountDown();
}

HWND TTavoControl::FormWindow() const {
    return form_ ? form_->Handle() : nullptr;
}

STDMETHODIMP TTavoControl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    void* answer = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_ITavo))
        answer = static_cast<ITavo*>(this);
    else if (IsEqualIID(riid, IID_ISupportErrorInfo))
        answer = static_cast<ISupportErrorInfo*>(this);
    else if (IsEqualIID(riid, IID_IProvideClassInfo))
        answer = static_cast<IProvideClassInfo*>(this);
    else if (IsEqualIID(riid, IID_IOleObject))
        answer = static_cast<IOleObject*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject))
        answer = static_cast<IOleInPlaceObject*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
        answer = static_cast<IOleInPlaceActiveObject*>(this);
    else if (IsEqualIID(riid, IID_IOleControl))
        answer = static_cast<IOleControl*>(this);
    else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2))
        answer = static_cast<IViewObject2*>(this);
    else if (IsEqualIID(riid, IID_IDataObject))
        answer = static_cast<IDataObject*>(this);
    else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit))
        answer = static_cast<IPersistStreamInit*>(this);
    else if (IsEqualIID(riid, IID_IPersistStorage))
        answer = static_cast<IPersistStorage*>(this);
    else if (IsEqualIID(riid, IID_IPersistPropertyBag))
        answer = static_cast<IPersistPropertyBag*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer))
        answer = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(riid, IID_ISpecifyPropertyPages))
        answer = static_cast<ISpecifyPropertyPages*>(this);
    else if (IsEqualIID(riid, IID_IPerPropertyBrowsing))
        answer = static_cast<IPerPropertyBrowsing*>(this);
    else if (IsEqualIID(riid, IID_ISimpleFrameSite))
        answer = static_cast<ISimpleFrameSite*>(this);
    else if (IsEqualIID(riid, IID_IQuickActivate))
        answer = static_cast<IQuickActivate*>(this);
    else if (IsEqualIID(riid, IID_IObjectSafety))
        answer = static_cast<IObjectSafety*>(this);
    // Everything else is refused: no aggregation, no marshalling of our own (the apartment
    // model gives containers the standard proxy), no linking or in-place undo.
    *ppv = answer;
    if (!answer)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TTavoControl::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) TTavoControl::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    else if (left == routeHolds_ && form_ && form_->Controller().CallsOnStack())
        // The container let go while a command the form's message started still waits (a
        // download from a double-click, say): the object lives until that message returns,
        // but its connections go now, as destroying the engine would drop them.
        DropConnections(*form_);
    return static_cast<ULONG>(left);
}

// ---- IDispatch: everything comes from ITavo's type information.

STDMETHODIMP TTavoControl::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP TTavoControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    *info = TavoTypeInfo();
    (*info)->AddRef();
    return S_OK;
}

STDMETHODIMP TTavoControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return DispGetIDsOfNames(TavoTypeInfo(), names, count, ids);
}

STDMETHODIMP TTavoControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    // Font takes an assignment by value and by reference alike.
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        flags |= DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
    if (id == DISPID_FONT && (flags & DISPATCH_PROPERTYPUT))
        flags = DISPATCH_PROPERTYPUT;
    return DispInvoke(static_cast<ITavo*>(this), TavoTypeInfo(), id, flags, params, result,
                      exception, argError);
}

// ---- IConnectionPointContainer.

STDMETHODIMP TTavoControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return CreateConnectionPointEnumerator(static_cast<IConnectionPointContainer*>(this),
                                           {events_, propertyNotify_}, points);
}

STDMETHODIMP TTavoControl::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (IsEqualIID(riid, DIID_ITavoEvents))
        *point = events_;
    else if (IsEqualIID(riid, IID_IPropertyNotifySink))
        *point = propertyNotify_;
    else
        return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

void TTavoControl::PropertyChanged(DISPID id) {
    dirty_ = true;
    for (IUnknown* sink : propertyNotify_->Sinks())
        static_cast<IPropertyNotifySink*>(sink)->OnChanged(id);
}

// ---- Events.

void TTavoControl::AttachEventSink(IDispatch* sink) {
    if (eventSink_)
        eventSink_->Release();
    eventSink_ = nullptr;
    if (sink)
        sink->QueryInterface(DIID_ITavoEvents, reinterpret_cast<void**>(&eventSink_));
    // OnCreate reaches a container once per control: with its first sink.
    if (sinkAttachCount_++ == 0 && eventSink_)
        Fire(OnCreateId);
}

void TTavoControl::Fire(DISPID id) {
    if (!eventSink_)
        return;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    IDispatch* sink = eventSink_;
    sink->AddRef();
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                 nullptr);
    sink->Release();
}

unsigned char TTavoControl::FireKeyPress(unsigned char key) {
    if (!eventSink_)
        return key;
    short value = key;
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I2 | VT_BYREF;
    argument.piVal = &value;
    DISPPARAMS params{&argument, nullptr, 1, 0};
    IDispatch* sink = eventSink_;
    sink->AddRef();
    sink->Invoke(OnKeyPressId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                 nullptr, nullptr);
    sink->Release();
    return static_cast<unsigned char>(value & 0xFF);
}

std::wstring TTavoControl::PressKey(wchar_t character) {
    // The form's keys are 8-bit characters of the edition's code page, so a double-byte
    // character reaches the sink as its lead byte and then its trail byte. A character the code
    // page lacks goes as its replacement, as the form would have seen it.
    const UINT codePage = static_cast<UINT>(edition_.Catalogue().CodePage);
    char bytes[2] = {static_cast<char>(character), 0};
    int count = 1;
    if (character >= 0x80)
        count = WideCharToMultiByte(codePage, 0, &character, 1, bytes, 2, nullptr, nullptr);
    if (count <= 0)
        return std::wstring(1, character);
    bool changed = false;
    for (int i = 0; i < count; ++i) {
        const unsigned char key = FireKeyPress(static_cast<unsigned char>(bytes[i]));
        // Half a character is none: a swallowed byte swallows the character.
        if (key == 0)
            return {};
        changed = changed || key != static_cast<unsigned char>(bytes[i]);
        bytes[i] = static_cast<char>(key);
    }
    if (!changed)
        return std::wstring(1, character);
    wchar_t wide[2] = {};
    const int length = MultiByteToWideChar(codePage, 0, bytes, count, wide, 2);
    return std::wstring(wide, static_cast<size_t>(std::max(length, 0)));
}

} // namespace tavo::control
