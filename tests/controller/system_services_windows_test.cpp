// The Windows system services answer from the system's own settings: the ANSI code page
// (936 under a Chinese locale), the user's short date and decimal separator, the shell's
// desktop folder.

#include "controller/system/system_services.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace tavo::controller {
namespace {

TEST(WindowsSystemServicesTest, AnswersFromTheSystemsSettings) {
    auto system = MakeSystemServices(1252);
    const unsigned codePage = ::GetACP();
    for (unsigned char byte : {0x41, 0x7C, 0x81, 0x96, 0xFE})
        EXPECT_EQ(system->IsLeadByte(byte), IsLeadByteOfCodePage(static_cast<int>(codePage), byte))
            << codePage << " " << int(byte);
    const std::string date = system->FormatShortDate(2024, 3, 9);
    EXPECT_NE(date.find('9'), std::string::npos) << date;
    EXPECT_NE(date.find("24"), std::string::npos) << date;
    EXPECT_FALSE(system->DecimalSeparator().empty());
    EXPECT_FALSE(system->SpecialFolderPath(CSIDL_DESKTOPDIRECTORY).empty());
    system->TrimWorkingSet();
}

} // namespace
} // namespace tavo::controller
