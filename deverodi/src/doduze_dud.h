/* The module's command set: one function per module command, each one framed exchange over the
 * vendor transport, and the procedures built from several of them (user flash, temperature
 * correction table, dead-pixel calibration, firmware update). Results: 0, -1 for a refused
 * argument, -20 for an unsupported command, -26 for a refused device state or data check, or the
 * transport's code. */
#ifndef DEVERODI_DODUZE_DUD_H
#define DEVERODI_DODUZE_DUD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A pixel position; where a command carries it in one 32-bit parameter, x is the high half. */
typedef struct point {
    uint16_t x;
    uint16_t y;
} point_t;

/* The colour of the frame temperature label, passed by value; the first three bytes are sent. */
typedef struct temp_color {
    uint8_t c[4];
} temp_color_t;

/* Flash layout the procedures use. */
#define DODUZE_SECTOR_SIZE 4096u
#define DODUZE_FW_SIZE 0x40000u
#define DODUZE_NUC_T_ADDRESS 0xDA000u
#define DODUZE_NUC_T_SIZE 0x4000u
#define DODUZE_USER_FLASH_ADDRESS 0x7FF000u
#define DODUZE_USER_FLASH_SIZE 4096u

/* ---- SPI flash ---- */
int spi_read_id(uint8_t *id); /* 6 bytes; byte 2 names the flash maker */
int spi_read(uint32_t address, uint16_t length, uint8_t *data);
int spi_read_status(uint8_t kind, uint8_t *status);
int spi_write(uint32_t address, uint16_t length, uint8_t *data);
int spi_write_status(uint8_t kind, uint8_t value);
int spi_erase_fw(void);
/* At most 8 sectors per command, the address advancing; 0 sectors sends nothing. */
int spi_erase_sector(uint32_t address, uint16_t sectors);
int spi_write_tag(void);
int spi_config_save(uint8_t kind);
int spi_config_load(int kind);
int restore_default_cfg(uint8_t kind);

/* ---- identity and resets ---- */
/* Bytes by kind: 0-2: 8, 3: 26, 4: 4, 5: 50, 6: 48, 7: 16; kind 8 stores a u32; above 8 nothing
 * is asked for and 0 is returned. */
int get_device_info(uint32_t kind, uint8_t *info);
int get_sn(uint8_t *sn); /* 16 bytes */
int get_pn(uint8_t *pn); /* 48 bytes */
int set_sn(uint8_t *sn);
int set_pn(uint8_t *pn);
int sys_reset_to_update_fw(void);
int sys_reset_to_rom(void);

/* ---- capture, image, preview ---- */
int start_capture(void);
int get_capture_data(void);
int exit_capture(void);
int pseudo_color_get(uint8_t kind, uint8_t *value);
int pseudo_color_set(uint8_t kind, int value); /* value 1..11 */
int y16_preview_start(uint8_t a, uint8_t b);
int y16_preview_stop(uint8_t a);
/* record: [0] and [6], [7] as they are, [1] 1 for on, [2..3] and [4..5] native u16 values. */
int preview_start(uint8_t *record);
int preview_stop(uint8_t a);

/* ---- shutter, lens and cover ---- */
int shutter_sta_get(uint8_t *first, uint8_t *second);
int shutter_sta_set(uint8_t a);
int shutter_manual_switch(uint8_t a);
int shutter_vtemp_get(uint16_t *value);
int cur_vtemp_get(uint16_t *value);
int lens_vtemp_get(uint16_t *value); /* not supported by the module: stores 0, -20 */
int tecless_temp_area_get(uint8_t *area);
int lens_k_cal(void);
int ooc_b_update(uint8_t a);
int rmcover_auto_calc(uint8_t zoom_scale); /* 1, 2 or 4 */
int rmcover_sts_switch(int en_sts);        /* 0 or 1 */

/* ---- temperature parameters ---- */
int tpd_ems_get(uint8_t *ems);
int tpd_ems_set(int ems);
int tpd_distance_get(uint8_t *distance); /* 2 bytes as received */
int tpd_distance_set(uint8_t *distance);
int tpd_ktbt_recal_1point(uint16_t value);
int tpd_ktbt_recal_2point(int point, uint16_t value); /* point 0 or 1 */

/* ---- temperature regions and labels (raw values in 1/64 K) ---- */
int tpd_get_max_temp(uint16_t *value);
int tpd_get_min_temp(uint16_t *value);
int tpd_get_max_min_temp_info(uint16_t *values);                        /* 6 values */
int tpd_get_point_temp_info(point_t point, uint16_t *value);
int tpd_get_line_temp_info(point_t start, point_t end, uint16_t *values); /* 7 values */
int tpd_get_rect_temp_info(point_t first, point_t second, uint16_t *values); /* 7 values */
int tpd_set_rect_temp_thd(point_t point, uint16_t value);
int tpd_show_point_temp(int a, uint8_t index, point_t point); /* index 0..11 */
int tpd_hide_point_temp(int a, uint8_t index);
int tpd_show_rect_temp(int a, uint8_t index, point_t first, point_t second);
int tpd_hide_rect_temp(int a, uint8_t index);
int tpd_show_frame_temp(uint32_t word, temp_color_t color);
int tpd_hide_frame_temp(uint32_t word);

/* ---- zoom and dead pixels ---- */
int zoom_center_up(int a, int b);
int zoom_center_down(int a, int b);
int zoom_position_up(int a, int b, point_t point);
int zoom_position_down(int a, int b, point_t point);
int dpc_add_point(point_t point);
int dpc_remove_point(point_t point);

/* ---- persistent properties (range-checked before anything is sent) ---- */
int load_prop_default_params(uint32_t id);
int get_prop_auto_shutter_params(uint32_t id, uint16_t *value);
int set_prop_auto_shutter_params(uint32_t id, uint16_t value);
int get_prop_image_params(uint32_t id, uint16_t *value);
int set_prop_image_params(uint32_t id, uint16_t value);
int get_prop_overexposure_params(uint32_t id, uint16_t *value);
int set_prop_overexposure_params(uint32_t id, uint16_t value);
int get_prop_tpd_params(uint32_t id, uint16_t *value);
int set_prop_tpd_params(uint32_t id, uint16_t value);

/* ---- raw module memory ---- */
int xdata_read(uint16_t address, uint8_t length, uint8_t *data);
int i2c_slave_read(uint16_t address, uint8_t length, uint8_t *data);
int xdata_write(uint16_t address, uint8_t length, uint8_t *data);

/* ---- procedures ---- */
int user_flash_read(uint8_t *data);  /* 4096 bytes */
int user_flash_write(uint8_t *data); /* 4096 bytes */
int get_tpd_nuc_t(uint8_t *nuc_t_table); /* 0x4000 bytes */
/* Blocks its thread for the whole calibration. */
int dpc_auto_calibration(uint16_t seconds);
/* image: DODUZE_FW_SIZE bytes. Run it with no other command traffic to the module. */
int update_fw(uint8_t *image, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
