/* The module's command set over the vendor transport, and the procedures made of several
 * commands. Every command starts from an all-zero block, and every decoded reply comes from a
 * zeroed buffer of its own, so an output a failed exchange did not fill reads as 0. */
#include "deverodi/src/doduze_dud.h"

#include "deverodi/src/deverodi_internal.h"
#include "deverodi/src/deverodi_log.h"
#include "deverodi/src/vdcmd.h"

#include <stddef.h>
#include <string.h>

#define BAD_ARGUMENT (-1)
#define UNSUPPORTED_TYPE (-14)
#define UNSUPPORTED (-20)
#define REFUSED (-26)

#define POINT_LABELS 12
#define ERASE_STEP_SECTORS 8
#define INFO_MAX 50
#define SDPC_BLOCK 2
#define SDPC_SIZE 5
#define DDPC_BLOCK 10
#define DDPC_SIZE 14
#define DEVICE_STATUS_ADDRESS 0x000C
#define STATUS_UPDATE_MODE 1
#define STATUS_NEEDS_RESET 2
#define UPDATE_MODE_TRIES 1000
#define FW_SECTORS (DODUZE_FW_SIZE / DODUZE_SECTOR_SIZE)

/* ---- transport binding (its type 2 message names this file) ---- */

int vdcmd_init(void)
{
    return vdcmd_transport_init(1);
}

int vdcmd_init_by_type(int type)
{
    if (type == 2) {
        DEVERODI_ERROR("LINUX_I2C_SUPPORT needed!");
        return UNSUPPORTED_TYPE;
    }
    return vdcmd_transport_init(type);
}

/* ---- blocks, replies and argument checks ---- */

static int missing(const void *p)
{
    if (p)
        return 0;
    DEVERODI_ERROR("parameter error");
    return 1;
}

static void standard_block(uint8_t *cmd, uint8_t klass, uint8_t op, uint32_t args)
{
    memset(cmd, 0, 8);
    cmd[0] = klass;
    cmd[1] = op;
    cmd[2] = (uint8_t)(args >> 24);
    cmd[3] = (uint8_t)(args >> 16);
    cmd[4] = (uint8_t)(args >> 8);
    cmd[5] = (uint8_t)args;
}

/* args: block bytes [2..5], big-endian; a kind in [2] is kind << 24. */
static int std_read(uint8_t klass, uint8_t op, uint32_t args, uint16_t length, uint8_t *out)
{
    uint8_t cmd[8];
    standard_block(cmd, klass, op, args);
    return standard_cmd_read(cmd, length, out);
}

static int std_write(uint8_t klass, uint8_t op, uint32_t args, uint16_t length, uint8_t *data)
{
    uint8_t cmd[8];
    standard_block(cmd, klass, op, args);
    return standard_cmd_write(cmd, length, data);
}

static int std_bare(uint8_t klass, uint8_t op, uint32_t args)
{
    return std_write(klass, op, args, 0, NULL);
}

static uint32_t kind_arg(uint32_t kind)
{
    return kind << 24;
}

/* Reads length (at most INFO_MAX) bytes into a zeroed buffer and hands them all on. */
static int std_read_bytes(uint8_t klass, uint8_t op, uint32_t args, uint16_t length, uint8_t *out)
{
    uint8_t reply[INFO_MAX] = {0};
    int res = std_read(klass, op, args, length, reply);
    memcpy(out, reply, length);
    return res;
}

static uint16_t be16(const uint8_t *p)
{
    return (uint16_t)(p[0] << 8 | p[1]);
}

static void decode_be16(const uint8_t *reply, uint16_t *out, size_t count)
{
    for (size_t i = 0; i < count; i++)
        out[i] = be16(reply + 2 * i);
}

static int std_read_be16(uint8_t klass, uint8_t op, uint16_t *value)
{
    uint8_t reply[2] = {0};
    int res = std_read(klass, op, 0, 2, reply);
    *value = be16(reply);
    return res;
}

static int long_read(uint8_t klass, uint8_t op, uint32_t word, uint32_t p1, uint32_t p2, uint32_t length,
                     uint8_t *reply)
{
    uint8_t cmd[16] = {klass, op};
    return long_cmd_read(cmd, word, p1, p2, length, reply);
}

static int long_read_be16(uint8_t klass, uint8_t op, uint32_t word, uint32_t p1, uint32_t p2, uint16_t *out,
                          size_t count)
{
    uint8_t reply[16] = {0};
    int res = long_read(klass, op, word, p1, p2, (uint32_t)(2 * count), reply);
    decode_be16(reply, out, count);
    return res;
}

static int long_write(uint8_t klass, uint8_t op, uint32_t word, uint32_t p1, uint32_t p2, uint32_t p3)
{
    uint8_t cmd[16] = {klass, op};
    return long_cmd_write(cmd, word, p1, p2, p3);
}

static uint32_t point_param(point_t p)
{
    return (uint32_t)p.x << 16 | p.y;
}

static uint32_t display_word(int a, uint8_t index)
{
    return (uint32_t)(a & 1) << 15 | 0x7F00u | index;
}

static int label_index_refused(uint8_t index)
{
    if (index < POINT_LABELS)
        return 0;
    DEVERODI_ERROR("point_idx out of the range");
    return 1;
}

/* ---- SPI flash ---- */

int spi_read_id(uint8_t *id)
{
    if (missing(id))
        return BAD_ARGUMENT;
    return std_read_bytes(0x01, 0x81, 0, 6, id);
}

int spi_read(uint32_t address, uint16_t length, uint8_t *data)
{
    if (missing(data))
        return BAD_ARGUMENT;
    return std_read(0x01, 0x82, address, length, data);
}

int spi_read_status(uint8_t kind, uint8_t *status)
{
    if (missing(status))
        return BAD_ARGUMENT;
    return std_read_bytes(0x01, 0x86, kind_arg(kind), 1, status);
}

int spi_write(uint32_t address, uint16_t length, uint8_t *data)
{
    if (missing(data))
        return BAD_ARGUMENT;
    return std_write(0x01, 0xC2, address, length, data);
}

int spi_write_status(uint8_t kind, uint8_t value)
{
    return std_write(0x01, 0xC6, kind_arg(kind), 1, &value);
}

int spi_erase_fw(void)
{
    return std_bare(0x01, 0x07, 0);
}

int spi_erase_sector(uint32_t address, uint16_t sectors)
{
    while (sectors > 0) {
        uint16_t n = sectors < ERASE_STEP_SECTORS ? sectors : ERASE_STEP_SECTORS;
        uint8_t cmd[8];
        standard_block(cmd, 0x01, 0x08, address);
        cmd[6] = (uint8_t)(n >> 8);
        cmd[7] = (uint8_t)n;
        int res = standard_cmd_write(cmd, 0, NULL);
        if (res != 0)
            return res;
        address += (uint32_t)n * DODUZE_SECTOR_SIZE;
        sectors = (uint16_t)(sectors - n);
    }
    return 0;
}

int spi_write_tag(void)
{
    return std_bare(0x01, 0x09, 0);
}

int spi_config_save(uint8_t kind)
{
    return std_bare(0x01, 0x0B, kind_arg(kind));
}

int spi_config_load(int kind)
{
    if (kind == 5) {
        DEVERODI_ERROR("error parameter");
        return BAD_ARGUMENT;
    }
    return std_bare(0x01, 0x0C, kind_arg((uint8_t)kind));
}

int restore_default_cfg(uint8_t kind)
{
    return std_bare(0x01, 0x0E, kind_arg(kind));
}

/* ---- identity and resets ---- */

static const uint8_t info_lengths[] = {8, 8, 8, 26, 4, 50, 48, 16};

int get_device_info(uint32_t kind, uint8_t *info)
{
    if (missing(info))
        return BAD_ARGUMENT;
    if (kind == 8) {
        uint8_t reply[10] = {0};
        int res = std_read(0x0B, 0x82, 0, sizeof reply, reply);
        if (res == 0) {
            uint32_t v = (uint32_t)reply[6] | (uint32_t)reply[7] << 8 | (uint32_t)reply[8] << 16 |
                         (uint32_t)reply[9] << 24;
            memcpy(info, &v, sizeof v);
        }
        return res;
    }
    if (kind >= sizeof info_lengths)
        return 0;
    return std_read_bytes(0x05, 0x84, kind_arg(kind), info_lengths[kind], info);
}

int get_sn(uint8_t *sn)
{
    return get_device_info(7, sn);
}

int get_pn(uint8_t *pn)
{
    return get_device_info(6, pn);
}

int set_sn(uint8_t *sn)
{
    if (missing(sn))
        return BAD_ARGUMENT;
    return std_write(0x05, 0xC4, kind_arg(1), 16, sn);
}

int set_pn(uint8_t *pn)
{
    if (missing(pn))
        return BAD_ARGUMENT;
    return std_write(0x05, 0xC4, kind_arg(0), 48, pn);
}

int sys_reset_to_update_fw(void)
{
    return std_bare(0x05, 0x07, 0);
}

int sys_reset_to_rom(void)
{
    return std_bare(0x05, 0x08, 0);
}

/* ---- capture, image, preview ---- */

/* The capture commands give the framing a length but no data: the block goes alone. */
static int capture_command(uint8_t op)
{
    return std_write(0x06, op, 0, 64, NULL);
}

int start_capture(void)
{
    return capture_command(0x01);
}

int get_capture_data(void)
{
    return capture_command(0x02);
}

int exit_capture(void)
{
    return capture_command(0x03);
}

int pseudo_color_get(uint8_t kind, uint8_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    return std_read_bytes(0x09, 0x84, kind_arg(kind), 1, value);
}

int pseudo_color_set(uint8_t kind, int value)
{
    if (value < 1 || value > 11) {
        DEVERODI_ERROR("parameter error");
        return BAD_ARGUMENT;
    }
    uint8_t byte = (uint8_t)value;
    return std_write(0x09, 0xC4, kind_arg(kind), 1, &byte);
}

int y16_preview_start(uint8_t a, uint8_t b)
{
    return std_bare(0x0A, 0x01, kind_arg(a) | b);
}

int y16_preview_stop(uint8_t a)
{
    return std_bare(0x0A, 0x02, kind_arg(a));
}

int preview_start(uint8_t *record)
{
    if (missing(record))
        return BAD_ARGUMENT;
    uint16_t first, second;
    memcpy(&first, record + 2, 2);
    memcpy(&second, record + 4, 2);
    uint8_t data[8] = {record[0],
                       record[1] == 1 ? 0x80 : 0x00,
                       (uint8_t)(first >> 8),
                       (uint8_t)first,
                       (uint8_t)(second >> 8),
                       (uint8_t)second,
                       record[6],
                       record[7]};
    return std_write(0x0F, 0xC1, 0, sizeof data, data);
}

int preview_stop(uint8_t a)
{
    return std_bare(0x0F, 0x02, kind_arg(a));
}

/* ---- shutter, lens and cover ---- */

int shutter_sta_get(uint8_t *first, uint8_t *second)
{
    if (missing(first) || missing(second))
        return BAD_ARGUMENT;
    uint8_t reply[2] = {0};
    int res = std_read(0x0C, 0x83, 0, 2, reply);
    *first = reply[0];
    *second = reply[1];
    return res;
}

int shutter_sta_set(uint8_t a)
{
    return std_bare(0x0C, 0x41, kind_arg(a));
}

int shutter_manual_switch(uint8_t a)
{
    return std_bare(0x0C, 0x42, kind_arg(a));
}

int shutter_vtemp_get(uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    return std_read_be16(0x0C, 0x89, value);
}

int cur_vtemp_get(uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    return std_read_be16(0x0D, 0x8B, value);
}

int lens_vtemp_get(uint16_t *value)
{
    if (value)
        *value = 0;
    DEVERODI_ERROR("unsupported command");
    return UNSUPPORTED;
}

int tecless_temp_area_get(uint8_t *area)
{
    if (missing(area))
        return BAD_ARGUMENT;
    return std_read_bytes(0x0D, 0x8A, 0, 1, area);
}

int lens_k_cal(void)
{
    return std_bare(0x0D, 0x0C, 0);
}

int ooc_b_update(uint8_t a)
{
    return std_bare(0x0D, 0xC1, kind_arg(a));
}

int rmcover_auto_calc(uint8_t zoom_scale)
{
    if (zoom_scale != 1 && zoom_scale != 2 && zoom_scale != 4) {
        DEVERODI_ERROR("parameter:zoom_scale error");
        return BAD_ARGUMENT;
    }
    return std_bare(0x0D, 0x0E, kind_arg(zoom_scale));
}

int rmcover_sts_switch(int en_sts)
{
    if (en_sts != 0 && en_sts != 1) {
        DEVERODI_ERROR("parameter:en_sts error");
        return BAD_ARGUMENT;
    }
    return std_bare(0x0D, en_sts ? 0x0D : 0x05, 0);
}

/* ---- temperature parameters ---- */

int tpd_ems_get(uint8_t *ems)
{
    if (missing(ems))
        return BAD_ARGUMENT;
    return std_read_bytes(0x0E, 0x81, 0, 1, ems);
}

int tpd_ems_set(int ems)
{
    uint8_t byte = (uint8_t)ems;
    return std_write(0x0E, 0x01, 0, 1, &byte);
}

int tpd_distance_get(uint8_t *distance)
{
    if (missing(distance))
        return BAD_ARGUMENT;
    return std_read_bytes(0x0E, 0x82, 0, 2, distance);
}

int tpd_distance_set(uint8_t *distance)
{
    if (missing(distance))
        return BAD_ARGUMENT;
    uint8_t data[2] = {distance[0], distance[1]};
    return std_write(0x0E, 0x02, 0, 2, data);
}

static int write_be16(uint8_t op, uint32_t args, uint16_t value)
{
    uint8_t data[2] = {(uint8_t)(value >> 8), (uint8_t)value};
    return std_write(0x0E, op, args, 2, data);
}

int tpd_ktbt_recal_1point(uint16_t value)
{
    return write_be16(0xC4, 0, value);
}

int tpd_ktbt_recal_2point(int point, uint16_t value)
{
    if (point != 0 && point != 1) {
        DEVERODI_ERROR("error parameter");
        return BAD_ARGUMENT;
    }
    return write_be16(0xC5, kind_arg((uint32_t)point), value);
}

/* ---- temperature regions and labels ---- */

int tpd_get_max_temp(uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    return long_read_be16(0x11, 0x81, 0, 0, 0, value, 1);
}

int tpd_get_min_temp(uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    return long_read_be16(0x11, 0x82, 0, 0, 0, value, 1);
}

int tpd_get_max_min_temp_info(uint16_t *values)
{
    if (missing(values))
        return BAD_ARGUMENT;
    return long_read_be16(0x11, 0x83, 0, 0, 0, values, 6);
}

int tpd_get_point_temp_info(point_t point, uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    return long_read_be16(0x11, 0x86, 0, point_param(point), 0, value, 1);
}

int tpd_get_line_temp_info(point_t start, point_t end, uint16_t *values)
{
    if (missing(values))
        return BAD_ARGUMENT;
    return long_read_be16(0x11, 0x89, 0, point_param(start), point_param(end), values, 7);
}

int tpd_get_rect_temp_info(point_t first, point_t second, uint16_t *values)
{
    if (missing(values))
        return BAD_ARGUMENT;
    return long_read_be16(0x11, 0x8C, 0, point_param(first), point_param(second), values, 7);
}

int tpd_set_rect_temp_thd(point_t point, uint16_t value)
{
    return long_write(0x11, 0x0D, 0, point_param(point), (uint32_t)value << 16, 12);
}

int tpd_show_point_temp(int a, uint8_t index, point_t point)
{
    if (label_index_refused(index))
        return BAD_ARGUMENT;
    return long_write(0x11, 0x0F, display_word(a, index), point_param(point), 0, 0);
}

int tpd_hide_point_temp(int a, uint8_t index)
{
    if (label_index_refused(index))
        return BAD_ARGUMENT;
    return long_write(0x11, 0x10, display_word(a, index), 0, 0, 0);
}

int tpd_show_rect_temp(int a, uint8_t index, point_t first, point_t second)
{
    return long_write(0x11, 0x13, display_word(a, index), point_param(first), point_param(second), 0);
}

int tpd_hide_rect_temp(int a, uint8_t index)
{
    return long_write(0x11, 0x14, display_word(a, index), 0, 0, 0);
}

int tpd_show_frame_temp(uint32_t word, temp_color_t color)
{
    uint32_t c = (uint32_t)color.c[0] << 24 | (uint32_t)color.c[1] << 16 | (uint32_t)color.c[2] << 8;
    return long_write(0x11, 0x15, word, 0x7F7F7F00u, c, 0);
}

int tpd_hide_frame_temp(uint32_t word)
{
    return long_write(0x11, 0x16, word, 0, 0, 0);
}

/* ---- zoom and dead pixels ---- */

static int zoom(uint8_t op, int a, int b, uint32_t p1)
{
    return long_write(0x12, op, (uint32_t)(a * 256 + b), p1, 0, 0);
}

int zoom_center_up(int a, int b)
{
    return zoom(0x01, a, b, 0);
}

int zoom_center_down(int a, int b)
{
    return zoom(0x02, a, b, 0);
}

int zoom_position_up(int a, int b, point_t point)
{
    return zoom(0x03, a, b, point_param(point));
}

int zoom_position_down(int a, int b, point_t point)
{
    return zoom(0x04, a, b, point_param(point));
}

int dpc_add_point(point_t point)
{
    return long_write(0x13, 0x01, 0, point.x, point.y, 0);
}

int dpc_remove_point(point_t point)
{
    return long_write(0x13, 0x02, 0, point.x, point.y, 0);
}

/* ---- persistent properties ---- */

typedef struct prop_range {
    uint32_t id;
    uint16_t min;
    uint16_t max;
    const char *message;
} prop_range;

static const prop_range auto_shutter_ranges[] = {
    {1, 5, 655, "parameter MIN_INTERVAL out of range"},
    {2, 5, 655, "parameter MAX_INTERVAL out of range"},
    {6, 0, 655, "parameter ANY_INTERVAL out of range"},
    {9, 0, 655, "parameter PREVIEW_START_1ST_DELAY out of range"},
    {10, 0, 655, "parameter PREVIEW_START_2ND_DELAY out of range"},
    {11, 0, 655, "parameter CHANGE_GAIN_1ST_DELAY out of range"},
    {12, 0, 655, "parameter CHANGE_GAIN_2ND_DELAY out of range"},
};

static const prop_range image_ranges[] = {
    {0, 0, 3, "parameter TNR out of range"},        {1, 0, 3, "parameter SNR out of range"},
    {2, 0, 6, "parameter DDE out of range"},        {3, 0, 255, "parameter BRIGHTNESS out of range"},
    {4, 0, 255, "parameter CONTRAST out of range"}, {5, 0, 5, "parameter AGC out of range"},
    {6, 0, 255, "parameter MAX_GAIN out of range"}, {7, 0, 255, "parameter BOS out of range"},
    {9, 0, 3, "parameter MIRROR_FLIP out of range"},
};

static const prop_range tpd_ranges[] = {
    {0, 0, 32767, "parameter DISTANCE out of range"}, {1, 230, 900, "parameter TU out of range"},
    {2, 230, 900, "parameter TA out of range"},       {3, 1, 128, "parameter EMS out of range"},
    {4, 1, 128, "parameter TAU out of range"},
};

#define RANGES(table) table, sizeof table / sizeof table[0]

/* Ids the table does not list go unchecked. */
static int out_of_range(const prop_range *table, size_t count, uint32_t id, uint16_t value)
{
    for (size_t i = 0; i < count; i++) {
        if (table[i].id != id)
            continue;
        if (value >= table[i].min && value <= table[i].max)
            return 0;
        DEVERODI_ERROR("%s", table[i].message);
        return 1;
    }
    return 0;
}

/* Temperature-property ids the module does not take in either direction. */
static int tpd_id_refused(uint32_t id)
{
    return id >= 6 && id <= 9;
}

static int get_prop(uint8_t op, uint32_t id, uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    return long_read_be16(0x14, op, id, 0, 0, value, 1);
}

static int set_prop(uint8_t op, uint32_t id, uint16_t value)
{
    return long_write(0x14, op, id, value, 0, 0);
}

int load_prop_default_params(uint32_t id)
{
    return long_write(0x14, 0x01, id, 0, 0, 0);
}

int get_prop_auto_shutter_params(uint32_t id, uint16_t *value)
{
    return get_prop(0x82, id, value);
}

int set_prop_auto_shutter_params(uint32_t id, uint16_t value)
{
    if (out_of_range(RANGES(auto_shutter_ranges), id, value))
        return BAD_ARGUMENT;
    return set_prop(0xC2, id, value);
}

int get_prop_image_params(uint32_t id, uint16_t *value)
{
    return get_prop(0x83, id, value);
}

int set_prop_image_params(uint32_t id, uint16_t value)
{
    if (out_of_range(RANGES(image_ranges), id, value))
        return BAD_ARGUMENT;
    return set_prop(0xC3, id, value);
}

int get_prop_overexposure_params(uint32_t id, uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    uint8_t reply[4] = {0};
    int res = long_read(0x14, 0x84, id, 0, 0, sizeof reply, reply);
    *value = be16(reply + 2);
    return res;
}

int set_prop_overexposure_params(uint32_t id, uint16_t value)
{
    return set_prop(0xC4, id, value);
}

int get_prop_tpd_params(uint32_t id, uint16_t *value)
{
    if (missing(value))
        return BAD_ARGUMENT;
    if (tpd_id_refused(id)) {
        DEVERODI_ERROR("error parameter");
        *value = id == 6 ? 0 : 1;
        return id == 6 ? BAD_ARGUMENT : REFUSED;
    }
    return get_prop(0x85, id, value);
}

int set_prop_tpd_params(uint32_t id, uint16_t value)
{
    if (tpd_id_refused(id)) {
        DEVERODI_ERROR("error parameter");
        return BAD_ARGUMENT;
    }
    if (out_of_range(RANGES(tpd_ranges), id, value))
        return BAD_ARGUMENT;
    return set_prop(0xC5, id, value);
}

/* ---- raw module memory ---- */

static void short_block(uint8_t *cmd, uint8_t op, uint16_t address, uint8_t length)
{
    cmd[0] = op;
    cmd[1] = length;
    cmd[2] = (uint8_t)(address >> 8);
    cmd[3] = (uint8_t)address;
}

int xdata_read(uint16_t address, uint8_t length, uint8_t *data)
{
    if (missing(data))
        return BAD_ARGUMENT;
    uint8_t cmd[4];
    short_block(cmd, 0x80, address, length);
    return short_cmd_read(cmd, length, data);
}

int i2c_slave_read(uint16_t address, uint8_t length, uint8_t *data) __attribute__((alias("xdata_read")));

int xdata_write(uint16_t address, uint8_t length, uint8_t *data)
{
    if (missing(data))
        return BAD_ARGUMENT;
    uint8_t cmd[4];
    short_block(cmd, 0x81, address, length);
    return short_cmd_write(cmd, length, data);
}

/* ---- user flash and correction table ---- */

static int empty(const void *p)
{
    if (p)
        return 0;
    DEVERODI_ERROR("data is empty");
    return 1;
}

int user_flash_read(uint8_t *data)
{
    if (empty(data))
        return BAD_ARGUMENT;
    return spi_read(DODUZE_USER_FLASH_ADDRESS, DODUZE_USER_FLASH_SIZE, data);
}

int user_flash_write(uint8_t *data)
{
    if (empty(data))
        return BAD_ARGUMENT;
    int res = spi_erase_sector(DODUZE_USER_FLASH_ADDRESS, 1);
    if (res != 0) {
        DEVERODI_ERROR("spi erase sector failed");
        return res;
    }
    return spi_write(DODUZE_USER_FLASH_ADDRESS, DODUZE_USER_FLASH_SIZE, data);
}

int get_tpd_nuc_t(uint8_t *nuc_t_table)
{
    if (!nuc_t_table) {
        DEVERODI_ERROR("nuc_t_table is NULL");
        return BAD_ARGUMENT;
    }
    uint8_t info[8];
    get_device_info(0, info);
    if (info[3] != 0) {
        DEVERODI_ERROR("CUSTOMER_MAIN_ID is wrong");
        return REFUSED;
    }
    if (info[2] != 0x22 && info[2] != 0x23) {
        DEVERODI_ERROR("CUSTOMER_SUB_ID is wrong");
        return REFUSED;
    }
    return spi_read(DODUZE_NUC_T_ADDRESS, DODUZE_NUC_T_SIZE, nuc_t_table);
}

/* ---- dead-pixel calibration ---- */

static int read_dpc_block(uint8_t block, uint8_t *data, uint16_t size)
{
    memset(data, 0, size);
    return std_read(0x09, 0x81, kind_arg(block), size, data);
}

static int write_dpc_block(uint8_t block, uint8_t *data, uint16_t size)
{
    return std_write(0x09, 0xC1, kind_arg(block), size, data);
}

static int write_sdpc(uint8_t *sdpc, uint8_t on)
{
    sdpc[1] = on;
    int res = write_dpc_block(SDPC_BLOCK, sdpc, SDPC_SIZE);
    if (res != 0)
        DEVERODI_ERROR("write sdpc param failed:%d", res);
    return res;
}

static int write_ddpc(uint8_t *ddpc, uint8_t on)
{
    ddpc[0] = on;
    int res = write_dpc_block(DDPC_BLOCK, ddpc, DDPC_SIZE);
    if (res != 0)
        DEVERODI_ERROR("write ddpc param failed:%d", res);
    return res;
}

int dpc_auto_calibration(uint16_t seconds)
{
    uint8_t sdpc[SDPC_SIZE], ddpc[DDPC_SIZE];
    int res = read_dpc_block(SDPC_BLOCK, sdpc, SDPC_SIZE);
    if (res != 0) {
        DEVERODI_ERROR("read sdpc param failed:%d", res);
        return res;
    }
    if ((res = write_sdpc(sdpc, 1)) != 0)
        return res;
    if ((res = read_dpc_block(DDPC_BLOCK, ddpc, DDPC_SIZE)) != 0) {
        DEVERODI_ERROR("read ddpc param failed:%d", res);
        return res;
    }
    if ((res = write_ddpc(ddpc, 1)) != 0)
        return res;
    deverodi_sleep_ms((unsigned)seconds * 1000u);
    if ((res = write_sdpc(sdpc, 0)) != 0)
        return res;
    return write_ddpc(ddpc, 0);
}

/* ---- firmware update ---- */

static int read_device_status(uint8_t *status)
{
    uint8_t cmd[4];
    short_block(cmd, 0x80, DEVICE_STATUS_ADDRESS, 1);
    *status = 0;
    return short_cmd_read(cmd, 1, status);
}

/* The module needs a moment after its reset; a status that never shows update mode refuses
 * the update, since programming a module outside it would wreck its running firmware. */
static int enter_update_mode(void)
{
    if (sys_reset_to_update_fw() != 0) {
        DEVERODI_ERROR("sys_reset_to_update_fw failed");
        return REFUSED;
    }
    uint8_t status = 0;
    for (int i = 0; i < UPDATE_MODE_TRIES; i++) {
        if (i > 0)
            deverodi_sleep_ms(1);
        if (read_device_status(&status) == 0 && status == STATUS_UPDATE_MODE)
            return 0;
    }
    DEVERODI_ERROR("error status:%d", status);
    return REFUSED;
}

typedef struct flash_unlock {
    uint8_t maker;
    uint8_t kind;
    uint8_t accepted[2];
    size_t accepted_count;
} flash_unlock;

static const flash_unlock unlocks[] = {
    {0xC2, 0, {0x00}, 1},
    {0xEF, 1, {0x00, 0x02}, 2},
    {0xC8, 1, {0x00}, 1},
};

static int flash_unlocked(void)
{
    uint8_t id[6];
    spi_read_id(id);
    for (size_t i = 0; i < sizeof unlocks / sizeof unlocks[0]; i++) {
        const flash_unlock *u = &unlocks[i];
        if (u->maker != id[2])
            continue;
        spi_write_status(u->kind, 0);
        uint8_t status;
        if (spi_read_status(u->kind, &status) != 0)
            return 0;
        for (size_t k = 0; k < u->accepted_count; k++)
            if (status == u->accepted[k])
                return 1;
        return 0;
    }
    return 0;
}

static int check_erased(uint32_t address, const char *read_failed, const char *not_erased)
{
    uint8_t sector[DODUZE_SECTOR_SIZE];
    int res = spi_read(address, DODUZE_SECTOR_SIZE, sector);
    if (res != 0) {
        DEVERODI_ERROR("%s", read_failed);
        return res;
    }
    for (size_t i = 0; i < sizeof sector; i++) {
        if (sector[i] != 0xFF) {
            DEVERODI_ERROR("%s", not_erased);
            return REFUSED;
        }
    }
    return 0;
}

/* A sector whose write or read-back failed is not verified either: a zeroed or stale buffer
 * could match the image by chance. */
static int program_sector(uint8_t *image, uint32_t index)
{
    uint8_t back[DODUZE_SECTOR_SIZE];
    uint32_t address = index * DODUZE_SECTOR_SIZE;
    uint8_t *data = image + address;
    memset(back, 0, sizeof back);
    int written = spi_write(address, DODUZE_SECTOR_SIZE, data);
    int read = spi_read(address, DODUZE_SECTOR_SIZE, back);
    if (written != 0 || read != 0 || memcmp(back, data, sizeof back) != 0) {
        DEVERODI_ERROR("data compare failed");
        return REFUSED;
    }
    return 0;
}

int update_fw(uint8_t *image, uint32_t size)
{
    if (empty(image))
        return BAD_ARGUMENT;
    if (size != DODUZE_FW_SIZE) {
        DEVERODI_ERROR("error data size");
        return BAD_ARGUMENT;
    }
    DEVERODI_DEBUG("update started");
    uint8_t status;
    int res = read_device_status(&status);
    if (res != 0) {
        DEVERODI_ERROR("read current device status failed");
        return res;
    }
    DEVERODI_DEBUG("current device status:%d", status);
    if (status == STATUS_NEEDS_RESET) {
        if ((res = enter_update_mode()) != 0)
            return res;
    } else if (status != STATUS_UPDATE_MODE) {
        DEVERODI_ERROR("error status:%d", status);
        return REFUSED;
    }
    if (!flash_unlocked()) {
        DEVERODI_ERROR("flash status check failed");
        return REFUSED;
    }
    if ((res = spi_erase_sector(0, FW_SECTORS)) != 0) {
        DEVERODI_ERROR("spi_erase_sector failed");
        return res;
    }
    if ((res = check_erased(0, "spi_read first 4k failed", "flash first 4k check failed")) != 0)
        return res;
    if ((res = check_erased(DODUZE_FW_SIZE - DODUZE_SECTOR_SIZE, "spi_read last 4k failed",
                            "flash last 4k check failed")) != 0)
        return res;
    for (uint32_t i = 0; i < FW_SECTORS; i++) {
        DEVERODI_DEBUG("cur sector:%d", (int)i);
        if ((res = program_sector(image, i)) != 0)
            return res;
    }
    if ((res = spi_write_tag()) != 0) {
        DEVERODI_ERROR("spi_write_tag failed");
        return res;
    }
    if ((res = sys_reset_to_rom()) != 0) {
        DEVERODI_ERROR("sys_reset_to_rom failed");
        return res;
    }
    DEVERODI_DEBUG("update finished");
    return 0;
}
