/* What the transport files need from the device half of the SDK. */
#ifndef DEVERODI_DEVERODI_INTERNAL_H
#define DEVERODI_DEVERODI_INTERNAL_H

#include <stdint.h>

/* One control transfer on the open camera: the byte count moved, or a negative code (also when
 * no camera is open). */
int deverodi_control_transfer(uint8_t request_type, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                              uint16_t length, uint32_t timeout_ms);

void deverodi_sleep_ms(unsigned ms);

#endif
