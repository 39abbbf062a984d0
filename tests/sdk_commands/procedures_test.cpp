// The procedures made of several commands, against the emulated module and its flash: firmware
// update, user flash, correction table and dead-pixel calibration.
#include "tests/sdk_commands/commands_fixture.h"

#include <functional>

using namespace commands_test;

namespace {

constexpr uint32_t kFwSize = 0x40000;
constexpr uint32_t kSector = 4096;

Bytes Image()
{
    Bytes img(kFwSize);
    for (uint32_t i = 0; i < kFwSize; i++)
        img[i] = uint8_t((i * 7 + (i >> 12)) ^ 0xA5);
    return img;
}

Bytes Flash(uint32_t address, size_t length)
{
    Bytes b(length);
    emu_flash_peek(address, length, b.data());
    return b;
}

Bytes Factory(uint32_t address, size_t length)
{
    Bytes b(length);
    for (size_t i = 0; i < length; i++)
        b[i] = emu_flash_factory_byte(uint32_t(address + i));
    return b;
}

bool Is(const Exchange &e, uint8_t klass, uint8_t op)
{
    return e.framing != Framing::Short && e.block[0] == klass && e.block[1] == op;
}

uint32_t AddressOf(const Exchange &e)
{
    return uint32_t(e.block[2]) << 24 | uint32_t(e.block[3]) << 16 | uint32_t(e.block[4]) << 8 | e.block[5];
}

size_t Count(const std::vector<Exchange> &ex, uint8_t klass, uint8_t op)
{
    return size_t(std::count_if(ex.begin(), ex.end(), [&](const Exchange &e) { return Is(e, klass, op); }));
}

// Addresses of the SPI writes, in order.
std::vector<uint32_t> Writes(const std::vector<Exchange> &ex)
{
    std::vector<uint32_t> out;
    for (const Exchange &e : ex)
        if (Is(e, 0x01, 0xC2))
            out.push_back(AddressOf(e));
    return out;
}

bool IsDeviceStatusRead(const Exchange &e)
{
    return e.framing == Framing::Short && e.block == Bytes{0x80, 1, 0x00, 0x0C};
}

class UpdateTest : public CommandsTest {
protected:
    Bytes image = Image();

    int Update() { return update_fw(image.data(), kFwSize); }

    void ExpectUpdated(unsigned update_resets)
    {
        EXPECT_EQ(Flash(0, kFwSize), image);
        EXPECT_TRUE(emu_flash_tagged());
        EXPECT_EQ(emu_module_device_status(), EMU_DEVICE_RUNNING); // back from the ROM reset
        unsigned to_update = 0, to_rom = 0;
        emu_module_reset_counts(&to_update, &to_rom);
        EXPECT_EQ(to_update, update_resets);
        EXPECT_EQ(to_rom, 1u);
        std::vector<Exchange> ex = Exchanges();
        ASSERT_GE(ex.size(), 2u);
        EXPECT_TRUE(Is(ex[ex.size() - 2], 0x01, 0x09)); // the tag, then the reset
        EXPECT_TRUE(Is(ex.back(), 0x05, 0x08));
        std::vector<uint32_t> writes = Writes(ex);
        ASSERT_EQ(writes.size(), kFwSize / 256); // 256-byte chunks
        EXPECT_EQ(writes.front(), 0u);
        EXPECT_EQ(writes.back(), kFwSize - 256);
    }

    void ExpectUntouched()
    {
        EXPECT_EQ(Flash(0, kFwSize), Factory(0, kFwSize));
        EXPECT_EQ(emu_flash_sectors_erased(), 0u);
        EXPECT_TRUE(emu_flash_tagged());
    }
};

TEST_F(UpdateTest, ModuleInUpdateModeIsUpdatedWithoutReset)
{
    emu_module_set_device_status(EMU_DEVICE_UPDATE_MODE);
    std::string out = Everything([&] { EXPECT_EQ(Update(), 0); });
    ExpectUpdated(0);
    std::vector<Exchange> ex = Exchanges();
    EXPECT_TRUE(IsDeviceStatusRead(ex[0]));
    EXPECT_EQ(Count(ex, 0x05, 0x07), 0u);
    for (const char *line : {"update started", "current device status:1", "cur sector:0", "cur sector:63",
                             "update finished"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    EXPECT_EQ(out.find("deverodi error"), std::string::npos) << out;
}

TEST_F(UpdateTest, RunningModuleIsResetIntoUpdateModeFirst)
{
    emu_module_set_update_mode_delay(3);
    std::string out = Everything([&] { EXPECT_EQ(Update(), 0); });
    ExpectUpdated(1);
    std::vector<Exchange> ex = Exchanges();
    EXPECT_NE(out.find("current device status:2"), std::string::npos);
    ASSERT_GE(ex.size(), 7u);
    EXPECT_TRUE(IsDeviceStatusRead(ex[0]));
    EXPECT_TRUE(Is(ex[1], 0x05, 0x07));
    // Three reads still show 2, the fourth shows update mode.
    for (size_t i = 2; i < 6; i++)
        EXPECT_TRUE(IsDeviceStatusRead(ex[i])) << i;
    EXPECT_TRUE(Is(ex[6], 0x01, 0x81)); // then the flash id
}

TEST_F(UpdateTest, OtherDeviceStatesAreRefused)
{
    for (uint8_t status : {0, 3, 0xFF}) {
        SCOPED_TRACE(int(status));
        emu_module_set_device_status(status);
        emu_log_clear();
        std::string out = Errors([&] { EXPECT_EQ(Update(), -26); });
        EXPECT_NE(out.find("error status:" + std::to_string(status)), std::string::npos) << out;
        EXPECT_EQ(Exchanges().size(), 1u);
        ExpectUntouched();
    }
}

// The module accepts the reset but never shows update mode: nothing is erased or written.
TEST_F(UpdateTest, StatusThatNeverBecomesUpdateModeStopsTheUpdate)
{
    emu_module_fault_update_mode_never(1);
    std::string out = Errors([&] { EXPECT_EQ(Update(), -26); });
    EXPECT_NE(out.find("error status:2"), std::string::npos) << out;
    std::vector<Exchange> ex = Exchanges();
    ASSERT_EQ(ex.size(), 1u + 1u + 1000u);
    EXPECT_TRUE(Is(ex[1], 0x05, 0x07));
    EXPECT_TRUE(IsDeviceStatusRead(ex.back()));
    ExpectUntouched();
}

TEST_F(UpdateTest, FailedStatusReadOrResetStopsTheUpdate)
{
    emu_fault_transfer(0, 1, EMU_TRANSFER_FAIL);
    std::string out = Errors([&] { EXPECT_EQ(Update(), -15); });
    EXPECT_NE(out.find("read current device status failed"), std::string::npos) << out;

    // The status read is three transfers; the fourth is the reset.
    emu_fault_transfer(3, 1, EMU_TRANSFER_FAIL);
    out = Errors([&] { EXPECT_EQ(Update(), -26); });
    EXPECT_NE(out.find("sys_reset_to_update_fw failed"), std::string::npos) << out;
    ExpectUntouched();
}

TEST_F(UpdateTest, EachMakersUnlock)
{
    struct Case {
        const char *name;
        uint8_t maker;
        std::function<void()> setup;
        int result;
        int kind; // the status register the unlock writes and reads, -1 none
    } cases[] = {
        {"C2 protected", 0xC2, [] { emu_flash_set_status(0, 0x3C); }, 0, 0},
        {"EF protected, bit 1 stays", 0xEF, [] { emu_flash_set_status(1, 0x40); }, 0, 1},
        {"C8 protected", 0xC8, [] { emu_flash_set_status(1, 0x40); }, 0, 1},
        {"C8 reading 2", 0xC8, [] { emu_flash_hold_status_bits(1, 0x02); }, -26, 1},
        {"EF reading 4", 0xEF, [] { emu_flash_hold_status_bits(1, 0x04); }, -26, 1},
        {"C2 reading 4", 0xC2, [] { emu_flash_hold_status_bits(0, 0x04); }, -26, 0},
        {"unknown maker", 0x20, [] {}, -26, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emu_command_model_reset();
        emu_module_set_device_status(EMU_DEVICE_UPDATE_MODE);
        emu_flash_set_maker(c.maker);
        c.setup();
        emu_log_clear();
        std::string out = Errors([&] { EXPECT_EQ(Update(), c.result); });
        std::vector<Exchange> ex = Exchanges();
        ASSERT_GE(ex.size(), 2u);
        EXPECT_TRUE(Is(ex[1], 0x01, 0x81));
        if (c.kind >= 0) {
            ASSERT_GE(ex.size(), 4u);
            EXPECT_EQ(Hex(ex[2].block), Hex(Std(0x01, 0xC6, uint32_t(c.kind) << 24, 1)));
            EXPECT_EQ(Hex(ex[2].data), "00 ");
            EXPECT_EQ(Hex(ex[3].block), Hex(Std(0x01, 0x86, uint32_t(c.kind) << 24, 1)));
        } else {
            EXPECT_EQ(ex.size(), 2u);
        }
        if (c.result == 0) {
            ExpectUpdated(0);
        } else {
            EXPECT_NE(out.find("flash status check failed"), std::string::npos) << out;
            ExpectUntouched();
        }
    }
}

TEST_F(UpdateTest, ByteThatDoesNotVerifyStopsAfterItsSector)
{
    emu_module_set_device_status(EMU_DEVICE_UPDATE_MODE);
    emu_flash_fault_bad_byte(5 * kSector + 17, 0x10);
    std::string out = Errors([&] { EXPECT_EQ(Update(), -26); });
    EXPECT_NE(out.find("data compare failed"), std::string::npos) << out;
    std::vector<Exchange> ex = Exchanges();
    std::vector<uint32_t> writes = Writes(ex);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back(), 6 * kSector - 256); // sector 5 was the last one written
    EXPECT_EQ(Count(ex, 0x01, 0x09), 0u);
    EXPECT_EQ(Count(ex, 0x05, 0x08), 0u);
    EXPECT_FALSE(emu_flash_tagged());
    EXPECT_EQ(Flash(0, 5 * kSector), Bytes(image.begin(), image.begin() + 5 * kSector));
}

TEST_F(UpdateTest, AreaThatDoesNotEraseStopsBeforeProgramming)
{
    struct Case {
        uint32_t address;
        const char *message;
    } cases[] = {{0x10, "flash first 4k check failed"}, {kFwSize - kSector + 100, "flash last 4k check failed"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        emu_command_model_reset();
        emu_module_set_device_status(EMU_DEVICE_UPDATE_MODE);
        emu_flash_fault_bad_byte(c.address, 0x01);
        emu_log_clear();
        std::string out = Errors([&] { EXPECT_EQ(Update(), -26); });
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_TRUE(Writes(Exchanges()).empty());
    }
}

TEST_F(UpdateTest, WrongSizeOrNoImageSendsNothing)
{
    for (uint32_t size : {0x3FFFFu, 0x40001u, 0u, 0x80000u}) {
        std::string out = Errors([&] { EXPECT_EQ(update_fw(image.data(), size), -1); });
        EXPECT_NE(out.find("error data size"), std::string::npos) << size;
    }
    std::string out = Errors([&] { EXPECT_EQ(update_fw(nullptr, kFwSize), -1); });
    EXPECT_NE(out.find("data is empty"), std::string::npos);
    EXPECT_EQ(emu_log_count(), 0u);
}

// A sector whose read-back failed is not taken as verified, even when the zeroed buffer happens
// to equal the image (a sector of zeros here).
TEST_F(UpdateTest, FailedReadBackIsNotAMatch)
{
    std::fill(image.begin(), image.begin() + kSector, 0);
    emu_module_set_device_status(EMU_DEVICE_UPDATE_MODE);
    ASSERT_EQ(Update(), 0);
    // Find the read-back's first fetch: the first data read after the first SPI write.
    size_t fetch = 0;
    bool written = false;
    for (size_t i = 0; i < emu_log_count(); i++) {
        emu_transfer t;
        emu_log_get(i, &t);
        if (t.request_type == 0x41 && t.index == 0x9D00 && t.data[0] == 0x01 && t.data[1] == 0xC2)
            written = true;
        if (written && t.request_type == 0xC1 && t.index == 0x1D08) {
            fetch = i;
            break;
        }
    }
    ASSERT_GT(fetch, 0u);
    emu_command_model_reset();
    emu_module_set_device_status(EMU_DEVICE_UPDATE_MODE);
    emu_log_clear();
    emu_fault_transfer(unsigned(fetch), 1, EMU_TRANSFER_FAIL);
    std::string out = Errors([&] { EXPECT_EQ(Update(), -26); });
    EXPECT_NE(out.find("data compare failed"), std::string::npos) << out;
    EXPECT_FALSE(emu_flash_tagged());
}

// ---- user flash ----

TEST_F(CommandsTest, UserFlashRoundTrip)
{
    Bytes a(4096), b(4096);
    for (size_t i = 0; i < a.size(); i++) {
        a[i] = uint8_t(i * 13 + 1);
        b[i] = uint8_t(~a[i]); // sets every bit the first write cleared: needs the erase
    }
    for (Bytes *data : {&a, &b}) {
        emu_log_clear();
        ASSERT_EQ(user_flash_write(data->data()), 0);
        std::vector<Exchange> ex = Exchanges();
        ASSERT_EQ(ex.size(), 1u + 16u);
        EXPECT_EQ(Hex(ex[0].block), Hex(Std(0x01, 0x08, 0x7FF000, 1)));
        EXPECT_EQ(Writes(ex).front(), 0x7FF000u);
        Bytes back(4096);
        ASSERT_EQ(user_flash_read(back.data()), 0);
        EXPECT_EQ(back, *data);
        EXPECT_EQ(Flash(0x7FF000, 4096), *data);
    }
    EXPECT_EQ(Flash(0x7FE000, 4096), Factory(0x7FE000, 4096));
}

TEST_F(CommandsTest, UserFlashRefusals)
{
    std::string out = Errors([] {
        EXPECT_EQ(user_flash_read(nullptr), -1);
        EXPECT_EQ(user_flash_write(nullptr), -1);
    });
    EXPECT_NE(out.find("data is empty"), std::string::npos);
    EXPECT_EQ(emu_log_count(), 0u);

    Bytes data(4096, 0x42);
    emu_fault_error_status(0x0A, 1);
    out = Errors([&] { EXPECT_EQ(user_flash_write(data.data()), -16); });
    EXPECT_NE(out.find("spi erase sector failed"), std::string::npos) << out;
    EXPECT_TRUE(Writes(Exchanges()).empty());
}

// ---- correction table ----

TEST_F(CommandsTest, CorrectionTableIdChecks)
{
    struct Case {
        uint8_t sub, main;
        int result;
        const char *message;
    } cases[] = {
        {0x22, 0x00, 0, nullptr},
        {0x23, 0x00, 0, nullptr},
        {0x22, 0x01, -26, "CUSTOMER_MAIN_ID is wrong"},
        {0x21, 0x00, -26, "CUSTOMER_SUB_ID is wrong"},
        {0x24, 0x00, -26, "CUSTOMER_SUB_ID is wrong"},
        {0x00, 0x00, -26, "CUSTOMER_SUB_ID is wrong"},
        {0x00, 0xFF, -26, "CUSTOMER_MAIN_ID is wrong"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.sub) * 256 + c.main);
        uint8_t info[8] = {0x01, 0x00, c.sub, c.main, 0x01, 0x09, 0x01, 0x00};
        emu_module_set_device_info(0, info, sizeof info);
        emu_log_clear();
        Bytes table(0x4000, 0xEE);
        std::string out = Errors([&] { EXPECT_EQ(get_tpd_nuc_t(table.data()), c.result); });
        std::vector<Exchange> ex = Exchanges();
        ASSERT_FALSE(ex.empty());
        EXPECT_EQ(Hex(ex[0].block), Hex(Std(0x05, 0x84, 0, 8)));
        if (c.result == 0) {
            EXPECT_EQ(table, Factory(0xDA000, 0x4000));
            EXPECT_EQ(ex.size(), 1u + 0x4000 / 256);
            EXPECT_EQ(AddressOf(ex[1]), 0xDA000u);
        } else {
            EXPECT_NE(out.find(c.message), std::string::npos) << out;
            EXPECT_EQ(ex.size(), 1u);
            EXPECT_EQ(table[0], 0xEE);
        }
    }
}

TEST_F(CommandsTest, CorrectionTableRefusals)
{
    std::string out = Errors([] { EXPECT_EQ(get_tpd_nuc_t(nullptr), -1); });
    EXPECT_NE(out.find("nuc_t_table is NULL"), std::string::npos);
    EXPECT_EQ(emu_log_count(), 0u);
    // A failed identity read leaves zeros, and a sub id of 0 is refused.
    Bytes table(0x4000);
    emu_fault_error_status(0x0A, 1);
    out = Errors([&] { EXPECT_EQ(get_tpd_nuc_t(table.data()), -26); });
    EXPECT_NE(out.find("CUSTOMER_SUB_ID is wrong"), std::string::npos) << out;
}

// ---- dead-pixel calibration ----

Bytes DpcBlock(uint8_t block)
{
    Bytes b(block == EMU_SDPC_BLOCK ? EMU_SDPC_SIZE : EMU_DDPC_SIZE);
    emu_module_dpc_block(block, b.data());
    return b;
}

TEST_F(CommandsTest, CalibrationWithZeroSecondsWritesBothStatesBackToBack)
{
    Bytes sdpc = DpcBlock(EMU_SDPC_BLOCK), ddpc = DpcBlock(EMU_DDPC_BLOCK);
    ASSERT_EQ(dpc_auto_calibration(0), 0);
    std::vector<Exchange> ex = Exchanges();
    ASSERT_EQ(ex.size(), 6u);
    EXPECT_EQ(Hex(ex[0].block), Hex(Std(0x09, 0x81, 0x02000000, 5)));
    EXPECT_EQ(Hex(ex[1].block), Hex(Std(0x09, 0xC1, 0x02000000, 5)));
    EXPECT_EQ(Hex(ex[2].block), Hex(Std(0x09, 0x81, 0x0A000000, 14)));
    EXPECT_EQ(Hex(ex[3].block), Hex(Std(0x09, 0xC1, 0x0A000000, 14)));
    EXPECT_EQ(Hex(ex[4].block), Hex(Std(0x09, 0xC1, 0x02000000, 5)));
    EXPECT_EQ(Hex(ex[5].block), Hex(Std(0x09, 0xC1, 0x0A000000, 14)));

    struct Written {
        uint8_t block;
        size_t flag;
        uint8_t value;
    } expected[] = {{EMU_SDPC_BLOCK, 1, 1}, {EMU_DDPC_BLOCK, 0, 1}, {EMU_SDPC_BLOCK, 1, 0}, {EMU_DDPC_BLOCK, 0, 0}};
    ASSERT_EQ(emu_module_dpc_write_count(), 4u);
    for (size_t i = 0; i < 4; i++) {
        uint8_t block = 0, data[EMU_DDPC_SIZE] = {};
        ASSERT_EQ(emu_module_dpc_write_get(i, &block, data), 0);
        EXPECT_EQ(block, expected[i].block) << i;
        Bytes want = block == EMU_SDPC_BLOCK ? sdpc : ddpc; // the other bytes exactly as read
        want[expected[i].flag] = expected[i].value;
        EXPECT_EQ(Hex(Bytes(data, data + want.size())), Hex(want)) << i;
    }
    Bytes sdpc_after = sdpc, ddpc_after = ddpc;
    sdpc_after[1] = 0;
    ddpc_after[0] = 0;
    EXPECT_EQ(DpcBlock(EMU_SDPC_BLOCK), sdpc_after);
    EXPECT_EQ(DpcBlock(EMU_DDPC_BLOCK), ddpc_after);
}

TEST_F(CommandsTest, CalibrationStopsAtTheFailingExchange)
{
    // Transfers: sdpc read 3, sdpc write 3, ddpc read 3, ddpc write 4, sdpc write 3, ddpc write 4.
    struct Case {
        unsigned skip;
        const char *message;
        size_t writes;
        uint8_t sdpc_flag; // as the last successful write left it
    } cases[] = {
        {0, "read sdpc param failed:-15", 0, 0},  {3, "write sdpc param failed:-15", 0, 0},
        {6, "read ddpc param failed:-15", 1, 1},  {9, "write ddpc param failed:-15", 1, 1},
        {13, "write sdpc param failed:-15", 2, 1}, {16, "write ddpc param failed:-15", 3, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        emu_command_model_reset();
        emu_fault_transfer(c.skip, 1, EMU_TRANSFER_FAIL);
        std::string out = Errors([] { EXPECT_EQ(dpc_auto_calibration(0), -15); });
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_EQ(emu_module_dpc_write_count(), c.writes);
        EXPECT_EQ(DpcBlock(EMU_SDPC_BLOCK)[1], c.sdpc_flag);
    }
}

} // namespace
