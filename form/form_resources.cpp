#include "form/form_resources.h"

namespace tavo::form {
namespace {

const void* FindData(HINSTANCE instance, LPCSTR type, LPCSTR name, LANGID language,
                     DWORD* size = nullptr) {
    // LoadString and LoadMenu take the thread's language; both editions live in one module,
    // so the language is named.
    HRSRC found = FindResourceExA(instance, type, name, language);
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, found);
    if (size)
        *size = SizeofResource(instance, found);
    return loaded ? LockResource(loaded) : nullptr;
}

} // namespace

std::wstring EditionString(HINSTANCE instance, LANGID language, UINT id) {
    // Strings are stored in blocks of 16, each a length followed by that many characters.
    DWORD size = 0;
    const auto* entry = static_cast<const WCHAR*>(
        FindData(instance, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language, &size));
    if (!entry)
        return {};
    const WCHAR* end = entry + size / sizeof(WCHAR);
    for (UINT skip = id % 16; skip > 0 && entry < end; --skip)
        entry += 1 + *entry;
    if (entry >= end || entry + 1 + *entry > end)
        return {};
    return std::wstring(entry + 1, *entry);
}

HMENU LoadEditionMenu(HINSTANCE instance, LANGID language, UINT id) {
    const void* data = FindData(instance, RT_MENU, MAKEINTRESOURCEA(id), language);
    return data ? LoadMenuIndirectW(data) : nullptr;
}

} // namespace tavo::form
