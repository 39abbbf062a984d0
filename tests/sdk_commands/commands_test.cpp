// The module command set on the emulated module: the exchange each command makes, what each
// getter decodes, the argument checks and the property ranges.
#include "tests/sdk_commands/commands_fixture.h"

#include <algorithm>
#include <functional>
#include <thread>

using namespace commands_test;

namespace {

struct Sent {
    Bytes block = {};
    Bytes data = {};
    int reply_length = -1;
};

struct CommandCase {
    const char *name;
    std::function<int()> call;
    Sent sent;
};

uint8_t buf[64];
uint16_t words[8];
uint8_t b1, b2;

point_t P(uint16_t x, uint16_t y)
{
    return point_t{x, y};
}

const CommandCase kCommands[] = {
    // SPI flash
    {"spi_read_id", [] { return spi_read_id(buf); }, {Std(0x01, 0x81, 0, 6), {}, 6}},
    {"spi_read", [] { return spi_read(0x000100, 16, buf); }, {Std(0x01, 0x82, 0x100, 16), {}, 16}},
    {"spi_read_status", [] { return spi_read_status(1, &b1); }, {Std(0x01, 0x86, 0x01000000, 1), {}, 1}},
    {"spi_write", [] { static uint8_t d[3] = {1, 2, 3}; return spi_write(0x7FF010, 3, d); },
     {Std(0x01, 0xC2, 0x7FF010, 3), {1, 2, 3}}},
    {"spi_write_status", [] { return spi_write_status(2, 0x5A); }, {Std(0x01, 0xC6, 0x02000000, 1), {0x5A}}},
    {"spi_erase_fw", [] { return spi_erase_fw(); }, {Std(0x01, 0x07, 0, 0)}},
    {"spi_write_tag", [] { return spi_write_tag(); }, {Std(0x01, 0x09, 0, 0)}},
    {"spi_config_save", [] { return spi_config_save(3); }, {Std(0x01, 0x0B, 0x03000000, 0)}},
    {"spi_config_load", [] { return spi_config_load(4); }, {Std(0x01, 0x0C, 0x04000000, 0)}},
    {"restore_default_cfg", [] { return restore_default_cfg(2); }, {Std(0x01, 0x0E, 0x02000000, 0)}},
    // identity and resets
    {"get_device_info 3", [] { return get_device_info(3, buf); }, {Std(0x05, 0x84, 0x03000000, 26), {}, 26}},
    {"get_sn", [] { return get_sn(buf); }, {Std(0x05, 0x84, 0x07000000, 16), {}, 16}},
    {"get_pn", [] { return get_pn(buf); }, {Std(0x05, 0x84, 0x06000000, 48), {}, 48}},
    {"set_sn", [] { static uint8_t sn[16] = "SN-CHANGED-0042"; return set_sn(sn); },
     {Std(0x05, 0xC4, 0x01000000, 16), Bytes((const uint8_t *)"SN-CHANGED-0042", (const uint8_t *)"SN-CHANGED-0042" + 16)}},
    {"set_pn", [] { static uint8_t pn[48] = {9, 8, 7}; return set_pn(pn); },
     {Std(0x05, 0xC4, 0, 48), [] { Bytes b(48); b[0] = 9; b[1] = 8; b[2] = 7; return b; }()}},
    {"sys_reset_to_update_fw", [] { return sys_reset_to_update_fw(); }, {Std(0x05, 0x07, 0, 0)}},
    {"sys_reset_to_rom", [] { return sys_reset_to_rom(); }, {Std(0x05, 0x08, 0, 0)}},
    // capture, image, preview
    {"start_capture", [] { return start_capture(); }, {Std(0x06, 0x01, 0, 0)}},
    {"get_capture_data", [] { start_capture(); emu_log_clear(); return get_capture_data(); }, {Std(0x06, 0x02, 0, 0)}},
    {"exit_capture", [] { return exit_capture(); }, {Std(0x06, 0x03, 0, 0)}},
    {"pseudo_color_get", [] { return pseudo_color_get(2, &b1); }, {Std(0x09, 0x84, 0x02000000, 1), {}, 1}},
    {"pseudo_color_set", [] { return pseudo_color_set(2, 7); }, {Std(0x09, 0xC4, 0x02000000, 1), {7}}},
    {"y16_preview_start", [] { return y16_preview_start(3, 9); }, {Std(0x0A, 0x01, 0x03000009, 0)}},
    {"y16_preview_stop", [] { return y16_preview_stop(4); }, {Std(0x0A, 0x02, 0x04000000, 0)}},
    {"preview_start on",
     [] {
         uint8_t r[8] = {5, 1, 0, 0, 0, 0, 7, 8};
         uint16_t w = 256, h = 192;
         std::memcpy(r + 2, &w, 2);
         std::memcpy(r + 4, &h, 2);
         return preview_start(r);
     },
     {Std(0x0F, 0xC1, 0, 8), {5, 0x80, 0x01, 0x00, 0x00, 0xC0, 7, 8}}},
    {"preview_start other",
     [] {
         uint8_t r[8] = {5, 2, 0, 0, 0, 0, 7, 8};
         uint16_t w = 0x1234;
         std::memcpy(r + 2, &w, 2);
         return preview_start(r);
     },
     {Std(0x0F, 0xC1, 0, 8), {5, 0x00, 0x12, 0x34, 0x00, 0x00, 7, 8}}},
    {"preview_stop", [] { return preview_stop(6); }, {Std(0x0F, 0x02, 0x06000000, 0)}},
    // shutter, lens and cover
    {"shutter_sta_get", [] { return shutter_sta_get(&b1, &b2); }, {Std(0x0C, 0x83, 0, 2), {}, 2}},
    {"shutter_sta_set", [] { return shutter_sta_set(1); }, {Std(0x0C, 0x41, 0x01000000, 0)}},
    {"shutter_manual_switch", [] { return shutter_manual_switch(1); }, {Std(0x0C, 0x42, 0x01000000, 0)}},
    {"shutter_vtemp_get", [] { return shutter_vtemp_get(words); }, {Std(0x0C, 0x89, 0, 2), {}, 2}},
    {"cur_vtemp_get", [] { return cur_vtemp_get(words); }, {Std(0x0D, 0x8B, 0, 2), {}, 2}},
    {"tecless_temp_area_get", [] { return tecless_temp_area_get(&b1); }, {Std(0x0D, 0x8A, 0, 1), {}, 1}},
    {"lens_k_cal", [] { return lens_k_cal(); }, {Std(0x0D, 0x0C, 0, 0)}},
    {"ooc_b_update", [] { return ooc_b_update(5); }, {Std(0x0D, 0xC1, 0x05000000, 0)}},
    {"rmcover_auto_calc", [] { return rmcover_auto_calc(4); }, {Std(0x0D, 0x0E, 0x04000000, 0)}},
    {"rmcover_sts_switch 0", [] { return rmcover_sts_switch(0); }, {Std(0x0D, 0x05, 0, 0)}},
    {"rmcover_sts_switch 1", [] { return rmcover_sts_switch(1); }, {Std(0x0D, 0x0D, 0, 0)}},
    // temperature parameters
    {"tpd_ems_get", [] { return tpd_ems_get(&b1); }, {Std(0x0E, 0x81, 0, 1), {}, 1}},
    {"tpd_ems_set", [] { return tpd_ems_set(0x1FE); }, {Std(0x0E, 0x01, 0, 1), {0xFE}}},
    {"tpd_distance_get", [] { return tpd_distance_get(buf); }, {Std(0x0E, 0x82, 0, 2), {}, 2}},
    {"tpd_distance_set", [] { static uint8_t d[2] = {0x12, 0x34}; return tpd_distance_set(d); },
     {Std(0x0E, 0x02, 0, 2), {0x12, 0x34}}},
    {"tpd_ktbt_recal_1point", [] { return tpd_ktbt_recal_1point(0x1234); }, {Std(0x0E, 0xC4, 0, 2), {0x12, 0x34}}},
    {"tpd_ktbt_recal_2point", [] { return tpd_ktbt_recal_2point(1, 0xABCD); },
     {Std(0x0E, 0xC5, 0x01000000, 2), {0xAB, 0xCD}}},
    // temperature regions and labels
    {"tpd_get_max_temp", [] { return tpd_get_max_temp(words); }, {Long(0x11, 0x81, 0, 0, 0, 2), {}, 2}},
    {"tpd_get_min_temp", [] { return tpd_get_min_temp(words); }, {Long(0x11, 0x82, 0, 0, 0, 2), {}, 2}},
    {"tpd_get_max_min_temp_info", [] { return tpd_get_max_min_temp_info(words); },
     {Long(0x11, 0x83, 0, 0, 0, 12), {}, 12}},
    {"tpd_get_point_temp_info", [] { return tpd_get_point_temp_info(P(10, 20), words); },
     {Long(0x11, 0x86, 0, 0x000A0014, 0, 2), {}, 2}},
    {"tpd_get_line_temp_info", [] { return tpd_get_line_temp_info(P(1, 2), P(30, 40), words); },
     {Long(0x11, 0x89, 0, 0x00010002, 0x001E0028, 14), {}, 14}},
    {"tpd_get_rect_temp_info", [] { return tpd_get_rect_temp_info(P(5, 6), P(50, 60), words); },
     {Long(0x11, 0x8C, 0, 0x00050006, 0x0032003C, 14), {}, 14}},
    {"tpd_set_rect_temp_thd", [] { return tpd_set_rect_temp_thd(P(3, 4), 0x1234); },
     {Long(0x11, 0x0D, 0, 0x00030004, 0x12340000, 12)}},
    {"tpd_show_point_temp", [] { return tpd_show_point_temp(1, 3, P(10, 20)); },
     {Long(0x11, 0x0F, 0xFF03, 0x000A0014, 0, 0)}},
    {"tpd_show_point_temp last", [] { return tpd_show_point_temp(2, 11, P(0, 0)); },
     {Long(0x11, 0x0F, 0x7F0B, 0, 0, 0)}},
    {"tpd_hide_point_temp", [] { return tpd_hide_point_temp(1, 2); }, {Long(0x11, 0x10, 0xFF02, 0, 0, 0)}},
    {"tpd_show_rect_temp", [] { return tpd_show_rect_temp(0, 20, P(1, 2), P(3, 4)); },
     {Long(0x11, 0x13, 0x7F14, 0x00010002, 0x00030004, 0)}},
    {"tpd_hide_rect_temp", [] { return tpd_hide_rect_temp(3, 5); }, {Long(0x11, 0x14, 0xFF05, 0, 0, 0)}},
    {"tpd_show_frame_temp", [] { return tpd_show_frame_temp(0x0102, temp_color_t{{0xAA, 0xBB, 0xCC, 0xDD}}); },
     {Long(0x11, 0x15, 0x0102, 0x7F7F7F00, 0xAABBCC00, 0)}},
    {"tpd_hide_frame_temp", [] { return tpd_hide_frame_temp(0x0304); }, {Long(0x11, 0x16, 0x0304, 0, 0, 0)}},
    // zoom and dead pixels
    {"zoom_center_up", [] { return zoom_center_up(2, 3); }, {Long(0x12, 0x01, 0x0203, 0, 0, 0)}},
    {"zoom_center_down", [] { return zoom_center_down(1, 0); }, {Long(0x12, 0x02, 0x0100, 0, 0, 0)}},
    {"zoom_position_up", [] { return zoom_position_up(1, 2, P(100, 50)); },
     {Long(0x12, 0x03, 0x0102, 0x00640032, 0, 0)}},
    {"zoom_position_down", [] { return zoom_position_down(4, 1, P(7, 8)); },
     {Long(0x12, 0x04, 0x0401, 0x00070008, 0, 0)}},
    {"dpc_add_point", [] { return dpc_add_point(P(7, 9)); }, {Long(0x13, 0x01, 0, 7, 9, 0)}},
    {"dpc_remove_point", [] { dpc_add_point(P(7, 9)); emu_log_clear(); return dpc_remove_point(P(7, 9)); },
     {Long(0x13, 0x02, 0, 7, 9, 0)}},
    // properties
    {"load_prop_default_params", [] { return load_prop_default_params(2); }, {Long(0x14, 0x01, 2, 0, 0, 0)}},
    {"get_prop_auto_shutter_params", [] { return get_prop_auto_shutter_params(2, words); },
     {Long(0x14, 0x82, 2, 0, 0, 2), {}, 2}},
    {"set_prop_auto_shutter_params", [] { return set_prop_auto_shutter_params(1, 5); },
     {Long(0x14, 0xC2, 1, 5, 0, 0)}},
    {"get_prop_image_params", [] { return get_prop_image_params(3, words); }, {Long(0x14, 0x83, 3, 0, 0, 2), {}, 2}},
    {"set_prop_image_params", [] { return set_prop_image_params(3, 200); }, {Long(0x14, 0xC3, 3, 200, 0, 0)}},
    {"get_prop_overexposure_params", [] { return get_prop_overexposure_params(2, words); },
     {Long(0x14, 0x84, 2, 0, 0, 4), {}, 4}},
    {"set_prop_overexposure_params", [] { return set_prop_overexposure_params(2, 0xFFFF); },
     {Long(0x14, 0xC4, 2, 0xFFFF, 0, 0)}},
    {"get_prop_tpd_params", [] { return get_prop_tpd_params(1, words); }, {Long(0x14, 0x85, 1, 0, 0, 2), {}, 2}},
    {"set_prop_tpd_params", [] { return set_prop_tpd_params(1, 900); }, {Long(0x14, 0xC5, 1, 900, 0, 0)}},
    // raw module memory
    {"xdata_read", [] { return xdata_read(0x0040, 3, buf); }, {{0x80, 3, 0x00, 0x40}, {}, 3}},
    {"i2c_slave_read", [] { return i2c_slave_read(0x1234, 2, buf); }, {{0x80, 2, 0x12, 0x34}, {}, 2}},
    {"xdata_write", [] { static uint8_t d[2] = {9, 8}; return xdata_write(0x1234, 2, d); },
     {{0x81, 2, 0x12, 0x34}, {9, 8}}},
};

TEST_F(CommandsTest, EachCommandSendsItsExchange)
{
    for (const CommandCase &c : kCommands) {
        SCOPED_TRACE(c.name);
        emu_log_clear();
        ASSERT_EQ(c.call(), 0);
        std::vector<Exchange> ex = Exchanges();
        ASSERT_EQ(ex.size(), 1u);
        EXPECT_EQ(Hex(ex[0].block), Hex(c.sent.block));
        EXPECT_EQ(Hex(ex[0].data), Hex(c.sent.data));
        EXPECT_EQ(ex[0].reply_length, c.sent.reply_length);
    }
}

// ---- what the getters decode ----

struct Region {
    uint16_t max, max_x, max_y, min, min_x, min_y;
    uint64_t sum = 0, count = 0;
    void Add(int x, int y)
    {
        uint16_t v = emu_scene_sample(1, 0, x, y);
        if (count == 0 || v > max) {
            max = v;
            max_x = uint16_t(x);
            max_y = uint16_t(y);
        }
        if (count == 0 || v < min) {
            min = v;
            min_x = uint16_t(x);
            min_y = uint16_t(y);
        }
        sum += v;
        count++;
    }
    std::vector<uint16_t> Values(size_t n) const
    {
        std::vector<uint16_t> v{max, max_x, max_y, min, min_x, min_y, uint16_t(sum / count)};
        v.resize(n);
        return v;
    }
};

Region Rect(int x0, int y0, int x1, int y1)
{
    Region r{};
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            r.Add(x, y);
    return r;
}

TEST_F(CommandsTest, TemperatureRepliesDecodeBigEndian)
{
    Region frame = Rect(0, 0, 255, 191);
    uint16_t v = 0;
    ASSERT_EQ(tpd_get_max_temp(&v), 0);
    EXPECT_EQ(v, frame.max);
    ASSERT_EQ(tpd_get_min_temp(&v), 0);
    EXPECT_EQ(v, frame.min);
    // The hottest pixel is in the over-hot part of the right board.
    EXPECT_GT(frame.max_x, 128);

    std::vector<uint16_t> six(6);
    ASSERT_EQ(tpd_get_max_min_temp_info(six.data()), 0);
    EXPECT_EQ(six, frame.Values(6));

    ASSERT_EQ(tpd_get_point_temp_info(point_t{200, 100}, &v), 0);
    EXPECT_EQ(v, emu_scene_sample(1, 0, 200, 100));

    std::vector<uint16_t> seven(7);
    // Corners in either order give the same rectangle.
    ASSERT_EQ(tpd_get_rect_temp_info(point_t{60, 70}, point_t{20, 30}, seven.data()), 0);
    EXPECT_EQ(seven, Rect(20, 30, 60, 70).Values(7));

    // A horizontal line is the row between its ends.
    ASSERT_EQ(tpd_get_line_temp_info(point_t{10, 50}, point_t{90, 50}, seven.data()), 0);
    EXPECT_EQ(seven, Rect(10, 50, 90, 50).Values(7));
}

TEST_F(CommandsTest, FixedAndStoredRepliesDecode)
{
    uint16_t v = 0;
    ASSERT_EQ(shutter_vtemp_get(&v), 0);
    EXPECT_EQ(v, EMU_MODULE_SHUTTER_VTEMP);
    ASSERT_EQ(cur_vtemp_get(&v), 0);
    EXPECT_EQ(v, EMU_MODULE_CUR_VTEMP);
    uint8_t area = 0;
    ASSERT_EQ(tecless_temp_area_get(&area), 0);
    EXPECT_EQ(area, EMU_MODULE_TECLESS_AREA);

    ASSERT_EQ(shutter_sta_set(1), 0);
    ASSERT_EQ(shutter_manual_switch(3), 0);
    uint8_t first = 0, second = 0;
    ASSERT_EQ(shutter_sta_get(&first, &second), 0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 3);

    ASSERT_EQ(tpd_ems_set(0x161), 0);
    uint8_t ems = 0;
    ASSERT_EQ(tpd_ems_get(&ems), 0);
    EXPECT_EQ(ems, 0x61);

    uint8_t distance[2] = {0xBE, 0xEF};
    ASSERT_EQ(tpd_distance_set(distance), 0);
    uint8_t back[2] = {};
    ASSERT_EQ(tpd_distance_get(back), 0);
    EXPECT_EQ(back[0], 0xBE); // as received, no byte order applied
    EXPECT_EQ(back[1], 0xEF);

    ASSERT_EQ(pseudo_color_set(4, 11), 0);
    uint8_t colour = 0;
    ASSERT_EQ(pseudo_color_get(4, &colour), 0);
    EXPECT_EQ(colour, 11);

    uint8_t id[6] = {}, expected_id[6];
    emu_flash_id(expected_id);
    ASSERT_EQ(spi_read_id(id), 0);
    EXPECT_EQ(std::memcmp(id, expected_id, 6), 0);
    EXPECT_EQ(id[2], EMU_FLASH_DEFAULT_MAKER);

    uint8_t status = 0;
    ASSERT_EQ(spi_read_status(1, &status), 0);
    EXPECT_EQ(status, emu_flash_status(1));

    uint8_t memory[3] = {0xA1, 0xB2, 0xC3}, read_back[3] = {};
    ASSERT_EQ(xdata_write(0x0100, 3, memory), 0);
    ASSERT_EQ(i2c_slave_read(0x0100, 3, read_back), 0);
    EXPECT_EQ(std::memcmp(memory, read_back, 3), 0);
    uint8_t device_status = 0;
    ASSERT_EQ(xdata_read(0x000C, 1, &device_status), 0);
    EXPECT_EQ(device_status, EMU_DEVICE_RUNNING);
}

TEST_F(CommandsTest, DeviceInfoOfEveryKind)
{
    const size_t lengths[] = {8, 8, 8, 26, 4, 50, 48, 16};
    for (uint32_t kind = 0; kind < 8; kind++) {
        SCOPED_TRACE(kind);
        uint8_t out[64], expected[64] = {};
        std::memset(out, 0xEE, sizeof out);
        emu_module_device_info(kind, expected, lengths[kind]);
        emu_log_clear();
        ASSERT_EQ(get_device_info(kind, out), 0);
        EXPECT_EQ(std::memcmp(out, expected, lengths[kind]), 0);
        EXPECT_EQ(out[lengths[kind]], 0xEE); // nothing past the kind's length
        std::vector<Exchange> ex = Exchanges();
        ASSERT_EQ(ex.size(), 1u);
        EXPECT_EQ(ex[0].reply_length, int(lengths[kind]));
    }
    uint8_t sn[16], info7[16];
    ASSERT_EQ(get_sn(sn), 0);
    emu_module_device_info(7, info7, 16);
    EXPECT_EQ(std::memcmp(sn, info7, 16), 0);
}

TEST_F(CommandsTest, SerialAndPartNumbersRoundTrip)
{
    uint8_t sn[16] = "SN-NEW-00000077", pn[48] = "PN-NEW";
    ASSERT_EQ(set_sn(sn), 0);
    ASSERT_EQ(set_pn(pn), 0);
    uint8_t sn_back[16] = {}, pn_back[48] = {};
    ASSERT_EQ(get_sn(sn_back), 0);
    ASSERT_EQ(get_pn(pn_back), 0);
    EXPECT_EQ(std::memcmp(sn, sn_back, 16), 0);
    EXPECT_EQ(std::memcmp(pn, pn_back, 48), 0);
}

TEST_F(CommandsTest, DeviceInfoKind8IsTheStatusWord)
{
    uint32_t word = 0;
    ASSERT_EQ(get_device_info(8, reinterpret_cast<uint8_t *>(&word)), 0);
    EXPECT_EQ(word, EMU_MODULE_STATUS_WORD);
    std::vector<Exchange> ex = Exchanges();
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(Hex(ex[0].block), Hex(Std(0x0B, 0x82, 0, 10)));
    EXPECT_EQ(ex[0].reply_length, 10);

    // A failed read leaves the output as it was.
    word = 0xCAFEF00D;
    emu_fault_error_status(0x0A, 1);
    EXPECT_EQ(get_device_info(8, reinterpret_cast<uint8_t *>(&word)), -16);
    EXPECT_EQ(word, 0xCAFEF00Du);
}

TEST_F(CommandsTest, DeviceInfoAbove8AsksForNothing)
{
    for (uint32_t kind : {9u, 10u, 200u, 0xFFFFFFFFu}) {
        uint8_t out[4] = {1, 2, 3, 4};
        emu_log_clear();
        EXPECT_EQ(get_device_info(kind, out), 0) << kind;
        EXPECT_EQ(emu_log_count(), 0u);
        EXPECT_EQ(out[0], 1);
    }
}

// A getter whose exchange failed decodes zeros, not whatever its output held.
TEST_F(CommandsTest, FailedExchangeDecodesAsZero)
{
    struct Case {
        const char *name;
        std::function<int()> call;
        std::function<bool()> zero;
    } cases[] = {
        {"tpd_get_max_temp", [] { words[0] = 0xFFFF; return tpd_get_max_temp(words); }, [] { return words[0] == 0; }},
        {"tpd_get_rect_temp_info",
         [] {
             std::fill(words, words + 8, 0xFFFF);
             return tpd_get_rect_temp_info(point_t{0, 0}, point_t{3, 3}, words);
         },
         [] { return std::all_of(words, words + 7, [](uint16_t w) { return w == 0; }) && words[7] == 0xFFFF; }},
        {"cur_vtemp_get", [] { words[0] = 0xFFFF; return cur_vtemp_get(words); }, [] { return words[0] == 0; }},
        {"shutter_sta_get", [] { b1 = b2 = 0xFF; return shutter_sta_get(&b1, &b2); }, [] { return b1 == 0 && b2 == 0; }},
        {"get_sn", [] { std::fill(buf, buf + 16, 0xFF); return get_sn(buf); },
         [] { return std::all_of(buf, buf + 16, [](uint8_t b) { return b == 0; }); }},
        {"get_prop_overexposure_params", [] { words[0] = 0xFFFF; return get_prop_overexposure_params(1, words); },
         [] { return words[0] == 0; }},
        {"tpd_ems_get", [] { b1 = 0xFF; return tpd_ems_get(&b1); }, [] { return b1 == 0; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emu_fault_error_status(0x0A, 1);
        EXPECT_EQ(c.call(), -16);
        EXPECT_TRUE(c.zero());
    }
}

// ---- argument checks: refused before anything is sent ----

TEST_F(CommandsTest, RefusedArgumentsSendNothing)
{
    struct Case {
        const char *name;
        std::function<int()> call;
        int result;
        const char *message;
    } cases[] = {
        {"pseudo_color_set 0", [] { return pseudo_color_set(0, 0); }, -1, "parameter error"},
        {"pseudo_color_set 12", [] { return pseudo_color_set(0, 12); }, -1, "parameter error"},
        {"pseudo_color_set -1", [] { return pseudo_color_set(0, -1); }, -1, "parameter error"},
        {"spi_config_load 5", [] { return spi_config_load(5); }, -1, "error parameter"},
        {"rmcover_auto_calc 3", [] { return rmcover_auto_calc(3); }, -1, "parameter:zoom_scale error"},
        {"rmcover_auto_calc 0", [] { return rmcover_auto_calc(0); }, -1, "parameter:zoom_scale error"},
        {"rmcover_auto_calc 8", [] { return rmcover_auto_calc(8); }, -1, "parameter:zoom_scale error"},
        {"rmcover_sts_switch 2", [] { return rmcover_sts_switch(2); }, -1, "parameter:en_sts error"},
        {"rmcover_sts_switch -1", [] { return rmcover_sts_switch(-1); }, -1, "parameter:en_sts error"},
        {"tpd_ktbt_recal_2point 2", [] { return tpd_ktbt_recal_2point(2, 1); }, -1, "error parameter"},
        {"tpd_ktbt_recal_2point -1", [] { return tpd_ktbt_recal_2point(-1, 1); }, -1, "error parameter"},
        {"tpd_show_point_temp 12", [] { return tpd_show_point_temp(1, 12, point_t{10, 20}); }, -1,
         "point_idx out of the range"},
        {"tpd_hide_point_temp 255", [] { return tpd_hide_point_temp(0, 255); }, -1, "point_idx out of the range"},
        {"lens_vtemp_get", [] { words[0] = 9; return lens_vtemp_get(words); }, -20, "unsupported command"},
        // null outputs and data
        {"cur_vtemp_get", [] { return cur_vtemp_get(nullptr); }, -1, "parameter error"},
        {"get_device_info", [] { return get_device_info(0, nullptr); }, -1, "parameter error"},
        {"get_sn", [] { return get_sn(nullptr); }, -1, "parameter error"},
        {"get_pn", [] { return get_pn(nullptr); }, -1, "parameter error"},
        {"set_sn", [] { return set_sn(nullptr); }, -1, "parameter error"},
        {"set_pn", [] { return set_pn(nullptr); }, -1, "parameter error"},
        {"pseudo_color_get", [] { return pseudo_color_get(0, nullptr); }, -1, "parameter error"},
        {"shutter_vtemp_get", [] { return shutter_vtemp_get(nullptr); }, -1, "parameter error"},
        {"tecless_temp_area_get", [] { return tecless_temp_area_get(nullptr); }, -1, "parameter error"},
        {"tpd_distance_get", [] { return tpd_distance_get(nullptr); }, -1, "parameter error"},
        {"tpd_ems_get", [] { return tpd_ems_get(nullptr); }, -1, "parameter error"},
        // guarded here as well, where a null pointer would otherwise be dereferenced
        {"spi_read", [] { return spi_read(0, 4, nullptr); }, -1, "parameter error"},
        {"spi_write", [] { return spi_write(0, 4, nullptr); }, -1, "parameter error"},
        {"spi_read_id", [] { return spi_read_id(nullptr); }, -1, "parameter error"},
        {"shutter_sta_get", [] { return shutter_sta_get(&b1, nullptr); }, -1, "parameter error"},
        {"tpd_get_max_temp", [] { return tpd_get_max_temp(nullptr); }, -1, "parameter error"},
        {"tpd_get_line_temp_info", [] { return tpd_get_line_temp_info(point_t{}, point_t{}, nullptr); }, -1,
         "parameter error"},
        {"get_prop_image_params", [] { return get_prop_image_params(0, nullptr); }, -1, "parameter error"},
        {"preview_start", [] { return preview_start(nullptr); }, -1, "parameter error"},
        {"tpd_distance_set", [] { return tpd_distance_set(nullptr); }, -1, "parameter error"},
        {"xdata_read", [] { return xdata_read(0, 1, nullptr); }, -1, "parameter error"},
        {"xdata_write", [] { return xdata_write(0, 1, nullptr); }, -1, "parameter error"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emu_log_clear();
        std::string out = Errors([&] { EXPECT_EQ(c.call(), c.result); });
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_NE(out.find("doduze_dud"), std::string::npos) << out;
        EXPECT_EQ(emu_log_count(), 0u);
    }
    EXPECT_EQ(words[0], 0); // lens_vtemp_get stored 0
}

TEST_F(CommandsTest, AcceptedEdgesOfTheChecksAreSent)
{
    const std::function<int()> calls[] = {
        [] { return pseudo_color_set(0, 1); },        [] { return pseudo_color_set(0, 11); },
        [] { return spi_config_load(4); },            [] { return spi_config_load(6); },
        [] { return rmcover_auto_calc(1); },          [] { return rmcover_auto_calc(2); },
        [] { return tpd_ktbt_recal_2point(0, 1); },   [] { return tpd_show_point_temp(0, 0, point_t{}); },
        [] { return tpd_hide_point_temp(0, 11); },    [] { return tpd_show_rect_temp(0, 200, point_t{}, point_t{1, 1}); },
        [] { return tpd_hide_rect_temp(0, 255); },
    };
    for (size_t i = 0; i < std::size(calls); i++) {
        emu_log_clear();
        EXPECT_EQ(calls[i](), 0) << i;
        EXPECT_EQ(Exchanges().size(), 1u) << i;
    }
}

// ---- property ranges ----

struct Range {
    int family; // 2 auto shutter, 3 image, 5 temperature
    uint32_t id;
    unsigned min, max;
    const char *name;
};

const Range kRanges[] = {
    {2, 1, 5, 655, "MIN_INTERVAL"},
    {2, 2, 5, 655, "MAX_INTERVAL"},
    {2, 6, 0, 655, "ANY_INTERVAL"},
    {2, 9, 0, 655, "PREVIEW_START_1ST_DELAY"},
    {2, 10, 0, 655, "PREVIEW_START_2ND_DELAY"},
    {2, 11, 0, 655, "CHANGE_GAIN_1ST_DELAY"},
    {2, 12, 0, 655, "CHANGE_GAIN_2ND_DELAY"},
    {3, 0, 0, 3, "TNR"},
    {3, 1, 0, 3, "SNR"},
    {3, 2, 0, 6, "DDE"},
    {3, 3, 0, 255, "BRIGHTNESS"},
    {3, 4, 0, 255, "CONTRAST"},
    {3, 5, 0, 5, "AGC"},
    {3, 6, 0, 255, "MAX_GAIN"},
    {3, 7, 0, 255, "BOS"},
    {3, 9, 0, 3, "MIRROR_FLIP"},
    {5, 0, 0, 32767, "DISTANCE"},
    {5, 1, 230, 900, "TU"},
    {5, 2, 230, 900, "TA"},
    {5, 3, 1, 128, "EMS"},
    {5, 4, 1, 128, "TAU"},
};

int SetProp(int family, uint32_t id, uint16_t value)
{
    switch (family) {
    case 2:
        return set_prop_auto_shutter_params(id, value);
    case 3:
        return set_prop_image_params(id, value);
    case 4:
        return set_prop_overexposure_params(id, value);
    default:
        return set_prop_tpd_params(id, value);
    }
}

TEST_F(CommandsTest, PropertyBoundaries)
{
    for (const Range &r : kRanges) {
        SCOPED_TRACE(r.name);
        std::string message = std::string("parameter ") + r.name + " out of range";
        std::vector<std::pair<unsigned, bool>> values = {{r.min, true}, {r.max, true}};
        if (r.min > 0)
            values.push_back({r.min - 1, false});
        values.push_back({r.max + 1, false});
        for (auto [value, accepted] : values) {
            SCOPED_TRACE(value);
            emu_log_clear();
            std::string out = Errors([&] { EXPECT_EQ(SetProp(r.family, r.id, uint16_t(value)), accepted ? 0 : -1); });
            if (accepted) {
                std::vector<Exchange> ex = Exchanges();
                ASSERT_EQ(ex.size(), 1u);
                EXPECT_EQ(Hex(ex[0].block), Hex(Long(0x14, uint8_t(0xC0 + r.family), uint16_t(r.id), value, 0, 0)));
                uint16_t stored = 0;
                ASSERT_EQ(emu_module_property(r.family, r.id, &stored), 0);
                EXPECT_EQ(stored, value);
                EXPECT_EQ(out, "");
            } else {
                EXPECT_EQ(emu_log_count(), 0u);
                EXPECT_NE(out.find(message), std::string::npos) << out;
            }
        }
    }
}

TEST_F(CommandsTest, UnlistedPropertyIdsGoUnchecked)
{
    struct Case {
        int family;
        uint32_t id;
        uint16_t value;
    } cases[] = {{2, 3, 65535}, {2, 0, 1}, {3, 8, 4000}, {5, 5, 65535}, {4, 0, 9999}};
    for (const Case &c : cases) {
        emu_log_clear();
        EXPECT_EQ(SetProp(c.family, c.id, c.value), 0) << c.family << "/" << c.id;
        EXPECT_EQ(Exchanges().size(), 1u);
    }
}

TEST_F(CommandsTest, TemperatureIds6To9RefusedBothWays)
{
    for (uint32_t id = 6; id <= 9; id++) {
        SCOPED_TRACE(id);
        emu_log_clear();
        uint16_t v = 0x5555;
        std::string out = Errors([&] {
            EXPECT_EQ(set_prop_tpd_params(id, 1), -1);
            EXPECT_EQ(get_prop_tpd_params(id, &v), id == 6 ? -1 : -26);
        });
        EXPECT_EQ(v, id == 6 ? 0 : 1);
        EXPECT_NE(out.find("error parameter"), std::string::npos);
        EXPECT_EQ(emu_log_count(), 0u);
    }
}

TEST_F(CommandsTest, PropertiesStoreSaveAndRestore)
{
    uint16_t v = 0;
    ASSERT_EQ(get_prop_image_params(3, &v), 0);
    EXPECT_EQ(v, emu_module_property_default(3, 3));
    ASSERT_EQ(set_prop_image_params(3, 77), 0);
    ASSERT_EQ(get_prop_image_params(3, &v), 0);
    EXPECT_EQ(v, 77);
    ASSERT_EQ(set_prop_overexposure_params(1, 0xA55A), 0);
    ASSERT_EQ(get_prop_overexposure_params(1, &v), 0);
    EXPECT_EQ(v, 0xA55A); // from reply bytes 2 and 3

    ASSERT_EQ(spi_config_save(0), 0);
    ASSERT_EQ(set_prop_image_params(3, 10), 0);
    ASSERT_EQ(spi_config_load(0), 0);
    ASSERT_EQ(get_prop_image_params(3, &v), 0);
    EXPECT_EQ(v, 77);
    ASSERT_EQ(load_prop_default_params(0), 0);
    ASSERT_EQ(get_prop_image_params(3, &v), 0);
    EXPECT_EQ(v, emu_module_property_default(3, 3));
    ASSERT_EQ(get_prop_tpd_params(1, &v), 0);
    EXPECT_EQ(v, emu_module_property_default(5, 1));
}

// ---- sector erase steps ----

TEST_F(CommandsTest, SectorEraseSteps)
{
    struct Step {
        uint32_t address;
        uint16_t sectors;
    };
    struct Case {
        uint32_t address;
        uint16_t sectors;
        std::vector<Step> steps;
    } cases[] = {
        {0, 9, {{0, 8}, {0x8000, 1}}},
        {0, 8, {{0, 8}}},
        {0x7FF000, 1, {{0x7FF000, 1}}},
        {0x1000, 17, {{0x1000, 8}, {0x9000, 8}, {0x11000, 1}}},
        {0, 64, {{0, 8}, {0x8000, 8}, {0x10000, 8}, {0x18000, 8}, {0x20000, 8}, {0x28000, 8}, {0x30000, 8},
                 {0x38000, 8}}},
        {0x5000, 0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sectors);
        emu_flash_reset();
        emu_log_clear();
        ASSERT_EQ(spi_erase_sector(c.address, c.sectors), 0);
        std::vector<Exchange> ex = Exchanges();
        ASSERT_EQ(ex.size(), c.steps.size());
        for (size_t i = 0; i < ex.size(); i++)
            EXPECT_EQ(Hex(ex[i].block), Hex(Std(0x01, 0x08, c.steps[i].address, c.steps[i].sectors))) << i;
        EXPECT_EQ(emu_flash_sectors_erased(), c.sectors);
        uint8_t before = 0, after = 0;
        if (c.sectors > 0) {
            emu_flash_peek(c.address + c.sectors * 4096u - 1, 1, &before);
            EXPECT_EQ(before, 0xFF);
        }
        uint32_t end = c.address + c.sectors * 4096u;
        if (end < EMU_FLASH_SIZE) {
            emu_flash_peek(end, 1, &after);
            EXPECT_EQ(after, emu_flash_factory_byte(end));
        }
    }
}

TEST_F(CommandsTest, SectorEraseStopsAtTheFailingStep)
{
    // Each step is one waited command block: fail the second.
    emu_fault_transfer(2, 1, EMU_TRANSFER_FAIL);
    EXPECT_EQ(spi_erase_sector(0, 20), -15);
    std::vector<Exchange> ex = Exchanges();
    ASSERT_EQ(ex.size(), 2u);
    EXPECT_EQ(emu_flash_sectors_erased(), 8u);
}

// ---- the module's answers to what it cannot do ----

TEST_F(CommandsTest, ModuleRefusesWhatItCannotDo)
{
    deverodi_log_register(2);
    uint16_t v;
    EXPECT_EQ(get_capture_data(), -16); // not capturing
    EXPECT_EQ(tpd_get_point_temp_info(point_t{256, 0}, &v), -16);
    EXPECT_EQ(dpc_remove_point(point_t{1, 1}), -16);
    EXPECT_EQ(get_prop_image_params(16, &v), -16);
    EXPECT_EQ(spi_read(EMU_FLASH_SIZE - 2, 4, buf), -16);
    uint8_t cmd[8] = {0x01, 0x55};
    EXPECT_EQ(standard_cmd_write(cmd, 0, nullptr), -16);
    ASSERT_EQ(dpc_add_point(point_t{5, 6}), 0);
    ASSERT_EQ(dpc_add_point(point_t{5, 6}), 0);
    EXPECT_EQ(emu_module_dead_point_count(), 1u);
    ASSERT_EQ(dpc_remove_point(point_t{5, 6}), 0);
    EXPECT_EQ(emu_module_dead_point_count(), 0u);
}

// Commands from several threads, with tests reading the module's state meanwhile: each thread
// keeps its own property and sees its own value back.
TEST_F(CommandsTest, CommandsFromSeveralThreads)
{
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++)
        threads.emplace_back([t] {
            for (uint16_t i = 0; i < 30; i++) {
                uint16_t value = uint16_t(t * 100 + i), back = 0;
                EXPECT_EQ(set_prop_auto_shutter_params(9 + t, value), 0);
                EXPECT_EQ(get_prop_auto_shutter_params(9 + t, &back), 0);
                EXPECT_EQ(back, value);
            }
        });
    threads.emplace_back([] {
        for (int i = 0; i < 100; i++) {
            uint16_t v;
            emu_module_property(2, 9, &v);
            emu_flash_status(0);
        }
    });
    for (auto &th : threads)
        th.join();
}

} // namespace
