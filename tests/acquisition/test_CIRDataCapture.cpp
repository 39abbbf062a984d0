#include "acquisition/CIRDataCapture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include "acquisition/ColorizeRaw16.h"
#include "deverodi/src/deverodi.h"
#include "emulator/src/emulator.h"
#include "foundation/CAutoLock.h"
#include "platform/user/message_queue.h"
#include "tests/acquisition/FrameFixture.h"
#include "tests/acquisition/TempDir.h"
#include "tests/support/FileSizeLimit.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kW = 256;
constexpr int kH = 192;
constexpr auto kPatience = 30s;  // generous: sanitizer builds on a loaded machine are slow

class CaptureWorker : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("VANTREL_CAMERA", "emulated", 1);
        deverodi_log_register(2);
        av_log_set_level(AV_LOG_ERROR);
        emu_reset();
        DrainReadyFrames();
        m_seed = emu_seed();
        m_worker = std::make_unique<CIRDataCapture>();
        m_worker->m_bLoop = 1;
        m_worker->m_bNotify = 0;
    }
    void TearDown() override
    {
        if (m_worker)
            Stop();
        m_worker.reset();
        emu_reset();
    }
    // A frame get waits up to a second for a frame, about as long as the stop waits for the
    // worker; let frames flow so that the current get ends at once, as with a live camera.
    bool Stop()
    {
        emu_stream_set_manual(0);
        const bool stopped = m_worker->ThreadWorkerStop();
        const auto until = Clock::now() + kPatience;
        while (m_worker->IsThreadWorkerRunning() && Clock::now() < until)
            std::this_thread::sleep_for(5ms);
        return stopped;
    }
    void Start() { ASSERT_TRUE(m_worker->ThreadWorkerStart()); }

    // The SDK counts frames that came after the last get of an earlier stream and hands them out
    // first when the next stream starts; take them so that a test sees only its own frames.
    static void DrainReadyFrames()
    {
        emu_stream_set_manual(1);
        ASSERT_EQ(uvc_camera_init(), 0);
        ASSERT_EQ(uvc_camera_open(camera_dev_t{EMU_PRODUCT_ID, EMU_VENDOR_ID, const_cast<char*>(EMU_PRODUCT)}), 0);
        camera_param_t p{};
        p.format = "YUY2";
        p.width = kW;
        p.height = kH * 2;
        p.frame_size = kW * kH * 4;
        p.fps = 25;
        p.timeout = 1;
        ASSERT_EQ(uvc_camera_stream_start(p, nullptr), 0);
        std::vector<std::uint8_t> frame(p.frame_size);
        while (uvc_frame_get(frame.data()) == 0) {
        }
        uvc_camera_stream_close(0);
        uvc_camera_close();
    }

    // The next tip, or -100 when none came in time.
    int NextTip(std::chrono::milliseconds patience = kPatience)
    {
        const auto until = Clock::now() + patience;
        Tip tip{};
        while (Clock::now() < until) {
            if (m_worker->GetTip(tip))
                return tip.code;
            std::this_thread::sleep_for(2ms);
        }
        return -100;
    }
    // Waits for the new-frame flag and clears it, as the display worker does.
    bool TakeNewFrame()
    {
        const auto until = Clock::now() + kPatience;
        while (Clock::now() < until) {
            {
                CAutoLock lock(&m_worker->m_lockFrame);
                if (m_worker->m_bNewFrame) {
                    m_worker->m_bNewFrame = 0;
                    return true;
                }
            }
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }
    void StartStreaming(bool manual)
    {
        emu_stream_set_manual(manual ? 1 : 0);
        Start();
        ASSERT_EQ(NextTip(), TIP_CAMERA_WAITING);
        ASSERT_EQ(NextTip(), TIP_CAMERA_CONNECTED);
    }
    // One frame from the module, fetched and averaged by the worker.
    void Deliver()
    {
        emu_stream_emit(1);
        ASSERT_TRUE(TakeNewFrame());
    }
    std::vector<std::uint16_t> Raw(std::uint32_t n) const
    {
        std::vector<std::uint16_t> s(kW * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                s[y * kW + x] = emu_scene_sample(m_seed, n, x, y);
        return s;
    }
    void SetRecording(int on)
    {
        CAutoLock lock(&m_worker->m_lockFrame);
        m_worker->m_bRecording = on;
    }
    // The sequence number of the camera frame whose samples these are, searched from first on
    // among the frames delivered so far; -1 when they are no whole frame of the camera.
    long FrameNumberOf(const std::vector<std::uint16_t>& samples, std::uint32_t first) const
    {
        const auto delivered = static_cast<std::uint32_t>(emu_frames_delivered());
        for (std::uint32_t n = first; n < delivered; ++n) {
            bool probe = true;
            for (int k = 0; k < 8 && probe; ++k) {
                const int x = 31 * k + 5, y = 23 * k + 3;
                probe = samples[y * kW + x] == emu_scene_sample(m_seed, n, x, y);
            }
            if (probe && samples == Raw(n))
                return static_cast<long>(n);
        }
        return -1;
    }

    std::uint32_t m_seed = 0;
    std::unique_ptr<CIRDataCapture> m_worker;
};

}  // namespace

TEST_F(CaptureWorker, ConnectsThenAveragesTheLastThreeFrames)
{
    const int frames = 6;
    std::vector<std::vector<std::uint16_t>> raw;
    for (int n = 0; n < frames; ++n)
        raw.push_back(Raw(static_cast<std::uint32_t>(n)));
    StartStreaming(true);
    EXPECT_EQ(m_worker->m_nAction, 1);
    // The frames follow each other at once and are checked afterwards: the worker closes a camera
    // that sends less than a frame a second, however slowly a loaded machine runs this test.
    std::vector<std::vector<std::uint16_t>> means;
    std::vector<int> counts;
    for (int n = 0; n < frames; ++n) {
        Deliver();
        const std::uint16_t* live = m_worker->m_frameLive.temp_data;
        ASSERT_NE(live, nullptr);
        means.emplace_back(live, live + kW * kH);
        counts.push_back(m_worker->m_nSumCount);
    }
    for (int n = 0; n < frames; ++n) {
        // Frame 0, then 0 and 1, then 0 to 2, then always the last three.
        const int first = n < 2 ? 0 : n - 2;
        const int count = n - first + 1;
        int wrong = 0;
        for (int i = 0; i < kW * kH; ++i) {
            std::int32_t sum = 0;
            for (int k = first; k <= n; ++k)
                sum += raw[k][i];
            wrong += means[n][i] != static_cast<std::uint16_t>(sum / count);
        }
        EXPECT_EQ(wrong, 0) << "after frame " << n;
        EXPECT_EQ(counts[n], count) << "after frame " << n;
    }
    EXPECT_EQ(m_worker->m_frameLive.temp_info[0], kW);
    EXPECT_EQ(m_worker->m_frameLive.temp_info[1], kH);
}

// Each fetched frame leaves its stamp with the mean that it ends, and after raising the flag
// wakes whoever waits for a frame.
TEST_F(CaptureWorker, EachFrameStampsTheLiveRecordAndWakesTheDisplay)
{
    auto now = [] {
        timespec t;
        clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u + static_cast<std::uint64_t>(t.tv_nsec);
    };
    StartStreaming(true);
    std::uint32_t previous = 0;
    for (int n = 0; n < 4; ++n) {
        const std::uint64_t before = now();
        emu_stream_emit(1);
        ASSERT_EQ(WaitForSingleObject(m_worker->m_evNewFrame, 5000), WAIT_OBJECT_0);
        {
            CAutoLock lock(&m_worker->m_lockFrame);
            EXPECT_EQ(m_worker->m_bNewFrame, 1);
            m_worker->m_bNewFrame = 0;
        }
        CAutoLock lock(&m_worker->m_lockRecords);
        const frame_stamp_t stamp = m_worker->m_liveStamp;
        EXPECT_GE(stamp.arrival_ns, before);
        EXPECT_LE(stamp.arrival_ns, now());
        if (n > 0) {
            EXPECT_EQ(stamp.sequence, previous + 1);
        }
        previous = stamp.sequence;
    }
}

TEST_F(CaptureWorker, RecordingWritesEachFetchedFrameOnceAsFetched)
{
    TempDir dir;
    const std::string path = dir.File("rec.avi");
    StartStreaming(true);
    Deliver();  // before the recording: not written
    ASSERT_EQ(m_worker->m_videoWriter.OpenOutput(path.c_str(), kW, kH), 0);
    SetRecording(1);
    const int recorded = 5;
    for (int i = 0; i < recorded; ++i)
        Deliver();
    SetRecording(0);
    ASSERT_EQ(m_worker->m_videoWriter.CloseOutput(), 0);
    Deliver();  // after it: not written either

    CVideoFile reader;
    ASSERT_EQ(reader.OpenInput(path.c_str()), 0);
    std::vector<std::uint16_t> frame(kW * kH);
    for (int i = 0; i < recorded; ++i) {
        ASSERT_EQ(reader.ReadFrame(frame.data(), frame.size() * 2), 0) << "frame " << i;
        EXPECT_EQ(frame, Raw(static_cast<std::uint32_t>(1 + i))) << "frame " << i << " is not the raw frame";
    }
    EXPECT_LT(reader.ReadFrame(frame.data(), frame.size() * 2), 0);
}

TEST_F(CaptureWorker, StalledStreamClosesQueuesTipSevenAndReopens)
{
    StartStreaming(false);
    ASSERT_TRUE(TakeNewFrame());
    const std::uint16_t* samples = m_worker->m_frameLive.temp_data;
    const std::uint8_t* image = m_worker->m_frameLive.image_data;
    emu_fault_stall(1);
    EXPECT_EQ(NextTip(20s), TIP_CAMERA_LOST);
    EXPECT_EQ(m_worker->m_nAction, 0);
    emu_fault_stall(0);
    EXPECT_EQ(NextTip(), TIP_CAMERA_WAITING);
    EXPECT_EQ(NextTip(), TIP_CAMERA_CONNECTED);
    {
        CAutoLock lock(&m_worker->m_lockFrame);
        m_worker->m_bNewFrame = 0;
    }
    ASSERT_TRUE(TakeNewFrame());
    EXPECT_EQ(m_worker->m_nAction, 1);
    // Readers of the live record kept the same buffers through the reconnect.
    EXPECT_EQ(m_worker->m_frameLive.temp_data, samples);
    EXPECT_EQ(m_worker->m_frameLive.image_data, image);
}

TEST_F(CaptureWorker, ShortStallKeepsStreaming)
{
    StartStreaming(false);
    ASSERT_TRUE(TakeNewFrame());
    emu_fault_stall(1);
    std::this_thread::sleep_for(300ms);
    emu_fault_stall(0);
    // Well over two check intervals without a loss.
    EXPECT_EQ(NextTip(3s), -100);
    EXPECT_EQ(m_worker->m_nAction, 1);
    ASSERT_TRUE(TakeNewFrame());
}

TEST_F(CaptureWorker, UnpluggedCameraIsReopenedWhenPluggedBack)
{
    StartStreaming(false);
    ASSERT_TRUE(TakeNewFrame());
    emu_unplug();
    EXPECT_EQ(NextTip(20s), TIP_CAMERA_LOST);
    EXPECT_EQ(NextTip(), TIP_CAMERA_WAITING);
    // While it is away the worker retries quietly.
    EXPECT_EQ(NextTip(700ms), -100);
    emu_replug();
    EXPECT_EQ(NextTip(), TIP_CAMERA_CONNECTED);
    {
        CAutoLock lock(&m_worker->m_lockFrame);
        m_worker->m_bNewFrame = 0;
    }
    ASSERT_TRUE(TakeNewFrame());
}

TEST_F(CaptureWorker, StopWhileRetryingReturnsPromptly)
{
    emu_set_device_count(0);
    Start();
    ASSERT_EQ(NextTip(), TIP_CAMERA_WAITING);
    std::this_thread::sleep_for(50ms);
    // The retry wait of 500 ms ends at the stop, within the stop's time-out of 1000 ms.
    EXPECT_TRUE(Stop());
    EXPECT_FALSE(m_worker->IsThreadWorkerRunning());
    EXPECT_EQ(m_worker->m_nAction, 0);
    EXPECT_TRUE(ircam_frame_empty(&m_worker->m_frameLive));
    // Only tip 5: the end of the flow queues nothing.
    Tip tip{};
    while (m_worker->GetTip(tip))
        EXPECT_EQ(tip.code, TIP_CAMERA_WAITING);
}

TEST_F(CaptureWorker, CameraComingLaterIsFoundByTheRetries)
{
    emu_set_device_count(0);
    emu_stream_set_manual(1);
    Start();
    ASSERT_EQ(NextTip(), TIP_CAMERA_WAITING);
    std::this_thread::sleep_for(600ms);
    emu_set_device_count(1);
    EXPECT_EQ(NextTip(), TIP_CAMERA_CONNECTED);
    Deliver();
}

TEST_F(CaptureWorker, WaitingForACameraLooksForItTwiceASecond)
{
    emu_set_device_count(0);
    Start();
    ASSERT_EQ(NextTip(), TIP_CAMERA_WAITING);
    // Twelve more searches take six seconds at one every 500 ms, well within the patience however
    // loaded the machine; at one every five seconds they would take a minute.
    const std::uint64_t first = emu_device_searches();
    const auto until = Clock::now() + kPatience;
    while (emu_device_searches() < first + 12 && Clock::now() < until)
        std::this_thread::sleep_for(10ms);
    EXPECT_GE(emu_device_searches(), first + 12);
    EXPECT_EQ(m_worker->m_nAction, 0);
}

TEST_F(CaptureWorker, StopWhileStreamingClosesTheCamera)
{
    StartStreaming(true);
    Deliver();
    EXPECT_TRUE(emu_streaming());
    EXPECT_TRUE(Stop());
    EXPECT_FALSE(emu_streaming());
    EXPECT_EQ(m_worker->m_nAction, 0);
    Tip tip{};
    EXPECT_FALSE(m_worker->GetTip(tip));
    // The camera is free again.
    EXPECT_EQ(uvc_camera_init(), 0);
    EXPECT_EQ(uvc_camera_open(camera_dev_t{EMU_PRODUCT_ID, EMU_VENDOR_ID, const_cast<char*>(EMU_PRODUCT)}), 0);
    uvc_camera_close();
}

TEST_F(CaptureWorker, RecordingStartedAndStoppedWhileFramesFlow)
{
    // The toolbar's hand-off: flag under the lock, then the writer closed; never during a write.
    TempDir dir;
    emu_set_frame_period_us(3000);
    StartStreaming(false);
    for (int round = 0; round < 6; ++round) {
        const std::string path = dir.File("rec" + std::to_string(round) + ".avi");
        ASSERT_EQ(m_worker->m_videoWriter.OpenOutput(path.c_str(), kW, kH), 0);
        {
            // A flag raised from now on comes with a frame written.
            CAutoLock lock(&m_worker->m_lockFrame);
            m_worker->m_bNewFrame = 0;
            m_worker->m_bRecording = 1;
        }
        ASSERT_TRUE(TakeNewFrame());
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * round));
        SetRecording(0);
        ASSERT_EQ(m_worker->m_videoWriter.CloseOutput(), 0);

        // Every frame read back is a whole raw frame of the camera, in the order fetched (the SDK
        // hands out its one buffer again when it counted more frames than it kept).
        CVideoFile reader;
        ASSERT_EQ(reader.OpenInput(path.c_str()), 0) << path;
        std::vector<std::uint16_t> frame(kW * kH);
        int read = 0;
        long last = 0;
        while (reader.ReadFrame(frame.data(), frame.size() * 2) == 0) {
            const long n = FrameNumberOf(frame, static_cast<std::uint32_t>(last));
            ASSERT_GE(n, last) << "frame " << read << " of " << path;
            last = n;
            ++read;
        }
        EXPECT_GE(read, 1) << path;
    }
}

TEST_F(CaptureWorker, RecordingSkipsFramesOfAnotherSizeThanTheWriters)
{
    TempDir dir;
    const std::string path = dir.File("sizes.avi");
    ASSERT_EQ(m_worker->m_videoWriter.OpenOutput(path.c_str(), kW, kH), 0);
    SetRecording(1);
    struct Slot {
        int width, rows;
        bool written;
    };
    // Smaller halves would be read past their end, larger ones cut into a wrong picture.
    const Slot slots[] = {{kW, kH, true}, {kW, kH / 2, false}, {kW / 2, kH / 2, false}, {2 * kW, kH, false},
                          {kW, kH + 1, false}, {kW, kH, true}};
    std::vector<std::vector<std::uint16_t>> expected;
    std::uint16_t base = 20000;
    for (const Slot& c : slots) {
        FrameGuard slot;
        MakeFrame(&slot.frame, c.width, c.rows);
        FillSamples(&slot.frame, [&](int x, int y) { return static_cast<std::uint16_t>(base + x + y); });
        if (c.written)
            expected.emplace_back(slot.frame.temp_data, slot.frame.temp_data + kW * kH);
        m_worker->PublishFrame(slot.frame);
        ASSERT_TRUE(TakeNewFrame());  // the flag goes up for every fetched frame
        base += 100;
    }
    SetRecording(0);
    ASSERT_EQ(m_worker->m_videoWriter.CloseOutput(), 0);

    CVideoFile reader;
    ASSERT_EQ(reader.OpenInput(path.c_str()), 0);
    std::vector<std::uint16_t> frame(kW * kH);
    for (const auto& want : expected) {
        ASSERT_EQ(reader.ReadFrame(frame.data(), frame.size() * 2), 0);
        EXPECT_EQ(frame, want);
    }
    EXPECT_LT(reader.ReadFrame(frame.data(), frame.size() * 2), 0);
}

TEST_F(CaptureWorker, AFailedWriteEndsTheRecordingAndIsReportedOnce)
{
    TempDir dir;
    const std::string path = dir.File("full.avi");
    const HWND owner = platform::user::AllocateWindowHandle();
    m_worker->SetWndMsg(owner, WM_WORKER_NOTIFY);
    FrameGuard slot;
    MakeFrame(&slot.frame, kW, kH);
    FillSamples(&slot.frame, [](int x, int y) { return static_cast<std::uint16_t>(20000 + x + y); });
    int published = 0;
    {
        // The disk is "full" after a few frames.
        const FileSizeLimit limit(4 * kW * kH * 2);
        ASSERT_EQ(m_worker->m_videoWriter.OpenOutput(path.c_str(), kW, kH), 0);
        SetRecording(1);
        for (; published < 20; ++published) {
            m_worker->PublishFrame(slot.frame);
            CAutoLock lock(&m_worker->m_lockFrame);
            if (!m_worker->m_bRecording)
                break;
        }
    }
    EXPECT_LT(published, 20) << "the write past the limit failed";
    {
        CAutoLock lock(&m_worker->m_lockFrame);
        EXPECT_EQ(m_worker->m_bRecordFailed, 1);
    }
    // Later frames are neither written nor reported again.
    for (int i = 0; i < 3; ++i)
        m_worker->PublishFrame(slot.frame);
    std::vector<WPARAM> notices;
    MSG msg;
    while (PeekMessage(&msg, owner, 0, 0, PM_REMOVE))
        notices.push_back(msg.wParam);
    EXPECT_EQ(notices, std::vector<WPARAM>{NOTIFY_RECORD_FAILED});
    m_worker->m_videoWriter.CloseOutput();
    platform::user::ReleaseWindowHandle(owner);
}

TEST_F(CaptureWorker, DestroyedWhileAGetStallsWaitsForItsThread)
{
    StartStreaming(false);
    ASSERT_TRUE(TakeNewFrame());
    emu_fault_stall(1);
    std::this_thread::sleep_for(100ms);  // the worker now waits in a get that finds no frame
    m_worker.reset();
    // The flow ended before the object went: its end closed the stream and the camera.
    EXPECT_FALSE(emu_streaming());
    EXPECT_EQ(uvc_camera_init(), 0);
    EXPECT_EQ(uvc_camera_open(camera_dev_t{EMU_PRODUCT_ID, EMU_VENDOR_ID, const_cast<char*>(EMU_PRODUCT)}), 0);
    uvc_camera_close();
}

// A writer thread publishes means as the worker does while this thread takes snapshots: every
// frame is uniform, so every mean is, and a copy made in the middle of a mean would not be.
TEST(LiveRecordSharing, SnapshotNeverCopiesAHalfWrittenMean)
{
    auto capture = std::make_unique<CIRDataCapture>();
    MakeFrame(&capture->m_frameLive, kW, kH);
    for (IrFrame& slot : capture->m_ring)
        MakeFrame(&slot, kW, kH);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int k = 0; k < 400; ++k) {
            IrFrame& slot = capture->m_ring[capture->m_nRingIndex];
            std::fill(slot.temp_data, slot.temp_data + kW * kH, static_cast<std::uint16_t>(1000 + 3 * k));
            capture->AcceptFrame();
        }
        done = true;
    });
    FrameGuard copy;
    int copies = 0;
    int torn = 0;
    while (!done) {
        if (capture->CopyLiveFrame(&copy.frame) != 0)
            break;
        const std::uint16_t* s = copy.frame.temp_data;
        torn += std::any_of(s, s + kW * kH, [&](std::uint16_t v) { return v != s[0]; }) ? 1 : 0;
        ++copies;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << copies;
    EXPECT_GT(copies, 0);
    for (IrFrame& slot : capture->m_ring)
        ircam_frame_free(&slot);
}

// The check is the thread sanitizer's (this program runs under it in CI): a table freed while a
// colouring still reads it, or swapped without a guard, shows there as a race.
TEST(ColorMapSharing, ColouringWhileAnotherThreadReplacesTheTable)
{
    auto capture = std::make_unique<CIRDataCapture>();
    ZelColorMap& map = capture->m_colorMap;
    FrameGuard g;
    MakeFrame(&g.frame, 64, 48);
    FillSamples(&g.frame, [](int x, int y) { return std::uint16_t(18800 + 20 * x + 7 * y); });
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; !done; ++i) {
            CAutoLock lock(&map.m_lock);
            map.SetTempRange(15.0 + (i % 7), 45.0 + (i % 5));
            map.SetDisplayRangeRaw(static_cast<std::uint16_t>(18900 + i % 50), static_cast<std::uint16_t>(20000 + i % 300));
            map.m_nCurPalette = static_cast<std::uint32_t>(i % 3);
            map.BuildLut();
        }
    });
    for (int pass = 0; pass < 300; ++pass) {
        ColorizeRaw16(&g.frame, &map, static_cast<std::uint32_t>(pass % 2), nullptr, 0);
        std::uint8_t c[3];
        map.GetColor(c, 19500);
    }
    done = true;
    changer.join();
}
