// The library's one class factory and the exports a container's COM runtime calls.

#include "control/control_object.h"
#include "control/module.h"

namespace tavo::control {
namespace {

// Lives as long as the library; its reference count only decides unloading.
class TClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        FactoryReferenceUp();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        FactoryReferenceDown();
        return 1;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer && !IsEqualIID(riid, IID_IUnknown))
            return CLASS_E_NOAGGREGATION;
        TTavoControl* control = nullptr;
        try {
            control = new TTavoControl(ThisEdition());
        } catch (const std::exception& error) {
            ShowCreationError(error.what());
            return E_UNEXPECTED;
        } catch (...) {
            ShowCreationError("The control cannot be created.");
            return E_UNEXPECTED;
        }
        // The object starts with one reference: the query adds the caller's, and the
        // release leaves an object nobody holds destroyed at once.
        HRESULT result = control->QueryInterface(riid, ppv);
        control->Release();
        return result;
    }

    STDMETHODIMP LockServer(BOOL lock) override {
        HRESULT result = CoLockObjectExternal(this, lock, TRUE);
        if (lock)
            ObjectCountUp();
        else
            ObjectCountDown();
        return result;
    }

private:
    static void ShowCreationError(const char* text) {
        MessageBoxA(nullptr, text, nullptr, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
};

TClassFactory Factory;

} // namespace
} // namespace tavo::control

using namespace tavo::control;

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, ThisEdition().Clsid))
        return CLASS_E_CLASSNOTAVAILABLE;
    return Factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return CanUnload() ? S_OK : S_FALSE;
}
