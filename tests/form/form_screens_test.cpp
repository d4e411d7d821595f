// Screenshots of the form in both editions, in each state a user sees first: the start, the
// share panel, the trace panel, a message box, the input box, both pop-up menus, and a real
// listing from vsftpd. Each is written as PNG; a test fails when the form draws blank or a
// widget is missing, judged by regions and their colours.

#include "controller/catalogue.h"
#include "form/tavo_form.h"
#include "tools/screenshot/screenshot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace tavo::form::testing {
namespace {

using namespace tavo::screenshot;

using controller::TCatalogue;

struct Edition {
    const char* name;
    const TCatalogue& (*catalogue)();
    int designedWidth; // the form's outer width as designed
};
const Edition editions[] = {{"cn", controller::ChineseCatalogue, 633},
                            {"en", controller::EnglishCatalogue, 693}};

class FormScreens : public ::testing::TestWithParam<Edition> {
protected:
    void SetUp() override {
        instance_ = GetModuleHandleA(nullptr);
        form_ = TTavoForm::Create(instance_, nullptr, &GetParam().catalogue());
        if (form_ == nullptr)
            GTEST_SKIP() << "the form cannot be created here";
        SetWindowPos(form_->Handle(), nullptr, 0, 0, GetParam().designedWidth, 480,
                     SWP_NOZORDER | SWP_SHOWWINDOW);
        RECT client;
        GetClientRect(form_->Handle(), &client);
        form_->Resize(client.right, client.bottom);
    }

    std::string Name(const std::string& what) const {
        return std::string("form-") + GetParam().name + "-" + what;
    }

    // Every named widget exists, shows, and is not one flat colour in the picture.
    void ExpectDrawn(const TScreenshot& picture, std::initializer_list<const char*> widgets) {
        EXPECT_GT(DistinctColours(picture, {0, 0, picture.Width, picture.Height}), 20)
            << "the form drew blank";
        for (const char* field : widgets) {
            HWND widget = form_->Widget(field);
            ASSERT_NE(widget, nullptr) << field;
            EXPECT_TRUE(IsWindowVisible(widget)) << field;
            RECT at = RectIn(form_->Handle(), widget);
            EXPECT_GT(at.right - at.left, 0) << field;
            EXPECT_GT(DistinctColours(picture, at), 1) << field << " is blank";
        }
    }

    // Runs `open` (which shows something modal) and, from a timer on this thread while it is
    // up, captures the new top-level window of this thread and closes it with the message.
    TScreenshot CaptureModal(const std::function<void()>& open, UINT closeMessage, WPARAM wParam) {
        modal = {form_->Handle(), closeMessage, wParam, {}};
        UINT_PTR timer = SetTimer(nullptr, 0, 700, CaptureNewWindow);
        open();
        KillTimer(nullptr, timer);
        return modal.captured;
    }

    struct TModal {
        HWND form;
        UINT closeMessage;
        WPARAM closeArgument;
        TScreenshot captured;
    };
    static inline TModal modal;

    static BOOL CALLBACK FindOtherWindow(HWND window, LPARAM out) {
        if (window != modal.form && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(out) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK CaptureNewWindow(HWND, UINT, UINT_PTR id, DWORD) {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindOtherWindow, reinterpret_cast<LPARAM>(&found));
        if (found == nullptr)
            return;
        KillTimer(nullptr, id);
        modal.captured = CaptureClient(found, 100);
        PostMessageA(found, modal.closeMessage, modal.closeArgument, 0);
    }

    HINSTANCE instance_ = nullptr;
    std::unique_ptr<TTavoForm> form_;
};

TEST_P(FormScreens, StartSharePanelAndTracePanel) {
    TScreenshot start = CaptureClient(form_->Handle());
    SaveScreenshot(start, Name("start"));
    ExpectDrawn(start,
                {"ConnectButton", "bsSkinSpeedButton3", "bsSkinSpeedButton6", "bsSkinSpeedButton4",
                 "bsSkinSpeedButton2", "bsSkinSpeedButton5", "CheckShareList", "TraceCheckBox",
                 "UsePassive", "bsSkinSpeedButton1", "CurrentDirEdit", "bsSkinSpeedButton7",
                 "CreateDirButton", "DelDirButton", "ListViewRemote", "StatusBar1"});
    // The status text in the second panel, right of the progress bar's 300-pixel panel.
    RECT status = RectIn(form_->Handle(), form_->Widget("StatusBar1"));
    status.left += 310;
    EXPECT_GT(DistinctColours(start, status), 2) << "no status text";

    SendMessageA(form_->Widget("CheckShareList"), BM_CLICK, 0, 0);
    TScreenshot share = CaptureClient(form_->Handle());
    SaveScreenshot(share, Name("share-panel"));
    ExpectDrawn(share, {"Panel7", "Panel4", "bsSkinSpeedButton8", "bsSkinSpeedButton9"});

    SendMessageA(form_->Widget("TraceCheckBox"), BM_CLICK, 0, 0);
    form_->AppendTraceLine("->> USER anonymous");
    form_->AppendTraceLine("<<- 331 Please specify the password.");
    TScreenshot trace = CaptureClient(form_->Handle());
    SaveScreenshot(trace, Name("trace-panel"));
    ExpectDrawn(trace, {"DebugListBox"});
    // The splitter is a plain strip: it need only be there.
    RECT splitter = RectIn(form_->Handle(), form_->Widget("Splitter1"));
    EXPECT_TRUE(IsWindowVisible(form_->Widget("Splitter1")));
    EXPECT_EQ(splitter.bottom - splitter.top, 6);
}

TEST_P(FormScreens, MessageBoxInputBoxAndPopUpMenus) {
    TScreenshot box = CaptureModal(
        [&] {
            form_->ShowMessageBox(GetParam().catalogue().MsgTransferBusy,
                                  controller::mkConfirmation, controller::mbYesNo);
        },
        WM_CLOSE, 0);
    SaveScreenshot(box, Name("message-box"));
    EXPECT_GT(DistinctColours(box, {0, 0, box.Width, box.Height}), 10) << "a blank box";

    TScreenshot input = CaptureModal(
        [&] {
            std::string value = "new folder";
            form_->AskText("FTPClient", "Name:", value);
        },
        WM_CLOSE, 0);
    SaveScreenshot(input, Name("input-box"));
    EXPECT_GT(DistinctColours(input, {0, 0, input.Width, input.Height}), 10) << "a blank box";

    for (auto [number, list] : {std::pair{1, "ListViewRemote"}, std::pair{3, "ShareListBox"}}) {
        if (!form_->IsShareListChecked())
            SendMessageA(form_->Widget("CheckShareList"), BM_CLICK, 0, 0);
        HWND widget = form_->Widget(list);
        ASSERT_NE(widget, nullptr);
        RECT at;
        GetWindowRect(widget, &at);
        TScreenshot menu = CaptureModal(
            [&] {
                SendMessageA(widget, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(widget),
                             MAKELPARAM(at.left + 40, at.top + 40));
            },
            WM_KEYDOWN, VK_ESCAPE);
        SaveScreenshot(menu, Name("popup-menu-" + std::to_string(number)));
        EXPECT_GT(DistinctColours(menu, {0, 0, menu.Width, menu.Height}), 5)
            << "PopupMenu" << number << " did not show";
    }
}

TEST_P(FormScreens, ConnectedListingFromVsftpd) {
    const char* host = std::getenv("TAVO_VSFTPD_HOST");
    const char* port = std::getenv("TAVO_VSFTPD_PORT");
    if (host == nullptr || port == nullptr)
        GTEST_SKIP() << "no vsftpd (TAVO_VSFTPD_HOST, TAVO_VSFTPD_PORT)";
    form_->Controller().Set_Login(host, "anonymous", std::atoi(port), "");
    HWND list = form_->Widget("ListViewRemote");
    ASSERT_NE(list, nullptr);
    TScreenshot listing = CaptureClient(form_->Handle());
    // (after the capture's pumping: the list may take its rows when it next draws)
    EXPECT_GT(SendMessageA(list, 0x1004 /* LVM_GETITEMCOUNT */, 0, 0), 3);
    SaveScreenshot(listing, Name("connected-listing"));
    ExpectDrawn(listing, {"ListViewRemote", "CurrentDirEdit", "ConnectButton"});
    form_->Controller().Close();
}

INSTANTIATE_TEST_SUITE_P(Editions, FormScreens, ::testing::ValuesIn(editions),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavo::form::testing
