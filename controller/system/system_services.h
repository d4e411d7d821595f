#pragma once
// The few things the controller asks of the operating system, behind one interface so that
// the controller itself stays portable. system_services_windows.cpp and
// system_services_posix.cpp implement it; CMake builds the one that fits the target.

#include <memory>
#include <string>

namespace tavo::controller {

// The shell's identifier of the user's file-system desktop folder.
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;

class ISystemServices {
public:
    virtual ~ISystemServices() = default;

    // Windows: asks the system to trim the process's working set, then runs the pending
    // window messages. Elsewhere nothing.
    virtual void TrimWorkingSet() = 0;
    // The file-system path of a shell special folder; empty when there is none.
    virtual std::string SpecialFolderPath(int csidl) = 0;
    // A date in the user's short date format.
    virtual std::string FormatShortDate(int year, int month, int day) = 0;
    // The user's decimal separator.
    virtual std::string DecimalSeparator() = 0;
    // Whether the byte starts a double-byte character in the ANSI code page.
    virtual bool IsLeadByte(unsigned char byte) = 0;
};

// The system's services. fallbackCodePage stands for the ANSI code page where the system has
// none (POSIX): the edition's code page.
std::unique_ptr<ISystemServices> MakeSystemServices(int fallbackCodePage);

// Lead bytes of the double-byte code pages (932, 936, 949, 950); none for any other.
bool IsLeadByteOfCodePage(int codePage, unsigned char byte);

} // namespace tavo::controller
