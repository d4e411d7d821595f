#pragma once
// The page's scripts in the platform's JScript engine: the engine's site, the page's named
// items, the timers of window.setInterval and setTimeout, and the one way a script error ends
// the page (its line and text, then the page stops).

#include <windows.h>

#include <activscp.h>

#include <functional>
#include <map>
#include <string>

namespace tavo::page {

class TPageScript final : public IActiveScriptSite, public IActiveScriptSiteWindow {
public:
    // `fail` is told of every script error as one line of text; the page stops after it.
    TPageScript(HWND window, std::function<void(const std::wstring&)> fail);
    ~TPageScript();
    TPageScript(const TPageScript&) = delete;
    TPageScript& operator=(const TPageScript&) = delete;

    // A name the scripts see; with `globalMembers` its members are also plain globals (as
    // the members of a browser's window are).
    void AddItem(const std::wstring& name, IUnknown* object, bool globalMembers);
    // Starts the engine: blocks parsed from now on run at once.
    void Start();
    // Runs a block whose text starts on `line` of the page. False after a script error.
    bool Run(const std::wstring& text, int line);
    // Compiles an event handler's body into a function; null after a script error.
    IDispatch* Compile(const std::wstring& text, int line);
    // Calls a script function (a handler or a timer's); false after a script error.
    bool Call(IDispatch* function, DISPPARAMS* arguments);

    // window.setInterval / setTimeout: `callback` is a function or a text of code.
    long AddTimer(const VARIANT& callback, int milliseconds, bool repeat);
    void RemoveTimer(long id);
    // The page window's WM_TIMER for one of the timers above; false for another timer.
    bool OnTimer(UINT_PTR id);
    bool Failed() const { return failed_; }
    void Close();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) override;
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                                          ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override;
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override;
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

private:
    struct TTimer {
        IDispatch* Function = nullptr; // or
        std::wstring Code;
        bool Repeat = false;
    };
    void Fail(const std::wstring& text);

    HWND window_;
    std::function<void(const std::wstring&)> fail_;
    IActiveScript* engine_ = nullptr;
    IActiveScriptParse* parse_ = nullptr;
    std::map<std::wstring, IUnknown*> items_;
    std::map<long, TTimer> timers_;
    long nextTimer_ = 100; // below are the page window's own timers
    bool failed_ = false;
};

} // namespace tavo::page
