/* A small command model: enough of the module for the transport to be exercised.
 * - short commands (block byte 0x80 read, 0x81 write) reach a 64 KiB module memory;
 * - standard reads (operation bit 7 set) answer with the bytes (address + i) & 0xFF, address
 *   from block bytes 2..5, so chunked reads show that the address advanced;
 * - long reads (classes 0x11 to 0x14, operation bit 7 set) answer with (first parameter + i);
 * - every other command is accepted and does nothing. */
#include "emulator/src/command_model.h"

#include <string.h>

#define SHORT_DATA 0x04u
#define STANDARD_DATA 0x08u
#define LONG_REPLY 0x10u
#define MEMORY_SIZE 0x10000u

static uint8_t memory[MEMORY_SIZE];

static uint32_t be32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

static void fill_counting(uint8_t *out, size_t n, uint32_t start)
{
    for (size_t i = 0; i < n; i++)
        out[i] = (uint8_t)(start + i);
}

static void short_command(uint8_t *window, size_t size, uint16_t offset)
{
    size_t n = window[1];
    uint16_t address = (uint16_t)(window[2] << 8 | window[3]);
    if (n > size - SHORT_DATA)
        n = size - SHORT_DATA;
    for (size_t i = 0; i < n; i++) {
        uint16_t at = (uint16_t)(address + i);
        if (window[0] == 0x80 && offset == 0)
            window[SHORT_DATA + i] = memory[at];
        else if (window[0] == 0x81 && offset >= SHORT_DATA)
            memory[at] = window[SHORT_DATA + i];
    }
}

uint8_t emu_command_model_execute(uint8_t *window, size_t window_size, uint16_t address, uint16_t length)
{
    uint16_t offset = (uint16_t)(address - EMU_WINDOW_BASE);
    uint8_t klass = window[0];
    uint8_t op = window[1];
    if (klass == 0x80 || klass == 0x81) {
        short_command(window, window_size, offset);
    } else if (klass >= 0x11 && klass <= 0x14) {
        if ((op & 0x80) && offset == STANDARD_DATA) {
            uint32_t n = be32(window + 12);
            if (n > window_size - LONG_REPLY)
                n = (uint32_t)(window_size - LONG_REPLY);
            fill_counting(window + LONG_REPLY, n, be32(window + 4));
        }
    } else if ((op & 0x80) && offset == 0) {
        size_t n = (size_t)(window[6] << 8 | window[7]);
        if (n > window_size - STANDARD_DATA)
            n = window_size - STANDARD_DATA;
        fill_counting(window + STANDARD_DATA, n, be32(window + 2));
    }
    (void)length;
    return 0x00;
}

void emu_command_model_reset(void)
{
    memset(memory, 0, sizeof memory);
}
