// Persistence: the property bag a page fills from its <param> elements, and a stream (or a
// storage holding one) with the form's own properties.

#include "control/control_object.h"

#include "control/module.h"
#include "control/ole_error.h"

#include <string>
#include <vector>

namespace tavo::control {
namespace {

// ITavo's properties that have both a getter and a setter, in the type library's order.
struct TPersisted {
    std::wstring Name;
    DISPID Id;
};

std::vector<TPersisted> PersistedProperties(ITypeInfo* info) {
    std::vector<TPersisted> out;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)))
        return out;
    std::vector<DISPID> readable, writable;
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        if (FAILED(info->GetFuncDesc(i, &func)))
            continue;
        if (func->invkind == INVOKE_PROPERTYGET)
            readable.push_back(func->memid);
        else if (func->invkind == INVOKE_PROPERTYPUT || func->invkind == INVOKE_PROPERTYPUTREF)
            writable.push_back(func->memid);
        info->ReleaseFuncDesc(func);
    }
    info->ReleaseTypeAttr(attributes);
    for (DISPID id : readable) {
        bool settable = false;
        for (DISPID w : writable)
            settable = settable || w == id;
        bool seen = false;
        for (const auto& p : out)
            seen = seen || p.Id == id;
        if (!settable || seen)
            continue;
        BSTR name = nullptr;
        UINT count = 0;
        if (SUCCEEDED(info->GetNames(id, &name, 1, &count)) && count == 1) {
            out.push_back({std::wstring(name, SysStringLen(name)), id});
            SysFreeString(name);
        }
    }
    return out;
}

HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* value) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value,
                          nullptr, nullptr);
}

HRESULT PutProperty(IDispatch* object, DISPID id, VARIANT* value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{value, &named, 1, 1};
    const WORD flags = value->vt == VT_DISPATCH || value->vt == VT_UNKNOWN ? DISPATCH_PROPERTYPUTREF
                                                                           : DISPATCH_PROPERTYPUT;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, nullptr,
                          nullptr);
}

// The stream: a signature, then pairs of counted UTF-16 texts (name, value as text).
constexpr DWORD StreamSignature = 0x4F564154; // "TAVO"

void WriteText(IStream* stream, const std::wstring& text) {
    DWORD length = static_cast<DWORD>(text.size());
    OleCheck(stream->Write(&length, sizeof length, nullptr), "Cannot write the stream.");
    OleCheck(stream->Write(text.data(), length * sizeof(wchar_t), nullptr),
             "Cannot write the stream.");
}

std::wstring ReadText(IStream* stream) {
    DWORD length = 0;
    ULONG got = 0;
    OleCheck(stream->Read(&length, sizeof length, &got), "Cannot read the stream.");
    if (got != sizeof length || length > 1u << 20)
        throw EOleSysError(STG_E_READFAULT, "The stream is damaged.");
    std::wstring text(length, L'\0');
    OleCheck(stream->Read(text.data(), length * sizeof(wchar_t), &got), "Cannot read the stream.");
    if (got != length * sizeof(wchar_t))
        throw EOleSysError(STG_E_READFAULT, "The stream is damaged.");
    return text;
}

// The font's face and size stand for the font object in the stream.
constexpr wchar_t FontNameKey[] = L"Font.Name";
constexpr wchar_t FontSizeKey[] = L"Font.Size";

} // namespace

STDMETHODIMP TTavoControl::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = edition_.Clsid;
    return S_OK;
}

STDMETHODIMP TTavoControl::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

STDMETHODIMP TTavoControl::InitNew() {
    return S_OK;
}

// ---- Property bag.

STDMETHODIMP TTavoControl::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag)
        return E_POINTER;
    return Guarded([&] {
        for (const auto& property : PersistedProperties(TavoTypeInfo())) {
            VARIANT value;
            VariantInit(&value);
            if (FAILED(bag->Read(property.Name.c_str(), &value, log)))
                continue; // the bag does not hold it
            HRESULT result = PutProperty(static_cast<ITavo*>(this), property.Id, &value);
            if (FAILED(result) && log) {
                EXCEPINFO error{};
                error.scode = result;
                error.bstrSource = SysAllocString(edition_.ProgId);
                log->AddError(property.Name.c_str(), &error);
                SysFreeString(error.bstrSource);
            }
            VariantClear(&value);
        }
    });
}

STDMETHODIMP TTavoControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag)
        return E_POINTER;
    return Guarded([&] {
        for (const auto& property : PersistedProperties(TavoTypeInfo())) {
            VARIANT value;
            VariantInit(&value);
            OleCheck(GetProperty(static_cast<ITavo*>(this), property.Id, &value),
                     "A property cannot be read.");
            HRESULT result = bag->Write(property.Name.c_str(), &value);
            VariantClear(&value);
            OleCheck(result, "The property bag refused a property.");
        }
        if (clearDirty)
            dirty_ = false;
    });
}

// ---- Stream.

STDMETHODIMP TTavoControl::Load(LPSTREAM stream) {
    if (!stream)
        return E_POINTER;
    return Guarded([&] {
        DWORD signature = 0;
        ULONG got = 0;
        OleCheck(stream->Read(&signature, sizeof signature, &got), "Cannot read the stream.");
        if (got != sizeof signature || signature != StreamSignature)
            throw EOleSysError(STG_E_READFAULT, "The stream holds no control state.");
        DWORD count = 0;
        OleCheck(stream->Read(&count, sizeof count, &got), "Cannot read the stream.");
        const auto properties = PersistedProperties(TavoTypeInfo());
        IFont* font = nullptr;
        IFontDisp* fontDispatch = nullptr;
        if (SUCCEEDED(get_Font(&fontDispatch))) {
            fontDispatch->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font));
            fontDispatch->Release();
        }
        for (DWORD i = 0; i < count; ++i) {
            std::wstring name = ReadText(stream);
            std::wstring text = ReadText(stream);
            BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (name == FontNameKey && font) {
                font->put_Name(value);
            } else if (name == FontSizeKey && font) {
                CY size{};
                if (SUCCEEDED(VarCyFromStr(value, LOCALE_INVARIANT, 0, &size)))
                    font->put_Size(size);
            } else {
                for (const auto& property : properties) {
                    if (property.Name != name)
                        continue;
                    VARIANT argument;
                    argument.vt = VT_BSTR;
                    argument.bstrVal = value;
                    PutProperty(static_cast<ITavo*>(this), property.Id, &argument);
                }
            }
            SysFreeString(value);
        }
        if (font)
            font->Release();
        dirty_ = false;
    });
}

STDMETHODIMP TTavoControl::Save(LPSTREAM stream, BOOL clearDirty) {
    if (!stream)
        return E_POINTER;
    return Guarded([&] {
        std::vector<std::pair<std::wstring, std::wstring>> entries;
        for (const auto& property : PersistedProperties(TavoTypeInfo())) {
            VARIANT value;
            VariantInit(&value);
            OleCheck(GetProperty(static_cast<ITavo*>(this), property.Id, &value),
                     "A property cannot be read.");
            if (value.vt == VT_DISPATCH) {
                IFont* font = nullptr;
                if (value.pdispVal && SUCCEEDED(value.pdispVal->QueryInterface(
                                          IID_IFont, reinterpret_cast<void**>(&font)))) {
                    BSTR face = nullptr;
                    CY size{};
                    BSTR sizeText = nullptr;
                    if (SUCCEEDED(font->get_Name(&face)))
                        entries.emplace_back(FontNameKey, std::wstring(face, SysStringLen(face)));
                    if (SUCCEEDED(font->get_Size(&size)) &&
                        SUCCEEDED(VarBstrFromCy(size, LOCALE_INVARIANT, 0, &sizeText)))
                        entries.emplace_back(FontSizeKey,
                                             std::wstring(sizeText, SysStringLen(sizeText)));
                    SysFreeString(face);
                    SysFreeString(sizeText);
                    font->Release();
                }
            } else if (SUCCEEDED(
                           VariantChangeTypeEx(&value, &value, LOCALE_INVARIANT, 0, VT_BSTR))) {
                entries.emplace_back(property.Name,
                                     std::wstring(value.bstrVal, SysStringLen(value.bstrVal)));
            }
            VariantClear(&value);
        }
        DWORD header[2] = {StreamSignature, static_cast<DWORD>(entries.size())};
        OleCheck(stream->Write(header, sizeof header, nullptr), "Cannot write the stream.");
        for (const auto& [name, text] : entries) {
            WriteText(stream, name);
            WriteText(stream, text);
        }
        if (clearDirty)
            dirty_ = false;
    });
}

STDMETHODIMP TTavoControl::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size)
        return E_POINTER;
    size->QuadPart = 64 * 1024;
    return S_OK;
}

// ---- Storage: one stream inside it.

namespace {
constexpr wchar_t ContentsStream[] = L"Contents";
}

STDMETHODIMP TTavoControl::InitNew(IStorage* storage) {
    return storage ? S_OK : E_POINTER;
}

STDMETHODIMP TTavoControl::Load(IStorage* storage) {
    if (!storage)
        return E_POINTER;
    IStream* stream = nullptr;
    HRESULT result =
        storage->OpenStream(ContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(result))
        return result;
    result = Load(stream);
    stream->Release();
    return result;
}

STDMETHODIMP TTavoControl::Save(IStorage* storage, BOOL) {
    if (!storage)
        return E_POINTER;
    IStream* stream = nullptr;
    HRESULT result = storage->CreateStream(
        ContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
    if (FAILED(result))
        return result;
    result = Save(stream, TRUE);
    stream->Release();
    return result;
}

STDMETHODIMP TTavoControl::SaveCompleted(IStorage*) {
    return S_OK;
}

STDMETHODIMP TTavoControl::HandsOffStorage() {
    return S_OK;
}

} // namespace tavo::control
