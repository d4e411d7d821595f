#pragma once

#include "engine/listing/list_item.h"

#include <string_view>

namespace tavo::engine {

// The format of a whole listing, judged from its first line. Without details the lines
// are plain names.
TIdFTPListFormat DetectListFormat(std::string_view firstLine, bool details);

// True when an MS-DOS style line starts with a date of four-digit year (MM-DD-YYYY).
bool HasFourDigitYear(std::string_view line);

} // namespace tavo::engine
