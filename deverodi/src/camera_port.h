/* The port between the SDK's shared device code and the thing that reaches the module:
 * libuvc/libusb for a real camera, or the emulated module. Codes are libuvc's (negative) and,
 * for control transfers, libusb's (byte count or negative). */
#ifndef DEVERODI_CAMERA_PORT_H
#define DEVERODI_CAMERA_PORT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/time.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct camera_port_descriptor {
    uint16_t vid;
    uint16_t pid;
    const char *product; /* null when the device has none */
    const char *serial;
} camera_port_descriptor;

/* One completed frame as the port's stream thread hands it over; valid during the call only. */
typedef struct camera_port_frame {
    const void *data;
    size_t bytes;
    uint32_t width;
    uint32_t height;
    uint32_t sequence;
    struct timeval capture_time;
} camera_port_frame;

typedef void (*camera_port_frame_fn)(const camera_port_frame *frame, void *arg);

/* One frame descriptor: guid is the format's 16 GUID bytes, intervals end at 0 (may be null). */
typedef void (*camera_port_mode_fn)(const uint8_t guid[16], uint32_t width, uint32_t height,
                                    uint32_t frame_size, const uint32_t *intervals, void *arg);

enum camera_port_format { CAMERA_PORT_ANY = 0, CAMERA_PORT_YUYV, CAMERA_PORT_MJPEG };

typedef struct camera_port {
    int (*init)(void **ctx);
    void (*exit)(void *ctx);
    /* A null-terminated list; free it with device_list_free, which drops the list's references. */
    int (*device_list)(void *ctx, void ***list);
    void (*device_list_free)(void **list);
    void (*device_ref)(void *dev);
    void (*device_unref)(void *dev);
    int (*descriptor_get)(void *dev, camera_port_descriptor **desc);
    void (*descriptor_free)(camera_port_descriptor *desc);
    /* Walks the first streaming interface's formats and frames, in order. handle may be null
     * (the port then opens the device for as long as it needs). */
    int (*modes_walk)(void *dev, void *handle, camera_port_mode_fn fn, void *arg);
    int (*open)(void *dev, void **handle);
    void (*close)(void *handle);
    void (*print_diag)(void *handle, FILE *stream);
    int (*negotiate)(void *handle, enum camera_port_format format, int width, int height, int fps);
    int (*start)(void *handle, camera_port_frame_fn fn, void *arg);
    /* Stops the stream and joins its thread; keep 0 releases the streaming interface too. */
    void (*stop)(void *handle, int keep);
    int (*control)(void *handle, uint8_t request_type, uint8_t request, uint16_t value, uint16_t index,
                   uint8_t *data, uint16_t length, unsigned timeout_ms);
} camera_port;

const camera_port *camera_port_usb(void);
/* Null when the program was built without the emulated module. */
const camera_port *camera_port_emulated(void);

/* The port the SDK uses from now on, in place of the one VANTREL_CAMERA picks (null: that one
 * again). For tests; call it while the SDK holds no context (after uvc_camera_release). */
void camera_port_use(const camera_port *port);

#ifdef __cplusplus
}
#endif

#endif
