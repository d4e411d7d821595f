// Skeleton: the widgets follow.
#include "form/tavo_form.h"

namespace tavo::form {
using namespace controller;

struct TTavoForm::TImpl {
    HWND window = nullptr;
    std::unique_ptr<TTavo> tavo;
};

TTavoForm::TTavoForm(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}
TTavoForm::~TTavoForm() = default;
std::unique_ptr<TTavoForm> TTavoForm::Create(HINSTANCE, HWND, const TCatalogue*) {
    return nullptr;
}
HWND TTavoForm::Handle() const {
    return impl_->window;
}
HWND TTavoForm::Widget(std::string_view) const {
    return nullptr;
}
HMENU TTavoForm::PopupMenu(int) const {
    return nullptr;
}
TTavo& TTavoForm::Controller() {
    return *impl_->tavo;
}
void TTavoForm::Resize(int, int) {}
void TTavoForm::SetStatusText(const std::string&) {}
TModalResult TTavoForm::ShowMessageBox(const std::string&, TMessageKind, TMessageButtons) {
    return mrCancel;
}
bool TTavoForm::AskText(const std::string&, const std::string&, std::string&) {
    return false;
}
std::optional<std::string> TTavoForm::ChooseUploadFile(const std::string&) {
    return {};
}
std::optional<std::string> TTavoForm::ChooseSaveFile(const std::string&, const std::string&) {
    return {};
}
void TTavoForm::ReportError(const std::string&) {}
void TTavoForm::ClearRemoteRows() {}
void TTavoForm::AddRemoteRow(const TRemoteRow&) {}
std::optional<TSelectedRow> TTavoForm::SelectedRemoteRow() {
    return {};
}
std::string TTavoForm::SelectedRemoteSize() {
    return {};
}
std::string TTavoForm::GetCurrentDirText() {
    return "/";
}
void TTavoForm::SetCurrentDirText(const std::string&) {}
std::string TTavoForm::GetConnectCaption() {
    return {};
}
void TTavoForm::SetConnectButton(const std::string&, const std::string&) {}
void TTavoForm::SetConnectButtonEnabled(bool) {}
void TTavoForm::RearmButton(TToolButton) {}
void TTavoForm::ShowShareCommands(bool) {}
void TTavoForm::PlaceProgressBar() {}
void TTavoForm::SetProgressMax(int32_t) {}
void TTavoForm::SetProgressPosition(int32_t) {}
bool TTavoForm::IsPassiveChecked() {
    return false;
}
void TTavoForm::SetPassiveChecked(bool) {}
bool TTavoForm::IsShareListChecked() {
    return false;
}
void TTavoForm::SetShareListChecked(bool) {}
void TTavoForm::SetShareListCheckEnabled(bool) {}
bool TTavoForm::IsTraceChecked() {
    return false;
}
void TTavoForm::AppendTraceLine(const std::string&) {}
void TTavoForm::RemoveFirstTraceLine() {}
void TTavoForm::ShowTracePanel(bool) {}
void TTavoForm::ShowSharePanel(bool, const TSharePanelLayout&) {}
void TTavoForm::LayOutShareList(int, int) {}
std::vector<std::string> TTavoForm::ShareLines() {
    return {};
}
void TTavoForm::AddShareLine(const std::string&) {}
bool TTavoForm::RemoveSelectedShareLine() {
    return false;
}

} // namespace tavo::form
