/* Register data reads and writes over vendor control transfers, with the completion poll. */
#ifndef DEVERODI_DATA_RW_H
#define DEVERODI_DATA_RW_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One control transfer through the open camera: 0 when the whole length moved, else -15. */
int uvc_control_cmd(uint8_t request_type, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                    uint16_t length, uint32_t timeout);
int i2c_usb_data_read(uint8_t request, uint16_t value, uint16_t address, uint16_t length, uint8_t *data);
int i2c_usb_data_write(uint8_t request, uint16_t value, uint16_t address, uint16_t length, uint8_t *data);
/* Polls the status register until done, failed, or the poll count is used up. */
int i2c_usb_check_access_done(void);
/* The low 16 bits of n become the poll count (0 means 65536 reads). */
void i2c_usb_set_polling_wait_time(uint32_t n);

#ifdef __cplusplus
}
#endif

#endif
