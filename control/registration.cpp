// DllRegisterServer and DllUnregisterServer: the type library and the class's keys under
// HKEY_CLASSES_ROOT, written and removed in a fixed order.

#include "control/edition.h"
#include "control/module.h"
#include "control/ole_error.h"
#include "form/code_page.h"

#include <oleauto.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tavo::control {
namespace {

constexpr char LibraryId[] = "{792B1E84-098B-4A64-A453-056BBD157196}";
constexpr char Description[] = "Tavo Control";
constexpr char MiscStatus[] = "205201";

class ERegistryError : public std::runtime_error {
public:
    ERegistryError() : std::runtime_error("Error creating system registry entry") {}
};

std::string ClassIdText() {
    wchar_t text[40];
    StringFromGUID2(ThisEdition().Clsid, text, 40);
    return Narrow(text, CP_ACP);
}

// The library's path as InprocServer32 names it: a loader that splits its command line at
// blanks cannot take a long path with a space, so such a path is given in its 8.3 form.
std::wstring ServerPath(const std::wstring& longPath) {
    if (longPath.find(L' ') == std::wstring::npos)
        return longPath;
    wchar_t shortPath[MAX_PATH];
    DWORD length = GetShortPathNameW(longPath.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return longPath;
    return std::wstring(shortPath, length);
}

void WriteValue(const std::string& key, const char* name, const std::string& data) {
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        throw ERegistryError();
    LONG status =
        RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        throw ERegistryError();
}

void RegisterTypeLibrary(const std::wstring& path) {
    std::wstring file = path;
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    OleCheck(RegisterTypeLib(TypeLibrary(), file.data(), folder.data()),
             "The type library cannot be registered.");
}

void RegisterClassKeys(const std::wstring& path) {
    const std::string clsid = ClassIdText();
    const std::string classKey = "CLSID\\" + clsid;
    const std::string progId = Narrow(ThisEdition().ProgId, CP_ACP);
    WriteValue(classKey, nullptr, Description);
    WriteValue(classKey + "\\InprocServer32", nullptr, Narrow(ServerPath(path), CP_ACP));
    WriteValue(classKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    WriteValue(progId, nullptr, Description);
    WriteValue(progId + "\\Clsid", nullptr, clsid);
    WriteValue(classKey + "\\ProgID", nullptr, progId);
    WriteValue(classKey + "\\Version", nullptr, "1.0");
    WriteValue(classKey + "\\TypeLib", nullptr, LibraryId);
    WriteValue(classKey + "\\MiscStatus", nullptr, "0");
    WriteValue(classKey + "\\MiscStatus\\1", nullptr, MiscStatus);
    WriteValue(classKey + "\\ToolboxBitmap32", nullptr, Narrow(path, CP_ACP) + ",1");
    WriteValue(classKey + "\\Control", nullptr, "");
    WriteValue(classKey + "\\Verb", nullptr, "");
    WriteValue(classKey + "\\Verb\\0", nullptr, "Properties,0,2");
}

void UnregisterTypeLibrary() {
    TLIBATTR* attributes = nullptr;
    ITypeLib* library = TypeLibrary();
    if (FAILED(library->GetLibAttr(&attributes)))
        return;
    // Not every platform has it; its answer does not matter either way.
    using TUnRegisterTypeLib = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    if (HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll")) {
        if (auto unregister = reinterpret_cast<TUnRegisterTypeLib>(
                reinterpret_cast<void*>(GetProcAddress(oleaut, "UnRegisterTypeLib"))))
            unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                       attributes->lcid, attributes->syskind);
    }
    library->ReleaseTLibAttr(attributes);
}

void DeleteClassKeys() {
    const std::string classKey = "CLSID\\" + ClassIdText();
    const std::string progId = Narrow(ThisEdition().ProgId, CP_ACP);
    for (const std::string& key :
         {classKey + "\\Verb\\0", classKey + "\\Verb", classKey + "\\Control",
          classKey + "\\ToolboxBitmap32", classKey + "\\MiscStatus\\1", classKey + "\\MiscStatus",
          classKey + "\\TypeLib", classKey + "\\Version", classKey + "\\ProgID", progId + "\\Clsid",
          progId, classKey + "\\InprocServer32", classKey})
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
}

} // namespace
} // namespace tavo::control

using namespace tavo::control;

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        const std::wstring path = ModulePath();
        RegisterTypeLibrary(path);
        RegisterClassKeys(path);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        UnregisterTypeLibrary();
        DeleteClassKeys();
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}
