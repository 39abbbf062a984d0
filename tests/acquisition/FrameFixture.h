// Frame records for tests: sized like the camera's halves, filled with chosen samples.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

#include <gtest/gtest.h>

#include "acquisition/IrFrame.h"

// A record with halves of width x rows, as ircam_frame_setup makes them.
inline void MakeFrame(IrFrame* f, int width, int rows)
{
    ircam_frame_free(f);
    f->param.width = static_cast<std::uint32_t>(width);
    f->param.height = static_cast<std::uint32_t>(rows * 2);
    f->param.frame_size = static_cast<std::uint32_t>(width * rows * 4);
    ASSERT_EQ(ircam_frame_setup(f), 0);
}

// A record with a temperature half of tempWidth x tempRows and an image half of imageWidth x
// imageRows, as a snapshot file may hold them; the image bytes count up from 1.
inline void MakeHalves(IrFrame* f, int tempWidth, int tempRows, int imageWidth, int imageRows)
{
    ircam_frame_free(f);
    *f = IrFrame{};
    f->temp_info[0] = tempWidth;
    f->temp_info[1] = tempRows;
    f->temp_size = static_cast<std::uint32_t>(tempWidth * tempRows * 2);
    const std::int32_t image[8] = {imageWidth, imageRows, 0, 0, 3, 2, 3, 1};
    std::copy(image, image + 8, f->image_info);
    f->image_size = static_cast<std::uint32_t>(imageWidth * imageRows * 2);
    ASSERT_EQ(ircam_frame_alloc_buffers(f), 0);
    for (std::uint32_t i = 0; i < f->image_size; ++i)
        f->image_data[i] = static_cast<std::uint8_t>(i + 1);
}

inline void FillSamples(IrFrame* f, const std::function<std::uint16_t(int x, int y)>& sample)
{
    for (int y = 0; y < f->temp_info[1]; ++y)
        for (int x = 0; x < f->temp_info[0]; ++x)
            f->temp_data[y * f->temp_info[0] + x] = sample(x, y);
}

// Frees the record when the test ends.
struct FrameGuard {
    IrFrame frame;
    ~FrameGuard() { ircam_frame_free(&frame); }
};
