// The vendor transport checked on the emulated module's transfer log.
#include "deverodi/src/data_rw.h"
#include "deverodi/src/vdcmd.h"
#include "emulator/src/spi_flash.h"
#include "tests/sdk/sdk_fixture.h"

#include <cstring>
#include <thread>

using namespace sdk_test;

namespace {

constexpr uint16_t kStatus = 0x0200;

std::vector<emu_transfer> Log()
{
    std::vector<emu_transfer> out(emu_log_count());
    for (size_t i = 0; i < out.size(); i++)
        emu_log_get(i, &out[i]);
    return out;
}

// Everything but the status polls.
std::vector<emu_transfer> Sent()
{
    std::vector<emu_transfer> out;
    for (const emu_transfer &t : Log())
        if (t.index != kStatus)
            out.push_back(t);
    return out;
}

size_t StatusReads()
{
    size_t n = 0;
    for (const emu_transfer &t : Log())
        n += t.index == kStatus;
    return n;
}

struct Expected {
    uint16_t index;
    uint16_t length;
    size_t data_offset; // where the bytes come from in the caller's data
};

class TransportTest : public SdkTest {
protected:
    void SetUp() override
    {
        SdkTest::SetUp();
        Open();
        ASSERT_EQ(vdcmd_init(), 0);
        vdcmd_set_polling_wait_time(2000);
        emu_log_clear();
    }

    static void ExpectWrites(const std::vector<emu_transfer> &sent, const std::vector<Expected> &expected,
                             const uint8_t *data)
    {
        ASSERT_EQ(sent.size(), expected.size());
        for (size_t i = 0; i < expected.size(); i++) {
            EXPECT_EQ(sent[i].request_type, 0x41) << i;
            EXPECT_EQ(sent[i].request, 0x45) << i;
            EXPECT_EQ(sent[i].value, 0x78) << i;
            EXPECT_EQ(sent[i].index, expected[i].index) << std::hex << i;
            EXPECT_EQ(sent[i].length, expected[i].length) << i;
            if (data && expected[i].data_offset != SIZE_MAX) {
                EXPECT_EQ(std::memcmp(sent[i].data, data + expected[i].data_offset, expected[i].length), 0) << i;
            }
        }
    }

    static std::vector<uint8_t> Counting(size_t n)
    {
        std::vector<uint8_t> d(n);
        for (size_t i = 0; i < n; i++)
            d[i] = static_cast<uint8_t>(i * 7 + 1);
        return d;
    }
};

constexpr size_t kCommand = SIZE_MAX;

// Runs in a child that has never bound the transport (the binding lasts for the process).
int UnboundFramingFailures()
{
    setenv("VANTREL_CAMERA", "emulated", 1);
    emu_reset();
    uvc_camera_init();
    uvc_camera_open(EmulatedDevice());
    uint8_t cmd[16] = {0x01, 0x82};
    uint8_t data[16] = {};
    int bad = 0;
    bad += standard_cmd_read(cmd, 4, data) != -13;
    bad += standard_cmd_write(cmd, 4, data) != -13;
    bad += long_cmd_read(cmd, 0, 0, 0, 2, data) != -13;
    bad += long_cmd_write(cmd, 0, 0, 0, 0) != -13;
    bad += short_cmd_read(cmd, 1, data) != -13;
    bad += short_cmd_write(cmd, 1, data) != -13;
    bad += emu_log_count() != 0;
    return bad;
}

TEST(TransportUnbound, EveryFramingIsRefusedBeforeInit)
{
    EXPECT_EXIT(exit(UnboundFramingFailures()), ::testing::ExitedWithCode(0), "");
}

TEST_F(TransportTest, StandardWriteOf300Bytes)
{
    std::vector<uint8_t> data = Counting(300);
    uint8_t cmd[8] = {0x01, 0xC2, 0x00, 0x01, 0x00, 0x00, 0, 0};
    ASSERT_EQ(standard_cmd_write(cmd, 300, data.data()), 0);
    std::vector<emu_transfer> sent = Sent();
    ExpectWrites(sent,
                 {{0x9D00, 8, kCommand},
                  {0x9D08, 64, 0},
                  {0x9D48, 64, 64},
                  {0x9D88, 64, 128},
                  {0x9DC8, 56, 192},
                  {0x1E00, 8, 248},
                  {0x9D00, 8, kCommand},
                  {0x9D08, 36, 256},
                  {0x1D2C, 8, 292}},
                 data.data());
    const uint8_t first[8] = {0x01, 0xC2, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00};
    const uint8_t second[8] = {0x01, 0xC2, 0x00, 0x01, 0x01, 0x00, 0x00, 44};
    EXPECT_EQ(std::memcmp(sent[0].data, first, 8), 0);
    EXPECT_EQ(std::memcmp(sent[6].data, second, 8), 0);
    EXPECT_EQ(StatusReads(), 2u); // one waited write per chunk
}

TEST_F(TransportTest, StandardWriteOf5Bytes)
{
    std::vector<uint8_t> data = Counting(5);
    uint8_t cmd[8] = {0x0E, 0x01};
    ASSERT_EQ(standard_cmd_write(cmd, 5, data.data()), 0);
    ExpectWrites(Sent(), {{0x9D00, 8, kCommand}, {0x1D08, 5, 0}}, data.data());
    EXPECT_EQ(cmd[7], 5);
}

TEST_F(TransportTest, BareStandardWriteSendsTheBlockUnchanged)
{
    uint8_t cmd[8] = {0x01, 0x07, 1, 2, 3, 4, 5, 6};
    ASSERT_EQ(standard_cmd_write(cmd, 0, nullptr), 0);
    std::vector<emu_transfer> sent = Sent();
    ExpectWrites(sent, {{0x1D00, 8, kCommand}}, nullptr);
    const uint8_t unchanged[8] = {0x01, 0x07, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(std::memcmp(sent[0].data, unchanged, 8), 0);
}

TEST_F(TransportTest, ShortWriteOf10Bytes)
{
    std::vector<uint8_t> data = Counting(10);
    uint8_t cmd[4] = {0x81, 10, 0x12, 0x34};
    ASSERT_EQ(short_cmd_write(cmd, 10, data.data()), 0);
    ExpectWrites(Sent(), {{0x1D00, 4, kCommand}, {0x9D04, 6, 0}, {0x1D0A, 4, 6}}, data.data());
    EXPECT_EQ(StatusReads(), 2u);
}

TEST_F(TransportTest, ShortWriteAndReadBackThroughModuleMemory)
{
    std::vector<uint8_t> data = Counting(3);
    uint8_t write_cmd[4] = {0x81, 3, 0x00, 0x40};
    ASSERT_EQ(short_cmd_write(write_cmd, 3, data.data()), 0);
    ExpectWrites(Sent(), {{0x1D00, 4, kCommand}, {0x1D04, 3, 0}}, data.data());
    uint8_t read_cmd[4] = {0x80, 3, 0x00, 0x40};
    uint8_t back[3] = {};
    ASSERT_EQ(short_cmd_read(read_cmd, 3, back), 0);
    EXPECT_EQ(std::memcmp(back, data.data(), 3), 0);
}

TEST_F(TransportTest, ShortReadResendsTheBlockForEachChunk)
{
    uint8_t cmd[4] = {0x80, 70, 0x00, 0x00};
    uint8_t out[70];
    ASSERT_EQ(short_cmd_read(cmd, 70, out), 0);
    std::vector<emu_transfer> sent = Sent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].index, 0x1D00);
    EXPECT_EQ(sent[1].index, 0x1D04);
    EXPECT_EQ(sent[1].length, 63);
    EXPECT_EQ(sent[1].request_type, 0xC1);
    EXPECT_EQ(sent[1].request, 0x44);
    EXPECT_EQ(sent[2].index, 0x1D00);
    EXPECT_EQ(sent[3].length, 7);
}

TEST_F(TransportTest, ShortWriteLongerThan68IsRefusedByTheWrite)
{
    std::vector<uint8_t> data = Counting(69);
    uint8_t cmd[4] = {0x81, 69, 0, 0};
    EXPECT_EQ(short_cmd_write(cmd, 69, data.data()), -1);
    uint8_t null_cmd_data[1] = {};
    EXPECT_EQ(short_cmd_read(nullptr, 1, null_cmd_data), -1);
}

TEST_F(TransportTest, StandardReadInChunksWithAdvancingAddress)
{
    // Flash bytes that tell their address, so each chunk shows where it was read.
    std::vector<uint8_t> pattern(300);
    for (size_t i = 0; i < pattern.size(); i++)
        pattern[i] = static_cast<uint8_t>(0x1000 + i);
    emu_flash_load(0x1000, pattern.size(), pattern.data());
    uint8_t cmd[8] = {0x01, 0x82, 0x00, 0x00, 0x10, 0x00};
    std::vector<uint8_t> out(300);
    ASSERT_EQ(standard_cmd_read(cmd, 300, out.data()), 0);
    std::vector<emu_transfer> sent = Sent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].index, 0x1D00);
    EXPECT_EQ(sent[1].index, 0x1D08);
    EXPECT_EQ(sent[1].length, 256);
    const uint8_t second[8] = {0x01, 0x82, 0x00, 0x00, 0x11, 0x00, 0x00, 44};
    EXPECT_EQ(std::memcmp(sent[2].data, second, 8), 0);
    EXPECT_EQ(sent[3].length, 44);
    for (size_t i = 0; i < out.size(); i++)
        ASSERT_EQ(out[i], static_cast<uint8_t>(0x1000 + i)) << i;
    Sent();
    emu_log_clear();
    EXPECT_EQ(standard_cmd_read(cmd, 0, out.data()), 0);
    EXPECT_EQ(emu_log_count(), 0u);
}

TEST_F(TransportTest, StatusBytes)
{
    struct Case {
        std::vector<uint8_t> script;
        int result;
        size_t reads;
        const char *message;
    } cases[] = {
        {{0x02, 0x02, 0x00}, 0, 3, nullptr},
        {{0x06}, -16, 1, "vdcmd status error:6"},
        {{0x00}, 0, 1, nullptr},
        {{0xFC}, 0, 1, nullptr},
        {{0x01, 0xFF, 0x03, 0xFE}, -16, 4, "vdcmd status error:254"},
    };
    deverodi_log_register(1);
    for (const Case &c : cases) {
        emu_log_clear();
        emu_status_script(c.script.data(), c.script.size());
        uint8_t cmd[8] = {0x05, 0x07};
        std::string out = Printed([&] { EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), c.result); });
        EXPECT_EQ(StatusReads(), c.reads) << int(c.script[0]);
        if (c.message)
            EXPECT_NE(out.find(c.message), std::string::npos) << out;
        else
            EXPECT_EQ(out, "");
    }
}

TEST_F(TransportTest, ModuleErrorStatusFailsTheCommand)
{
    emu_fault_error_status(0x0A, 1);
    uint8_t cmd[8] = {0x05, 0x07};
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), -16);
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), 0);
}

TEST_F(TransportTest, PollCount)
{
    struct Case {
        uint32_t set;
        size_t reads;
    } cases[] = {{5, 5}, {1, 1}, {0x10003, 3}};
    emu_fault_status_stuck(1, 0x01);
    deverodi_log_register(1);
    for (const Case &c : cases) {
        EXPECT_EQ(vdcmd_set_polling_wait_time(c.set), 0);
        emu_log_clear();
        uint8_t b = 0;
        std::string out = Printed([&] { EXPECT_EQ(i2c_usb_data_write(0x45, 0x78, 0x1D00, 1, &b), -16); });
        EXPECT_EQ(StatusReads(), c.reads) << c.set;
        EXPECT_NE(out.find("check done fail!"), std::string::npos);
    }
}

TEST_F(TransportTest, DefaultPollCountGivesUpAfter2000BusyReads)
{
    emu_fault_status_stuck(1, 0x02);
    uint8_t b = 0;
    EXPECT_EQ(i2c_usb_data_write(0x45, 0x78, 0x1D00, 1, &b), -16);
    EXPECT_EQ(StatusReads(), 2000u);
}

TEST_F(TransportTest, BusyModuleIsWaitedFor)
{
    emu_set_busy_polls(3);
    uint8_t cmd[8] = {0x05, 0x07};
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), 0);
    EXPECT_EQ(StatusReads(), 4u);
}

TEST_F(TransportTest, ReadOf257BytesRefused)
{
    deverodi_log_register(1);
    std::vector<uint8_t> buf(300);
    std::string out = Printed([&] { EXPECT_EQ(i2c_usb_data_read(0x44, 0x78, 0x1D08, 257, buf.data()), -1); });
    EXPECT_NE(out.find("usb in transfer length out of limitation:256"), std::string::npos);
    EXPECT_EQ(emu_log_count(), 0u);
    out = Printed([&] {
        EXPECT_EQ(i2c_usb_data_read(0x44, 0x78, 0x1D08, 0, buf.data()), -1);
        EXPECT_EQ(i2c_usb_data_read(0x44, 0x78, 0x1D08, 4, nullptr), -1);
    });
    EXPECT_NE(out.find("parameter error"), std::string::npos);
    EXPECT_EQ(i2c_usb_data_read(0x44, 0x78, 0x1D08, 256, buf.data()), 0);
}

TEST_F(TransportTest, WriteLongerThan64Refused)
{
    std::vector<uint8_t> buf(65);
    EXPECT_EQ(i2c_usb_data_write(0x45, 0x78, 0x9D08, 65, buf.data()), -1);
    EXPECT_EQ(emu_log_count(), 0u);
}

TEST_F(TransportTest, NoWaitAddressSkipsThePoll)
{
    uint8_t b = 1;
    EXPECT_EQ(i2c_usb_data_write(0x45, 0x78, 0x9D08, 1, &b), 0);
    EXPECT_EQ(StatusReads(), 0u);
    ASSERT_EQ(emu_log_count(), 1u);
}

TEST_F(TransportTest, LongReadOf249RefusedWithNothingSent)
{
    deverodi_log_register(1);
    uint8_t cmd[16] = {0x11, 0x83};
    std::vector<uint8_t> out(300);
    std::string text = Printed([&] { EXPECT_EQ(long_cmd_read(cmd, 0, 0, 0, 249, out.data()), -17); });
    EXPECT_NE(text.find("data length out of the limitation"), std::string::npos);
    EXPECT_EQ(emu_log_count(), 0u);
    EXPECT_EQ(long_cmd_read(cmd, 0, 0, 0, 248, out.data()), 0);
}

TEST_F(TransportTest, LongReadLayout)
{
    uint8_t cmd[16] = {0x11, 0x86};
    uint8_t out[2] = {};
    ASSERT_EQ(long_cmd_read(cmd, 0x0102, 0x000A0014, 0x30405060, 2, out), 0);
    std::vector<emu_transfer> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    const uint8_t first[8] = {0x11, 0x86, 0x01, 0x02, 0x00, 0x0A, 0x00, 0x14};
    const uint8_t second[8] = {0x30, 0x40, 0x50, 0x60, 0x00, 0x00, 0x00, 0x02};
    EXPECT_EQ(sent[0].index, 0x9D00);
    EXPECT_EQ(std::memcmp(sent[0].data, first, 8), 0);
    EXPECT_EQ(sent[1].index, 0x1D08);
    EXPECT_EQ(std::memcmp(sent[1].data, second, 8), 0);
    EXPECT_EQ(sent[2].index, 0x1D10);
    EXPECT_EQ(sent[2].length, 2);
    // The point (10, 20) answers its scene sample, big-endian.
    uint16_t expected = emu_scene_sample(1, 0, 10, 20);
    EXPECT_EQ(out[0], expected >> 8);
    EXPECT_EQ(out[1], expected & 0xFF);
    EXPECT_EQ(StatusReads(), 1u);
}

TEST_F(TransportTest, LongReadOfNothingFailsAtTheRead)
{
    uint8_t cmd[16] = {0x11, 0x81, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 9, 9};
    uint8_t out[1];
    EXPECT_EQ(long_cmd_read(cmd, 0, 0, 0, 0, out), -1);
    EXPECT_EQ(cmd[12], 9); // the caller's last field stays
    EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(TransportTest, LongWriteLayout)
{
    uint8_t cmd[16] = {0x14, 0xC2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD};
    ASSERT_EQ(long_cmd_write(cmd, 1, 5, 0, 0), 0);
    std::vector<emu_transfer> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    const uint8_t second[8] = {0, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD};
    EXPECT_EQ(std::memcmp(sent[1].data, second, 8), 0);
    ASSERT_EQ(long_cmd_write(cmd, 1, 5, 0, 12), 0);
    EXPECT_EQ(cmd[15], 12);
}

TEST_F(TransportTest, FailedTransfers)
{
    struct Case {
        unsigned skip;
        emu_transfer_fault fault;
        int result;
        const char *message;
    } cases[] = {
        {0, EMU_TRANSFER_FAIL, -15, "standard command read:send write cmd failed"},
        {0, EMU_TRANSFER_SHORT, -15, "uvc_control_cmd filed (uvc_error_code:-15)"},
        {2, EMU_TRANSFER_SHORT, -15, "standard command read:read buffer failed!"},
    };
    deverodi_log_register(1);
    for (const Case &c : cases) {
        emu_fault_transfer(c.skip, 1, c.fault);
        uint8_t cmd[8] = {0x01, 0x82};
        uint8_t out[4];
        std::string text = Printed([&] { EXPECT_EQ(standard_cmd_read(cmd, 4, out), c.result); });
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
    }
}

TEST_F(TransportTest, FailedStatusReadCountsAsBusy)
{
    emu_fault_transfer(1, 1, EMU_TRANSFER_FAIL);
    uint8_t cmd[8] = {0x05, 0x07};
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), 0);
    EXPECT_EQ(StatusReads(), 2u);
}

TEST_F(TransportTest, ControlCommandAdjustsLengthAndData)
{
    EXPECT_EQ(uvc_control_cmd(0x41, 0x45, 0x78, 0x9D08, nullptr, 5, 1000), 0);
    uint8_t b = 3;
    EXPECT_EQ(uvc_control_cmd(0x41, 0x45, 0x78, 0x9D08, &b, 0, 1000), 0);
    std::vector<emu_transfer> log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].length, 1);
    EXPECT_EQ(log[0].data[0], 0);
    EXPECT_EQ(log[1].length, 1);
    EXPECT_EQ(log[1].data[0], 3);
    EXPECT_EQ(uvc_control_cmd(0x41, 0x45, 0x78, 0x0100, &b, 1, 1000), -15); // outside the window
}

TEST_F(TransportTest, NoOpenCameraFailsTheTransfer)
{
    uvc_camera_close();
    uint8_t b = 0;
    EXPECT_EQ(uvc_control_cmd(0x41, 0x45, 0x78, 0x9D08, &b, 1, 1000), -15);
    uint8_t cmd[8] = {0x05, 0x07};
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), -15);
}

TEST_F(TransportTest, UnpluggedModuleFailsTheTransfer)
{
    emu_unplug();
    uint8_t cmd[8] = {0x05, 0x07};
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), -15);
}

TEST_F(TransportTest, InitTypes)
{
    deverodi_log_register(1);
    std::string out = Printed([] { EXPECT_EQ(vdcmd_init_by_type(2), -14); });
    EXPECT_NE(out.find("LINUX_I2C_SUPPORT needed!"), std::string::npos);
    EXPECT_EQ(vdcmd_init_by_type(1), 0);
    EXPECT_EQ(vdcmd_transport_init(0), -14);
    EXPECT_EQ(vdcmd_transport_init(3), -14);
    // A refused type leaves the binding as it was.
    uint8_t cmd[8] = {0x05, 0x07};
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), 0);
}

// Commands from several threads never interleave on the register window: each exchange's
// transfers follow each other in the log.
TEST_F(TransportTest, CommandMutexKeepsExchangesWhole)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++)
        threads.emplace_back([t] {
            std::vector<uint8_t> data(20, static_cast<uint8_t>(t));
            for (int i = 0; i < kRounds; i++) {
                uint8_t cmd[8] = {0x01, 0xC2, 0, 0, 0, static_cast<uint8_t>(t)};
                EXPECT_EQ(standard_cmd_write(cmd, 20, data.data()), 0);
            }
        });
    for (auto &th : threads)
        th.join();
    std::vector<emu_transfer> sent = Sent();
    ASSERT_EQ(sent.size(), size_t(kThreads * kRounds * 3));
    for (size_t i = 0; i < sent.size(); i += 3) {
        ASSERT_EQ(sent[i].index, 0x9D00) << i;
        uint8_t owner = sent[i].data[5];
        EXPECT_EQ(sent[i + 1].index, 0x9D08);
        EXPECT_EQ(sent[i + 1].data[0], owner) << i;
        EXPECT_EQ(sent[i + 2].index, 0x1D14);
        EXPECT_EQ(sent[i + 2].data[0], owner) << i;
    }
}

} // namespace
