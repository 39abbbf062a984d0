#include "acquisition/irfile.h"

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files/file_io.h"
#include "tests/acquisition/FrameFixture.h"
#include "tests/acquisition/TempDir.h"
#include "tests/support/NotRegularFiles.h"
#include "tests/support/PermissionsHold.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void Store(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutInt(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t v)
{
    std::memcpy(bytes.data() + at, &v, 4);
}

class IrFile : public testing::Test {
protected:
    void SetUp() override
    {
        MakeFrame(&m_src.frame, 256, 192);
        FillSamples(&m_src.frame, [](int x, int y) { return std::uint16_t(18000 + x * 5 + y * 3); });
        for (std::uint32_t i = 0; i < m_src.frame.image_size; ++i)
            m_src.frame.image_data[i] = static_cast<std::uint8_t>(i * 7);
        m_path = m_dir.File("snap.ir");
    }
    // The record holds nothing, as after any failed read.
    static void ExpectEmpty(const IrFrame& f)
    {
        EXPECT_TRUE(ircam_frame_empty(&f));
        EXPECT_EQ(f.temp_size, 0u);
        EXPECT_EQ(f.image_size, 0u);
        EXPECT_EQ(f.temp_info[0], 0);
        EXPECT_EQ(f.image_info[0], 0);
    }
    TempDir m_dir;
    FrameGuard m_src;
    std::string m_path;
};

}  // namespace

TEST_F(IrFile, SnapshotOfTheModulesFrameHasTheKnownLayout)
{
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    const auto bytes = Bytes(m_path);
    ASSERT_EQ(bytes.size(), 196672u);
    const std::uint8_t head[8] = {0x00, 0x01, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(bytes.data(), head, 8), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 32, m_src.frame.temp_data, 98304), 0);
    const std::int32_t imageInfo[8] = {256, 192, 0, 0, 3, 2, 3, 1};
    EXPECT_EQ(std::memcmp(bytes.data() + 32 + 98304, imageInfo, 32), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 64 + 98304, m_src.frame.image_data, 98304), 0);
}

TEST_F(IrFile, RoundTripGivesTheSameRecord)
{
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    FrameGuard back;
    ASSERT_EQ(irfile_read(&back.frame, m_path.c_str()), 0);
    const IrFrame& b = back.frame;
    EXPECT_EQ(std::memcmp(b.temp_info, m_src.frame.temp_info, 32), 0);
    EXPECT_EQ(std::memcmp(b.image_info, m_src.frame.image_info, 32), 0);
    ASSERT_EQ(b.temp_size, 98304u);
    ASSERT_EQ(b.image_size, 98304u);
    EXPECT_EQ(std::memcmp(b.temp_data, m_src.frame.temp_data, 98304), 0);
    EXPECT_EQ(std::memcmp(b.image_data, m_src.frame.image_data, 98304), 0);
    ASSERT_NE(b.rgb_buf, nullptr);
    ASSERT_NE(b.rgba_buf, nullptr);
    EXPECT_EQ(b.frame_buf, nullptr);
}

TEST_F(IrFile, ReadingIntoAUsedRecordReplacesItsBuffers)
{
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    FrameGuard used;
    MakeFrame(&used.frame, 32, 16);
    used.frame.param.width = 1234;
    ASSERT_EQ(irfile_read(&used.frame, m_path.c_str()), 0);  // the old buffers leak under LSan otherwise
    EXPECT_EQ(used.frame.temp_info[0], 256);
    EXPECT_EQ(used.frame.param.width, 1234u);
    ASSERT_EQ(irfile_read(&used.frame, m_path.c_str()), 0);
}

TEST_F(IrFile, WritingReplacesAnExistingFile)
{
    Store(m_path, std::vector<std::uint8_t>(300000, 0xEE));
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(m_path), 196672u);
}

TEST_F(IrFile, NoSharingWhileAnotherHandleHoldsTheFile)
{
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    HANDLE other = CreateFileA(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    FrameGuard back;
    EXPECT_EQ(irfile_read(&back.frame, m_path.c_str()), -1);
    ExpectEmpty(back.frame);
    EXPECT_EQ(irfile_write(&m_src.frame, m_path.c_str()), -1);
    EXPECT_EQ(std::filesystem::file_size(m_path), 196672u);  // held files are not truncated
    CloseHandle(other);
    EXPECT_EQ(irfile_read(&back.frame, m_path.c_str()), 0);
}

// A snapshot that may be read but not written (the user's permissions, a disk that takes no
// writes) is read as any other, and still held by no one else while it is read.
TEST_F(IrFile, AFileThatMayOnlyBeReadIsRead)
{
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_read);
    const PermissionsHold hold;
    ASSERT_TRUE(hold.Held());
    ASSERT_EQ(CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr),
              INVALID_HANDLE_VALUE)
        << "writing is refused";
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    FrameGuard back;
    ASSERT_EQ(irfile_read(&back.frame, m_path.c_str()), 0);
    EXPECT_EQ(back.frame.temp_size, 98304u);
    EXPECT_EQ(std::memcmp(back.frame.temp_data, m_src.frame.temp_data, 98304), 0);
    EXPECT_EQ(std::memcmp(back.frame.image_data, m_src.frame.image_data, 98304), 0);

    HANDLE other = CreateFileA(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(irfile_read(&back.frame, m_path.c_str()), -1) << "no sharing";
    CloseHandle(other);
}

TEST_F(IrFile, DamagedFilesGiveMinusOneAndAnEmptyRecord)
{
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    const auto good = Bytes(m_path);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"shorter than an info block", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)});
    cases.push_back({"samples cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 5000)});
    cases.push_back({"no image info", std::vector<std::uint8_t>(good.begin(), good.begin() + 32 + 98304)});
    cases.push_back({"image cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 10)});
    cases.push_back({"trailing bytes", good});
    cases.back().bytes.push_back(0);
    auto patched = [&](std::size_t at, std::int32_t v) {
        auto b = good;
        PutInt(b, at, v);
        return b;
    };
    cases.push_back({"negative width", patched(0, -256)});
    cases.push_back({"zero rows, the samples still there", patched(4, 0)});
    cases.push_back({"overflowing size", patched(0, 0x7FFFFFFF)});
    cases.push_back({"rows past the file", patched(4, 10000)});
    cases.push_back({"image larger than the file", patched(32 + 98304 + 4, 193)});
    cases.push_back({"image width overflowing", patched(32 + 98304, 0x40000001)});
    cases.push_back({"foreign text", {}});
    const std::string text = "This is a plain text file, not a thermal snapshot.\n";
    cases.back().bytes.assign(text.begin(), text.end());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store(m_path, c.bytes);
        FrameGuard back;
        MakeFrame(&back.frame, 8, 8);
        EXPECT_EQ(irfile_read(&back.frame, m_path.c_str()), -1);
        ExpectEmpty(back.frame);
    }
    FrameGuard back;
    EXPECT_EQ(irfile_read(&back.frame, m_dir.File("missing.ir").c_str()), -1);
    EXPECT_EQ(irfile_read(&back.frame, m_dir.Path().c_str()), -1);  // a folder
    EXPECT_EQ(irfile_read(nullptr, m_path.c_str()), -1);
}

TEST_F(IrFile, AnythingButARegularFileIsRefusedWithoutWaitingOnIt)
{
    NotRegularFiles others(m_dir.Path(), ".ir");
    ASSERT_TRUE(others.Made());
    for (const std::string& path : others.Paths()) {
        FrameGuard read;
        EXPECT_EQ(irfile_read(&read.frame, path.c_str()), -1) << path;
        ExpectEmpty(read.frame);
    }
    EXPECT_FALSE(others.HeldAReader());
}

TEST_F(IrFile, SmallerAndUnequalHalvesRoundTrip)
{
    FrameGuard f;
    MakeHalves(&f.frame, 4, 3, 6, 2);
    FillSamples(&f.frame, [](int x, int y) { return std::uint16_t(x + 10 * y); });
    ASSERT_EQ(irfile_write(&f.frame, m_path.c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(m_path), 64u + 4 * 3 * 2 + 6 * 2 * 2);
    FrameGuard back;
    ASSERT_EQ(irfile_read(&back.frame, m_path.c_str()), 0);
    const IrFrame& b = back.frame;
    EXPECT_EQ(std::memcmp(b.temp_info, f.frame.temp_info, 32), 0);
    EXPECT_EQ(std::memcmp(b.image_info, f.frame.image_info, 32), 0);
    ASSERT_EQ(b.temp_size, 24u);
    ASSERT_EQ(b.image_size, 24u);
    EXPECT_EQ(b.temp_data[2 * 4 + 3], 23);
    EXPECT_EQ(std::memcmp(b.temp_data, f.frame.temp_data, 24), 0);
    EXPECT_EQ(std::memcmp(b.image_data, f.frame.image_data, 24), 0);
    // The colour buffers follow the image half, not the temperature half.
    ASSERT_NE(b.rgb_buf, nullptr);
    ASSERT_NE(b.rgba_buf, nullptr);
    FrameGuard copy;
    ASSERT_EQ(ircam_frame_copy(&b, &copy.frame), 0);  // copies rgb and rgba as 6 x 2 pixels
}

// What the writer writes, the reader reads back unchanged, and what the reader refuses the writer
// does not write: halves without rows or columns included.
TEST_F(IrFile, WriterAndReaderAgreeOnEveryHalfSize)
{
    struct Case {
        const char* name;
        int tw, th, iw, ih;
        bool accepted;
    } cases[] = {
        {"image half 0 x 0", 256, 192, 0, 0, true},
        {"image half without rows", 5, 4, 7, 0, true},
        {"image half without columns", 5, 4, 0, 3, true},
        {"temperature half 0 x 0", 0, 0, 3, 2, true},
        {"both halves empty", 0, 0, 0, 0, true},
        {"widest half", 16384, 1, 1, 16384, true},
        {"temperature half too wide", 16385, 1, 2, 2, false},
        {"image half too tall", 2, 2, 1, 16385, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameGuard f;
        MakeHalves(&f.frame, c.tw, c.th, c.iw, c.ih);
        FillSamples(&f.frame, [](int x, int y) { return std::uint16_t(1 + x + 3 * y); });
        std::filesystem::remove(m_path);
        ASSERT_EQ(irfile_write(&f.frame, m_path.c_str()), c.accepted ? 0 : -1);
        if (!c.accepted) {
            EXPECT_FALSE(std::filesystem::exists(m_path));
            continue;
        }
        EXPECT_EQ(std::filesystem::file_size(m_path), 64u + f.frame.temp_size + f.frame.image_size);
        FrameGuard back;
        ASSERT_EQ(irfile_read(&back.frame, m_path.c_str()), 0);
        const IrFrame& b = back.frame;
        EXPECT_EQ(std::memcmp(b.temp_info, f.frame.temp_info, 32), 0);
        EXPECT_EQ(std::memcmp(b.image_info, f.frame.image_info, 32), 0);
        ASSERT_EQ(b.temp_size, f.frame.temp_size);
        ASSERT_EQ(b.image_size, f.frame.image_size);
        EXPECT_EQ(std::memcmp(b.temp_data, f.frame.temp_data, b.temp_size), 0);
        EXPECT_EQ(std::memcmp(b.image_data, f.frame.image_data, b.image_size), 0);
        EXPECT_FALSE(ircam_frame_empty(&b));
    }
}

TEST_F(IrFile, RecordAskingForMoreThanItHoldsIsNotWritten)
{
    m_src.frame.temp_info[1] = 400;  // more rows than its buffer
    EXPECT_EQ(irfile_write(&m_src.frame, m_path.c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(m_path));
    IrFrame empty;
    EXPECT_EQ(irfile_write(nullptr, m_path.c_str()), -1);
    empty.temp_info[0] = 2;
    empty.temp_info[1] = 2;
    EXPECT_EQ(irfile_write(&empty, m_path.c_str()), -1);
}

TEST_F(IrFile, UnwritablePlaceGivesMinusOne)
{
    EXPECT_EQ(irfile_write(&m_src.frame, m_dir.File("no/such/folder/a.ir").c_str()), -1);
}

TEST_F(IrFile, FullDiskReportsFailureAndTheRecordStaysReadable)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit lim = old;
    lim.rlim_cur = 50000;
    setrlimit(RLIMIT_FSIZE, &lim);
    const int r = irfile_write(&m_src.frame, m_path.c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(r, -1);
    EXPECT_LE(std::filesystem::file_size(m_path), 50000u);
    // The cut file is refused cleanly, and the record written from is untouched.
    FrameGuard back;
    EXPECT_EQ(irfile_read(&back.frame, m_path.c_str()), -1);
    ExpectEmpty(back.frame);
    EXPECT_EQ(m_src.frame.temp_data[5], 18025);
    ASSERT_EQ(irfile_write(&m_src.frame, m_path.c_str()), 0);
    EXPECT_EQ(irfile_read(&back.frame, m_path.c_str()), 0);
}
