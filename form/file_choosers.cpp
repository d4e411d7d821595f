#include "form/file_choosers.h"

#include "form/code_page.h"

#include <commdlg.h>

#include <algorithm>

namespace tavo::form {
namespace {

// Paths go to the C library's narrow file calls, which read them in the ANSI code page.
std::optional<std::string> RunChooser(HWND owner, bool save, const std::string& initialFolder,
                                      const std::string& suggestedName) {
    std::wstring folder = Wide(initialFolder, CP_ACP);
    std::wstring file = Wide(suggestedName, CP_ACP);
    file.resize(std::max<size_t>(file.size() + 1, MAX_PATH * 4), L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    dialog.lpstrFilter = L"All files\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = save ? L"请选择保存目录" : L"请选择要上传的文件";
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? 0 : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return std::nullopt;
    return Narrow(std::wstring_view(file.c_str()), CP_ACP);
}

} // namespace

std::optional<std::string> ChooseUploadPath(HWND owner, const std::string& initialFolder) {
    return RunChooser(owner, false, initialFolder, "");
}

std::optional<std::string> ChooseSavePath(HWND owner, const std::string& initialFolder,
                                          const std::string& suggestedName) {
    return RunChooser(owner, true, initialFolder, suggestedName);
}

} // namespace tavo::form
