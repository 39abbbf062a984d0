/* Camera access and streaming over the camera port (libuvc/libusb or the emulated module). */
#include "deverodi/src/deverodi.h"

#include "deverodi/src/camera_port.h"
#include "deverodi/src/deverodi_internal.h"
#include "deverodi/src/deverodi_log.h"

#include <libuvc/libuvc.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define LOG_LINE_BYTES 200
#define DEFAULT_WAIT_COUNT 2000

/* ---- logging and versions ---- */

static void log_nothing(const char *format, ...)
{
    (void)format;
}

static _Atomic(deverodi_log_fn) debug_slot = log_nothing;
static _Atomic(deverodi_log_fn) error_slot = log_nothing;

deverodi_log_fn deverodi_log_debug_slot(void)
{
    return atomic_load_explicit(&debug_slot, memory_order_acquire);
}

deverodi_log_fn deverodi_log_error_slot(void)
{
    return atomic_load_explicit(&error_slot, memory_order_acquire);
}

void deverodi_log_default(const char *format, ...)
{
    char line[LOG_LINE_BYTES] = {0};
    va_list args;
    va_start(args, format);
    /* vsnprintf cuts a longer line to fit, terminator included. */
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    printf("%s", line);
    fflush(stdout);
}

void i2c_start_stream(void)
{
}

void i2c_stop_stream(void) __attribute__((alias("i2c_start_stream")));

void deverodi_log_register(int level)
{
    deverodi_log_fn debug = level == 0 ? deverodi_log_default : log_nothing;
    deverodi_log_fn error = level == 0 || level == 1 ? deverodi_log_default : log_nothing;
    atomic_store_explicit(&debug_slot, debug, memory_order_release);
    atomic_store_explicit(&error_slot, error, memory_order_release);
}

const char *deverodi_version_number(void)
{
    return "1.9.1 alpha for qrd";
}

const char *deverodi_version(void)
{
    return "deverodi zado2121r 1.9.1 alpha for qrd";
}

const char *product_type(void)
{
    return "ZIRIRI";
}

static uint64_t monotonic_ns(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint64_t)t.tv_sec * 1000000000u + (uint64_t)t.tv_nsec;
}

void deverodi_sleep_ms(unsigned ms)
{
    struct timespec t = {ms / 1000u, (long)(ms % 1000u) * 1000000L};
    while (nanosleep(&t, &t) != 0)
        ;
}

/* ---- module state ---- */

static pthread_once_t port_once = PTHREAD_ONCE_INIT;
static const camera_port *port;
static const camera_port *port_in_use;

/* The open handle and the current device were taken from the held context, which must
 * outlive them: ending a libuvc context closes its handles. */
static void *context;
static void *current_device;
static void *handle;
static int streaming;
static frame_callback_t user_record;
static int wait_count = DEFAULT_WAIT_COUNT;
static uint32_t open_pid;
static uint32_t open_vid;
static char *open_product;

/* The frame lock guards the frame buffer and the ready count between the stream thread and
 * the caller's thread. */
static pthread_mutex_t frame_lock = PTHREAD_MUTEX_INITIALIZER;
static uvc_frame_t *frame_buffer;
static int ready_count;
static frame_stamp_t ready_stamp; /* of the frame in frame_buffer */

static void choose_port(void)
{
    const char *camera = getenv("VANTREL_CAMERA");
    if (camera && strcmp(camera, "emulated") == 0)
        port = camera_port_emulated();
    if (!port)
        port = camera_port_usb();
}

static const camera_port *the_port(void)
{
    pthread_once(&port_once, choose_port);
    return port_in_use ? port_in_use : port;
}

void camera_port_use(const camera_port *chosen)
{
    port_in_use = chosen;
}

static void set_current_device(void *dev)
{
    if (current_device)
        the_port()->device_unref(current_device);
    current_device = dev;
}

/* ---- device search ---- */

static int product_matches(const char *wanted, const char *product)
{
    return !wanted || (product && strcmp(wanted, product) == 0);
}

static int uvc_camera_find(void *ctx, void **found, uint32_t vid, uint32_t pid, const char *product,
                           unsigned index)
{
    const camera_port *p = the_port();
    void **list = NULL;
    if (!ctx)
        return UVC_ERROR_INVALID_PARAM;
    int res = p->device_list(ctx, &list);
    if (res < 0)
        return res;
    void *taken = NULL;
    unsigned matches = 0;
    for (void **dev = list; *dev && !taken; dev++) {
        camera_port_descriptor *desc;
        if (p->descriptor_get(*dev, &desc) < 0)
            continue;
        if ((vid == 0 || vid == desc->vid) && (pid == 0 || pid == desc->pid) &&
            product_matches(product, desc->product) && matches++ == index)
            taken = *dev;
        p->descriptor_free(desc);
    }
    if (taken)
        p->device_ref(taken);
    p->device_list_free(list);
    if (!taken)
        return UVC_ERROR_NO_DEVICE;
    *found = taken;
    return 0;
}

/* ---- context and lists ---- */

int uvc_camera_init(void)
{
    const camera_port *p = the_port();
    /* The open camera's context stays while it is open; the next init after the close makes
     * a fresh one. */
    if (handle) {
        DEVERODI_DEBUG("uvc camera init success (uvc_error_code:%d)", 0);
        return 0;
    }
    void *fresh = NULL;
    int res = p->init(&fresh);
    if (res < 0) {
        DEVERODI_ERROR("uvc camera init failed (uvc_error_code:%d)", res);
        return -2;
    }
    /* A held context is ended rather than leaked, after the device taken from it. */
    if (context) {
        set_current_device(NULL);
        p->exit(context);
    }
    context = fresh;
    DEVERODI_DEBUG("uvc camera init success (uvc_error_code:%d)", res);
    return 0;
}

int uvc_camera_list(camera_dev_t *devs)
{
    const camera_port *p = the_port();
    void **list = NULL;
    if (!devs) {
        DEVERODI_ERROR("parameter error");
        return -1;
    }
    int res = context ? p->device_list(context, &list) : UVC_ERROR_INVALID_PARAM;
    if (res < 0) {
        DEVERODI_ERROR("uvc camera get device list failed (uvc_error_code:%d)", res);
        return -3;
    }
    memset(&devs[0], 0, sizeof devs[0]);
    unsigned filled = 0;
    for (void **dev = list; *dev; dev++) {
        if (filled == DEVERODI_MAX_DEVICES) {
            DEVERODI_DEBUG("device list full, %d records", DEVERODI_MAX_DEVICES);
            break;
        }
        camera_port_descriptor *desc;
        if (p->descriptor_get(*dev, &desc) < 0)
            continue;
        camera_dev_t *rec = &devs[filled++];
        rec->pid = desc->pid;
        rec->vid = desc->vid;
        if (desc->product)
            rec->product = strdup(desc->product);
        else
            DEVERODI_DEBUG("product name is null!");
        p->descriptor_free(desc);
    }
    p->device_list_free(list);
    DEVERODI_DEBUG("uvc camera devices listed");
    return 0;
}

typedef struct mode_records {
    camera_stream_info_t *infos;
    unsigned filled;
} mode_records;

static void add_mode(const uint8_t guid[16], uint32_t width, uint32_t height, uint32_t frame_size,
                     const uint32_t *intervals, void *arg)
{
    mode_records *m = arg;
    if (m->filled == DEVERODI_MAX_STREAM_INFOS)
        return;
    camera_stream_info_t *rec = &m->infos[m->filled++];
    rec->format = strndup((const char *)guid, 16);
    rec->width = width;
    rec->height = height;
    rec->frame_size = frame_size;
    for (unsigned i = 0; intervals && i < DEVERODI_MAX_FPS && intervals[i]; i++) {
        rec->fps[i] = 10000000u / intervals[i];
        if (i + 1 < DEVERODI_MAX_FPS)
            rec->fps[i + 1] = 0;
    }
}

static int is_open_camera(camera_dev_t dev)
{
    return handle && dev.vid == open_vid && dev.pid == open_pid && product_matches(dev.product, open_product) &&
           product_matches(open_product, dev.product);
}

int uvc_camera_info_get(camera_dev_t dev, camera_stream_info_t *infos)
{
    const camera_port *p = the_port();
    if (!infos) {
        DEVERODI_ERROR("parameter error");
        return -1;
    }
    void *found = NULL;
    int res = uvc_camera_find(context, &found, dev.vid, dev.pid, dev.product, 0);
    if (res < 0) {
        DEVERODI_ERROR("uvc camera find device failed (uvc_error_code:%d)", res);
        return -4;
    }
    set_current_device(found);
    memset(&infos[0], 0, sizeof infos[0]);
    mode_records records = {infos, 0};
    /* The open camera is described through its own handle: a second open would fail. */
    res = p->modes_walk(found, is_open_camera(dev) ? handle : NULL, add_mode, &records);
    if (res < 0) {
        DEVERODI_ERROR("uvc camera get device info failed (uvc_error_code:%d)", res);
        return -5;
    }
    if (records.filled == DEVERODI_MAX_STREAM_INFOS)
        DEVERODI_DEBUG("stream info list full, %d records", DEVERODI_MAX_STREAM_INFOS);
    return 0;
}

/* ---- open and close ---- */

static int camera_open(camera_dev_t dev, unsigned index, const char *already)
{
    const camera_port *p = the_port();
    int same = open_pid != 0 && open_pid == dev.pid && open_vid != 0 && open_vid == dev.vid && open_product &&
               dev.product && strcmp(open_product, dev.product) == 0;
    /* One handle per process: opening over an open one would lose it with its stream. */
    if (same || handle) {
        DEVERODI_ERROR("%s", already);
        return -8;
    }
    void *found = NULL;
    int res = uvc_camera_find(context, &found, dev.vid, dev.pid, dev.product, index);
    if (res < 0) {
        DEVERODI_ERROR("uvc camera find device failed (uvc_error_code:%d)", res);
        return -4;
    }
    void *opened = NULL;
    res = p->open(found, &opened);
    if (res < 0) {
        p->device_unref(found);
        DEVERODI_ERROR("uvc camera open device failed (uvc_error_code:%d)", res);
        return -6;
    }
    camera_port_descriptor *desc;
    res = p->descriptor_get(found, &desc);
    if (res < 0) {
        p->close(opened);
        p->device_unref(found);
        DEVERODI_ERROR("uvc get device descriptor failed (uvc_error_code:%d)", res);
        return -7;
    }
    open_pid = desc->pid;
    open_vid = desc->vid;
    open_product = desc->product ? strdup(desc->product) : NULL;
    p->descriptor_free(desc);
    if (!open_product)
        DEVERODI_ERROR("product name is empty!");
    set_current_device(found);
    handle = opened;
    p->print_diag(handle, stderr);
    DEVERODI_DEBUG("uvc camera opened success");
    return 0;
}

int uvc_camera_open(camera_dev_t dev)
{
    return camera_open(dev, 0, "dev already opened!");
}

int uvc_camera_open_same(camera_dev_t dev, unsigned index)
{
    return camera_open(dev, index, "uvc camera already opened!");
}

void uvc_camera_close(void)
{
    const camera_port *p = the_port();
    if (handle) {
        /* A stream left running would call back into a closed handle. */
        if (streaming)
            p->stop(handle, 0);
        streaming = 0;
        p->close(handle);
        handle = NULL;
    }
    DEVERODI_DEBUG("uvc camera closed");
    set_current_device(NULL);
    open_pid = 0;
    open_vid = 0;
    free(open_product);
    open_product = NULL;
}

void uvc_camera_release(void)
{
    if (handle)
        uvc_camera_close();
    set_current_device(NULL);
    if (context)
        the_port()->exit(context);
    context = NULL;
    DEVERODI_DEBUG("UVC exited");
}

/* ---- frames ---- */

void *uvc_frame_buf_create(camera_param_t param)
{
    return malloc(param.frame_size);
}

void uvc_frame_buf_release(void *buf)
{
    free(buf);
}

/* Runs on the port's stream thread for every completed frame. */
static void cb(const camera_port_frame *frame, void *user_ptr)
{
    frame_callback_t *user = user_ptr;
    if (user && !user->fn)
        return;
    const uint64_t arrival_ns = monotonic_ns();
    pthread_mutex_lock(&frame_lock);
    int fits = frame_buffer && frame->bytes == frame_buffer->data_bytes;
    if (fits) {
        memcpy(frame_buffer->data, frame->data, frame->bytes);
        if (!user) {
            frame_buffer->width = frame->width;
            frame_buffer->height = frame->height;
            frame_buffer->sequence = frame->sequence;
            frame_buffer->capture_time = frame->capture_time;
            ready_stamp.arrival_ns = arrival_ns;
            ready_stamp.sequence = frame->sequence;
            ready_count++;
        }
    }
    void *data = fits ? frame_buffer->data : NULL;
    pthread_mutex_unlock(&frame_lock);
    if (!fits)
        DEVERODI_ERROR("frame size error:%d", (int)frame->bytes);
    else if (user)
        user->fn(data, user->user_ptr);
}

static enum camera_port_format format_of(const char *format)
{
    if (format && strcmp(format, "YUY2") == 0)
        return CAMERA_PORT_YUYV;
    if (format && strcmp(format, "MJPEG") == 0)
        return CAMERA_PORT_MJPEG;
    return CAMERA_PORT_ANY;
}

int uvc_camera_stream_start(camera_param_t param, frame_callback_t *callback)
{
    const camera_port *p = the_port();
    wait_count = (int)param.timeout;
    enum camera_port_format format = format_of(param.format);

    pthread_mutex_lock(&frame_lock);
    if (!frame_buffer)
        frame_buffer = uvc_allocate_frame(param.frame_size);
    int allocated = frame_buffer != NULL;
    pthread_mutex_unlock(&frame_lock);
    if (!allocated) {
        DEVERODI_ERROR("start streaming failed (uvc_error_code:%d)", UVC_ERROR_NO_MEM);
        return -11;
    }

    int res = handle ? p->negotiate(handle, format, (int)param.width, (int)param.height, (int)param.fps)
                     : UVC_ERROR_INVALID_PARAM;
    if (res < 0) {
        DEVERODI_ERROR("get stream format failed (uvc_error_code:%d)", res);
        return -9;
    }
    if (callback) {
        if (!callback->fn) {
            DEVERODI_ERROR("user's callback fucntion is empty! (uvc_error_code:%d)", 0);
            return -10;
        }
        if (streaming) {
            res = UVC_ERROR_BUSY;
        } else {
            user_record = *callback;
            res = p->start(handle, cb, &user_record);
        }
    } else {
        res = streaming ? UVC_ERROR_BUSY : p->start(handle, cb, NULL);
        DEVERODI_DEBUG("uvc_start_streaming without usr callback (uvc_error_code:%d)", res);
    }
    if (res < 0) {
        DEVERODI_ERROR("start streaming failed (uvc_error_code:%d)", res);
        return -11;
    }
    streaming = 1;
    DEVERODI_DEBUG("streaming...(uvc_error_code:%d)", res);
    return 0;
}

int uvc_frame_get(void *raw_data)
{
    return uvc_frame_get_stamped(raw_data, NULL);
}

int uvc_frame_get_stamped(void *raw_data, frame_stamp_t *stamp)
{
    if (!raw_data) {
        DEVERODI_ERROR("raw_data is empty!");
        return -1;
    }
    for (int tries = 0; tries < wait_count; tries++) {
        pthread_mutex_lock(&frame_lock);
        if (ready_count > 0) {
            if (frame_buffer && frame_buffer->data)
                memcpy(raw_data, frame_buffer->data, frame_buffer->data_bytes);
            if (stamp)
                *stamp = ready_stamp;
            ready_count--;
            pthread_mutex_unlock(&frame_lock);
            return 0;
        }
        pthread_mutex_unlock(&frame_lock);
        deverodi_sleep_ms(1);
    }
    DEVERODI_DEBUG("overtime!");
    return -12;
}

int uvc_camera_stream_close(int keep)
{
    /* The stream thread is joined before the buffer it writes into goes. */
    if (handle)
        the_port()->stop(handle, keep);
    streaming = 0;
    /* Frames counted but not taken went with their buffer: the next stream's fresh (zeroed)
     * buffer must not be handed out as if it held them. */
    pthread_mutex_lock(&frame_lock);
    uvc_frame_t *gone = frame_buffer;
    frame_buffer = NULL;
    ready_count = 0;
    pthread_mutex_unlock(&frame_lock);
    if (gone)
        uvc_free_frame(gone);
    DEVERODI_DEBUG("streaming done");
    return 0;
}

int deverodi_control_transfer(uint8_t request_type, uint8_t request, uint16_t value, uint16_t index, uint8_t *data,
                              uint16_t length, uint32_t timeout_ms)
{
    if (!handle)
        return UVC_ERROR_NO_DEVICE;
    return the_port()->control(handle, request_type, request, value, index, data, length, timeout_ms);
}
