// The form's surface as a user meets it under Wine: which command each menu item and tool button
// runs, the real file choosers, the real message boxes, the connect button's caption, hint and
// picture through a session, and the progress bar during a download.
//
// The boxes and choosers are modal: while this thread sits in their loops, a second thread
// plays the user. It finds this thread's windows, reads them with messages (cross-thread, so
// always with a time limit) and answers them with the commands their buttons send.

#include "controller/catalogue.h"
#include "form/form_boxes.h"
#include "form/pictures.h"
#include "form/tavo_form.h"
#include "tests/controller/controller_fixture.h"
#include "tests/support/scripted_server.h"

#include <gtest/gtest.h>
#include <windows.h>
// (after windows.h, which they need)
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace tavo::form {
namespace {

using namespace controller;
using WideLines = std::vector<std::wstring>;

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps for a while: the form shows status and progress at most every 50 ms.
void PumpFor(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        Pump();
        Sleep(5);
    }
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// ---- The user's side, on its own thread.

// A message to a window of the form's thread, which answers only while it pumps.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, UINT limitMs = 5000) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, limitMs, &result);
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    Ask(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// A visible top-level window of that thread, of that class and owned by that window; waits
// for it up to the limit.
struct TWindowSearch {
    const wchar_t* ClassName;
    HWND Owner;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchOwnedWindow(HWND window, LPARAM data) {
    auto& s = *reinterpret_cast<TWindowSearch*>(data);
    if (!IsWindowVisible(window) || ClassOf(window) != s.ClassName ||
        GetWindow(window, GW_OWNER) != s.Owner)
        return TRUE;
    s.Found = window;
    return FALSE;
}

// Long enough for a loaded machine: a window never found leaves its modal loop waiting.
HWND WaitForWindow(DWORD thread, const wchar_t* className, HWND owner, int limitMs = 30000) {
    TWindowSearch search{className, owner};
    for (int waited = 0;; waited += 20) {
        EnumThreadWindows(thread, MatchOwnedWindow, reinterpret_cast<LPARAM>(&search));
        if (search.Found || waited >= limitMs)
            return search.Found;
        Sleep(20);
    }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

// What a message box shows.
struct TBoxSeen {
    bool Shown = false;
    std::wstring Title;
    std::wstring Text;
    HICON Icon = nullptr;
    WideLines Buttons; // in their order from the left
    std::vector<int> ButtonIds;
};

TBoxSeen ReadBox(HWND box) {
    TBoxSeen seen;
    seen.Shown = true;
    seen.Title = TextOf(box);
    std::vector<std::tuple<LONG, std::wstring, int>> buttons;
    for (HWND child : Children(box)) {
        if (!IsWindowVisible(child))
            continue;
        const std::wstring name = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(name.c_str(), L"Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON)
                seen.Icon = reinterpret_cast<HICON>(Ask(child, STM_GETICON));
            else
                seen.Text += TextOf(child);
        } else if (_wcsicmp(name.c_str(), L"Button") == 0) {
            RECT rect;
            GetWindowRect(child, &rect);
            buttons.emplace_back(rect.left, TextOf(child), GetDlgCtrlID(child));
        }
    }
    std::sort(buttons.begin(), buttons.end());
    for (auto& [left, caption, id] : buttons) {
        seen.Buttons.push_back(caption);
        seen.ButtonIds.push_back(id);
    }
    return seen;
}

// Runs the user's script on a thread of its own while this thread goes on; joins it when done.
class TUser {
public:
    explicit TUser(std::function<void(DWORD formThread)> script)
        : thread_([script, ui = GetCurrentThreadId()] { script(ui); }) {}
    ~TUser() { thread_.join(); }
    TUser(const TUser&) = delete;
    TUser& operator=(const TUser&) = delete;

private:
    std::thread thread_;
};

// Answers the next box the form opens with the button of that id, noting what it showed.
TBoxSeen AnswerBox(DWORD thread, HWND owner, int buttonId,
                   const wchar_t* className = BoxClassName) {
    HWND box = WaitForWindow(thread, className, owner);
    if (!box)
        return {};
    TBoxSeen seen = ReadBox(box);
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(buttonId), 0);
    return seen;
}

class SurfaceTest : public ::testing::Test {
protected:
    void Make(const TCatalogue& catalogue) {
        form = TTavoForm::Create(GetModuleHandleW(nullptr), nullptr, &catalogue);
        ASSERT_NE(form, nullptr);
        Pump();
    }
    void Click(const char* name) {
        SendMessageW(form->Widget(name), BM_CLICK, 0, 0);
        Pump();
    }
    std::unique_ptr<TTavoForm> form;
};

// ---- Commands: every menu item and tool button runs its own handler.

// The command's tool buttons, whose re-arming (disabled and at once enabled again) tells which
// handler ran, whichever way the command was reached.
const char* const ToolButtons[] = {
    "bsSkinSpeedButton3", "bsSkinSpeedButton6", "bsSkinSpeedButton4", "bsSkinSpeedButton2",
    "bsSkinSpeedButton5", "bsSkinSpeedButton7", "CreateDirButton",    "DelDirButton",
    "bsSkinSpeedButton8", "bsSkinSpeedButton9",
};

std::vector<std::string> rearmed;

LRESULT CALLBACK NoteDisable(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR name) {
    if (message == WM_ENABLE && !wParam)
        rearmed.push_back(reinterpret_cast<const char*>(name));
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(SurfaceTest, EveryMenuItemAndToolButtonRunsItsCommand) {
    Make(EnglishCatalogue());
    // Boxes now answer at once without showing: under Wine without a window manager each box
    // costs two seconds to take down, and the handler is told by its button anyway.
    form->Retire();
    for (const char* name : ToolButtons)
        SetWindowSubclass(form->Widget(name), NoteDisable, 1, reinterpret_cast<DWORD_PTR>(name));

    struct Case {
        int Menu;               // 1 or 3: the item at Position of that pop-up menu; 0: Source
        int Position;           //
        const char* Source;     // a tool button clicked, or the remote list double-clicked
        const wchar_t* Caption; // of the menu item; null for a separator line
        const char* Rearmed;    // the tool button of the handler that ran; null: none ran
    };
    const Case cases[] = {
        {1, 0, nullptr, L"Upload", "bsSkinSpeedButton3"},
        {1, 1, nullptr, L"Download", "bsSkinSpeedButton6"},
        {1, 2, nullptr, L"Delete", "bsSkinSpeedButton4"},
        {1, 3, nullptr, L"Rename", "bsSkinSpeedButton2"},
        {1, 4, nullptr, L"Share", "bsSkinSpeedButton5"},
        {1, 5, nullptr, nullptr, nullptr},
        {1, 6, nullptr, L"Create folder", "CreateDirButton"},
        {1, 7, nullptr, L"Delete Folder", "DelDirButton"},
        {1, 8, nullptr, L"Rename Folder", "bsSkinSpeedButton2"},
        {3, 0, nullptr, L"Delete Shared", "bsSkinSpeedButton8"},
        {3, 1, nullptr, nullptr, nullptr},
        {3, 2, nullptr, L"Send Shared", "bsSkinSpeedButton9"},
        {0, 0, "bsSkinSpeedButton3", nullptr, "bsSkinSpeedButton3"},
        {0, 0, "bsSkinSpeedButton6", nullptr, "bsSkinSpeedButton6"},
        {0, 0, "bsSkinSpeedButton4", nullptr, "bsSkinSpeedButton4"},
        {0, 0, "bsSkinSpeedButton2", nullptr, "bsSkinSpeedButton2"},
        {0, 0, "bsSkinSpeedButton5", nullptr, "bsSkinSpeedButton5"},
        {0, 0, "bsSkinSpeedButton7", nullptr, "bsSkinSpeedButton7"},
        {0, 0, "CreateDirButton", nullptr, "CreateDirButton"},
        {0, 0, "DelDirButton", nullptr, "DelDirButton"},
        {0, 0, "bsSkinSpeedButton8", nullptr, "bsSkinSpeedButton8"},
        {0, 0, "bsSkinSpeedButton9", nullptr, "bsSkinSpeedButton9"},
        {0, 0, "ListViewRemote", nullptr, "bsSkinSpeedButton6"},
    };
    EXPECT_EQ(GetMenuItemCount(form->PopupMenu(1)), 9);
    EXPECT_EQ(GetMenuItemCount(form->PopupMenu(3)), 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Source ? c.Source
                              : "PopupMenu" + std::to_string(c.Menu) + " item " +
                                    std::to_string(c.Position));
        form->Controller().Set_GoToFlag(0);
        rearmed.clear();
        if (c.Menu) {
            HMENU menu = form->PopupMenu(c.Menu);
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
            ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(c.Position), TRUE, &item));
            EXPECT_EQ(!c.Caption, (item.fType & MFT_SEPARATOR) != 0);
            if (c.Caption) {
                EXPECT_STREQ(reinterpret_cast<const wchar_t*>(item.dwItemData), c.Caption);
            }
            // What the menu posts when the item is chosen.
            PostMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(item.wID, 0), 0);
        } else if (std::string_view(c.Source) == "ListViewRemote") {
            HWND list = form->Widget("ListViewRemote");
            for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
                PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                             MAKELPARAM(40, 40));
        } else {
            PostMessageW(form->Widget(c.Source), BM_CLICK, 0, 0);
        }
        Pump();
        EXPECT_EQ(rearmed,
                  c.Rearmed ? std::vector<std::string>{c.Rearmed} : std::vector<std::string>{});
        const bool sends = c.Rearmed && std::string_view(c.Rearmed) == "bsSkinSpeedButton9";
        EXPECT_EQ(form->Controller().Get_GoToFlag(), sends ? 1 : 0);
    }
    for (const char* name : ToolButtons)
        RemoveWindowSubclass(form->Widget(name), NoteDisable, 1);
}

// ---- The file choosers: the platform's open and save dialogs, with the form's settings.

struct TChooserSeen {
    std::wstring Title;
    WideLines Filters;
    int FilterIndex = -1;
    std::wstring FileName;
    bool ReadOnlyBoxShown = true;
    bool SingleSelection = false;
    WideLines Listed;
    TBoxSeen Warning; // a box over the chooser after OK
    bool ClosedByOk = false;
};

// Control identifiers of the platform's file dialog template.
constexpr int FileTypeCombo = 0x470; // cmb1
constexpr int FileNameCombo = 0x47c; // cmb13
constexpr int ReadOnlyBox = 0x410;   // chx1

TChooserSeen UseChooser(DWORD ui, HWND owner, const wchar_t* typed) {
    TChooserSeen seen;
    HWND chooser = WaitForWindow(ui, L"#32770", owner);
    if (!chooser)
        return seen;
    seen.Title = TextOf(chooser);
    HWND types = GetDlgItem(chooser, FileTypeCombo);
    for (LRESULT i = 0, n = Ask(types, CB_GETCOUNT); i < n; ++i) {
        wchar_t text[128] = {};
        Ask(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        seen.Filters.push_back(text);
    }
    seen.FilterIndex = static_cast<int>(Ask(types, CB_GETCURSEL));
    seen.FileName = TextOf(GetDlgItem(chooser, FileNameCombo));
    seen.ReadOnlyBoxShown = IsWindowVisible(GetDlgItem(chooser, ReadOnlyBox));
    for (HWND child : Children(chooser)) {
        if (ClassOf(child) != WC_LISTVIEWW)
            continue;
        seen.SingleSelection = (GetWindowLongW(child, GWL_STYLE) & LVS_SINGLESEL) != 0;
        for (LRESULT i = 0, n = Ask(child, LVM_GETITEMCOUNT); i < n; ++i) {
            wchar_t text[MAX_PATH] = {};
            LVITEMW item{};
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            Ask(child, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            seen.Listed.push_back(text);
        }
    }
    if (typed)
        Ask(chooser, CDM_SETCONTROLTEXT, FileNameCombo, reinterpret_cast<LPARAM>(typed));
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    for (int waited = 0; waited < 5000 && IsWindow(chooser); waited += 20) {
        if (HWND warning = WaitForWindow(ui, L"#32770", chooser, 0)) {
            seen.Warning = ReadBox(warning);
            PostMessageW(warning, WM_COMMAND, IDOK, 0);
            Sleep(200);
            PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
            return seen;
        }
        Sleep(20);
    }
    seen.ClosedByOk = !IsWindow(chooser);
    if (!seen.ClosedByOk)
        PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
    return seen;
}

std::wstring MakeFolderWithFiles(const wchar_t* purpose) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"tavo-" + purpose + L"-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* name : {L"visible.txt", L"hidden.txt"}) {
        const std::wstring path = folder + L"\\" + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(file);
    }
    SetFileAttributesW((folder + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    return folder;
}

TEST_F(SurfaceTest, ChoosersShowAllFilesAndKeepTheirRulesForExistingNames) {
    // The English form: the titles are the same in both editions.
    Make(EnglishCatalogue());
    const std::wstring folder = MakeFolderWithFiles(L"choosers");
    const std::string folderBytes = Utf8(folder);
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);

    struct Case {
        const char* What;
        bool Save;
        const wchar_t* Typed; // null: OK on the suggested name
        bool Accepted;        // false: a warning box, and the chooser cancelled
    };
    const Case cases[] = {
        {"open, an existing file", false, L"visible.txt", true},
        {"open, a missing file", false, L"missing.txt", false},
        {"save, the suggested new name", true, nullptr, true},
        {"save, an existing file without a question", true, L"visible.txt", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TChooserSeen seen;
        std::optional<std::string> chosen;
        {
            TUser user([&](DWORD ui) { seen = UseChooser(ui, form->Handle(), c.Typed); });
            chosen = c.Save ? form->ChooseSaveFile(folderBytes, "new.txt")
                            : form->ChooseUploadFile(folderBytes);
        }
        EXPECT_EQ(seen.Title, c.Save ? L"请选择保存目录" : L"请选择要上传的文件");
        EXPECT_EQ(seen.Filters, WideLines{L"All files"});
        EXPECT_EQ(seen.FilterIndex, 0);
        EXPECT_EQ(seen.FileName, c.Save ? L"new.txt" : L"");
        EXPECT_FALSE(seen.ReadOnlyBoxShown);
        EXPECT_TRUE(seen.SingleSelection);
        // (Wine lists no hidden file either way; Windows would show it to a wrong chooser.)
        EXPECT_EQ(seen.Listed, WideLines{L"visible.txt"}) << "hidden files are not shown";
        if (c.Accepted) {
            EXPECT_TRUE(seen.ClosedByOk);
            EXPECT_FALSE(seen.Warning.Shown) << Utf8(seen.Warning.Text);
            const std::wstring name = c.Typed ? c.Typed : L"new.txt";
            EXPECT_EQ(chosen, Utf8(folder + L"\\" + name));
        } else {
            EXPECT_TRUE(seen.Warning.Shown);
            EXPECT_EQ(chosen, std::nullopt);
        }
        wchar_t after[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, after);
        EXPECT_STREQ(after, before) << "the chooser leaves the current folder alone";
    }
}

// ---- Message boxes: title and icon by kind, captured from the real boxes.

// Which of the platform's standard icons a box shows.
std::string IconName(HICON icon) {
    const std::pair<const char*, WORD> standard[] = {
        {"information", 32516}, {"question", 32514}, {"error", 32513}, {"warning", 32515}};
    for (const auto& [name, id] : standard)
        if (icon == LoadIconW(nullptr, MAKEINTRESOURCEW(id)))
            return name;
    return icon ? "another icon" : "no icon";
}

TEST_F(SurfaceTest, EachKindOfBoxHasItsTitleIconAndButtons) {
    Make(ChineseCatalogue());
    struct Case {
        const char* What;
        std::function<void()> Raise;
        const wchar_t* Title; // null: the implementer's
        const char* Icon;     // the platform's standard icon
        WideLines Buttons;    // empty: the platform's own, in the user's language
        std::vector<int> ButtonIds;
        const wchar_t* ClassName;
        std::wstring Text;
    };
    const Case cases[] = {
        {"information, from a command",
         [&] { Click("bsSkinSpeedButton3"); },
         L"Information",
         "information",
         {L"OK"},
         {IDOK},
         BoxClassName,
         L"尚未连接成功，请首先进行连接然后再操作"},
        {"confirmation, Yes and No",
         [&] { form->ShowMessageBox("Sure?", mkConfirmation, mbYesNo); },
         L"Confirm",
         "question",
         {L"&Yes", L"&No"},
         {IDYES, IDNO},
         BoxClassName,
         L"Sure?"},
        {"confirmation, Yes, No and Cancel",
         [&] { form->ShowMessageBox("Sure?", mkConfirmation, mbYesNoCancel); },
         L"Confirm",
         "question",
         {L"&Yes", L"&No", L"Cancel"},
         {IDYES, IDNO, IDCANCEL},
         BoxClassName,
         L"Sure?"},
        {"the general error report",
         [&] { form->ReportError("Broken."); },
         nullptr,
         "error",
         {},
         {IDOK},
         L"#32770",
         L"Broken."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TBoxSeen seen;
        {
            TUser user([&](DWORD ui) {
                seen = AnswerBox(ui, form->Handle(), c.ButtonIds.size() == 1 ? IDOK : IDNO,
                                 c.ClassName);
            });
            c.Raise();
        }
        ASSERT_TRUE(seen.Shown);
        if (c.Title) {
            EXPECT_EQ(seen.Title, c.Title);
        }
        EXPECT_EQ(IconName(seen.Icon), c.Icon);
        if (!c.Buttons.empty()) {
            EXPECT_EQ(seen.Buttons, c.Buttons);
        }
        EXPECT_EQ(seen.ButtonIds, c.ButtonIds);
        EXPECT_EQ(seen.Text, c.Text);
    }
}

// ---- The connect button through a session: connect, disconnect, connect again.

// Whether the picture is drawn somewhere in the image: every pixel of it but those of its
// transparent colour (its bottom-left pixel's) at one place.
using Pixels = std::vector<uint32_t>;

Pixels PixelsOf(HBITMAP bitmap, int& width, int& height) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    Pixels pixels(static_cast<size_t>(width * height));
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (auto& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

bool Shows(HBITMAP drawn, const char* pictureName) {
    int width = 0, height = 0, w = 0, h = 0;
    const Pixels image = PixelsOf(drawn, width, height);
    HBITMAP picture = LoadNamedBitmap(GetModuleHandleW(nullptr), pictureName);
    const Pixels glyph = PixelsOf(picture, w, h);
    DeleteObject(picture);
    const uint32_t transparent = glyph[static_cast<size_t>((h - 1) * w)];
    for (int top = 0; top + h <= height; ++top)
        for (int left = 0; left + w <= width; ++left) {
            bool all = true;
            for (int y = 0; y < h && all; ++y)
                for (int x = 0; x < w && all; ++x) {
                    const uint32_t p = glyph[static_cast<size_t>(y * w + x)];
                    all = p == transparent ||
                          image[static_cast<size_t>((top + y) * width + left + x)] == p;
                }
            if (all)
                return true;
        }
    return false;
}

// The button as it draws itself.
HBITMAP DrawnButton(HWND button) {
    RECT rect;
    GetClientRect(button, &rect);
    HDC screen = GetDC(nullptr);
    HBITMAP image = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, image);
    SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return image;
}

// The tooltip text the user sees over a widget of the form.
BOOL CALLBACK MatchFormTooltip(HWND window, LPARAM data) {
    auto& s = *reinterpret_cast<TWindowSearch*>(data);
    if (ClassOf(window) == TOOLTIPS_CLASSW && GetWindow(window, GW_OWNER) == s.Owner)
        s.Found = window;
    return s.Found ? FALSE : TRUE;
}

std::wstring Tooltip(HWND form, HWND widget) {
    TWindowSearch search{TOOLTIPS_CLASSW, form};
    EnumThreadWindows(GetCurrentThreadId(), MatchFormTooltip, reinterpret_cast<LPARAM>(&search));
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(widget);
    tool.lpszText = text;
    SendMessageW(search.Found, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    return text;
}

class ConnectButtonTest : public SurfaceTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConnectButtonTest, CaptionHintAndPictureFollowTheSession) {
    const bool english = GetParam();
    Make(english ? EnglishCatalogue() : ChineseCatalogue());
    const std::wstring connect = english ? L"Connect" : L"连 接";
    const std::wstring connectHint = english ? L"Connect to server" : L"连接到网络文件服务器";
    const std::wstring disconnect = english ? L"Disconnect" : L"断 开";
    const std::wstring disconnectHint =
        english ? L"Disconnected from server" : L"断开与网络服务器的连接";

    testing::ScriptedServer server;
    testing::ScriptLogin(server);
    testing::ScriptList(server, "/", "");
    server.Expect("QUIT").AcceptControl();
    testing::ScriptLogin(server);
    testing::ScriptList(server, "/", "");
    server.Start();

    HWND button = form->Widget("ConnectButton");
    struct Step {
        const char* What;
        std::function<void()> Do;
        const std::wstring& Caption;
        const std::wstring& Hint;
        const char* Picture;
    };
    const Step steps[] = {
        {"at creation", [] {}, connect, connectHint, "CONNECT"},
        {"connected by the page",
         [&] { form->Controller().Set_Login(server.Host(), "u", server.Port(), "cA=="); },
         disconnect, disconnectHint, "RECONNECT"},
        {"disconnected by the button", [&] { Click("ConnectButton"); }, connect, connectHint,
         "RECONNECT"},
        {"connected again by the button", [&] { Click("ConnectButton"); }, disconnect,
         disconnectHint, "RECONNECT"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        step.Do();
        Pump();
        wchar_t caption[64] = {};
        GetWindowTextW(button, caption, 64);
        EXPECT_EQ(caption, step.Caption);
        EXPECT_EQ(Tooltip(form->Handle(), button), step.Hint);
        HBITMAP drawn = DrawnButton(button);
        EXPECT_TRUE(Shows(drawn, step.Picture));
        EXPECT_FALSE(
            Shows(drawn, std::string_view(step.Picture) == "CONNECT" ? "RECONNECT" : "CONNECT"));
        DeleteObject(drawn);
    }
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Editions, ConnectButtonTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "English" : "Chinese"; });

// ---- The progress bar during a download started from the form's button.

TEST_F(SurfaceTest, ProgressBarCountsTheMissingBytesInBlocksAndResetsAfter) {
    Make(EnglishCatalogue());
    // Not a multiple of the 2048-byte blocks, sent in pieces of another size with pauses, so
    // the bar is seen mid-way and a count per piece would not fall on the blocks.
    constexpr int size = 100000;
    std::string data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
    const std::wstring folder = MakeFolderWithFiles(L"downloads");

    struct Case {
        const char* What;
        int LocalPart; // bytes already in the local file; 0: none there
    };
    const Case cases[] = {{"new file", 0}, {"resumed", 30000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring local = folder + L"\\" + std::to_wstring(c.LocalPart) + L".bin";
        if (c.LocalPart)
            std::ofstream(std::filesystem::path(local), std::ios::binary)
                << data.substr(0, c.LocalPart);

        testing::ScriptedServer server;
        testing::ScriptLogin(server);
        testing::ScriptList(server, "/",
                            "-rw-r--r--    1 0        0          100000 Dec 09 04:56 "
                            "a.bin\r\n");
        server.Expect("SIZE a.bin").Send("213 100000\r\n");
        if (c.LocalPart) {
            // The engine first learns whether the server can restart a transfer.
            server.Expect("REST 1").Send("350 ok\r\n").Expect("REST 0").Send("350 ok\r\n");
            server.Expect("PASV").ReplyPasv();
            server.Expect("REST " + std::to_string(c.LocalPart)).Send("350 ok\r\n");
        } else {
            server.Expect("PASV").ReplyPasv();
        }
        server.Expect("RETR a.bin").AcceptData().Send("150 Sending\r\n");
        server.SendDataInPieces(data.substr(static_cast<size_t>(c.LocalPart)), {1000}, 10);
        server.CloseData().Send("226 Sent\r\n");
        server.Start();
        form->Controller().Set_Login(server.Host(), "u", server.Port(), "cA==");
        PumpFor(100);
        HWND list = form->Widget("ListViewRemote");
        ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

        HWND bar = form->Widget("ProgressBar1");
        struct Sample {
            LRESULT Max, Position;
        };
        std::vector<Sample> samples;
        std::atomic<bool> done{false};
        TChooserSeen chooser;
        TBoxSeen question;
        {
            TUser user([&](DWORD ui) {
                chooser = UseChooser(ui, form->Handle(), local.c_str());
                if (c.LocalPart)
                    question = AnswerBox(ui, form->Handle(), IDYES);
                while (!done) {
                    // Briefly: once the download is over this thread stops pumping.
                    const LRESULT max = Ask(bar, PBM_GETRANGE, FALSE, 0, 200);
                    samples.push_back({max, Ask(bar, PBM_GETPOS, 0, 0, 200)});
                    Sleep(2);
                }
            });
            Click("bsSkinSpeedButton6");
            done = true;
        }
        PumpFor(200);
        EXPECT_TRUE(chooser.ClosedByOk);
        EXPECT_EQ(question.Shown, c.LocalPart != 0);

        const int expected = size - c.LocalPart;
        std::set<LRESULT> positions;
        for (const Sample& s : samples) {
            if (s.Position == 0)
                continue;
            EXPECT_EQ(s.Max, expected) << "at " << s.Position;
            positions.insert(s.Position);
        }
        // Whole blocks, and blocks of 2048, not of a multiple of it: some position is an odd
        // number of blocks (with some twenty positions seen, all even would be chance beyond
        // belief).
        EXPECT_GT(positions.size(), 3u) << samples.size() << " samples";
        bool oddBlocks = false;
        for (LRESULT p : positions) {
            EXPECT_EQ(p % 2048, 0) << p;
            EXPECT_LT(p, expected) << "the last short piece reports nothing of its own";
            oddBlocks = oddBlocks || (p / 2048) % 2 == 1;
        }
        EXPECT_TRUE(oddBlocks);
        EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0) << "the bar empties after the transfer";
        std::ifstream written(std::filesystem::path(local), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), data);
        EXPECT_TRUE(server.WaitUntilFinished());
        EXPECT_EQ(server.Failures(), std::vector<std::string>{});
        form.reset();
        Make(EnglishCatalogue());
    }
}

} // namespace
} // namespace tavo::form
