// Windows: the shell's special folders, the user's locale settings, the ANSI code page and
// the working-set trim of the form's timer.

#include "controller/system/system_services.h"

#include "engine/platform/message_pump.h"

#include <shlobj.h>
#include <windows.h>

namespace tavo::controller {
namespace {

class TWindowsSystemServices : public ISystemServices {
public:
    void TrimWorkingSet() override {
        // Both sizes -1: the system takes out as many pages as it can.
        ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1),
                                   static_cast<SIZE_T>(-1));
        platform::PumpHostMessages(true);
    }

    std::string SpecialFolderPath(int csidl) override {
        LPITEMIDLIST item = nullptr;
        if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr)
            return {};
        char path[MAX_PATH] = {};
        const bool found = ::SHGetPathFromIDListA(item, path) != FALSE;
        ::CoTaskMemFree(item);
        return found ? std::string(path) : std::string();
    }

    std::string FormatShortDate(int year, int month, int day) override {
        SYSTEMTIME date{};
        date.wYear = static_cast<WORD>(year);
        date.wMonth = static_cast<WORD>(month);
        date.wDay = static_cast<WORD>(day);
        char text[128];
        int length = ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, text,
                                      sizeof text);
        return length > 0 ? std::string(text, static_cast<size_t>(length - 1)) : std::string();
    }

    std::string DecimalSeparator() override {
        char text[8];
        int length = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text);
        return length > 1 ? std::string(text, static_cast<size_t>(length - 1)) : std::string(".");
    }

    bool IsLeadByte(unsigned char byte) override { return ::IsDBCSLeadByte(byte) != FALSE; }
};

} // namespace

std::unique_ptr<ISystemServices> MakeSystemServices(int /*fallbackCodePage*/) {
    return std::make_unique<TWindowsSystemServices>();
}

} // namespace tavo::controller
