#pragma once
// The built control libraries of both editions, and the Windows programs that register and
// script them (the flavour's own regsvr32 and cscript: a 32-bit process reaches the 32-bit
// tools through the system folder).

#include <windows.h>

#include <string>
#include <vector>

namespace tavo::testing {

struct TEdition {
    const char* Name;     // "cn" or "en", for messages
    std::wstring Library; // the built TavoProj1.ocx
    std::wstring ClassId; // registry form, with braces
    std::wstring ProgId;
};

const std::vector<TEdition>& Editions();

inline constexpr const wchar_t* TypeLibraryId = L"{792B1E84-098B-4A64-A453-056BBD157196}";

struct TProcessResult {
    DWORD ExitCode = 0;
    bool TimedOut = false;
    std::string Output; // stdout and stderr together, as the program wrote them
};

// Runs a command line and waits for it (killing it after timeoutMs).
TProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs);

// A program of the system folder, e.g. SystemProgram(L"regsvr32.exe").
std::wstring SystemProgram(const wchar_t* name);

// regsvr32 /s [/u] on the library; its exit code (0 when the entry point succeeded).
DWORD Regsvr32(const std::wstring& library, bool unregister);

using TGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using TCanUnloadNow = HRESULT(STDAPICALLTYPE*)();

// An exported entry point of a loaded library, or null.
template <typename TFunction> TFunction Entry(HMODULE module, const char* name) {
    return reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);

} // namespace tavo::testing
