// The view contract on the form's widgets (the remote rows, the share list and the status bar
// have their own files): boxes and choosers, the directory box, the connect button, the tool
// buttons, the check boxes, the trace list and the panels.

#include "form/code_page.h"
#include "form/file_choosers.h"
#include "form/form_boxes.h"
#include "form/form_ids.h"
#include "form/form_private.h"
#include "form/form_resources.h"
#include "form/pictures.h"

#include <commctrl.h>

namespace tavo::form {
namespace {

using namespace controller;

const char* ButtonField(TToolButton button) {
    switch (button) {
    case tbUpload:
        return "bsSkinSpeedButton3";
    case tbDownload:
        return "bsSkinSpeedButton6";
    case tbDeleteFile:
        return "bsSkinSpeedButton4";
    case tbRename:
        return "bsSkinSpeedButton2";
    case tbShare:
        return "bsSkinSpeedButton5";
    case tbUp:
        return "bsSkinSpeedButton7";
    case tbCreateDir:
        return "CreateDirButton";
    case tbDeleteDir:
        return "DelDirButton";
    case tbRemoveShare:
        return "bsSkinSpeedButton8";
    case tbSendShare:
        return "bsSkinSpeedButton9";
    }
    return "";
}

bool Checked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Check(HWND box, bool checked) {
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

} // namespace

TModalResult TTavoForm::ShowMessageBox(const std::string& text, TMessageKind kind,
                                       TMessageButtons buttons) {
    if (impl_->Retired)
        return TModalResult::mrCancel;
    return RunMessageBox(impl_->Instance, impl_->Window,
                         Wide(text, static_cast<UINT>(impl_->CodePage())), kind, buttons);
}

bool TTavoForm::AskText(const std::string& caption, const std::string& prompt, std::string& value) {
    if (impl_->Retired)
        return false;
    const auto codePage = static_cast<UINT>(impl_->CodePage());
    std::wstring text = Wide(value, codePage);
    if (!RunInputBox(impl_->Instance, impl_->Window, Wide(caption, codePage),
                     Wide(prompt, codePage), text))
        return false;
    value = Narrow(text, codePage);
    return true;
}

std::optional<std::string> TTavoForm::ChooseUploadFile(const std::string& initialFolder) {
    if (impl_->Retired)
        return std::nullopt;
    return ChooseUploadPath(impl_->Window, initialFolder);
}

std::optional<std::string> TTavoForm::ChooseSaveFile(const std::string& initialFolder,
                                                     const std::string& suggestedName) {
    if (impl_->Retired)
        return std::nullopt;
    return ChooseSavePath(impl_->Window, initialFolder, suggestedName);
}

void TTavoForm::ReportError(const std::string& message) {
    if (impl_->Retired)
        return;
    RunErrorReport(impl_->Window, Wide(message, static_cast<UINT>(impl_->CodePage())));
}

std::string TTavoForm::GetCurrentDirText() {
    return impl_->CurrentDir;
}

void TTavoForm::SetCurrentDirText(const std::string& text) {
    impl_->CurrentDir = text;
    SetWindowTextW(impl_->Hwnd("CurrentDirEdit"),
                   Wide(text, static_cast<UINT>(impl_->CodePage())).c_str());
}

std::string TTavoForm::GetConnectCaption() {
    if (impl_->ConnectCaption.empty())
        return Narrow(EditionString(impl_->Instance, impl_->Edition->Language, IDC_CONNECTBUTTON),
                      static_cast<UINT>(impl_->CodePage()));
    return impl_->ConnectCaption;
}

void TTavoForm::SetConnectButton(const std::string& caption, const std::string& hint) {
    HWND button = impl_->Hwnd("ConnectButton");
    const auto codePage = static_cast<UINT>(impl_->CodePage());
    impl_->ConnectCaption = caption;
    SetWindowTextW(button, Wide(caption, codePage).c_str());
    std::wstring wideHint = Wide(hint, codePage);
    impl_->Hints["ConnectButton"] = wideHint;
    std::wstring tip = TooltipText(wideHint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = impl_->Window;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = tip.data();
    SendMessageW(impl_->Tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // Resource names match without regard to case: this is the "RECONNECT" picture.
    if (HBITMAP picture = LoadNamedBitmap(impl_->Instance, "reconnect")) {
        HBITMAP& held = impl_->Pictures[button];
        if (held)
            DeleteObject(held);
        held = picture;
    }
    InvalidateRect(button, nullptr, TRUE);
}

void TTavoForm::SetConnectButtonEnabled(bool enabled) {
    EnableWindow(impl_->Hwnd("ConnectButton"), enabled);
}

void TTavoForm::RearmButton(TToolButton button) {
    HWND widget = impl_->Hwnd(ButtonField(button));
    EnableWindow(widget, FALSE);
    EnableWindow(widget, TRUE);
}

void TTavoForm::ShowShareCommands(bool visible) {
    impl_->Node("bsSkinSpeedButton5").Visible = visible;
    impl_->Node("CheckShareList").Visible = visible;
    if (impl_->ShareItemVisible != visible) {
        impl_->ShareItemVisible = visible;
        impl_->BuildMenus();
    }
    impl_->ApplyLayout();
}

bool TTavoForm::IsPassiveChecked() {
    return Checked(impl_->Hwnd("UsePassive"));
}
// Setting a box does not run its handler here: the controller runs it right after setting
// the box (the view contract), so a second run would show every panel change twice.
void TTavoForm::SetPassiveChecked(bool checked) {
    Check(impl_->Hwnd("UsePassive"), checked);
}
bool TTavoForm::IsShareListChecked() {
    return Checked(impl_->Hwnd("CheckShareList"));
}
void TTavoForm::SetShareListChecked(bool checked) {
    Check(impl_->Hwnd("CheckShareList"), checked);
}
void TTavoForm::SetShareListCheckEnabled(bool enabled) {
    EnableWindow(impl_->Hwnd("CheckShareList"), enabled);
}
bool TTavoForm::IsTraceChecked() {
    return Checked(impl_->Hwnd("TraceCheckBox"));
}

void TTavoForm::AppendTraceLine(const std::string& text) {
    HWND list = impl_->Hwnd("DebugListBox");
    std::wstring wide = Wide(text, static_cast<UINT>(impl_->CodePage()));
    const auto index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (index >= 0)
        SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

void TTavoForm::RemoveFirstTraceLine() {
    SendMessageW(impl_->Hwnd("DebugListBox"), LB_DELETESTRING, 0, 0);
}

void TTavoForm::ShowTracePanel(bool visible) {
    impl_->Panels.TraceShown = visible;
    impl_->ApplyLayout();
    // A form that sizes itself grows by the trace list rather than squeezing the file row.
    impl_->FollowNaturalSize();
}

void TTavoForm::ShowSharePanel(bool visible, const TSharePanelLayout& layout) {
    impl_->Panels.ShareShown = visible;
    if (visible) {
        // The controller's margins are designed sizes; the row's width is on the screen.
        const TScale scale = impl_->Scale();
        impl_->Panels.Panel6Width =
            scale.Unscale(impl_->Node("bsSkinPanel2").Placed.Width) - layout.RemotePanelMargin;
        impl_->Node("Panel7").Width = layout.SharePanelWidth;
    }
    impl_->ApplyLayout();
    if (visible)
        LayOutShareList(layout.ShareListHeightMargin, layout.ButtonsBarHeight);
}

void TTavoForm::LayOutShareList(int heightMargin, int buttonsBarHeight) {
    impl_->ApplyLayout();
    impl_->Panels.ShareListHeight =
        impl_->Scale().Unscale(impl_->Node("Panel6").Placed.Height) - heightMargin;
    impl_->Panels.ShareButtonsBarHeight = buttonsBarHeight;
    impl_->ApplyLayout();
}

} // namespace tavo::form
