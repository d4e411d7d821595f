#pragma once

#include "engine/listing/list_item.h"

#include <string_view>

namespace tavo::engine {

// The format of a whole listing, judged from its first line. Without details the lines
// are plain names.
TIdFTPListFormat DetectListFormat(std::string_view firstLine, bool details);

} // namespace tavo::engine
