// The form's public face: creating and destroying it, finding its widgets, and the form's own
// look (colour, font) and size.

#include "form/tavo_form.h"

#include "form/form_private.h"

#include <commctrl.h>

namespace tavo::form {

using namespace controller;

TTavoForm::TTavoForm(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}

TTavoForm::~TTavoForm() {
    if (impl_->Window) {
        KillTimer(impl_->Window, Timer1Id);
        KillTimer(impl_->Window, RepaintTimerId);
    }
    impl_->Tavo.reset();
    if (impl_->Window) {
        SetWindowLongPtrW(impl_->Window, GWLP_USERDATA, 0);
        DestroyWindow(impl_->Window);
    }
    if (impl_->Tooltip && IsWindow(impl_->Tooltip))
        DestroyWindow(impl_->Tooltip);
    if (impl_->SharePictures)
        ImageList_Destroy(impl_->SharePictures);
    for (HMENU menu : {impl_->Menus[0], impl_->Menus[1], impl_->MenuTemplate})
        if (menu)
            DestroyMenu(menu);
    for (auto& [widget, picture] : impl_->Pictures)
        if (picture)
            DeleteObject(picture);
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(impl_->FormFont), static_cast<HGDIOBJ>(impl_->ArialFont),
          static_cast<HGDIOBJ>(impl_->MenuFont), static_cast<HGDIOBJ>(impl_->PanelBrush),
          static_cast<HGDIOBJ>(impl_->WhiteBrush), static_cast<HGDIOBJ>(impl_->FormBrush)})
        if (object)
            DeleteObject(object);
}

std::unique_ptr<TTavoForm> TTavoForm::Create(HINSTANCE instance, HWND parent,
                                             const TCatalogue* catalogue,
                                             const TViewWrapper& wrapView) {
    auto impl = std::make_unique<TImpl>();
    impl->Instance = instance;
    impl->Catalogue = catalogue ? catalogue : &EditionCatalogue();
    impl->Edition =
        impl->Catalogue == &EnglishCatalogue() ? &EnglishFormEdition() : &ChineseFormEdition();
    impl->TopLevel = parent == nullptr;
    std::unique_ptr<TTavoForm> form(new TTavoForm(std::move(impl)));
    TImpl& self = *form->impl_;
    self.View = form.get();
    self.Build(parent);
    if (!self.Window)
        return nullptr;
    if (wrapView)
        self.View = &wrapView(*form);
    TTavoOptions options;
    options.Catalogue = self.Catalogue;
    self.Tavo = std::make_unique<TTavo>(*self.View, std::move(options));
    self.Tavo->FormCreate();
    SetTimer(self.Window, Timer1Id, 5000, nullptr);
    ShowWindow(self.Window, SW_SHOW);
    UpdateWindow(self.Window);
    return form;
}

HWND TTavoForm::Handle() const {
    return impl_->Window;
}

HWND TTavoForm::Widget(std::string_view fieldName) const {
    return impl_->Hwnd(fieldName);
}

int TTavoForm::WidgetId(std::string_view fieldName) {
    const TWidgetSpec* spec = FindWidgetSpec(fieldName);
    return spec ? spec->Id : -1;
}

HMENU TTavoForm::PopupMenu(int number) const {
    return number == 1 ? impl_->Menus[0] : number == 3 ? impl_->Menus[1] : nullptr;
}

std::wstring TTavoForm::Hint(std::string_view fieldName) const {
    auto it = impl_->Hints.find(fieldName);
    return it == impl_->Hints.end() ? std::wstring() : it->second;
}

bool TTavoForm::HintShown(std::string_view fieldName) const {
    HWND widget = Widget(fieldName);
    if (!widget)
        return false;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = impl_->Window;
    tool.uId = reinterpret_cast<UINT_PTR>(widget);
    return SendMessageW(impl_->Tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void TTavoForm::Retire() {
    impl_->Retired = true;
    ShowWindow(impl_->Window, SW_HIDE);
}

void TTavoForm::SetColor(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (impl_->FormBrush)
        DeleteObject(impl_->FormBrush);
    impl_->FormBrush = brush;
    InvalidateRect(impl_->Window, nullptr, TRUE);
}

LOGFONTW TTavoForm::FormFont() const {
    LOGFONTW font{};
    GetObjectW(impl_->FormFont, sizeof font, &font);
    return font;
}

void TTavoForm::SetFormFont(const LOGFONTW& font) {
    HFONT created = CreateFontIndirectW(&font);
    if (!created)
        return;
    HFONT old = impl_->FormFont;
    impl_->FormFont = created;
    auto retarget = [&](HWND window) {
        if (reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)) == old)
            SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(created), FALSE);
    };
    retarget(impl_->Window);
    for (HWND widget : impl_->Windows)
        if (widget)
            retarget(widget);
    DeleteObject(old);
    RedrawWindow(impl_->Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TTavoForm::SetAutoScroll(bool on) {
    impl_->AutoScroll = on;
    impl_->ApplyLayout();
}

void TTavoForm::SetScaling(bool scaled, int pixelsPerInch) {
    if (pixelsPerInch <= 0)
        return;
    impl_->Scaled = scaled;
    impl_->PixelsPerInch = pixelsPerInch;
    impl_->ApplyScale();
}

SIZE TTavoForm::NaturalSize() const {
    return impl_->NaturalWindowSize();
}

void TTavoForm::SetAutoSize(bool on, std::function<void(SIZE)> askForSize) {
    impl_->AutoSize = on;
    impl_->AskForSize = std::move(askForSize);
    impl_->FollowNaturalSize();
}

void TTavoForm::SetDoubleBuffered(bool on) {
    impl_->DoubleBuffered = on;
    const LONG_PTR extended = GetWindowLongPtrW(impl_->Window, GWL_EXSTYLE);
    SetWindowLongPtrW(impl_->Window, GWL_EXSTYLE,
                      on ? extended | WS_EX_COMPOSITED
                         : extended & ~static_cast<LONG_PTR>(WS_EX_COMPOSITED));
    RedrawWindow(impl_->Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

TTavo& TTavoForm::Controller() {
    return *impl_->Tavo;
}

void TTavoForm::Resize(int width, int height) {
    if (impl_->TopLevel) {
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(impl_->Window, GWL_STYLE)),
                           FALSE, 0);
        SetWindowPos(impl_->Window, nullptr, 0, 0, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(impl_->Window, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    impl_->ApplyLayout();
}

} // namespace tavo::form
