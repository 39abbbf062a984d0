#include "platform/registry/registry_file.h"

#include <glib.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/registry/registry.h"

namespace platform::registry {

std::string lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

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

namespace {

constexpr const char* kRootName = "HKEY_CURRENT_USER";

// What Windows editors put at the start of a UTF-8 file.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

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

}  // namespace

void addKey(KeyMap& keys, const std::string& path)
{
    std::string sofar;
    for (const auto& part : splitPath(path)) {
        sofar = joinPath(sofar, part);
        keys.try_emplace(lower(sofar), Key{sofar, {}});
    }
}

std::optional<KeyMap> parseFile(const char* text, std::size_t length, std::string& why)
{
    const std::size_t mark = sizeof kByteOrderMark - 1;
    if (length >= mark && std::memcmp(text, kByteOrderMark, mark) == 0) {
        text += mark;
        length -= mark;
    }
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

}  // namespace platform::registry
