#pragma once
// Local files with 64-bit offsets, opened so that other programs may still read and write them.

#include <cstdint>
#include <cstdio>
#include <string>

namespace tavo::platform {

enum class FileMode { Read, CreateNew /* create or truncate */, ReadWrite /* must exist */ };

bool FileExists(const std::string& path);
// Null on failure, with the system's error text in `error`.
std::FILE* OpenFile(const std::string& path, FileMode mode, std::string& error);
bool SeekFile(std::FILE* file, int64_t offset, int origin);
int64_t TellFile(std::FILE* file);
bool TruncateFile(std::FILE* file, int64_t size);

} // namespace tavo::platform
