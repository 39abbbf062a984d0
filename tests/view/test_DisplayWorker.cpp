// The display worker: it consumes the new-frame flag, colours only the live frame, lets the
// colour window follow the frame once it has run for 6000 ms, posts code 4 and sends code 5,
// and colours the ROI Check mode from view 0's rectangles while they are being edited. And the
// whole live road at once: the capture worker on the emulated camera, the display worker, the
// paint, snapshots and the user's changes, for the thread sanitizer to watch.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "acquisition/ColorizeRaw16.h"
#include "emulator/src/emulator.h"
#include "foundation/CAutoLock.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
#include "tests/view/DisplayFixture.h"
#include "view/COGLSlider.h"

namespace {

using namespace view_test;

struct Notice {
    WPARAM code;
    BOOL sent;  // handled as a message sent from another thread
};

class NotifyWnd : public CWnd {
public:
    BOOL CreateTop() { return CreateEx(0, nullptr, "notify", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
    LRESULT OnNotify(WPARAM code, LPARAM)
    {
        notices.push_back(Notice{code, InSendMessage()});
        return 0;
    }
    int Count(WPARAM code) const
    {
        int n = 0;
        for (const Notice& x : notices)
            n += x.code == code;
        return n;
    }
    std::vector<Notice> notices;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(NotifyWnd, CWnd)
ON_MESSAGE(WM_WORKER_NOTIFY, &NotifyWnd::OnNotify)
END_MESSAGE_MAP()

class DisplayWorker : public DisplayFixture {
protected:
    void SetUp() override
    {
        DisplayFixture::SetUp();
        ASSERT_TRUE(notify.CreateTop());
        CIRDataCapture& cap = theApp.m_capture;
        MakeFrame(&cap.m_frameLive, kW, kH);
        MakeFrame(&cap.m_frameImage, kW, kH);
        FillKnownFrame(&cap.m_frameLive);
        FillKnownFrame(&cap.m_frameImage);
        // Wired through its flow base, as the main window wires every flow.
        CThreadActionFlow& flow = disp;
        flow.SetWndMsg(notify.GetSafeHwnd(), WM_WORKER_NOTIFY);
        disp.m_bLoop = 1;
        disp.m_bNotify = 0;
    }
    void TearDown() override
    {
        if (started) {
            EXPECT_TRUE(disp.ThreadWorkerStop());
        }
        disp.m_pImage = nullptr;
        ircam_frame_free(&theApp.m_capture.m_frameLive);
        ircam_frame_free(&theApp.m_capture.m_frameImage);
        notify.DestroyWindow();
        DisplayFixture::TearDown();
    }
    void Start()
    {
        startTick = GetTickCount();
        ASSERT_TRUE(disp.ThreadWorkerStart());
        started = true;
    }
    static void RaiseNewFrame()
    {
        CAutoLock lock(&theApp.m_capture.m_lockFrame);
        theApp.m_capture.m_bNewFrame = 1;
    }
    static bool NewFrameFlag()
    {
        CAutoLock lock(&theApp.m_capture.m_lockFrame);
        return theApp.m_capture.m_bNewFrame != 0;
    }
    // Handles messages one at a time until pred holds or the time runs out, then what is still
    // queued, for a moment at most. Paints slower than the frames (a sanitizer's build) keep the
    // queue from ever running empty, so nothing here waits for that.
    template <class Pred>
    static bool PumpUntil(Pred pred, DWORD timeoutMs = 30000)
    {
        const DWORD start = GetTickCount();
        while (!pred()) {
            if (GetTickCount() - start > timeoutMs)
                return false;
            if (!PumpOne())
                Sleep(1);
        }
        const DWORD drain = GetTickCount();
        while (GetTickCount() - drain < 200 && PumpOne()) {
        }
        return true;
    }
    // Handles one queued message; false when there was none.
    static bool PumpOne()
    {
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            return false;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        return true;
    }
    // Raises one new frame and waits until the worker has shown it (code 5 handled).
    void ShowOneFrame()
    {
        const int before = notify.Count(NOTIFY_FRAME_SHOWN);
        RaiseNewFrame();
        ASSERT_TRUE(PumpUntil([&] { return notify.Count(NOTIFY_FRAME_SHOWN) > before; }));
    }
    // The live frame's colour image as the colouring makes it with the colour map as it is now.
    static std::vector<std::uint8_t> ExpectedColours(const RectShapeList* rects)
    {
        FrameGuard copy;
        EXPECT_EQ(ircam_frame_copy(&theApp.m_capture.m_frameLive, &copy.frame), 0);
        ColorizeRaw16(&copy.frame, &theApp.m_capture.m_colorMap, 0, rects, 0);
        return std::vector<std::uint8_t>(copy.frame.rgb_buf, copy.frame.rgb_buf + kW * kH * 3);
    }
    static std::vector<std::uint8_t> LiveColours()
    {
        const std::uint8_t* p = theApp.m_capture.m_frameLive.rgb_buf;
        return std::vector<std::uint8_t>(p, p + kW * kH * 3);
    }

    NotifyWnd notify;
    bool started = false;
    DWORD startTick = 0;
};

TEST_F(DisplayWorker, FrameOfAnotherSourceIsConsumedButNotShown)
{
    disp.m_pImage = &theApp.m_capture.m_frameImage;
    const std::vector<std::uint8_t> before(theApp.m_capture.m_frameImage.rgb_buf,
                                           theApp.m_capture.m_frameImage.rgb_buf + kW * kH * 3);
    RaiseNewFrame();
    Start();
    ASSERT_TRUE(PumpUntil([] { return !NewFrameFlag(); }));
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(notify.notices.empty());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), theApp.m_capture.m_frameImage.rgb_buf));
}

TEST_F(DisplayWorker, LiveFrameIsColouredWithCodeFourPostedAndFiveSent)
{
    disp.m_pImage = &theApp.m_capture.m_frameLive;
    ZelColorMap& map = theApp.m_capture.m_colorMap;
    const std::uint16_t low = map.m_nDisplayLow, high = map.m_nDisplayHigh, frameMax = map.m_nFrameMax;
    Start();
    ShowOneFrame();
    ASSERT_EQ(notify.notices.size(), 2u);
    for (const Notice& n : notify.notices) {
        if (n.code == NOTIFY_FRAME_ARRIVED)
            EXPECT_FALSE(n.sent);
        else
            EXPECT_TRUE(n.sent);
    }
    EXPECT_EQ(notify.Count(NOTIFY_FRAME_ARRIVED), 1);
    // Within the first 6000 ms the colour window stays as it was set; a machine that took longer to
    // show one frame cannot tell.
    if (GetTickCount() - startTick > 6000)
        GTEST_SKIP() << "one frame took over six seconds to show";
    EXPECT_EQ(map.m_nDisplayLow, low);
    EXPECT_EQ(map.m_nDisplayHigh, high);
    EXPECT_EQ(map.m_nFrameMax, frameMax);
    EXPECT_EQ(LiveColours(), ExpectedColours(nullptr));
    EXPECT_FALSE(NewFrameFlag());
}

TEST_F(DisplayWorker, ColourWindowFollowsTheFrameAfterSixSeconds)
{
    disp.m_pImage = &theApp.m_capture.m_frameLive;
    ZelColorMap& map = theApp.m_capture.m_colorMap;
    Start();
    ShowOneFrame();
    ASSERT_NE(map.m_nFrameMax, kHot);
    PumpUntil([&] { return GetTickCount() - startTick > 6300; }, 10000);
    ShowOneFrame();
    EXPECT_EQ(map.m_nFrameMax, kHot);
    EXPECT_EQ(map.m_nFrameMin, kBase);
    EXPECT_EQ(map.m_nDisplayLow, kBase - 128);
    EXPECT_EQ(map.m_nDisplayHigh, kHot);
    EXPECT_EQ(LiveColours(), ExpectedColours(nullptr));
}

TEST_F(DisplayWorker, RoiCheckColoursInsideViewZeroRectanglesOnly)
{
    disp.m_pImage = &theApp.m_capture.m_frameLive;
    disp.m_nDisplayMode = 3;
    View().rects.push_back(new RectShape{10, 10, 30, 20});
    Start();
    ShowOneFrame();
    const std::vector<std::uint8_t> withRects = ExpectedColours(&View().rects);
    EXPECT_NE(withRects, ExpectedColours(nullptr));
    EXPECT_EQ(LiveColours(), withRects);

    disp.ThreadWorkerStop();
    disp.m_nDisplayMode = 0;
    ASSERT_TRUE(disp.ThreadWorkerStart());
    ShowOneFrame();
    EXPECT_EQ(LiveColours(), ExpectedColours(nullptr));
}

TEST_F(DisplayWorker, EditingRectanglesWhileRoiCheckColours)
{
    disp.m_pImage = &theApp.m_capture.m_frameLive;
    disp.m_nDisplayMode = 3;
    disp.m_nTool = TOOL_RECT;
    disp.DrawScene();  // the first paint records the image size
    ASSERT_EQ(View().viewport.w, 2 * kW);
    const HWND hwnd = disp.GetSafeHwnd();
    Start();
    // Window pixels are twice the image pixels; each rectangle gets a place of its own.
    auto drag = [&](int x0, int y0, int x1, int y1) { Drag(hwnd, 2 * x0, 2 * y0, 2 * x1, 2 * y1); };
    for (int i = 0; i < 60; ++i) {
        RaiseNewFrame();
        const int x = 10 + (i % 10) * 22;
        const int y = 5 + (i / 10) * 30;
        drag(x, y, x + 15, y + 25);              // add (x, y, 15, 25)
        drag(x + 5, y + 10, x + 7, y + 12);      // move it to (x + 2, y + 2)
        drag(x + 15, y + 25, x + 18, y + 28);    // bottom right handle: 18 x 28
        if (i % 3 == 0)
            drag(x + 22, y + 4, x + 22, y + 4);  // its delete box
        Pump();
    }
    ShowOneFrame();
    ASSERT_EQ(View().rects.size(), 40u);
    const RectShape& first = *View().rects[0];  // the second one made (the first was deleted)
    EXPECT_EQ(first.x, 34);
    EXPECT_EQ(first.y, 7);
    EXPECT_EQ(first.w, 18);
    EXPECT_EQ(first.h, 28);
}

// The paint of a shown live frame tells which camera frame's colours it drew and when that frame
// came; a paint of another record tells of none.
TEST_F(DisplayWorker, PaintTellsWhichCameraFrameItDrew)
{
    CIRDataCapture& cap = theApp.m_capture;
    const frame_stamp_t stamp{123456789, 42};
    {
        CAutoLock lock(&cap.m_lockRecords);
        cap.m_liveStamp = stamp;
    }
    disp.m_pImage = &cap.m_frameLive;
    Start();
    ShowOneFrame();
    disp.DrawScene();
    EXPECT_EQ(disp.PaintedFrame().sequence, stamp.sequence);
    EXPECT_EQ(disp.PaintedFrame().arrival_ns, stamp.arrival_ns);

    disp.m_pImage = &cap.m_frameImage;
    disp.DrawScene();
    EXPECT_EQ(disp.PaintedFrame().sequence, 0u);
    EXPECT_EQ(disp.PaintedFrame().arrival_ns, 0u);
    CAutoLock lock(&cap.m_lockRecords);
    cap.m_liveStamp = frame_stamp_t{};
}

// The live record filled with the known frame and shown by disp, made in host and wired to notify
// as the main window wires it; its worker is not started yet.
void WireLiveDisplay(HostWnd& host, NotifyWnd& notify, CStaticDisplay& disp)
{
    ASSERT_TRUE(host.CreateTop(2 * kW, 2 * kH));
    ASSERT_TRUE(notify.CreateTop());
    CIRDataCapture& cap = theApp.m_capture;
    MakeFrame(&cap.m_frameLive, kW, kH);
    FillKnownFrame(&cap.m_frameLive);
    ASSERT_TRUE(disp.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 2 * kW, 2 * kH), &host, 4000));
    disp.m_pImage = &cap.m_frameLive;
    CThreadActionFlow& flow = disp;
    flow.SetWndMsg(notify.GetSafeHwnd(), WM_WORKER_NOTIFY);
    disp.m_bLoop = 1;
    disp.m_bNotify = 0;
}

// A display that counts its paints.
class CountingDisplay : public CStaticDisplay {
public:
    void OnPaint()
    {
        ++paints;
        CStaticDisplay::OnPaint();
    }
    int paints = 0;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CountingDisplay, CStaticDisplay)
ON_WM_PAINT()
END_MESSAGE_MAP()

// Each live frame is painted once, whether the user-interface thread paints before or after it
// handles the worker's code 5.
TEST(DisplayPaints, OnePaintForEachLiveFrame)
{
    HostWnd host;
    NotifyWnd notify;
    CountingDisplay disp;
    ASSERT_NO_FATAL_FAILURE(WireLiveDisplay(host, notify, disp));
    CIRDataCapture& cap = theApp.m_capture;
    Pump();
    disp.paints = 0;
    ASSERT_TRUE(disp.ThreadWorkerStart());
    constexpr int kFrames = 20;
    for (int i = 0; i < kFrames; ++i) {
        {
            CAutoLock lock(&cap.m_lockFrame);
            cap.m_bNewFrame = 1;
        }
        cap.m_evNewFrame.SetEvent();
        // Until the frame is shown and painted, and a while longer for any repaint the worker
        // might still ask for.
        const DWORD start = GetTickCount();
        while (notify.Count(NOTIFY_FRAME_SHOWN) <= i || GetUpdateRect(disp.GetSafeHwnd(), nullptr, FALSE) ||
               GetTickCount() - start < 20) {
            ASSERT_LT(GetTickCount() - start, 5000u);
            Pump();
            Sleep(1);
        }
    }
    EXPECT_TRUE(disp.ThreadWorkerStop());
    EXPECT_EQ(disp.paints, kFrames);
    disp.m_pImage = nullptr;
    disp.DestroyWindow();
    ircam_frame_free(&cap.m_frameLive);
    notify.DestroyWindow();
    host.DestroyWindow();
}

// The display destroyed on the UI thread while its worker waits in its SendMessage of code 5:
// the destruction serves that message, the worker ends, and only then does the object go.
TEST(DisplayLifetime, DestroyedWhileItsWorkerSendsCodeFive)
{
    HostWnd host;
    NotifyWnd notify;
    auto disp = std::make_unique<CStaticDisplay>();
    ASSERT_NO_FATAL_FAILURE(WireLiveDisplay(host, notify, *disp));
    CIRDataCapture& cap = theApp.m_capture;
    ASSERT_TRUE(disp->ThreadWorkerStart());
    {
        CAutoLock lock(&cap.m_lockFrame);
        cap.m_bNewFrame = 1;
    }
    // No message is handled meanwhile: the worker waits in its SendMessage.
    ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20000, QS_SENDMESSAGE), WAIT_OBJECT_0);
    disp->DestroyWindow();
    disp.reset();
    ASSERT_EQ(notify.Count(NOTIFY_FRAME_SHOWN), 1);
    for (const Notice& n : notify.notices) {
        if (n.code == NOTIFY_FRAME_SHOWN) {
            EXPECT_TRUE(n.sent);
        }
    }
    ircam_frame_free(&cap.m_frameLive);
    notify.DestroyWindow();
    host.DestroyWindow();
}

// The capture worker streams from the emulated camera into the live record while the display
// worker colours it, the pane paints it, the user takes snapshots, switches sources, colour
// modes, flips and modes, drags a colour-bar marker and moves the mouse, and the camera stalls
// and comes back. The live record is first allocated while the pane already paints.
class LivePipeline : public DisplayWorker {
protected:
    void SetUp() override
    {
        DisplayWorker::SetUp();
        ircam_frame_free(&theApp.m_capture.m_frameLive);
        emu_reset();
        emu_set_frame_period_us(20000);
        ASSERT_TRUE(slider.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 125, 2 * kH), &host, 5000));
        slider.m_pColorMap = &theApp.m_capture.m_colorMap;
        slider.UpdateMarkers(1);
        COGLSlider::SetMainDisplay(&disp);
        CIRDataCapture& cap = theApp.m_capture;
        cap.SetWndMsg(notify.GetSafeHwnd(), WM_WORKER_NOTIFY);
        cap.m_bLoop = 1;
        cap.m_bNotify = 0;
    }
    void TearDown() override
    {
        // No new frames first; then the display worker, once its last code 5 has been handled.
        emu_fault_stall(0);
        while (!theApp.m_capture.ThreadWorkerStop()) {
        }
        PumpFor(100);
        if (started) {
            EXPECT_TRUE(disp.ThreadWorkerStop());
            started = false;
        }
        COGLSlider::SetMainDisplay(nullptr);
        slider.DestroyWindow();
        theApp.m_nFlipMirror = 0;
        theApp.m_capture.m_nColorMode = 0;
        emu_reset();
        DisplayWorker::TearDown();
    }
    static void PumpFor(DWORD ms)
    {
        const DWORD start = GetTickCount();
        MSG msg;
        while (GetTickCount() - start < ms && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    // A drag of the colour bar's window-high marker by dy (its pick zone lies just above it).
    bool DragWindowHigh(int dy)
    {
        const int y = slider.MarkerY(colour_bar::kWindowHigh) - 5;
        Press(slider.GetSafeHwnd(), 60, y);
        const bool picked = slider.m_nPicked == colour_bar::kWindowHigh;
        Move(slider.GetSafeHwnd(), 60, y + dy);
        Release(slider.GetSafeHwnd(), 60, y + dy);
        return picked;
    }
    // Every sample of a snapshot lies in the emulated bench's temperatures (0 to 150 degrees).
    static bool Plausible(const IrFrame& f)
    {
        if (f.temp_info[0] != kW || f.temp_info[1] != kH || !f.temp_data)
            return false;
        for (int i = 0; i < kW * kH; ++i) {
            if (f.temp_data[i] < 17481 || f.temp_data[i] > 27081)
                return false;
        }
        return true;
    }

    COGLSlider slider;
};

TEST_F(LivePipeline, CaptureDisplayWorkerAndPaintRunTogether)
{
    CIRDataCapture& cap = theApp.m_capture;
    disp.m_pImage = &cap.m_frameLive;
    disp.m_pIconFlags = icons;
    icons[2] = icons[3] = icons[4] = 1;
    Start();
    disp.DrawScene();  // nothing to paint yet: the camera is not open
    ASSERT_TRUE(cap.ThreadWorkerStart());

    FrameGuard snapshot;
    int snapshots = 0, picked = 0;
    bool lost = false, reopened = false;
    const HWND pane = disp.GetSafeHwnd();
    const DWORD begin = GetTickCount();
    // At least six seconds and every action once, however slowly a loaded machine goes round; the
    // camera stalls after one second until the worker has lost it, and the run goes on until it has
    // opened it again.
    constexpr int kActions = 7;
    int round = 0;
    for (; GetTickCount() - begin < 6000 || round < kActions || !reopened; ++round) {
        ASSERT_LT(GetTickCount() - begin, 180000u);
        // A slow 3D paint can keep the queue from ever running empty: pump for a while only.
        PumpFor(20);
        disp.DrawScene();
        Tip tip{};
        while (cap.GetTip(tip)) {
            lost = lost || tip.code == TIP_CAMERA_LOST;
            reopened = reopened || (lost && tip.code == TIP_CAMERA_CONNECTED);
        }
        emu_fault_stall(GetTickCount() - begin > 1000 && !lost ? 1 : 0);
        switch (round % kActions) {
        case 0:
            theApp.m_nFlipMirror ^= (round / kActions) % 2 ? 1 : 2;
            break;
        case 1:
            COGLSlider::SetColorMode((round / kActions) % 2);
            break;
        case 2:
            if (cap.CopyLiveFrame(&snapshot.frame) == 0 && snapshot.frame.temp_data) {
                ++snapshots;
                EXPECT_TRUE(Plausible(snapshot.frame));
            }
            break;
        case 3:
            // The image source for a moment: a marker drag colours it again.
            disp.m_pImage = &cap.m_frameImage;
            picked += DragWindowHigh((round / kActions) % 2 ? 15 : -15);
            disp.DrawScene();
            disp.m_pImage = &cap.m_frameLive;
            break;
        case 4: {
            CAutoLock lock(&disp.m_lockDisplay);
            if (View().rects.empty()) {
                disp.m_nDisplayMode = 3;
                View().rects.push_back(new RectShape{20, 20, 60, 40});
            } else {
                disp.m_nDisplayMode = 0;
                View().Clear();
            }
            break;
        }
        case 5:
            Move(pane, 2 * (round % kW), 2 * (round % kH));
            break;
        default:
            disp.m_renderer.m_b3D = !disp.m_renderer.m_b3D;
            break;
        }
        Sleep(1);
    }
    EXPECT_GT(snapshots, 0) << round << " rounds";
    EXPECT_GT(picked, 0) << round << " rounds";
    // Live frames are shown again after the camera came back.
    disp.m_renderer.m_b3D = 0;
    const int shown = notify.Count(NOTIFY_FRAME_SHOWN);
    EXPECT_TRUE(PumpUntil([&] { return notify.Count(NOTIFY_FRAME_SHOWN) > shown; }));
}

}  // namespace
