// The renderer's stamps: markers, outlines and lines drawn as stamps give, frame after frame, the
// pixels that drawing their circles, crosses and lines gives, whether they cross each other, reach
// past the window's edge, or are drawn with another line pattern than the last time; and outside
// an inverting operation they draw at once.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/view/ViewTestSupport.h"
#include "view/COGLStatic.h"

namespace {

using namespace view_test;

constexpr int kWidth = 128;
constexpr int kHeight = 96;

enum class Kind { Marker, Outline, Line };

// A marker (radius, 100 segments, cross), an outline (w x h) or a line (to x + w, y + h), in image
// pixels of a 32 x 24 image shown four window pixels a pixel.
struct Shape {
    Kind kind;
    int x, y;
    float radius;
    int cross;
    int w, h;
};

struct StampCase {
    const char* name;
    std::vector<Shape> shapes;
    bool inverting;
    std::vector<GLushort> patterns;  // the line pattern of each frame in turn
};

// An OpenGL control with one view, its renderer initialised on its window.
struct Pane {
    HostWnd host;
    COGLStatic control;

    Pane()
    {
        control.m_renderer.AllocateViews(1);
        EXPECT_TRUE(host.CreateTop(kWidth, kHeight));
        EXPECT_TRUE(control.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, kWidth, kHeight), &host, 100));
        RenderView& v = control.m_renderer.m_pViews[0];
        v.target = ViewRect{0, 0, kWidth, kHeight};
        v.imageWidth = kWidth / 4;
        v.imageHeight = kHeight / 4;
        control.m_renderer.ZoomAt(0, 0, 4.0f, 0);
    }
    ~Pane()
    {
        control.DestroyWindow();
        host.DestroyWindow();
    }
};

class Stamps : public ::testing::TestWithParam<StampCase> {
protected:
    // One frame as the scene draws its overlay: stripes, then the shapes with dashed lines, as
    // stamps or drawn; the framebuffer's pixels before the frame ends.
    std::vector<std::uint8_t> Frame(bool stamped, GLushort pattern, const std::vector<Shape>& shapes)
    {
        CZelRendererOpenGL& r = pane.control.m_renderer;
        r.BeginFrame(0x00604020);
        r.SetViewport(0);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (int x = 0; x < kWidth / 4; x += 3) {
            r.SetColor(static_cast<std::uint8_t>(40 + 6 * x), 180, 90);
            r.FillRect(x, 0, 2, kHeight / 4, 0);
        }
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, pattern);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        if (GetParam().inverting) {
            glEnable(GL_COLOR_LOGIC_OP);
            glLogicOp(GL_INVERT);
        }
        for (const Shape& s : shapes) {
            if (s.kind == Kind::Marker && stamped)
                r.StampMarker(s.x, s.y, s.radius, 100, s.cross, 0);
            if (s.kind == Kind::Marker && !stamped) {
                r.DrawCircle(static_cast<float>(s.x), static_cast<float>(s.y), s.radius, 100, 0);
                r.DrawCross(s.x, s.y, s.cross, 0);
            }
            if (s.kind == Kind::Outline && stamped)
                r.StampRect(s.x, s.y, s.w, s.h, 0);
            if (s.kind == Kind::Outline && !stamped)
                r.DrawRect(s.x, s.y, s.w, s.h, 0);
            if (s.kind == Kind::Line && stamped)
                r.StampLine(s.x, s.y, s.x + s.w, s.y + s.h, 0);
            if (s.kind == Kind::Line && !stamped)
                r.DrawLine(s.x, s.y, s.x + s.w, s.y + s.h, 0);
        }
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

    Pane pane;
};

TEST_P(Stamps, DrawWhatTheirLinesDrawFrameAfterFrame)
{
    const std::vector<Shape>& shapes = GetParam().shapes;
    const std::vector<GLushort>& patterns = GetParam().patterns;
    EXPECT_NE(Frame(false, patterns.front(), shapes), Frame(false, patterns.front(), {})) << "the shapes drew nothing";
    for (std::size_t frame = 0; frame < patterns.size(); ++frame) {
        const std::vector<std::uint8_t> lines = Frame(false, patterns[frame], shapes);
        EXPECT_EQ(Frame(true, patterns[frame], shapes), lines) << "frame " << frame;
    }
}

constexpr Kind M = Kind::Marker, O = Kind::Outline, L = Kind::Line;
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

}  // namespace
