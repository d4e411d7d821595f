#pragma once
// The form's pictures, drawn at build time (form/resources/draw_pictures.py) and linked in
// as bitmap resources of whatever module links the form.

#include <windows.h>
// (after windows.h, which it needs)
#include <commctrl.h>

namespace tavo::form {

// The red cross of 16 x 16 on the delete buttons: the form's own picture, a numbered
// resource (LoadNamedBitmap takes it as MAKEINTRESOURCEA(DeletePictureId)).
inline constexpr int DeletePictureId = 101;

// A bitmap resource by name ("reconnect", ...; names match without regard to case); null
// when the module has none by that name. The caller owns the bitmap.
HBITMAP LoadNamedBitmap(HINSTANCE instance, const char* resourceName);
// The remote list's 18 small icons, in the order of the rows' icon indexes; the caller owns
// the list. Null when the pictures are missing.
HIMAGELIST RemoteListIcons(HINSTANCE instance);
// The share list's one picture, the blank document; the caller owns the list.
HIMAGELIST ShareListPictures(HINSTANCE instance);

} // namespace tavo::form
