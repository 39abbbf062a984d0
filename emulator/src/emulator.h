/* The emulated camera module: one per process. It enumerates like the USB module, streams the
 * bench scene from its own thread, answers the vendor register window, logs every control
 * transfer and lets tests inject faults. Every function may be called from any thread. */
#ifndef EMULATOR_EMULATOR_H
#define EMULATOR_EMULATOR_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define EMU_VENDOR_ID 0x0BDA
#define EMU_PRODUCT_ID 0x5840
#define EMU_PRODUCT "USB Thermal Camera"
#define EMU_SERIAL "0001"

/* Codes as libusb gives them, so the port can hand them on unchanged. */
#define EMU_ERROR_IO (-1)
#define EMU_ERROR_NO_DEVICE (-4)
#define EMU_ERROR_BUSY (-6)
#define EMU_ERROR_PIPE (-9)
#define EMU_ERROR_NO_MEM (-11)

/* Back to a plugged, fault-free module with seed 1: clears the log, the register window, the
 * frame counter and every setting below except the plug callback. Call it with no stream
 * running. */
void emu_reset(void);

/* ---- identity and plugging ---- */

/* Number of modules enumerated (default 1; clones share one module; 0 while unplugged). */
void emu_set_device_count(unsigned count);
unsigned emu_device_count(void);
/* Times the number of modules was asked for since the reset: once by every search for a camera. */
uint64_t emu_device_searches(void);
/* The product string; null makes a module without one. */
void emu_set_product(const char *product);
/* Fills the identity of the index-th module; 0, or EMU_ERROR_NO_DEVICE. Strings stay valid
 * until the next emu_set_product or emu_reset. */
int emu_device_identity(unsigned index, uint16_t *vid, uint16_t *pid, const char **product, const char **serial);

/* Unplugging ends every handle opened before it: its stream delivers nothing more and its
 * transfers fail with EMU_ERROR_NO_DEVICE. With VANTREL_CAMERA=emulated the module is plugged
 * into this machine: the platform's device layer lists it while plugged and posts its
 * unplugging and plugging back as device notices. */
void emu_unplug(void);
void emu_replug(void);
int emu_plugged(void);
/* Called after every unplug and replug, on the caller's thread. */
typedef void (*emu_plug_fn)(int plugged, const char *serial, void *arg);
void emu_set_plug_callback(emu_plug_fn fn, void *arg);

/* Opening gives a token that names this plug-in of the module. */
int emu_open(unsigned index, uint32_t *token);

/* ---- stream modes and the stream ---- */

typedef struct emu_mode {
    uint8_t guid[16];
    uint32_t width;
    uint32_t height;
    uint32_t frame_size;
    const uint32_t *intervals; /* 100 ns units, ends at 0 */
} emu_mode;

/* Mode 1 is 256 x 384 YUY2 at 25 frames a second, 196608 bytes. */
unsigned emu_mode_count(void);
int emu_mode_get(unsigned index, emu_mode *mode);
/* Appends count extra modes, each with 40 frame rates (for bound checks); 0 removes them. */
void emu_set_extra_modes(unsigned count);

typedef void (*emu_frame_fn)(const void *data, size_t bytes, uint32_t width, uint32_t height, uint32_t sequence,
                             void *arg);
/* Starts the stream thread for the handle's mode at fps; EMU_ERROR_BUSY while one runs. */
int emu_stream_start(uint32_t token, unsigned mode, uint32_t fps, emu_frame_fn fn, void *arg);
/* Stops and joins the stream thread; no callback runs after it returns. */
void emu_stream_stop(void);
int emu_streaming(void);

/* Pacing: 0 keeps the mode's rate (default); otherwise frames come every period_us. */
void emu_set_frame_period_us(unsigned period_us);
/* Manual pacing: frames come only when emitted, so a test knows exactly how many came. */
void emu_stream_set_manual(int on);
void emu_stream_emit(unsigned count);
/* Waits until every emitted frame has been handled (delivered, or dropped by a fault);
 * 0, or -1 after timeout_ms. */
int emu_stream_wait_idle(unsigned timeout_ms);
/* Frames handed to the stream callback since the reset; frame n carries sequence n. */
uint64_t emu_frames_delivered(void);
/* Times the stream thread woke from a wait since the reset: about one a frame, since it sleeps
 * between frames. */
uint64_t emu_stream_wakeups(void);
/* Repeats the first rendered frame instead of rendering each one (for the benchmarks). */
void emu_set_static_scene(int on);

/* ---- faults ---- */

/* A stalled stream runs but delivers nothing until resumed. */
void emu_fault_stall(int on);
/* The next count frames come delta bytes longer (negative: shorter). */
void emu_fault_frame_size(int delta, unsigned count);
/* Every status read gives value (for instance 0x01 or 0x02: busy forever) until turned off. */
void emu_fault_status_stuck(int on, uint8_t value);
/* The next count commands end with this error status instead of done. */
void emu_fault_error_status(uint8_t status, unsigned count);
/* The next status reads give these bytes in turn, then the module's own status again. */
void emu_status_script(const uint8_t *bytes, size_t count);
/* Status reads that say busy (0x01) after each command before it is done (default 0). */
void emu_set_busy_polls(unsigned polls);

enum emu_transfer_fault { EMU_TRANSFER_FAIL = 1, EMU_TRANSFER_SHORT = 2 };
/* After skip more transfers, the next count transfers fail (EMU_ERROR_PIPE) or move one byte
 * less than asked; either way the module ignores them. */
void emu_fault_transfer(unsigned skip, unsigned count, enum emu_transfer_fault fault);

/* ---- control transfers and their log ---- */

/* As libusb_control_transfer: the byte count moved, or a negative code. */
int emu_control_transfer(uint32_t token, uint8_t request_type, uint8_t request, uint16_t value, uint16_t index,
                         uint8_t *data, uint16_t length);

#define EMU_LOG_DATA_MAX 264
typedef struct emu_transfer {
    uint8_t request_type;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    uint16_t length;
    int result;                      /* what the transfer returned */
    uint8_t data[EMU_LOG_DATA_MAX];  /* sent (OUT) or returned (IN); the first bytes of longer transfers */
} emu_transfer;

size_t emu_log_count(void);
/* 0, or -1 when there is no such entry. */
int emu_log_get(size_t index, emu_transfer *out);
void emu_log_clear(void);

/* ---- the bench scene: expected frames for a seed ---- */

void emu_set_seed(uint32_t seed);
uint32_t emu_seed(void);
/* Degrees Celsius of scene pixel (x, y) of 256 x 192 in frame n, noise included. */
double emu_scene_celsius(uint32_t seed, uint32_t n, int x, int y);
/* The raw sample (1/64 K) at scene pixel (x, y) of frame n. */
uint16_t emu_scene_sample(uint32_t seed, uint32_t n, int x, int y);
/* Frame n as the stream delivers it for a width x height mode: the upper height/2 rows a YUYV
 * grey picture, the lower rows the raw samples, little-endian (width * height * 2 bytes). */
void emu_scene_frame(uint32_t seed, uint32_t n, uint32_t width, uint32_t height, uint8_t *frame);

typedef struct emu_component {
    int x, y, w, h; /* in scene pixels */
    double celsius; /* noise-free, before drift */
} emu_component;
/* The warm components of both boards; the last one is the over-hot one of the right board. */
unsigned emu_scene_component_count(void);
int emu_scene_component(unsigned index, emu_component *out);

#ifdef __cplusplus
}
#endif

#endif
