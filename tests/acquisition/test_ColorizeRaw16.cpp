#include "acquisition/ColorizeRaw16.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "acquisition/CIRDataCapture.h"
#include "app/CVantrelApp.h"
#include "tests/acquisition/FrameFixture.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;
constexpr int kW = 8;
constexpr int kH = 6;
constexpr std::uint16_t kLo = 19000;
constexpr std::uint16_t kHi = 19500;

// An 8 x 6 frame whose samples rise with x and y, a colour map with window [kLo, kHi] over the
// grey palette, and frame minimum and maximum set for the grey ramp.
class Colorize : public testing::Test {
protected:
    void SetUp() override
    {
        theApp.m_nFlipMirror = 0;
        m_capture = std::make_unique<CIRDataCapture>();
        m_map = &m_capture->m_colorMap;
        m_map->m_nCurPalette = 1;
        m_map->SetDisplayRangeRaw(kLo, kHi);
        m_map->BuildLut();
        m_map->SetFrameMinMax(18900, 19600);
        MakeFrame(&m_frame.frame, kW, kH);
        FillSamples(&m_frame.frame, [](int x, int y) { return Sample(x, y); });
    }
    void TearDown() override { theApp.m_nFlipMirror = 0; }

    static std::uint16_t Sample(int x, int y) { return static_cast<std::uint16_t>(18900 + 100 * y + 3 * x); }
    Rgb Pixel(int x, int y) const
    {
        const std::uint8_t* p = m_frame.frame.rgb_buf + 3 * (y * kW + x);
        return Rgb{p[0], p[1], p[2]};
    }
    Rgb Palette(std::uint16_t v) const
    {
        Rgb c{};
        m_map->GetColor(c.data(), v);
        return c;
    }
    static Rgb Grey(std::uint16_t v)
    {
        const double g = std::trunc((static_cast<int>(v) - 18900) * 255.0 / 700.0);
        const auto c = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
        return Rgb{c, c, c};
    }
    void Run(std::uint32_t mode, const RectShapeList* rects) { ColorizeRaw16(&m_frame.frame, m_map, mode, rects, 0); }

    std::unique_ptr<CIRDataCapture> m_capture;
    ZelColorMap* m_map = nullptr;
    FrameGuard m_frame;
};

}  // namespace

TEST_F(Colorize, NormalWindowWithoutRectanglesUsesThePalette)
{
    for (const bool emptyList : {false, true}) {
        std::memset(m_frame.frame.rgb_buf, 0x55, kW * kH * 3);
        RectShapeList none;
        Run(0, emptyList ? &none : nullptr);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                ASSERT_EQ(Pixel(x, y), Palette(Sample(x, y))) << x << "," << y;
    }
    EXPECT_EQ(Pixel(0, 0), (Rgb{0, 0, 0}));  // 18900, below the window: black
    EXPECT_EQ(Pixel(0, 5), Palette(19400));
}

TEST_F(Colorize, AboveTheWindowIsWhite)
{
    m_frame.frame.temp_data[3] = 19501;
    Run(0, nullptr);
    EXPECT_EQ(Pixel(3, 0), (Rgb{255, 255, 255}));
}

TEST_F(Colorize, HotWindowGreysTheWindowEnds)
{
    m_frame.frame.temp_data[0] = kLo;
    m_frame.frame.temp_data[1] = kHi;
    m_frame.frame.temp_data[2] = kLo + 1;
    m_frame.frame.temp_data[3] = kHi - 1;
    Run(1, nullptr);
    EXPECT_EQ(Pixel(0, 0), Grey(kLo));
    EXPECT_EQ(Pixel(1, 0), Grey(kHi));
    EXPECT_EQ(Pixel(2, 0), Palette(kLo + 1));
    EXPECT_EQ(Pixel(3, 0), Palette(kHi - 1));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const std::uint16_t v = m_frame.frame.temp_data[y * kW + x];
            ASSERT_EQ(Pixel(x, y), v > kLo && v < kHi ? Palette(v) : Grey(v)) << x << "," << y;
        }
}

// Every pixel grey (a rectangle list that covers nothing), each against exact arithmetic: the
// step below the maximum must not be lost to rounding, whatever the span.
TEST_F(Colorize, GreyRampMatchesExactArithmeticAndEndsAtWhite)
{
    constexpr int kCols = 64;
    constexpr int kRows = 4;
    FrameGuard ramp;
    MakeFrame(&ramp.frame, kCols, kRows);
    RectShape nowhere{-10, -10, 5, 5};
    RectShapeList rects{&nowhere};
    for (const int span : {1, 2, 3, 25, 29, 50, 53, 58, 100, 255, 256, 700, 4097, 25000, 65535}) {
        SCOPED_TRACE(span);
        const int lo = span == 65535 ? 0 : 1000;
        m_map->SetFrameMinMax(static_cast<std::uint16_t>(lo), static_cast<std::uint16_t>(lo + span));
        constexpr int kLast = kCols * kRows - 1;
        FillSamples(&ramp.frame, [&](int x, int y) {
            const int i = y * kCols + x;
            return static_cast<std::uint16_t>(lo + (span <= kLast ? std::min(i, span) : span * static_cast<long>(i) / kLast));
        });
        ColorizeRaw16(&ramp.frame, m_map, 0, &rects, 0);
        for (int i = 0; i <= kLast; ++i) {
            const long v = ramp.frame.temp_data[i];
            const auto exact = static_cast<std::uint8_t>((v - lo) * 255 / span);
            ASSERT_EQ(ramp.frame.rgb_buf[3 * i], exact) << "sample " << v;
            ASSERT_EQ(ramp.frame.rgb_buf[3 * i + 2], exact) << "sample " << v;
        }
        EXPECT_EQ(ramp.frame.rgb_buf[3 * kLast], 255);  // the maximum
        EXPECT_EQ(ramp.frame.rgb_buf[0], 0);            // the minimum
    }
}

TEST_F(Colorize, GreyIsBlackBeforeAnyFrameWasFitted)
{
    m_map->SetFrameMinMax(0, 0);
    m_frame.frame.temp_data[5 * kW + 7] = 30000;
    Run(7, nullptr);
    EXPECT_EQ(Pixel(0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(Pixel(7, 5), (Rgb{0, 0, 0}));
}

TEST_F(Colorize, GreyOutsideTheFittedFrameIsClamped)
{
    m_map->SetFrameMinMax(19000, 19100);
    m_frame.frame.temp_data[5 * kW] = 19700;
    Run(1, nullptr);
    EXPECT_EQ(Pixel(0, 0), (Rgb{0, 0, 0}));        // below the frame minimum
    EXPECT_EQ(Pixel(0, 5), (Rgb{255, 255, 255}));  // far above the frame maximum
}

TEST_F(Colorize, RectanglesArePaletteColouredAndClipped)
{
    RectShape inside{1, 1, 2, 2}, partly{-2, 4, 4, 5}, outside{20, 20, 3, 3}, backwards{6, 3, -3, 2};
    RectShapeList rects{&inside, &partly, &outside, &backwards};
    Run(0, &rects);
    auto inRect = [](const RectShape& r, int x, int y) { return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h; };
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const std::uint16_t v = Sample(x, y);
            const bool coloured = inRect(inside, x, y) || inRect(partly, x, y);
            ASSERT_EQ(Pixel(x, y), coloured ? Palette(v) : Grey(v)) << x << "," << y;
        }
}

TEST_F(Colorize, RectangleEntirelyOutsideChangesNothing)
{
    RectShape outside{-10, -10, 5, 5};
    RectShapeList rects{&outside};
    Run(0, &rects);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_EQ(Pixel(x, y), Grey(Sample(x, y)));
}

TEST_F(Colorize, FlipAndMirror)
{
    struct Case {
        int flags;
        int sx, sy;  // the source of output pixel (0, 0)
    } cases[] = {{0, 0, 0}, {1, kW - 1, 0}, {2, 0, kH - 1}, {3, kW - 1, kH - 1}};
    for (const Case& c : cases) {
        theApp.m_nFlipMirror = c.flags;
        Run(1, nullptr);
        const std::uint16_t corner = Sample(c.sx, c.sy);
        EXPECT_EQ(Pixel(0, 0), corner > kLo && corner < kHi ? Palette(corner) : Grey(corner)) << "flags " << c.flags;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int srcX = (c.flags & 1) ? kW - 1 - x : x;
                const int srcY = (c.flags & 2) ? kH - 1 - y : y;
                const std::uint16_t v = Sample(srcX, srcY);
                ASSERT_EQ(Pixel(x, y), v > kLo && v < kHi ? Palette(v) : Grey(v));
            }
    }
}

TEST_F(Colorize, RectanglesAreInOutputCoordinates)
{
    theApp.m_nFlipMirror = 1;
    RectShape corner{0, 0, 1, 1};
    RectShapeList rects{&corner};
    Run(0, &rects);
    EXPECT_EQ(Pixel(0, 0), Palette(Sample(kW - 1, 0)));
    EXPECT_EQ(Pixel(kW - 1, 0), Grey(Sample(0, 0)));
}

TEST_F(Colorize, RecordWhoseHalvesDisagreeIsLeftAlone)
{
    // An image half wider than the temperature rows would read past the samples.
    std::memset(m_frame.frame.rgb_buf, 0x55, kW * kH * 3);
    m_frame.frame.temp_info[0] = kW / 2;
    Run(0, nullptr);
    EXPECT_EQ(Pixel(0, 0), (Rgb{0x55, 0x55, 0x55}));
    m_frame.frame.temp_info[0] = kW;
    m_frame.frame.temp_size = kW * kH;  // half the samples
    Run(0, nullptr);
    EXPECT_EQ(Pixel(0, 0), (Rgb{0x55, 0x55, 0x55}));
    ColorizeRaw16(nullptr, m_map, 0, nullptr, 0);
    ColorizeRaw16(&m_frame.frame, nullptr, 0, nullptr, 0);
}

TEST_F(Colorize, ColorizeFrameFitsTheWindowToTheFrame)
{
    m_map->m_nCurPalette = 0;
    m_capture->ColorizeFrame(&m_frame.frame, nullptr);
    const std::uint16_t mn = Sample(0, 0), mx = Sample(kW - 1, kH - 1);
    EXPECT_EQ(m_map->m_nFrameMin, mn);
    EXPECT_EQ(m_map->m_nFrameMax, mx);
    EXPECT_EQ(m_map->m_nDisplayLow, mn - 128);
    EXPECT_EQ(m_map->m_nDisplayHigh, mx);
    EXPECT_LE(m_map->m_nRangeLow, mn - 128);
    EXPECT_EQ(Pixel(kW - 1, kH - 1), (Rgb{0xFF, 0xFF, 0xCA}));  // the maximum gets the last colour

    m_capture->m_nColorMode = 1;
    m_capture->ColorizeFrame(&m_frame.frame, nullptr);
    EXPECT_EQ(m_map->m_nDisplayLow, mx - 128);
    EXPECT_EQ(m_map->m_nDisplayHigh, mx + 64);
    EXPECT_EQ(Pixel(0, 0), (Rgb{0, 0, 0}));  // the minimum, grey at the bottom of the ramp
}

TEST_F(Colorize, ColorizeFrameFollowsMovedOffsets)
{
    m_capture->m_winOffset[0][0] = 10;
    m_capture->m_winOffset[0][1] = -20;
    m_capture->ColorizeFrame(&m_frame.frame, nullptr);
    EXPECT_EQ(m_map->m_nDisplayLow, Sample(0, 0) + 10);
    EXPECT_EQ(m_map->m_nDisplayHigh, Sample(kW - 1, kH - 1) - 20);
}

TEST_F(Colorize, ColorizeFrameLeavesHotOrUniformFramesAlone)
{
    struct Case {
        const char* name;
        std::uint16_t hot;
        bool uniform;
    } cases[] = {{"at 25000", 25000, false}, {"above 25000", 40000, false}, {"uniform", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.uniform)
            FillSamples(&m_frame.frame, [](int, int) { return std::uint16_t(19300); });
        else
            m_frame.frame.temp_data[5] = c.hot;
        std::memset(m_frame.frame.rgb_buf, 0x55, kW * kH * 3);
        const Rgb before = Palette(19250);
        m_capture->ColorizeFrame(&m_frame.frame, nullptr);
        EXPECT_EQ(m_map->m_nDisplayLow, kLo);
        EXPECT_EQ(m_map->m_nDisplayHigh, kHi);
        EXPECT_EQ(m_map->m_nFrameMin, 18900);
        EXPECT_EQ(Palette(19250), before);
        EXPECT_EQ(Pixel(1, 1), (Rgb{0x55, 0x55, 0x55}));
    }
    IrFrame empty;
    m_capture->ColorizeFrame(&empty, nullptr);
    m_capture->ColorizeFrame(nullptr, nullptr);
}
