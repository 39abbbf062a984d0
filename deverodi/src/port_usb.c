/* The port to a real camera: libuvc for devices, descriptors and the stream, libusb for the
 * vendor control transfers. */
#include "deverodi/src/camera_port.h"

#include <libusb.h>
#include <libuvc/libuvc.h>
#include <stdlib.h>

typedef struct usb_descriptor {
    camera_port_descriptor pub;
    uvc_device_descriptor_t *uvc;
} usb_descriptor;

typedef struct usb_handle {
    uvc_device_handle_t *devh;
    uvc_stream_ctrl_t ctrl;
    camera_port_frame_fn fn;
    void *arg;
} usb_handle;

static int usb_init(void **ctx)
{
    uvc_context_t *uvc = NULL;
    /* No libusb context given: libuvc makes its own and runs its own event thread. */
    int res = uvc_init(&uvc, NULL);
    *ctx = res < 0 ? NULL : uvc;
    return res;
}

static void usb_exit(void *ctx)
{
    uvc_exit(ctx);
}

static int usb_device_list(void *ctx, void ***list)
{
    uvc_device_t **devs = NULL;
    int res = uvc_get_device_list(ctx, &devs);
    *list = res < 0 ? NULL : (void **)devs;
    return res;
}

static void usb_device_list_free(void **list)
{
    uvc_free_device_list((uvc_device_t **)list, 1);
}

static void usb_device_ref(void *dev)
{
    uvc_ref_device(dev);
}

static void usb_device_unref(void *dev)
{
    uvc_unref_device(dev);
}

static int usb_descriptor_get(void *dev, camera_port_descriptor **desc)
{
    usb_descriptor *d = calloc(1, sizeof *d);
    if (!d)
        return UVC_ERROR_NO_MEM;
    int res = uvc_get_device_descriptor(dev, &d->uvc);
    if (res < 0) {
        free(d);
        return res;
    }
    d->pub.vid = d->uvc->idVendor;
    d->pub.pid = d->uvc->idProduct;
    d->pub.product = d->uvc->product;
    d->pub.serial = d->uvc->serialNumber;
    *desc = &d->pub;
    return 0;
}

static void usb_descriptor_free(camera_port_descriptor *desc)
{
    usb_descriptor *d = (usb_descriptor *)desc;
    uvc_free_device_descriptor(d->uvc);
    free(d);
}

static int usb_modes_walk(void *dev, void *handle, camera_port_mode_fn fn, void *arg)
{
    /* libuvc 0.0.6 offers format descriptors only on an open handle. */
    uvc_device_handle_t *devh = handle ? ((usb_handle *)handle)->devh : NULL;
    uvc_device_handle_t *temporary = NULL;
    if (!devh) {
        int res = uvc_open(dev, &temporary);
        if (res < 0)
            return res;
        devh = temporary;
    }
    for (const uvc_format_desc_t *format = uvc_get_format_descs(devh); format; format = format->next)
        for (const uvc_frame_desc_t *frame = format->frame_descs; frame; frame = frame->next)
            fn(format->guidFormat, frame->wWidth, frame->wHeight, frame->dwMaxVideoFrameBufferSize,
               frame->intervals, arg);
    if (temporary)
        uvc_close(temporary);
    return 0;
}

static int usb_open(void *dev, void **handle)
{
    usb_handle *h = calloc(1, sizeof *h);
    if (!h)
        return UVC_ERROR_NO_MEM;
    int res = uvc_open(dev, &h->devh);
    if (res < 0) {
        free(h);
        return res;
    }
    *handle = h;
    return 0;
}

static void usb_close(void *handle)
{
    usb_handle *h = handle;
    uvc_close(h->devh);
    free(h);
}

static void usb_print_diag(void *handle, FILE *stream)
{
    uvc_print_diag(((usb_handle *)handle)->devh, stream);
}

static int usb_negotiate(void *handle, enum camera_port_format format, int width, int height, int fps)
{
    static const enum uvc_frame_format formats[] = {
        [CAMERA_PORT_ANY] = UVC_FRAME_FORMAT_ANY,
        [CAMERA_PORT_YUYV] = UVC_FRAME_FORMAT_YUYV,
        [CAMERA_PORT_MJPEG] = UVC_FRAME_FORMAT_MJPEG,
    };
    usb_handle *h = handle;
    return uvc_get_stream_ctrl_format_size(h->devh, &h->ctrl, formats[format], width, height, fps);
}

static void usb_frame(uvc_frame_t *frame, void *arg)
{
    usb_handle *h = arg;
    camera_port_frame f = {
        .data = frame->data,
        .bytes = frame->data_bytes,
        .width = frame->width,
        .height = frame->height,
        .sequence = frame->sequence,
        .capture_time = frame->capture_time,
    };
    h->fn(&f, h->arg);
}

static int usb_start(void *handle, camera_port_frame_fn fn, void *arg)
{
    usb_handle *h = handle;
    h->fn = fn;
    h->arg = arg;
    return uvc_start_streaming(h->devh, &h->ctrl, usb_frame, h, 0);
}

static void usb_stop(void *handle, int keep)
{
    usb_handle *h = handle;
    /* libuvc 0.0.6 stops, joins and releases the streaming interface in one call; keeping it
     * claimed means claiming it back. */
    uvc_stop_streaming(h->devh);
    if (keep)
        libusb_claim_interface(uvc_get_libusb_handle(h->devh), h->ctrl.bInterfaceNumber);
}

static int usb_control(void *handle, uint8_t request_type, uint8_t request, uint16_t value, uint16_t index,
                       uint8_t *data, uint16_t length, unsigned timeout_ms)
{
    usb_handle *h = handle;
    return libusb_control_transfer(uvc_get_libusb_handle(h->devh), request_type, request, value, index, data,
                                   length, timeout_ms);
}

const camera_port *camera_port_usb(void)
{
    static const camera_port port = {
        usb_init,           usb_exit,       usb_device_list, usb_device_list_free, usb_device_ref,
        usb_device_unref,   usb_descriptor_get, usb_descriptor_free, usb_modes_walk, usb_open,
        usb_close,          usb_print_diag, usb_negotiate,   usb_start,            usb_stop,
        usb_control,
    };
    return &port;
}
