// The program's 13 persistent settings and their loading from and saving to the registry.
#pragma once

#include <cstdint>

#include "platform/kernel/CString.h"
#include "platform/kernel/win_types.h"

// SettingEntry::type: the kind in the low 4 bits, SETTING_PAIR for a minimum/maximum pair.
inline constexpr std::uint32_t SETTING_DOUBLE = 0;
inline constexpr std::uint32_t SETTING_INT = 1;
inline constexpr std::uint32_t SETTING_STRING = 2;
inline constexpr std::uint32_t SETTING_PAIR = 0x80;
inline constexpr std::uint32_t SETTING_KIND_MASK = 0x0F;

// The 64-byte value area, read by the entry's type.
union SettingValue {
    double dValue;
    std::int32_t nValue;
    char szValue[64];        // at most 63 characters and the terminator
    double dPair[2];         // minimum, maximum
    std::int32_t nPair[2];   // minimum, maximum
    unsigned char bytes[64];
};

struct SettingEntry {
    SettingValue value;
    char key[256];    // also forms the registry value name
    char desc[256];   // UTF-8
    char name2[256];
    std::uint32_t type;
    std::uint32_t word2;
};

// The entries' indexes in the table.
enum AppSettingIndex : int {
    SETTING_MMaxTempture = 0,
    SETTING_MMinTempture,
    SETTING_MaxTempture,
    SETTING_MinTempture,
    SETTING_LeakageMaxTempture,
    SETTING_LeakageMinTempture,
    SETTING_Language,
    SETTING_TemptureAlarm,
    SETTING_AutoMaxTempture,
    SETTING_MouseTempture,
    SETTING_CoefK,
    SETTING_CoefB,
    SETTING_FlipMirror,
    SETTING_COUNT
};

// Loads every entry from root\subKey, value names prefix + key (pairs: prefix + "Min"/"Max" + key).
// Entries whose value is missing or of another type keep theirs. Returns the status of the last
// query (ERROR_INVALID_DATA for a wrong type), or the status of opening the key.
LONG ReadRegSettings(CString strSubKey, CString strPrefix, SettingEntry* pTable, int nCount, HKEY hRoot);
// Saves every entry; returns the status of opening or creating the key.
LONG WriteRegSettings(CString strSubKey, CString strPrefix, SettingEntry* pTable, int nCount, HKEY hRoot);

class CAppSettings {
public:
    // Fills the table with the defaults and loads it from HKEY_CURRENT_USER\Vantrel.
    CAppSettings();
    // Saves the table.
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    SettingEntry& operator[](int index) { return m_Entries[index]; }
    const SettingEntry& operator[](int index) const { return m_Entries[index]; }

    SettingEntry m_Entries[SETTING_COUNT];
};
