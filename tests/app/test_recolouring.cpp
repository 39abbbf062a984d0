// What colours the shown frame again through the real main window: a new palette picked, a
// rectangle moved on a still image, a change of source. Each time the frame's colour image must be
// what the colour map now makes of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/ColorizeRaw16.h"
#include "acquisition/irfile.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/controls/ThumbnailFiles.h"
#include "view/COGLCircleColorMap.h"

using namespace app_test;

namespace {

using B = CVantrelDlg;
namespace input = platform::user::input;

constexpr int kW = thumbnail_test::kWidth;
constexpr int kH = thumbnail_test::kRows;

// A snapshot warming from 20 to 60 degrees along each row, so that every palette and every place
// of a rectangle colours it differently.
void WriteRampSnapshot(const std::string& path)
{
    IrFrame frame;
    thumbnail_test::BoardFrame(&frame, true);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) frame.temp_data[y * kW + x] = thumbnail_test::Raw(20.0 + 40.0 * x / (kW - 1));
    ASSERT_EQ(irfile_write(&frame, path.c_str()), 0);
    ircam_frame_free(&frame);
}

std::vector<std::uint8_t> ColourImage(const IrFrame& frame)
{
    CAutoLock lock(&theApp.m_capture.m_lockRecords);
    return std::vector<std::uint8_t>(frame.rgb_buf, frame.rgb_buf + static_cast<std::size_t>(kW) * kH * 3);
}

// The pixels in which two colour images differ.
long PixelsThatDiffer(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    long differ = 0;
    for (std::size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
        differ += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return differ;
}

class RecolouringTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // Wide enough for the display to show the whole image.
        SizeClient(1920, 1080);
        QuietWorkers();
        WriteRampSnapshot(folder.Path("ramp.ir"));
        dlg.OpenIrFile(folder.Path("ramp.ir").c_str());
        ASSERT_EQ(Image().temp_data[kW - 1], thumbnail_test::Raw(60.0));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        ZelColorMap& map = theApp.m_capture.m_colorMap;
        CAutoLock lock(&map.m_lock);
        map.m_nCurPalette = 0;
        map.BuildLut();
    }
    IrFrame& Image() { return theApp.m_capture.m_frameImage; }
    RenderView& View() { return dlg.m_display.m_renderer.m_pViews[0]; }
    // The colour image that the colouring of a frame gives with the colour map as it is now.
    std::vector<std::uint8_t> ColouredNow(const IrFrame& frame, const RectShapeList* rects)
    {
        CIRDataCapture& capture = theApp.m_capture;
        IrFrame copy;
        {
            CAutoLock lock(&capture.m_lockRecords);
            ircam_frame_copy(&frame, &copy);
        }
        capture.ColorizeFrame(&copy, rects);
        std::vector<std::uint8_t> image(copy.rgb_buf, copy.rgb_buf + static_cast<std::size_t>(kW) * kH * 3);
        ircam_frame_free(&copy);
        return image;
    }
    // The screen point of an image pixel of the display.
    CPoint Screen(int x, int y)
    {
        CPoint p(View().WindowX(x) + 1, View().WindowY(y) + 1);
        dlg.m_display.ClientToScreen(&p);
        return p;
    }

    // Emptied before the snapshot is written.
    const thumbnail_test::DataFolder folder;
};

TEST_F(RecolouringTest, APalettePickedColoursTheShownFrameWithIt)
{
    Click(B::kSourceImage);
    const std::vector<std::uint8_t> before = ColourImage(Image());
    const POINT wheel = palette_picker::WheelCenter(2, dlg.m_picker.m_nCenterX, dlg.m_picker.m_nCenterY, dlg.m_picker.m_nRadius);
    dlg.m_picker.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(wheel.x, wheel.y));
    dlg.m_picker.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(wheel.x, wheel.y));
    ASSERT_EQ(theApp.m_capture.m_colorMap.m_nCurPalette, 2u);
    const std::vector<std::uint8_t> expected = ColouredNow(Image(), nullptr);
    ASSERT_GT(PixelsThatDiffer(expected, before), 0) << "the palettes colour the ramp alike";
    EXPECT_EQ(PixelsThatDiffer(ColourImage(Image()), expected), 0);
    // The thumbnails are drawn again too; their loaders end before the window goes.
    EXPECT_TRUE(PumpUntil([&] { return !dlg.m_listImage.IsThreadWorkerRunning() && !dlg.m_listVideo.IsThreadWorkerRunning(); }));
}

// In ROI Check only the rectangle's pixels take the palette's colours: the still image shows where
// the rectangle is as soon as it has moved, not at the next move of the pointer.
TEST_F(RecolouringTest, ARectangleMovedOnAStillImageColoursItForItsNewPlace)
{
    Click(B::kSourceImage);
    Click(B::kModeRoi);
    ASSERT_EQ(View().rects.size(), 1u);
    const RectShape& roi = *View().rects[0];
    const std::vector<std::uint8_t> before = ColourImage(Image());
    const CPoint from = Screen(roi.x + roi.w / 2, roi.y + roi.h / 2);
    const CPoint to = Screen(roi.x + roi.w / 2 - 60, roi.y + roi.h / 2 + 20);
    input::MouseMove(from);
    input::MouseButton(from, input::Button::Left, true);
    input::MouseMove(to);
    input::MouseButton(to, input::Button::Left, false);
    Pump();
    ASSERT_EQ(roi.x, 40);
    ASSERT_EQ(roi.y, 120);
    const std::vector<std::uint8_t> expected = ColouredNow(Image(), &View().rects);
    ASSERT_GT(PixelsThatDiffer(expected, before), 0);
    EXPECT_EQ(PixelsThatDiffer(ColourImage(Image()), expected), 0);
}

TEST_F(RecolouringTest, AChangeOfSourceColoursTheNewSourcesFrame)
{
    // The opened snapshot was coloured with the first palette while the camera showed.
    const std::vector<std::uint8_t> before = ColourImage(Image());
    {
        ZelColorMap& map = theApp.m_capture.m_colorMap;
        CAutoLock lock(&map.m_lock);
        map.m_nCurPalette = 1;
        map.BuildLut();
    }
    Click(B::kSourceImage);
    ASSERT_EQ(dlg.m_display.m_pImage.load(), &Image());
    const std::vector<std::uint8_t> expected = ColouredNow(Image(), nullptr);
    ASSERT_GT(PixelsThatDiffer(expected, before), 0) << "the palettes colour the ramp alike";
    EXPECT_EQ(PixelsThatDiffer(ColourImage(Image()), expected), 0);
}

}  // namespace
