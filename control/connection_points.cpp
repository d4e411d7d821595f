#include "control/connection_points.h"

#include "control/control_object.h"
#include "control/ole_error.h"

#include <olectl.h>

#include <algorithm>

namespace tavo::control {
namespace {

// The wrapper that the form fires events through: a sink that fails an event must not
// disturb the control, so every call reports success.
class TForwardingSink final : public IDispatch {
public:
    explicit TForwardingSink(IDispatch* sink) : sink_(sink) { sink_->AddRef(); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, DIID_ITavoEvents)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = --references_;
        if (left == 0) {
            sink_->Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return sink_->GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return sink_->GetTypeInfo(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        return sink_->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        sink_->Invoke(id, riid, lcid, flags, params, result, exception, argError);
        return S_OK;
    }

private:
    IDispatch* sink_;
    LONG references_ = 1;
};

// The references an enumerator holds on what it hands out.
IUnknown* Held(const CONNECTDATA& item) {
    return item.pUnk;
}
IUnknown* Held(IConnectionPoint* item) {
    return item;
}

// IEnumConnections and IEnumConnectionPoints: a snapshot of the items, each held while the
// enumerator lives, and the owner held so the points outlive it.
template <typename TEnumInterface, typename TItem, const IID& EnumIid>
class TEnumerator final : public TEnumInterface {
public:
    TEnumerator(IUnknown* owner, std::vector<TItem> items, size_t position = 0)
        : owner_(owner), items_(std::move(items)), position_(position) {
        owner_->AddRef();
        for (const TItem& item : items_)
            Held(item)->AddRef();
    }
    ~TEnumerator() {
        for (const TItem& item : items_)
            Held(item)->Release();
        owner_->Release();
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, EnumIid)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = --references_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP Next(ULONG count, TItem* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        for (; n < count && position_ < items_.size(); ++n, ++position_) {
            out[n] = items_[position_];
            Held(out[n])->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        position_ = std::min(items_.size(), position_ + static_cast<size_t>(count));
        return position_ < items_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(TEnumInterface** out) override {
        if (!out)
            return E_POINTER;
        return GuardedCall([&] {
            *out = new TEnumerator(owner_, items_, position_);
            return S_OK;
        });
    }

private:
    IUnknown* owner_;
    std::vector<TItem> items_;
    size_t position_;
    LONG references_ = 1;
};

using TConnectionEnumerator = TEnumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;
using TPointEnumerator =
    TEnumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;

} // namespace

TConnectionPoint::TConnectionPoint(TTavoControl& owner, REFIID iid, size_t maxSinks)
    : owner_(owner), iid_(iid), maxSinks_(maxSinks) {}

TConnectionPoint::~TConnectionPoint() {
    ReleaseSinks();
}

STDMETHODIMP TConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TConnectionPoint::AddRef() {
    return owner_.AddRef();
}

STDMETHODIMP_(ULONG) TConnectionPoint::Release() {
    return owner_.Release();
}

STDMETHODIMP TConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

STDMETHODIMP TConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    *container = &owner_;
    owner_.AddRef();
    return S_OK;
}

STDMETHODIMP TConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    return GuardedCall([&]() -> HRESULT {
        if (!cookie)
            return E_POINTER;
        *cookie = 0;
        if (!sink)
            return E_POINTER;
        const size_t connected = static_cast<size_t>(
            std::count_if(sinks_.begin(), sinks_.end(), [](IUnknown* s) { return s != nullptr; }));
        if (maxSinks_ && connected >= maxSinks_)
            return CONNECT_E_ADVISELIMIT;
        // Whatever may run out of memory comes before the sink is held: a failed Advise must
        // leave neither a reference nor a slot behind.
        auto freeSlot = std::find(sinks_.begin(), sinks_.end(), nullptr);
        if (freeSlot == sinks_.end())
            freeSlot = sinks_.insert(sinks_.end(), nullptr);
        IUnknown* queried = nullptr;
        HRESULT result = sink->QueryInterface(iid_, reinterpret_cast<void**>(&queried));
        if (FAILED(result))
            return result;
        TForwardingSink* wrapper = nullptr;
        if (IsEqualIID(iid_, DIID_ITavoEvents)) {
            try {
                wrapper = new TForwardingSink(static_cast<IDispatch*>(queried));
            } catch (...) {
                queried->Release();
                throw;
            }
        }
        *freeSlot = queried;
        *cookie = static_cast<DWORD>(freeSlot - sinks_.begin()) + 1;
        if (wrapper) {
            owner_.AttachEventSink(wrapper);
            wrapper->Release();
        }
        return S_OK;
    });
}

STDMETHODIMP TConnectionPoint::Unadvise(DWORD cookie) {
    return GuardedCall([&]() -> HRESULT {
        if (cookie == 0 || cookie > sinks_.size() || !sinks_[cookie - 1])
            return CONNECT_E_NOCONNECTION;
        IUnknown* sink = sinks_[cookie - 1];
        sinks_[cookie - 1] = nullptr;
        if (IsEqualIID(iid_, DIID_ITavoEvents))
            owner_.AttachEventSink(nullptr);
        sink->Release();
        return S_OK;
    });
}

STDMETHODIMP TConnectionPoint::EnumConnections(IEnumConnections** connections) {
    return GuardedCall([&]() -> HRESULT {
        if (!connections)
            return E_POINTER;
        std::vector<CONNECTDATA> items;
        for (size_t i = 0; i < sinks_.size(); ++i)
            if (sinks_[i])
                items.push_back({sinks_[i], static_cast<DWORD>(i + 1)});
        *connections = new TConnectionEnumerator(this, std::move(items));
        return S_OK;
    });
}

std::vector<IUnknown*> TConnectionPoint::Sinks() const {
    std::vector<IUnknown*> out;
    for (IUnknown* sink : sinks_)
        if (sink)
            out.push_back(sink);
    return out;
}

void TConnectionPoint::ReleaseSinks() {
    std::vector<IUnknown*> sinks;
    sinks.swap(sinks_);
    for (IUnknown* sink : sinks)
        if (sink)
            sink->Release();
}

HRESULT CreateConnectionPointEnumerator(IUnknown* owner,
                                        const std::vector<IConnectionPoint*>& points,
                                        IEnumConnectionPoints** out) {
    return GuardedCall([&]() -> HRESULT {
        if (!out)
            return E_POINTER;
        *out = new TPointEnumerator(owner, points);
        return S_OK;
    });
}

} // namespace tavo::control
