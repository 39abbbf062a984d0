// The registry under the current user, kept in a typed key file:
// $XDG_CONFIG_HOME/vantrel/registry.ini (else ~/.config/vantrel/registry.ini).
//
// Keys and value names compare without regard to ASCII case, as on Windows. Each value keeps its
// type and its exact bytes. Changes reach the file when the handle they were made through is
// closed; the file is replaced atomically, keeping its permissions, and a symbolic link named
// registry.ini is written through to its target. A file that cannot be read counts as holding no
// keys: it is moved aside to registry.ini.bad, or registry.ini.bad.1, .2, ... when that is taken
// (one line on standard error says so), and the next write makes a new, valid file. Files saved
// by Windows editors (a UTF-8 byte-order mark, CRLF line ends) are read as they are.
#pragma once

#include <string>

#include "platform/kernel/win_errors.h"
#include "platform/kernel/win_types.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_MULTI_SZ 7u
#define REG_QWORD 11u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu

#define REG_OPTION_NON_VOLATILE 0x0000u

#define REG_CREATED_NEW_KEY 1u
#define REG_OPENED_EXISTING_KEY 2u

// ERROR_FILE_NOT_FOUND when the key does not exist; ERROR_INVALID_HANDLE for a bad root.
// subKey NULL or "" opens the root again. Separators are backslashes.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// Opens the key, creating it and the keys above it when missing. className, options and the
// security attributes are not used; disposition (may be NULL) tells which happened.
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                     void* securityAttributes, PHKEY result, LPDWORD disposition);
// The value's type and data. data NULL: only the size is reported. A buffer smaller than the data
// gives ERROR_MORE_DATA with the needed size in *dataSize and the buffer untouched. Missing value:
// ERROR_FILE_NOT_FOUND. Needs KEY_QUERY_VALUE access.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
// Stores the bytes as given (a string's terminator is part of dataSize). Needs KEY_SET_VALUE access;
// ERROR_ACCESS_DENIED also when the settings file could not be read and was not moved aside.
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
// Writes the changes made so far and releases the handle. ERROR_WRITE_FAULT when the file could
// not be written; the changes stay pending for the next close.
LONG RegCloseKey(HKEY key);

namespace platform::registry {

// Where the registry lives for the current environment.
std::string FilePath();

}  // namespace platform::registry
