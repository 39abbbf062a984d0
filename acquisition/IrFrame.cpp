#include "acquisition/IrFrame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "dazaduviro/src/dazaduviro.h"

namespace {

// Pixels of the image half, from its info block; 0 for nonsense dimensions.
std::size_t ImagePixels(const IrFrame* f)
{
    if (f->image_info[0] <= 0 || f->image_info[1] <= 0)
        return 0;
    return static_cast<std::size_t>(f->image_info[0]) * static_cast<std::size_t>(f->image_info[1]);
}

std::uint8_t* ZeroBlock(std::size_t bytes)
{
    return static_cast<std::uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
}

}  // namespace

int ircam_frame_alloc_buffers(IrFrame* f)
{
    const std::size_t pixels = ImagePixels(f);
    f->image_data = ZeroBlock(f->image_size);
    f->temp_data = reinterpret_cast<std::uint16_t*>(ZeroBlock(f->temp_size));
    f->rgba_buf = ZeroBlock(pixels * 4);
    f->rgb_buf = ZeroBlock(pixels * 3);
    return f->image_data && f->temp_data && f->rgba_buf && f->rgb_buf ? 0 : -1;
}

bool ircam_frame_empty(const IrFrame* f)
{
    return !f->frame_buf && !f->image_data && !f->temp_data && !f->rgba_buf && !f->rgb_buf;
}

int ircam_find_camera(const camera_dev_t* devs, int count)
{
    for (int i = 0; i < count; ++i) {
        if (devs[i].vid == IRCAM_VENDOR_ID && (devs[i].pid == IRCAM_PRODUCT_ID || devs[i].pid == IRCAM_PRODUCT_ID_ALT))
            return i;
    }
    return -1;
}

int ircam_open(IrFrame* frame)
{
    int r = uvc_camera_init();
    if (r < 0)
        return r;
    camera_dev_t devs[DEVERODI_MAX_DEVICES];
    std::memset(devs, 0, sizeof devs);
    r = uvc_camera_list(devs);
    if (r < 0)
        return r;
    const int chosen = ircam_find_camera(devs, DEVERODI_MAX_DEVICES);
    // The product strings of the devices not chosen are not needed again.
    for (int i = 0; i < DEVERODI_MAX_DEVICES; ++i) {
        if (i != chosen)
            std::free(devs[i].product);
    }
    if (chosen < 0)
        return -1;
    const camera_dev_t dev = devs[chosen];
    camera_stream_info_t infos[DEVERODI_MAX_STREAM_INFOS];
    std::memset(infos, 0, sizeof infos);
    r = uvc_camera_info_get(dev, infos);
    if (r >= 0)
        r = uvc_camera_open(dev);
    for (int i = 0; i < DEVERODI_MAX_STREAM_INFOS; ++i) {
        if (i != IRCAM_STREAM_MODE || r < 0)
            std::free(infos[i].format);
    }
    if (r < 0) {
        std::free(dev.product);
        return r;
    }
    const camera_stream_info_t& mode = infos[IRCAM_STREAM_MODE];
    // Each reconnect opens the record again: the strings of the earlier open go.
    std::free(frame->param.product);
    std::free(const_cast<char*>(frame->param.format));
    frame->param.pid = dev.pid;
    frame->param.vid = dev.vid;
    frame->param.product = dev.product;
    frame->param.format = mode.format;
    frame->param.width = mode.width;
    frame->param.height = mode.height;
    frame->param.fps = mode.fps[0];
    frame->param.frame_size = mode.width * mode.height * 2;
    frame->param.timeout = 1000;
    return 0;
}

int ircam_frame_setup(IrFrame* frame)
{
    if (!frame)
        return 0;
    const std::int32_t width = static_cast<std::int32_t>(frame->param.width);
    const std::int32_t rows = static_cast<std::int32_t>(frame->param.height / 2);
    frame->image_info[0] = width;
    frame->image_info[1] = rows;
    frame->image_info[3] = 0;
    frame->image_info[4] = 3;
    frame->image_info[5] = 2;
    frame->image_info[6] = 3;
    frame->image_info[7] = 1;
    frame->temp_info[0] = width;
    frame->temp_info[1] = rows;
    frame->temp_info[3] = 0;
    frame->temp_info[4] = 0;
    frame->image_size = frame->temp_size = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(rows) * 2;
    return ircam_frame_alloc(frame);
}

int ircam_frame_alloc(IrFrame* frame)
{
    if (!frame || !ircam_frame_empty(frame))
        return 0;
    frame->frame_buf = uvc_frame_buf_create(frame->param);
    if (!frame->frame_buf || ircam_frame_alloc_buffers(frame) != 0) {
        ircam_frame_free(frame);
        return -1;
    }
    return 0;
}

int ircam_frame_free(IrFrame* frame)
{
    if (!frame)
        return 0;
    if (frame->frame_buf)
        uvc_frame_buf_release(frame->frame_buf);
    std::free(frame->image_data);
    std::free(frame->temp_data);
    std::free(frame->rgba_buf);
    std::free(frame->rgb_buf);
    frame->frame_buf = nullptr;
    frame->image_data = nullptr;
    frame->temp_data = nullptr;
    frame->rgba_buf = nullptr;
    frame->rgb_buf = nullptr;
    return 0;
}

int ircam_frame_copy(const IrFrame* source, IrFrame* target)
{
    if (!source || !target || source == target)
        return source && target ? 0 : -1;
    ircam_frame_free(target);
    *target = *source;
    target->frame_buf = nullptr;
    target->image_data = nullptr;
    target->temp_data = nullptr;
    target->rgba_buf = nullptr;
    target->rgb_buf = nullptr;
    if (source->frame_buf)
        target->frame_buf = uvc_frame_buf_create(target->param);
    if ((source->frame_buf && !target->frame_buf) || ircam_frame_alloc_buffers(target) != 0) {
        ircam_frame_free(target);
        return -1;
    }
    if (source->image_data)
        std::memcpy(target->image_data, source->image_data, source->image_size);
    if (source->temp_data)
        std::memcpy(target->temp_data, source->temp_data, source->temp_size);
    if (source->rgba_buf) {
        const std::size_t pixels = ImagePixels(source);
        std::memcpy(target->rgba_buf, source->rgba_buf, pixels * 4);
        if (source->rgb_buf)
            std::memcpy(target->rgb_buf, source->rgb_buf, pixels * 3);
    }
    return 0;
}

int ircam_stream_start(IrFrame* frame)
{
    return uvc_camera_stream_start(frame->param, nullptr);
}

int ircam_frame_get(IrFrame* frame)
{
    return ircam_frame_get_stamped(frame, nullptr);
}

int ircam_frame_get_stamped(IrFrame* frame, frame_stamp_t* stamp)
{
    frame_stamp_t fetched{};
    const int r = uvc_frame_get_stamped(frame->frame_buf, &fetched);
    if (r != 0 || !frame->frame_buf)
        return r;
    // The halves must lie inside the frame and fit the record's own buffers.
    if (!frame->image_data || !frame->temp_data ||
        static_cast<std::uint64_t>(frame->image_size) + frame->temp_size > frame->param.frame_size)
        return -1;
    const int cut = raw_data_cut(frame->frame_buf, static_cast<int>(frame->image_size), frame->temp_size,
                                 frame->image_data, frame->temp_data);
    if (cut == 0 && stamp)
        *stamp = fetched;
    return cut;
}

int ircam_stream_close(IrFrame* frame)
{
    const int r = uvc_camera_stream_close(0);
    ircam_frame_free(frame);
    return r;
}

void ircam_close()
{
    uvc_camera_close();
}

void ircam_temp_min_max(const IrFrame* frame, std::uint16_t* maximum, std::uint16_t* minimum)
{
    // Each sample is compared with its top bit flipped, as a signed number: the order is the same,
    // and every x86-64 vector unit takes signed 16-bit minima and maxima in one step.
    constexpr std::uint16_t kFlip = 0x8000;
    std::int16_t hi = std::numeric_limits<std::int16_t>::min();  // 0 flipped
    std::int16_t lo = std::numeric_limits<std::int16_t>::max();  // 65535 flipped
    if (frame && frame->temp_data && frame->temp_info[0] > 0 && frame->temp_info[1] > 0) {
        std::size_t count = static_cast<std::size_t>(frame->temp_info[0]) * static_cast<std::size_t>(frame->temp_info[1]);
        if (count > frame->temp_size / 2)
            count = frame->temp_size / 2;
        for (std::size_t i = 0; i < count; ++i) {
            const auto v = static_cast<std::int16_t>(frame->temp_data[i] ^ kFlip);
            hi = std::max(hi, v);
            lo = std::min(lo, v);
        }
    }
    if (maximum)
        *maximum = static_cast<std::uint16_t>(hi) ^ kFlip;
    if (minimum)
        *minimum = static_cast<std::uint16_t>(lo) ^ kFlip;
}
