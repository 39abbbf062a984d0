/* Register data reads and writes: vendor control transfers on the open camera, and the poll of
 * the module's status register after every waited write. */
#include "deverodi/src/data_rw.h"

#include "deverodi/src/deverodi_internal.h"
#include "deverodi/src/deverodi_log.h"

#include <stdatomic.h>

#define REQUEST_TYPE_IN 0xC1  /* device to host, vendor, interface */
#define REQUEST_TYPE_OUT 0x41 /* host to device, vendor, interface */
#define READ_REQUEST 0x44
#define READ_VALUE 0x78
#define STATUS_REGISTER 0x0200
#define NO_WAIT_BIT 0x8000
#define TRANSFER_TIMEOUT_MS 1000
#define READ_MAX 256
#define WRITE_MAX 64
#define TRANSFER_FAILED (-15)
#define STATUS_FAILED (-16)

static atomic_ushort poll_count = 2000;

int uvc_control_cmd(uint8_t request_type, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                    uint16_t length, uint32_t timeout)
{
    uint8_t zero = 0;
    /* The module wants at least one byte; a missing buffer is one zero byte, never more. */
    if (!data) {
        data = &zero;
        length = 1;
    }
    if (length == 0)
        length = 1;
    int moved = deverodi_control_transfer(request_type, request, value, index, data, length, timeout);
    return moved == length ? 0 : TRANSFER_FAILED;
}

int i2c_usb_data_read(uint8_t request, uint16_t value, uint16_t address, uint16_t length, uint8_t *data)
{
    if (!data || length == 0) {
        DEVERODI_ERROR("parameter error");
        return -1;
    }
    if (length > READ_MAX) {
        DEVERODI_ERROR("usb in transfer length out of limitation:%d", READ_MAX);
        return -1;
    }
    int res = uvc_control_cmd(REQUEST_TYPE_IN, request, value, address, data, length, TRANSFER_TIMEOUT_MS);
    if (res != 0) {
        DEVERODI_ERROR("uvc_control_cmd filed (uvc_error_code:%d)", res);
        return res;
    }
    return 0;
}

int i2c_usb_data_write(uint8_t request, uint16_t value, uint16_t address, uint16_t length, uint8_t *data)
{
    if (length > WRITE_MAX) {
        DEVERODI_ERROR("parameter error");
        return -1;
    }
    int res = uvc_control_cmd(REQUEST_TYPE_OUT, request, value, address, data, length, TRANSFER_TIMEOUT_MS);
    if (res != 0) {
        DEVERODI_ERROR("uvc_control_cmd filed (uvc_error_code:%d)", res);
        return res;
    }
    if (address & NO_WAIT_BIT)
        return 0;
    return i2c_usb_check_access_done();
}

int i2c_usb_check_access_done(void)
{
    /* A 16-bit counter decremented before it is tested: 0 gives 65536 tries. */
    uint16_t tries = atomic_load(&poll_count);
    do {
        uint8_t status = 0xFF;
        int res = uvc_control_cmd(REQUEST_TYPE_IN, READ_REQUEST, READ_VALUE, STATUS_REGISTER, &status, 1,
                                  TRANSFER_TIMEOUT_MS);
        if (res != 0)
            DEVERODI_ERROR("uvc_control_cmd filed (uvc_error_code:%d)", res);
        if (!(status & 0x01)) {
            if (!(status & 0x02))
                return 0;
            if (status & 0xFC) {
                DEVERODI_ERROR("vdcmd status error:%d", status);
                return STATUS_FAILED;
            }
        }
        deverodi_sleep_ms(1);
    } while (--tries != 0);
    DEVERODI_ERROR("check done fail!");
    return STATUS_FAILED;
}

void i2c_usb_set_polling_wait_time(uint32_t n)
{
    atomic_store(&poll_count, (uint16_t)n);
}
