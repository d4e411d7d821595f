#include "tools/tavo_page/script_object.h"

#include <dispex.h>

namespace tavo::page {

void TScriptObject::Add(std::wstring name, TMember member) {
    members_.emplace_back(std::move(name), std::move(member));
}

HRESULT STDMETHODCALLTYPE TScriptObject::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IDispatch) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}
ULONG STDMETHODCALLTYPE TScriptObject::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}
ULONG STDMETHODCALLTYPE TScriptObject::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&references_));
}
HRESULT STDMETHODCALLTYPE TScriptObject::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TScriptObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE TScriptObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                       DISPID* ids) {
    if (!names || !ids)
        return E_POINTER;
    HRESULT outcome = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (size_t m = 0; m < members_.size() && i == 0; ++m)
            if (members_[m].first == names[i])
                ids[i] = static_cast<DISPID>(m + 1);
        if (ids[i] == DISPID_UNKNOWN)
            outcome = DISP_E_UNKNOWNNAME;
    }
    return outcome;
}

HRESULT STDMETHODCALLTYPE TScriptObject::Invoke(DISPID id, REFIID, LCID, WORD,
                                                DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                                                UINT* argumentError) {
    if (id < 1 || static_cast<size_t>(id) > members_.size())
        return DISP_E_MEMBERNOTFOUND;
    std::vector<VARIANT*> arguments;
    if (parameters) {
        if (parameters->cNamedArgs != 0 && parameters->rgdispidNamedArgs[0] != DISPID_THIS)
            return DISP_E_NONAMEDARGS;
        // Arguments arrive last first; named ones (a 'this' the engine adds) come first.
        for (UINT i = parameters->cArgs; i > parameters->cNamedArgs; --i)
            arguments.push_back(&parameters->rgvarg[i - 1]);
    }
    VARIANT ignored;
    VariantInit(&ignored);
    VARIANT* out = result ? result : &ignored;
    VariantInit(out);
    if (argumentError)
        *argumentError = 0;
    HRESULT outcome = members_[static_cast<size_t>(id - 1)].second(arguments, out);
    VariantClear(&ignored);
    return outcome;
}

} // namespace tavo::page
