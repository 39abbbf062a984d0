/* USB devices that the system does not see but a program provides, such as an emulated device.
 * The device layer lists them among the present devices, and posts their arrival and removal to
 * the registered windows as it does for a device the system sees. Plain C, so that a provider
 * written in C reaches it; every function may be called from any thread. */
#ifndef PLATFORM_DEVICES_PROVIDED_DEVICES_H
#define PLATFORM_DEVICES_PROVIDED_DEVICES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct platform_usb_device {
    uint16_t vendor;
    uint16_t product;
    char serial[64]; /* NUL-terminated */
} platform_usb_device;

/* Fills *device with the index-th device the provider has present now (from 0); returns 0 past
 * the last one. Called at every enumeration, on the enumerating thread. */
typedef int (*platform_device_provider_fn)(unsigned index, platform_usb_device *device, void *arg);

/* Adds a provider for the rest of the process. */
void platform_devices_add_provider(platform_device_provider_fn fn, void *arg);

/* A provided device arrived (arrival non-zero) or was removed. */
void platform_devices_report(int arrival, uint16_t vendor, uint16_t product, const char *serial);

#ifdef __cplusplus
}
#endif

#endif
