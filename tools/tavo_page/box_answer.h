#pragma once
// A user's answer to a box the control opens, for scripted runs of a page. The box may open
// while the page's script waits in the control (a log-in from a creation handler asking about
// the server's certificate), so the answer comes from the host's click timer, which the box's
// own message loop runs.

#include <windows.h>

#include <string>

namespace tavo::page {

// Whether the action is an answer ("answer:yes", "answer:no", "answer:ok", "answer:cancel").
bool IsBoxAnswer(const std::string& action);

// Presses the answer's button in the box the control `form` has open on this thread. Returns
// false while no box is open; throws for an answer the box has no button for.
bool AnswerOpenBox(HWND form, const std::string& action);

} // namespace tavo::page
