/* The module's command handling behind the register window. The register window calls
 * emu_command_model_execute after every waited write (an address without bit 15), once the
 * written bytes are in the window; the model reads the command block and data from the window
 * and leaves its reply there. This is the one place where the module's command set lives; its
 * flash is spi_flash.h. */
#ifndef EMULATOR_COMMAND_MODEL_H
#define EMULATOR_COMMAND_MODEL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Register window memory from this address: command block at +0x00, short-command data at
 * +0x04, standard-command data (and the second half of a long block) at +0x08, long-command
 * reply at +0x10. */
#define EMU_WINDOW_BASE 0x1D00u
#define EMU_WINDOW_SIZE 0x300u
#define EMU_STATUS_REGISTER 0x0200u

/* window: the window memory (EMU_WINDOW_SIZE bytes, from EMU_WINDOW_BASE); address and length:
 * the waited write that triggered the call (address without bit 15). Returns the status the
 * module shows once done: 0x00, or an error status (bit 1 and some of bits 2 to 7 set).
 * Runs under the emulator's lock: it must not call back into the emulator. */
uint8_t emu_command_model_execute(uint8_t *window, size_t window_size, uint16_t address, uint16_t length);

/* Back to the power-on state (flash included); called by emu_reset. */
void emu_command_model_reset(void);

/* ---- the module's state and faults, for tests (any thread; the flash is in spi_flash.h) ---- */

/* The status a refused or unknown command ends with. */
#define EMU_MODULE_ERROR 0x06

/* Device status at module memory 0x000C: 2 running (the power-on state; an update needs a reset
 * first), 1 update mode. A reset to update mode shows 1 after the given number of status reads
 * (default 3); a reset to the ROM goes back to 2. */
#define EMU_DEVICE_STATUS_ADDRESS 0x000Cu
#define EMU_DEVICE_RUNNING 2
#define EMU_DEVICE_UPDATE_MODE 1
void emu_module_set_device_status(uint8_t status);
uint8_t emu_module_device_status(void);
void emu_module_set_update_mode_delay(unsigned reads);
/* Fault: a reset to update mode is accepted but the status never becomes 1. */
void emu_module_fault_update_mode_never(int on);
void emu_module_reset_counts(unsigned *to_update, unsigned *to_rom);

/* Device information by kind (0-7: 8, 8, 8, 26, 4, 50, 48 part number, 16 serial number);
 * the length of a kind, 0 for another kind. Kind 0's byte 2 is the customer sub id (0x22),
 * byte 3 the customer main id (0). */
size_t emu_module_info_length(unsigned kind);
void emu_module_set_device_info(unsigned kind, const uint8_t *bytes, size_t length);
void emu_module_device_info(unsigned kind, uint8_t *out, size_t length);
/* The u32 that the 10-byte status (class 0B) carries in its last 4 bytes, least significant first. */
#define EMU_MODULE_STATUS_WORD 0x12345678u

/* Dead-pixel parameter blocks 2 (sdpc, 5 bytes) and 10 (ddpc, 14 bytes), and the history of
 * their writes (at most 32 kept). */
#define EMU_SDPC_BLOCK 2
#define EMU_SDPC_SIZE 5
#define EMU_DDPC_BLOCK 10
#define EMU_DDPC_SIZE 14
void emu_module_dpc_block(uint8_t block, uint8_t *out);
size_t emu_module_dpc_write_count(void);
/* 0, or -1 when there is no such write; data gets the block's size. */
int emu_module_dpc_write_get(size_t index, uint8_t *block, uint8_t *data);
/* Dead points added and not removed. */
size_t emu_module_dead_point_count(void);

/* Properties by family (2 auto shutter, 3 image, 4 overexposure, 5 temperature) and id (0-15):
 * 0, or -1 for no such property. */
int emu_module_property(unsigned family, unsigned id, uint16_t *value);
uint16_t emu_module_property_default(unsigned family, unsigned id);

/* Temperature commands answer from this frame of the bench scene (default seed 1, frame 0):
 * whole frame max, min; 6 values max, max x, max y, min, min x, min y; a line or rectangle's 7
 * values are those and the mean. */
void emu_module_set_scene(uint32_t seed, uint32_t frame);
#define EMU_MODULE_SENSOR_WIDTH 256
#define EMU_MODULE_SENSOR_HEIGHT 192

/* Fixed answers. */
#define EMU_MODULE_SHUTTER_VTEMP 0x4A38u
#define EMU_MODULE_CUR_VTEMP 0x4B00u
#define EMU_MODULE_TECLESS_AREA 0x03u

#ifdef __cplusplus
}
#endif

#endif
