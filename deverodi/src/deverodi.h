/* Camera access and streaming: one camera per process, found among the USB video devices. */
#ifndef DEVERODI_DEVERODI_H
#define DEVERODI_DEVERODI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The most records uvc_camera_list and uvc_camera_info_get write, and frame rates per mode. */
#define DEVERODI_MAX_DEVICES 64
#define DEVERODI_MAX_STREAM_INFOS 32
#define DEVERODI_MAX_FPS 32

typedef struct camera_dev {
    uint32_t pid;
    uint32_t vid;
    char *product; /* heap copy of the USB product string, or null */
} camera_dev_t;

typedef struct camera_stream_info {
    char *format; /* heap copy of the format GUID read as a C string ("YUY2") */
    uint32_t width;
    uint32_t height;
    uint32_t frame_size;
    uint32_t fps[DEVERODI_MAX_FPS]; /* ends at the first 0 */
} camera_stream_info_t;

typedef struct camera_param {
    uint32_t pid;
    uint32_t vid;
    char *product;
    const char *format; /* "YUY2", "MJPEG" or anything else for any format */
    uint32_t width;
    uint32_t height;
    uint32_t frame_size;
    uint32_t fps;
    uint32_t timeout; /* 1 ms waits uvc_frame_get makes before it gives up */
} camera_param_t;

/* Which frame a get copied out and when it came: its sequence number in the stream, and the
 * monotonic time (CLOCK_MONOTONIC, nanoseconds) at which the stream thread handed it over. */
typedef struct frame_stamp {
    uint64_t arrival_ns;
    uint32_t sequence;
} frame_stamp_t;

typedef struct frame_callback {
    void (*fn)(void *frame, void *user_ptr);
    void *user_ptr;
} frame_callback_t;

/* Logging: 0 everything, 1 errors only, anything else nothing (the default). */
void deverodi_log_register(int level);
/* The default sink: formats into a 200-byte line (cut when longer) and writes it to stdout. */
void deverodi_log_default(const char *format, ...);
/* The no-op log function, exported under both names. */
void i2c_start_stream(void);
void i2c_stop_stream(void);

const char *deverodi_version_number(void);
const char *deverodi_version(void);
const char *product_type(void);

int uvc_camera_init(void);
int uvc_camera_list(camera_dev_t *devs);
int uvc_camera_info_get(camera_dev_t dev, camera_stream_info_t *infos);
int uvc_camera_open(camera_dev_t dev);
int uvc_camera_open_same(camera_dev_t dev, unsigned index);
void *uvc_frame_buf_create(camera_param_t param);
void uvc_frame_buf_release(void *buf);
int uvc_camera_stream_start(camera_param_t param, frame_callback_t *callback);
int uvc_frame_get(void *raw_data);
/* uvc_frame_get that also gives the stamp of the frame it copied (stamp may be null; it is left
 * alone when no frame was copied). */
int uvc_frame_get_stamped(void *raw_data, frame_stamp_t *stamp);
int uvc_camera_stream_close(int keep);
void uvc_camera_close(void);
void uvc_camera_release(void);

#ifdef __cplusplus
}
#endif

#endif
