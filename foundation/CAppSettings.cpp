#include "foundation/CAppSettings.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/registry/registry.h"

namespace {

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;
constexpr double kDoubleScale = 10000.0;

struct Default {
    const char* key;
    const char* desc;
    const char* name2;  // NULL: as key
    std::uint32_t type;
    std::uint32_t word2;
    double value;  // stored as an int32 for SETTING_INT
};

constexpr Default kDefaults[SETTING_COUNT] = {
    {"MMaxTempture", "最最高温度", nullptr, SETTING_INT, 2, 20000},
    {"MMinTempture", "最最低温度", nullptr, SETTING_INT, 2, 16000},
    {"MaxTempture", "最高温度", nullptr, SETTING_INT, 2, 20000},
    {"MinTempture", "最低温度", nullptr, SETTING_INT, 2, 16000},
    {"LeakageMaxTempture", "漏电最高温度", nullptr, SETTING_DOUBLE, 2, 36.0},
    {"LeakageMinTempture", "漏电最低温度", nullptr, SETTING_DOUBLE, 2, 34.0},
    {"Language", "语言", nullptr, SETTING_INT, 2, 0},
    {"TemptureAlarm", "高温报警", nullptr, SETTING_INT, 2, 1},
    {"AutoMaxTempture", "自动最高温", nullptr, SETTING_INT, 2, 1},
    {"MouseTempture", "鼠标跟随温度", nullptr, SETTING_INT, 2, 1},
    {"CoefK", "k", "k", SETTING_DOUBLE, 1, 1.0},
    {"CoefB", "b", "b", SETTING_DOUBLE, 1, 0.0},
    {"FlipMirror", "翻转镜像", nullptr, SETTING_INT, 1, 0},
};

void copyText(char (&field)[256], const char* text)
{
    std::strncpy(field, text, sizeof field - 1);
    field[sizeof field - 1] = '\0';
}

// A double goes to the registry as trunc(value * 10000) in a signed 32-bit integer. Values beyond
// that range are held at its ends (and NaN is 0) instead of overflowing.
std::int32_t storedDouble(double value)
{
    const double scaled = std::trunc(value * kDoubleScale);
    if (std::isnan(scaled)) return 0;
    if (scaled >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (scaled <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(scaled);
}

// The minimum (0) or maximum (1) of a pair of the kind.
void* pairHalf(SettingValue& value, std::uint32_t kind, int half)
{
    return kind == SETTING_DOUBLE ? static_cast<void*>(&value.dPair[half]) : &value.nPair[half];
}

// Reads one REG_DWORD into *target (an int32, or a double for kind SETTING_DOUBLE).
LONG readNumber(HKEY key, const CString& name, std::uint32_t kind, void* target)
{
    DWORD type = REG_NONE;
    std::int32_t data = 0;
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &size);
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_DWORD || size != sizeof data) return ERROR_INVALID_DATA;
    if (kind == SETTING_DOUBLE) {
        *static_cast<double*>(target) = data / kDoubleScale;
    } else {
        *static_cast<std::int32_t*>(target) = data;
    }
    return ERROR_SUCCESS;
}

LONG readString(HKEY key, const CString& name, SettingValue& value)
{
    DWORD type = REG_NONE;
    char data[sizeof value.szValue] = {};
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(data), &size);
    if (status != ERROR_SUCCESS) return status;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || (size > 0 && data[size - 1] != '\0')) return ERROR_INVALID_DATA;
    std::memset(value.szValue, 0, sizeof value.szValue);
    std::memcpy(value.szValue, data, size);
    return ERROR_SUCCESS;
}

void writeNumber(HKEY key, const CString& name, std::uint32_t kind, const void* source)
{
    const std::int32_t data = kind == SETTING_DOUBLE ? storedDouble(*static_cast<const double*>(source))
                                                     : *static_cast<const std::int32_t*>(source);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void writeString(HKEY key, const CString& name, const SettingValue& value)
{
    // The area may lack its terminator; at most 63 characters go out, with one.
    char data[sizeof value.szValue];
    std::memcpy(data, value.szValue, sizeof data);
    data[sizeof data - 1] = '\0';
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                   static_cast<DWORD>(std::strlen(data) + 1));
}

}  // namespace

LONG ReadRegSettings(CString strSubKey, CString strPrefix, SettingEntry* pTable, int nCount, HKEY hRoot)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(hRoot, strSubKey, 0, kAccess, &key);
    if (status != ERROR_SUCCESS) return status;
    for (int i = 0; i < nCount; ++i) {
        SettingEntry& e = pTable[i];
        const std::uint32_t kind = e.type & SETTING_KIND_MASK;
        if (kind == SETTING_STRING) {
            status = readString(key, strPrefix + e.key, e.value);
        } else if (kind == SETTING_DOUBLE || kind == SETTING_INT) {
            if (e.type & SETTING_PAIR) {
                status = readNumber(key, strPrefix + "Min" + e.key, kind, pairHalf(e.value, kind, 0));
                status = readNumber(key, strPrefix + "Max" + e.key, kind, pairHalf(e.value, kind, 1));
            } else {
                status = readNumber(key, strPrefix + e.key, kind, &e.value);
            }
        }
    }
    RegCloseKey(key);
    return status;
}

LONG WriteRegSettings(CString strSubKey, CString strPrefix, SettingEntry* pTable, int nCount, HKEY hRoot)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(hRoot, strSubKey, 0, kAccess, &key);
    if (status != ERROR_SUCCESS) {
        status = RegCreateKeyExA(hRoot, strSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr, &key,
                                 nullptr);
        if (status != ERROR_SUCCESS) return status;
    }
    for (int i = 0; i < nCount; ++i) {
        SettingEntry& e = pTable[i];
        const std::uint32_t kind = e.type & SETTING_KIND_MASK;
        if (kind == SETTING_STRING) {
            writeString(key, strPrefix + e.key, e.value);
        } else if (kind == SETTING_DOUBLE || kind == SETTING_INT) {
            if (e.type & SETTING_PAIR) {
                writeNumber(key, strPrefix + "Min" + e.key, kind, pairHalf(e.value, kind, 0));
                writeNumber(key, strPrefix + "Max" + e.key, kind, pairHalf(e.value, kind, 1));
            } else {
                writeNumber(key, strPrefix + e.key, kind, &e.value);
            }
        }
    }
    RegCloseKey(key);
    return ERROR_SUCCESS;
}

CAppSettings::CAppSettings()
{
    std::memset(m_Entries, 0, sizeof m_Entries);
    for (int i = 0; i < SETTING_COUNT; ++i) {
        const Default& d = kDefaults[i];
        SettingEntry& e = m_Entries[i];
        copyText(e.key, d.key);
        copyText(e.desc, d.desc);
        copyText(e.name2, d.name2 != nullptr ? d.name2 : d.key);
        e.type = d.type;
        e.word2 = d.word2;
        if (d.type == SETTING_INT) {
            e.value.nValue = static_cast<std::int32_t>(d.value);
        } else {
            e.value.dValue = d.value;
        }
    }
    ReadRegSettings("Vantrel", "g_", m_Entries, SETTING_COUNT, HKEY_CURRENT_USER);
}

CAppSettings::~CAppSettings() { WriteRegSettings("Vantrel", "g_", m_Entries, SETTING_COUNT, HKEY_CURRENT_USER); }
