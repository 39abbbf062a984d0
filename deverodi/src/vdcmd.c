/* The vendor command transport: the binding of the register primitives, the command mutex held
 * for each whole framed exchange, and the standard, long and short framings. */
#include "deverodi/src/vdcmd.h"

#include "deverodi/src/data_rw.h"
#include "deverodi/src/deverodi_log.h"

#include <pthread.h>
#include <stdatomic.h>
#include <stddef.h>

#define NOT_BOUND (-13)
#define UNSUPPORTED_TYPE (-14)
#define LONG_TOO_LONG (-17)

#define COMMAND_BLOCK 0x1D00
#define SHORT_DATA 0x1D04
#define STANDARD_DATA 0x1D08
#define LONG_REPLY 0x1D10
#define NO_WAIT 0x8000

#define STANDARD_CHUNK 256
#define WRITE_PIECE 64
#define WAITED_TAIL 8
#define SHORT_CHUNK 63
#define SHORT_TAIL 4
#define LONG_REPLY_MAX 248

typedef int (*register_fn)(uint8_t request, uint16_t value, uint16_t address, uint16_t length, uint8_t *data);

typedef struct binding {
    register_fn read;
    uint32_t read_request;
    uint16_t read_value;
    register_fn write;
    uint32_t write_request;
    uint16_t write_value;
} binding;

/* Created once and never destroyed; the binding is written under it too. */
static pthread_mutex_t command_mutex = PTHREAD_MUTEX_INITIALIZER;
static binding bound_to;
static atomic_int bound;

int vdcmd_set_polling_wait_time(uint32_t n)
{
    i2c_usb_set_polling_wait_time(n);
    return 0;
}

int vdcmd_transport_init(int type)
{
    if (type != 1)
        return UNSUPPORTED_TYPE;
    pthread_mutex_lock(&command_mutex);
    bound_to = (binding){i2c_usb_data_read, 0x44, 0x78, i2c_usb_data_write, 0x45, 0x78};
    atomic_store(&bound, 1);
    pthread_mutex_unlock(&command_mutex);
    return 0;
}

/* Called with the mutex held. */
static int send(uint16_t address, uint16_t length, uint8_t *bytes)
{
    return bound_to.write((uint8_t)bound_to.write_request, bound_to.write_value, address, length, bytes);
}

static int fetch(uint16_t address, uint16_t length, uint8_t *buffer)
{
    return bound_to.read((uint8_t)bound_to.read_request, bound_to.read_value, address, length, buffer);
}

static uint32_t get_be32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

static void put_be32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)(v >> 24);
    p[1] = (uint8_t)(v >> 16);
    p[2] = (uint8_t)(v >> 8);
    p[3] = (uint8_t)v;
}

static void put_be16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)(v >> 8);
    p[1] = (uint8_t)v;
}

/* Refuses a framing before anything is locked or sent. */
static int refused(const uint8_t *cmd)
{
    if (!atomic_load(&bound))
        return NOT_BOUND;
    if (!cmd) {
        DEVERODI_ERROR("parameter error");
        return -1;
    }
    return 0;
}

static int unlock_with(int res)
{
    pthread_mutex_unlock(&command_mutex);
    return res;
}

int standard_cmd_read(uint8_t *cmd, uint16_t length, uint8_t *data)
{
    int res = refused(cmd);
    if (res)
        return res;
    uint32_t address = get_be32(cmd + 2);
    pthread_mutex_lock(&command_mutex);
    while (length > 0) {
        uint16_t chunk = length < STANDARD_CHUNK ? length : STANDARD_CHUNK;
        put_be32(cmd + 2, address);
        put_be16(cmd + 6, chunk);
        if ((res = send(COMMAND_BLOCK, 8, cmd)) != 0) {
            DEVERODI_ERROR("standard command read:send write cmd failed");
            return unlock_with(res);
        }
        if ((res = fetch(STANDARD_DATA, chunk, data)) != 0) {
            DEVERODI_ERROR("standard command read:read buffer failed!");
            return unlock_with(res);
        }
        data += chunk;
        address += chunk;
        length -= chunk;
    }
    return unlock_with(0);
}

/* Lays one chunk into the data area so that exactly one waited write, carrying the chunk's
 * last bytes at their own offset, closes it. */
static int write_chunk(uint8_t *data, uint16_t chunk)
{
    int res;
    uint16_t offset = 0;
    while (chunk - offset > WRITE_PIECE) {
        if ((res = send((uint16_t)((STANDARD_DATA | NO_WAIT) + offset), WRITE_PIECE, data + offset)) != 0) {
            DEVERODI_ERROR("standard command write:write buffer failed");
            return res;
        }
        offset += WRITE_PIECE;
    }
    uint16_t rest = (uint16_t)(chunk - offset);
    if (rest > WAITED_TAIL) {
        if ((res = send((uint16_t)((STANDARD_DATA | NO_WAIT) + offset), rest - WAITED_TAIL, data + offset)) != 0) {
            DEVERODI_ERROR("standard command write:write buffer failed");
            return res;
        }
        offset = (uint16_t)(offset + rest - WAITED_TAIL);
        rest = WAITED_TAIL;
    }
    if ((res = send((uint16_t)(STANDARD_DATA + offset), rest, data + offset)) != 0) {
        DEVERODI_ERROR("standard command write:send write cmd failed");
        return res;
    }
    return 0;
}

int standard_cmd_write(uint8_t *cmd, uint16_t length, uint8_t *data)
{
    int res = refused(cmd);
    if (res)
        return res;
    pthread_mutex_lock(&command_mutex);
    uint32_t address = get_be32(cmd + 2);
    if (length == 0 || !data) {
        if ((res = send(COMMAND_BLOCK, 8, cmd)) != 0)
            DEVERODI_ERROR("standard command write:send write cmd failed");
        return unlock_with(res);
    }
    while (length > 0) {
        uint16_t chunk = length < STANDARD_CHUNK ? length : STANDARD_CHUNK;
        put_be32(cmd + 2, address);
        put_be16(cmd + 6, chunk);
        if ((res = send(COMMAND_BLOCK | NO_WAIT, 8, cmd)) != 0) {
            DEVERODI_ERROR("standard command write:send write cmd failed");
            return unlock_with(res);
        }
        if ((res = write_chunk(data, chunk)) != 0)
            return unlock_with(res);
        data += chunk;
        address += chunk;
        length -= chunk;
    }
    return unlock_with(0);
}

static void fill_long(uint8_t *cmd, uint32_t word, uint32_t param1, uint32_t param2, uint32_t last)
{
    put_be16(cmd + 2, (uint16_t)word);
    put_be32(cmd + 4, param1);
    put_be32(cmd + 8, param2);
    if (last != 0)
        put_be32(cmd + 12, last);
}

int long_cmd_read(uint8_t *cmd, uint32_t word, uint32_t param1, uint32_t param2, uint32_t length, uint8_t *data)
{
    if (length > LONG_REPLY_MAX) {
        DEVERODI_ERROR("data length out of the limitation");
        return LONG_TOO_LONG;
    }
    int res = refused(cmd);
    if (res)
        return res;
    fill_long(cmd, word, param1, param2, length);
    pthread_mutex_lock(&command_mutex);
    if ((res = send(COMMAND_BLOCK | NO_WAIT, 8, cmd)) != 0) {
        DEVERODI_ERROR("long command read:write buffer failed!");
        return unlock_with(res);
    }
    if ((res = send(STANDARD_DATA, 8, cmd + 8)) != 0) {
        DEVERODI_ERROR("long command read:send write cmd failed!");
        return unlock_with(res);
    }
    if ((res = fetch(LONG_REPLY, (uint16_t)length, data)) != 0) {
        DEVERODI_ERROR("long command read:read buffer failed!");
        return unlock_with(res);
    }
    return unlock_with(0);
}

int long_cmd_write(uint8_t *cmd, uint32_t word, uint32_t param1, uint32_t param2, uint32_t param3)
{
    int res = refused(cmd);
    if (res)
        return res;
    fill_long(cmd, word, param1, param2, param3);
    pthread_mutex_lock(&command_mutex);
    if ((res = send(COMMAND_BLOCK | NO_WAIT, 8, cmd)) != 0 || (res = send(STANDARD_DATA, 8, cmd + 8)) != 0)
        DEVERODI_ERROR("long command write failed!");
    return unlock_with(res);
}

int short_cmd_read(uint8_t *cmd, uint8_t length, uint8_t *data)
{
    int res = refused(cmd);
    if (res)
        return res;
    pthread_mutex_lock(&command_mutex);
    while (length > 0) {
        uint8_t chunk = length < SHORT_CHUNK ? length : SHORT_CHUNK;
        if ((res = send(COMMAND_BLOCK, 4, cmd)) != 0) {
            DEVERODI_ERROR("short command read:send write cmd failed");
            return unlock_with(res);
        }
        if ((res = fetch(SHORT_DATA, chunk, data)) != 0) {
            DEVERODI_ERROR("short command read:read buffer failed!");
            return unlock_with(res);
        }
        data += chunk;
        length = (uint8_t)(length - chunk);
    }
    return unlock_with(0);
}

int short_cmd_write(uint8_t *cmd, uint8_t length, uint8_t *data)
{
    int res = refused(cmd);
    if (res)
        return res;
    pthread_mutex_lock(&command_mutex);
    if ((res = send(COMMAND_BLOCK, 4, cmd)) != 0) {
        DEVERODI_ERROR("short command write:send write cmd failed");
        return unlock_with(res);
    }
    if (length == 0 || !data)
        return unlock_with(0);
    if (length > SHORT_TAIL) {
        if ((res = send(SHORT_DATA | NO_WAIT, (uint16_t)(length - SHORT_TAIL), data)) != 0) {
            DEVERODI_ERROR("short command write:write buffer failed");
            return unlock_with(res);
        }
        data += length - SHORT_TAIL;
        res = send((uint16_t)(SHORT_DATA + length - SHORT_TAIL), SHORT_TAIL, data);
    } else {
        res = send(SHORT_DATA, length, data);
    }
    if (res != 0)
        DEVERODI_ERROR("short command write:send write cmd failed");
    return unlock_with(res);
}
