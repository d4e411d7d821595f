#pragma once
// How a block of the control connection becomes lines of the trace panel.

#include <cstddef>
#include <string>
#include <vector>

namespace tavo::controller {

// Lines the trace list keeps: the newest ones. The list lives as long as the control, and a
// chatty or hostile server would otherwise grow it without end.
inline constexpr size_t MaxTraceLines = 10000;

// A block that begins with "PASS" in any case carries the password and is left out whole.
bool IsPasswordBlock(const std::string& data);

// The block's lines: each ends at a CR, and an LF right after that CR goes with it; a lone
// LF stays inside its line. A block that ends in CR gives no empty line after it. Each block
// is split on its own, so a line the network cut in two shows as two lines.
std::vector<std::string> TraceLines(const std::string& data);

} // namespace tavo::controller
