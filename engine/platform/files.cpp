#include "engine/platform/files.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavo::platform {

#ifdef _WIN32
namespace {

// A file that is not there yet is made without the truncation of "wb". Wine opens such a
// file and then truncates it, and ext4 writes out a truncated file when it is closed (its
// guard for files rewritten in place): closing a fresh 256 MiB download held the user's
// thread for about 60 ms. Null where the file exists (it is then truncated as before).
std::FILE* CreateExclusively(const std::string& path) {
    const int fd = _sopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr)
        _close(fd);
    return file;
}

} // namespace
#endif

bool FileExists(const std::string& path) {
#ifdef _WIN32
    struct _stat64 info;
    return _stat64(path.c_str(), &info) == 0 && (info.st_mode & _S_IFREG) != 0;
#else
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

std::FILE* OpenFile(const std::string& path, FileMode mode, std::string& error) {
    const char* how = mode == FileMode::Read ? "rb" : mode == FileMode::CreateNew ? "wb" : "r+b";
#ifdef _WIN32
    std::FILE* file = mode == FileMode::CreateNew ? CreateExclusively(path) : nullptr;
    if (file == nullptr)
        file = _fsopen(path.c_str(), how, _SH_DENYNO);
#else
    std::FILE* file = std::fopen(path.c_str(), how);
#endif
    if (file == nullptr)
        error = std::strerror(errno);
    return file;
}

bool SeekFile(std::FILE* file, int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(file, offset, origin) == 0;
#else
    return ::fseeko(file, static_cast<off_t>(offset), origin) == 0;
#endif
}

int64_t TellFile(std::FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<int64_t>(::ftello(file));
#endif
}

bool TruncateFile(std::FILE* file, int64_t size) {
    std::fflush(file);
#ifdef _WIN32
    return _chsize_s(_fileno(file), size) == 0;
#else
    return ::ftruncate(::fileno(file), static_cast<off_t>(size)) == 0;
#endif
}

} // namespace tavo::platform
