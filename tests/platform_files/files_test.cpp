#include "platform/files/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* root = std::getenv("VANTREL_TEST_TMP");
        std::filesystem::path base = root != nullptr && root[0] != '\0' ? root : "/tmp";
        std::filesystem::create_directories(base);
        std::string pattern = (base / "files-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    std::string At(const char* name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

TEST_F(FilesTest, CreateDirectoryMakesOneFolder)
{
    EXPECT_TRUE(CreateDirectoryA(At("IRData").c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "IRData"));

    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryA(At("IRData").c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());

    EXPECT_FALSE(CreateDirectoryA(At("missing/child").c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(CreateDirectoryA("", nullptr));
    EXPECT_FALSE(CreateDirectoryA(nullptr, nullptr));
}

TEST_F(FilesTest, AttributesTellFoldersFromFiles)
{
    std::ofstream(At("a.ir")) << "x";
    std::ofstream(At(".hidden")) << "x";
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(m_dir.c_str()));
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA((m_dir.string() + "/").c_str()));
    EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, GetFileAttributesA(At("a.ir").c_str()));
    EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN, GetFileAttributesA(At(".hidden").c_str()));
    std::filesystem::permissions(At("a.ir"), std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA(At("a.ir").c_str()));

    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(At("none").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(nullptr));
}

TEST_F(FilesTest, DeleteFileRemovesFilesOnly)
{
    std::ofstream(At("a.avi")) << "x";
    EXPECT_TRUE(DeleteFileA(At("a.avi").c_str()));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "a.avi"));

    EXPECT_FALSE(DeleteFileA(At("a.avi").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    std::filesystem::create_directory(m_dir / "folder");
    EXPECT_FALSE(DeleteFileA(At("folder").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "folder"));
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(DataFolderTest, ComesFromTheEnvironmentWithATrailingSlash)
{
    ScopedEnv home("HOME", "/home/someone");
    struct Case {
        const char* dataDir;
        const char* expected;
    } cases[] = {
        {"/data/ir", "/data/ir/"},
        {"/data/ir/", "/data/ir/"},
        {nullptr, "/home/someone/IRData/"},
        {"", "/home/someone/IRData/"},
    };
    for (const auto& c : cases) {
        ScopedEnv data("VANTREL_DATA_DIR", c.dataDir);
        EXPECT_EQ(platform::files::DataFolder(), c.expected) << (c.dataDir ? c.dataDir : "(unset)");
    }
}

}  // namespace
