#pragma once
// A control's events as a page receives them: the handlers of <script for="ID" event="...">
// blocks, connected to the control's default source interface through its connection point.

#include <windows.h>

#include <ocidl.h>

#include <functional>
#include <map>
#include <string>

namespace tavo::page {

class TEventSink final : public IDispatch {
public:
    // `call` runs a handler with the event's arguments.
    TEventSink(IUnknown* control, std::function<void(IDispatch*, DISPPARAMS*)> call);
    ~TEventSink();
    TEventSink(const TEventSink&) = delete;
    TEventSink& operator=(const TEventSink&) = delete;

    // The DISPID of an event of the control by name; throws for a name it does not have.
    DISPID EventId(const std::wstring& name) const;
    void Handle(DISPID event, IDispatch* handler);
    // Connects to the control; a control may fire at once (its creation event).
    void Connect();
    void Disconnect();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO*, UINT*) override;

private:
    IUnknown* control_;
    std::function<void(IDispatch*, DISPPARAMS*)> call_;
    IID source_{};
    ITypeInfo* events_ = nullptr;
    std::multimap<DISPID, IDispatch*> handlers_;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
};

} // namespace tavo::page
