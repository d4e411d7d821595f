#pragma once
// The edition's texts and menus, found in the module's resources under the edition's language
// (form/resources/form_cn.rc and form_en.rc are linked into every module that links the form).

#include <windows.h>

#include <string>

namespace tavo::form {

// The string of that id in that language; empty when the module has none.
std::wstring EditionString(HINSTANCE instance, LANGID language, UINT id);
// The menu resource of that id in that language; null when the module has none. The caller
// owns the menu.
HMENU LoadEditionMenu(HINSTANCE instance, LANGID language, UINT id);

} // namespace tavo::form
