#pragma once
// The form's pictures, drawn at build time and linked in as resources.

#include <windows.h>

#include <commctrl.h>

namespace tavo::form {

// A bitmap resource by name ("reconnect", ...); null when the program has none by that name.
HBITMAP LoadNamedBitmap(HINSTANCE instance, const char* resourceName);
// The remote list's 18 small icons, in the order of the rows' icon indexes.
HIMAGELIST RemoteListIcons(HINSTANCE instance);
// The share list's picture.
HIMAGELIST ShareListPictures(HINSTANCE instance);

} // namespace tavo::form
