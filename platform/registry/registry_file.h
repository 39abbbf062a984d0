// The registry's keys and values as the settings file holds them: a GLib key file with one group
// a key, named by its full path from HKEY_CURRENT_USER, and one entry a value, "type:data".
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/win_types.h"

namespace platform::registry {

struct Value {
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const Value&) const = default;
};

struct Key {
    std::string path;                      // as first spelled, components joined by '\'
    std::map<std::string, Value> values;   // by lower-case name
    bool operator==(const Key&) const = default;
};

using KeyMap = std::map<std::string, Key>;  // by lower-case path; "" is the root

// Names compare without regard to ASCII case: maps are keyed by this form.
std::string lower(std::string s);
// A sub-key's components; empty components (doubled or outer separators) are dropped.
std::vector<std::string> splitPath(const std::string& path);
std::string joinPath(const std::string& base, const std::string& sub);
// Adds the key and every key above it that is missing.
void addKey(KeyMap& keys, const std::string& path);

// The keys of a settings file's text, or nullopt with the reason in `why` when the text is not
// one. A UTF-8 byte-order mark at the start is passed over; lines may end in CRLF.
std::optional<KeyMap> parseFile(const char* text, std::size_t length, std::string& why);
// The text of a settings file holding the keys; parseFile reads it back as they are.
std::string serialise(const KeyMap& keys);

}  // namespace platform::registry
