#include "tests/control/container_fakes.h"

#include <algorithm>

namespace tavo::control_tests {
namespace {

HMODULE Library() {
    static HMODULE library = LoadLibraryW(Edition().Library);
    return library;
}

template <class F> F Export(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Library(), name)));
}

std::string Pointer(const void* p) {
    return p ? "(object)" : "(null)";
}

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// One window for the whole program: under Wine destroying a top-level window costs seconds.
HWND ContainerWindow() {
    static const HWND window = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ContainerProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TavoTestContainer";
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassW(&windowClass);
        return CreateWindowExW(0, L"TavoTestContainer", L"container",
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 800, 600,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }();
    return window;
}

} // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** result) {
    auto get = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    return get ? get(clsid, iid, result) : E_FAIL;
}

HRESULT CanUnloadNow() {
    auto can = Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    return can ? can() : E_FAIL;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// ---- TCallLog

void TCallLog::Expect(std::vector<std::string> calls) {
    calls_.clear();
    expected_ = {calls.begin(), calls.end()};
    anything_ = false;
}

bool TCallLog::Incidental(const std::string& call) {
    return call.starts_with("Ambient.") || call.starts_with("Site.OnFocus");
}

void TCallLog::Record(const std::string& call) {
    calls_.push_back(call);
    if (!anything_ && !Incidental(call) && !expected_.contains(call))
        ADD_FAILURE() << "unexpected call " << call;
}

std::vector<std::string> TCallLog::Calls() const {
    std::vector<std::string> calls;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(calls),
                 [](const std::string& call) { return !Incidental(call); });
    return calls;
}

// ---- TFakeFrame

HRESULT TFakeFrame::Note(const char* method) {
    log_.Record(name_ + "." + method);
    return E_NOTIMPL;
}

HRESULT TFakeFrame::QueryInterface(REFIID iid, void** result) {
    if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow ||
        iid == IID_IOleInPlaceFrame) {
        *result = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFakeFrame::GetWindow(HWND* window) {
    Note("GetWindow");
    *window = window_;
    return S_OK;
}
HRESULT TFakeFrame::ContextSensitiveHelp(BOOL) {
    return Note("ContextSensitiveHelp");
}
HRESULT TFakeFrame::GetBorder(LPRECT) {
    return Note("GetBorder");
}
HRESULT TFakeFrame::RequestBorderSpace(LPCBORDERWIDTHS) {
    return Note("RequestBorderSpace");
}
HRESULT TFakeFrame::SetBorderSpace(LPCBORDERWIDTHS widths) {
    log_.Record(name_ + ".SetBorderSpace" + Pointer(widths));
    return S_OK;
}
HRESULT TFakeFrame::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    log_.Record(name_ + ".SetActiveObject" + Pointer(object));
    return S_OK;
}
HRESULT TFakeFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
    return Note("InsertMenus");
}
HRESULT TFakeFrame::SetMenu(HMENU, HOLEMENU, HWND) {
    return Note("SetMenu");
}
HRESULT TFakeFrame::RemoveMenus(HMENU) {
    return Note("RemoveMenus");
}
HRESULT TFakeFrame::SetStatusText(LPCOLESTR) {
    return Note("SetStatusText");
}
HRESULT TFakeFrame::EnableModeless(BOOL) {
    return Note("EnableModeless");
}
HRESULT TFakeFrame::TranslateAccelerator(LPMSG, WORD) {
    Note("TranslateAccelerator");
    return S_FALSE;
}

// ---- TFakeSite

TFakeSite::TFakeSite(TCallLog& log)
    : Frame(log, "Frame", Container), Document(log, "Doc", Container), log_(log) {}

HRESULT TFakeSite::Note(const char* method) {
    log_.Record(std::string("Site.") + method);
    return E_NOTIMPL;
}

HRESULT TFakeSite::QueryInterface(REFIID iid, void** result) {
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *result = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *result = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleControlSite)
        *result = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IDispatch)
        *result = static_cast<IDispatch*>(this);
    else {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT TFakeSite::SaveObject() {
    return Note("SaveObject");
}
HRESULT TFakeSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    *moniker = nullptr;
    return Note("GetMoniker");
}
HRESULT TFakeSite::GetContainer(IOleContainer** container) {
    *container = nullptr;
    Note("GetContainer");
    return E_NOINTERFACE;
}
HRESULT TFakeSite::ShowObject() {
    Note("ShowObject");
    return S_OK;
}
HRESULT TFakeSite::OnShowWindow(BOOL) {
    return Note("OnShowWindow");
}
HRESULT TFakeSite::RequestNewObjectLayout() {
    return Note("RequestNewObjectLayout");
}

HRESULT TFakeSite::GetWindow(HWND* window) {
    Note("GetWindow");
    *window = Container;
    return S_OK;
}
HRESULT TFakeSite::ContextSensitiveHelp(BOOL) {
    return Note("ContextSensitiveHelp");
}
HRESULT TFakeSite::CanInPlaceActivate() {
    Note("CanInPlaceActivate");
    return CanActivate;
}
HRESULT TFakeSite::OnInPlaceActivate() {
    Note("OnInPlaceActivate");
    return S_OK;
}
HRESULT TFakeSite::OnUIActivate() {
    Note("OnUIActivate");
    return S_OK;
}
HRESULT TFakeSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                    LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    Note("GetWindowContext");
    *frame = nullptr;
    *document = nullptr;
    if (OffersFrame) {
        Frame.QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame));
        Document.QueryInterface(IID_IOleInPlaceUIWindow, reinterpret_cast<void**>(document));
    }
    *position = Position;
    *clip = Clip;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = Container;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}
HRESULT TFakeSite::Scroll(SIZE) {
    return Note("Scroll");
}
HRESULT TFakeSite::OnUIDeactivate(BOOL undoable) {
    Note(undoable ? "OnUIDeactivate(TRUE)" : "OnUIDeactivate(FALSE)");
    return S_OK;
}
HRESULT TFakeSite::OnInPlaceDeactivate() {
    Note("OnInPlaceDeactivate");
    return S_OK;
}
HRESULT TFakeSite::DiscardUndoState() {
    return Note("DiscardUndoState");
}
HRESULT TFakeSite::DeactivateAndUndo() {
    return Note("DeactivateAndUndo");
}
HRESULT TFakeSite::OnPosRectChange(LPCRECT position) {
    if (position)
        AskedPosition = *position;
    return Note("OnPosRectChange");
}

HRESULT TFakeSite::OnControlInfoChanged() {
    return Note("OnControlInfoChanged");
}
HRESULT TFakeSite::LockInPlaceActive(BOOL) {
    return Note("LockInPlaceActive");
}
HRESULT TFakeSite::GetExtendedControl(IDispatch** control) {
    *control = nullptr;
    return Note("GetExtendedControl");
}
HRESULT TFakeSite::TransformCoords(POINTL*, POINTF*, DWORD) {
    return Note("TransformCoords");
}
HRESULT TFakeSite::TranslateAccelerator(MSG* msg, DWORD) {
    log_.Record("Site.TranslateAccelerator(" + std::to_string(msg->message) + " " +
                std::to_string(msg->wParam) + ")");
    return S_FALSE;
}
HRESULT TFakeSite::OnFocus(BOOL gotFocus) {
    Note(gotFocus ? "OnFocus(TRUE)" : "OnFocus(FALSE)");
    return S_OK;
}
HRESULT TFakeSite::ShowPropertyFrame() {
    return Note("ShowPropertyFrame");
}

HRESULT TFakeSite::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}
HRESULT TFakeSite::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
HRESULT TFakeSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}
HRESULT TFakeSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                          UINT*) {
    log_.Record("Ambient." + std::to_string(id));
    if (id != DISPID_AMBIENT_USERMODE || result == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_BOOL;
    result->boolVal = UserMode ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// ---- TFakeSink

HRESULT TFakeSink::QueryInterface(REFIID iid, void** result) {
    if (iid == IID_IUnknown || iid == IID_IDispatch || (Events && iid == DIID_ITavoEvents)) {
        *result = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFakeSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                          UINT*) {
    Fired.push_back(id);
    if (id == 207) {
        EXPECT_EQ(params->cArgs, 1u);
        EXPECT_EQ(params->rgvarg[0].vt, VT_I2 | VT_BYREF);
        Keys.push_back(*params->rgvarg[0].piVal);
        if (KeyReply >= 0)
            *params->rgvarg[0].piVal = KeyReply;
    }
    if (OnEvent)
        OnEvent(id);
    return InvokeResult;
}

// ---- TFakeBag

TFakeBag::~TFakeBag() {
    for (auto& [name, value] : Values)
        VariantClear(&value);
}

HRESULT TFakeBag::QueryInterface(REFIID iid, void** result) {
    if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
        *result = static_cast<IPropertyBag*>(this);
        AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFakeBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    Asked.emplace_back(name);
    auto found = Values.find(name);
    if (found == Values.end())
        return E_INVALIDARG;
    VARTYPE wanted = value->vt;
    HRESULT result = VariantCopy(value, &found->second);
    if (SUCCEEDED(result) && wanted != VT_EMPTY && wanted != value->vt)
        result = VariantChangeType(value, value, 0, wanted);
    return result;
}

HRESULT TFakeBag::Write(LPCOLESTR name, VARIANT* value) {
    Written.emplace_back(name);
    VARIANT& stored = Values[name];
    VariantClear(&stored);
    return VariantCopy(&stored, value);
}

// ---- ControlTest

void ControlTest::SetUp() {
    site.Container = ContainerWindow();
    ASSERT_NE(site.Container, nullptr);
    control = Create();
    ASSERT_NE(control, nullptr);
}

void ControlTest::TearDown() {
    log.ExpectAnything();
    control.Reset();
    Pump();
}

ComPtr<IOleObject> ControlTest::Create() {
    ComPtr<IClassFactory> factory;
    ComPtr<IOleObject> object;
    EXPECT_EQ(GetClassObject(Edition().Clsid, IID_IClassFactory, &factory), S_OK);
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, &object), S_OK);
    }
    return object;
}

void ControlTest::SiteIt() {
    log.Expect({});
    EXPECT_EQ(control->SetClientSite(&site), S_OK);
}

HRESULT ControlTest::DoVerb(LONG verb) {
    return control->DoVerb(verb, nullptr, &site, 0, site.Container, &site.Position);
}

void ControlTest::Activate(LONG verb) {
    SiteIt();
    log.ExpectAnything();
    EXPECT_EQ(DoVerb(verb), S_OK);
    Pump();
}

HWND ControlTest::Form() {
    HWND form = nullptr;
    EXPECT_EQ(As<IOleInPlaceObject>()->GetWindow(&form), S_OK);
    return form;
}

ComPtr<IConnectionPoint> ControlTest::EventPoint(IUnknown* object) {
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(As<IConnectionPointContainer>(object)->FindConnectionPoint(DIID_ITavoEvents, &point),
              S_OK);
    return point;
}

} // namespace tavo::control_tests

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
