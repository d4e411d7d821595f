#pragma once
// What tells the two editions' libraries apart: the creatable class and the form's texts.

#include "controller/catalogue.h"

#include <windows.h>

namespace tavo::control {

struct TEdition {
    CLSID Clsid;
    const wchar_t* ClassName; // Tavo or Tavo2, as the type library names the class
    const wchar_t* ProgId;    // the library's name, a point, and the class name
    const controller::TCatalogue& (*Catalogue)();
};

// The edition this library was built as (edition_cn.cpp or edition_en.cpp).
const TEdition& ThisEdition();

} // namespace tavo::control
