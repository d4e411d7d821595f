#pragma once
// The named parameters of the embedding element, as a browser hands them to
// IPersistPropertyBag::Load: every value is text, converted when the control asks for another
// type. Names match without regard to case, as attribute names in a page do.

#include <windows.h>

#include <ocidl.h>

#include <string>
#include <utility>
#include <vector>

namespace tavo::container {

class TPropertyBag final : public IPropertyBag {
public:
    explicit TPropertyBag(std::vector<std::pair<std::wstring, std::wstring>> values);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

private:
    std::vector<std::pair<std::wstring, std::wstring>> values_;
    LONG references_ = 0; // owned by the container, which outlives every Load
};

} // namespace tavo::container
