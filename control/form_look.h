#pragma once
// What a container changes in the form's look: its border inside the container, and its
// font, which a container sees as a standard OLE font object that stays tied to the form.

#include "form/tavo_form.h"

#include <ocidl.h>
#include <olectl.h>

namespace tavo::control {

// afbNone, afbSingle, afbSunken or afbRaised: the form's window gets the matching frame.
void ApplyBorderStyle(HWND form, int style);

class TFontLink final : public IPropertyNotifySink {
public:
    // Creates the font object from the form's current font and listens to its changes.
    explicit TFontLink(form::TTavoForm& form);
    ~TFontLink();
    TFontLink(const TFontLink&) = delete;
    TFontLink& operator=(const TFontLink&) = delete;

    // The font object a container reads; it reflects the form's current font.
    IFontDisp* Object() const { return dispatch_; }
    // Copies the attributes of another font object into the form's font (and this object).
    void CopyFrom(IFontDisp* other);

    // IPropertyNotifySink: a change made through the object reaches the form's font.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP OnChanged(DISPID id) override;
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

private:
    void ApplyToForm();

    form::TTavoForm& form_;
    IFont* font_ = nullptr;
    IFontDisp* dispatch_ = nullptr;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
    bool copying_ = false;
};

} // namespace tavo::control
