#include "form/form_edition.h"

namespace tavo::form {

const TFormEdition& ChineseFormEdition() {
    static const TFormEdition edition = [] {
        TFormEdition e;
        e.English = false;
        e.Language = 0x0804; // Chinese (Simplified)
        e.ClientWidth = 625;
        e.Widths = {
            {"ConnectButton", 55},      {"bsSkinSpeedButton3", 55}, {"bsSkinSpeedButton6", 55},
            {"bsSkinSpeedButton4", 55}, {"bsSkinSpeedButton2", 75}, {"bsSkinSpeedButton5", 75},
            {"bsSkinSpeedButton1", 52}, {"CreateDirButton", 75},    {"DelDirButton", 75},
            {"bsSkinSpeedButton8", 75}, {"bsSkinSpeedButton9", 75}, {"Panel7", 169}};
        e.Heights = {{"Panel4", 25}};
        return e;
    }();
    return edition;
}

const TFormEdition& EnglishFormEdition() {
    static const TFormEdition edition = [] {
        TFormEdition e;
        e.English = true;
        e.Language = 0x0409; // English (United States)
        e.ClientWidth = 685;
        e.Widths = {
            {"ConnectButton", 80},      {"bsSkinSpeedButton3", 60}, {"bsSkinSpeedButton6", 74},
            {"bsSkinSpeedButton4", 60}, {"bsSkinSpeedButton2", 70}, {"bsSkinSpeedButton5", 60},
            {"bsSkinSpeedButton1", 23}, {"CreateDirButton", 90},    {"DelDirButton", 90},
            {"bsSkinSpeedButton8", 92}, {"bsSkinSpeedButton9", 92}, {"Panel7", 229}};
        e.Heights = {{"Panel4", 28}};
        return e;
    }();
    return edition;
}

} // namespace tavo::form
