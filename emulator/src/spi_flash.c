/* The emulated module's SPI flash, under a lock of its own. */
#include "emulator/src/spi_flash.h"

#include <pthread.h>
#include <string.h>

#define FW_SIZE 0x40000u
#define NUC_T_ADDRESS 0xDA000u
#define NUC_T_SIZE 0x4000u
#define NO_FAULT 0xFFFFFFFFu

typedef struct part {
    uint8_t maker;
    uint8_t type;      /* id byte 3 */
    uint8_t protect_kind;
    uint8_t protect_mask;
    uint8_t held_kind;
    uint8_t held_mask; /* bits of held_kind no write clears */
} part;

static const part parts[] = {
    {EMU_FLASH_MAKER_C2, 0x20, 0, 0x3C, 0, 0x00},
    {EMU_FLASH_MAKER_EF, 0x40, 1, 0x40, 1, 0x02},
    {EMU_FLASH_MAKER_C8, 0x40, 1, 0x40, 1, 0x00},
};
static const part unknown_part = {0, 0x30, 0, 0x3C, 0, 0x00};

static pthread_mutex_t flash_lock = PTHREAD_MUTEX_INITIALIZER;
static uint8_t memory[EMU_FLASH_SIZE];
static part chip;
static uint8_t status[EMU_FLASH_STATUS_KINDS];
static uint8_t held[EMU_FLASH_STATUS_KINDS];
static uint32_t bad_address = NO_FAULT;
static uint8_t bad_mask;
static int tagged;
static uint32_t sectors_erased, bytes_programmed;

static void lock(void)
{
    pthread_mutex_lock(&flash_lock);
}

static void unlock(void)
{
    pthread_mutex_unlock(&flash_lock);
}

static int in_flash(uint32_t address, size_t length)
{
    return address <= EMU_FLASH_SIZE && length <= EMU_FLASH_SIZE - address;
}

uint8_t emu_flash_factory_byte(uint32_t address)
{
    if (address < FW_SIZE)
        return (uint8_t)(address * 31u + (address >> 9));
    if (address >= NUC_T_ADDRESS && address < NUC_T_ADDRESS + NUC_T_SIZE)
        return (uint8_t)((address >> 1) ^ 0x5Au);
    return 0xFF;
}

/* Called locked. */
static void power_on_part(uint8_t maker)
{
    chip = unknown_part;
    chip.maker = maker;
    for (size_t i = 0; i < sizeof parts / sizeof parts[0]; i++)
        if (parts[i].maker == maker)
            chip = parts[i];
    memset(held, 0, sizeof held);
    held[chip.held_kind] = chip.held_mask;
    for (unsigned k = 0; k < EMU_FLASH_STATUS_KINDS; k++)
        status[k] = held[k];
}

void emu_flash_reset(void)
{
    lock();
    memset(memory, 0xFF, sizeof memory);
    for (uint32_t a = 0; a < FW_SIZE; a++)
        memory[a] = emu_flash_factory_byte(a);
    for (uint32_t a = NUC_T_ADDRESS; a < NUC_T_ADDRESS + NUC_T_SIZE; a++)
        memory[a] = emu_flash_factory_byte(a);
    power_on_part(EMU_FLASH_DEFAULT_MAKER);
    bad_address = NO_FAULT;
    bad_mask = 0;
    tagged = 1;
    sectors_erased = bytes_programmed = 0;
    unlock();
}

void emu_flash_id(uint8_t *id)
{
    lock();
    const uint8_t bytes[6] = {0x5A, 0x01, chip.maker, chip.type, 0x17, 0x00};
    memcpy(id, bytes, sizeof bytes);
    unlock();
}

int emu_flash_read(uint32_t address, size_t length, uint8_t *out)
{
    if (!in_flash(address, length))
        return -1;
    lock();
    memcpy(out, memory + address, length);
    if (bad_mask && bad_address >= address && bad_address - address < length)
        out[bad_address - address] ^= bad_mask;
    unlock();
    return 0;
}

/* Called locked. */
static int protected_now(void)
{
    return (status[chip.protect_kind] & chip.protect_mask) != 0;
}

int emu_flash_program(uint32_t address, size_t length, const uint8_t *data)
{
    if (!in_flash(address, length))
        return -1;
    lock();
    if (!protected_now()) {
        for (size_t i = 0; i < length; i++)
            memory[address + i] &= data[i];
        bytes_programmed += (uint32_t)length;
    }
    unlock();
    return 0;
}

int emu_flash_erase(uint32_t address, uint32_t count)
{
    uint32_t start = address & ~(EMU_FLASH_SECTOR - 1u);
    if (!in_flash(start, (size_t)count * EMU_FLASH_SECTOR))
        return -1;
    lock();
    if (!protected_now()) {
        memset(memory + start, 0xFF, (size_t)count * EMU_FLASH_SECTOR);
        sectors_erased += count;
    }
    unlock();
    return 0;
}

int emu_flash_read_status(uint8_t kind, uint8_t *value)
{
    if (kind >= EMU_FLASH_STATUS_KINDS)
        return -1;
    lock();
    *value = status[kind];
    unlock();
    return 0;
}

int emu_flash_write_status(uint8_t kind, uint8_t value)
{
    if (kind >= EMU_FLASH_STATUS_KINDS)
        return -1;
    lock();
    status[kind] = value | held[kind];
    unlock();
    return 0;
}

void emu_flash_set_tag(int on)
{
    lock();
    tagged = on;
    unlock();
}

void emu_flash_set_maker(uint8_t maker)
{
    lock();
    power_on_part(maker);
    unlock();
}

uint8_t emu_flash_maker(void)
{
    lock();
    uint8_t m = chip.maker;
    unlock();
    return m;
}

void emu_flash_set_status(uint8_t kind, uint8_t value)
{
    emu_flash_write_status(kind, value);
}

uint8_t emu_flash_status(uint8_t kind)
{
    uint8_t v = 0;
    emu_flash_read_status(kind, &v);
    return v;
}

void emu_flash_hold_status_bits(uint8_t kind, uint8_t mask)
{
    if (kind >= EMU_FLASH_STATUS_KINDS)
        return;
    lock();
    held[kind] = mask;
    status[kind] |= mask;
    unlock();
}

void emu_flash_fault_bad_byte(uint32_t address, uint8_t mask)
{
    lock();
    bad_address = mask ? address : NO_FAULT;
    bad_mask = mask;
    unlock();
}

void emu_flash_peek(uint32_t address, size_t length, uint8_t *out)
{
    if (!in_flash(address, length))
        return;
    lock();
    memcpy(out, memory + address, length);
    unlock();
}

void emu_flash_load(uint32_t address, size_t length, const uint8_t *data)
{
    if (!in_flash(address, length))
        return;
    lock();
    memcpy(memory + address, data, length);
    unlock();
}

int emu_flash_tagged(void)
{
    lock();
    int t = tagged;
    unlock();
    return t;
}

uint32_t emu_flash_sectors_erased(void)
{
    lock();
    uint32_t n = sectors_erased;
    unlock();
    return n;
}

uint32_t emu_flash_bytes_programmed(void)
{
    lock();
    uint32_t n = bytes_programmed;
    unlock();
    return n;
}
