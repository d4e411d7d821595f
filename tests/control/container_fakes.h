#pragma once
// A container of the tests' own around the control library: the library loaded straight from
// its file (no registration), and fake sites, frame, event sinks and property bag that record
// every call made on them as one line ("Site.OnInPlaceActivate", "Frame.SetActiveObject(null)").
// A call that the current step does not expect fails the test where it happens.

#include "TavoProj1.h"

#include <gtest/gtest.h>
#include <windows.h>
// (after windows.h, which they need)
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

// objsafe.h gives the interface no identifier for __uuidof.
__CRT_UUID_DECL(IObjectSafety, 0xcb5bdc81, 0x93c1, 0x11cf, 0x8f, 0x20, 0x00, 0x80, 0x5f, 0x2c, 0xd0,
                0x64)

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tavo::control_tests {

using Microsoft::WRL::ComPtr;

// The edition under test, named by the test program's build.
struct TEdition {
    const wchar_t* Library;
    CLSID Clsid;
    const wchar_t* ProgId;
};
const TEdition& Edition();

// The library's exports, loaded once per program.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** result);
HRESULT CanUnloadNow();

void Pump();

class TCallLog {
public:
    // The calls the next step may make; ambient-property reads and focus notices may come at
    // any time and are left out of Calls().
    void Expect(std::vector<std::string> calls);
    void ExpectAnything() { anything_ = true; }
    void Record(const std::string& call);
    std::vector<std::string> Calls() const;

private:
    static bool Incidental(const std::string& call);
    std::vector<std::string> calls_;
    std::set<std::string> expected_;
    bool anything_ = false;
};

// Reference counting without ownership: the fakes live as long as the test and count their
// references so that a test can see that the control let go of them.
template <class... Interfaces> class TFake : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }
    ULONG Refs = 1;
};

// An in-place frame or document window.
class TFakeFrame : public TFake<IOleInPlaceFrame> {
public:
    TFakeFrame(TCallLog& log, const char* name, const HWND& window)
        : log_(log), name_(name), window_(window) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override;
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override;
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override;
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override;

private:
    HRESULT Note(const char* method);
    TCallLog& log_;
    std::string name_;
    const HWND& window_;
};

// Client site, in-place site, control site and ambient properties in one object, the way a
// page's browser offers them.
class TFakeSite : public TFake<IOleClientSite, IOleInPlaceSite, IOleControlSite, IDispatch> {
public:
    explicit TFakeSite(TCallLog& log);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override;
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override;
    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override;
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override;
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch**) override;
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override;
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL gotFocus) override;
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override;
    // IDispatch: the ambient properties
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

    HWND Container = nullptr;
    HRESULT CanActivate = S_OK;
    bool OffersFrame = true;
    bool UserMode = true;
    RECT Position{10, 10, 490, 250};
    RECT Clip{0, 0, 2000, 2000};
    RECT AskedPosition{}; // the last OnPosRectChange's
    TFakeFrame Frame;
    TFakeFrame Document;

private:
    HRESULT Note(const char* method);
    TCallLog& log_;
};

// An event sink for ITavoEvents (or, with Events false, a dispatch interface that is not one).
class TFakeSink : public TFake<IDispatch> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override;

    bool Events = true;
    HRESULT InvokeResult = S_OK;
    SHORT KeyReply = -1; // what OnKeyPress leaves in Key; -1 leaves it alone
    std::function<void(DISPID)> OnEvent;
    std::vector<DISPID> Fired;
    std::vector<SHORT> Keys;
};

class TFakeBag : public TFake<IPropertyBag> {
public:
    ~TFakeBag();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override;
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

    std::map<std::wstring, VARIANT> Values;
    std::vector<std::wstring> Asked;
    std::vector<std::wstring> Written;
};

// A control with a container window and a site around it, released at the end of the test.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ComPtr<IOleObject> Create();
    // Hands the control the site, a step that expects no calls.
    void SiteIt();
    HRESULT DoVerb(LONG verb);
    // Sites and activates the control for tests that look at something else.
    void Activate(LONG verb = OLEIVERB_UIACTIVATE);
    HWND Form();
    template <class I> ComPtr<I> As(IUnknown* object = nullptr) {
        ComPtr<I> result;
        EXPECT_EQ((object ? object : control.Get())->QueryInterface(__uuidof(I), &result), S_OK);
        return result;
    }
    ComPtr<IConnectionPoint> EventPoint(IUnknown* object = nullptr);

    TCallLog log;
    TFakeSite site{log};
    TFakeSink sink; // outlives the control, which may still fire at it when released
    ComPtr<IOleObject> control;
};

} // namespace tavo::control_tests
