// The frame record: the image half and the temperature half of a camera frame with an info block
// for each, two colour work buffers and the stream request the camera was opened with; and the
// functions that open the camera, stream into a record and allocate, copy and free records.
// Every function returns 0 for success or a negative code.
#pragma once

#include <cstdint>

#include "deverodi/src/deverodi.h"

struct IrFrame {
    void* frame_buf = nullptr;            // a whole camera frame (param.frame_size bytes)
    std::uint8_t* image_data = nullptr;   // the image half, YUYV
    std::uint32_t image_size = 0;         // bytes in image_data
    std::uint16_t* temp_data = nullptr;   // the temperature half, raw samples in 1/64 kelvin
    std::uint32_t temp_size = 0;          // bytes in temp_data
    std::int32_t image_info[8] = {};      // [0] width, [1] rows, [3..7] 0, 3, 2, 3, 1
    std::int32_t temp_info[8] = {};       // [0] samples a row, [1] rows, [3] 0, [4] 0
    std::uint8_t* rgba_buf = nullptr;     // width x rows x 4, a work buffer
    std::uint8_t* rgb_buf = nullptr;      // width x rows x 3: the colour image, R, G, B
    camera_param_t param = {};
};

// The stream mode the program opens: the camera's second mode.
inline constexpr int IRCAM_STREAM_MODE = 1;
inline constexpr std::uint32_t IRCAM_VENDOR_ID = 0x0BDA;
inline constexpr std::uint32_t IRCAM_PRODUCT_ID = 0x5840;
inline constexpr std::uint32_t IRCAM_PRODUCT_ID_ALT = 0x5830;

// True when all five buffers are null.
bool ircam_frame_empty(const IrFrame* frame);
// Index of the first listed thermal camera among count records, -1 when there is none.
int ircam_find_camera(const camera_dev_t* devs, int count);

// Opens the first listed thermal camera and fills param from its second stream mode. The product
// and format strings in param are heap copies owned by the record: opening it again releases the
// earlier ones, so copies of the record (which share them) hold them only until the record is
// opened again. The other devices' strings are released. Nothing is undone on a failure, and a
// failure leaves param as it was.
int ircam_open(IrFrame* frame);
int ircam_frame_setup(IrFrame* frame);
// Allocates the buffers of an empty record (all zero-filled); a record with any buffer is left
// as it is. A failed allocation leaves the record empty and returns -1.
int ircam_frame_alloc(IrFrame* frame);
int ircam_frame_free(IrFrame* frame);
// The four heap buffers (zero-filled), sized from image_size, temp_size and the image info block,
// without frame_buf; -1 when one could not be allocated (release with ircam_frame_free).
int ircam_frame_alloc_buffers(IrFrame* frame);
// Deep copy: the target's buffers are released first, then it gets its own.
int ircam_frame_copy(const IrFrame* source, IrFrame* target);
int ircam_stream_start(IrFrame* frame);
int ircam_frame_get(IrFrame* frame);
// ircam_frame_get that also gives the fetched frame's stamp (stamp may be null; it is left alone
// when no frame was fetched).
int ircam_frame_get_stamped(IrFrame* frame, frame_stamp_t* stamp);
int ircam_stream_close(IrFrame* frame);
void ircam_close();
void ircam_temp_min_max(const IrFrame* frame, std::uint16_t* maximum, std::uint16_t* minimum);
