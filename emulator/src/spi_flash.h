/* The emulated module's SPI flash: 8 MiB of 4096-byte sectors. Erasing sets 0xFF, programming
 * can only clear bits (as NOR flash does), and both are ignored while the protect bits of the
 * maker's protect register are set. Every function takes the flash's own lock, so tests may
 * call them from any thread while commands run. */
#ifndef EMULATOR_SPI_FLASH_H
#define EMULATOR_SPI_FLASH_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define EMU_FLASH_SIZE 0x800000u
#define EMU_FLASH_SECTOR 4096u
#define EMU_FLASH_STATUS_KINDS 3u
/* Makers whose parts the module is built with, and the default one. */
#define EMU_FLASH_MAKER_C2 0xC2
#define EMU_FLASH_MAKER_EF 0xEF
#define EMU_FLASH_MAKER_C8 0xC8
#define EMU_FLASH_DEFAULT_MAKER EMU_FLASH_MAKER_EF

/* ---- what the command model uses ---- */

/* Power-on state: factory content (an installed image at 0, a correction table at 0xDA000,
 * 0xFF elsewhere), the default maker, the image tagged. */
void emu_flash_reset(void);
/* 6 bytes; byte 2 is the maker. */
void emu_flash_id(uint8_t *id);
/* Each returns 0, or -1 when the range leaves the flash (nothing is done then). */
int emu_flash_read(uint32_t address, size_t length, uint8_t *out);
int emu_flash_program(uint32_t address, size_t length, const uint8_t *data);
/* Erases count sectors from the one holding address. */
int emu_flash_erase(uint32_t address, uint32_t count);
/* kind 0 to 2; -1 for another kind. */
int emu_flash_read_status(uint8_t kind, uint8_t *value);
int emu_flash_write_status(uint8_t kind, uint8_t value);
void emu_flash_set_tag(int tagged);

/* ---- for tests ---- */

/* Changes the part: its id and its status registers at power-on (an 0xEF part keeps bit 1 of
 * status register 1 set, whatever is written). The contents stay. */
void emu_flash_set_maker(uint8_t maker);
uint8_t emu_flash_maker(void);
/* Sets a status register as a write would (held bits stay set). Protect bits: register 0 bits
 * 2 to 5 for 0xC2 parts and unknown makers, register 1 bit 6 for 0xEF and 0xC8 parts. */
void emu_flash_set_status(uint8_t kind, uint8_t value);
uint8_t emu_flash_status(uint8_t kind);
/* Bits of a status register that no write clears (replaces the maker's own). */
void emu_flash_hold_status_bits(uint8_t kind, uint8_t mask);
/* A byte that does not verify: reads at address give the stored byte xor mask (mask 0: off). */
void emu_flash_fault_bad_byte(uint32_t address, uint8_t mask);
/* The stored bytes, without the fault; and a direct load that bypasses erase and protection. */
void emu_flash_peek(uint32_t address, size_t length, uint8_t *out);
void emu_flash_load(uint32_t address, size_t length, const uint8_t *data);
/* The power-on byte at address. */
uint8_t emu_flash_factory_byte(uint32_t address);
int emu_flash_tagged(void);
/* Sectors erased and bytes programmed since the reset. */
uint32_t emu_flash_sectors_erased(void);
uint32_t emu_flash_bytes_programmed(void);

#ifdef __cplusplus
}
#endif

#endif
