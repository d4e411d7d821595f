#include "tools/tavo_page/page_script.h"

#include <stdexcept>
#include <utility>

namespace tavo::page {
namespace {

std::wstring HexCode(HRESULT result) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(result));
    return text;
}

void Check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        char text[16];
        snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
        throw std::runtime_error(std::string(what) + " failed (" + text + ")");
    }
}

} // namespace

TPageScript::TPageScript(HWND window, std::function<void(const std::wstring&)> fail)
    : window_(window), fail_(std::move(fail)) {
    CLSID jscript;
    Check(CLSIDFromProgID(L"JScript", &jscript), "finding the JScript engine");
    Check(CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                           reinterpret_cast<void**>(&engine_)),
          "creating the JScript engine");
    Check(engine_->QueryInterface(__uuidof(IActiveScriptParse), reinterpret_cast<void**>(&parse_)),
          "the engine's parser");
    Check(engine_->SetScriptSite(this), "IActiveScript::SetScriptSite");
    Check(parse_->InitNew(), "IActiveScriptParse::InitNew");
}

TPageScript::~TPageScript() {
    Close();
}

void TPageScript::Close() {
    for (auto& [id, timer] : timers_) {
        KillTimer(window_, static_cast<UINT_PTR>(id));
        if (timer.Function)
            timer.Function->Release();
    }
    timers_.clear();
    if (parse_)
        parse_->Release();
    parse_ = nullptr;
    if (engine_) {
        engine_->Close();
        engine_->Release();
    }
    engine_ = nullptr;
}

void TPageScript::AddItem(const std::wstring& name, IUnknown* object, bool globalMembers) {
    items_[name] = object;
    DWORD flags = SCRIPTITEM_ISVISIBLE | (globalMembers ? SCRIPTITEM_GLOBALMEMBERS : 0);
    Check(engine_->AddNamedItem(name.c_str(), flags), "IActiveScript::AddNamedItem");
}

void TPageScript::Start() {
    Check(engine_->SetScriptState(SCRIPTSTATE_CONNECTED), "starting the scripts");
}

// The engine counts lines from 0, the page from 1.
bool TPageScript::Run(const std::wstring& text, int line) {
    EXCEPINFO exception{};
    const HRESULT result = parse_->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0,
                                                   static_cast<ULONG>(line - 1),
                                                   SCRIPTTEXT_ISVISIBLE, nullptr, &exception);
    if (FAILED(result) && !failed_)
        Fail(L"script error near line " + std::to_wstring(line) + L": " + HexCode(result));
    return !failed_;
}

IDispatch* TPageScript::Compile(const std::wstring& text, int line) {
    IActiveScriptParseProcedure2* procedures = nullptr;
    Check(engine_->QueryInterface(__uuidof(IActiveScriptParseProcedure2),
                                  reinterpret_cast<void**>(&procedures)),
          "the engine's procedure parser");
    IDispatch* function = nullptr;
    const HRESULT result = procedures->ParseProcedureText(
        text.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, 0, static_cast<ULONG>(line - 1),
        SCRIPTPROC_IMPLICIT_THIS | SCRIPTPROC_IMPLICIT_PARENTS, &function);
    procedures->Release();
    if (FAILED(result) && !failed_)
        Fail(L"script error near line " + std::to_wstring(line) + L": " + HexCode(result));
    return failed_ ? nullptr : function;
}

bool TPageScript::Call(IDispatch* function, DISPPARAMS* arguments) {
    if (failed_)
        return false;
    DISPPARAMS none{};
    EXCEPINFO exception{};
    const HRESULT result =
        function->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                         arguments ? arguments : &none, nullptr, &exception, nullptr);
    // An error the engine reported through OnScriptError has stopped the page already;
    // another one has only the call's exception to tell.
    if (FAILED(result) && !failed_) {
        std::wstring text = exception.bstrDescription ? exception.bstrDescription : L"";
        Fail(L"script error: " + (text.empty() ? HexCode(result) : text));
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return !failed_;
}

long TPageScript::AddTimer(const VARIANT& callback, int milliseconds, bool repeat) {
    TTimer timer;
    timer.Repeat = repeat;
    if (callback.vt == VT_DISPATCH && callback.pdispVal) {
        timer.Function = callback.pdispVal;
        timer.Function->AddRef();
    } else if (callback.vt == VT_BSTR) {
        timer.Code.assign(callback.bstrVal, SysStringLen(callback.bstrVal));
    } else {
        return 0;
    }
    const long id = nextTimer_++;
    timers_[id] = std::move(timer);
    SetTimer(window_, static_cast<UINT_PTR>(id), static_cast<UINT>(std::max(milliseconds, 1)),
             nullptr);
    return id;
}

void TPageScript::RemoveTimer(long id) {
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    KillTimer(window_, static_cast<UINT_PTR>(id));
    if (it->second.Function)
        it->second.Function->Release();
    timers_.erase(it);
}

bool TPageScript::OnTimer(UINT_PTR id) {
    auto it = timers_.find(static_cast<long>(id));
    if (it == timers_.end())
        return id >= 100;
    // The callback may clear this very timer, or add others: work on a copy.
    TTimer timer = it->second;
    if (timer.Function)
        timer.Function->AddRef();
    if (!timer.Repeat)
        RemoveTimer(static_cast<long>(id));
    if (timer.Function) {
        Call(timer.Function, nullptr);
        timer.Function->Release();
    } else {
        Run(timer.Code, 1);
    }
    return true;
}

void TPageScript::Fail(const std::wstring& text) {
    failed_ = true;
    for (auto& [id, timer] : timers_)
        KillTimer(window_, static_cast<UINT_PTR>(id));
    fail_(text);
}

HRESULT STDMETHODCALLTYPE TPageScript::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IActiveScriptSite)
        *object = static_cast<IActiveScriptSite*>(this);
    else if (iid == IID_IActiveScriptSiteWindow)
        *object = static_cast<IActiveScriptSiteWindow*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TPageScript::GetLCID(LCID* lcid) {
    if (!lcid)
        return E_POINTER;
    *lcid = GetUserDefaultLCID();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TPageScript::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                                                   ITypeInfo** info) {
    if (info)
        *info = nullptr;
    if (item)
        *item = nullptr;
    auto it = items_.find(name ? name : L"");
    if (it == items_.end())
        return TYPE_E_ELEMENTNOTFOUND;
    if (mask & SCRIPTINFO_IUNKNOWN) {
        if (!item)
            return E_POINTER;
        *item = it->second;
        (*item)->AddRef();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TPageScript::GetDocVersionString(BSTR* version) {
    if (version)
        *version = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TPageScript::OnScriptError(IActiveScriptError* error) {
    EXCEPINFO exception{};
    error->GetExceptionInfo(&exception);
    if (exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    std::wstring where;
    if (SUCCEEDED(error->GetSourcePosition(&context, &line, &column)))
        where = L" at line " + std::to_wstring(line + 1);
    std::wstring text = exception.bstrDescription ? exception.bstrDescription : L"";
    if (text.empty())
        text = HexCode(exception.scode ? exception.scode : static_cast<HRESULT>(exception.wCode));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (!failed_)
        Fail(L"script error" + where + L": " + text);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TPageScript::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = window_;
    return S_OK;
}

} // namespace tavo::page
