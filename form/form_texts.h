#pragma once
// The form's own texts and sizes, the ones in which the two editions differ. The controller's
// texts (messages, status, the connect button at run time) come from its catalogue instead.

#include <map>
#include <string>

namespace tavo::form {

struct TWidgetText {
    std::wstring Caption;
    // Lines separated by CR, as stored on the widget.
    std::wstring Hint;
    // Shown as a tooltip; the other hints are stored and never shown.
    bool HintShown = false;
};

struct TFormTexts {
    bool English = false;
    int ClientWidth = 625; // as designed; the height is 446 in both editions
    std::map<std::string, TWidgetText, std::less<>> Widgets;
    // Widths of the widgets whose size differs by edition (the rest are in the widget table).
    std::map<std::string, int, std::less<>> Widths;
    std::map<std::string, int, std::less<>> Heights;
    // Columns of the remote list.
    std::wstring Columns[4];
    // Items of the pop-up menus by field name; empty for separators.
    std::map<std::string, std::wstring, std::less<>> MenuItems;
};

const TFormTexts& ChineseFormTexts();
const TFormTexts& EnglishFormTexts();

} // namespace tavo::form
