// ITavo: the form's properties, the page's own members, the conversion of texts at the
// boundary, and the translation of errors into failure results with error information.

#include "control/control_object.h"

#include "control/form_look.h"
#include "control/module.h"
#include "control/ole_error.h"
#include "form/code_page.h"

#include <string>

namespace tavo::control {
namespace {

// Texts cross the boundary in the calling thread's ANSI code page.
std::string ToAnsi(BSTR text, UINT codePage = CP_THREAD_ACP) {
    if (!text)
        return {};
    return Narrow(std::wstring_view(text, SysStringLen(text)), codePage);
}

BSTR ToBstr(const std::string& text, UINT codePage = CP_THREAD_ACP) {
    const std::wstring wide = Wide(text, codePage);
    BSTR out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!out)
        throw EOleSysError(E_OUTOFMEMORY, "Out of memory.");
    return out;
}

VARIANT_BOOL ToVariantBool(bool value) {
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

void CheckOut(const void* pointer) {
    if (!pointer)
        throw EOleSysError(E_POINTER, "A result pointer is missing.");
}

} // namespace

HRESULT TTavoControl::TranslateError(const std::exception* error) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)))
        return E_UNEXPECTED;
    create->SetGUID(IID_ITavo);
    create->SetSource(const_cast<LPOLESTR>(edition_.ProgId));
    HRESULT result = E_UNEXPECTED;
    if (error) {
        // The control's own messages are in its edition's code page.
        BSTR description = nullptr;
        try {
            description = ToBstr(error->what(), static_cast<UINT>(edition_.Catalogue().CodePage));
        } catch (...) {
        }
        if (description) {
            create->SetDescription(description);
            SysFreeString(description);
        }
        create->SetHelpContext(0);
        if (auto* ole = dynamic_cast<const EOleSysError*>(error); ole && ole->Code < 0)
            result = ole->Code;
    }
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
    return result;
}

// ---- Form properties.

STDMETHODIMP TTavoControl::get_Visible(VARIANT_BOOL* Value) {
    return Guarded([&] {
        CheckOut(Value);
        // The form's own flag: parked under the hidden parking window it is still "shown".
        *Value = ToVariantBool((GetWindowLongW(FormWindow(), GWL_STYLE) & WS_VISIBLE) != 0);
    });
}

STDMETHODIMP TTavoControl::put_Visible(VARIANT_BOOL Value) {
    return Guarded([&] {
        ShowWindow(FormWindow(), Value ? SW_SHOW : SW_HIDE);
        PropertyChanged(201);
    });
}

#define TAVO_STORED_BOOL(Name, Id)                                                                 \
    STDMETHODIMP TTavoControl::get_##Name(VARIANT_BOOL* Value) {                                   \
        return Guarded([&] {                                                                       \
            CheckOut(Value);                                                                       \
            *Value = ToVariantBool(properties_.Name);                                              \
        });                                                                                        \
    }                                                                                              \
    STDMETHODIMP TTavoControl::put_##Name(VARIANT_BOOL Value) {                                    \
        return Guarded([&] {                                                                       \
            properties_.Name = Value != 0;                                                         \
            PropertyChanged(Id);                                                                   \
        });                                                                                        \
    }

#define TAVO_STORED_LONG(Name, Type, Id)                                                           \
    STDMETHODIMP TTavoControl::get_##Name(Type* Value) {                                           \
        return Guarded([&] {                                                                       \
            CheckOut(Value);                                                                       \
            *Value = static_cast<Type>(properties_.Name);                                          \
        });                                                                                        \
    }                                                                                              \
    STDMETHODIMP TTavoControl::put_##Name(Type Value) {                                            \
        return Guarded([&] {                                                                       \
            properties_.Name = static_cast<int32_t>(Value);                                        \
            PropertyChanged(Id);                                                                   \
        });                                                                                        \
    }

// Stored and returned: KeyPreview is read where keys arrive (in_place.cpp); nothing in an
// embedded form reads the others.
TAVO_STORED_BOOL(KeyPreview, 205)
TAVO_STORED_BOOL(DropTarget, 210)
TAVO_STORED_BOOL(ScreenSnap, 212)
TAVO_STORED_LONG(PrintScale, enum TxPrintScale, 207)
TAVO_STORED_LONG(SnapBuffer, LONG, 213)

#undef TAVO_STORED_BOOL
#undef TAVO_STORED_LONG

// Stored, and handed to the form at once.
#define TAVO_FORM_BOOL(Name, Id, Apply)                                                            \
    STDMETHODIMP TTavoControl::get_##Name(VARIANT_BOOL* Value) {                                   \
        return Guarded([&] {                                                                       \
            CheckOut(Value);                                                                       \
            *Value = ToVariantBool(properties_.Name);                                              \
        });                                                                                        \
    }                                                                                              \
    STDMETHODIMP TTavoControl::put_##Name(VARIANT_BOOL Value) {                                    \
        return Guarded([&] {                                                                       \
            properties_.Name = Value != 0;                                                         \
            Apply;                                                                                 \
            PropertyChanged(Id);                                                                   \
        });                                                                                        \
    }

TAVO_FORM_BOOL(AutoScroll, 202, form_->SetAutoScroll(properties_.AutoScroll))
TAVO_FORM_BOOL(AutoSize, 203, form_->SetAutoSize(properties_.AutoSize, [this](SIZE size) {
    AskForFormSize(size);
}))
TAVO_FORM_BOOL(Scaled, 208, form_->SetScaling(properties_.Scaled, properties_.PixelsPerInch))
TAVO_FORM_BOOL(DoubleBuffered, 214, form_->SetDoubleBuffered(properties_.DoubleBuffered))

#undef TAVO_FORM_BOOL

STDMETHODIMP TTavoControl::get_PixelsPerInch(LONG* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = properties_.PixelsPerInch;
    });
}

STDMETHODIMP TTavoControl::put_PixelsPerInch(LONG Value) {
    return Guarded([&] {
        // The designed sizes are scaled by the screen's resolution over this one.
        if (Value <= 0)
            throw EOleSysError(E_INVALIDARG, "PixelsPerInch must be a positive number.");
        properties_.PixelsPerInch = static_cast<int32_t>(Value);
        form_->SetScaling(properties_.Scaled, properties_.PixelsPerInch);
        PropertyChanged(206);
    });
}

STDMETHODIMP TTavoControl::get_AxBorderStyle(enum TxActiveFormBorderStyle* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = static_cast<enum TxActiveFormBorderStyle>(properties_.AxBorderStyle);
    });
}

STDMETHODIMP TTavoControl::put_AxBorderStyle(enum TxActiveFormBorderStyle Value) {
    return Guarded([&] {
        if (properties_.AxBorderStyle == static_cast<int32_t>(Value))
            return;
        properties_.AxBorderStyle = static_cast<int32_t>(Value);
        ApplyBorderStyle(FormWindow(), Value);
        PropertyChanged(204);
    });
}

STDMETHODIMP TTavoControl::get_Caption(BSTR* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = ToBstr(properties_.Caption);
    });
}

STDMETHODIMP TTavoControl::put_Caption(BSTR Value) {
    return Guarded([&] {
        properties_.Caption = ToAnsi(Value);
        BSTR wide = ToBstr(properties_.Caption);
        SetWindowTextW(FormWindow(), wide);
        SysFreeString(wide);
        PropertyChanged(DISPID_CAPTION);
    });
}

STDMETHODIMP TTavoControl::get_Color(OLE_COLOR* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = properties_.Color;
    });
}

STDMETHODIMP TTavoControl::put_Color(OLE_COLOR Value) {
    return Guarded([&] {
        // The form's own form (0xFF00000F for the button face) as well as OLE's (0x8000000F):
        // a page writing back what it read must not be refused.
        const COLORREF colour = (Value & 0x80000000u) ? GetSysColor(static_cast<int>(Value & 0xFF))
                                                      : static_cast<COLORREF>(Value);
        properties_.Color = Value;
        form_->SetColor(colour);
        PropertyChanged(DISPID_BACKCOLOR);
    });
}

STDMETHODIMP TTavoControl::get_Font(IFontDisp** Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = font_->Object();
        (*Value)->AddRef();
    });
}

STDMETHODIMP TTavoControl::put_Font(IFontDisp* Value) {
    return Guarded([&] {
        font_->CopyFrom(Value);
        PropertyChanged(DISPID_FONT);
    });
}

STDMETHODIMP TTavoControl::putref_Font(IFontDisp** Value) {
    return put_Font(Value ? *Value : nullptr);
}

STDMETHODIMP TTavoControl::get_Active(VARIANT_BOOL* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = ToVariantBool(uiActive_);
    });
}

STDMETHODIMP TTavoControl::get_HelpFile(BSTR* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = ToBstr(properties_.HelpFile);
    });
}

STDMETHODIMP TTavoControl::put_HelpFile(BSTR Value) {
    return Guarded([&] {
        properties_.HelpFile = ToAnsi(Value);
        PropertyChanged(211);
    });
}

STDMETHODIMP TTavoControl::get_AlignDisabled(VARIANT_BOOL* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = VARIANT_FALSE;
    });
}

STDMETHODIMP TTavoControl::get_VisibleDockClientCount(LONG* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = 0;
    });
}

STDMETHODIMP TTavoControl::get_Enabled(VARIANT_BOOL* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = ToVariantBool(IsWindowEnabled(FormWindow()) != FALSE);
    });
}

STDMETHODIMP TTavoControl::put_Enabled(VARIANT_BOOL Value) {
    return Guarded([&] {
        EnableWindow(FormWindow(), Value != 0);
        PropertyChanged(DISPID_ENABLED);
    });
}

// ---- The page's own members.

STDMETHODIMP TTavoControl::SetLogin(BSTR HostName, BSTR UserName, BSTR PassWord, LONG Port) {
    return Guarded([&] {
        form_->Controller().Set_Login(ToAnsi(HostName), ToAnsi(UserName),
                                      static_cast<int32_t>(Port), ToAnsi(PassWord));
    });
}

STDMETHODIMP TTavoControl::get_GoToFlag(LONG* Value) {
    return Guarded([&] {
        CheckOut(Value);
        *Value = form_->Controller().Get_GoToFlag();
    });
}

STDMETHODIMP TTavoControl::put_GoToFlag(LONG Value) {
    return Guarded([&] {
        form_->Controller().Set_GoToFlag(static_cast<int32_t>(Value));
        PropertyChanged(218);
    });
}

STDMETHODIMP TTavoControl::get_ShareList(BSTR* Value) {
    return Guarded([&] {
        CheckOut(Value);
        // Remote names are the server's bytes: shown, and handed on, in the form's code page.
        *Value = ToBstr(form_->Controller().Get_ShareList(),
                        static_cast<UINT>(edition_.Catalogue().CodePage));
    });
}

STDMETHODIMP TTavoControl::put_ShareList(BSTR Value) {
    return Guarded([&] {
        form_->Controller().Set_ShareList(
            ToAnsi(Value, static_cast<UINT>(edition_.Catalogue().CodePage)));
        PropertyChanged(219);
    });
}

STDMETHODIMP TTavoControl::Close() {
    return Guarded([&] { form_->Controller().Close(); });
}

STDMETHODIMP TTavoControl::Enable_ShareList(LONG Enabled) {
    return Guarded([&] { form_->Controller().Enable_ShareList(static_cast<int32_t>(Enabled)); });
}

} // namespace tavo::control
