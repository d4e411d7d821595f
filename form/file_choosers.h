#pragma once
// The platform's open and save file choosers of the upload and the download.

#include <windows.h>

#include <optional>
#include <string>

namespace tavo::form {

// Paths in the ANSI code page; nothing when the user cancels.
std::optional<std::string> ChooseUploadPath(HWND owner, const std::string& initialFolder);
std::optional<std::string> ChooseSavePath(HWND owner, const std::string& initialFolder,
                                          const std::string& suggestedName);

} // namespace tavo::form
