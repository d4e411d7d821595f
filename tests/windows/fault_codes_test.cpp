// Faults must reach Windows code with the exception code the processor's trap means. Under
// user-mode emulation of 32-bit programs this once failed: every fault looked like an illegal
// instruction, and IsBadReadPtr killed the process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

DWORD RunProbe(const std::string& fault) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string probe(path, length);
    probe = probe.substr(0, probe.find_last_of("\\/") + 1) + "fault_probe.exe";
    std::string commandLine = "\"" + probe + "\" " + fault;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << probe << ": error " << GetLastError();
        return 0;
    }
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << fault;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(FaultCodes, EachFaultRaisesItsOwnException) {
    const struct {
        const char* fault;
        DWORD code;
    } cases[] = {
        {"null-write", EXCEPTION_ACCESS_VIOLATION},
        {"divide-by-zero", EXCEPTION_INT_DIVIDE_BY_ZERO},
        {"bad-read-pointer", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunProbe(c.fault), c.code) << c.fault;
}

} // namespace
