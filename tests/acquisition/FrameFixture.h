// Frame records for tests: sized like the camera's halves, filled with chosen samples.
#pragma once

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
