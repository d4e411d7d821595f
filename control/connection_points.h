#pragma once
// The control's connection points: the event interface's, which takes one sink, and the
// property-notification one, which takes any number. Both share the control's lifetime for
// reference counting: a point's AddRef and Release are the control's.

#include <ocidl.h>

#include <vector>

namespace tavo::control {

class TTavoControl;

class TConnectionPoint final : public IConnectionPoint {
public:
    // maxSinks 0 means any number.
    TConnectionPoint(TTavoControl& owner, REFIID iid, size_t maxSinks);
    ~TConnectionPoint();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& Iid() const { return iid_; }
    // The connected sinks, each as queried for the point's interface.
    std::vector<IUnknown*> Sinks() const;
    // Releases every sink (the control is going away).
    void ReleaseSinks();

private:
    TTavoControl& owner_;
    IID iid_;
    size_t maxSinks_;
    std::vector<IUnknown*> sinks_; // a cookie is a slot's position plus 1; freed slots are null
};

// An enumerator of the control's connection points.
HRESULT CreateConnectionPointEnumerator(IUnknown* owner,
                                        const std::vector<IConnectionPoint*>& points,
                                        IEnumConnectionPoints** out);

} // namespace tavo::control
