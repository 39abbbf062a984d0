#include "acquisition/CIRDataCapture.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "acquisition/ColorizeRaw16.h"
#include "deverodi/src/vdcmd.h"
#include "foundation/CAutoLock.h"
#include "platform/kernel/clock.h"
#include "platform/user/message_queue.h"

CIRDataCapture::CIRDataCapture() : CThreadActionFlow(nullptr)
{
    m_colorMap.SetPalettes(ZelColorMap::kPaletteCount, ZelColorMap::kPaletteSizes);
    m_colorMap.SetPaletteColors(0, ZelColorMap::kPalette0);
    m_colorMap.SetPaletteColors(1, ZelColorMap::kPalette1);
    m_colorMap.SetPaletteColors(2, ZelColorMap::kPalette2);
    m_colorMap.m_nCurPalette = 0;
    m_colorMap.BuildLut();
}

CIRDataCapture::~CIRDataCapture()
{
    // A get from a stalled camera outlasts one stop time-out.
    while (!ThreadWorkerStop()) {
    }
    // Owners stop the display first; by now no one reads the records.
    for (IrFrame* f : {&m_frameLive, &m_frameImage, &m_frameVideo, &m_frameAlt})
        ircam_frame_free(f);
    for (IrFrame& f : m_ring)
        ircam_frame_free(&f);
    for (IrFrame& f : m_retired)
        ircam_frame_free(&f);
    // The opened camera's strings belong to the live record's request (the ring's copies share them).
    std::free(m_frameLive.param.product);
    std::free(const_cast<char*>(m_frameLive.param.format));
}

bool CIRDataCapture::StopRequested(DWORD ms)
{
    return WaitForSingleObject(*m_pStopEvent, ms) == WAIT_OBJECT_0;
}

int CIRDataCapture::OpenDevice()
{
    IrFrame request;
    request.param = m_frameLive.param;
    const int r = ircam_open(&request);
    if (r == 0) {
        CAutoLock lock(&m_lockRecords);
        m_frameLive.param = request.param;
    }
    return r;
}

void CIRDataCapture::PrepareLiveRecord()
{
    CAutoLock lock(&m_lockRecords);
    IrFrame& live = m_frameLive;
    const std::uint32_t width = live.param.width;
    const std::uint32_t rows = live.param.height / 2;
    const std::uint32_t bytes = width * rows * 2;
    const bool fits = live.image_info[0] == static_cast<std::int32_t>(width) &&
                      live.image_info[1] == static_cast<std::int32_t>(rows) &&
                      live.temp_info[0] == static_cast<std::int32_t>(width) &&
                      live.temp_info[1] == static_cast<std::int32_t>(rows) && live.image_size == bytes &&
                      live.temp_size == bytes;
    if (!ircam_frame_empty(&live) && !fits) {
        IrFrame old{};
        std::swap(old.image_data, live.image_data);
        std::swap(old.temp_data, live.temp_data);
        std::swap(old.rgba_buf, live.rgba_buf);
        std::swap(old.rgb_buf, live.rgb_buf);
        m_retired.push_back(old);
        if (live.frame_buf)
            uvc_frame_buf_release(live.frame_buf);
        live.frame_buf = nullptr;
    }
    if (ircam_frame_empty(&live))
        ircam_frame_setup(&live);
    else if (!live.frame_buf)
        live.frame_buf = uvc_frame_buf_create(live.param);
}

void CIRDataCapture::OpenCamera()
{
    PrepareLiveRecord();
    ircam_stream_start(&m_frameLive);
    {
        CAutoLock lock(&m_lockFrame);
        m_bNewFrame = 0;
    }
    {
        CAutoLock lock(&m_lockRecords);
        for (IrFrame& slot : m_ring)
            ircam_frame_copy(&m_frameLive, &slot);
    }
    m_nRingIndex = 0;
    std::memset(m_sum, 0, sizeof m_sum);
    m_nSumCount = 0;
    m_nAction = 1;
}

void CIRDataCapture::CloseCamera()
{
    uvc_camera_stream_close(0);
    // The whole-frame buffer is the worker's alone; the halves stay for their readers.
    {
        CAutoLock lock(&m_lockRecords);
        if (m_frameLive.frame_buf)
            uvc_frame_buf_release(m_frameLive.frame_buf);
        m_frameLive.frame_buf = nullptr;
    }
    ircam_close();
}

void CIRDataCapture::AverageFrame(const IrFrame& slot, const frame_stamp_t& stamp)
{
    const int w = slot.temp_info[0];
    const int h = slot.temp_info[1];
    if (w != kSumWidth || h <= 0 || h > kSumRows || !slot.temp_data || !m_frameLive.temp_data ||
        m_frameLive.temp_size < static_cast<std::uint32_t>(w * h * 2))
        return;
    const IrFrame& old = m_ring[(m_nRingIndex + 1) % kRingSize];
    const bool sliding = m_nSumCount >= kAveraged && old.temp_data && old.temp_size >= slot.temp_size;
    const int count = sliding ? m_nSumCount : m_nSumCount + 1;
    CAutoLock lock(&m_lockRecords);
    // The divisor is 1, 2 or 3: a constant one lets the compiler replace the division.
    auto pass = [&](auto divisor) {
        for (int y = 0; y < h; ++y) {
            std::int32_t* sum = m_sum[y];
            const std::uint16_t* in = slot.temp_data + static_cast<std::size_t>(y) * kSumWidth;
            const std::uint16_t* out = sliding ? old.temp_data + static_cast<std::size_t>(y) * kSumWidth : nullptr;
            std::uint16_t* mean = m_frameLive.temp_data + static_cast<std::size_t>(y) * kSumWidth;
            for (int x = 0; x < w; ++x) {
                sum[x] += sliding ? static_cast<std::int32_t>(in[x]) - out[x] : in[x];
                mean[x] = static_cast<std::uint16_t>(sum[x] / divisor());
            }
        }
    };
    switch (count) {
    case 1: pass(std::integral_constant<int, 1>{}); break;
    case 2: pass(std::integral_constant<int, 2>{}); break;
    default: pass(std::integral_constant<int, kAveraged>{}); break;
    }
    m_nSumCount = count;
    m_liveStamp = stamp;
}

void CIRDataCapture::AcceptFrame(const frame_stamp_t& stamp)
{
    const IrFrame& slot = m_ring[m_nRingIndex];
    AverageFrame(slot, stamp);
    m_nRingIndex = (m_nRingIndex + 1) % kRingSize;
    PublishFrame(slot);
}

void CIRDataCapture::PublishFrame(const IrFrame& slot)
{
    {
        CAutoLock lock(&m_lockFrame);
        m_bNewFrame = 1;
        if (m_bRecording)
            RecordFrame(slot);
    }
    m_evNewFrame.SetEvent();
}

void CIRDataCapture::RecordFrame(const IrFrame& slot)
{
    // The writer reads a whole frame of its own size from the samples it is given.
    const int w = m_videoWriter.GetWidth();
    const int h = m_videoWriter.GetHeight();
    const bool fits = slot.temp_data && slot.temp_info[0] == w && slot.temp_info[1] == h &&
                      static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) * 2 <= slot.temp_size;
    if (fits && m_videoWriter.WriteFrame(slot.temp_data) != 0) {
        // A file that refused a frame (a full disk) keeps refusing: the frames before it are what
        // the recording holds, and the owner is told at once.
        m_bRecording = 0;
        m_bRecordFailed = 1;
        ::PostMessage(GetNotifyWnd(), GetNotifyMsg(), NOTIFY_RECORD_FAILED, 0);
    }
}

int CIRDataCapture::CopyLiveFrame(IrFrame* target)
{
    CAutoLock lock(&m_lockRecords);
    return ircam_frame_copy(&m_frameLive, target);
}

DWORD CIRDataCapture::Action()
{
    ShowTip(TIP_CAMERA_WAITING, 0);
    DWORD checkTime = 0;
    std::uint32_t attempts = 0;
    if (m_nAction == 0) {
        vdcmd_init();
        while (OpenDevice() != 0) {
            if (StopRequested(500))
                return TIP_TERMINATED;
            vdcmd_init();
        }
        OpenCamera();
        checkTime = GetTickCount();
        ShowTip(TIP_CAMERA_CONNECTED, 0);
    } else {
        checkTime = GetTickCount();
    }

    for (;;) {
        frame_stamp_t stamp{};
        const int got = ircam_frame_get_stamped(&m_ring[m_nRingIndex], &stamp);
        ++attempts;
        if (got == 0)
            AcceptFrame(stamp);
        const DWORD now = GetTickCount();
        const DWORD elapsed = now - checkTime;  // unsigned: right across the counter's wrap
        if (elapsed > 1200) {
            const float rate = static_cast<float>(attempts) * 1000.0f / static_cast<float>(elapsed);
            checkTime = now;
            if (rate < 1.0f)
                break;
            attempts = 0;
        }
        if (StopRequested(10))
            return TIP_TERMINATED;
    }

    m_nAction = 0;
    StopRequested(100);
    CloseCamera();
    ShowTip(TIP_CAMERA_LOST, 0);
    if (StopRequested(100))
        return TIP_TERMINATED;
    return 0;
}

void CIRDataCapture::End(DWORD)
{
    if (m_nAction > 0) {
        CloseCamera();
        m_nAction = 0;
    }
}

bool CIRDataCapture::FitColorWindow(const IrFrame* frame)
{
    if (!frame || !frame->temp_data)
        return false;
    std::uint16_t maximum = 0;
    std::uint16_t minimum = 0;
    ircam_temp_min_max(frame, &maximum, &minimum);
    if (maximum >= 25000 || maximum <= minimum)
        return false;
    CAutoLock lock(&m_colorMap.m_lock);
    m_colorMap.SetFrameMinMax(minimum, maximum);
    const int pair = m_nColorMode == 0 ? 0 : 1;
    const std::uint16_t base = pair == 0 ? minimum : maximum;
    const std::uint16_t low = static_cast<std::uint16_t>(base + m_winOffset[pair][0]);
    const std::uint16_t high = static_cast<std::uint16_t>(maximum + m_winOffset[pair][1]);
    m_colorMap.SetDisplayRangeRaw(low, high);
    m_colorMap.BuildLut();
    return true;
}

void CIRDataCapture::ColorizeFrame(IrFrame* frame, const RectShapeList* rects)
{
    CAutoLock lock(&m_colorMap.m_lock);
    if (FitColorWindow(frame))
        ColorizeRaw16(frame, &m_colorMap, static_cast<std::uint32_t>(m_nColorMode.load()), rects, 0);
}
