#include "foundation/CAppSettings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/registry/registry.h"
#include "tests/platform_registry/temp_config.h"

namespace {

class SettingsTest : public TempConfigHome {
protected:
    static void Set(LPCSTR name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Vantrel", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
    static void SetDword(LPCSTR name, std::int32_t value) { Set(name, REG_DWORD, &value, 4); }

    // The stored signed value, or nullopt when it is missing or not a REG_DWORD.
    static std::optional<std::int32_t> Dword(LPCSTR name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Vantrel", 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
        DWORD type = 0, size = 4;
        std::int32_t v = 0;
        LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || type != REG_DWORD || size != 4) return std::nullopt;
        return v;
    }

    // A one-entry table of the given key and type, its value zeroed.
    static SettingEntry Entry(const char* key, std::uint32_t type)
    {
        SettingEntry e;
        std::memset(&e, 0, sizeof e);
        std::strcpy(e.key, key);
        std::strcpy(e.name2, key);
        e.type = type;
        return e;
    }
};

struct Expected {
    const char* key;
    const char* desc;
    const char* name2;
    std::uint32_t type;
    std::uint32_t word2;
    double value;
};

const Expected kTable[SETTING_COUNT] = {
    {"MMaxTempture", "最最高温度", "MMaxTempture", SETTING_INT, 2, 20000},
    {"MMinTempture", "最最低温度", "MMinTempture", SETTING_INT, 2, 16000},
    {"MaxTempture", "最高温度", "MaxTempture", SETTING_INT, 2, 20000},
    {"MinTempture", "最低温度", "MinTempture", SETTING_INT, 2, 16000},
    {"LeakageMaxTempture", "漏电最高温度", "LeakageMaxTempture", SETTING_DOUBLE, 2, 36.0},
    {"LeakageMinTempture", "漏电最低温度", "LeakageMinTempture", SETTING_DOUBLE, 2, 34.0},
    {"Language", "语言", "Language", SETTING_INT, 2, 0},
    {"TemptureAlarm", "高温报警", "TemptureAlarm", SETTING_INT, 2, 1},
    {"AutoMaxTempture", "自动最高温", "AutoMaxTempture", SETTING_INT, 2, 1},
    {"MouseTempture", "鼠标跟随温度", "MouseTempture", SETTING_INT, 2, 1},
    {"CoefK", "k", "k", SETTING_DOUBLE, 1, 1.0},
    {"CoefB", "b", "b", SETTING_DOUBLE, 1, 0.0},
    {"FlipMirror", "翻转镜像", "FlipMirror", SETTING_INT, 1, 0},
};

bool zeroAfter(const char* field, std::size_t size, std::size_t from)
{
    for (std::size_t i = from; i < size; ++i) {
        if (field[i] != 0) return false;
    }
    return true;
}

TEST_F(SettingsTest, FillsTheTableWithItsDefaults)
{
    CAppSettings s;
    for (int i = 0; i < SETTING_COUNT; ++i) {
        const SettingEntry& e = s[i];
        const Expected& x = kTable[i];
        SCOPED_TRACE(x.key);
        EXPECT_STREQ(x.key, e.key);
        EXPECT_STREQ(x.desc, e.desc);
        EXPECT_STREQ(x.name2, e.name2);
        EXPECT_EQ(x.type, e.type);
        EXPECT_EQ(x.word2, e.word2);
        EXPECT_TRUE(zeroAfter(e.key, sizeof e.key, std::strlen(e.key)));
        EXPECT_TRUE(zeroAfter(e.desc, sizeof e.desc, std::strlen(e.desc)));
        EXPECT_TRUE(zeroAfter(e.name2, sizeof e.name2, std::strlen(e.name2)));
        if (x.type == SETTING_INT) {
            EXPECT_EQ(static_cast<std::int32_t>(x.value), e.value.nValue);
            EXPECT_TRUE(zeroAfter(e.value.szValue, sizeof e.value.szValue, 4));
        } else {
            EXPECT_EQ(x.value, e.value.dValue);
            EXPECT_TRUE(zeroAfter(e.value.szValue, sizeof e.value.szValue, 8));
        }
    }
    EXPECT_EQ(&s.m_Entries[SETTING_Language], &s[6]);
}

TEST_F(SettingsTest, FirstRunWritesThirteenDwords)
{
    EXPECT_FALSE(std::filesystem::exists(File()));
    { CAppSettings s; }
    for (const auto& x : kTable) {
        EXPECT_TRUE(Dword((std::string("g_") + x.key).c_str()).has_value()) << x.key;
    }
    const std::string text = Read(File());
    std::size_t values = 0;
    for (std::size_t at = 0; (at = text.find("=dword:", at)) != std::string::npos; ++at) ++values;
    EXPECT_EQ(13u, values) << text;
    EXPECT_EQ(10000, Dword("g_CoefK"));
    EXPECT_EQ(0, Dword("g_CoefB"));
    EXPECT_EQ(360000, Dword("g_LeakageMaxTempture"));
    EXPECT_EQ(340000, Dword("g_LeakageMinTempture"));
    EXPECT_EQ(20000, Dword("g_MMaxTempture"));
    EXPECT_EQ(1, Dword("g_TemptureAlarm"));
}

TEST_F(SettingsTest, ANegativeStoredDoubleLoadsAndSavesAgain)
{
    SetDword("g_CoefB", -25000);
    {
        CAppSettings s;
        EXPECT_EQ(-2.5, s[SETTING_CoefB].value.dValue);
    }
    EXPECT_EQ(-25000, Dword("g_CoefB"));
}

TEST_F(SettingsTest, DoublesAreSavedTruncatedToFourDecimals)
{
    {
        CAppSettings s;
        s[SETTING_CoefK].value.dValue = 1.23456;
    }
    EXPECT_EQ(12345, Dword("g_CoefK"));
    CAppSettings again;
    EXPECT_EQ(1.2345, again[SETTING_CoefK].value.dValue);
}

struct DoubleCase {
    double value;
    std::int32_t stored;
};

class DoubleStorage : public SettingsTest, public ::testing::WithParamInterface<DoubleCase> {};

TEST_P(DoubleStorage, TruncatesTowardZeroAndHoldsAtTheEnds)
{
    SettingEntry e = Entry("D", SETTING_DOUBLE);
    e.value.dValue = GetParam().value;
    ASSERT_EQ(ERROR_SUCCESS, WriteRegSettings("Vantrel", "g_", &e, 1, HKEY_CURRENT_USER));
    EXPECT_EQ(GetParam().stored, Dword("g_D"));
}

INSTANTIATE_TEST_SUITE_P(All, DoubleStorage,
                         ::testing::Values(DoubleCase{1.0, 10000}, DoubleCase{0.00005, 0}, DoubleCase{-1.23456, -12345},
                                           DoubleCase{36.0, 360000}, DoubleCase{214748.3647, 2147483647},
                                           DoubleCase{1e9, INT32_MAX}, DoubleCase{-1e9, INT32_MIN},
                                           DoubleCase{std::numeric_limits<double>::quiet_NaN(), 0}));

TEST_F(SettingsTest, ALanguageStoredAsTextIsIgnored)
{
    Set("g_Language", REG_SZ, "1", 2);
    SetDword("g_FlipMirror", 1);
    CAppSettings s;
    EXPECT_EQ(0, s[SETTING_Language].value.nValue);
    EXPECT_EQ(1, s[SETTING_FlipMirror].value.nValue) << "the others still load";
}

TEST_F(SettingsTest, ADamagedFileGivesDefaultsAndTheNextSaveIsValid)
{
    WriteFile("[HKEY_CURRENT_USER\\Vantrel]\ng_Language=dword:1\ng_CoefK=dword:twelve\n");
    ::testing::internal::CaptureStderr();
    {
        CAppSettings s;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
        EXPECT_EQ(0, s[SETTING_Language].value.nValue);
        EXPECT_EQ(1.0, s[SETTING_CoefK].value.dValue);
        s[SETTING_Language].value.nValue = 1;
    }
    EXPECT_NE(std::string::npos, Read(BadFile()).find("twelve"));
    ReloadFromDisk();
    CAppSettings again;
    EXPECT_EQ(1, again[SETTING_Language].value.nValue);
    EXPECT_EQ(1.0, again[SETTING_CoefK].value.dValue);
}

// All 13 settings, none at its default, as the file holds them.
const char* const kAllSettings[] = {
    "[HKEY_CURRENT_USER\\Vantrel]",  "g_MMaxTempture=dword:21000",      "g_MMinTempture=dword:15000",
    "g_MaxTempture=dword:21001",      "g_MinTempture=dword:15001",       "g_LeakageMaxTempture=dword:405000",
    "g_LeakageMinTempture=dword:302500", "g_Language=dword:1",           "g_TemptureAlarm=dword:0",
    "g_AutoMaxTempture=dword:0",      "g_MouseTempture=dword:0",         "g_CoefK=dword:15000",
    "g_CoefB=dword:4294942296",       "g_FlipMirror=dword:3",
};

struct EncodingCase {
    const char* label;
    const char* start;  // before the first line
    const char* lineEnd;
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.label; }

class FileEncodings : public SettingsTest, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(FileEncodings, LoadEveryStoredSetting)
{
    std::string text = GetParam().start;
    for (const char* line : kAllSettings)
        text += std::string(line) + GetParam().lineEnd;
    WriteFile(text);
    CAppSettings s;
    const double stored[SETTING_COUNT] = {21000, 15000, 21001, 15001, 40.5, 30.25, 1, 0, 0, 0, 1.5, -2.5, 3};
    for (int i = 0; i < SETTING_COUNT; ++i) {
        const SettingEntry& e = s[i];
        EXPECT_EQ(stored[i], e.type == SETTING_DOUBLE ? e.value.dValue : e.value.nValue) << e.key;
    }
    EXPECT_FALSE(std::filesystem::exists(BadFile())) << "the file was read, not kept aside";
}

INSTANTIATE_TEST_SUITE_P(All, FileEncodings,
                         ::testing::Values(EncodingCase{"plain", "", "\n"}, EncodingCase{"crlf", "", "\r\n"},
                                           EncodingCase{"byte_order_mark", "\xEF\xBB\xBF", "\n"},
                                           EncodingCase{"byte_order_mark_and_crlf", "\xEF\xBB\xBF", "\r\n"}),
                         [](const auto& info) { return std::string(info.param.label); });

struct StatusCase {
    const char* name;
    bool lastWrongType;
    bool lastMissing;
    bool firstMissing;
    LONG status;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class ReadStatus : public SettingsTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ReadStatus, IsThatOfTheLastQuery)
{
    const auto& c = GetParam();
    SettingEntry table[2] = {Entry("A", SETTING_INT), Entry("B", SETTING_INT)};
    table[0].value.nValue = -1;
    table[1].value.nValue = -1;
    if (!c.firstMissing) SetDword("g_A", 5);
    if (c.lastWrongType) {
        Set("g_B", REG_BINARY, "\x01\x00\x00\x00", 4);
    } else if (!c.lastMissing) {
        SetDword("g_B", 6);
    } else {
        SetDword("g_Unrelated", 0);
    }
    EXPECT_EQ(c.status, ReadRegSettings("Vantrel", "g_", table, 2, HKEY_CURRENT_USER));
    EXPECT_EQ(c.firstMissing ? -1 : 5, table[0].value.nValue);
    EXPECT_EQ(c.lastWrongType || c.lastMissing ? -1 : 6, table[1].value.nValue);
}

INSTANTIATE_TEST_SUITE_P(All, ReadStatus,
                         ::testing::Values(StatusCase{"all_read", false, false, false, ERROR_SUCCESS},
                                           StatusCase{"last_wrong_type", true, false, false, ERROR_INVALID_DATA},
                                           StatusCase{"last_missing", false, true, false, ERROR_FILE_NOT_FOUND},
                                           StatusCase{"only_first_missing", false, false, true, ERROR_SUCCESS}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, AMissingKeyReadsNothing)
{
    SettingEntry e = Entry("A", SETTING_INT);
    e.value.nValue = 7;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegSettings("Vantrel", "g_", &e, 1, HKEY_CURRENT_USER));
    EXPECT_EQ(7, e.value.nValue);
}

TEST_F(SettingsTest, PairsUseMinAndMaxValues)
{
    SettingEntry table[2] = {Entry("Range", SETTING_INT | SETTING_PAIR), Entry("Span", SETTING_DOUBLE | SETTING_PAIR)};
    table[0].value.nPair[0] = -5;
    table[0].value.nPair[1] = 9;
    table[1].value.dPair[0] = 0.5;
    table[1].value.dPair[1] = 2.25;
    ASSERT_EQ(ERROR_SUCCESS, WriteRegSettings("Vantrel", "g_", table, 2, HKEY_CURRENT_USER));
    EXPECT_EQ(-5, Dword("g_MinRange"));
    EXPECT_EQ(9, Dword("g_MaxRange"));
    EXPECT_EQ(5000, Dword("g_MinSpan"));
    EXPECT_EQ(22500, Dword("g_MaxSpan"));

    SetDword("g_MinRange", 1);
    Set("g_MaxSpan", REG_SZ, "x", 2);
    SettingEntry loaded[2] = {Entry("Range", SETTING_INT | SETTING_PAIR), Entry("Span", SETTING_DOUBLE | SETTING_PAIR)};
    EXPECT_EQ(ERROR_INVALID_DATA, ReadRegSettings("Vantrel", "g_", loaded, 2, HKEY_CURRENT_USER));
    EXPECT_EQ(1, loaded[0].value.nPair[0]);
    EXPECT_EQ(9, loaded[0].value.nPair[1]);
    EXPECT_EQ(0.5, loaded[1].value.dPair[0]);
    EXPECT_EQ(0.0, loaded[1].value.dPair[1]) << "each half on its own";
}

TEST_F(SettingsTest, StringsAreSavedWithTheirTerminator)
{
    SettingEntry e = Entry("Name", SETTING_STRING);
    std::strcpy(e.value.szValue, "热像");
    ASSERT_EQ(ERROR_SUCCESS, WriteRegSettings("Vantrel", "g_", &e, 1, HKEY_CURRENT_USER));
    SettingEntry loaded = Entry("Name", SETTING_STRING);
    EXPECT_EQ(ERROR_SUCCESS, ReadRegSettings("Vantrel", "g_", &loaded, 1, HKEY_CURRENT_USER));
    EXPECT_STREQ("热像", loaded.value.szValue);

    // A value area without a terminator goes out as its first 63 bytes.
    std::memset(e.value.szValue, 'x', sizeof e.value.szValue);
    ASSERT_EQ(ERROR_SUCCESS, WriteRegSettings("Vantrel", "g_", &e, 1, HKEY_CURRENT_USER));
    EXPECT_EQ(ERROR_SUCCESS, ReadRegSettings("Vantrel", "g_", &loaded, 1, HKEY_CURRENT_USER));
    EXPECT_EQ(std::string(63, 'x'), loaded.value.szValue);
}

struct StringCase {
    const char* name;
    DWORD type;
    std::string data;
    LONG status;
    const char* loaded;  // NULL: the default stays
};

void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }

class StringLoading : public SettingsTest, public ::testing::WithParamInterface<StringCase> {};

TEST_P(StringLoading, TakesOnlyTerminatedTextThatFits)
{
    const auto& c = GetParam();
    Set("g_Name", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
    SettingEntry e = Entry("Name", SETTING_STRING);
    std::strcpy(e.value.szValue, "default");
    EXPECT_EQ(c.status, ReadRegSettings("Vantrel", "g_", &e, 1, HKEY_CURRENT_USER));
    EXPECT_STREQ(c.loaded != nullptr ? c.loaded : "default", e.value.szValue);
}

INSTANTIATE_TEST_SUITE_P(
    All, StringLoading,
    ::testing::Values(StringCase{"sz", REG_SZ, std::string("abc", 4), ERROR_SUCCESS, "abc"},
                      StringCase{"expand_sz", REG_EXPAND_SZ, std::string("$HOME", 6), ERROR_SUCCESS, "$HOME"},
                      StringCase{"empty_data", REG_SZ, std::string(), ERROR_SUCCESS, ""},
                      StringCase{"no_terminator", REG_SZ, "abc", ERROR_INVALID_DATA, nullptr},
                      StringCase{"sixty_three_chars", REG_SZ, std::string(63, 'y') + '\0', ERROR_SUCCESS,
                                 "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy"},
                      StringCase{"too_long", REG_SZ, std::string(64, 'y') + '\0', ERROR_MORE_DATA, nullptr},
                      StringCase{"dword", REG_DWORD, std::string("\x01\x00\x00\x00", 4), ERROR_INVALID_DATA, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
