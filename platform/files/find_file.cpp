#include "platform/files/find_file.h"

#include <dirent.h>
#include <fnmatch.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel/handle_table.h"

namespace {

class FindObject : public platform::kernel::KernelObject {
public:
    FindObject(DIR* dir, std::string folder, std::string pattern)
        : m_dir(dir), m_folder(std::move(folder)), m_pattern(std::move(pattern))
    {
    }
    ~FindObject() override { closedir(m_dir); }

    // The next matching entry; false at the end.
    bool Next(WIN32_FIND_DATAA* data)
    {
        std::lock_guard lock(m_mutex);
        while (const dirent* entry = readdir(m_dir)) {
            // Longer names than the record holds cannot be given whole; they are passed over.
            if (!Matches(entry->d_name) || std::strlen(entry->d_name) >= MAX_PATH)
                continue;
            std::strcpy(data->cFileName, entry->d_name);
            data->dwFileAttributes = GetFileAttributesA((m_folder + entry->d_name).c_str());
            if (data->dwFileAttributes == INVALID_FILE_ATTRIBUTES)
                data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;  // gone since, or a dangling link
            return true;
        }
        return false;
    }

private:
    bool Matches(const char* name) const
    {
        return m_pattern == "*.*" || fnmatch(m_pattern.c_str(), name, FNM_CASEFOLD) == 0;
    }

    std::mutex m_mutex;
    DIR* m_dir;
    std::string m_folder;  // with its trailing '/'
    std::string m_pattern;
};

HANDLE Fail(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    if (pattern == nullptr || data == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    const std::string path(pattern);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    const std::string mask = slash == std::string::npos ? path : path.substr(slash + 1);
    if (mask.empty())
        return Fail(ERROR_FILE_NOT_FOUND);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return Fail(ERROR_PATH_NOT_FOUND);
    auto find = std::make_shared<FindObject>(dir, folder, mask);
    if (!find->Next(data))
        return Fail(ERROR_FILE_NOT_FOUND);
    return platform::kernel::RegisterHandle(find);
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data)
{
    auto object = platform::kernel::LookupHandleAs<FindObject>(find);
    if (!object || data == nullptr) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->Next(data))
        return TRUE;
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
}

BOOL FindClose(HANDLE find)
{
    if (!platform::kernel::LookupHandleAs<FindObject>(find)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(find);
}
