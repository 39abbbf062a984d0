#include "platform/registry/registry.h"

#include <glib.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/registry/registry_file.h"
#include "platform/registry/registry_storage.h"

namespace {

using namespace platform::registry;

struct OpenKey {
    std::string path;  // lower case
    REGSAM access;
};

// What identifies the file's content without reading it.
struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{};
    bool operator==(const FileStamp& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

std::optional<FileStamp> stampOf(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

class Store {
public:
    // The model for the file of the current environment, read again when the file changed and no
    // change of ours is pending.
    void Refresh()
    {
        const std::string path = platform::registry::FilePath();
        if (m_loaded && path == m_path) {
            if (m_dirty || stampOf(path) == m_stamp) return;
        } else if (m_loaded && m_dirty) {
            Flush();
        }
        Load(path);
    }

    LONG Open(HKEY parent, LPCSTR subKey, REGSAM access, bool create, PHKEY result, LPDWORD disposition)
    {
        if (result == nullptr) return ERROR_INVALID_PARAMETER;
        std::string base;
        if (!PathOf(parent, base)) return ERROR_INVALID_HANDLE;
        Refresh();
        std::string path = base;
        for (const auto& part : splitPath(subKey != nullptr ? subKey : "")) path = joinPath(path, part);
        const std::string id = lower(path);
        bool exists = m_keys.count(id) != 0;
        if (!exists && !create) return ERROR_FILE_NOT_FOUND;
        if (!exists) {
            if (!m_writable) return ERROR_ACCESS_DENIED;
            addKey(m_keys, path);
            m_dirty = true;
        }
        if (disposition != nullptr) *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
        m_next += 4;
        HKEY h = reinterpret_cast<HKEY>(m_next);
        m_open.emplace(h, OpenKey{id, access});
        *result = h;
        return ERROR_SUCCESS;
    }

    LONG Query(HKEY handle, LPCSTR valueName, LPDWORD type, LPBYTE data, LPDWORD dataSize)
    {
        if (handle == HKEY_CURRENT_USER) Refresh();
        const OpenKey* open = Find(handle);
        if (open == nullptr) return ERROR_INVALID_HANDLE;
        if ((open->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
        if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
        auto key = m_keys.find(open->path);
        if (key == m_keys.end()) return ERROR_FILE_NOT_FOUND;
        auto it = key->second.values.find(lower(valueName != nullptr ? valueName : ""));
        if (it == key->second.values.end()) return ERROR_FILE_NOT_FOUND;
        const Value& v = it->second;
        if (type != nullptr) *type = v.type;
        if (dataSize == nullptr) return ERROR_SUCCESS;
        const auto size = static_cast<DWORD>(v.data.size());
        if (data != nullptr) {
            if (*dataSize < size) {
                *dataSize = size;
                return ERROR_MORE_DATA;
            }
            if (size > 0) std::memcpy(data, v.data.data(), size);
        }
        *dataSize = size;
        return ERROR_SUCCESS;
    }

    LONG Set(HKEY handle, LPCSTR valueName, DWORD type, const BYTE* data, DWORD dataSize)
    {
        if (handle == HKEY_CURRENT_USER) Refresh();
        const OpenKey* open = Find(handle);
        if (open == nullptr) return ERROR_INVALID_HANDLE;
        if ((open->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
        if (data == nullptr && dataSize != 0) return ERROR_INVALID_PARAMETER;
        if (!m_writable) return ERROR_ACCESS_DENIED;
        auto key = m_keys.find(open->path);
        if (key == m_keys.end()) {
            // The file was replaced from outside since this key was opened; the key comes back.
            addKey(m_keys, open->path);
            key = m_keys.find(open->path);
        }
        Value v;
        v.name = valueName != nullptr ? valueName : "";
        v.type = type;
        if (dataSize != 0) v.data.assign(data, data + dataSize);
        key->second.values[lower(v.name)] = std::move(v);
        m_dirty = true;
        return ERROR_SUCCESS;
    }

    LONG Close(HKEY handle)
    {
        if (handle == HKEY_CURRENT_USER) return ERROR_SUCCESS;
        if (m_open.erase(handle) == 0) return ERROR_INVALID_HANDLE;
        if (m_dirty && !Flush()) return ERROR_WRITE_FAULT;
        return ERROR_SUCCESS;
    }

    std::mutex mutex;

private:
    bool PathOf(HKEY handle, std::string& path)
    {
        if (handle == HKEY_CURRENT_USER) {
            path.clear();
            return true;
        }
        const OpenKey* open = Find(handle);
        if (open == nullptr) return false;
        auto key = m_keys.find(open->path);
        path = key != m_keys.end() ? key->second.path : open->path;
        return true;
    }

    const OpenKey* Find(HKEY handle)
    {
        if (handle == HKEY_CURRENT_USER) {
            static const OpenKey root{"", KEY_ALL_ACCESS};
            return &root;
        }
        auto it = m_open.find(handle);
        return it == m_open.end() ? nullptr : &it->second;
    }

    void Load(const std::string& path)
    {
        m_path = path;
        m_loaded = true;
        m_dirty = false;
        m_writable = true;
        m_keys.clear();
        m_keys.emplace("", Key{});
        gchar* text = nullptr;
        gsize length = 0;
        GError* error = nullptr;
        std::string why;
        if (g_file_get_contents(path.c_str(), &text, &length, &error)) {
            auto keys = parseFile(text, length, why);
            g_free(text);
            if (keys) {
                m_keys = std::move(*keys);
                m_stamp = stampOf(path);
                return;
            }
        } else {
            bool missing = g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
            why = error->message;
            g_error_free(error);
            if (missing) {
                m_stamp.reset();
                return;
            }
        }
        SetAside(why);
    }

    // The file could not be read: it is kept, under a name of its own, and the settings start empty.
    void SetAside(const std::string& why)
    {
        if (auto kept = KeepAside(LinkTarget(m_path))) {
            std::fprintf(stderr, "vantrel: settings file %s cannot be read (%s); kept as %s, defaults in use\n",
                         m_path.c_str(), why.c_str(), kept->c_str());
            m_stamp.reset();
        } else {
            std::fprintf(stderr,
                         "vantrel: settings file %s cannot be read (%s) nor moved aside (%s); defaults in use, "
                         "settings not saved\n",
                         m_path.c_str(), why.c_str(), std::strerror(errno));
            m_writable = false;
            m_stamp = stampOf(m_path);
        }
    }

    bool Flush()
    {
        if (!ReplaceContents(m_path, serialise(m_keys)))
            return false;
        m_dirty = false;
        m_stamp = stampOf(m_path);
        return true;
    }

    std::string m_path;
    bool m_loaded = false;
    bool m_dirty = false;
    bool m_writable = true;
    std::optional<FileStamp> m_stamp;
    KeyMap m_keys;
    std::unordered_map<HKEY, OpenKey> m_open;
    std::uintptr_t m_next = 0x1000;
};

Store& store()
{
    static Store* s = new Store;  // never destroyed: settings are saved during static destruction
    return *s;
}

}  // namespace

namespace platform::registry {

std::string FilePath()
{
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* pw = getpwuid(getuid());
            home = pw != nullptr ? pw->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/vantrel/registry.ini";
}

}  // namespace platform::registry

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    Store& s = store();
    std::lock_guard lock(s.mutex);
    return s.Open(key, subKey, access, false, result, nullptr);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, void*, PHKEY result,
                     LPDWORD disposition)
{
    Store& s = store();
    std::lock_guard lock(s.mutex);
    return s.Open(key, subKey, access, true, result, disposition);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    Store& s = store();
    std::lock_guard lock(s.mutex);
    return s.Query(key, valueName, type, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    Store& s = store();
    std::lock_guard lock(s.mutex);
    return s.Set(key, valueName, type, data, dataSize);
}

LONG RegCloseKey(HKEY key)
{
    Store& s = store();
    std::lock_guard lock(s.mutex);
    return s.Close(key);
}

