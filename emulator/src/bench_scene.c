/* The bench the emulated module looks at: two similar boards side by side on a mat, warm
 * components on each, one of the right board's running too hot; sensor noise and slow drift.
 * Everything is a pure function of (seed, frame number, pixel), so tests can predict frames. */
#include "emulator/src/emulator.h"

#include <math.h>
#include <string.h>

#define SCENE_W 256
#define SCENE_H 192
#define MAT_C 24.0
#define BOARD_C 29.0
#define BOARD_W 112
#define BOARD_H 136
#define BOARD_Y 28
#define LEFT_X 12
#define RIGHT_X 136
/* Uniform noise of +-0.173 K has a standard deviation of 0.1 K. */
#define NOISE_K 0.173
/* A drift of +-0.3 K over two minutes at 25 frames a second. */
#define DRIFT_K 0.3
#define DRIFT_FRAMES 3000.0
#define PICTURE_MIN_C 20.0
#define PICTURE_MAX_C 90.0

typedef struct part {
    int dx, dy, w, h;
    double celsius;
} part;

/* Component layout relative to a board's corner. */
static const part parts[] = {
    {10, 10, 30, 24, 55.0}, {50, 12, 20, 20, 42.0}, {78, 10, 24, 14, 35.0}, {12, 50, 40, 40, 68.0},
    {60, 56, 36, 22, 48.0}, {60, 90, 18, 30, 38.0}, {20, 100, 28, 20, 45.0},
};
#define PART_COUNT (sizeof parts / sizeof parts[0])
/* On the right board this component runs at this temperature instead. */
#define HOT_PART 4
#define HOT_C 86.0

static uint32_t mix(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

static double noise(uint32_t seed, uint32_t n, int x, int y)
{
    uint32_t h = mix(seed * 0x9E3779B9U ^ mix(n * 0x85EBCA6BU ^ mix((uint32_t)(y * SCENE_W + x))));
    return ((double)h / 4294967295.0 * 2.0 - 1.0) * NOISE_K;
}

static double drift(uint32_t seed, uint32_t n)
{
    double phase = (double)(mix(seed) % 1000) / 1000.0;
    return DRIFT_K * sin(2.0 * M_PI * ((double)n / DRIFT_FRAMES + phase));
}

static void fill_span(double *row, int left, int w, double celsius)
{
    for (int x = left; x < left + w; x++)
        row[x] = celsius;
}

static void fill_board(int y, int left, int right_board, double *row)
{
    if (y < BOARD_Y || y >= BOARD_Y + BOARD_H)
        return;
    fill_span(row, left, BOARD_W, BOARD_C);
    /* Last part first, so that the first part listed wins where parts would overlap. */
    for (size_t i = PART_COUNT; i-- > 0;) {
        int top = BOARD_Y + parts[i].dy;
        if (y >= top && y < top + parts[i].h)
            fill_span(row, left + parts[i].dx, parts[i].w, right_board && i == HOT_PART ? HOT_C : parts[i].celsius);
    }
}

/* The scene without noise or drift along row y, a whole row at a time: the frame loop would
 * otherwise search the boards and parts for every pixel. */
static void clean_row(int y, double row[SCENE_W])
{
    fill_span(row, 0, SCENE_W, MAT_C);
    fill_board(y, LEFT_X, 0, row);
    fill_board(y, RIGHT_X, 1, row);
}

static double clean_celsius(int x, int y)
{
    if (x < 0 || x >= SCENE_W)
        return MAT_C;
    double row[SCENE_W];
    clean_row(y, row);
    return row[x];
}

/* lround without the library call, to the same result: v - (long)v is exact. The frame loop
 * rounds every sample of every frame. */
static long round_half_away(double v)
{
    long whole = (long)v;
    double part = v - (double)whole;
    return whole + (part >= 0.5) - (part <= -0.5);
}

double emu_scene_celsius(uint32_t seed, uint32_t n, int x, int y)
{
    return clean_celsius(x, y) + drift(seed, n) + noise(seed, n, x, y);
}

uint16_t emu_scene_sample(uint32_t seed, uint32_t n, int x, int y)
{
    return (uint16_t)round_half_away((emu_scene_celsius(seed, n, x, y) + 273.15) * 64.0);
}

static uint8_t grey(double celsius)
{
    double t = (celsius - PICTURE_MIN_C) / (PICTURE_MAX_C - PICTURE_MIN_C);
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    return (uint8_t)(16.0 + t * 219.0);
}

void emu_scene_frame(uint32_t seed, uint32_t n, uint32_t width, uint32_t height, uint8_t *frame)
{
    uint32_t half = height / 2;
    uint8_t *picture = frame;
    uint8_t *samples = frame + (size_t)width * half * 2;
    double d = drift(seed, n);
    for (uint32_t row = 0; row < half; row++) {
        int y = (int)(row * SCENE_H / half);
        double clean[SCENE_W];
        clean_row(y, clean);
        for (uint32_t col = 0; col < width; col++) {
            int x = (int)(col * SCENE_W / width);
            double c = clean[x] + d + noise(seed, n, x, y);
            size_t at = ((size_t)row * width + col) * 2;
            uint16_t raw = (uint16_t)round_half_away((c + 273.15) * 64.0);
            samples[at] = (uint8_t)(raw & 0xFF);
            samples[at + 1] = (uint8_t)(raw >> 8);
            picture[at] = grey(c);
            picture[at + 1] = 0x80; /* U on even pixels, V on odd ones: grey */
        }
    }
}

unsigned emu_scene_component_count(void)
{
    return (unsigned)(2 * PART_COUNT);
}

int emu_scene_component(unsigned index, emu_component *out)
{
    if (index >= 2 * PART_COUNT || !out)
        return -1;
    /* Left board first, then the right board with its over-hot part moved to the end. */
    unsigned order[2 * PART_COUNT];
    unsigned k = 0;
    for (unsigned i = 0; i < PART_COUNT; i++)
        order[k++] = i;
    for (unsigned i = 0; i < PART_COUNT; i++)
        if (i != HOT_PART)
            order[k++] = PART_COUNT + i;
    order[k] = PART_COUNT + HOT_PART;
    unsigned which = order[index];
    int right = which >= PART_COUNT;
    const part *p = &parts[which % PART_COUNT];
    out->x = (right ? RIGHT_X : LEFT_X) + p->dx;
    out->y = BOARD_Y + p->dy;
    out->w = p->w;
    out->h = p->h;
    out->celsius = right && which % PART_COUNT == HOT_PART ? HOT_C : p->celsius;
    return 0;
}
