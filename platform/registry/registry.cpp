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

namespace {

// The file names every key by its full path from this root.
constexpr const char* kRootName = "HKEY_CURRENT_USER";

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::string path;                      // as first spelled, components joined by '\'
    std::map<std::string, Value> values;   // by lower-case name
};

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

std::string lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool plainNameByte(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

// Key and value names may hold any byte; the file keeps letters, digits and "_-." and writes every
// other byte as %XX. The empty value name is "@".
std::string escapeName(const std::string& name)
{
    if (name.empty()) return "@";
    std::string out;
    for (unsigned char c : name) {
        if (plainNameByte(c)) {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unescapeName(const std::string& text)
{
    if (text == "@") return std::string();
    if (text.empty()) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            int hi = hexDigit(text[i + 1]);
            int lo = hexDigit(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if (plainNameByte(c)) {
            out += static_cast<char>(c);
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// Splits a sub-key into its components; empty components (doubled or outer separators) are dropped.
std::vector<std::string> splitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string joinPath(const std::string& base, const std::string& sub)
{
    if (base.empty()) return sub;
    if (sub.empty()) return base;
    return base + "\\" + sub;
}

std::string groupName(const std::string& path)
{
    std::string group = kRootName;
    for (const auto& part : splitPath(path)) {
        group += '\\';
        group += escapeName(part);
    }
    return group;
}

std::optional<std::string> pathOfGroup(const std::string& group)
{
    if (group.compare(0, std::strlen(kRootName), kRootName) != 0) return std::nullopt;
    std::string rest = group.substr(std::strlen(kRootName));
    if (rest.empty()) return std::string();
    if (rest[0] != '\\') return std::nullopt;
    std::string path;
    std::size_t pos = 1;
    for (;;) {
        std::size_t end = rest.find('\\', pos);
        auto part = unescapeName(rest.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (!part || part->empty()) return std::nullopt;
        path = joinPath(path, *part);
        if (end == std::string::npos) return path;
        pos = end + 1;
    }
}

bool isPlainString(const Value& v)
{
    if (v.data.empty() || v.data.back() != 0) return false;
    if (std::memchr(v.data.data(), 0, v.data.size() - 1) != nullptr) return false;
    return g_utf8_validate(reinterpret_cast<const char*>(v.data.data()), static_cast<gssize>(v.data.size() - 1),
                           nullptr);
}

// A value in the file: "dword:<decimal>", "sz:<text>", "expand_sz:<text>", or "hex(<type>):<bytes>".
std::string formatValue(const Value& v)
{
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD d;
        std::memcpy(&d, v.data.data(), 4);
        return "dword:" + std::to_string(d);
    }
    if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && isPlainString(v)) {
        std::string text(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1);
        return (v.type == REG_SZ ? "sz:" : "expand_sz:") + text;
    }
    std::string out = "hex(" + std::to_string(v.type) + "):";
    for (BYTE b : v.data) {
        char buf[3];
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out;
}

std::optional<unsigned long long> parseDecimal(const std::string& s, unsigned long long max)
{
    if (s.empty() || s.size() > 20) return std::nullopt;
    unsigned long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        if (v > (max - static_cast<unsigned>(c - '0')) / 10) return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return v;
}

bool parseValue(const std::string& text, Value& v)
{
    std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    const std::string tag = text.substr(0, colon);
    const std::string body = text.substr(colon + 1);
    if (tag == "dword") {
        auto d = parseDecimal(body, 0xFFFFFFFFull);
        if (!d) return false;
        DWORD dw = static_cast<DWORD>(*d);
        v.type = REG_DWORD;
        v.data.resize(4);
        std::memcpy(v.data.data(), &dw, 4);
        return true;
    }
    if (tag == "sz" || tag == "expand_sz") {
        v.type = tag == "sz" ? REG_SZ : REG_EXPAND_SZ;
        v.data.assign(body.begin(), body.end());
        v.data.push_back(0);
        return true;
    }
    if (tag.size() > 5 && tag.compare(0, 4, "hex(") == 0 && tag.back() == ')') {
        auto type = parseDecimal(tag.substr(4, tag.size() - 5), 0xFFFFFFFFull);
        if (!type || body.size() % 2 != 0) return false;
        v.type = static_cast<DWORD>(*type);
        v.data.clear();
        for (std::size_t i = 0; i < body.size(); i += 2) {
            int hi = hexDigit(body[i]);
            int lo = hexDigit(body[i + 1]);
            if (hi < 0 || lo < 0) return false;
            v.data.push_back(static_cast<BYTE>(hi * 16 + lo));
        }
        return true;
    }
    return false;
}

using KeyMap = std::map<std::string, Key>;  // by lower-case path; "" is the root

void addKey(KeyMap& keys, const std::string& path)
{
    std::string sofar;
    for (const auto& part : splitPath(path)) {
        sofar = joinPath(sofar, part);
        keys.try_emplace(lower(sofar), Key{sofar, {}});
    }
}

std::optional<KeyMap> parseFile(const char* text, gsize length, std::string& why)
{
    std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(), g_key_file_free);
    GError* error = nullptr;
    if (!g_key_file_load_from_data(file.get(), text, length, G_KEY_FILE_NONE, &error)) {
        why = error->message;
        g_error_free(error);
        return std::nullopt;
    }
    KeyMap keys;
    keys.emplace("", Key{});
    gsize groupCount = 0;
    gchar** groups = g_key_file_get_groups(file.get(), &groupCount);
    std::unique_ptr<gchar*, decltype(&g_strfreev)> groupsOwner(groups, g_strfreev);
    for (gsize g = 0; g < groupCount; ++g) {
        auto path = pathOfGroup(groups[g]);
        if (!path) {
            why = std::string("a key named \"") + groups[g] + "\"";
            return std::nullopt;
        }
        addKey(keys, *path);
        Key& key = keys[lower(*path)];
        gsize nameCount = 0;
        gchar** names = g_key_file_get_keys(file.get(), groups[g], &nameCount, nullptr);
        std::unique_ptr<gchar*, decltype(&g_strfreev)> namesOwner(names, g_strfreev);
        for (gsize n = 0; n < nameCount; ++n) {
            auto name = unescapeName(names[n]);
            gchar* raw = g_key_file_get_string(file.get(), groups[g], names[n], nullptr);
            Value value;
            bool ok = name && raw != nullptr && parseValue(raw, value);
            g_free(raw);
            if (!ok) {
                why = std::string("the value \"") + names[n] + "\" in [" + groups[g] + "]";
                return std::nullopt;
            }
            value.name = *name;
            key.values[lower(*name)] = std::move(value);
        }
    }
    return keys;
}

std::string serialise(const KeyMap& keys)
{
    std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(), g_key_file_free);
    g_key_file_set_comment(file.get(), nullptr, nullptr,
                           " Vantrel settings. Each value is type:data (dword, sz, expand_sz or hex(type)).",
                           nullptr);
    for (const auto& [id, key] : keys) {
        if (id.empty() && key.values.empty()) continue;
        const std::string group = groupName(key.path);
        if (key.values.empty()) {
            // A key without values is kept as an empty group.
            g_key_file_set_string(file.get(), group.c_str(), "@", "");
            g_key_file_remove_key(file.get(), group.c_str(), "@", nullptr);
        }
        for (const auto& [vid, value] : key.values) {
            g_key_file_set_string(file.get(), group.c_str(), escapeName(value.name).c_str(),
                                  formatValue(value).c_str());
        }
    }
    gsize length = 0;
    gchar* data = g_key_file_to_data(file.get(), &length, nullptr);
    std::string out(data, length);
    g_free(data);
    return out;
}

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

    // The file could not be read: it is kept, under another name, and the settings start empty.
    void SetAside(const std::string& why)
    {
        const std::string bad = m_path + ".bad";
        if (std::rename(m_path.c_str(), bad.c_str()) == 0) {
            std::fprintf(stderr, "vantrel: settings file %s cannot be read (%s); kept as %s, defaults in use\n",
                         m_path.c_str(), why.c_str(), bad.c_str());
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
        const std::string text = serialise(m_keys);
        gchar* dir = g_path_get_dirname(m_path.c_str());
        g_mkdir_with_parents(dir, 0700);
        g_free(dir);
        GError* error = nullptr;
        if (!g_file_set_contents(m_path.c_str(), text.data(), static_cast<gssize>(text.size()), &error)) {
            g_error_free(error);
            return false;
        }
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
