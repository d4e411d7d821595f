// The protocol trace: every block on the control connection as lines of the trace list, and
// the last received block kept for the outcome check.

#include "controller/tavo_internal.h"
#include "controller/trace_text.h"

namespace tavo::controller {

void TTavo::AddTraceText(const std::string& prefix, const std::string& data) {
    if (IsPasswordBlock(data))
        return;
    for (const std::string& line : TraceLines(data))
        TraceLine(prefix + line);
}

void TTavo::TraceLine(const std::string& line) {
    view_.AppendTraceLine(line);
    if (++traceLineCount_ > MaxTraceLines) {
        view_.RemoveFirstTraceLine();
        --traceLineCount_;
    }
}

void TTavo::IdLogEvent1Sent(engine::TIdLogEvent& /*sender*/, const std::string& /*text*/,
                            const std::string& data) {
    // Names go out in UTF-8 to a server that agreed to it; the trace shows them as typed.
    AddTraceText(catalogue_.TracePrefixSent, ShownServerText(data));
}

void TTavo::IdLogEvent1Received(engine::TIdLogEvent& /*sender*/, const std::string& /*text*/,
                                const std::string& data) {
    AddTraceText(catalogue_.TracePrefixReceived, ShownServerText(data));
    Module().LastServerText = data;
}

void TTavo::TraceCheckBoxClick() {
    const bool checked = view_.IsTraceChecked();
    // While the hook is off, LastServerText keeps the last block received before.
    if (idFTP1_ != nullptr)
        idFTP1_->Intercept = checked ? &idLogEvent1_ : nullptr;
    view_.ShowTracePanel(checked);
    view_.LayOutShareList(50, 28);
}

} // namespace tavo::controller
