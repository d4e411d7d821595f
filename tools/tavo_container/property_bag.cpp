#include "tools/tavo_container/property_bag.h"

namespace tavo::container {

TPropertyBag::TPropertyBag(std::vector<std::pair<std::wstring, std::wstring>> values)
    : values_(std::move(values)) {}

HRESULT STDMETHODCALLTYPE TPropertyBag::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IPropertyBag) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IPropertyBag*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TPropertyBag::AddRef() {
    return static_cast<ULONG>(++references_);
}
ULONG STDMETHODCALLTYPE TPropertyBag::Release() {
    return static_cast<ULONG>(--references_);
}

HRESULT STDMETHODCALLTYPE TPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (name == nullptr || value == nullptr)
        return E_POINTER;
    for (const auto& [key, text] : values_) {
        if (lstrcmpiW(key.c_str(), name) != 0)
            continue;
        VARTYPE wanted = value->vt; // the caller's hint; VT_EMPTY takes the text as it is
        VARIANT stored;
        VariantInit(&stored);
        stored.vt = VT_BSTR;
        stored.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (wanted == VT_EMPTY || wanted == VT_BSTR) {
            *value = stored;
            return S_OK;
        }
        VARIANT converted;
        VariantInit(&converted);
        HRESULT result = VariantChangeType(&converted, &stored, 0, wanted);
        VariantClear(&stored);
        if (SUCCEEDED(result))
            *value = converted;
        return result;
    }
    return E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE TPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (name == nullptr || value == nullptr)
        return E_POINTER;
    VARIANT text;
    VariantInit(&text);
    HRESULT result = VariantChangeType(&text, value, 0, VT_BSTR);
    if (FAILED(result))
        return result;
    std::wstring stored(text.bstrVal, SysStringLen(text.bstrVal));
    VariantClear(&text);
    for (auto& [key, old] : values_) {
        if (lstrcmpiW(key.c_str(), name) == 0) {
            old = stored;
            return S_OK;
        }
    }
    values_.emplace_back(name, stored);
    return S_OK;
}

} // namespace tavo::container
