// The numbers the scene writes: a user point, the cursor and the hottest pixel read the frame pixel
// shown under them, also flipped and mirrored, with one decimal; a polygon's label gives its
// maximum, minimum and mean in that order. Each label is compared with its expected text drawn by
// the same font at the same place.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "platform/user/surface.h"
#include "tests/view/DisplayFixture.h"

namespace {

using namespace view_test;
using platform::user::Picture;

std::string OneDecimal(std::uint16_t raw)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", ZelColorMap::RawToCelsius(raw));
    return text;
}

class SceneReadouts : public DisplayFixture {
protected:
    void SetUp() override
    {
        DisplayFixture::SetUp();
        MakeFrame(&frame.frame, kW, kH);
        FillKnownFrame(&frame.frame);  // its samples are each test's own
        disp.m_pImage = &frame.frame;
        disp.m_nCursorX = kW + 10;  // no cursor readout unless a test places it
    }
    void Fill(const std::function<std::uint16_t(int x, int y)>& sample) { FillSamples(&frame.frame, sample); }
    std::uint16_t Sample(POINT frameAt) const { return frame.frame.temp_data[frameAt.y * kW + frameAt.x]; }

    Picture Painted(const std::string& png)
    {
        disp.Invalidate(FALSE);
        Picture p;
        EXPECT_TRUE(platform::user::RenderWindow(disp.GetSafeHwnd(), &p));
        platform::user::WritePictureToPng(p, OutputPath(png));
        return p;
    }
    // The frame's image with nothing over it but this text, drawn as the paint draws a label at
    // that image pixel: the point readouts in the renderer's ASCII font, the regions' labels as
    // multi-byte text of weight 200, each as the inverse of the image under it.
    Picture TextOverImage(const std::string& text, POINT at, bool ascii)
    {
        CZelRendererOpenGL& r = disp.m_renderer;
        r.UploadTexture(frame.frame.rgb_buf, kW, kH, 1, 0);
        r.BeginFrame(0x001B1000);
        r.SetViewport(0);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        r.DrawTexture(0, 0);
        glEnable(GL_COLOR_LOGIC_OP);
        glLogicOp(GL_INVERT);
        if (ascii)
            r.DrawAsciiText(text.c_str(), at.x, at.y, 0);
        else
            r.DrawMultiByteText(text.c_str(), at.x, at.y, 200, 0);
        glDisable(GL_COLOR_LOGIC_OP);
        r.EndFrame();
        ::ValidateRect(disp.GetSafeHwnd(), nullptr);
        Picture p;
        EXPECT_TRUE(platform::user::RenderWindow(disp.GetSafeHwnd(), &p));
        return p;
    }
    ::testing::AssertionResult Shows(const Picture& painted, const std::string& text, POINT at, bool ascii)
    {
        return ShowsTheSameText(painted, TextOverImage(text, at, ascii), TextOverImage("", at, ascii))
               << " for \"" << text << "\"";
    }

    FrameGuard frame;
};

// Samples rising to the right and downward, so that a pixel and its mirror images differ by
// degrees, and one hot pixel.
constexpr std::uint16_t kHottest = 23000;  // about 86 degrees
std::uint16_t Gradient(int x, int y)
{
    return x == kHotX && y == kHotY ? kHottest : static_cast<std::uint16_t>(18500 + 4 * x + 9 * y);
}

struct FlipCase {
    const char* name;
    int flip;
};

class PointReadouts : public SceneReadouts, public ::testing::WithParamInterface<FlipCase> {};

TEST_P(PointReadouts, ReadTheFramePixelShownThereWithOneDecimal)
{
    icons[3] = 1;  // hottest pixel
    icons[4] = 1;  // cursor temperature
    Fill(Gradient);
    View().flip = GetParam().flip;
    const POINT point{40, 60};
    const POINT cursor{100, 100};
    View().points = {point};
    disp.m_nCursorX = cursor.x;
    disp.m_nCursorY = cursor.y;
    const Picture painted = Painted(std::string("view_readouts_") + GetParam().name + ".png");

    const RenderView& v = View();
    EXPECT_TRUE(Shows(painted, OneDecimal(Sample(v.FlipPoint(point))), POINT{point.x + 4, point.y}, true)) << "user point";
    EXPECT_TRUE(Shows(painted, OneDecimal(Sample(v.FlipPoint(cursor))), POINT{cursor.x + 4, cursor.y}, true)) << "cursor";
    const POINT hot = v.FlipPoint(POINT{kHotX, kHotY});
    EXPECT_TRUE(Shows(painted, OneDecimal(kHottest), POINT{hot.x + 4, hot.y}, true)) << "hottest pixel";
}

INSTANTIATE_TEST_SUITE_P(View, PointReadouts,
                         ::testing::Values(FlipCase{"Upright", 0}, FlipCase{"Mirrored", 1}, FlipCase{"Flipped", 2},
                                           FlipCase{"FlippedAndMirrored", 3}),
                         [](const ::testing::TestParamInfo<FlipCase>& i) { return std::string(i.param.name); });

TEST_F(SceneReadouts, PolygonLabelGivesItsMaximumMinimumAndMean)
{
    // A plain region with one hot and one cold pixel as far from the plain value: the mean is the
    // plain value.
    constexpr std::uint16_t kPlain = 19000, kWarm = 21000, kCold = 17000;
    Fill([](int x, int y) { return x == 100 && y == 120 ? kWarm : x == 120 && y == 140 ? kCold : kPlain; });
    auto* poly = new PolygonShape;
    poly->m_points = {{60, 80}, {140, 110}, {150, 170}, {70, 160}};
    poly->UpdateMask();
    View().polygons.push_back(poly);
    const Picture painted = Painted("view_readouts_polygon.png");
    char label[96];
    std::snprintf(label, sizeof label, "#1(%s/%s/%s)", OneDecimal(kWarm).c_str(), OneDecimal(kCold).c_str(),
                  OneDecimal(kPlain).c_str());
    EXPECT_TRUE(Shows(painted, label, POINT{60 + 3, 80 - 3}, false));
}

}  // namespace
