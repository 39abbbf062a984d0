#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

#include "tests/platform_registry/temp_config.h"

namespace {

class RegistryTest : public TempConfigHome {
protected:
    HKEY Create(LPCSTR path, REGSAM access = KEY_ALL_ACCESS)
    {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                                  nullptr));
        return key;
    }

    HKEY Open(LPCSTR path, REGSAM access = KEY_READ | KEY_WRITE)
    {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key));
        return key;
    }

    static void SetDword(HKEY key, LPCSTR name, DWORD value)
    {
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4));
    }

    // The value's type and bytes, or the status when the query fails.
    static LONG Get(HKEY key, LPCSTR name, DWORD& type, std::vector<BYTE>& data)
    {
        DWORD size = 0;
        LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        data.assign(size, 0);
        return RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    }
};

TEST_F(RegistryTest, OpeningAMissingKeyFails)
{
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Vantrel", 0, KEY_READ, &key));
    EXPECT_FALSE(std::filesystem::exists(File())) << "reading creates no file";
}

TEST_F(RegistryTest, CreateReportsNewThenExistingAndKeysIgnoreCase)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Vantrel\\Sub", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "VANTREL\\sub", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    RegCloseKey(key);
    RegCloseKey(Open("vantrel"));  // the key above was made too

    ReloadFromDisk();
    RegCloseKey(Open("Vantrel\\Sub"));  // an empty key survives the file
}

TEST_F(RegistryTest, DwordRoundTripsThroughTheFile)
{
    HKEY key = Create("Vantrel");
    SetDword(key, "g_CoefB", static_cast<DWORD>(-25000));
    RegCloseKey(key);
    EXPECT_NE(std::string::npos, Read(File()).find("g_CoefB=dword:4294942296"));

    ReloadFromDisk();
    key = Open("Vantrel");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(ERROR_SUCCESS, Get(key, "G_COEFB", type, data));
    EXPECT_EQ(REG_DWORD, type);
    ASSERT_EQ(4u, data.size());
    std::int32_t v;
    std::memcpy(&v, data.data(), 4);
    EXPECT_EQ(-25000, v);
    RegCloseKey(key);
}

struct ValueCase {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << "\"" << c.name << "\" type " << c.type; }

class RegistryValues : public RegistryTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(RegistryValues, KeepTypeAndExactBytesThroughTheFile)
{
    const auto& c = GetParam();
    HKEY key = Create("Vantrel");
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, c.name, 0, c.type, c.data.empty() ? nullptr : c.data.data(),
                                            static_cast<DWORD>(c.data.size())));
    RegCloseKey(key);
    ReloadFromDisk();
    key = Open("Vantrel");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(ERROR_SUCCESS, Get(key, c.name, type, data));
    EXPECT_EQ(c.type, type);
    EXPECT_EQ(c.data, data);
    RegCloseKey(key);
}

std::vector<BYTE> bytes(const char* s, std::size_t n) { return std::vector<BYTE>(s, s + n); }

INSTANTIATE_TEST_SUITE_P(
    All, RegistryValues,
    ::testing::Values(ValueCase{"g_Language", REG_SZ, bytes("1", 2)},
                      ValueCase{"text with spaces = and [brackets]", REG_SZ, bytes(" lead\ttab\nline\\", 16)},
                      ValueCase{"语言", REG_SZ, bytes("中文", 7)},
                      ValueCase{"no terminator", REG_SZ, bytes("abc", 3)},
                      ValueCase{"inner nul", REG_SZ, bytes("a\0b", 4)},
                      ValueCase{"not utf8", REG_SZ, bytes("\xff\xfe", 3)},
                      ValueCase{"path", REG_EXPAND_SZ, bytes("%HOME%/x", 9)},
                      ValueCase{"blob", REG_BINARY, bytes("\x00\x01\xff", 3)},
                      ValueCase{"empty", REG_BINARY, {}},
                      ValueCase{"short dword", REG_DWORD, bytes("\x01\x02", 2)},
                      ValueCase{"", REG_DWORD, bytes("\x07\x00\x00\x00", 4)},
                      ValueCase{"%41 looks escaped", 99, bytes("x", 1)}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(RegistryTest, QueryReportsSizesAndShortBuffers)
{
    HKEY key = Create("Vantrel");
    const char text[] = "hello";
    RegSetValueExA(key, "s", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);

    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "s", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(6u, size);

    BYTE small[4] = {'x', 'x', 'x', 'x'};
    size = sizeof small;
    type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "s", nullptr, &type, small, &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ('x', small[0]) << "a short buffer is left alone";

    BYTE big[16] = {};
    size = sizeof big;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "s", nullptr, nullptr, big, &size));
    EXPECT_EQ(6u, size);
    EXPECT_STREQ("hello", reinterpret_cast<char*>(big));

    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "s", nullptr, nullptr, big, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "s", nullptr, &type, nullptr, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "missing", nullptr, &type, big, &size));
    RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesAndAccessAreChecked)
{
    DWORD v = 1, size = 4;
    HKEY bogus = reinterpret_cast<HKEY>(0x42);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(bogus, "x", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegSetValueExA(bogus, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(bogus));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(bogus, "x", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "x", 0, KEY_READ, nullptr));

    RegCloseKey(Create("Vantrel"));
    HKEY reader = Open("Vantrel", KEY_READ);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(reader, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4));
    RegCloseKey(reader);
    HKEY writer = Open("Vantrel", KEY_WRITE);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(writer, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExA(writer, "x", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(writer));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(writer)) << "closed once";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(HKEY_CURRENT_USER, "x", 0, REG_BINARY, nullptr, 4));
}

TEST_F(RegistryTest, ChangesReachTheFileWhenTheHandleCloses)
{
    HKEY key = Create("Vantrel");
    SetDword(key, "a", 1);
    EXPECT_FALSE(std::filesystem::exists(File()));
    RegCloseKey(key);
    EXPECT_TRUE(std::filesystem::exists(File()));
}

TEST_F(RegistryTest, AFileChangedFromOutsideIsReadAgain)
{
    WriteFile("[HKEY_CURRENT_USER\\Vantrel]\ng_FlipMirror=dword:1\n");
    HKEY key = Open("Vantrel");
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(ERROR_SUCCESS, Get(key, "g_FlipMirror", type, data));
    EXPECT_EQ(1, data[0]);
    RegCloseKey(key);
    WriteFile("[HKEY_CURRENT_USER\\Other]\n");
    HKEY none = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Vantrel", 0, KEY_READ, &none));
}

struct DamagedCase {
    const char* label;
    const char* text;
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.label; }

class DamagedFile : public RegistryTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFile, CountsAsMissingIsKeptAsideAndTheNextWriteIsValid)
{
    const std::string damaged = GetParam().text;
    WriteFile(damaged);
    ::testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Vantrel", 0, KEY_READ, &key));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    EXPECT_NE(std::string::npos, err.find("registry.ini.bad")) << err;
    EXPECT_EQ(damaged, Read(BadFile()));
    EXPECT_FALSE(std::filesystem::exists(File()));

    key = Create("Vantrel");
    SetDword(key, "g_Language", 1);
    RegCloseKey(key);
    ReloadFromDisk();
    key = Open("Vantrel");
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_EQ(ERROR_SUCCESS, Get(key, "g_Language", type, data));
    EXPECT_EQ(REG_DWORD, type);
    RegCloseKey(key);
    EXPECT_EQ(damaged, Read(BadFile())) << "the kept copy is not touched by the write";
}

INSTANTIATE_TEST_SUITE_P(
    All, DamagedFile,
    ::testing::Values(DamagedCase{"not_a_key_file", "this is not a key file\n"},
                      DamagedCase{"dword_too_big", "[HKEY_CURRENT_USER\\Vantrel]\ng_CoefK=dword:99999999999\n"},
                      DamagedCase{"dword_negative", "[HKEY_CURRENT_USER\\Vantrel]\ng_CoefK=dword:-1\n"},
                      DamagedCase{"no_type", "[HKEY_CURRENT_USER\\Vantrel]\ng_CoefK=10000\n"},
                      DamagedCase{"odd_hex", "[HKEY_CURRENT_USER\\Vantrel]\ng_CoefK=hex(3):abc\n"},
                      DamagedCase{"hex_type_not_a_number", "[HKEY_CURRENT_USER\\Vantrel]\ng_CoefK=hex(x):00\n"},
                      DamagedCase{"bad_escape", "[HKEY_CURRENT_USER\\Vantrel]\nbad%zz=dword:1\n"},
                      DamagedCase{"cut_escape", "[HKEY_CURRENT_USER\\Vantrel]\nbad%4=dword:1\n"},
                      DamagedCase{"empty_key_component", "[HKEY_CURRENT_USER\\\\Vantrel]\n"},
                      DamagedCase{"no_root", "[Vantrel]\ng_CoefK=dword:1\n"},
                      DamagedCase{"root_glued_to_key", "[HKEY_CURRENT_USERVantrel]\n"},
                      DamagedCase{"not_utf8", "\xff\xfe[garbage\n"}),
    [](const auto& info) { return std::string(info.param.label); });

// Reads the settings as a new run would, capturing the line a damaged file makes.
std::string OpenCapturingStderr()
{
    ::testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Vantrel", 0, KEY_READ, &key));
    return ::testing::internal::GetCapturedStderr();
}

TEST_F(RegistryTest, EveryDamagedFileIsKeptUnderANameOfItsOwn)
{
    const std::vector<std::string> kept = {BadFile().string(), BadFile().string() + ".1", BadFile().string() + ".2"};
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const std::string damaged = "damaged file " + std::to_string(i) + "\n";
        WriteFile(damaged);
        const std::string err = OpenCapturingStderr();
        EXPECT_NE(std::string::npos, err.find("kept as " + kept[i] + ",")) << err;
        EXPECT_FALSE(std::filesystem::exists(File()));
    }
    for (std::size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ("damaged file " + std::to_string(i) + "\n", Read(kept[i])) << "never replaced: " << kept[i];
}

class SavedThroughALink : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        std::filesystem::create_directories(File().parent_path());
        std::filesystem::create_directories(m_dir / "dotfiles");
    }

    std::filesystem::path Target() const { return m_dir / "dotfiles" / "vantrel.ini"; }

    void Save(DWORD language)
    {
        HKEY key = Create("Vantrel");
        SetDword(key, "g_Language", language);
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    }

    // The names in the settings folder, and in the folder of the link's target.
    std::set<std::string> Names(const std::filesystem::path& dir) const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }
};

struct LinkCase {
    const char* label;
    const char* link;  // what registry.ini points at; a second link in between when `chained`
    bool chained;
    bool targetExists;
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.label; }

class LinkKinds : public SavedThroughALink, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkKinds, TheTargetIsWrittenAndTheLinkStays)
{
    const LinkCase& c = GetParam();
    if (c.targetExists)
        std::ofstream(Target()) << "[HKEY_CURRENT_USER\\Vantrel]\ng_CoefK=dword:10000\n";
    const std::filesystem::path link = std::string(c.link) == "absolute" ? Target() : std::filesystem::path(c.link);
    if (c.chained) {
        std::filesystem::create_symlink(link, m_dir / "dotfiles" / "middle");
        std::filesystem::create_symlink("../dotfiles/middle", File());
    } else {
        std::filesystem::create_symlink(link, File());
    }
    Save(1);
    EXPECT_TRUE(std::filesystem::is_symlink(File()));
    const std::string saved = Read(Target());
    EXPECT_NE(std::string::npos, saved.find("g_Language=dword:1"));
    EXPECT_EQ(c.targetExists, saved.find("g_CoefK=dword:10000") != std::string::npos) << "the target was read";
    EXPECT_EQ((std::set<std::string>{"registry.ini"}), Names(File().parent_path())) << "nothing left beside it";
    EXPECT_EQ(c.chained ? (std::set<std::string>{"middle", "vantrel.ini"}) : (std::set<std::string>{"vantrel.ini"}),
              Names(m_dir / "dotfiles"));
}

INSTANTIATE_TEST_SUITE_P(All, LinkKinds,
                         ::testing::Values(LinkCase{"absolute", "absolute", false, true},
                                           LinkCase{"relative", "../dotfiles/vantrel.ini", false, true},
                                           LinkCase{"chained", "vantrel.ini", true, true},
                                           LinkCase{"to_a_missing_file", "../dotfiles/vantrel.ini", false, false}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(SavedThroughALink, ADamagedTargetIsKeptBesideItAndTheLinkStays)
{
    std::ofstream(Target()) << "not a key file\n";
    std::filesystem::create_symlink(Target(), File());
    OpenCapturingStderr();
    EXPECT_EQ("not a key file\n", Read(Target().string() + ".bad"));
    Save(1);
    EXPECT_TRUE(std::filesystem::is_symlink(File()));
    EXPECT_NE(std::string::npos, Read(Target()).find("g_Language=dword:1"));
}

class KeptPermissions : public RegistryTest, public ::testing::WithParamInterface<std::filesystem::perms> {};

TEST_P(KeptPermissions, SavingKeepsTheFilesMode)
{
    WriteFile("[HKEY_CURRENT_USER\\Vantrel]\n");
    std::filesystem::permissions(File(), GetParam());
    HKEY key = Open("Vantrel");
    SetDword(key, "g_Language", 1);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_NE(std::string::npos, Read(File()).find("g_Language=dword:1"));
    EXPECT_EQ(GetParam(), std::filesystem::status(File()).permissions());
}

using std::filesystem::perms;
INSTANTIATE_TEST_SUITE_P(All, KeptPermissions,
                         ::testing::Values(perms::owner_read | perms::owner_write,
                                           perms::owner_read | perms::owner_write | perms::group_read,
                                           perms::owner_read | perms::owner_write | perms::group_read |
                                               perms::group_write | perms::others_read,
                                           perms::owner_read | perms::owner_write | perms::others_read),
                         [](const auto& info) {
                             char name[16];
                             std::snprintf(name, sizeof name, "mode_%04o", static_cast<unsigned>(info.param));
                             return std::string(name);
                         });

TEST_F(RegistryTest, ANewFileGetsTheUsualModeLessTheUmask)
{
    const mode_t mask = umask(022);
    umask(mask);
    HKEY key = Create("Vantrel");
    SetDword(key, "g_Language", 1);
    RegCloseKey(key);
    EXPECT_EQ(static_cast<perms>(0666 & ~mask), std::filesystem::status(File()).permissions());
}

TEST_F(RegistryTest, FilePathFollowsTheEnvironment)
{
    EXPECT_EQ(File().string(), platform::registry::FilePath());
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        EXPECT_EQ(std::string(home) + "/.config/vantrel/registry.ini", platform::registry::FilePath());
    }
}

}  // namespace
