/* The module's command set as the emulated module answers it. A waited write at the start of
 * the window closes a standard command without data (a read or a bare command); one further
 * in closes a chunk of a standard write; the second half of a long block (classes 0x11 to
 * 0x14) closes a long command; blocks starting 0x80 or 0x81 are short reads and writes of the
 * 64 KiB module memory, which holds the device status at 0x000C. Unknown commands and refused
 * arguments end with EMU_MODULE_ERROR. State sits under the model's own lock, taken inside
 * the emulator's; the flash has its own (spi_flash.c). */
#include "emulator/src/command_model.h"

#include "emulator/src/emulator.h"
#include "emulator/src/spi_flash.h"

#include <pthread.h>
#include <string.h>

#define OK 0x00
#define ERR EMU_MODULE_ERROR

#define SHORT_DATA 0x04u
#define STANDARD_DATA 0x08u
#define LONG_REPLY 0x10u
#define MEMORY_SIZE 0x10000u
#define INFO_KINDS 8u
#define INFO_MAX 50u
#define PSEUDO_KINDS 16u
#define FAMILIES 4u
#define FIRST_FAMILY 2u
#define PROPS 16u
#define DEAD_POINT_MAX 256u
#define DPC_HISTORY 32u
#define POINT_LABELS 12u
#define FW_SECTORS 64u
#define DEFAULT_UPDATE_DELAY 3u
#define W EMU_MODULE_SENSOR_WIDTH
#define H EMU_MODULE_SENSOR_HEIGHT

typedef struct dead_point {
    uint32_t x, y;
} dead_point;

typedef struct dpc_write {
    uint8_t block;
    uint8_t data[EMU_DDPC_SIZE];
} dpc_write;

typedef struct module {
    uint8_t memory[MEMORY_SIZE];
    int update_pending;
    unsigned update_delay, update_left;
    int update_never;
    unsigned to_update, to_rom;
    uint8_t info[INFO_KINDS][INFO_MAX];
    uint8_t sdpc[EMU_SDPC_SIZE];
    uint8_t ddpc[EMU_DDPC_SIZE];
    dpc_write dpc_writes[DPC_HISTORY];
    size_t dpc_write_count;
    dead_point dead[DEAD_POINT_MAX];
    size_t dead_count;
    uint16_t props[FAMILIES][PROPS];
    uint16_t saved[FAMILIES][PROPS];
    uint8_t pseudo[PSEUDO_KINDS];
    uint8_t shutter[2];
    uint8_t ems;
    uint8_t distance[2];
    int capturing;
    uint32_t seed, frame;
} module;

static pthread_mutex_t model_lock = PTHREAD_MUTEX_INITIALIZER;
static module m;

static const size_t info_lengths[INFO_KINDS] = {8, 8, 8, 26, 4, 50, 48, 16};

static const uint8_t info_defaults[INFO_KINDS][INFO_MAX] = {
    {0x01, 0x00, 0x22, 0x00, 0x01, 0x09, 0x01, 0x00},
    "HW-0102",
    "FW-0191",
    "EMULATED THERMAL MODULE",
    {0x01, 0x00, 0x00, 0xC0},
    "256x192 uncooled sensor, 12 um, 25 Hz",
    "PN-EMU-256192-0001",
    "SN0000000000001",
};

static const uint16_t prop_defaults[FAMILIES][PROPS] = {
    {0, 30, 600, 0, 0, 0, 0, 0, 0, 5, 5, 5, 5},           /* auto shutter */
    {1, 1, 3, 128, 128, 1, 64, 128, 0, 0},                 /* image */
    {0, 1, 200, 16},                                       /* overexposure */
    {25, 300, 300, 128, 128, 0},                           /* temperature */
};

static const uint8_t sdpc_default[EMU_SDPC_SIZE] = {0x11, 0x00, 0x22, 0x33, 0x44};
static const uint8_t ddpc_default[EMU_DDPC_SIZE] = {0x00, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56,
                                                    0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D};

static void lock(void)
{
    pthread_mutex_lock(&model_lock);
}

static void unlock(void)
{
    pthread_mutex_unlock(&model_lock);
}

static uint32_t be32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

static uint16_t be16(const uint8_t *p)
{
    return (uint16_t)(p[0] << 8 | p[1]);
}

static void put_be16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)(v >> 8);
    p[1] = (uint8_t)v;
}

/* Copies what the command answers into the asked length of the reply area, zeros after it. */
static void answer(uint8_t *out, size_t asked, size_t room, const uint8_t *bytes, size_t n)
{
    if (asked > room)
        asked = room;
    memset(out, 0, asked);
    memcpy(out, bytes, n < asked ? n : asked);
}

/* ---- short commands: module memory and the device status ---- */

/* A status read during the reset into update mode counts towards the mode showing. */
static void device_status_read(void)
{
    if (!m.update_pending || m.update_never)
        return;
    if (m.update_left > 0) {
        m.update_left--;
        return;
    }
    m.memory[EMU_DEVICE_STATUS_ADDRESS] = EMU_DEVICE_UPDATE_MODE;
    m.update_pending = 0;
}

static uint8_t short_command(uint8_t *window, size_t size, size_t offset)
{
    size_t n = window[1];
    uint16_t address = (uint16_t)(window[2] << 8 | window[3]);
    if (n > size - SHORT_DATA)
        n = size - SHORT_DATA;
    if (window[0] == 0x80 && offset == 0) {
        if ((uint16_t)(EMU_DEVICE_STATUS_ADDRESS - address) < n)
            device_status_read();
        for (size_t i = 0; i < n; i++)
            window[SHORT_DATA + i] = m.memory[(uint16_t)(address + i)];
    } else if (window[0] == 0x81 && offset >= SHORT_DATA) {
        for (size_t i = 0; i < n; i++)
            m.memory[(uint16_t)(address + i)] = window[SHORT_DATA + i];
    }
    return OK;
}

/* ---- standard commands ---- */

typedef struct request {
    uint8_t *data; /* written bytes, or where a read's reply goes */
    size_t room;
    uint32_t args; /* block bytes 2..5 */
    uint8_t kind;  /* block byte 2 */
    uint16_t length;
} request;

static uint8_t reply(request *r, const uint8_t *bytes, size_t n)
{
    answer(r->data, r->length, r->room, bytes, n);
    return OK;
}

static uint8_t reply_be16(request *r, uint16_t v)
{
    uint8_t bytes[2];
    put_be16(bytes, v);
    return reply(r, bytes, 2);
}

static uint8_t flash_read_id(request *r)
{
    uint8_t id[6];
    emu_flash_id(id);
    return reply(r, id, sizeof id);
}

static uint8_t flash_read(request *r)
{
    if (r->length > r->room)
        return ERR;
    return emu_flash_read(r->args, r->length, r->data) == 0 ? OK : ERR;
}

static uint8_t flash_read_status(request *r)
{
    uint8_t v;
    if (emu_flash_read_status(r->kind, &v) != 0)
        return ERR;
    return reply(r, &v, 1);
}

static uint8_t flash_write(request *r)
{
    return emu_flash_program(r->args, r->length, r->data) == 0 ? OK : ERR;
}

static uint8_t flash_write_status(request *r)
{
    return emu_flash_write_status(r->kind, r->data[0]) == 0 ? OK : ERR;
}

static uint8_t flash_erase_fw(request *r)
{
    (void)r;
    emu_flash_set_tag(0);
    return emu_flash_erase(0, FW_SECTORS) == 0 ? OK : ERR;
}

/* The sector count travels in the length field. */
static uint8_t flash_erase_sectors(request *r)
{
    if (r->args < 0x40000u)
        emu_flash_set_tag(0);
    return emu_flash_erase(r->args, r->length) == 0 ? OK : ERR;
}

static uint8_t flash_write_tag(request *r)
{
    (void)r;
    emu_flash_set_tag(1);
    return OK;
}

static uint8_t config_save(request *r)
{
    (void)r;
    memcpy(m.saved, m.props, sizeof m.saved);
    return OK;
}

static uint8_t config_load(request *r)
{
    (void)r;
    memcpy(m.props, m.saved, sizeof m.props);
    return OK;
}

static uint8_t config_default(request *r)
{
    (void)r;
    memcpy(m.props, prop_defaults, sizeof m.props);
    memcpy(m.saved, prop_defaults, sizeof m.saved);
    return OK;
}

static uint8_t device_info(request *r)
{
    if (r->kind >= INFO_KINDS)
        return ERR;
    return reply(r, m.info[r->kind], info_lengths[r->kind]);
}

/* Kind 1 writes the serial number (info 7), kind 0 the part number (info 6), whole. */
static uint8_t device_info_set(request *r)
{
    unsigned target = r->kind == 1 ? 7 : r->kind == 0 ? 6 : INFO_KINDS;
    if (target == INFO_KINDS || r->length != info_lengths[target])
        return ERR;
    memcpy(m.info[target], r->data, r->length);
    return OK;
}

static uint8_t reset_to_update(request *r)
{
    (void)r;
    m.to_update++;
    m.capturing = 0;
    if (m.memory[EMU_DEVICE_STATUS_ADDRESS] != EMU_DEVICE_UPDATE_MODE) {
        m.update_pending = 1;
        m.update_left = m.update_delay;
    }
    return OK;
}

static uint8_t reset_to_rom(request *r)
{
    (void)r;
    m.to_rom++;
    m.capturing = 0;
    m.update_pending = 0;
    m.memory[EMU_DEVICE_STATUS_ADDRESS] = EMU_DEVICE_RUNNING;
    return OK;
}

static uint8_t capture_start(request *r)
{
    (void)r;
    m.capturing = 1;
    return OK;
}

static uint8_t capture_get(request *r)
{
    (void)r;
    return m.capturing ? OK : ERR;
}

static uint8_t capture_exit(request *r)
{
    (void)r;
    m.capturing = 0;
    return OK;
}

static uint8_t accept(request *r)
{
    (void)r;
    return OK;
}

static uint8_t pseudo_get(request *r)
{
    if (r->kind >= PSEUDO_KINDS)
        return ERR;
    return reply(r, &m.pseudo[r->kind], 1);
}

static uint8_t pseudo_set(request *r)
{
    if (r->kind >= PSEUDO_KINDS || r->data[0] < 1 || r->data[0] > 11)
        return ERR;
    m.pseudo[r->kind] = r->data[0];
    return OK;
}

static uint8_t *dpc_block(uint8_t block, size_t *size)
{
    if (block == EMU_SDPC_BLOCK) {
        *size = EMU_SDPC_SIZE;
        return m.sdpc;
    }
    if (block == EMU_DDPC_BLOCK) {
        *size = EMU_DDPC_SIZE;
        return m.ddpc;
    }
    return NULL;
}

static uint8_t dpc_read(request *r)
{
    size_t size;
    uint8_t *block = dpc_block(r->kind, &size);
    return block ? reply(r, block, size) : ERR;
}

static uint8_t dpc_write_block(request *r)
{
    size_t size;
    uint8_t *block = dpc_block(r->kind, &size);
    if (!block || r->length != size)
        return ERR;
    memcpy(block, r->data, size);
    if (m.dpc_write_count < DPC_HISTORY) {
        dpc_write *w = &m.dpc_writes[m.dpc_write_count++];
        w->block = r->kind;
        memset(w->data, 0, sizeof w->data);
        memcpy(w->data, r->data, size);
    }
    return OK;
}

static uint8_t preview_record(request *r)
{
    return r->length == 8 ? OK : ERR;
}

static uint8_t status_word(request *r)
{
    const uint32_t v = EMU_MODULE_STATUS_WORD;
    const uint8_t bytes[10] = {0, 0, 0, 0, 0, 0, (uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16),
                               (uint8_t)(v >> 24)};
    return reply(r, bytes, sizeof bytes);
}

static uint8_t shutter_get(request *r)
{
    return reply(r, m.shutter, sizeof m.shutter);
}

static uint8_t shutter_set(request *r)
{
    m.shutter[0] = r->kind;
    return OK;
}

static uint8_t shutter_manual(request *r)
{
    m.shutter[1] = r->kind;
    return OK;
}

static uint8_t shutter_vtemp(request *r)
{
    return reply_be16(r, EMU_MODULE_SHUTTER_VTEMP);
}

static uint8_t cur_vtemp(request *r)
{
    return reply_be16(r, EMU_MODULE_CUR_VTEMP);
}

static uint8_t tecless_area(request *r)
{
    const uint8_t area = EMU_MODULE_TECLESS_AREA;
    return reply(r, &area, 1);
}

static uint8_t cover_calc(request *r)
{
    return r->kind == 1 || r->kind == 2 || r->kind == 4 ? OK : ERR;
}

static uint8_t ems_get(request *r)
{
    return reply(r, &m.ems, 1);
}

static uint8_t ems_set(request *r)
{
    m.ems = r->data[0];
    return OK;
}

static uint8_t distance_get(request *r)
{
    return reply(r, m.distance, sizeof m.distance);
}

static uint8_t two_bytes(request *r)
{
    return r->length == 2 ? OK : ERR;
}

static uint8_t distance_set(request *r)
{
    if (r->length != 2)
        return ERR;
    memcpy(m.distance, r->data, 2);
    return OK;
}

static uint8_t recal_2point(request *r)
{
    return r->length == 2 && r->kind <= 1 ? OK : ERR;
}

enum shape { READ, BARE, WRITE };

typedef struct std_command {
    uint8_t klass, op;
    enum shape shape;
    uint8_t (*fn)(request *r);
} std_command;

static const std_command std_commands[] = {
    {0x01, 0x81, READ, flash_read_id},     {0x01, 0x82, READ, flash_read},
    {0x01, 0x86, READ, flash_read_status}, {0x01, 0xC2, WRITE, flash_write},
    {0x01, 0xC6, WRITE, flash_write_status}, {0x01, 0x07, BARE, flash_erase_fw},
    {0x01, 0x08, BARE, flash_erase_sectors}, {0x01, 0x09, BARE, flash_write_tag},
    {0x01, 0x0B, BARE, config_save},       {0x01, 0x0C, BARE, config_load},
    {0x01, 0x0E, BARE, config_default},    {0x05, 0x84, READ, device_info},
    {0x05, 0xC4, WRITE, device_info_set},  {0x05, 0x07, BARE, reset_to_update},
    {0x05, 0x08, BARE, reset_to_rom},      {0x06, 0x01, BARE, capture_start},
    {0x06, 0x02, BARE, capture_get},       {0x06, 0x03, BARE, capture_exit},
    {0x09, 0x81, READ, dpc_read},          {0x09, 0xC1, WRITE, dpc_write_block},
    {0x09, 0x84, READ, pseudo_get},        {0x09, 0xC4, WRITE, pseudo_set},
    {0x0A, 0x01, BARE, accept},            {0x0A, 0x02, BARE, accept},
    {0x0B, 0x82, READ, status_word},       {0x0C, 0x83, READ, shutter_get},
    {0x0C, 0x41, BARE, shutter_set},       {0x0C, 0x42, BARE, shutter_manual},
    {0x0C, 0x89, READ, shutter_vtemp},     {0x0D, 0x8B, READ, cur_vtemp},
    {0x0D, 0x8A, READ, tecless_area},      {0x0D, 0x0C, BARE, accept},
    {0x0D, 0xC1, BARE, accept},            {0x0D, 0x0E, BARE, cover_calc},
    {0x0D, 0x05, BARE, accept},            {0x0D, 0x0D, BARE, accept},
    {0x0E, 0x81, READ, ems_get},           {0x0E, 0x01, WRITE, ems_set},
    {0x0E, 0x82, READ, distance_get},      {0x0E, 0x02, WRITE, distance_set},
    {0x0E, 0xC4, WRITE, two_bytes},        {0x0E, 0xC5, WRITE, recal_2point},
    {0x0F, 0xC1, WRITE, preview_record},   {0x0F, 0x02, BARE, accept},
};

static uint8_t standard_command(uint8_t *window, size_t size, size_t offset, uint16_t length)
{
    request r = {window + STANDARD_DATA, size - STANDARD_DATA, be32(window + 2), window[2], be16(window + 6)};
    for (size_t i = 0; i < sizeof std_commands / sizeof std_commands[0]; i++) {
        const std_command *c = &std_commands[i];
        if (c->klass != window[0] || c->op != window[1])
            continue;
        if (offset == 0)
            return c->shape == WRITE ? ERR : c->fn(&r);
        /* Only the write that carries a chunk's last bytes completes it. */
        if (c->shape != WRITE || offset + length != STANDARD_DATA + r.length || r.length > r.room)
            return ERR;
        return c->fn(&r);
    }
    return ERR;
}

/* ---- long commands ---- */

typedef struct long_request {
    uint16_t word;
    uint32_t p1, p2, p3; /* p3: the reply length of a read */
    uint8_t *reply;
    size_t room;
} long_request;

static uint8_t long_reply(long_request *r, const uint8_t *bytes, size_t n)
{
    answer(r->reply, r->p3, r->room, bytes, n);
    return OK;
}

static uint8_t long_reply_be16(long_request *r, const uint16_t *values, size_t count)
{
    uint8_t bytes[16];
    for (size_t i = 0; i < count; i++)
        put_be16(bytes + 2 * i, values[i]);
    return long_reply(r, bytes, 2 * count);
}

static uint16_t sample(uint32_t x, uint32_t y)
{
    return emu_scene_sample(m.seed, m.frame, (int)x, (int)y);
}

typedef struct region {
    uint16_t max, max_x, max_y, min, min_x, min_y;
    uint64_t sum, count;
} region;

static void region_add(region *g, uint32_t x, uint32_t y)
{
    uint16_t v = sample(x, y);
    if (g->count == 0 || v > g->max) {
        g->max = v;
        g->max_x = (uint16_t)x;
        g->max_y = (uint16_t)y;
    }
    if (g->count == 0 || v < g->min) {
        g->min = v;
        g->min_x = (uint16_t)x;
        g->min_y = (uint16_t)y;
    }
    g->sum += v;
    g->count++;
}

static void region_rect(region *g, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1)
{
    if (x0 > x1) {
        uint32_t t = x0;
        x0 = x1;
        x1 = t;
    }
    if (y0 > y1) {
        uint32_t t = y0;
        y0 = y1;
        y1 = t;
    }
    for (uint32_t y = y0; y <= y1; y++)
        for (uint32_t x = x0; x <= x1; x++)
            region_add(g, x, y);
}

static void region_line(region *g, int x0, int y0, int x1, int y1)
{
    int dx = x1 > x0 ? x1 - x0 : x0 - x1, sx = x0 < x1 ? 1 : -1;
    int dy = y1 > y0 ? y0 - y1 : y1 - y0, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        region_add(g, (uint32_t)x0, (uint32_t)y0);
        if (x0 == x1 && y0 == y1)
            return;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

static int on_sensor(uint32_t point)
{
    return (point >> 16) < W && (point & 0xFFFFu) < H;
}

static uint8_t region_reply(long_request *r, const region *g, size_t count)
{
    const uint16_t values[7] = {g->max, g->max_x, g->max_y, g->min, g->min_x, g->min_y,
                                (uint16_t)(g->sum / g->count)};
    return long_reply_be16(r, values, count);
}

static uint8_t frame_max(long_request *r)
{
    region g = {0};
    region_rect(&g, 0, 0, W - 1, H - 1);
    return long_reply_be16(r, &g.max, 1);
}

static uint8_t frame_min(long_request *r)
{
    region g = {0};
    region_rect(&g, 0, 0, W - 1, H - 1);
    return long_reply_be16(r, &g.min, 1);
}

static uint8_t frame_info(long_request *r)
{
    region g = {0};
    region_rect(&g, 0, 0, W - 1, H - 1);
    return region_reply(r, &g, 6);
}

static uint8_t point_temp(long_request *r)
{
    if (!on_sensor(r->p1))
        return ERR;
    uint16_t v = sample(r->p1 >> 16, r->p1 & 0xFFFFu);
    return long_reply_be16(r, &v, 1);
}

static uint8_t line_temp(long_request *r)
{
    if (!on_sensor(r->p1) || !on_sensor(r->p2))
        return ERR;
    region g = {0};
    region_line(&g, (int)(r->p1 >> 16), (int)(r->p1 & 0xFFFFu), (int)(r->p2 >> 16), (int)(r->p2 & 0xFFFFu));
    return region_reply(r, &g, 7);
}

static uint8_t rect_temp(long_request *r)
{
    if (!on_sensor(r->p1) || !on_sensor(r->p2))
        return ERR;
    region g = {0};
    region_rect(&g, r->p1 >> 16, r->p1 & 0xFFFFu, r->p2 >> 16, r->p2 & 0xFFFFu);
    return region_reply(r, &g, 7);
}

static uint8_t long_accept(long_request *r)
{
    (void)r;
    return OK;
}

static uint8_t point_at(long_request *r)
{
    return on_sensor(r->p1) ? OK : ERR;
}

static uint8_t point_label(long_request *r)
{
    return (r->word & 0xFFu) < POINT_LABELS ? OK : ERR;
}

static uint8_t point_label_at(long_request *r)
{
    return point_label(r) == OK ? point_at(r) : ERR;
}

static size_t dead_point_find(uint32_t x, uint32_t y)
{
    for (size_t i = 0; i < m.dead_count; i++)
        if (m.dead[i].x == x && m.dead[i].y == y)
            return i;
    return m.dead_count;
}

static uint8_t dead_add(long_request *r)
{
    if (r->p1 >= W || r->p2 >= H)
        return ERR;
    if (dead_point_find(r->p1, r->p2) < m.dead_count)
        return OK;
    if (m.dead_count == DEAD_POINT_MAX)
        return ERR;
    m.dead[m.dead_count++] = (dead_point){r->p1, r->p2};
    return OK;
}

static uint8_t dead_remove(long_request *r)
{
    size_t i = dead_point_find(r->p1, r->p2);
    if (i == m.dead_count)
        return ERR;
    m.dead[i] = m.dead[--m.dead_count];
    return OK;
}

static uint8_t props_default(long_request *r)
{
    (void)r;
    memcpy(m.props, prop_defaults, sizeof m.props);
    return OK;
}

/* Operation 0x82..0x85 reads family 2..5, 0xC2..0xC5 writes it. */
static uint16_t *property(uint8_t op, uint16_t id)
{
    unsigned family = (op & 0x0Fu) - FIRST_FAMILY;
    if (family >= FAMILIES || id >= PROPS)
        return NULL;
    return &m.props[family][id];
}

static uint8_t prop_get(long_request *r, uint8_t op)
{
    uint16_t *p = property(op, r->word);
    if (!p)
        return ERR;
    if (op == 0x84) {
        const uint8_t bytes[4] = {0, 0, (uint8_t)(*p >> 8), (uint8_t)*p};
        return long_reply(r, bytes, sizeof bytes);
    }
    return long_reply_be16(r, p, 1);
}

static uint8_t prop_set(long_request *r, uint8_t op)
{
    uint16_t *p = property(op, r->word);
    if (!p || r->p1 > 0xFFFFu)
        return ERR;
    *p = (uint16_t)r->p1;
    return OK;
}

typedef struct long_command {
    uint8_t klass, op;
    uint8_t (*fn)(long_request *r);
} long_command;

static const long_command long_commands[] = {
    {0x11, 0x81, frame_max},   {0x11, 0x82, frame_min},      {0x11, 0x83, frame_info},
    {0x11, 0x86, point_temp},  {0x11, 0x89, line_temp},      {0x11, 0x8C, rect_temp},
    {0x11, 0x0D, point_at},    {0x11, 0x0F, point_label_at}, {0x11, 0x10, point_label},
    {0x11, 0x13, long_accept}, {0x11, 0x14, long_accept},    {0x11, 0x15, long_accept},
    {0x11, 0x16, long_accept}, {0x12, 0x01, long_accept},    {0x12, 0x02, long_accept},
    {0x12, 0x03, point_at},    {0x12, 0x04, point_at},       {0x13, 0x01, dead_add},
    {0x13, 0x02, dead_remove}, {0x14, 0x01, props_default},
};

static uint8_t long_command_run(uint8_t *window, size_t size)
{
    long_request r = {be16(window + 2),          be32(window + 4), be32(window + 8), be32(window + 12),
                      window + LONG_REPLY, size - LONG_REPLY};
    uint8_t op = window[1];
    if (window[0] == 0x14 && (op & 0x0Fu) >= 2 && (op & 0x0Fu) <= 5 && (op & 0xF0u) != 0x00)
        return (op & 0xF0u) == 0x80 ? prop_get(&r, op) : (op & 0xF0u) == 0xC0 ? prop_set(&r, op) : ERR;
    for (size_t i = 0; i < sizeof long_commands / sizeof long_commands[0]; i++)
        if (long_commands[i].klass == window[0] && long_commands[i].op == op)
            return long_commands[i].fn(&r);
    return ERR;
}

/* ---- entry points ---- */

uint8_t emu_command_model_execute(uint8_t *window, size_t window_size, uint16_t address, uint16_t length)
{
    size_t offset = (size_t)(address - EMU_WINDOW_BASE);
    uint8_t klass = window[0];
    lock();
    uint8_t status;
    if (klass == 0x80 || klass == 0x81)
        status = short_command(window, window_size, offset);
    else if (klass >= 0x11 && klass <= 0x14)
        status = offset == STANDARD_DATA && length == 8 ? long_command_run(window, window_size) : ERR;
    else
        status = standard_command(window, window_size, offset, length);
    unlock();
    return status;
}

void emu_command_model_reset(void)
{
    lock();
    memset(&m, 0, sizeof m);
    m.memory[EMU_DEVICE_STATUS_ADDRESS] = EMU_DEVICE_RUNNING;
    m.update_delay = DEFAULT_UPDATE_DELAY;
    memcpy(m.info, info_defaults, sizeof m.info);
    memcpy(m.sdpc, sdpc_default, sizeof m.sdpc);
    memcpy(m.ddpc, ddpc_default, sizeof m.ddpc);
    memcpy(m.props, prop_defaults, sizeof m.props);
    memcpy(m.saved, prop_defaults, sizeof m.saved);
    memset(m.pseudo, 1, sizeof m.pseudo);
    m.ems = 128;
    m.distance[1] = 25;
    m.seed = 1;
    unlock();
    emu_flash_reset();
}

/* ---- for tests ---- */

void emu_module_set_device_status(uint8_t status)
{
    lock();
    m.memory[EMU_DEVICE_STATUS_ADDRESS] = status;
    m.update_pending = 0;
    unlock();
}

uint8_t emu_module_device_status(void)
{
    lock();
    uint8_t s = m.memory[EMU_DEVICE_STATUS_ADDRESS];
    unlock();
    return s;
}

void emu_module_set_update_mode_delay(unsigned reads)
{
    lock();
    m.update_delay = reads;
    unlock();
}

void emu_module_fault_update_mode_never(int on)
{
    lock();
    m.update_never = on;
    unlock();
}

void emu_module_reset_counts(unsigned *to_update, unsigned *to_rom)
{
    lock();
    *to_update = m.to_update;
    *to_rom = m.to_rom;
    unlock();
}

size_t emu_module_info_length(unsigned kind)
{
    return kind < INFO_KINDS ? info_lengths[kind] : 0;
}

void emu_module_set_device_info(unsigned kind, const uint8_t *bytes, size_t length)
{
    if (kind >= INFO_KINDS)
        return;
    lock();
    memset(m.info[kind], 0, INFO_MAX);
    memcpy(m.info[kind], bytes, length < info_lengths[kind] ? length : info_lengths[kind]);
    unlock();
}

void emu_module_device_info(unsigned kind, uint8_t *out, size_t length)
{
    if (kind >= INFO_KINDS)
        return;
    lock();
    memcpy(out, m.info[kind], length < info_lengths[kind] ? length : info_lengths[kind]);
    unlock();
}

void emu_module_dpc_block(uint8_t block, uint8_t *out)
{
    lock();
    size_t size;
    const uint8_t *b = dpc_block(block, &size);
    if (b)
        memcpy(out, b, size);
    unlock();
}

size_t emu_module_dpc_write_count(void)
{
    lock();
    size_t n = m.dpc_write_count;
    unlock();
    return n;
}

int emu_module_dpc_write_get(size_t index, uint8_t *block, uint8_t *data)
{
    lock();
    int res = -1;
    if (index < m.dpc_write_count) {
        const dpc_write *w = &m.dpc_writes[index];
        *block = w->block;
        memcpy(data, w->data, w->block == EMU_SDPC_BLOCK ? EMU_SDPC_SIZE : EMU_DDPC_SIZE);
        res = 0;
    }
    unlock();
    return res;
}

size_t emu_module_dead_point_count(void)
{
    lock();
    size_t n = m.dead_count;
    unlock();
    return n;
}

int emu_module_property(unsigned family, unsigned id, uint16_t *value)
{
    if (family < FIRST_FAMILY || family - FIRST_FAMILY >= FAMILIES || id >= PROPS)
        return -1;
    lock();
    *value = m.props[family - FIRST_FAMILY][id];
    unlock();
    return 0;
}

uint16_t emu_module_property_default(unsigned family, unsigned id)
{
    if (family < FIRST_FAMILY || family - FIRST_FAMILY >= FAMILIES || id >= PROPS)
        return 0;
    return prop_defaults[family - FIRST_FAMILY][id];
}

void emu_module_set_scene(uint32_t seed, uint32_t frame)
{
    lock();
    m.seed = seed;
    m.frame = frame;
    unlock();
}
