#include "acquisition/ColorizeRaw16.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

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

namespace {

// The colour image as the plain formula gives it, pixel by pixel: the output pixel's sample
// through the flip flags; the palette through GetColor, grey as the truncated ramp between the
// fitted frame's minimum and maximum, clamped; with rectangles, grey everywhere and then each
// rectangle in turn coloured from the palette.
std::vector<std::uint8_t> PlainColours(const IrFrame& f, ZelColorMap& map, std::uint32_t mode, const RectShapeList* rects)
{
    const int width = f.image_info[0], rows = f.image_info[1], stride = f.temp_info[0];
    const int flags = theApp.m_nFlipMirror;
    const std::uint16_t lo = map.m_nDisplayLow, hi = map.m_nDisplayHigh;
    const int fmin = map.m_nFrameMin, fmax = map.m_nFrameMax;
    auto sample = [&](int x, int y) {
        const int sy = (flags & 2) ? rows - 1 - y : y;
        const int sx = (flags & 1) ? width - 1 - x : x;
        return f.temp_data[sy * stride + sx];
    };
    auto grey = [&](std::uint16_t v, std::uint8_t* out) {
        const double g = fmax > fmin ? std::trunc((v - fmin) * 255.0 / (fmax - fmin)) : 0.0;
        out[0] = out[1] = out[2] = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
    };
    const bool withRects = mode == 0 && rects && !rects->empty();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) * rows * 3);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint16_t v = sample(x, y);
            std::uint8_t* out = &image[3 * (static_cast<std::size_t>(y) * width + x)];
            if (mode != 0 ? !(v > lo && v < hi) : withRects)
                grey(v, out);
            else
                map.GetColor(out, v);
        }
    for (const RectShape* r : withRects ? *rects : RectShapeList{}) {
        for (long long y = r->y; y < static_cast<long long>(r->y) + r->h; ++y)
            for (long long x = std::max(r->x, 0); y >= 0 && y < rows && x < std::min<long long>(static_cast<long long>(r->x) + r->w, width); ++x)
                map.GetColor(&image[3 * (static_cast<std::size_t>(y) * width + x)], sample(static_cast<int>(x), static_cast<int>(y)));
    }
    return image;
}

// A frame of odd size whose samples scatter over and around the window and the fitted frame,
// with every boundary value and both ends of the raw scale among them.
void FillScattered(IrFrame* f, std::initializer_list<int> boundaries)
{
    const int count = f->temp_info[0] * f->temp_info[1];
    int low = 65535, high = 0;
    for (int b : boundaries) {
        low = std::min(low, b);
        high = std::max(high, b);
    }
    low = std::max(low - 200, 0);
    high = std::min(high + 200, 65535);
    std::uint32_t seed = 12345;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        f->temp_data[i] = static_cast<std::uint16_t>(low + (seed >> 8) % static_cast<std::uint32_t>(high - low + 1));
    }
    int i = 0;
    for (int b : boundaries)
        for (int d : {-1, 0, 1})
            if (b + d >= 0 && b + d <= 65535)
                f->temp_data[(i++ * 7) % count] = static_cast<std::uint16_t>(b + d);
    f->temp_data[(i++ * 7) % count] = 0;
    f->temp_data[(i * 7) % count] = 65535;
}

}  // namespace

// The colouring gives exactly the plain formula's image for every kind of window, palette,
// fitted frame, colour mode, flip and set of rectangles.
TEST(ColorizeAgainstPlainFormula, EveryWindowPaletteFlipAndRectangleSet)
{
    struct Window {
        const char* name;
        std::uint32_t palette;
        std::uint16_t lo, hi;      // the display range
        std::uint16_t fmin, fmax;  // the fitted frame
    } windows[] = {
        {"fitted", 0, 18900, 19600, 19028, 19600},
        {"narrow", 0, 19500, 19505, 19400, 19600},
        {"six colours", 2, 19000, 19100, 18950, 19300},
        {"grey palette", 1, 19200, 19711, 19200, 19711},
        {"upside down", 0, 19500, 19000, 19000, 19500},
        {"bottom of the scale", 0, 0, 300, 0, 250},
        {"top of the scale", 2, 65200, 65535, 65300, 65535},
        {"uniform frame", 0, 19000, 19500, 19300, 19300},
        {"nothing fitted", 1, 19000, 19500, 0, 0},
        {"frame beside the window", 0, 19000, 19500, 20000, 20400},
    };
    constexpr int kCols = 37, kRows = 23;
    RectShape inside{3, 2, 9, 7}, overlapping{8, 5, 10, 10}, partly{-4, 18, 10, 9}, backwards{30, 10, -5, 4},
        outside{40, 2, 5, 5}, firstColumn{0, 0, 1, kRows}, lastColumn{kCols - 1, 0, 1, kRows}, wide{-100, 11, 1000, 1};
    const RectShapeList empty, mixed{&inside, &overlapping, &partly, &backwards, &outside, &firstColumn, &lastColumn, &wide};
    const RectShapeList* rectSets[] = {nullptr, &empty, &mixed};

    auto capture = std::make_unique<CIRDataCapture>();
    ZelColorMap& map = capture->m_colorMap;
    FrameGuard frame;
    MakeFrame(&frame.frame, kCols, kRows);
    for (const Window& w : windows) {
        map.m_nCurPalette = w.palette;
        map.SetDisplayRangeRaw(w.lo, w.hi);
        map.BuildLut();
        map.SetFrameMinMax(w.fmin, w.fmax);
        FillScattered(&frame.frame, {w.lo, w.hi, w.fmin, w.fmax});
        for (const std::uint32_t mode : {0u, 1u})
            for (const int flags : {0, 1, 2, 3})
                for (const RectShapeList* rects : rectSets) {
                    SCOPED_TRACE(testing::Message() << w.name << ", mode " << mode << ", flags " << flags << ", rectangles "
                                                    << (rects ? rects->size() : -1));
                    theApp.m_nFlipMirror = flags;
                    std::memset(frame.frame.rgb_buf, 0x55, kCols * kRows * 3);
                    ColorizeRaw16(&frame.frame, &map, mode, rects, 0);
                    const std::vector<std::uint8_t> plain = PlainColours(frame.frame, map, mode, rects);
                    ASSERT_TRUE(std::equal(plain.begin(), plain.end(), frame.frame.rgb_buf));
                }
    }
    theApp.m_nFlipMirror = 0;
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
