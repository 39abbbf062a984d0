/* Frame-format conversions of the camera SDK: cutting a camera frame into its image and
 * temperature halves, and converting between the module's pixel layouts. All buffers are tightly
 * packed. Every function returns 0 on success and -1 on a bad argument. */
#ifndef DAZADUVIRO_SRC_DAZADUVIRO_H
#define DAZADUVIRO_SRC_DAZADUVIRO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Logging: 0 debug and error lines, 1 error lines only, anything else nothing (the default).
 * Call it before conversions start on other threads. */
void dazaduviro_log_register(int level);

/* "dazaduviro 0.3.1" (static). */
const char *dazaduviro_version(void);

/* Copies the first image_bytes bytes of raw to image and the temp_bytes after them to temp.
 * The output buffers must not overlap raw. A negative image_bytes is refused (-1). */
int raw_data_cut(const void *raw, int image_bytes, unsigned temp_bytes, void *image, void *temp);

/* 14-bit grey (values above 16383 count as 16383) to 8-bit grey, to R=G=B, and to Y, 0x80, 0x80. */
int y14_to_y8(const uint16_t *in, int pixels, uint8_t *out);
int y14_to_rgb(const uint16_t *in, int pixels, uint8_t *out);
int y14_to_yuv444(const uint16_t *in, int pixels, uint8_t *out);

/* Drops the two low bits; in and out may be the same buffer. */
int y16_to_y14(const uint16_t *in, int pixels, uint16_t *out);

/* RGB24 to BGR24; in and out may be the same buffer. */
int rgb_to_bgr(const uint8_t *in, int pixels, uint8_t *out);

/* YUYV 4:2:2 (Y0 U Y1 V per pixel pair). yuv422_add_y adds delta to every luma byte, clamped to
 * 0..255, and leaves the output's U and V bytes as they were (in and out may be the same buffer);
 * with an odd count the last pixel's luma is adjusted too. yuv422_to_rgb writes 3 bytes a pixel;
 * with an odd count the last pixel, whose V byte lies outside the 2 * pixels input bytes, is
 * dropped. */
int yuv422_add_y(const uint8_t *in, int pixels, int16_t delta, uint8_t *out);
int yuv422_to_rgb(const uint8_t *in, int pixels, uint8_t *out);

/* YUV 4:4:4 (Y U V per pixel) to RGB24, and to YUYV 4:2:2 with the chroma of each pair averaged
 * (an odd last pixel is dropped; in and out may be the same buffer). */
int yuv444_to_rgb(const uint8_t *in, int pixels, uint8_t *out);
int yuv444_to_yuv422(const uint8_t *in, int pixels, uint8_t *out);

#ifdef __cplusplus
}
#endif

#endif
