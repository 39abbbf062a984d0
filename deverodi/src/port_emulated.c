/* The port to the emulated module (VANTREL_CAMERA=emulated). */
#include "deverodi/src/camera_port.h"

#ifdef DEVERODI_WITH_EMULATOR

#include "emulator/src/emulator.h"

#include <stdatomic.h>
#include <stdlib.h>
#include <string.h>

/* libuvc's codes for what the emulated device answers. */
#define PORT_ERROR_NO_MEM (-11)
#define PORT_ERROR_INVALID_MODE (-51)

typedef struct emulated_device {
    atomic_int refs;
    unsigned index;
} emulated_device;

typedef struct emulated_handle {
    emulated_device *dev;
    uint32_t token;
    unsigned mode;
    uint32_t fps;
    camera_port_frame_fn fn;
    void *arg;
} emulated_handle;

static int emulated_init(void **ctx)
{
    static int context;
    *ctx = &context;
    return 0;
}

static void emulated_exit(void *ctx)
{
    (void)ctx;
}

static void emulated_device_ref(void *dev)
{
    atomic_fetch_add(&((emulated_device *)dev)->refs, 1);
}

static void emulated_device_unref(void *dev)
{
    if (atomic_fetch_sub(&((emulated_device *)dev)->refs, 1) == 1)
        free(dev);
}

static void emulated_device_list_free(void **list)
{
    for (void **d = list; *d; d++)
        emulated_device_unref(*d);
    free(list);
}

static int emulated_device_list(void *ctx, void ***list)
{
    unsigned count = emu_device_count();
    void **devs = calloc(count + 1, sizeof *devs);
    if (!devs)
        return PORT_ERROR_NO_MEM;
    for (unsigned i = 0; i < count; i++) {
        emulated_device *d = calloc(1, sizeof *d);
        if (!d) {
            emulated_device_list_free(devs);
            return PORT_ERROR_NO_MEM;
        }
        atomic_init(&d->refs, 1);
        d->index = i;
        devs[i] = d;
    }
    *list = devs;
    return 0;
}

static int emulated_descriptor_get(void *dev, camera_port_descriptor **desc)
{
    camera_port_descriptor *d = calloc(1, sizeof *d);
    if (!d)
        return PORT_ERROR_NO_MEM;
    int res = emu_device_identity(((emulated_device *)dev)->index, &d->vid, &d->pid, &d->product, &d->serial);
    if (res < 0) {
        free(d);
        return res;
    }
    *desc = d;
    return 0;
}

static void emulated_descriptor_free(camera_port_descriptor *desc)
{
    free(desc);
}

static int emulated_modes_walk(void *dev, void *handle, camera_port_mode_fn fn, void *arg)
{
    uint32_t token;
    int res = emu_open(((emulated_device *)dev)->index, &token);
    if (res < 0)
        return res;
    unsigned count = emu_mode_count();
    for (unsigned i = 0; i < count; i++) {
        emu_mode m;
        if (emu_mode_get(i, &m) == 0)
            fn(m.guid, m.width, m.height, m.frame_size, m.intervals, arg);
    }
    return 0;
}

static int emulated_open(void *dev, void **handle)
{
    emulated_handle *h = calloc(1, sizeof *h);
    if (!h)
        return PORT_ERROR_NO_MEM;
    h->dev = dev;
    int res = emu_open(h->dev->index, &h->token);
    if (res < 0) {
        free(h);
        return res;
    }
    emulated_device_ref(dev);
    *handle = h;
    return 0;
}

static void emulated_close(void *handle)
{
    emulated_handle *h = handle;
    emulated_device_unref(h->dev);
    free(h);
}

static void emulated_print_diag(void *handle, FILE *stream)
{
    emulated_handle *h = handle;
    fprintf(stream, "emulated camera module %04X:%04X, device %u\n", EMU_VENDOR_ID, EMU_PRODUCT_ID, h->dev->index);
}

static int format_matches(enum camera_port_format format, const uint8_t guid[16])
{
    switch (format) {
    case CAMERA_PORT_YUYV:
        return memcmp(guid, "YUY2", 4) == 0;
    case CAMERA_PORT_MJPEG:
        return memcmp(guid, "MJPG", 4) == 0;
    default:
        return 1;
    }
}

static int has_rate(const uint32_t *intervals, int fps)
{
    for (const uint32_t *i = intervals; i && *i; i++)
        if (fps > 0 && 10000000u / *i == (uint32_t)fps)
            return 1;
    return 0;
}

static int emulated_negotiate(void *handle, enum camera_port_format format, int width, int height, int fps)
{
    emulated_handle *h = handle;
    unsigned count = emu_mode_count();
    for (unsigned i = 0; i < count; i++) {
        emu_mode m;
        if (emu_mode_get(i, &m) == 0 && format_matches(format, m.guid) && (int)m.width == width &&
            (int)m.height == height && has_rate(m.intervals, fps)) {
            h->mode = i;
            h->fps = (uint32_t)fps;
            return 0;
        }
    }
    return PORT_ERROR_INVALID_MODE;
}

static void emulated_frame(const void *data, size_t bytes, uint32_t width, uint32_t height, uint32_t sequence,
                           void *arg)
{
    emulated_handle *h = arg;
    camera_port_frame f = {.data = data, .bytes = bytes, .width = width, .height = height, .sequence = sequence};
    gettimeofday(&f.capture_time, NULL);
    h->fn(&f, h->arg);
}

static int emulated_start(void *handle, camera_port_frame_fn fn, void *arg)
{
    emulated_handle *h = handle;
    h->fn = fn;
    h->arg = arg;
    return emu_stream_start(h->token, h->mode, h->fps, emulated_frame, h);
}

static void emulated_stop(void *handle, int keep)
{
    (void)handle;
    (void)keep;
    emu_stream_stop();
}

static int emulated_control(void *handle, uint8_t request_type, uint8_t request, uint16_t value, uint16_t index,
                            uint8_t *data, uint16_t length, unsigned timeout_ms)
{
    emulated_handle *h = handle;
    return emu_control_transfer(h->token, request_type, request, value, index, data, length);
}

const camera_port *camera_port_emulated(void)
{
    static const camera_port port = {
        emulated_init,          emulated_exit,           emulated_device_list, emulated_device_list_free,
        emulated_device_ref,    emulated_device_unref,   emulated_descriptor_get, emulated_descriptor_free,
        emulated_modes_walk,    emulated_open,           emulated_close,       emulated_print_diag,
        emulated_negotiate,     emulated_start,          emulated_stop,        emulated_control,
    };
    return &port;
}

#else

const camera_port *camera_port_emulated(void)
{
    return NULL;
}

#endif
