#include "tools/tavo_page/box_answer.h"

#include "form/form_boxes.h"

#include <cstring>
#include <map>
#include <stdexcept>

namespace tavo::page {
namespace {

struct TBoxSearch {
    HWND Owner;
    HWND Found = nullptr;
};

// The control's boxes are owned by the page's top-level window; another window of this
// thread (the host's own alert box) is not the control's.
BOOL CALLBACK MatchBox(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<TBoxSearch*>(data);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (wcscmp(name, form::BoxClassName) != 0 || !IsWindowVisible(window) ||
        GetWindow(window, GW_OWNER) != search.Owner)
        return TRUE;
    search.Found = window;
    return FALSE;
}

int ButtonId(const std::string& action) {
    static const std::map<std::string, int> buttons = {{"answer:yes", IDYES},
                                                       {"answer:no", IDNO},
                                                       {"answer:ok", IDOK},
                                                       {"answer:cancel", IDCANCEL}};
    auto it = buttons.find(action);
    if (it == buttons.end())
        throw std::runtime_error("unknown answer " + action);
    return it->second;
}

} // namespace

bool IsBoxAnswer(const std::string& action) {
    return action.rfind("answer:", 0) == 0;
}

bool AnswerOpenBox(HWND form, const std::string& action) {
    const int id = ButtonId(action);
    TBoxSearch search{GetAncestor(form, GA_ROOT)};
    EnumThreadWindows(GetCurrentThreadId(), MatchBox, reinterpret_cast<LPARAM>(&search));
    if (!search.Found)
        return false;
    HWND button = GetDlgItem(search.Found, id);
    if (!button || !IsWindowVisible(button))
        throw std::runtime_error("the open box has no button for " + action);
    SendMessageW(button, BM_CLICK, 0, 0);
    return true;
}

} // namespace tavo::page
