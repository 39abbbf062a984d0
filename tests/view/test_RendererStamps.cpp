// The renderer's stamps: markers, outlines and lines drawn as stamps give, frame after frame, the
// pixels that drawing their circles, crosses and lines gives, whether they cross each other, reach
// past the window's or the viewport's edge, move from frame to frame, are shown at any zoom and
// pan, or are drawn with another line pattern than the last time; and outside an inverting
// operation they draw at once.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/user/surface.h"
#include "tests/view/DisplayFixture.h"
#include "view/COGLStatic.h"

namespace {

using namespace view_test;
using platform::user::Picture;

constexpr int kWidth = 128;
constexpr int kHeight = 96;

enum class Kind { Marker, Outline, Line };

// A marker (radius, 100 segments, cross), an outline (w x h) or a line (to x + w, y + h), in image
// pixels.
struct Shape {
    Kind kind;
    int x, y;
    float radius;
    int cross;
    int w, h;
};

// How the view shows its image: the image's size, the zoom, and a pan in window pixels after it.
struct ViewSetup {
    int imageWidth, imageHeight;
    float zoom;
    int panX, panY;
};

// An OpenGL control with one view on the whole of it, its renderer initialised on its window.
struct Pane {
    HostWnd host;
    COGLStatic control;
    ViewSetup setup;

    explicit Pane(const ViewSetup& s) : setup(s)
    {
        control.m_renderer.AllocateViews(1);
        EXPECT_TRUE(host.CreateTop(kWidth, kHeight));
        EXPECT_TRUE(control.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, kWidth, kHeight), &host, 100));
        RenderView& v = control.m_renderer.m_pViews[0];
        v.target = ViewRect{0, 0, kWidth, kHeight};
        v.imageWidth = static_cast<std::uint32_t>(s.imageWidth);
        v.imageHeight = static_cast<std::uint32_t>(s.imageHeight);
        control.m_renderer.ZoomAt(0, 0, s.zoom, 0);
        control.m_renderer.Pan(s.panX, s.panY, 0);
    }
    ~Pane()
    {
        control.DestroyWindow();
        host.DestroyWindow();
    }

    // One frame as the scene draws its overlay: stripes over the image, then the shapes with
    // dashed lines, as stamps or drawn, under an inverting logic operation where asked; the
    // framebuffer's pixels before the frame ends.
    std::vector<std::uint8_t> Frame(bool stamped, bool inverting, GLushort pattern, const std::vector<Shape>& shapes)
    {
        CZelRendererOpenGL& r = control.m_renderer;
        r.BeginFrame(0x00604020);
        r.SetViewport(0);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (int x = 0; x < setup.imageWidth; x += 3) {
            r.SetColor(static_cast<std::uint8_t>(40 + 6 * x), 180, 90);
            r.FillRect(x, 0, 2, static_cast<std::uint32_t>(setup.imageHeight), 0);
        }
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, pattern);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        if (inverting) {
            glEnable(GL_COLOR_LOGIC_OP);
            glLogicOp(GL_INVERT);
        }
        for (const Shape& s : shapes)
            stamped ? Stamp(s) : Draw(s);
        if (stamped)
            r.DrawStamps();
        glDisable(GL_COLOR_LOGIC_OP);
        glDisable(GL_LINE_STIPPLE);
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        r.EndFrame();
        return pixels;
    }

    void Stamp(const Shape& s)
    {
        CZelRendererOpenGL& r = control.m_renderer;
        if (s.kind == Kind::Marker) r.StampMarker(s.x, s.y, s.radius, 100, s.cross, 0);
        if (s.kind == Kind::Outline) r.StampRect(s.x, s.y, s.w, s.h, 0);
        if (s.kind == Kind::Line) r.StampLine(s.x, s.y, s.x + s.w, s.y + s.h, 0);
    }

    void Draw(const Shape& s)
    {
        CZelRendererOpenGL& r = control.m_renderer;
        if (s.kind == Kind::Marker) {
            r.DrawCircle(static_cast<float>(s.x), static_cast<float>(s.y), s.radius, 100, 0);
            r.DrawCross(s.x, s.y, s.cross, 0);
        }
        if (s.kind == Kind::Outline) r.DrawRect(s.x, s.y, s.w, s.h, 0);
        if (s.kind == Kind::Line) r.DrawLine(s.x, s.y, s.x + s.w, s.y + s.h, 0);
    }
};

// Where two frames' pixels differ (y up), or nothing when they are the same.
std::string Differences(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    std::string places;
    int count = 0;
    for (std::size_t i = 0; i < a.size(); i += 4) {
        if (std::equal(&a[i], &a[i] + 4, &b[i])) continue;
        const int pixel = static_cast<int>(i / 4);
        if (++count <= 8) places += " (" + std::to_string(pixel % kWidth) + ", " + std::to_string(pixel / kWidth) + ")";
    }
    return count == 0 ? "" : std::to_string(count) + " pixels, at" + places;
}

constexpr Kind M = Kind::Marker, O = Kind::Outline, L = Kind::Line;

// Shapes that stay where they are, frame after frame, each frame with its line pattern; on a 32 x
// 24 image shown four window pixels a pixel.
struct StampCase {
    const char* name;
    std::vector<Shape> shapes;
    bool inverting;
    std::vector<GLushort> patterns;
};

void PrintTo(const StampCase& c, std::ostream* os) { *os << c.name; }

class Stamps : public ::testing::TestWithParam<StampCase> {
protected:
    Pane pane{ViewSetup{kWidth / 4, kHeight / 4, 4.0f, 0, 0}};
};

TEST_P(Stamps, DrawWhatTheirLinesDrawFrameAfterFrame)
{
    const StampCase& c = GetParam();
    EXPECT_NE(pane.Frame(false, c.inverting, c.patterns.front(), c.shapes), pane.Frame(false, c.inverting, c.patterns.front(), {}))
        << "the shapes drew nothing";
    for (std::size_t frame = 0; frame < c.patterns.size(); ++frame) {
        const std::vector<std::uint8_t> lines = pane.Frame(false, c.inverting, c.patterns[frame], c.shapes);
        EXPECT_EQ(Differences(pane.Frame(true, c.inverting, c.patterns[frame], c.shapes), lines), "") << "frame " << frame;
    }
}

// Markers of radius 1 and 2 with crosses of 2 and 3, outlines from corner to corner either way, an
// upright and a slanting line.
const std::vector<Shape> kApart = {{M, 6, 6, 1.0f, 2, 0, 0}, {M, 20, 8, 2.0f, 3, 0, 0}, {O, 3, 12, 0, 0, 10, 7},
                                   {O, 28, 21, 0, 0, -9, -6}, {L, 16, 14, 0, 0, 0, 8}, {L, 4, 22, 0, 0, 9, -3}};
// A marker inside an outline, two markers crossing, an outline over a marker's cross, a line
// through an outline.
const std::vector<Shape> kCrossing = {{O, 4, 4, 0, 0, 14, 10}, {M, 9, 8, 1.0f, 2, 0, 0}, {M, 22, 12, 1.0f, 2, 0, 0},
                                      {M, 23, 13, 2.0f, 3, 0, 0}, {O, 21, 9, 0, 0, 5, 5},  {L, 5, 7, 0, 0, 0, 4}};
// Past the left, top, right and bottom edges.
const std::vector<Shape> kPastTheEdges = {{M, 0, 10, 2.0f, 3, 0, 0}, {M, 15, 0, 1.0f, 2, 0, 0}, {O, 25, 5, 0, 0, 8, 6},
                                          {O, 10, 20, 0, 0, 6, 5},   {L, 30, 2, 0, 0, 5, 0}};

INSTANTIATE_TEST_SUITE_P(Scenes, Stamps,
                         ::testing::Values(StampCase{"Apart", kApart, true, {0x3F3F, 0x3F3F, 0x3F3F}},
                                           StampCase{"Crossing", kCrossing, true, {0x3F3F, 0x3F3F, 0x3F3F, 0x3F3F}},
                                           StampCase{"PastTheEdges", kPastTheEdges, true, {0x3F3F, 0x3F3F, 0x3F3F}},
                                           StampCase{"AnotherPattern", kCrossing, true, {0x3F3F, 0x3F3F, 0xF0F0, 0x3F3F}},
                                           StampCase{"Writing", kCrossing, false, {0x3F3F, 0x3F3F}}),
                         [](const ::testing::TestParamInfo<StampCase>& info) { return info.param.name; });

// Shapes that move: a lattice of them, one of each motif in every cell, moved by one image pixel
// from frame to frame until each motif has met every image pixel, and then again, at zooms whole
// and fractional, panned and with the image in the middle of the window.
struct MovingCase {
    const char* name;
    ViewSetup view;
};

void PrintTo(const MovingCase& c, std::ostream* os) { *os << c.name; }

constexpr int kCell = 6;
const Shape kMotifs[] = {{M, 0, 0, 1.0f, 2, 0, 0}, {M, 3, 4, 2.0f, 3, 0, 0}, {O, 1, 2, 0, 0, 4, 3},
                         {O, 5, 5, 0, 0, -3, -4}, {L, 4, 0, 0, 0, 0, 4}};

std::vector<Shape> Lattice(const ViewSetup& view, int dx, int dy)
{
    std::vector<Shape> shapes;
    for (int y = dy - kCell; y < view.imageHeight + kCell; y += kCell)
        for (int x = dx - kCell; x < view.imageWidth + kCell; x += kCell)
            for (Shape s : kMotifs) {
                s.x += x;
                s.y += y;
                shapes.push_back(s);
            }
    return shapes;
}

class MovingStamps : public ::testing::TestWithParam<MovingCase> {};

TEST_P(MovingStamps, DrawWhatTheirLinesDrawWhereverTheyGo)
{
    const ViewSetup& view = GetParam().view;
    Pane pane(view);
    for (int frame = 0; frame < 2 * kCell * kCell; ++frame) {
        const std::vector<Shape> shapes = Lattice(view, frame % kCell, frame / kCell % kCell);
        const std::vector<std::uint8_t> lines = pane.Frame(false, true, 0x3F3F, shapes);
        ASSERT_EQ(Differences(pane.Frame(true, true, 0x3F3F, shapes), lines), "") << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Views, MovingStamps,
    ::testing::Values(MovingCase{"FourTimes", {32, 24, 4.0f, 0, 0}}, MovingCase{"Once", {128, 96, 1.0f, 0, 0}},
                      MovingCase{"TwiceInTheMiddle", {40, 30, 2.0f, 0, 0}},        // viewport 80 x 60 at (24, 18)
                      MovingCase{"ThreeTimesInTheMiddle", {32, 24, 3.0f, 0, 0}},   // 96 x 72 at (16, 12)
                      MovingCase{"EightTimesPannedByPartsOfPixels", {32, 24, 8.0f, 13, 21}},  // shows 16 x 12 from (1, 2)
                      MovingCase{"TwoAndAHalfTimes", {32, 24, 2.5f, 0, 0}},                   // 80 x 60 at (24, 18)
                      MovingCase{"SixTimesPanned", {32, 24, 6.0f, 7, 5}}),  // 21 x 16 from (1, 0) on 128 x 96
    [](const ::testing::TestParamInfo<MovingCase>& info) { return info.param.name; });

// A circle draws the same pixels whatever the driver was given before it in the frame: lines and
// markers in any number (each drawn twice, so that they leave no pixels of their own).
TEST(Circle, DrawsTheSamePixelsWhateverCameBeforeIt)
{
    Pane pane(ViewSetup{kWidth / 4, kHeight / 4, 4.0f, 0, 0});
    const Shape marker{M, 12, 10, 2.0f, 3, 0, 0};
    const std::vector<std::uint8_t> alone = pane.Frame(false, true, 0x3F3F, {marker});
    for (int before = 0; before < 210; ++before) {
        std::vector<Shape> shapes(2 * static_cast<std::size_t>(before % 7), Shape{L, 3, 3, 0, 0, 5, 2});
        shapes.insert(shapes.end(), 2 * static_cast<std::size_t>(before / 7), Shape{M, 5, 5, 1.0f, 2, 0, 0});
        shapes.push_back(marker);
        ASSERT_EQ(Differences(pane.Frame(false, true, 0x3F3F, shapes), alone), "") << before << " before it";
    }
}

// The thermal display, frame after frame as the hot spots in its regions move, shows what a
// display that has never drawn shows (it draws every outline and marker line by line), flipped,
// mirrored, and at a fractional zoom.
struct SceneCase {
    const char* name;
    float zoom;
    int flip;
};

void PrintTo(const SceneCase& c, std::ostream* os) { *os << c.name; }

// A display showing a frame in a host window of its own, with regions near the image's edges and
// inside it, the hottest pixel's marker on.
struct ShownDisplay {
    HostWnd host;
    CStaticDisplay disp;
    int icons[5] = {0, 0, 0, 1, 0};

    ShownDisplay(const SceneCase& c, IrFrame* frame)
    {
        EXPECT_TRUE(host.CreateTop(2 * kW, 2 * kH));
        EXPECT_TRUE(disp.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 2 * kW, 2 * kH), &host, 4000));
        disp.m_renderer.ZoomAt(0, 0, c.zoom, 0);
        disp.m_pIconFlags = icons;
        disp.m_pImage = frame;
        disp.m_nCursorX = 250;
        disp.m_nCursorY = 5;
        RenderView& v = disp.m_renderer.m_pViews[0];
        v.flip = c.flip;
        for (const RectShape& r : {RectShape{20, 40, 100, 30}, RectShape{150, 20, 60, 50}, RectShape{0, 100, 40, 40},
                                   RectShape{200, 150, 56, 42}, RectShape{90, 120, 30, 20}})
            v.rects.push_back(new RectShape(r));
        auto* polygon = new PolygonShape;
        polygon->m_points = {{130, 90}, {180, 95}, {170, 140}, {125, 130}};
        polygon->UpdateMask();
        v.polygons.push_back(polygon);
    }
    ~ShownDisplay()
    {
        disp.DestroyWindow();
        host.DestroyWindow();
    }
    Picture Shot()
    {
        disp.Invalidate(FALSE);
        Picture p;
        EXPECT_TRUE(platform::user::RenderWindow(disp.GetSafeHwnd(), &p));
        return p;
    }
};

class StampedScene : public ::testing::TestWithParam<SceneCase> {
protected:
    void SetUp() override
    {
        MakeFrame(&frame.frame, kW, kH);
        FillKnownFrame(&frame.frame);
        theApp.m_nAlarmCountdown = -1;
        threshold = theApp.m_capture.m_colorMap.m_nAlarm;
        theApp.m_capture.m_colorMap.m_nAlarm = kBase + 500;  // the regions with a hot spot show their side lines
    }
    void TearDown() override { theApp.m_capture.m_colorMap.m_nAlarm = threshold; }

    FrameGuard frame;
    std::uint16_t threshold = 0;
};

TEST_P(StampedScene, ShowsWhatADisplayThatNeverDrewShows)
{
    ShownDisplay shown(GetParam(), &frame.frame);
    for (int f = 0; f < 8; ++f) {
        // Hot spots moving through most regions (where they show), the rest even or nearly so.
        const int flip = GetParam().flip;
        FillSamples(&frame.frame, [f, flip](int x, int y) {
            const POINT p{flip & 1 ? kW - 1 - x : x, flip & 2 ? kH - 1 - y : y};
            const bool hot = (p.x == 25 + 9 * f && p.y == 45 + 3 * f) || (p.x == 155 + 5 * f && p.y == 60 - 4 * f) ||
                             (p.x == 1 + 4 * f && p.y == 101 + 5 * f) || (p.x == 255 - f && p.y == 191 - 2 * f) ||
                             (p.x == 140 + 3 * f && p.y == 100 + 4 * f);
            return hot ? kHot : static_cast<std::uint16_t>(kBase + (x + y) % 7 * (f % 2));
        });
        const Picture stamped = shown.Shot();
        ShownDisplay fresh(GetParam(), &frame.frame);
        const Picture drawn = fresh.Shot();
        ASSERT_EQ(stamped.pixels.size(), drawn.pixels.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < drawn.pixels.size(); ++i)
            differing += stamped.pixels[i] != drawn.pixels[i];
        ASSERT_EQ(differing, 0u) << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Views, StampedScene,
                         ::testing::Values(SceneCase{"Upright", 2.0f, 0}, SceneCase{"Mirrored", 2.0f, 1},
                                           SceneCase{"Flipped", 2.0f, 2}, SceneCase{"FlippedAndMirrored", 2.0f, 3},
                                           SceneCase{"FlippedAndMirroredAtOneAndAHalf", 1.5f, 3}),
                         [](const ::testing::TestParamInfo<SceneCase>& info) { return info.param.name; });

}  // namespace
