/* The module's command handling behind the register window. The register window calls
 * emu_command_model_execute after every waited write (an address without bit 15), once the
 * written bytes are in the window; the model reads the command block and data from the window
 * and leaves its reply there. This is the one place where the module's command set lives. */
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

/* Back to the power-on state; called by emu_reset. */
void emu_command_model_reset(void);

#ifdef __cplusplus
}
#endif

#endif
