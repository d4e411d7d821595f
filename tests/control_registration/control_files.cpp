#include "control_files.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tavo::testing {

namespace {

// The build names the libraries by their Unix paths; under Wine the Unix root is drive Z:.
std::wstring WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:" + Widen(unixPath);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

} // namespace

const std::vector<TEdition>& Editions() {
    static const std::vector<TEdition> editions = {
        {"cn", WindowsPath(TAVO_CONTROL_CN), L"{0C0E4CD2-59DF-48EF-8904-1A168D9A09B0}",
         L"TavoProj1.Tavo"},
        {"en", WindowsPath(TAVO_CONTROL_EN), L"{0C0E4CD2-59DF-48EF-8904-1A168D9A09B2}",
         L"TavoProj1.Tavo2"},
    };
    return editions;
}

std::wstring Widen(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                        static_cast<int>(utf8.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
    return wide;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow(text.size() * 3, '\0');
    narrow.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                            static_cast<int>(narrow.size()), nullptr, nullptr)));
    return narrow;
}

std::wstring SystemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + name;
}

TProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
    TProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return result;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        ADD_FAILURE() << "cannot start " << Narrow(commandLine) << ": " << GetLastError();
        CloseHandle(readEnd);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        DWORD waiting = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) || got == 0)
                break;
            result.Output.append(buffer, got);
        }
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            DWORD waitingAfter = 0;
            if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waitingAfter, nullptr) ||
                waitingAfter == 0)
                break;
            continue;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            result.TimedOut = true;
            TerminateProcess(process.hProcess, 124);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(process.hProcess, &result.ExitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    return result;
}

DWORD Regsvr32(const std::wstring& library, bool unregister) {
    const std::wstring line = L"\"" + SystemProgram(L"regsvr32.exe") + L"\" /s " +
                              (unregister ? L"/u " : L"") + L"\"" + library + L"\"";
    const TProcessResult run = RunProcess(line, 60000);
    EXPECT_FALSE(run.TimedOut) << Narrow(line);
    return run.ExitCode;
}

} // namespace tavo::testing
