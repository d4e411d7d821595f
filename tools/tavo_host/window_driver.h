#pragma once
// The scripted host's window mode: the real form in a top-level window, driven through its
// widgets as a user's input would arrive, while every view operation is printed in the same
// lines as without a screen. Windows flavours only.

#include "controller/catalogue.h"
#include "controller/tavo.h"
#include "tools/tavo_host/headless_view.h"

#include <memory>
#include <optional>
#include <string>

namespace tavo::host {

class TWindowDriver {
public:
    virtual ~TWindowDriver() = default;

    virtual controller::TTavo& Controller() = 0;
    // A command by its script verb ("connect", "download", ...): a click on its widget. False
    // for a verb that is no widget's.
    virtual bool Command(const std::string& verb) = 0;
    // Clicks the check box ("passive", "sharelist", "trace") so that it ends up as asked.
    virtual bool Check(const std::string& box, bool on) = 0;
    // Selects the remote row with that name (text in the edition's code page), none without.
    virtual void SelectRow(const std::optional<std::string>& name) = 0;
    virtual void SelectShareLine(int index) = 0; // -1: none
    // Answers for the next modal box of each kind, given as a user's input when it opens.
    virtual void QueueBoxAnswer(controller::TModalResult answer) = 0;
    virtual void QueueTextAnswer(const std::optional<std::string>& text) = 0;
    virtual void QueuePathAnswer(const std::optional<std::string>& path) = 0;
    // One tick of the form's five-second timer.
    virtual void Tick() = 0;
    virtual void PrintRows() = 0;
    // Handles the window messages waiting on this thread.
    virtual void Settle() = 0;
};

// False in flavours without windows.
bool WindowModeAvailable();
// Creates the form; the controller it owns prints through `printer`. Throws when the window
// cannot be made (no display).
std::unique_ptr<TWindowDriver> StartWindowDriver(THeadlessView& printer,
                                                 const controller::TCatalogue& catalogue);

} // namespace tavo::host
