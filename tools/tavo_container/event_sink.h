#pragma once
// Prints every event the control fires at its default source interface, by the names in the
// control's type information: "event OnCreate", "event OnKeyPress(65)".

#include <windows.h>

#include <oaidl.h>

namespace tavo::container {

class TEventSink final : public IDispatch {
public:
    // Takes a reference to `source`, the type information of the events interface `events`.
    TEventSink(ITypeInfo* source, const IID& events);
    ~TEventSink();
    TEventSink(const TEventSink&) = delete;
    TEventSink& operator=(const TEventSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

private:
    ITypeInfo* source_;
    IID events_;
    LONG references_ = 1;
};

} // namespace tavo::container
