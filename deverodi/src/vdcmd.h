/* The vendor command transport: binding, command mutex and the three framings that lay a
 * command and its data into the module's register window. */
#ifndef DEVERODI_VDCMD_H
#define DEVERODI_VDCMD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int vdcmd_set_polling_wait_time(uint32_t n);
/* These two live with the command set (doduze_dud.c). */
int vdcmd_init(void);
int vdcmd_init_by_type(int type);
int vdcmd_transport_init(int type);

/* Each returns 0 or the first failing step's code; the command block is the caller's scratch
 * (8 bytes standard, 16 long, 4 short). */
int standard_cmd_read(uint8_t *cmd, uint16_t length, uint8_t *data);
int standard_cmd_write(uint8_t *cmd, uint16_t length, uint8_t *data);
int long_cmd_read(uint8_t *cmd, uint32_t word, uint32_t param1, uint32_t param2, uint32_t length, uint8_t *data);
int long_cmd_write(uint8_t *cmd, uint32_t word, uint32_t param1, uint32_t param2, uint32_t param3);
int short_cmd_read(uint8_t *cmd, uint8_t length, uint8_t *data);
int short_cmd_write(uint8_t *cmd, uint8_t length, uint8_t *data);

#ifdef __cplusplus
}
#endif

#endif
