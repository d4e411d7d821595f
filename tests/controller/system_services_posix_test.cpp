// The POSIX system services read the user's locale from the environment; pinned here to the
// portable locale, the one every system has.

#include "controller/system/system_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace tavo::controller {
namespace {

class PinnedLocale {
public:
    explicit PinnedLocale(const char* name) {
        const char* old = std::getenv("LC_ALL");
        saved = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("LC_ALL", name, 1);
    }
    ~PinnedLocale() {
        if (saved)
            ::setenv("LC_ALL", saved->c_str(), 1);
        else
            ::unsetenv("LC_ALL");
    }

private:
    std::optional<std::string> saved;
};

TEST(PosixSystemServicesTest, ShortDateAndSeparatorFollowTheLocale) {
    PinnedLocale pinned("C");
    auto system = MakeSystemServices(936);
    EXPECT_EQ(system->FormatShortDate(2024, 3, 9), "03/09/24");
    EXPECT_EQ(system->FormatShortDate(1899, 12, 30), "12/30/99");
    EXPECT_EQ(system->DecimalSeparator(), ".");
}

TEST(PosixSystemServicesTest, AnUninstalledLocaleFallsBackToThePortableOne) {
    PinnedLocale pinned("xx_NOWHERE.UTF-8");
    EXPECT_EQ(MakeSystemServices(936)->FormatShortDate(2024, 3, 9), "03/09/24");
}

TEST(PosixSystemServicesTest, LeadBytesOfTheEditionsCodePageAndTheDesktop) {
    auto chinese = MakeSystemServices(936);
    auto western = MakeSystemServices(1252);
    EXPECT_TRUE(chinese->IsLeadByte(0x96));
    EXPECT_FALSE(chinese->IsLeadByte(0x7C));
    EXPECT_FALSE(chinese->IsLeadByte(0x80));
    EXPECT_FALSE(western->IsLeadByte(0x96));
    EXPECT_EQ(chinese->SpecialFolderPath(0x05), "");
    const std::string desktop = chinese->SpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
    const char* home = std::getenv("HOME");
    if (home != nullptr) {
        EXPECT_EQ(desktop.rfind(home, 0), 0u) << desktop;
    }
    chinese->TrimWorkingSet(); // nothing here
}

} // namespace
} // namespace tavo::controller
