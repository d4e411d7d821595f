// POSIX: the user's locale comes from the environment (LC_ALL, LC_TIME, LC_NUMERIC, LANG),
// read into a locale object of our own so that no process-wide setting changes.

#include "controller/system/system_services.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>

namespace tavo::controller {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

class TPosixSystemServices : public ISystemServices {
public:
    explicit TPosixSystemServices(int codePage) : codePage_(codePage) {
        const int mask = LC_TIME_MASK | LC_NUMERIC_MASK;
        locale_ = ::newlocale(mask, "", static_cast<locale_t>(0));
        // A locale named in the environment but not installed: the portable one.
        if (locale_ == static_cast<locale_t>(0))
            locale_ = ::newlocale(mask, "C", static_cast<locale_t>(0));
    }
    ~TPosixSystemServices() override {
        if (locale_ != static_cast<locale_t>(0))
            ::freelocale(locale_);
    }
    TPosixSystemServices(const TPosixSystemServices&) = delete;
    TPosixSystemServices& operator=(const TPosixSystemServices&) = delete;

    void TrimWorkingSet() override {}

    std::string SpecialFolderPath(int csidl) override {
        if (csidl != CSIDL_DESKTOPDIRECTORY)
            return {};
        std::string desktop = Environment("XDG_DESKTOP_DIR");
        if (IsDirectory(desktop))
            return desktop;
        const std::string home = Environment("HOME");
        if (IsDirectory(home + "/Desktop"))
            return home + "/Desktop";
        return IsDirectory(home) ? home : std::string();
    }

    std::string FormatShortDate(int year, int month, int day) override {
        std::tm date{};
        date.tm_year = year - 1900;
        date.tm_mon = month - 1;
        date.tm_mday = day;
        date.tm_isdst = -1;
        char text[128];
        size_t length = locale_ == static_cast<locale_t>(0)
                            ? std::strftime(text, sizeof text, "%x", &date)
                            : ::strftime_l(text, sizeof text, "%x", &date, locale_);
        return std::string(text, length);
    }

    std::string DecimalSeparator() override {
        const char* radix =
            locale_ == static_cast<locale_t>(0) ? nullptr : ::nl_langinfo_l(RADIXCHAR, locale_);
        return radix == nullptr || *radix == '\0' ? std::string(".") : std::string(radix);
    }

    bool IsLeadByte(unsigned char byte) override { return IsLeadByteOfCodePage(codePage_, byte); }

private:
    int codePage_;
    locale_t locale_ = static_cast<locale_t>(0);
};

} // namespace

std::unique_ptr<ISystemServices> MakeSystemServices(int fallbackCodePage) {
    return std::make_unique<TPosixSystemServices>(fallbackCodePage);
}

} // namespace tavo::controller
