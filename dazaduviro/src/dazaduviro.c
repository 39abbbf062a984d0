/* Frame-format conversions: stateless single passes over tightly packed pixels. */
#include "dazaduviro/src/dazaduviro.h"
#include "deverodi/src/deverodi.h"

#include <stdarg.h>
#include <stdatomic.h>
#include <stddef.h>
#include <string.h>

#define Y14_MAX 16383u

typedef void (*dazaduviro_log_fn)(const char *format, ...);

/* ---- logging ---- */

static void log_nothing(const char *format, ...)
{
    (void)format;
}

/* The library writes error lines only, so levels 0 and 1 both route them to the sink and no
 * debug slot is kept. Atomic because conversions may run on any thread. */
static _Atomic(dazaduviro_log_fn) error_slot = log_nothing;

void dazaduviro_log_register(int level)
{
    dazaduviro_log_fn error = level == 0 || level == 1 ? deverodi_log_default : log_nothing;
    atomic_store_explicit(&error_slot, error, memory_order_release);
}

static void log_error(int line, const char *func, const char *message)
{
    atomic_load_explicit(&error_slot, memory_order_acquire)("dazaduviro error [%s:%d/%s] %s\n", __FILE__, line,
                                                            func, message);
}

const char *dazaduviro_version(void)
{
    return "dazaduviro 0.3.1";
}

/* ---- argument checks ---- */

static int check_pointers(const void *a, const void *b, const void *c, int line, const char *func)
{
    if (a == NULL || b == NULL || c == NULL) {
        log_error(line, func, "data is NULL");
        return -1;
    }
    return 0;
}

static int check_conversion(const void *in, const void *out, int pixels, int line, const char *func)
{
    if (check_pointers(in, out, out, line, func) != 0) {
        return -1;
    }
    if (pixels < 1) {
        log_error(line, func, "pixel number is 0");
        return -1;
    }
    return 0;
}

/* The line and function in the log are those of the conversion that was called. */
#define CHECK_CONVERSION(in, out, pixels) check_conversion((in), (out), (pixels), __LINE__, __func__)

/* ---- per-pixel rules ---- */

static uint8_t clamp_byte(int value)
{
    if (value > 255) {
        return 255;
    }
    return value <= 0 ? 0 : (uint8_t)value;
}

static uint8_t y14_grey(uint16_t y14)
{
    unsigned v = y14 > Y14_MAX ? Y14_MAX : y14;
    return (uint8_t)(v * 255u / Y14_MAX);
}

/* The casts truncate toward zero; every result lies within -261..514, so no wrap is possible. */
static void yuv_to_rgb_pixel(int y, int u, int v, uint8_t *rgb)
{
    u -= 128;
    v -= 128;
    rgb[0] = clamp_byte((int)(y + 1.14 * v));
    rgb[1] = clamp_byte((int)(y - 0.394 * u - 0.581 * v));
    rgb[2] = clamp_byte((int)(y + 2.032 * u));
}

/* ---- frame cut ---- */

int raw_data_cut(const void *raw, int image_bytes, unsigned temp_bytes, void *image, void *temp)
{
    if (check_pointers(raw, image, temp, __LINE__, __func__) != 0) {
        return -1;
    }
    /* A negative size would become a huge copy. */
    if (image_bytes < 0) {
        log_error(__LINE__, __func__, "data size is negative");
        return -1;
    }
    memcpy(image, raw, (size_t)image_bytes);
    memcpy(temp, (const uint8_t *)raw + image_bytes, temp_bytes);
    return 0;
}

/* ---- 14- and 16-bit grey ---- */

int y14_to_y8(const uint16_t *in, int pixels, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t i = 0; i < (size_t)pixels; ++i) {
        out[i] = y14_grey(in[i]);
    }
    return 0;
}

int y14_to_rgb(const uint16_t *in, int pixels, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t i = 0; i < (size_t)pixels; ++i, out += 3) {
        uint8_t g = y14_grey(in[i]);
        out[0] = g;
        out[1] = g;
        out[2] = g;
    }
    return 0;
}

int y14_to_yuv444(const uint16_t *in, int pixels, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t i = 0; i < (size_t)pixels; ++i, out += 3) {
        out[0] = y14_grey(in[i]);
        out[1] = 0x80;
        out[2] = 0x80;
    }
    return 0;
}

int y16_to_y14(const uint16_t *in, int pixels, uint16_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t i = 0; i < (size_t)pixels; ++i) {
        out[i] = (uint16_t)(in[i] >> 2);
    }
    return 0;
}

/* ---- RGB ---- */

int rgb_to_bgr(const uint8_t *in, int pixels, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t i = 0; i < (size_t)pixels; ++i, in += 3, out += 3) {
        /* The whole pixel is read first so that in-place use works. */
        uint8_t r = in[0];
        uint8_t g = in[1];
        uint8_t b = in[2];
        out[0] = b;
        out[1] = g;
        out[2] = r;
    }
    return 0;
}

/* ---- YUYV 4:2:2 ---- */

int yuv422_add_y(const uint8_t *in, int pixels, int16_t delta, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    /* Every pixel's luma sits at an even offset; the sum is formed in int so that a large delta
     * saturates instead of wrapping. */
    for (size_t i = 0; i < 2 * (size_t)pixels; i += 2) {
        out[i] = clamp_byte(in[i] + delta);
    }
    return 0;
}

int yuv422_to_rgb(const uint8_t *in, int pixels, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t pair = 0; pair < (size_t)pixels / 2; ++pair, in += 4, out += 6) {
        yuv_to_rgb_pixel(in[0], in[1], in[3], out);
        yuv_to_rgb_pixel(in[2], in[1], in[3], out + 3);
    }
    return 0;
}

/* ---- YUV 4:4:4 ---- */

int yuv444_to_rgb(const uint8_t *in, int pixels, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t i = 0; i < (size_t)pixels; ++i, in += 3, out += 3) {
        yuv_to_rgb_pixel(in[0], in[1], in[2], out);
    }
    return 0;
}

int yuv444_to_yuv422(const uint8_t *in, int pixels, uint8_t *out)
{
    if (CHECK_CONVERSION(in, out, pixels) != 0) {
        return -1;
    }
    for (size_t pair = 0; pair < (size_t)pixels / 2; ++pair, in += 6, out += 4) {
        /* Both pixels are read before the group is written, so in-place use works. */
        uint8_t y0 = in[0];
        unsigned u = (unsigned)in[1] + in[4];
        uint8_t y1 = in[3];
        unsigned v = (unsigned)in[2] + in[5];
        out[0] = y0;
        out[1] = (uint8_t)(u >> 1);
        out[2] = y1;
        out[3] = (uint8_t)(v >> 1);
    }
    return 0;
}
