#pragma once
// The control's one window on Windows: the form TTavo (TTavo2 in the English edition) built
// from the platform's common controls. It owns its widgets and the controller, and is the
// controller's view: every ITavoView operation lands on the widget its field name says.
//
// The form is either a top-level window (a standalone host) or a child of the container that
// embeds the control; in both cases its layout follows the client size given to Resize().

#include "controller/catalogue.h"
#include "controller/tavo.h"
#include "controller/view.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>

namespace tavo::form {

class TTavoForm : public controller::ITavoView {
public:
    // Creates the window and its widgets, then runs the controller's FormCreate. A null
    // parent makes a top-level window; a null catalogue means the edition this program was
    // built as. Returns null when the window cannot be created.
    //
    // A host that watches what the form shows passes wrapView: the controller then talks to
    // the view it returns (one that passes every operation on to the form), not to the form.
    using TViewWrapper = std::function<controller::ITavoView&(TTavoForm& form)>;
    static std::unique_ptr<TTavoForm> Create(HINSTANCE instance, HWND parent,
                                             const controller::TCatalogue* catalogue = nullptr,
                                             const TViewWrapper& wrapView = {});
    ~TTavoForm() override;
    TTavoForm(const TTavoForm&) = delete;
    TTavoForm& operator=(const TTavoForm&) = delete;

    // The form's own window.
    HWND Handle() const;
    // A widget by the form's field name ("ConnectButton", "ListViewRemote", "Splitter1", ...);
    // null for a name the form does not have.
    HWND Widget(std::string_view fieldName) const;
    // The child-window identifier the form gives that widget, so that a program holding only
    // the form's window (a page host) finds it; -1 for a name the form does not have.
    static int WidgetId(std::string_view fieldName);
    // The pop-up menus: 1 for the remote list's (PopupMenu1), 3 for the share list's
    // (PopupMenu3); null for any other number.
    HMENU PopupMenu(int number) const;
    // The hint stored on a widget (lines separated by CR); empty when it has none.
    std::wstring Hint(std::string_view fieldName) const;
    // True when the widget's hint appears as a tooltip.
    bool HintShown(std::string_view fieldName) const;
    // Pop-up menu items are drawn by the form; an item's data is its caption
    // (const wchar_t*), null for a separator line.
    controller::TTavo& Controller();
    // Lays the form out for a new client size (the container's, or the top-level window's).
    void Resize(int width, int height);
    // The form is going away while a command of its controller still runs further up the
    // stack: from now on boxes answer Cancel and choosers nothing, without showing, and the
    // window stays hidden, so the command ends by itself.
    void Retire();
    // The colour of the form's own surface (where no widget covers it).
    void SetColor(COLORREF colour);
    // The form's font; setting it gives the form and the widgets that use it the new font.
    LOGFONTW FormFont() const;
    void SetFormFont(const LOGFONTW& font);

    // ---- The form's own properties; each acts at once.
    // With AutoScroll (on at creation) a client area smaller than the designed one shows
    // scroll bars, and the widgets keep the designed size and scroll; without it they squeeze
    // into the client area.
    void SetAutoScroll(bool on);
    // Scaled (at creation: true, designed at 96 pixels per inch): the designed sizes, the
    // designed client area and the form's fixed fonts are scaled from pixelsPerInch to the
    // screen's resolution. Unscaled, they are used as designed. pixelsPerInch must be positive.
    void SetScaling(bool scaled, int pixelsPerInch);
    // The window size at which every widget has its designed size: the designed client area
    // (taller by the trace list while it shows) within the window's frame.
    SIZE NaturalSize() const;
    // With AutoSize the form takes its natural size now and whenever that changes: it asks for
    // it through askForSize when given (an embedded form asks its container), and otherwise
    // sizes its own window.
    void SetAutoSize(bool on, std::function<void(SIZE)> askForSize = {});
    // Painting through an off-screen buffer: the form composites itself and its widgets
    // (WS_EX_COMPOSITED) and its panes draw into a bitmap first, so moving a splitter or
    // resizing does not flicker.
    void SetDoubleBuffered(bool on);

    // ---- ITavoView.
    void SetStatusText(const std::string& text) override;
    controller::TModalResult ShowMessageBox(const std::string& text, controller::TMessageKind kind,
                                            controller::TMessageButtons buttons) override;
    bool AskText(const std::string& caption, const std::string& prompt,
                 std::string& value) override;
    std::optional<std::string> ChooseUploadFile(const std::string& initialFolder) override;
    std::optional<std::string> ChooseSaveFile(const std::string& initialFolder,
                                              const std::string& suggestedName) override;
    void ReportError(const std::string& message) override;
    void ClearRemoteRows() override;
    void AddRemoteRow(const controller::TRemoteRow& row) override;
    std::optional<controller::TSelectedRow> SelectedRemoteRow() override;
    std::string SelectedRemoteSize() override;
    std::string GetCurrentDirText() override;
    void SetCurrentDirText(const std::string& text) override;
    std::string GetConnectCaption() override;
    void SetConnectButton(const std::string& caption, const std::string& hint) override;
    void SetConnectButtonEnabled(bool enabled) override;
    void RearmButton(controller::TToolButton button) override;
    void ShowShareCommands(bool visible) override;
    void PlaceProgressBar() override;
    void SetProgressMax(int32_t count) override;
    void SetProgressPosition(int32_t count) override;
    bool IsPassiveChecked() override;
    void SetPassiveChecked(bool checked) override;
    bool IsShareListChecked() override;
    void SetShareListChecked(bool checked) override;
    void SetShareListCheckEnabled(bool enabled) override;
    bool IsTraceChecked() override;
    void AppendTraceLine(const std::string& text) override;
    void RemoveFirstTraceLine() override;
    void ShowTracePanel(bool visible) override;
    void ShowSharePanel(bool visible, const controller::TSharePanelLayout& layout) override;
    void LayOutShareList(int heightMargin, int buttonsBarHeight) override;
    std::vector<std::string> ShareLines() override;
    void AddShareLine(const std::string& line) override;
    bool RemoveSelectedShareLine() override;

    struct TImpl;

private:
    explicit TTavoForm(std::unique_ptr<TImpl> impl);
    std::unique_ptr<TImpl> impl_;
};

} // namespace tavo::form
