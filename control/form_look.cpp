#include "control/form_look.h"

#include "control/ole_error.h"

namespace tavo::control {

void ApplyBorderStyle(HWND form, int style) {
    LONG_PTR plain = GetWindowLongPtrW(form, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER);
    LONG_PTR extended = GetWindowLongPtrW(form, GWL_EXSTYLE) &
                        ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME |
                                               WS_EX_WINDOWEDGE | WS_EX_STATICEDGE);
    switch (style) {
    case 1: // afbSingle
        plain |= WS_BORDER;
        break;
    case 2: // afbSunken
        extended |= WS_EX_CLIENTEDGE;
        break;
    case 3: // afbRaised
        extended |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    default:
        break;
    }
    SetWindowLongPtrW(form, GWL_STYLE, plain);
    SetWindowLongPtrW(form, GWL_EXSTYLE, extended);
    // The frame is part of the window's non-client area: have it computed and drawn anew.
    SetWindowPos(form, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

TFontLink::TFontLink(form::TTavoForm& form) : form_(form) {
    LOGFONTW look = form_.FormFont();
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = look.lfFaceName;
    // Points in units of 1/10000: a character height of h pixels is h * 72 / ppi points.
    const int height = look.lfHeight < 0 ? -look.lfHeight : look.lfHeight;
    desc.cySize.int64 = static_cast<LONGLONG>(height) * 72 * 10000 / pixelsPerInch;
    desc.sWeight = static_cast<SHORT>(look.lfWeight);
    desc.sCharset = look.lfCharSet;
    desc.fItalic = look.lfItalic;
    desc.fUnderline = look.lfUnderline;
    desc.fStrikethrough = look.lfStrikeOut;
    OleCheck(OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(&font_)),
             "The form's font object cannot be created.");
    font_->QueryInterface(IID_IFontDisp, reinterpret_cast<void**>(&dispatch_));
    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(font_->QueryInterface(IID_IConnectionPointContainer,
                                        reinterpret_cast<void**>(&container)))) {
        if (SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink, &point_)))
            point_->Advise(static_cast<IPropertyNotifySink*>(this), &cookie_);
        container->Release();
    }
}

TFontLink::~TFontLink() {
    if (point_) {
        point_->Unadvise(cookie_);
        point_->Release();
    }
    if (dispatch_)
        dispatch_->Release();
    if (font_)
        font_->Release();
}

STDMETHODIMP TFontLink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyNotifySink)) {
        *ppv = static_cast<IPropertyNotifySink*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

void TFontLink::CopyFrom(IFontDisp* other) {
    if (!other)
        throw EOleSysError(E_POINTER, "No font was given.");
    IFont* source = nullptr;
    OleCheck(other->QueryInterface(IID_IFont, reinterpret_cast<void**>(&source)),
             "The object given is not a font.");
    copying_ = true;
    BSTR name = nullptr;
    if (SUCCEEDED(source->get_Name(&name))) {
        font_->put_Name(name);
        SysFreeString(name);
    }
    CY size;
    if (SUCCEEDED(source->get_Size(&size)))
        font_->put_Size(size);
    BOOL flag;
    if (SUCCEEDED(source->get_Bold(&flag)))
        font_->put_Bold(flag);
    if (SUCCEEDED(source->get_Italic(&flag)))
        font_->put_Italic(flag);
    if (SUCCEEDED(source->get_Underline(&flag)))
        font_->put_Underline(flag);
    if (SUCCEEDED(source->get_Strikethrough(&flag)))
        font_->put_Strikethrough(flag);
    SHORT charset;
    if (SUCCEEDED(source->get_Charset(&charset)))
        font_->put_Charset(charset);
    copying_ = false;
    source->Release();
    ApplyToForm();
}

STDMETHODIMP TFontLink::OnChanged(DISPID) {
    if (!copying_)
        ApplyToForm();
    return S_OK;
}

void TFontLink::ApplyToForm() {
    HFONT handle = nullptr;
    if (FAILED(font_->get_hFont(&handle)) || !handle)
        return;
    LOGFONTW look{};
    if (GetObjectW(handle, sizeof look, &look))
        form_.SetFormFont(look);
}

} // namespace tavo::control
