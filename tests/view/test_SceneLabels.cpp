// The scene's labels: the paint leaves exactly the picture of a paint that draws every label where
// it belongs among the shapes and every character through a list filled for it, as the renderer's
// text was first drawn; and repeated paints make no display lists.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/user/surface.h"
#include "platform/wgl/wgl.h"
#include "tests/view/DisplayFixture.h"
#include "view/CompareTwin.h"

namespace {

using namespace view_test;
using platform::user::Picture;

// Multi-byte text drawn step by step as the renderer first drew it: the font selected into the DC,
// one temporary list, each character's glyph filled into it and called.
void DrawTextThroughLists(const RenderView& v, const char* text, int x, int y, int weight)
{
    const int count = platform::text::CountCharacters(text);
    HFONT font = CreateFontA(23, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 6, 0x20, "微软雅黑");
    DeleteObject(SelectObject(wglGetCurrentDC(), font));
    const GLuint list = glGenLists(1);
    std::vector<WCHAR> wide(static_cast<std::size_t>(count) + 1, 0);
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide.data(), count + 1);
    glRasterPos2f(static_cast<float>(2.0 * (x - v.source.x) / v.source.w - 1.0),
                  static_cast<float>(1.0 - 2.0 * (y - v.source.y) / v.source.h));
    for (int i = 0; i < count; ++i) {
        wglUseFontBitmapsW(wglGetCurrentDC(), static_cast<DWORD>(wide[static_cast<std::size_t>(i)]), 1, list);
        glCallList(list);
    }
    glDeleteLists(list, 1);
}

double Celsius(double raw) { return ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(raw)); }

class SceneLabels : public DisplayFixture {
protected:
    void SetUp() override
    {
        DisplayFixture::SetUp();
        MakeFrame(&frame.frame, kW, kH);
        FillSamples(&frame.frame, [](int x, int y) { return static_cast<std::uint16_t>(kBase + (x * 7 + y * 13) % 900); });
        for (int i = 0; i < kW * kH; ++i) {  // a gradient, so that the overlay shows
            frame.frame.rgb_buf[3 * i] = static_cast<std::uint8_t>(i % kW);
            frame.frame.rgb_buf[3 * i + 1] = static_cast<std::uint8_t>(i / kW);
            frame.frame.rgb_buf[3 * i + 2] = 90;
        }
        disp.m_pImage = &frame.frame;
        disp.m_nCursorX = kW + 10;  // no cursor readout, no hottest pixel: rectangles only
        theApp.m_capture.m_colorMap.m_nAlarm = kBase + 600;  // some regions over it, some not
    }

    Picture Painted()
    {
        disp.Invalidate(FALSE);
        Picture p;
        EXPECT_TRUE(platform::user::RenderWindow(disp.GetSafeHwnd(), &p));
        return p;
    }

    // The rectangles' part of the scene in the order the paint takes it shape by shape, each label
    // drawn at once after its shape's outline and marker.
    Picture PaintedLabelByLabel()
    {
        CZelRendererOpenGL& r = disp.m_renderer;
        const RenderView& v = View();
        const SampleBlock block{frame.frame.temp_data, kW, kH};
        const double threshold = Celsius(theApp.m_capture.m_colorMap.m_nAlarm);
        r.UploadTexture(frame.frame.rgb_buf, kW, kH, 1, 0);
        r.BeginFrame(0x001B1000);
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, 0x3F3F);
        r.SetViewport(0);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        r.DrawTexture(0, 0);
        if (disp.m_nDisplayMode == 2)
            r.DrawLine(kW / 2, 0, kW / 2, kH, 0);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_COLOR_LOGIC_OP);
        glLogicOp(GL_INVERT);
        char label[96];
        for (std::size_t i = 0; i < v.rects.size(); ++i) {
            for (int j = 0; j < (disp.m_nDisplayMode == 2 ? 2 : 1); ++j) {
                const RectShape c = j == 1 ? CompareTwin(v, *v.rects[i]) : *v.rects[i];
                r.DrawRect(c.x, c.y, c.w, c.h, 0);
                RoiStats s;
                CStaticDisplay::CalcRectStats(block, &v, &c, &s);
                if (Celsius(s.max) > threshold) {
                    r.DrawLine(c.x + 1, c.y + 3, c.x + 1, c.y + c.h - 3, 0);
                    r.DrawLine(c.x + c.w - 1, c.y + 3, c.x + c.w - 1, c.y + c.h - 3, 0);
                }
                const POINT m = v.FlipPoint(POINT{s.x, s.y});
                r.DrawCircle(static_cast<float>(m.x), static_cast<float>(m.y), 1.0f, 100, 0);
                r.DrawCross(m.x, m.y, 2, 0);
                std::snprintf(label, sizeof label, "%.1f /%.1f /%.1f", Celsius(s.max), Celsius(s.min), Celsius(s.mean));
                DrawTextThroughLists(v, label, c.x, c.y - 1, 200);
                std::snprintf(label, sizeof label, "#%d%d", static_cast<int>(i) + 1, j);
                DrawTextThroughLists(v, label, c.x + c.w + 1, c.y + 1, 200);
            }
        }
        glDisable(GL_COLOR_LOGIC_OP);
        glDisable(GL_LINE_STIPPLE);
        r.EndFrame();
        Picture p;
        ::ValidateRect(disp.GetSafeHwnd(), nullptr);
        EXPECT_TRUE(platform::user::RenderWindow(disp.GetSafeHwnd(), &p));
        return p;
    }

    FrameGuard frame;
};

struct LabelScene {
    const char* name;
    int rects;
    int spacing;  // image pixels between rectangles: small ones make labels cross shapes and labels
    int displayMode;
    int flip;
};

class SameLabels : public SceneLabels, public ::testing::WithParamInterface<LabelScene> {};

TEST_P(SameLabels, AsWhenEachLabelIsDrawnInPlace)
{
    const LabelScene& c = GetParam();
    disp.m_nDisplayMode = c.displayMode;
    View().flip = c.flip;
    for (int i = 0; i < c.rects; ++i)
        View().rects.push_back(new RectShape{4 + (i % 8) * c.spacing, 6 + (i / 8) * c.spacing, 20, 12});
    const Picture painted = Painted();
    const Picture reference = PaintedLabelByLabel();
    platform::user::WritePictureToPng(painted, OutputPath(std::string("view_labels_") + c.name + ".png"));
    ASSERT_EQ(painted.width, reference.width);
    int differ = 0;
    for (std::size_t i = 0; i < painted.pixels.size(); ++i)
        differ += painted.pixels[i] != reference.pixels[i];
    EXPECT_EQ(differ, 0);
}

const LabelScene kLabelScenes[] = {
    {"OneRectangle", 1, 30, 0, 0},
    {"CrowdedRectangles", 40, 14, 0, 0},
    {"CompareModeTwins", 6, 16, 2, 0},
    {"FlippedView", 12, 22, 0, 3},
};

INSTANTIATE_TEST_SUITE_P(View, SameLabels, ::testing::ValuesIn(kLabelScenes),
                         [](const ::testing::TestParamInfo<LabelScene>& i) { return std::string(i.param.name); });

TEST_F(SceneLabels, RepeatedPaintsMakeNoDisplayLists)
{
    for (int i = 0; i < 30; ++i)
        View().rects.push_back(new RectShape{4 + (i % 8) * 30, 6 + (i / 8) * 30, 20, 12});
    auto lists = [this] {
        EXPECT_TRUE(wglMakeCurrent(disp.m_renderer.m_hDC, disp.m_renderer.m_hRC));
        int n = 0;
        for (GLuint name = 1; name <= 4096; ++name)
            n += glIsList(name) ? 1 : 0;
        wglMakeCurrent(nullptr, nullptr);
        return n;
    };
    disp.DrawScene();
    const int first = lists();
    EXPECT_EQ(first, 128) << "only the renderer's ASCII lists";
    for (int i = 0; i < 20; ++i)
        disp.DrawScene();
    EXPECT_EQ(lists(), first);
}

}  // namespace
