#pragma once
// What the form's two editions differ in besides their texts (which live in the edition's
// resource script, form/resources/form_cn.rc or form_en.rc): the resource language the texts
// are found under, and a few designed sizes.

#include <map>
#include <string>

namespace tavo::form {

struct TFormEdition {
    bool English = false;
    // The resource language of the edition's strings and menus (a Windows LANGID).
    unsigned short Language = 0;
    int ClientWidth = 625; // as designed; the height is DesignedClientHeight in both editions
    // Widths and heights of the widgets whose size differs by edition (the rest are in the
    // widget tree).
    std::map<std::string, int, std::less<>> Widths;
    std::map<std::string, int, std::less<>> Heights;
};

inline constexpr int DesignedClientHeight = 446;

const TFormEdition& ChineseFormEdition();
const TFormEdition& EnglishFormEdition();

} // namespace tavo::form
