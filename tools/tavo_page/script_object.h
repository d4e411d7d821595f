#pragma once
// A scriptable object of the page host's own (window, location, document): IDispatch over a
// table of named members, each a function of the call's arguments. Names match without regard
// to case only where the engine asks so.

#include <windows.h>

#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

namespace tavo::page {

class TScriptObject final : public IDispatch {
public:
    // Arguments in the order the script wrote them; the result is left VT_EMPTY for none.
    using TMember = std::function<HRESULT(const std::vector<VARIANT*>& arguments, VARIANT* result)>;

    void Add(std::wstring name, TMember member);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO*, UINT* argumentError) override;

private:
    std::vector<std::pair<std::wstring, TMember>> members_; // DISPID = index + 1
    LONG references_ = 0; // lives as long as the page; the count only counts
};

} // namespace tavo::page
