#include "platform/files/files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

}  // namespace

BOOL CreateDirectoryA(LPCSTR path, void*)
{
    if (path == nullptr || path[0] == '\0') return fail(ERROR_PATH_NOT_FOUND);
    if (mkdir(path, 0777) == 0) return TRUE;
    // A missing folder above is "path not found", as on Windows, not "file not found".
    return fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : platform::kernel::ErrorFromErrno(errno));
}

DWORD GetFileAttributesA(LPCSTR path)
{
    struct stat st;
    if (path == nullptr || stat(path, &st) != 0) {
        SetLastError(path == nullptr ? ERROR_INVALID_PARAMETER : platform::kernel::ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    std::string name(path);
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    std::size_t slash = name.rfind('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.size() > 1 && base[0] == '.' && base != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL DeleteFileA(LPCSTR path)
{
    if (path == nullptr) return fail(ERROR_INVALID_PARAMETER);
    struct stat st;
    if (lstat(path, &st) == 0 && S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
    if (unlink(path) == 0) return TRUE;
    return fail(platform::kernel::ErrorFromErrno(errno));
}

BOOL PathFileExistsA(LPCSTR path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? TRUE : FALSE; }

namespace platform::files {

CString DataFolder()
{
    std::string folder;
    const char* dir = std::getenv("VANTREL_DATA_DIR");
    if (dir != nullptr && dir[0] != '\0') {
        folder = dir;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* pw = getpwuid(getuid());
            home = pw != nullptr ? pw->pw_dir : "/tmp";
        }
        folder = std::string(home) + "/IRData";
    }
    if (folder.back() != '/') folder += '/';
    return CString(folder);
}

}  // namespace platform::files
