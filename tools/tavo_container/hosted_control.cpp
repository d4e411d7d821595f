#include "tools/tavo_container/hosted_control.h"

#include "tools/tavo_container/console_text.h"
#include "tools/tavo_container/default_source.h"
#include "tools/tavo_container/event_sink.h"
#include "tools/tavo_container/property_bag.h"

#include <string>
#include <utility>
#include <vector>

namespace tavo::container {
namespace {

template <typename T> void ReleaseInterface(T*& pointer) {
    if (pointer != nullptr)
        pointer->Release();
    pointer = nullptr;
}

CLSID ClassOf(const std::string& control) {
    std::wstring name = Wide(control);
    CLSID clsid;
    if (!name.empty() && name[0] == L'{')
        Check(CLSIDFromString(name.c_str(), &clsid), ("class identifier " + control).c_str());
    else
        Check(CLSIDFromProgID(name.c_str(), &clsid), ("ProgID " + control).c_str());
    return clsid;
}

} // namespace

THostedControl::THostedControl(const TOptions& options, HWND window, TSite& site)
    : window_(window), site_(site) {
    try {
        Check(CoCreateInstance(ClassOf(options.Control), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IUnknown, reinterpret_cast<void**>(&unknown_)),
              "CoCreateInstance");
        Check(unknown_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object_)),
              "IOleObject");
        DWORD status = 0;
        object_->GetMiscStatus(DVASPECT_CONTENT, &status);
        // A control that reads ambient properties while loading wants its site first.
        bool siteFirst = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (siteFirst)
            Check(object_->SetClientSite(&site_), "SetClientSite");
        Load(options);
        if (!siteFirst)
            Check(object_->SetClientSite(&site_), "SetClientSite");
        object_->SetHostNames(L"tavo_container", nullptr);
        ConnectEvents();

        RECT client;
        GetClientRect(window_, &client);
        HDC screen = GetDC(nullptr);
        SIZEL extent = {MulDiv(client.right, 2540, GetDeviceCaps(screen, LOGPIXELSX)),
                        MulDiv(client.bottom, 2540, GetDeviceCaps(screen, LOGPIXELSY))};
        ReleaseDC(nullptr, screen);
        object_->SetExtent(DVASPECT_CONTENT, &extent);
        Check(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site_, 0, window_, &client),
              "DoVerb(OLEIVERB_INPLACEACTIVATE)");
        unknown_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace_));
        unknown_->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active_));
        unknown_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_));
        FitToClient();
    } catch (...) {
        Release();
        throw;
    }
}

THostedControl::~THostedControl() {
    Release();
}

void THostedControl::Load(const TOptions& options) {
    IPersistPropertyBag* bagLoader = nullptr;
    unknown_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bagLoader));
    if (!options.Params.empty()) {
        if (bagLoader == nullptr)
            throw TComFailure("IPersistPropertyBag (for the --param values)", E_NOINTERFACE);
        std::vector<std::pair<std::wstring, std::wstring>> values;
        for (const auto& [name, value] : options.Params)
            values.emplace_back(Wide(name), Wide(value));
        TPropertyBag bag(std::move(values));
        HRESULT result = bagLoader->Load(&bag, nullptr);
        bagLoader->Release();
        Check(result, "IPersistPropertyBag::Load");
        return;
    }
    if (bagLoader != nullptr) {
        HRESULT result = bagLoader->InitNew();
        bagLoader->Release();
        Check(result, "IPersistPropertyBag::InitNew");
        return;
    }
    IPersistStreamInit* streamLoader = nullptr;
    if (SUCCEEDED(unknown_->QueryInterface(IID_IPersistStreamInit,
                                           reinterpret_cast<void**>(&streamLoader)))) {
        HRESULT result = streamLoader->InitNew();
        streamLoader->Release();
        Check(result, "IPersistStreamInit::InitNew");
    }
}

void THostedControl::ConnectEvents() {
    IID events;
    ITypeInfo* source = FindDefaultSource(unknown_, &events);
    if (source == nullptr) {
        PrintLine("note: the control names no default event interface; no events");
        return;
    }
    sink_ = new TEventSink(source, events);
    source->Release();
    IConnectionPointContainer* points = nullptr;
    Check(
        unknown_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)),
        "IConnectionPointContainer");
    HRESULT result = points->FindConnectionPoint(events, &events_);
    points->Release();
    Check(result, "FindConnectionPoint");
    result = events_->Advise(sink_, &cookie_);
    if (FAILED(result))
        ReleaseInterface(events_);
    Check(result, "IConnectionPoint::Advise");
}

IOleInPlaceActiveObject* THostedControl::KeyboardTarget() const {
    if (site_.ActiveObject() != nullptr)
        return site_.ActiveObject();
    HWND focus = GetFocus();
    return (active_ != nullptr && focus != nullptr && IsChild(window_, focus)) ? active_ : nullptr;
}

void THostedControl::FrameActivated(bool active) {
    if (site_.ActiveObject() != nullptr)
        site_.ActiveObject()->OnFrameWindowActivate(active ? TRUE : FALSE);
}

void THostedControl::FitToClient() {
    if (inPlace_ == nullptr)
        return;
    RECT client;
    GetClientRect(window_, &client);
    inPlace_->SetObjectRects(&client, &client);
}

ULONG THostedControl::Release() {
    if (unknown_ == nullptr)
        return 0;
    if (events_ != nullptr)
        events_->Unadvise(cookie_);
    ReleaseInterface(events_);
    ReleaseInterface(sink_);
    if (inPlace_ != nullptr)
        inPlace_->InPlaceDeactivate();
    if (object_ != nullptr) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    site_.ForgetActiveObject();
    ReleaseInterface(inPlace_);
    ReleaseInterface(active_);
    ReleaseInterface(dispatch_);
    ReleaseInterface(object_);
    ULONG left = unknown_->Release();
    unknown_ = nullptr;
    return left;
}

} // namespace tavo::container
