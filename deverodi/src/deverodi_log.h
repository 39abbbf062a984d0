/* The SDK's log slots and the line macros every source file of the library uses. */
#ifndef DEVERODI_DEVERODI_LOG_H
#define DEVERODI_DEVERODI_LOG_H

typedef void (*deverodi_log_fn)(const char *format, ...);

/* Current debug and error slots (the stream thread logs too, so they are read atomically). */
deverodi_log_fn deverodi_log_debug_slot(void);
deverodi_log_fn deverodi_log_error_slot(void);

#define DEVERODI_DEBUG(fmt, ...) \
    deverodi_log_debug_slot()("deverodi debug [%s:%d/%s] " fmt "\n", __FILE__, __LINE__, __func__, ##__VA_ARGS__)
#define DEVERODI_ERROR(fmt, ...) \
    deverodi_log_error_slot()("deverodi error [%s:%d/%s] " fmt "\n", __FILE__, __LINE__, __func__, ##__VA_ARGS__)

#endif
