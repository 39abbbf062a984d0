/* The emulated module's state: identity, plugging, stream thread, register window, faults and
 * the transfer log, all under one lock. Callbacks (frames, plug notices) run outside it. */
#include "emulator/src/emulator.h"

#include "emulator/src/command_model.h"

#ifdef EMULATOR_WITH_DEVICE_LAYER
#include "platform/devices/provided_devices.h"
#endif

#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define PRODUCT_MAX 64
#define DEVICE_MAX 128
#define LOG_MAX 65536u
#define EXTRA_MODE_RATES 40

#define REQUEST_TYPE_IN 0xC1
#define REQUEST_TYPE_OUT 0x41
#define REQUEST_READ 0x44
#define REQUEST_WRITE 0x45
#define REQUEST_VALUE 0x78
#define NO_WAIT_BIT 0x8000u
#define STATUS_BUSY 0x01

static const uint32_t rate_25[] = {400000, 0};
static const uint32_t rates_25_50[] = {400000, 200000, 0};
static uint32_t extra_rates[EXTRA_MODE_RATES + 1];

#define GUID_YUY2 {'Y', 'U', 'Y', '2', 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}

static const emu_mode base_modes[] = {
    {GUID_YUY2, 256, 192, 256 * 192 * 2, rates_25_50},
    {GUID_YUY2, 256, 384, 256 * 384 * 2, rate_25},
    {GUID_YUY2, 256, 196, 256 * 196 * 2, rate_25},
};
#define BASE_MODES (sizeof base_modes / sizeof base_modes[0])

typedef struct emulator {
    pthread_mutex_t lock;
    /* Both wait against CLOCK_MONOTONIC, the clock every deadline here is taken from. */
    pthread_cond_t wake; /* stream thread: stop, emits, settings */
    pthread_cond_t idle; /* tests: emitted frames handled */

    int plugged;
    uint32_t token; /* changes at every unplug and reset: older handles are dead */
    unsigned device_count;
    uint64_t device_searches;
    int has_product;
    char product[PRODUCT_MAX];
    char serials[DEVICE_MAX][12];
    unsigned extra_modes;
    emu_plug_fn plug_fn;
    void *plug_arg;

    uint32_t seed;
    uint64_t delivered;
    unsigned period_us;
    int manual;
    unsigned pending;
    int busy_delivering;
    int static_scene;
    int stall;
    int size_delta;
    unsigned size_faults;

    int streaming;
    int stop;
    uint64_t wakeups;
    pthread_t thread;
    uint32_t stream_token;
    emu_mode mode;
    unsigned stream_period_us;
    emu_frame_fn frame_fn;
    void *frame_arg;

    uint8_t window[EMU_WINDOW_SIZE];
    uint8_t status;
    unsigned busy_left;
    unsigned busy_polls;
    int stuck;
    uint8_t stuck_value;
    uint8_t error_status;
    unsigned error_count;
    uint8_t script[64];
    size_t script_len, script_at;
    unsigned transfer_skip, transfer_count;
    enum emu_transfer_fault transfer_fault;

    emu_transfer *log;
    size_t log_len, log_cap;
} emulator;

static emulator emu = {
    .lock = PTHREAD_MUTEX_INITIALIZER,
    .plugged = 1,
    .token = 1,
    .device_count = 1,
    .has_product = 1,
    .product = EMU_PRODUCT,
    .seed = 1,
};

static pthread_once_t conditions_once = PTHREAD_ONCE_INIT;

/* A static initializer would make them wait against CLOCK_REALTIME. */
static void init_conditions(void)
{
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&emu.wake, &attr);
    pthread_cond_init(&emu.idle, &attr);
    pthread_condattr_destroy(&attr);
}

static void lock(void)
{
    pthread_once(&conditions_once, init_conditions);
    pthread_mutex_lock(&emu.lock);
}

static void unlock(void)
{
    pthread_mutex_unlock(&emu.lock);
}

static void log_clear_locked(void)
{
    free(emu.log);
    emu.log = NULL;
    emu.log_len = emu.log_cap = 0;
}

void emu_reset(void)
{
    lock();
    emu.plugged = 1;
    emu.token++;
    emu.device_count = 1;
    emu.device_searches = 0;
    emu.has_product = 1;
    snprintf(emu.product, sizeof emu.product, "%s", EMU_PRODUCT);
    emu.extra_modes = 0;
    emu.seed = 1;
    emu.delivered = 0;
    emu.wakeups = 0;
    emu.period_us = 0;
    emu.manual = 0;
    emu.pending = 0;
    emu.static_scene = 0;
    emu.stall = 0;
    emu.size_delta = 0;
    emu.size_faults = 0;
    memset(emu.window, 0, sizeof emu.window);
    emu.status = 0;
    emu.busy_left = 0;
    emu.busy_polls = 0;
    emu.stuck = 0;
    emu.error_count = 0;
    emu.script_len = emu.script_at = 0;
    emu.transfer_count = 0;
    emu.transfer_skip = 0;
    emu_command_model_reset();
    log_clear_locked();
    pthread_cond_broadcast(&emu.wake);
    pthread_cond_broadcast(&emu.idle);
    unlock();
}

/* ---- identity and plugging ---- */

void emu_set_device_count(unsigned count)
{
    lock();
    emu.device_count = count > DEVICE_MAX ? DEVICE_MAX : count;
    unlock();
}

unsigned emu_device_count(void)
{
    lock();
    unsigned n = emu.plugged ? emu.device_count : 0;
    emu.device_searches++;
    unlock();
    return n;
}

uint64_t emu_device_searches(void)
{
    lock();
    uint64_t n = emu.device_searches;
    unlock();
    return n;
}

void emu_set_product(const char *product)
{
    lock();
    emu.has_product = product != NULL;
    snprintf(emu.product, sizeof emu.product, "%s", product ? product : "");
    unlock();
}

int emu_device_identity(unsigned index, uint16_t *vid, uint16_t *pid, const char **product, const char **serial)
{
    lock();
    int res = EMU_ERROR_NO_DEVICE;
    if (emu.plugged && index < emu.device_count) {
        snprintf(emu.serials[index], sizeof emu.serials[index], "%04u", index + 1);
        *vid = EMU_VENDOR_ID;
        *pid = EMU_PRODUCT_ID;
        *product = emu.has_product ? emu.product : NULL;
        *serial = emu.serials[index];
        res = 0;
    }
    unlock();
    return res;
}

/* ---- the machine's view: with VANTREL_CAMERA=emulated the module is plugged into it ---- */

#ifdef EMULATOR_WITH_DEVICE_LAYER
static int selected(void)
{
    const char *camera = getenv("VANTREL_CAMERA");
    return camera && strcmp(camera, "emulated") == 0;
}

static int provide_module(unsigned index, platform_usb_device *device, void *unused)
{
    uint16_t vid, pid;
    const char *product, *serial;
    if (!selected() || emu_device_identity(index, &vid, &pid, &product, &serial) != 0)
        return 0;
    device->vendor = vid;
    device->product = pid;
    snprintf(device->serial, sizeof device->serial, "%s", serial);
    return 1;
}

/* The module is there from the start of the process, as a camera plugged in before it. */
__attribute__((constructor)) static void join_device_layer(void)
{
    platform_devices_add_provider(provide_module, NULL);
}

static void tell_machine(int plugged)
{
    if (selected())
        platform_devices_report(plugged, EMU_VENDOR_ID, EMU_PRODUCT_ID, EMU_SERIAL);
}
#else
static void tell_machine(int plugged)
{
    (void)plugged;
}
#endif

static void set_plugged(int plugged)
{
    lock();
    int changed = emu.plugged != plugged;
    emu.plugged = plugged;
    if (!plugged && changed)
        emu.token++;
    emu_plug_fn fn = emu.plug_fn;
    void *arg = emu.plug_arg;
    pthread_cond_broadcast(&emu.wake);
    unlock();
    if (!changed)
        return;
    tell_machine(plugged);
    if (fn)
        fn(plugged, EMU_SERIAL, arg);
}

void emu_unplug(void)
{
    set_plugged(0);
}

void emu_replug(void)
{
    set_plugged(1);
}

int emu_plugged(void)
{
    lock();
    int p = emu.plugged;
    unlock();
    return p;
}

void emu_set_plug_callback(emu_plug_fn fn, void *arg)
{
    lock();
    emu.plug_fn = fn;
    emu.plug_arg = arg;
    unlock();
}

int emu_open(unsigned index, uint32_t *token)
{
    lock();
    int res = emu.plugged && index < emu.device_count ? 0 : EMU_ERROR_NO_DEVICE;
    if (res == 0)
        *token = emu.token;
    unlock();
    return res;
}

/* ---- stream modes ---- */

unsigned emu_mode_count(void)
{
    lock();
    unsigned n = (unsigned)BASE_MODES + emu.extra_modes;
    unlock();
    return n;
}

int emu_mode_get(unsigned index, emu_mode *mode)
{
    lock();
    int res = -1;
    if (index < BASE_MODES) {
        *mode = base_modes[index];
        res = 0;
    } else if (index < BASE_MODES + emu.extra_modes) {
        uint32_t k = index - (unsigned)BASE_MODES + 1;
        for (unsigned i = 0; i < EXTRA_MODE_RATES; i++)
            extra_rates[i] = 10000000u / (i + 1);
        *mode = (emu_mode){GUID_YUY2, 32 * k, 24 * k, 32 * k * 24 * k * 2, extra_rates};
        res = 0;
    }
    unlock();
    return res;
}

void emu_set_extra_modes(unsigned count)
{
    lock();
    emu.extra_modes = count;
    unlock();
}

/* ---- the stream thread ---- */

static void deadline_after(struct timespec *t, unsigned us)
{
    t->tv_nsec += (long)us * 1000L;
    while (t->tv_nsec >= 1000000000L) {
        t->tv_nsec -= 1000000000L;
        t->tv_sec++;
    }
}

static int before(const struct timespec *a, const struct timespec *b)
{
    return a->tv_sec < b->tv_sec || (a->tv_sec == b->tv_sec && a->tv_nsec < b->tv_nsec);
}

/* Waits for the next frame's turn; returns 0 when the thread is to stop. Called locked. */
static int wait_turn(struct timespec *next)
{
    for (;;) {
        if (emu.stop)
            return 0;
        if (emu.manual) {
            if (emu.pending > 0) {
                emu.pending--;
                return 1;
            }
            pthread_cond_wait(&emu.wake, &emu.lock);
            emu.wakeups++;
            clock_gettime(CLOCK_MONOTONIC, next);
            continue;
        }
        unsigned period = emu.period_us ? emu.period_us : emu.stream_period_us;
        if (period == 0)
            return 1;
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (!before(&now, next)) {
            /* Turns follow the previous one, so wake-up delays do not slow the rate; a stream
             * that fell a whole period behind starts afresh. */
            deadline_after(next, period);
            if (!before(&now, next)) {
                *next = now;
                deadline_after(next, period);
            }
            return 1;
        }
        pthread_cond_timedwait(&emu.wake, &emu.lock, next);
        emu.wakeups++;
    }
}

static void *stream_thread(void *unused)
{
    size_t capacity = (size_t)emu.mode.frame_size * 2 + 64;
    uint8_t *frame = calloc(1, capacity);
    int rendered = 0;
    struct timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    lock();
    while (wait_turn(&next)) {
        if (!frame || emu.stall || !emu.plugged || emu.token != emu.stream_token) {
            pthread_cond_broadcast(&emu.idle);
            continue;
        }
        long bytes = (long)emu.mode.frame_size;
        if (emu.size_faults > 0) {
            emu.size_faults--;
            bytes += emu.size_delta;
            if (bytes < 0)
                bytes = 0;
            if ((size_t)bytes > capacity)
                bytes = (long)capacity;
        }
        uint32_t n = (uint32_t)emu.delivered++;
        uint32_t seed = emu.seed;
        int render = !(emu.static_scene && rendered);
        emu.busy_delivering = 1;
        emu_frame_fn fn = emu.frame_fn;
        void *arg = emu.frame_arg;
        emu_mode mode = emu.mode;
        unlock();
        if (render) {
            emu_scene_frame(seed, n, mode.width, mode.height, frame);
            rendered = 1;
        }
        fn(frame, (size_t)bytes, mode.width, mode.height, n, arg);
        lock();
        emu.busy_delivering = 0;
        pthread_cond_broadcast(&emu.idle);
    }
    unlock();
    free(frame);
    return unused;
}

int emu_stream_start(uint32_t token, unsigned mode, uint32_t fps, emu_frame_fn fn, void *arg)
{
    emu_mode m;
    if (emu_mode_get(mode, &m) != 0)
        return EMU_ERROR_IO;
    lock();
    int res = 0;
    if (!emu.plugged || token != emu.token)
        res = EMU_ERROR_NO_DEVICE;
    else if (emu.streaming)
        res = EMU_ERROR_BUSY;
    if (res == 0) {
        emu.mode = m;
        emu.stream_token = token;
        emu.stream_period_us = fps ? 1000000u / fps : 40000u;
        emu.frame_fn = fn;
        emu.frame_arg = arg;
        emu.stop = 0;
        if (pthread_create(&emu.thread, NULL, stream_thread, NULL) != 0)
            res = EMU_ERROR_NO_MEM;
        else
            emu.streaming = 1;
    }
    unlock();
    return res;
}

void emu_stream_stop(void)
{
    lock();
    if (!emu.streaming) {
        unlock();
        return;
    }
    emu.stop = 1;
    pthread_t thread = emu.thread;
    pthread_cond_broadcast(&emu.wake);
    unlock();
    pthread_join(thread, NULL);
    lock();
    emu.streaming = 0;
    emu.pending = 0;
    pthread_cond_broadcast(&emu.idle);
    unlock();
}

int emu_streaming(void)
{
    lock();
    int s = emu.streaming;
    unlock();
    return s;
}

void emu_set_frame_period_us(unsigned period_us)
{
    lock();
    emu.period_us = period_us;
    pthread_cond_broadcast(&emu.wake);
    unlock();
}

void emu_stream_set_manual(int on)
{
    lock();
    emu.manual = on;
    emu.pending = 0;
    pthread_cond_broadcast(&emu.wake);
    unlock();
}

void emu_stream_emit(unsigned count)
{
    lock();
    emu.pending += count;
    pthread_cond_broadcast(&emu.wake);
    unlock();
}

int emu_stream_wait_idle(unsigned timeout_ms)
{
    struct timespec until;
    clock_gettime(CLOCK_MONOTONIC, &until);
    deadline_after(&until, timeout_ms * 1000u);
    lock();
    int res = 0;
    while (emu.streaming && (emu.pending > 0 || emu.busy_delivering) && res == 0)
        if (pthread_cond_timedwait(&emu.idle, &emu.lock, &until) == ETIMEDOUT)
            res = -1;
    unlock();
    return res;
}

uint64_t emu_frames_delivered(void)
{
    lock();
    uint64_t n = emu.delivered;
    unlock();
    return n;
}

uint64_t emu_stream_wakeups(void)
{
    lock();
    uint64_t n = emu.wakeups;
    unlock();
    return n;
}

void emu_set_static_scene(int on)
{
    lock();
    emu.static_scene = on;
    unlock();
}

/* ---- faults ---- */

void emu_fault_stall(int on)
{
    lock();
    emu.stall = on;
    pthread_cond_broadcast(&emu.wake);
    unlock();
}

void emu_fault_frame_size(int delta, unsigned count)
{
    lock();
    emu.size_delta = delta;
    emu.size_faults = count;
    unlock();
}

void emu_fault_status_stuck(int on, uint8_t value)
{
    lock();
    emu.stuck = on;
    emu.stuck_value = value;
    unlock();
}

void emu_fault_error_status(uint8_t status, unsigned count)
{
    lock();
    emu.error_status = status;
    emu.error_count = count;
    unlock();
}

void emu_status_script(const uint8_t *bytes, size_t count)
{
    lock();
    if (count > sizeof emu.script)
        count = sizeof emu.script;
    memcpy(emu.script, bytes, count);
    emu.script_len = count;
    emu.script_at = 0;
    unlock();
}

void emu_set_busy_polls(unsigned polls)
{
    lock();
    emu.busy_polls = polls;
    unlock();
}

void emu_fault_transfer(unsigned skip, unsigned count, enum emu_transfer_fault fault)
{
    lock();
    emu.transfer_skip = skip;
    emu.transfer_count = count;
    emu.transfer_fault = fault;
    unlock();
}

/* ---- the register window ---- */

static void log_add(uint8_t request_type, uint8_t request, uint16_t value, uint16_t index, const uint8_t *data,
                    uint16_t length, int result)
{
    if (emu.log_len == emu.log_cap) {
        if (emu.log_cap >= LOG_MAX)
            return;
        size_t cap = emu.log_cap ? emu.log_cap * 2 : 256;
        emu_transfer *grown = realloc(emu.log, cap * sizeof *grown);
        if (!grown)
            return;
        emu.log = grown;
        emu.log_cap = cap;
    }
    emu_transfer *t = &emu.log[emu.log_len++];
    memset(t, 0, sizeof *t);
    t->request_type = request_type;
    t->request = request;
    t->value = value;
    t->index = index;
    t->length = length;
    t->result = result;
    if (data)
        memcpy(t->data, data, length < EMU_LOG_DATA_MAX ? length : EMU_LOG_DATA_MAX);
}

static uint8_t status_read(void)
{
    if (emu.stuck)
        return emu.stuck_value;
    if (emu.script_at < emu.script_len)
        return emu.script[emu.script_at++];
    if (emu.busy_left > 0) {
        emu.busy_left--;
        return STATUS_BUSY;
    }
    return emu.status;
}

static int window_range(uint16_t address, uint16_t length)
{
    return address >= EMU_WINDOW_BASE && (uint32_t)address + length <= EMU_WINDOW_BASE + EMU_WINDOW_SIZE;
}

static int register_in(uint16_t index, uint8_t *data, uint16_t length)
{
    if (index == EMU_STATUS_REGISTER) {
        data[0] = status_read();
        memset(data + 1, 0, length - 1u);
        return length;
    }
    if (!window_range(index, length))
        return EMU_ERROR_PIPE;
    memcpy(data, emu.window + (index - EMU_WINDOW_BASE), length);
    return length;
}

static int register_out(uint16_t index, const uint8_t *data, uint16_t length)
{
    uint16_t address = index & (uint16_t)~NO_WAIT_BIT;
    if (!window_range(address, length))
        return EMU_ERROR_PIPE;
    memcpy(emu.window + (address - EMU_WINDOW_BASE), data, length);
    if (!(index & NO_WAIT_BIT)) {
        uint8_t status = emu_command_model_execute(emu.window, sizeof emu.window, address, length);
        if (emu.error_count > 0) {
            emu.error_count--;
            status = emu.error_status;
        }
        emu.status = status;
        emu.busy_left = emu.busy_polls;
    }
    return length;
}

int emu_control_transfer(uint32_t token, uint8_t request_type, uint8_t request, uint16_t value, uint16_t index,
                         uint8_t *data, uint16_t length)
{
    lock();
    int res;
    int in = (request_type & 0x80) != 0;
    if (!emu.plugged || token != emu.token) {
        res = EMU_ERROR_NO_DEVICE;
    } else if (emu.transfer_skip > 0 || emu.transfer_count == 0) {
        if (emu.transfer_skip > 0)
            emu.transfer_skip--;
        if (!data || length == 0)
            res = EMU_ERROR_PIPE;
        else if (in && request_type == REQUEST_TYPE_IN && request == REQUEST_READ && value == REQUEST_VALUE)
            res = register_in(index, data, length);
        else if (!in && request_type == REQUEST_TYPE_OUT && request == REQUEST_WRITE && value == REQUEST_VALUE)
            res = register_out(index, data, length);
        else
            res = EMU_ERROR_PIPE;
    } else {
        emu.transfer_count--;
        res = emu.transfer_fault == EMU_TRANSFER_SHORT ? length - 1 : EMU_ERROR_PIPE;
    }
    log_add(request_type, request, value, index, data, length, res);
    unlock();
    return res;
}

size_t emu_log_count(void)
{
    lock();
    size_t n = emu.log_len;
    unlock();
    return n;
}

int emu_log_get(size_t index, emu_transfer *out)
{
    lock();
    int res = -1;
    if (index < emu.log_len && out) {
        *out = emu.log[index];
        res = 0;
    }
    unlock();
    return res;
}

void emu_log_clear(void)
{
    lock();
    log_clear_locked();
    unlock();
}

/* ---- seed ---- */

void emu_set_seed(uint32_t seed)
{
    lock();
    emu.seed = seed;
    unlock();
}

uint32_t emu_seed(void)
{
    lock();
    uint32_t s = emu.seed;
    unlock();
    return s;
}
