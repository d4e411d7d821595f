#include "tools/tavo_page/event_sink.h"

#include "tools/tavo_container/default_source.h"

#include <stdexcept>
#include <string>

namespace tavo::page {
namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end()); // event names are ASCII
}

} // namespace

// The source interface is the class's default one, as its type information says.
TEventSink::TEventSink(IUnknown* control, std::function<void(IDispatch*, DISPPARAMS*)> call)
    : control_(control), call_(std::move(call)) {
    events_ = container::FindDefaultSource(control, &source_);
    if (!events_)
        throw std::runtime_error("the control has no default event interface");
}

TEventSink::~TEventSink() {
    Disconnect();
    for (auto& [id, handler] : handlers_)
        handler->Release();
    if (events_)
        events_->Release();
}

DISPID TEventSink::EventId(const std::wstring& name) const {
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    MEMBERID id = MEMBERID_NIL;
    if (FAILED(events_->GetIDsOfNames(names, 1, &id)))
        throw std::runtime_error("the control has no event " + Narrow(name));
    return id;
}

void TEventSink::Handle(DISPID event, IDispatch* handler) {
    handler->AddRef();
    handlers_.emplace(event, handler);
}

void TEventSink::Connect() {
    IConnectionPointContainer* container = nullptr;
    if (FAILED(control_->QueryInterface(IID_IConnectionPointContainer,
                                        reinterpret_cast<void**>(&container))))
        throw std::runtime_error("the control offers no connection points");
    HRESULT result = container->FindConnectionPoint(source_, &point_);
    container->Release();
    if (SUCCEEDED(result))
        result = point_->Advise(static_cast<IDispatch*>(this), &cookie_);
    if (FAILED(result))
        throw std::runtime_error("cannot connect to the control's events");
}

void TEventSink::Disconnect() {
    if (point_) {
        point_->Unadvise(cookie_);
        point_->Release();
    }
    point_ = nullptr;
}

HRESULT STDMETHODCALLTYPE TEventSink::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == source_) {
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TEventSink::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE TEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE TEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters,
                                             VARIANT* result, EXCEPINFO*, UINT*) {
    if (result)
        VariantInit(result);
    auto [first, last] = handlers_.equal_range(id);
    for (auto it = first; it != last; ++it)
        call_(it->second, parameters);
    return S_OK;
}

} // namespace tavo::page
