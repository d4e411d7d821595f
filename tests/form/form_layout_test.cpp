// The form as a user meets it under Wine: widget geometry read back through Win32 in the start
// state, with each panel shown, after a resize and a splitter drag; the boxes' answers to
// Enter, Escape and close; the pop-up menus; and how fast a big listing appears.

#include "controller/catalogue.h"
#include "form/form_boxes.h"
#include "form/tavo_form.h"
#include "tests/controller/controller_fixture.h"
#include "tests/support/scripted_server.h"

#include <gtest/gtest.h>
#include <windows.h>
// (after windows.h, which it needs)
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <functional>

namespace tavo::form {
namespace {

using namespace controller;

struct Place {
    int Left, Top, Width, Height;
    bool operator==(const Place&) const = default;
};

void PrintTo(const Place& p, std::ostream* out) {
    *out << "(" << p.Left << "," << p.Top << " " << p.Width << "x" << p.Height << ")";
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class FormTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        form = TTavoForm::Create(GetModuleHandleW(nullptr), nullptr,
                                 English() ? &EnglishCatalogue() : &ChineseCatalogue());
        ASSERT_NE(form, nullptr);
        Pump();
    }
    bool English() const { return GetParam(); }
    int Width() const { return English() ? 685 : 625; }

    // Where a widget sits within its parent window's client area.
    Place At(const char* name) {
        HWND widget = form->Widget(name);
        EXPECT_NE(widget, nullptr) << name;
        RECT rect{};
        GetWindowRect(widget, &rect);
        MapWindowPoints(nullptr, GetParent(widget), reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }
    bool Shown(const char* name) { return IsWindowVisible(form->Widget(name)) != FALSE; }
    void Click(const char* name) {
        SendMessageW(form->Widget(name), BM_CLICK, 0, 0);
        Pump();
    }

    std::unique_ptr<TTavoForm> form;
};

TEST_P(FormTest, StartStateStacksTheBarsAndGivesTheRemoteListTheRow) {
    const int w = Width();
    EXPECT_EQ(At("CommandPanel"), (Place{0, 0, w, 25}));
    EXPECT_EQ(At("ConnectButton"), (Place{1, 1, English() ? 80 : 55, 23}));
    EXPECT_EQ(At("bsSkinSpeedButton3").Left, (English() ? 80 : 55) + 13 + 1);
    // The check boxes stack from the right edge: passive at the edge.
    EXPECT_EQ(At("UsePassive"), (Place{w - 1 - 74, 1, 74, 23}));
    EXPECT_EQ(At("CheckShareList"), (Place{w - 1 - 3 * 74, 1, 74, 23}));
    EXPECT_EQ(At("bsSkinPanel2"), (Place{0, 25, w, 36}));
    EXPECT_EQ(At("bsSkinPanel1"), (Place{0, 11, w, 25}));
    EXPECT_EQ(At("CurrentDirEdit"), (Place{1 + (English() ? 23 : 52), 1, 180, 23}));
    EXPECT_EQ(At("Panel6"), (Place{0, 61, w, 446 - 61 - 19}));
    EXPECT_EQ(At("bsSkinScrollBar9"), (Place{w - 19, 22, 19, 446 - 61 - 19 - 22}));
    EXPECT_EQ(At("StatusBar1"), (Place{0, 446 - 19, w, 19}));
    EXPECT_EQ(At("ProgressBar1"), (Place{1, 2, 300, 16}));
    EXPECT_EQ(GetParent(form->Widget("ProgressBar1")), form->Widget("StatusBar1"));
    for (const char* hidden : {"Panel7", "Splitter2", "DebugListBox", "Splitter1"})
        EXPECT_FALSE(Shown(hidden)) << hidden;
    EXPECT_TRUE(IsDlgButtonChecked(GetParent(form->Widget("UsePassive")),
                                   GetDlgCtrlID(form->Widget("UsePassive"))));
    EXPECT_EQ(form->GetCurrentDirText(), "/");
    EXPECT_EQ(form->Widget("NoSuchWidget"), nullptr);
}

TEST_P(FormTest, ShareListBoxShowsTheSharePanelAtTheRight) {
    const int w = Width(), share = English() ? 200 : 180;
    const int rowHeight = 446 - 61 - 19;
    Click("CheckShareList");
    ASSERT_TRUE(Shown("Panel7"));
    EXPECT_EQ(At("Panel6"), (Place{0, 61, w - share, rowHeight}));
    EXPECT_EQ(At("Splitter2"), (Place{w - share, 61, 6, rowHeight}));
    EXPECT_EQ(At("Panel7"), (Place{w - share + 6, 61, share - 6, rowHeight}));
    EXPECT_EQ(At("ShareListBox"), (Place{0, 22, share - 6, rowHeight - 49}));
    EXPECT_EQ(At("Panel4"), (Place{0, 22 + rowHeight - 49, share - 6, 49 - 22}));

    // Dragging the splitter moves the edge between the panels.
    HWND splitter = form->Widget("Splitter2");
    SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 10));
    SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-100), 10));
    SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-100), 10));
    EXPECT_EQ(At("Panel6").Width, w - share - 102);

    Click("CheckShareList");
    EXPECT_FALSE(Shown("Panel7"));
    EXPECT_EQ(At("Panel6"), (Place{0, 61, w, rowHeight}));
}

TEST_P(FormTest, TraceBoxShowsTheTraceListAboveTheStatusBar) {
    Click("TraceCheckBox");
    EXPECT_EQ(At("StatusBar1").Top, 446 - 19);
    EXPECT_EQ(At("DebugListBox"), (Place{0, 446 - 19 - 97, Width(), 97}));
    EXPECT_EQ(At("Splitter1"), (Place{0, 446 - 19 - 97 - 6, Width(), 6}));
    EXPECT_EQ(At("Panel6").Height, 446 - 19 - 97 - 6 - 61);
    form->AppendTraceLine("220 ready");

    // Grabbed 2 pixels into the splitter and let go 50 pixels higher.
    HWND splitter = form->Widget("Splitter1");
    SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 2));
    SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, static_cast<WORD>(-48)));
    EXPECT_EQ(At("DebugListBox").Height, 97) << "moves only when let go";
    SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, static_cast<WORD>(-48)));
    EXPECT_EQ(At("DebugListBox"), (Place{0, 446 - 19 - 147, Width(), 147}));
    EXPECT_EQ(At("Splitter1").Top, 446 - 19 - 147 - 6);
    EXPECT_EQ(SendMessageW(form->Widget("DebugListBox"), LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(form->Widget("DebugListBox"), LB_GETITEMHEIGHT, 0, 0), 20);
}

TEST_P(FormTest, ServerBytesReadInTheSystemsAnsiCodePageInBothEditions) {
    if (GetACP() != 936)
        GTEST_SKIP() << "needs a Chinese system (LC_ALL=zh_CN.UTF-8)";
    const std::string name = "/\xB1\xA8\xB8\xE6"; // /报告
    form->SetCurrentDirText(name);
    form->AppendTraceLine("<<- 257 \"" + name + "\"");
    wchar_t text[32]{};
    GetWindowTextW(form->Widget("CurrentDirEdit"), text, 32);
    EXPECT_STREQ(text, L"/\u62A5\u544A");
    SendMessageW(form->Widget("DebugListBox"), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"<<- 257 \"/\u62A5\u544A\"");
}

TEST_P(FormTest, ResizeFollowsTheNewClientSize) {
    Click("TraceCheckBox");
    form->Resize(900, 600);
    Pump();
    EXPECT_EQ(At("UsePassive").Left, 900 - 1 - 74);
    EXPECT_EQ(At("StatusBar1"), (Place{0, 600 - 19, 900, 19}));
    EXPECT_EQ(At("DebugListBox").Top, 600 - 19 - 97);
    EXPECT_EQ(At("Panel6"), (Place{0, 61, 900, 600 - 19 - 97 - 6 - 61}));
    HWND list = form->Widget("ListViewRemote");
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 900 - 19 - 288 - 4);
}

TEST_P(FormTest, PopupMenusFollowTheShareCommands) {
    auto items = [&](int number) { return GetMenuItemCount(form->PopupMenu(number)); };
    EXPECT_EQ(items(1), 9);
    EXPECT_EQ(items(3), 3);
    EXPECT_EQ(form->PopupMenu(2), nullptr);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    GetMenuItemInfoW(form->PopupMenu(1), 5, TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_SEPARATOR);
    form->Controller().Enable_ShareList(2);
    Pump();
    EXPECT_EQ(items(1), 8);
    EXPECT_FALSE(Shown("bsSkinSpeedButton5"));
    EXPECT_FALSE(Shown("CheckShareList"));
    form->Controller().Enable_ShareList(1);
    Pump();
    EXPECT_EQ(items(1), 9);
    EXPECT_TRUE(Shown("CheckShareList"));
}

TEST_P(FormTest, OnlyTheHintsMarkedShownBecomeTooltips) {
    EXPECT_TRUE(form->HintShown("ConnectButton"));
    for (const char* silent : {"CreateDirButton", "DelDirButton", "ShareListBox"})
        EXPECT_FALSE(form->HintShown(silent)) << silent;
    EXPECT_EQ(form->HintShown("bsSkinSpeedButton7"), !English());
    form->SetConnectButton("x", "y");
    EXPECT_EQ(form->Hint("ConnectButton"), L"y");
    EXPECT_EQ(form->GetConnectCaption(), "x");
}

int toolClicks = 0;

// Counts a watched button's clicks where the form would run its command, and goes no further.
LRESULT CALLBACK CountToolClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR watched) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
        lParam == static_cast<LPARAM>(watched)) {
        ++toolClicks;
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// Two quick clicks on a tool button are two clicks: "up one level" goes up twice.
TEST_P(FormTest, ToolButtonCountsEachClickOfADoubleClick) {
    toolClicks = 0;
    HWND button = form->Widget("bsSkinSpeedButton7");
    SetWindowSubclass(form->Handle(), CountToolClicks, 1, reinterpret_cast<DWORD_PTR>(button));
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        SendMessageW(button, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(5, 5));
    RemoveWindowSubclass(form->Handle(), CountToolClicks, 1);
    EXPECT_EQ(toolClicks, 2);
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// 100,000 rows must be in the list and drawn within 2 s. The whole way from the server's
// reply is timed as well and printed: its transfer is the engine's share.
TEST_P(FormTest, BigListingAppearsQuickly) {
    HWND list = form->Widget("ListViewRemote");
    auto start = std::chrono::steady_clock::now();
    form->ClearRemoteRows();
    for (int i = 0; i < 100000; ++i)
        form->AddRemoteRow(
            TRemoteRow{"file", {"g" + std::to_string(i), "1 KB", "2026-12-09"}, 1, false});
    Pump();
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const double rowsMs = MillisecondsSince(start);
    EXPECT_LT(rowsMs, 2000);

    std::string listing;
    for (int i = 0; i < 100000; ++i)
        listing += "-rw-r--r--    1 0        0            1234 Dec 09 04:56 f" + std::to_string(i) +
                   ".txt\r\n";
    testing::ScriptedServer server;
    testing::ScriptLogin(server);
    testing::ScriptList(server, "/", listing);
    server.Start();
    start = std::chrono::steady_clock::now();
    form->Controller().Set_Login(server.Host(), "u", server.Port(), "cA==");
    Pump();
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    std::printf("100000-entry listing: rows filled and drawn in %.0f ms; from login through the "
                "transfer to the rows drawn in %.0f ms\n",
                rowsMs, MillisecondsSince(start));
    // The parent row comes first.
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 100001);
    ListView_SetItemState(list, 100000, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_TRUE(form->SelectedRemoteRow());
    EXPECT_EQ(form->SelectedRemoteRow()->Name, "f99999.txt");
    EXPECT_FALSE(form->SelectedRemoteSize().empty());
}

INSTANTIATE_TEST_SUITE_P(Editions, FormTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "English" : "Chinese"; });

// ---- The boxes, answered as a user would: a key to the focused control, or the close box.

std::function<void(HWND)> answer;
int ticksWaited = 0;

BOOL CALLBACK MatchVisibleBox(HWND window, LPARAM result) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (wcscmp(name, BoxClassName) != 0 || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
}

// This thread's open box. Other test programs share Wine's desktop and open boxes of the
// same class, so a search by class alone may find theirs.
HWND OwnBox() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchVisibleBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A user's keys reach the focused control, so the box is answered once a control of its own
// holds the keyboard. A box that never gets it fails the test and is closed, after 5 s of 30 ms
// ticks, rather than holding the test until its time limit.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = OwnBox();
    if (!box)
        return;
    const bool keyboardInBox = GetFocus() && IsChild(box, GetFocus());
    if (!keyboardInBox && ++ticksWaited < 170) {
        // Another program's window may have taken the activation (test programs share Wine's
        // desktop): the box is brought back as a user's click on it would.
        SetForegroundWindow(box);
        return;
    }
    KillTimer(nullptr, timer);
    if (!keyboardInBox) {
        ADD_FAILURE() << "the box never took the keyboard; focus " << GetFocus() << ", active "
                      << GetActiveWindow();
        PostMessageW(box, WM_CLOSE, 0, 0);
        return;
    }
    answer(box);
}

void AnswerNextBox(std::function<void(HWND)> how) {
    answer = std::move(how);
    ticksWaited = 0;
    SetTimer(nullptr, 0, 30, AnswerBox);
}

void Press(WORD key) {
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

const auto enter = [](HWND) { Press(VK_RETURN); };
const auto escape = [](HWND) { Press(VK_ESCAPE); };
const auto closeBox = [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); };

TEST(FormBoxes, MessageBoxAnswersEnterEscapeAndClose) {
    struct Case {
        TMessageButtons buttons;
        std::function<void(HWND)> how;
        TModalResult expected;
    };
    const Case cases[] = {
        {mbOK, enter, mrOk},           {mbOK, escape, mrOk},
        {mbOK, closeBox, mrCancel},    {mbYesNo, enter, mrYes},
        {mbYesNo, escape, mrNo},       {mbYesNo, closeBox, mrCancel},
        {mbYesNoCancel, enter, mrYes}, {mbYesNoCancel, escape, mrCancel},
    };
    for (const auto& c : cases) {
        std::wstring title;
        AnswerNextBox([&](HWND box) {
            wchar_t text[32] = {};
            GetWindowTextW(box, text, 32);
            title = text;
            c.how(box);
        });
        EXPECT_EQ(
            RunMessageBox(GetModuleHandleW(nullptr), nullptr, L"Sure?", mkConfirmation, c.buttons),
            c.expected)
            << "buttons " << c.buttons;
        EXPECT_EQ(title, L"Confirm");
    }
}

TEST(FormBoxes, InputBoxSelectsTheValueAndAcceptsOnlyOnOk) {
    std::wstring value = L"old";
    AnswerNextBox([](HWND box) {
        // Another window takes activation and gives it back: the keyboard returns to the edit.
        HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20,
                                     nullptr, nullptr, nullptr, nullptr);
        SetActiveWindow(other);
        SetActiveWindow(box);
        DestroyWindow(other);
        HWND edit = GetFocus();
        DWORD from = 1, to = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                     reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(to, 3u);
        EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 255);
        // Typing replaces the selected value.
        for (wchar_t c : std::wstring(L"new"))
            PostMessageW(edit, WM_CHAR, c, 1);
        Press(VK_RETURN);
    });
    EXPECT_TRUE(RunInputBox(GetModuleHandleW(nullptr), nullptr, L"Name", L"New name:", value));
    EXPECT_EQ(value, L"new");
    for (auto how : {std::function<void(HWND)>(escape), std::function<void(HWND)>(closeBox)}) {
        AnswerNextBox([&](HWND) {
            PostMessageW(GetFocus(), WM_CHAR, L'x', 1);
            how(OwnBox());
        });
        EXPECT_FALSE(RunInputBox(GetModuleHandleW(nullptr), nullptr, L"Name", L"New name:", value));
        EXPECT_EQ(value, L"new");
    }
}

} // namespace
} // namespace tavo::form
