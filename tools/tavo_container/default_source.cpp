#include "tools/tavo_container/default_source.h"

#include <ocidl.h>

namespace tavo::container {

ITypeInfo* FindDefaultSource(IUnknown* control, IID* events) {
    IProvideClassInfo* provider = nullptr;
    if (FAILED(control->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&provider))))
        return nullptr;
    ITypeInfo* coclass = nullptr;
    HRESULT result = provider->GetClassInfo(&coclass);
    provider->Release();
    if (FAILED(result) || coclass == nullptr)
        return nullptr;
    ITypeInfo* found = nullptr;
    TYPEATTR* attributes = nullptr;
    if (SUCCEEDED(coclass->GetTypeAttr(&attributes))) {
        for (UINT i = 0; found == nullptr && i < attributes->cImplTypes; ++i) {
            INT flags = 0;
            HREFTYPE reference = 0;
            if (FAILED(coclass->GetImplTypeFlags(i, &flags)) ||
                (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
                    (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) ||
                FAILED(coclass->GetRefTypeOfImplType(i, &reference)))
                continue;
            coclass->GetRefTypeInfo(reference, &found);
        }
        coclass->ReleaseTypeAttr(attributes);
    }
    coclass->Release();
    if (found == nullptr)
        return nullptr;
    TYPEATTR* sourceAttributes = nullptr;
    if (FAILED(found->GetTypeAttr(&sourceAttributes))) {
        found->Release();
        return nullptr;
    }
    *events = sourceAttributes->guid;
    found->ReleaseTypeAttr(sourceAttributes);
    return found;
}

} // namespace tavo::container
