#pragma once
// The control object: one COM identity and one reference count for every interface a
// container or a script sees, the form it owns, its two connection points and its OLE state.
// Each group of interfaces is implemented in a file of its own; this header is private to
// the library.

#include "control/edition.h"
#include "control/form_properties.h"
#include "form/tavo_form.h"

#include "TavoProj1.h"

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>
#include <vector>

namespace tavo::control {

class TConnectionPoint;
class TFontLink;

// The identifiers of ITavoEvents' members.
enum TEventId : DISPID {
    OnActivateId = 201,
    OnClickId = 202,
    OnCreateId = 203,
    OnDblClickId = 204,
    OnDestroyId = 205,
    OnDeactivateId = 206,
    OnKeyPressId = 207,
    OnPaintId = 208,
};

class TTavoControl final : public ITavo,
                           public ISupportErrorInfo,
                           public IProvideClassInfo,
                           public IOleObject,
                           public IOleInPlaceObject,
                           public IOleInPlaceActiveObject,
                           public IOleControl,
                           public IViewObject2,
                           public IDataObject,
                           public IPersistStreamInit,
                           public IPersistStorage,
                           public IPersistPropertyBag,
                           public IConnectionPointContainer,
                           public ISpecifyPropertyPages,
                           public IPerPropertyBrowsing,
                           public ISimpleFrameSite,
                           public IQuickActivate,
                           public IObjectSafety {
public:
    // Builds the object with its connection points and its form under the parking window.
    // Throws on failure; the object count covers the object from here on.
    explicit TTavoControl(const TEdition& edition);
    TTavoControl(const TTavoControl&) = delete;
    TTavoControl& operator=(const TTavoControl&) = delete;

    // ---- IUnknown (the one identity).
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // ---- IDispatch, answered from ITavo's type information.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // ---- ITavo (automation.cpp).
    STDMETHODIMP get_Visible(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL Value) override;
    STDMETHODIMP get_AutoScroll(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_AutoScroll(VARIANT_BOOL Value) override;
    STDMETHODIMP get_AutoSize(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_AutoSize(VARIANT_BOOL Value) override;
    STDMETHODIMP get_AxBorderStyle(enum TxActiveFormBorderStyle* Value) override;
    STDMETHODIMP put_AxBorderStyle(enum TxActiveFormBorderStyle Value) override;
    STDMETHODIMP get_Caption(BSTR* Value) override;
    STDMETHODIMP put_Caption(BSTR Value) override;
    STDMETHODIMP get_Color(OLE_COLOR* Value) override;
    STDMETHODIMP put_Color(OLE_COLOR Value) override;
    STDMETHODIMP get_Font(IFontDisp** Value) override;
    STDMETHODIMP put_Font(IFontDisp* Value) override;
    STDMETHODIMP putref_Font(IFontDisp** Value) override;
    STDMETHODIMP get_KeyPreview(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_KeyPreview(VARIANT_BOOL Value) override;
    STDMETHODIMP get_PixelsPerInch(LONG* Value) override;
    STDMETHODIMP put_PixelsPerInch(LONG Value) override;
    STDMETHODIMP get_PrintScale(enum TxPrintScale* Value) override;
    STDMETHODIMP put_PrintScale(enum TxPrintScale Value) override;
    STDMETHODIMP get_Scaled(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_Scaled(VARIANT_BOOL Value) override;
    STDMETHODIMP get_Active(VARIANT_BOOL* Value) override;
    STDMETHODIMP get_DropTarget(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_DropTarget(VARIANT_BOOL Value) override;
    STDMETHODIMP get_HelpFile(BSTR* Value) override;
    STDMETHODIMP put_HelpFile(BSTR Value) override;
    STDMETHODIMP get_ScreenSnap(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_ScreenSnap(VARIANT_BOOL Value) override;
    STDMETHODIMP get_SnapBuffer(LONG* Value) override;
    STDMETHODIMP put_SnapBuffer(LONG Value) override;
    STDMETHODIMP get_DoubleBuffered(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_DoubleBuffered(VARIANT_BOOL Value) override;
    STDMETHODIMP get_AlignDisabled(VARIANT_BOOL* Value) override;
    STDMETHODIMP get_VisibleDockClientCount(LONG* Value) override;
    STDMETHODIMP get_Enabled(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_Enabled(VARIANT_BOOL Value) override;
    STDMETHODIMP SetLogin(BSTR HostName, BSTR UserName, BSTR PassWord, LONG Port) override;
    STDMETHODIMP get_GoToFlag(LONG* Value) override;
    STDMETHODIMP put_GoToFlag(LONG Value) override;
    STDMETHODIMP get_ShareList(BSTR* Value) override;
    STDMETHODIMP put_ShareList(BSTR Value) override;
    STDMETHODIMP Close() override;
    STDMETHODIMP Enable_ShareList(LONG Enabled) override;

    // ---- ISupportErrorInfo, IProvideClassInfo (class_info.cpp).
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

    // ---- IOleObject (ole_object.cpp).
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // ---- IOleControl (ole_object.cpp).
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject (in_place.cpp).
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // ---- IViewObject2, IDataObject (view_object.cpp).
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                      HDC targetDc, HDC drawDc, LPCRECTL bounds, LPCRECTL windowBounds,
                      BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR contArg) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                             HDC targetDc, LOGPALETTE** colours) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                         DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override;

    // ---- IPersistStreamInit, IPersistStorage, IPersistPropertyBag (persistence.cpp).
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage* storage) override;
    STDMETHODIMP HandsOffStorage() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

    // ---- IConnectionPointContainer (connection_points.cpp).
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // ---- ISpecifyPropertyPages, IPerPropertyBrowsing, ISimpleFrameSite, IQuickActivate,
    // IObjectSafety (class_info.cpp).
    STDMETHODIMP GetPages(CAUUID* pages) override;
    STDMETHODIMP GetDisplayString(DISPID id, BSTR* text) override;
    STDMETHODIMP MapPropertyToPage(DISPID id, CLSID* page) override;
    STDMETHODIMP GetPredefinedStrings(DISPID id, CALPOLESTR* strings, CADWORD* cookies) override;
    STDMETHODIMP GetPredefinedValue(DISPID id, DWORD cookie, VARIANT* value) override;
    STDMETHODIMP PreMessageFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  LRESULT* result, DWORD* cookie) override;
    STDMETHODIMP PostMessageFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   LRESULT* result, DWORD cookie) override;
    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) override;
    STDMETHODIMP GetContentExtent(LPSIZEL size) override;
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

    // ---- Used across the files of the object.
    const TEdition& Edition() const { return edition_; }
    form::TTavoForm& Form() { return *form_; }
    HWND FormWindow() const;
    TFormProperties& Properties() { return properties_; }
    // Fires an event of ITavoEvents at the connected sink, if any (control_object.cpp).
    void Fire(DISPID id);
    // OnKeyPress for a typed character: returns the characters the form goes on with, none
    // when the sink swallowed it (control_object.cpp).
    std::wstring PressKey(wchar_t character);
    // The event connection point hands the form its sink, or none (control_object.cpp).
    void AttachEventSink(IDispatch* sink);
    // In-place activation, with or without UI activation (in_place.cpp).
    HRESULT InPlaceActivate(bool uiActivate);
    // Tells the property-notification sinks that a property changed; marks the state dirty.
    void PropertyChanged(DISPID id);
    void SetDirty() { dirty_ = true; }
    // Runs `work`, translating whatever error escapes it into a failure result with error
    // information (automation.cpp). Nothing is thrown across the boundary.
    template <typename TWork> HRESULT Guarded(TWork&& work);
    // The thread's ambient user mode from the client site; true without one.
    bool AmbientUserMode();
    // The form window's messages come here first (in_place.cpp).
    LRESULT RouteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // An autosizing form's request for its natural size (in_place.cpp).
    void AskForFormSize(SIZE size);

private:
    ~TTavoControl();
    void ReleaseInPlaceSite();
    HRESULT TranslateError(const std::exception* error);
    // OnKeyPress for one 8-bit character code: returns the code the form goes on with.
    unsigned char FireKeyPress(unsigned char key);

    LONG references_ = 1;
    // References the message routing holds while the form handles a message (all on the
    // form's thread).
    LONG routeHolds_ = 0;
    const TEdition& edition_;
    TFormProperties properties_;
    std::unique_ptr<form::TTavoForm> form_;
    std::unique_ptr<TFontLink> font_;
    TConnectionPoint* events_ = nullptr;
    TConnectionPoint* propertyNotify_ = nullptr;
    IDispatch* eventSink_ = nullptr; // the forwarding wrapper handed to the form
    int sinkAttachCount_ = 0;
    bool destroyFired_ = false;
    // A left press on the form's own surface that has not been released yet: only its
    // release is a click.
    bool pressed_ = false;

    IOleClientSite* clientSite_ = nullptr;
    IOleControlSite* controlSite_ = nullptr;
    IOleInPlaceSite* inPlaceSite_ = nullptr;
    IOleInPlaceFrame* frame_ = nullptr;
    IOleInPlaceUIWindow* document_ = nullptr;
    ISimpleFrameSite* simpleFrameSite_ = nullptr;
    IAdviseSink* viewAdvise_ = nullptr;
    IOleAdviseHolder* adviseHolder_ = nullptr;
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    DWORD safetyOptions_ = 0;
    bool dirty_ = false;
    bool routing_ = false;
    friend class TConnectionPoint;
};

template <typename TWork> HRESULT TTavoControl::Guarded(TWork&& work) {
    try {
        work();
        return S_OK;
    } catch (const std::exception& error) {
        return TranslateError(&error);
    } catch (...) {
        return TranslateError(nullptr);
    }
}

} // namespace tavo::control
