#include "tools/tavo_container/event_sink.h"

#include "tools/tavo_container/console_text.h"

#include <ocidl.h>

#include <string>

namespace tavo::container {

TEventSink::TEventSink(ITypeInfo* source, const IID& events) : source_(source), events_(events) {
    source_->AddRef();
}

TEventSink::~TEventSink() {
    source_->Release();
}

HRESULT STDMETHODCALLTYPE TEventSink::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != events_) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TEventSink::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE TEventSink::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE TEventSink::GetTypeInfoCount(UINT* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TEventSink::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (info == nullptr)
        return E_POINTER;
    if (index != 0)
        return DISP_E_BADINDEX;
    source_->AddRef();
    *info = source_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TEventSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                    DISPID* ids) {
    return source_->GetIDsOfNames(names, count, ids);
}

HRESULT STDMETHODCALLTYPE TEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                             VARIANT* result, EXCEPINFO*, UINT*) {
    BSTR name = nullptr;
    UINT found = 0;
    std::string line = "event ";
    if (SUCCEEDED(source_->GetNames(id, &name, 1, &found)) && found == 1)
        line += Utf8(name);
    else
        line += "#" + std::to_string(id);
    SysFreeString(name);
    if (params != nullptr && params->cArgs > 0) {
        line += "(";
        for (UINT i = params->cArgs; i-- > 0;) { // the last argument comes first
            line += VariantText(params->rgvarg[i]);
            if (i > 0)
                line += ", ";
        }
        line += ")";
    }
    PrintLine(line);
    if (result != nullptr)
        VariantInit(result);
    return S_OK;
}

} // namespace tavo::container
