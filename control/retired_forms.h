#pragma once
// Forms whose control was released from inside a command of their own controller (a page
// that drops the control while a transfer waits, say). They are destroyed once that command
// has left the stack; until then they count as live objects, so the library stays loaded.

#include "form/tavo_form.h"

#include <memory>

namespace tavo::control {

// Drops the form's control and data connections without a word to the server; its boxes
// answer Cancel unseen from now on.
void DropConnections(form::TTavoForm& form);
void DestroyWhenIdle(std::unique_ptr<form::TTavoForm> form) noexcept;

} // namespace tavo::control
