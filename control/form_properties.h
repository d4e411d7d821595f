#pragma once
// The form's own properties as a container reads and writes them. Those that change what the
// window shows are applied by the automation members; the rest are stored and returned.

#include <windows.h>

#include <cstdint>
#include <string>

namespace tavo::control {

struct TFormProperties {
    bool AutoScroll = true;
    bool AutoSize = false;
    int32_t AxBorderStyle = 1; // afbSingle
    std::string Caption = "FTPClient";
    // As the form holds it: the top bit names a system colour by its index in the low byte.
    uint32_t Color = 0xFF00000F;
    bool KeyPreview = false;
    int32_t PixelsPerInch = 96;
    int32_t PrintScale = 1; // poProportional
    bool Scaled = true;
    bool DropTarget = false;
    std::string HelpFile;
    bool ScreenSnap = false;
    int32_t SnapBuffer = 10;
    bool DoubleBuffered = false;
    bool Enabled = true;
};

} // namespace tavo::control
