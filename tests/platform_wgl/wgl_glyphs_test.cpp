// Text drawn straight from the stored glyphs: the same pixels and the same raster position as
// characters drawn through lists filled by wglUseFontBitmapsW, whatever the drawing state and
// wherever texts cross, and nothing kept growing when the same text is drawn again and again.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <array>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/wgl/wgl.h"
#include "tests/platform_wgl/GlTestSupport.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 120;

// How the text's pixels meet the picture: written, inverted (as the thermal scene's labels are),
// or blended at half strength.
enum class Mode { Write, Invert, Blend };

struct TextCase {
    const char* face;
    int height;
    int weight;
    const char* text;  // UTF-8
    Mode mode;
};

std::u32string Wide(const char* text)
{
    std::vector<WCHAR> wide(std::string(text).size() + 1);
    int n = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide.data(), static_cast<int>(wide.size())) - 1;
    return std::u32string(wide.begin(), wide.begin() + n);
}

// Where a text starts, in window pixels (the tests draw through an orthographic projection of the
// window).
struct Origin {
    float x, y;
};

// What one way of drawing texts left in the framebuffer, and where it left the raster position.
struct Drawn {
    std::vector<std::uint8_t> pixels;
    std::array<GLfloat, 4> rasterPosition{};
};

class StoredGlyphs : public gl_test::GlChildFixture, public ::testing::WithParamInterface<TextCase> {
protected:
    void SetUp() override
    {
        MakeWindows(kWidth + 20, kHeight + 20, RECT{10, 10, 10 + kWidth, 10 + kHeight});
        ASSERT_TRUE(wglMakeCurrent(dc, context));
        const TextCase& c = GetParam();
        font = CreateFontA(c.height, 0, 0, 0, c.weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 6, 0x20, c.face);
        old = SelectObject(wglGetCurrentDC(), font);
    }
    void TearDown() override
    {
        SelectObject(wglGetCurrentDC(), old);
        DeleteObject(font);
        GlChildFixture::TearDown();
    }
    // A background of stripes and a line through the texts' place, then the texts.
    template <class DrawTexts>
    Drawn Draw(DrawTexts drawTexts)
    {
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kWidth, 0, kHeight, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0.1f, 0.2f, 0.7f, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        for (int x = 0; x < kWidth; x += 16) {
            glColor3ub(200, 60, static_cast<GLubyte>(x));
            glRecti(x, 0, x + 8, kHeight);
        }
        if (GetParam().mode == Mode::Invert) {
            glEnable(GL_COLOR_LOGIC_OP);
            glLogicOp(GL_INVERT);
        }
        if (GetParam().mode == Mode::Blend) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glBegin(GL_LINES);
        glVertex2i(0, 55), glVertex2i(kWidth, 55);
        glEnd();
        glColor4ub(255, 255, 255, 128);
        drawTexts();
        glDisable(GL_COLOR_LOGIC_OP);
        glDisable(GL_BLEND);
        Drawn d;
        glGetFloatv(GL_CURRENT_RASTER_POSITION, d.rasterPosition.data());
        d.pixels.resize(static_cast<std::size_t>(kWidth) * kHeight * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, d.pixels.data());
        return d;
    }
    // The text from each origin in turn, its characters one by one through a list filled for each.
    Drawn DrawThroughLists(const std::u32string& text, const std::vector<Origin>& origins)
    {
        GLuint list = glGenLists(1);
        Drawn d = Draw([&] {
            for (const Origin& o : origins) {
                glRasterPos2f(o.x, o.y);
                for (char32_t c : text) {
                    EXPECT_TRUE(wglUseFontBitmapsW(wglGetCurrentDC(), c, 1, list));
                    glCallList(list);
                }
            }
        });
        glDeleteLists(list, 1);
        return d;
    }
    // The text from every origin, as runs of one call, or of one call each.
    Drawn DrawStored(const std::u32string& text, const std::vector<Origin>& origins, bool oneCall = true)
    {
        const std::vector<WCHAR> units(text.begin(), text.end());
        std::vector<platform::wgl::GlyphRun> runs;
        for (const Origin& o : origins) runs.push_back(platform::wgl::GlyphRun{o.x, o.y, units.data(), static_cast<int>(units.size())});
        return Draw([&] {
            if (oneCall) {
                EXPECT_TRUE(platform::wgl::DrawGlyphRuns(wglGetCurrentDC(), runs.data(), static_cast<int>(runs.size())));
                return;
            }
            for (const platform::wgl::GlyphRun& r : runs) EXPECT_TRUE(platform::wgl::DrawGlyphRuns(wglGetCurrentDC(), &r, 1));
        });
    }

    HFONT font = nullptr;
    HGDIOBJ old = nullptr;
};

int LitPixels(const Drawn& a, const Drawn& b)
{
    int differ = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 4)
        differ += a.pixels[i] != b.pixels[i] || a.pixels[i + 1] != b.pixels[i + 1] || a.pixels[i + 2] != b.pixels[i + 2];
    return differ;
}

// One text; texts that cross (the second one a few pixels right and up); three in a heap; and
// texts that start just below and just above whole pixels, where the driver's rounding decides,
// also closer below than its allowance.
const std::vector<std::vector<Origin>> kOrigins = {
    {{12, 50}},
    {{12, 50}, {17, 53}},
    {{12, 50}, {17, 53}, {14, 47}},
    {{30.9996f, 49.9997f}, {36.0003f, 52.0002f}, {12, 50}},
    {{40.99997f, 50.99996f}},
};

TEST_P(StoredGlyphs, DrawWhatListsOfTheSameCharactersDraw)
{
    const std::u32string text = Wide(GetParam().text);
    for (std::size_t i = 0; i < kOrigins.size(); ++i) {
        const Drawn lists = DrawThroughLists(text, kOrigins[i]);
        for (bool oneCall : {true, false}) {
            const Drawn stored = DrawStored(text, kOrigins[i], oneCall);
            EXPECT_EQ(stored.pixels, lists.pixels) << "origins " << i << (oneCall ? ", one call" : ", a call each");
            EXPECT_EQ(stored.rasterPosition, lists.rasterPosition) << "origins " << i;
        }
    }
    EXPECT_GT(LitPixels(DrawStored(text, kOrigins[0]), DrawStored(U"", kOrigins[0])), 20) << "the text drew nothing";
}

TEST_P(StoredGlyphs, LeaveTheUnpackingStateAsTheyFoundIt)
{
    // Unpacking state another user of the context left behind: the glyphs do not depend on it.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 33);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 2);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 5);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
    const std::u32string text = Wide(GetParam().text);
    const Drawn stored = DrawStored(text, kOrigins[1]);
    const std::array<GLenum, 5> names = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS,
                                         GL_UNPACK_LSB_FIRST};
    const std::array<GLint, 5> want = {8, 33, 2, 5, GL_TRUE};
    for (std::size_t i = 0; i < names.size(); ++i) {
        GLint value = -1;
        glGetIntegerv(names[i], &value);
        EXPECT_EQ(value, want[i]) << "unpacking parameter " << i;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    EXPECT_EQ(stored.pixels, DrawThroughLists(text, kOrigins[1]).pixels);
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredGlyphs,
                         ::testing::Values(TextCase{"微软雅黑", 23, 200, "31.5 /24.0 /26.8", Mode::Invert},
                                           TextCase{"微软雅黑", 23, 200, "#10", Mode::Write},
                                           TextCase{"微软雅黑", 23, 700, "#2(55.1/23.7/30.2)", Mode::Invert},
                                           TextCase{"微软雅黑", 23, 200, "漏电 速查", Mode::Blend},
                                           TextCase{"Times New Roman", 18, 700, "25.3 C", Mode::Invert},
                                           TextCase{"Times New Roman", 18, 700, "fjf//VA", Mode::Blend}));

// Names of the context that are display lists, among the first few thousand.
int ListCount()
{
    int n = 0;
    for (GLuint name = 1; name <= 4096; ++name) n += glIsList(name) ? 1 : 0;
    return n;
}

class RepeatedText : public gl_test::GlChildFixture {
protected:
    void SetUp() override { MakeWindows(kWidth, kHeight, RECT{0, 0, kWidth, kHeight}); }
};

TEST_F(RepeatedText, MakesNoListsAndKeepsNoMoreMemory)
{
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    HFONT font = CreateFontA(23, 0, 0, 0, 200, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 6, 0x20, "微软雅黑");
    HGDIOBJ old = SelectObject(wglGetCurrentDC(), font);
    const std::u32string text = Wide("#37(61.4/22.9/35.0) 漏电");
    const std::vector<WCHAR> units(text.begin(), text.end());
    const platform::wgl::GlyphRun runs[] = {{-0.9f, 0.0f, units.data(), static_cast<int>(units.size())},
                                            {-0.8f, 0.05f, units.data(), static_cast<int>(units.size())}};
    auto drawOnce = [&] {
        EXPECT_TRUE(platform::wgl::DrawGlyphRuns(wglGetCurrentDC(), runs, 2));
        glFinish();
    };
    // The glyphs are made on the first call; the renderer settles its own buffers within a few.
    for (int i = 0; i < 20; ++i) drawOnce();
    const int lists = ListCount();
    const std::size_t heap = mallinfo2().uordblks;
    for (int i = 0; i < 100; ++i) drawOnce();
    EXPECT_EQ(ListCount(), lists);
    // A store that kept glyphs per call would hold hundreds of kilobytes more by now.
    EXPECT_LT(mallinfo2().uordblks, heap + 16 * 1024);
    SelectObject(wglGetCurrentDC(), old);
    DeleteObject(font);
}

}  // namespace
