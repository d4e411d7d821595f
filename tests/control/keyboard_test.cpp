// The keyboard as a container's message loop hands it to the active control: which keys the
// form keeps, which go back to the container, and characters outside ASCII in OnKeyPress.

#include "tests/control/container_fakes.h"

#include <string>

namespace tavo::control_tests {
namespace {

struct TFind {
    const wchar_t* ClassName;
    LONG ButtonType; // -1: any
    HWND Found = nullptr;
};

BOOL CALLBACK MatchWidget(HWND window, LPARAM data) {
    auto& find = *reinterpret_cast<TFind*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (_wcsicmp(name, find.ClassName) != 0 ||
        (find.ButtonType >= 0 &&
         (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) != find.ButtonType))
        return TRUE;
    find.Found = window;
    return FALSE;
}

// The first widget of a kind in the form's tree: the first tool button is the connect button,
// the first check box the passive-mode box, the one list view the remote list.
HWND FirstWidget(HWND form, const wchar_t* className, LONG buttonType = -1) {
    TFind find{className, buttonType};
    EnumChildWindows(form, MatchWidget, reinterpret_cast<LPARAM>(&find));
    EXPECT_NE(find.Found, nullptr);
    return find.Found;
}

std::string Passed(UINT message, WPARAM key) {
    return "Site.TranslateAccelerator(" + std::to_string(message) + " " + std::to_string(key) + ")";
}

void HoldShift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Tab goes round the widgets a user works with, from pane to pane, and answers S_OK.
TEST_F(ControlTest, TabMovesBetweenTheWidgetsThroughTheirPanes) {
    Activate();
    HWND form = Form();
    HWND connect = FirstWidget(form, L"Button", BS_OWNERDRAW);
    HWND list = FirstWidget(form, L"SysListView32");
    struct Case {
        HWND From;
        bool Shift;
        HWND To;
    };
    for (const Case& c : {Case{list, false, connect}, Case{connect, true, list}}) {
        SetFocus(c.From);
        HoldShift(c.Shift);
        MSG tab{c.From, WM_KEYDOWN, VK_TAB, 1, 0, {}};
        log.Expect({});
        EXPECT_EQ(As<IOleInPlaceActiveObject>()->TranslateAccelerator(&tab), S_OK) << c.Shift;
        HoldShift(false);
        EXPECT_EQ(GetFocus(), c.To) << c.Shift;
        EXPECT_EQ(log.Calls(), std::vector<std::string>{});
    }
}

// A button or check box has no use for Enter, Escape or the paging keys: the container gets them.
TEST_F(ControlTest, KeysTheFormHasNoUseForGoToTheContainer) {
    Activate();
    HWND form = Form();
    for (HWND widget : {FirstWidget(form, L"Button", BS_OWNERDRAW),
                        FirstWidget(form, L"Button", BS_AUTOCHECKBOX)}) {
        SetFocus(widget);
        for (WPARAM key : {VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_RETURN, VK_ESCAPE}) {
            MSG down{widget, WM_KEYDOWN, key, 1, 0, {}};
            log.Expect({Passed(WM_KEYDOWN, key)});
            EXPECT_EQ(As<IOleInPlaceActiveObject>()->TranslateAccelerator(&down), S_FALSE) << key;
            EXPECT_EQ(log.Calls(), std::vector<std::string>{Passed(WM_KEYDOWN, key)}) << key;
        }
    }
}

// A character outside ASCII reaches OnKeyPress as the edition's code page writes it, a
// double-byte character as its two bytes; the sink can swallow it as any other.
TEST_F(ControlTest, OnKeyPressReportsCharactersOutsideAsciiInTheEditionsCodePage) {
    Activate();
    const bool chinese = std::wstring(Edition().ProgId) == L"TavoProj1.Tavo";
    const wchar_t character = chinese ? L'\u4E2D' : L'\u20AC';
    const std::vector<SHORT> bytes =
        chinese ? std::vector<SHORT>{0xD6, 0xD0} : std::vector<SHORT>{0x80};
    DWORD cookie = 0;
    ASSERT_EQ(EventPoint()->Advise(&sink, &cookie), S_OK);
    SendMessageW(Form(), WM_CHAR, character, 1);
    EXPECT_EQ(sink.Keys, bytes);

    ASSERT_EQ(As<ITavo>()->put_KeyPreview(VARIANT_TRUE), S_OK);
    HWND list = FirstWidget(Form(), L"SysListView32");
    for (SHORT reply : {0, -1}) {
        sink.KeyReply = reply;
        MSG typed{list, WM_CHAR, character, 1, 0, {}};
        const auto passed = reply == 0 ? std::vector<std::string>{}
                                       : std::vector<std::string>{Passed(WM_CHAR, character)};
        log.Expect(passed);
        EXPECT_EQ(As<IOleInPlaceActiveObject>()->TranslateAccelerator(&typed),
                  reply == 0 ? S_OK : S_FALSE);
        EXPECT_EQ(log.Calls(), passed);
    }
}

} // namespace
} // namespace tavo::control_tests
