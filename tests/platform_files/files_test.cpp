#include "platform/files/files.h"
#include "platform/files/file_io.h"
#include "platform/files/find_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include "tests/support/FileSizeLimit.h"
#include "tests/support/NoRoomAhead.h"
#include "tests/support/NotRegularFiles.h"

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

TEST_F(FilesTest, PathFileExistsSeesFilesAndFolders)
{
    std::ofstream(At("a.ir")) << "x";
    EXPECT_TRUE(PathFileExists(At("a.ir").c_str()));
    EXPECT_TRUE(PathFileExists(m_dir.c_str()));
    EXPECT_TRUE(PathFileExists((m_dir.string() + "/").c_str()));
    EXPECT_FALSE(PathFileExists(At("b.ir").c_str()));
    EXPECT_FALSE(PathFileExists(At("missing/b.ir").c_str()));
    EXPECT_FALSE(PathFileExists(nullptr));
    EXPECT_TRUE(DeleteFile(At("a.ir").c_str()));
    EXPECT_FALSE(PathFileExists(At("a.ir").c_str()));
}

// Every entry a search gives, by name, with its attributes.
std::map<std::string, DWORD> FindAll(const std::string& pattern)
{
    std::map<std::string, DWORD> found;
    WIN32_FIND_DATA data;
    HANDLE find = FindFirstFile(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return found;
    do {
        EXPECT_TRUE(found.emplace(data.cFileName, data.dwFileAttributes).second) << data.cFileName << " came twice";
    } while (FindNextFile(find, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(FindClose(find));
    return found;
}

TEST_F(FilesTest, FindFileListsEveryEntryOfTheFolder)
{
    for (const char* name : {"20240303_090503_007.ir", "b.avi", "noext", ".ir", "a.ir.bak", "X.IR"})
        std::ofstream(At(name)) << "x";
    std::filesystem::create_directory(m_dir / "sub.ir");
    std::ofstream(m_dir / "sub.ir" / "inner.ir") << "x";

    const auto found = FindAll(m_dir.string() + "/*.*");
    const std::map<std::string, DWORD> expected = {
        {".", FILE_ATTRIBUTE_DIRECTORY},
        {"..", FILE_ATTRIBUTE_DIRECTORY},
        {"20240303_090503_007.ir", FILE_ATTRIBUTE_NORMAL},
        {"b.avi", FILE_ATTRIBUTE_NORMAL},
        {"noext", FILE_ATTRIBUTE_NORMAL},
        {".ir", FILE_ATTRIBUTE_HIDDEN},
        {"a.ir.bak", FILE_ATTRIBUTE_NORMAL},
        {"X.IR", FILE_ATTRIBUTE_NORMAL},
        {"sub.ir", FILE_ATTRIBUTE_DIRECTORY},
    };
    EXPECT_EQ(found, expected);
}

TEST_F(FilesTest, FindFileMatchesWildcardsInEitherCase)
{
    for (const char* name : {"a.ir", "B.IR", "a.irx", "ab.ir", "a.avi"})
        std::ofstream(At(name)) << "x";
    struct Case {
        const char* pattern;
        std::set<std::string> names;
    } cases[] = {
        {"*.ir", {"a.ir", "B.IR", "ab.ir"}},
        {"?.ir", {"a.ir", "B.IR"}},
        {"a.*", {"a.ir", "a.irx", "a.avi"}},
        {"ab.ir", {"ab.ir"}},
    };
    for (const auto& c : cases) {
        std::set<std::string> names;
        for (const auto& [name, attributes] : FindAll(m_dir.string() + "/" + c.pattern))
            names.insert(name);
        EXPECT_EQ(names, c.names) << c.pattern;
    }
}

TEST_F(FilesTest, FindFileFailsForMissingFoldersAndNoMatches)
{
    WIN32_FIND_DATA data;
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFile(At("missing/*.*").c_str(), &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFile(At("*.avi").c_str(), &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFile(nullptr, &data));

    EXPECT_FALSE(FindNextFile(nullptr, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(FilesTest, AClosedSearchHandleIsNoLongerASearch)
{
    std::ofstream(At("a.ir")) << "x";
    WIN32_FIND_DATA data;
    HANDLE find = FindFirstFile((m_dir.string() + "/*.*").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindNextFile(find, &data));
    EXPECT_FALSE(FindClose(find));
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

// A handle of the file, exclusively.
HANDLE Open(const std::string& path, DWORD access, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(FilesTest, OnlyRegularFilesOpenAndNothingElseIsWaitedOn)
{
    NotRegularFiles others(m_dir, ".ir");
    ASSERT_TRUE(others.Made());

    struct Mode {
        DWORD access;
        DWORD disposition;
    };
    const Mode modes[] = {{GENERIC_READ, OPEN_EXISTING},
                          {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING},
                          {GENERIC_WRITE, OPEN_EXISTING},
                          {GENERIC_WRITE, CREATE_ALWAYS},
                          {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS}};
    for (const std::string& path : others.Paths()) {
        for (const Mode& mode : modes) {
            HANDLE file = Open(path, mode.access, mode.disposition);
            EXPECT_EQ(file, INVALID_HANDLE_VALUE) << path << " access " << std::hex << mode.access << " disposition "
                                                  << mode.disposition;
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    EXPECT_FALSE(others.HeldAReader());

    std::ofstream(At("plain.ir")) << "plain";
    HANDLE plain = Open(At("plain.ir"), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(plain, INVALID_HANDLE_VALUE);
    char text[8] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(plain, text, sizeof text, &read, nullptr));
    EXPECT_EQ(std::string(text, read), "plain");
    CloseHandle(plain);
}

TEST_F(FilesTest, TheFilePointerMovesFromTheStartTheCurrentPlaceOrTheEnd)
{
    std::ofstream(At("digits")) << "0123456789";
    HANDLE file = Open(At("digits"), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    struct Move {
        LONGLONG distance;
        DWORD from;
        LONGLONG place;  // where it lands; -1 refused
        char next;       // the byte read there; 0: nothing read
    };
    // Each read moves the pointer one on.
    const Move moves[] = {{7, FILE_BEGIN, 7, '7'}, {-3, FILE_CURRENT, 5, '5'}, {-2, FILE_END, 8, '8'},
                          {-20, FILE_CURRENT, -1, '9'}, {-1, FILE_BEGIN, -1, 0}, {0, FILE_BEGIN, 0, '0'}};
    for (const Move& move : moves) {
        LARGE_INTEGER distance{}, place{};
        distance.QuadPart = move.distance;
        const BOOL moved = SetFilePointerEx(file, distance, &place, move.from);
        EXPECT_EQ(moved != FALSE, move.place >= 0) << move.distance << " from " << move.from;
        if (moved) {
            EXPECT_EQ(place.QuadPart, move.place) << move.distance << " from " << move.from;
        }
        if (move.next == 0)
            continue;
        char byte = 0;
        DWORD read = 0;
        EXPECT_TRUE(ReadFile(file, &byte, 1, &read, nullptr));
        EXPECT_EQ(byte, move.next) << move.distance << " from " << move.from;
    }
    CloseHandle(file);
}

// Room for a file of this many bytes, asked of its handle.
BOOL TakeRoom(HANDLE file, LONGLONG bytes)
{
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = bytes;
    return SetFileInformationByHandle(file, FileAllocationInfo, &room, sizeof room);
}

// The bytes the file takes on the disk.
std::uintmax_t Held(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<std::uintmax_t>(st.st_blocks) * 512 : 0;
}

TEST_F(FilesTest, RoomIsTakenAheadWithoutMovingTheEndAndGivenBackAtTheEnd)
{
    constexpr LONGLONG kRoom = 1 << 20;
    HANDLE file = Open(At("rec.avi"), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "header", 6, &written, nullptr));
    ASSERT_TRUE(TakeRoom(file, kRoom));
    EXPECT_EQ(std::filesystem::file_size(At("rec.avi")), 6u) << "the end stays where the writes left it";
    EXPECT_GE(Held(At("rec.avi")), static_cast<std::uintmax_t>(kRoom));
    EXPECT_TRUE(TakeRoom(file, 3)) << "a size within the file takes nothing";
    EXPECT_EQ(std::filesystem::file_size(At("rec.avi")), 6u);

    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(std::filesystem::file_size(At("rec.avi")), 6u);
    EXPECT_LT(Held(At("rec.avi")), static_cast<std::uintmax_t>(kRoom)) << "the room past the end is given back";
    LARGE_INTEGER start{};
    ASSERT_TRUE(SetFilePointerEx(file, start, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(std::filesystem::file_size(At("rec.avi")), 0u) << "the file ends at its pointer";
    CloseHandle(file);
}

TEST_F(FilesTest, RoomBeyondTheFileSizeLimitIsRefusedAsAFullDisk)
{
    HANDLE file = Open(At("rec.avi"), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
        const FileSizeLimit limit(100000);
        SetLastError(0);
        EXPECT_FALSE(TakeRoom(file, 100001));
        EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
        EXPECT_TRUE(TakeRoom(file, 100000));
    }
    EXPECT_EQ(std::filesystem::file_size(At("rec.avi")), 0u);
    CloseHandle(file);

    HANDLE reading = Open(At("rec.avi"), GENERIC_READ, OPEN_EXISTING);
    EXPECT_FALSE(TakeRoom(reading, 10)) << "a handle that may not write takes no room";
    FILE_ALLOCATION_INFO room{};
    EXPECT_FALSE(SetFileInformationByHandle(reading, static_cast<FILE_INFO_BY_HANDLE_CLASS>(0), &room, sizeof room));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    CloseHandle(reading);
}

// Where the file system cannot take room ahead, the disk's free room is what is looked at.
TEST_F(FilesTest, WithoutRoomAheadTheFreeRoomOfTheDiskDecides)
{
    const std::string path = At("rec.avi");
    const int result = InChildWithoutRoomAhead([&] {
        HANDLE file = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        struct statvfs disk {};
        if (statvfs(path.c_str(), &disk) != 0)
            return 2;
        const LONGLONG free = static_cast<LONGLONG>(disk.f_bavail * disk.f_frsize);
        if (TakeRoom(file, free + (LONGLONG{1} << 40)) || GetLastError() != static_cast<DWORD>(ERROR_DISK_FULL))
            return 3;
        if (!TakeRoom(file, 1 << 20))
            return 4;
        return std::filesystem::file_size(path) == 0 ? 0 : 5;
    });
    EXPECT_EQ(result, 0) << "1 no file, 2 no disk facts, 3 too much was granted, 4 room was refused, 5 the file "
                            "grew, 125 no filter";
}

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
