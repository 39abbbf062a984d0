// Playback of recordings and opening of snapshots through clicks on the real main window's
// thumbnails, the stops of a playback, the colour bar's markers after each shown frame, and the
// refresh after a palette change.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/user/message_queue.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/controls/ThumbnailFiles.h"
#include "view/COGLCircleColorMap.h"

using namespace app_test;

namespace {

using B = CVantrelDlg;
constexpr int kW = 256;
constexpr int kH = 192;

// Frame i of a clip: every sample is base + i, so a shown frame tells which it is.
void WriteClip(const std::string& path, std::uint16_t base, int frames, int width = kW, int height = kH)
{
    CVideoFile writer;
    ASSERT_EQ(writer.OpenOutput(path.c_str(), width, height), 0);
    std::vector<std::uint16_t> samples(static_cast<std::size_t>(width) * height);
    for (int i = 0; i < frames; ++i) {
        // A warmer spot keeps the frame from being uniform, which the colouring leaves alone.
        std::fill(samples.begin(), samples.end(), static_cast<std::uint16_t>(base + i));
        samples[0] = static_cast<std::uint16_t>(base + i + 640);
        ASSERT_EQ(writer.WriteFrame(samples.data()), 0);
    }
    ASSERT_EQ(writer.CloseOutput(), 0);
}

constexpr std::uint16_t kBaseA = 19000;
constexpr std::uint16_t kBaseB = 20000;
constexpr int kFramesA = 12;
constexpr int kFramesB = 60;

class PlaybackTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        WriteClip(folder.Path("clip_a.avi"), kBaseA, kFramesA);
        WriteClip(folder.Path("clip_b.avi"), kBaseB, kFramesB);
        WriteClip(folder.Path("small.avi"), kBaseA, 3, 128, 96);
        folder.Snapshot("board.ir");
        MainWindowTest::SetUp();
        QuietWorkers();
        ASSERT_TRUE(PumpUntil([&] { return dlg.m_listVideo.GetItemCount() == 3 && dlg.m_listImage.GetItemCount() == 1; }));
    }
    // A click on the thumbnail of a file in the list that shows.
    void ClickItem(CListCtrlThumbnail& list, const std::string& name)
    {
        int item = -1;
        for (int i = 0; i < list.GetItemCount(); ++i)
            if (list.GetItemText(i, 0) == name.c_str()) item = i;
        ASSERT_GE(item, 0) << name;
        CRect r;
        list.GetItemRect(item, &r, LVIR_BOUNDS);
        list.ClientToScreen(&r);
        ClickAt(CPoint(r.left + 30, r.CenterPoint().y));
    }
    // The sample value of the video record's frame, 0 before any.
    int ShownVideoSample()
    {
        CIRDataCapture& capture = theApp.m_capture;
        CAutoLock lock(&capture.m_lockRecords);
        const IrFrame& video = capture.m_frameVideo;
        return video.temp_data ? video.temp_data[kW * kH / 2] : 0;
    }
    bool PlaybackEnded()
    {
        return PumpUntil([&] { return !dlg.IsThreadWorkerRunning(); }) && (Pump(), theApp.m_bVideoPlaying == 0);
    }
    std::string Status() { return TextOf(dlg.m_lightStatus); }

    // Emptied before the files are written.
    const thumbnail_test::DataFolder folder;
};

TEST_F(PlaybackTest, AClickOnAVideoPlaysItsFramesInOrderOnePerFiftyMillisecondsToTheEnd)
{
    Click(B::kSourceVideo);
    dlg.m_lightStatus.SetWindowText("before");
    const DWORD start = GetTickCount();
    ClickItem(dlg.m_listVideo, "clip_a.avi");
    // What a slow build shows may be fewer frames than the clip holds, never others or out of order.
    std::vector<int> shown;
    while (dlg.IsThreadWorkerRunning()) {
        const int sample = ShownVideoSample();
        if (shown.empty() || sample != shown.back()) shown.push_back(sample);
        Pump();
        Sleep(1);
    }
    const DWORD elapsed = GetTickCount() - start;
    ASSERT_TRUE(PlaybackEnded());
    shown.push_back(ShownVideoSample());
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GE(shown.front(), kBaseA);
    EXPECT_EQ(shown.back(), kBaseA + kFramesA - 1) << "played to its last frame";
    // Each frame waits 50 ms before the next is read.
    EXPECT_GE(elapsed, static_cast<DWORD>((kFramesA - 1) * 50));
    EXPECT_EQ(Status(), "before") << "a video that plays to its end leaves the status as it was";
    EXPECT_EQ(dlg.m_display.m_pImage.load(), &theApp.m_capture.m_frameVideo);
}

struct Stopper {
    const char* name;
    int button;  // Del or Clc, or -1: a click on another video
};

class PlaybackStopTest : public PlaybackTest, public ::testing::WithParamInterface<Stopper> {
protected:
    // Serves nothing on this thread until the playback sends its notification of a shown frame:
    // the playback then waits for this thread, and cannot end before the stop serves it.
    void HoldPlaybackInItsNotification()
    {
        // The loaders are the only other threads that send to this one.
        ASSERT_TRUE(PumpUntil([&] { return !dlg.m_listImage.IsThreadWorkerRunning() && !dlg.m_listVideo.IsThreadWorkerRunning(); }));
        ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_SENDMESSAGE), WAIT_OBJECT_0);
    }
};

// Each stop comes while the playback waits for this thread, as the commands of a click send it.
TEST_P(PlaybackStopTest, StoppingAPlaybackEndsItAndSaysTerminated)
{
    Click(B::kSourceVideo);
    ClickItem(dlg.m_listVideo, "clip_b.avi");
    ASSERT_TRUE(PumpUntil([&] { return ShownVideoSample() >= kBaseB + 3; }));
    // The fixture's stopped workers left their own "terminated" there.
    dlg.m_lightStatus.SetWindowText("playing");
    HoldPlaybackInItsNotification();
    const int button = GetParam().button;
    if (button >= 0) {
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOLBAR_FIRST + button, BN_CLICKED),
                        reinterpret_cast<LPARAM>(dlg.m_btn[button].GetSafeHwnd()));
        EXPECT_FALSE(dlg.IsThreadWorkerRunning()) << "the video is closed when the command is done";
    } else {
        // The new playback may use the reader only once the old one has ended.
        dlg.StartPlayback(folder.Path("clip_a.avi").c_str());
    }
    EXPECT_TRUE(PumpUntil([&] { return Status() == "操作终止."; })) << Status();
    ASSERT_TRUE(PlaybackEnded());
    const int last = ShownVideoSample();
    if (button >= 0) {
        EXPECT_GE(last, kBaseB + 3);
        EXPECT_LT(last, kBaseB + kFramesB - 1) << "stopped before its end";
    } else {
        EXPECT_EQ(last, kBaseA + kFramesA - 1) << "the second video plays to its end";
    }
}

INSTANTIATE_TEST_SUITE_P(Stoppers, PlaybackStopTest,
                         ::testing::Values(Stopper{"AnotherVideo", -1}, Stopper{"Del", B::kDelete},
                                           Stopper{"Clc", B::kClear}),
                         [](const ::testing::TestParamInfo<Stopper>& info) { return std::string(info.param.name); });

TEST_F(PlaybackTest, AVideoOfAnotherFrameSizeIsNotPlayed)
{
    Click(B::kSourceVideo);
    ClickItem(dlg.m_listVideo, "clip_a.avi");
    ASSERT_TRUE(PlaybackEnded());
    ClickItem(dlg.m_listVideo, "small.avi");
    EXPECT_FALSE(dlg.IsThreadWorkerRunning());
    Pump();
    EXPECT_EQ(ShownVideoSample(), kBaseA + kFramesA - 1);
    const IrFrame& video = theApp.m_capture.m_frameVideo;
    EXPECT_EQ(video.temp_info[0], kW);
    EXPECT_EQ(video.temp_info[1], kH);
}

TEST_F(PlaybackTest, AClickOnASnapshotLoadsTheStillSlotWhileTheCameraStaysShown)
{
    CIRDataCapture& capture = theApp.m_capture;
    ClickItem(dlg.m_listImage, "board.ir");
    const auto board = thumbnail_test::HalfHot(true);
    const IrFrame& image = capture.m_frameImage;
    ASSERT_NE(image.temp_data, nullptr);
    EXPECT_EQ(std::vector<std::uint16_t>(image.temp_data, image.temp_data + image.temp_size / 2), board);
    EXPECT_EQ(dlg.m_display.m_pImage.load(), &capture.m_frameLive);
    // Coloured: the hot half and the cold half differ.
    EXPECT_NE(image.rgb_buf[0], image.rgb_buf[(kW - 1) * 3]);

    // A file that cannot be read changes nothing.
    folder.Bytes("broken.ir", "not a snapshot");
    EXPECT_EQ(dlg.OpenIrFile(folder.Path("broken.ir").c_str()), 0);
    ASSERT_NE(image.temp_data, nullptr);
    EXPECT_EQ(std::vector<std::uint16_t>(image.temp_data, image.temp_data + image.temp_size / 2), board);
}

// The colour bar's markers as the colour map places them now, and as the bar shows them.
std::vector<double> MarkersOfTheColourMap()
{
    const ZelColorMap& map = theApp.m_capture.m_colorMap;
    std::vector<double> positions;
    for (std::uint16_t raw : {map.m_nDisplayHigh.load(), map.m_nDisplayLow.load(), map.m_nAlarm.load(),
                              map.m_nFrameMax.load(), map.m_nFrameMin.load()})
        positions.push_back(colour_bar::MarkerPosition(raw, map.m_nRangeLow, map.m_nRangeHigh));
    return positions;
}

std::vector<double> MarkersShown(const COGLSlider& bar)
{
    return std::vector<double>(std::begin(bar.m_dMarkerPos), std::end(bar.m_dMarkerPos));
}

TEST_F(PlaybackTest, APlayedFrameAndAnOpenedSnapshotMoveTheColourBarsMarkers)
{
    COGLSlider& bar = dlg.m_slider;
    Click(B::kSourceVideo);
    std::fill(std::begin(bar.m_dMarkerPos), std::end(bar.m_dMarkerPos), -1.0);
    ClickItem(dlg.m_listVideo, "clip_a.avi");
    ASSERT_TRUE(PlaybackEnded());
    const ZelColorMap& map = theApp.m_capture.m_colorMap;
    ASSERT_EQ(map.m_nFrameMax, kBaseA + kFramesA - 1 + 640) << "coloured up to the last frame";
    EXPECT_EQ(MarkersShown(bar), MarkersOfTheColourMap());

    Click(B::kImageList);
    std::fill(std::begin(bar.m_dMarkerPos), std::end(bar.m_dMarkerPos), -1.0);
    ClickItem(dlg.m_listImage, "board.ir");
    ASSERT_EQ(map.m_nFrameMax, thumbnail_test::Raw(60.0)) << "the snapshot coloured";
    EXPECT_EQ(MarkersShown(bar), MarkersOfTheColourMap());
}

TEST_F(PlaybackTest, APaletteChangeReloadsOnlyAListWhoseLoaderIsIdle)
{
    // The image list's loader fills the list again and waits, in its first message to the window,
    // for this thread: it is busy while the palette is picked.
    dlg.m_listImage.m_nAction = CListCtrlThumbnail::kScan;
    ASSERT_TRUE(dlg.m_listImage.ThreadWorkerStart());
    CRect picker;
    dlg.m_picker.GetClientRect(&picker);
    const POINT wheel = palette_picker::WheelCenter(2, dlg.m_picker.m_nCenterX, dlg.m_picker.m_nCenterY, dlg.m_picker.m_nRadius);
    // Handled at once, without serving the loader.
    dlg.m_picker.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(wheel.x, wheel.y));
    dlg.m_picker.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(wheel.x, wheel.y));
    EXPECT_EQ(theApp.m_capture.m_colorMap.m_nCurPalette, 2u);
    EXPECT_EQ(dlg.m_listImage.m_nAction, CListCtrlThumbnail::kScan);
    EXPECT_EQ(dlg.m_listVideo.m_nAction, CListCtrlThumbnail::kReload);
    EXPECT_TRUE(PumpUntil([&] { return !dlg.m_listImage.IsThreadWorkerRunning() && !dlg.m_listVideo.IsThreadWorkerRunning(); }));
    theApp.m_capture.m_colorMap.m_nCurPalette = 0;
}

}  // namespace
