// Commits one fault and exits with the code of the Windows exception it raised, so a test can
// check that faults reach Windows code as the processor reported them.
#include <windows.h>

#include <cstring>

namespace {

LONG WINAPI ExitWithExceptionCode(EXCEPTION_POINTERS* pointers) {
    ExitProcess(pointers->ExceptionRecord->ExceptionCode);
}

} // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ExitWithExceptionCode);
    const char* fault = argc > 1 ? argv[1] : "";
    // Both volatile: gcc turns 1 / x into a comparison that never divides.
    volatile int one = 1;
    volatile int zero = 0;
    if (std::strcmp(fault, "null-write") == 0)
        *static_cast<volatile int*>(nullptr) = 1;
    else if (std::strcmp(fault, "divide-by-zero") == 0)
        return one / zero;
    else if (std::strcmp(fault, "bad-read-pointer") == 0)
        // Must answer "bad" and let the process live on.
        return IsBadReadPtr(nullptr, 4) ? 0 : 2;
    return 3;
}
