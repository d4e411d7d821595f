#include "control/retired_forms.h"

#include "control/module.h"

#include <vector>

namespace tavo::control {
namespace {

constexpr UINT_PTR SweepTimerId = 0x7A51;
constexpr UINT SweepEveryMs = 100;

std::vector<std::unique_ptr<form::TTavoForm>>& Retired() {
    static std::vector<std::unique_ptr<form::TTavoForm>> forms;
    return forms;
}

void CALLBACK Sweep(HWND window, UINT, UINT_PTR id, DWORD) {
    auto& forms = Retired();
    for (auto it = forms.begin(); it != forms.end();) {
        if ((*it)->Controller().CallsOnStack()) {
            ++it;
            continue;
        }
        // Move it out first: destroying a form runs window messages, and with them this timer.
        std::unique_ptr<form::TTavoForm> form = std::move(*it);
        it = forms.erase(it);
        form.reset();
        ObjectCountDown();
    }
    if (forms.empty())
        KillTimer(window, id);
}

} // namespace

void DropConnections(form::TTavoForm& form) {
    // Nobody is left to answer a box about the failure that follows.
    form.Retire();
    // Without QUIT or ABOR, as destroying the engine would: the command that waits on either
    // connection fails at once and leaves the stack.
    if (auto* ftp = form.Controller().IdFTP1()) {
        if (ftp->IsConnected())
            ftp->DropConnection();
        ftp->AbortTransfer(); // with the control connection gone, this only drops the data one
    }
}

void DestroyWhenIdle(std::unique_ptr<form::TTavoForm> form) noexcept {
    // Out of the container's window, which may go before the command ends.
    SetParent(form->Handle(), ParkingWindow());
    ObjectCountUp();
    try {
        DropConnections(*form);
        Retired().push_back(std::move(form));
    } catch (...) {
        // Called from the control's destructor: with no room to remember the form, it stays
        // until the process ends (the count keeps the library loaded), since destroying it
        // now would pull it from under the command that still runs in it.
        if (form)
            (void)form.release();
        return;
    }
    SetTimer(ParkingWindow(), SweepTimerId, SweepEveryMs, Sweep);
}

} // namespace tavo::control
