#include "acquisition/ZelColorMap.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "acquisition/CIRDataCapture.h"
#include "app/CVantrelApp.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;

Rgb ColorOf(ZelColorMap& map, std::uint16_t raw)
{
    Rgb c{};
    map.GetColor(c.data(), raw);
    return c;
}

Rgb Hex(std::uint32_t rrggbb)
{
    return Rgb{static_cast<std::uint8_t>(rrggbb >> 16), static_cast<std::uint8_t>(rrggbb >> 8),
               static_cast<std::uint8_t>(rrggbb)};
}

// The colour map as the capture worker sets it up: the three palettes, palette 0, a built table.
class ColorMapTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_capture = std::make_unique<CIRDataCapture>();
        m_map = &m_capture->m_colorMap;
    }
    void UsePalette(std::uint32_t p, std::uint16_t lo, std::uint16_t hi)
    {
        m_map->m_nCurPalette = p;
        m_map->SetDisplayRangeRaw(lo, hi);
        m_map->BuildLut();
    }
    std::unique_ptr<CIRDataCapture> m_capture;
    ZelColorMap* m_map = nullptr;
};

// Sets the calibration for one test and puts the defaults back.
class Calibration {
public:
    Calibration(double k, double b)
    {
        theApp.m_settings[SETTING_CoefK].value.dValue = k;
        theApp.m_settings[SETTING_CoefB].value.dValue = b;
    }
    ~Calibration()
    {
        theApp.m_settings[SETTING_CoefK].value.dValue = 1.0;
        theApp.m_settings[SETTING_CoefB].value.dValue = 0.0;
    }
};

}  // namespace

TEST_F(ColorMapTest, DefaultRangeWindowAndThreshold)
{
    ZelColorMap map;
    EXPECT_EQ(map.m_nRangeLow, 18761);
    EXPECT_EQ(map.m_nRangeHigh, 20681);
    EXPECT_EQ(map.m_nDisplayLow, 18761);
    EXPECT_EQ(map.m_nDisplayHigh, 20681);
    EXPECT_EQ(map.m_nAlarm, 20297);
    EXPECT_NEAR(ZelColorMap::RawToCelsius(18761), 19.990625, 1e-9);
    EXPECT_NEAR(ZelColorMap::RawToCelsius(20681), 49.990625, 1e-9);
    EXPECT_EQ(theApp.m_settings[SETTING_MMaxTempture].value.nValue, 20681);
    EXPECT_EQ(theApp.m_settings[SETTING_MMinTempture].value.nValue, 18761);
    // A fresh map has a black table until it is built.
    EXPECT_EQ(ColorOf(map, 19000), Hex(0x000000));
}

TEST_F(ColorMapTest, ConversionsUseTheCalibrationSettings)
{
    EXPECT_EQ(ZelColorMap::CelsiusToRaw(20.0), 18761);
    EXPECT_EQ(ZelColorMap::CelsiusToRaw(-273.15), 0);
    {
        Calibration cal(2.0, -3.0);
        EXPECT_NEAR(ZelColorMap::RawToCelsius(19200), (300.0 - 273.15) * 2.0 - 3.0, 1e-9);
        EXPECT_EQ(ZelColorMap::CelsiusToRaw((300.0 - 273.15) * 2.0 - 3.0), 19200);
    }
    {
        Calibration broken(0.0, 0.0);
        EXPECT_EQ(ZelColorMap::CelsiusToRaw(30.0), 0);  // no division by zero escapes
    }
}

TEST_F(ColorMapTest, InstalledPalettesAreTheTabledOnes)
{
    ASSERT_EQ(m_map->m_nPaletteCount, 3u);
    EXPECT_EQ(m_map->m_pPaletteSizes[0], 256u);
    EXPECT_EQ(m_map->m_pPaletteSizes[1], 256u);
    EXPECT_EQ(m_map->m_pPaletteSizes[2], 6u);
    EXPECT_EQ(m_map->GetPaletteOffset(0), 0u);
    EXPECT_EQ(m_map->GetPaletteOffset(1), 256u);
    EXPECT_EQ(m_map->GetPaletteOffset(2), 512u);
    m_map->m_nCurPalette = 2;
    EXPECT_EQ(m_map->GetPaletteOffset(-1), 512u);

    auto entry = [&](int palette, int i) {
        const std::uint8_t* c = m_map->m_pPalette + 3 * (m_map->GetPaletteOffset(palette) + i);
        return Rgb{c[0], c[1], c[2]};
    };
    const std::pair<int, std::uint32_t> iron[] = {{0, 0x000000},   {1, 0x000005},   {36, 0x000091}, {38, 0x000097},
                                                  {39, 0x05009A},  {70, 0x810098},  {127, 0xE9001C}, {137, 0xFF0001},
                                                  {138, 0xFF0E00}, {194, 0xFFB500}, {235, 0xFFFF02}, {255, 0xFFFFCA}};
    for (const auto& [i, rgb] : iron)
        EXPECT_EQ(entry(0, i), Hex(rgb)) << "entry " << i;
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(entry(1, i), (Rgb{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)}));
    const std::uint32_t six[] = {0xFF0000, 0xFF00FF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(entry(2, i), Hex(six[i]));
}

TEST_F(ColorMapTest, SixColourStopsOverAWindowOfOneHundred)
{
    const std::uint16_t lo = 19000;
    UsePalette(2, lo, lo + 100);
    const std::uint32_t six[] = {0xFF0000, 0xFF00FF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00};
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(ColorOf(*m_map, static_cast<std::uint16_t>(lo + 20 * s)), Hex(six[s])) << "stop " << s;
    // Halfway between red and magenta: blue is 255 * 0.5, truncated.
    EXPECT_EQ(ColorOf(*m_map, lo + 10), (Rgb{255, 0, 127}));
    // A quarter from blue to cyan.
    EXPECT_EQ(ColorOf(*m_map, lo + 45), (Rgb{0, 63, 255}));
}

TEST_F(ColorMapTest, GetColorAtAndBeyondTheWindow)
{
    const std::uint16_t lo = 19200, hi = 19711;
    UsePalette(0, lo, hi);
    EXPECT_EQ(ColorOf(*m_map, lo), Hex(0x000000));      // the palette's first colour
    EXPECT_EQ(ColorOf(*m_map, hi), Hex(0xFFFFCA));      // and its last
    EXPECT_EQ(ColorOf(*m_map, lo + 2), Hex(0x000005));  // stops every two raw units
    EXPECT_EQ(ColorOf(*m_map, lo - 1), Hex(0x000000));
    EXPECT_EQ(ColorOf(*m_map, hi + 1), Hex(0xFFFFFF));
    EXPECT_EQ(ColorOf(*m_map, 0), Hex(0x000000));
    EXPECT_EQ(ColorOf(*m_map, 65535), Hex(0xFFFFFF));
    UsePalette(1, lo, hi);
    EXPECT_EQ(ColorOf(*m_map, hi), Hex(0xFFFFFF));
    EXPECT_EQ(ColorOf(*m_map, lo + 4), Hex(0x020202));
}

TEST_F(ColorMapTest, NarrowWindowRepeatsStops)
{
    const std::uint16_t lo = 19500;
    UsePalette(0, lo, lo + 10);
    EXPECT_EQ(ColorOf(*m_map, lo), Hex(0x000000));
    EXPECT_EQ(ColorOf(*m_map, lo + 10), Hex(0xFFFFCA));
    for (std::uint16_t v = lo; v <= lo + 10; ++v) {
        // Every value inside the window takes a colour from the palette.
        const Rgb c = ColorOf(*m_map, v);
        bool found = false;
        for (int i = 0; i < 256 && !found; ++i)
            found = Rgb{ZelColorMap::kPalette0[3 * i], ZelColorMap::kPalette0[3 * i + 1], ZelColorMap::kPalette0[3 * i + 2]} == c;
        EXPECT_TRUE(found) << v;
    }
}

namespace {

// A value's colour as the plain formula gives it: palette stops spread over the window, the value
// coloured between the first pair of stops that holds it; black below the window, white above.
Rgb PlainColour(ZelColorMap& map, std::uint16_t v)
{
    const std::uint32_t lo = map.m_nDisplayLow, hi = map.m_nDisplayHigh;
    if (v < lo)
        return Hex(0x000000);
    if (v > hi)
        return Hex(0xFFFFFF);
    const std::uint32_t n = map.m_pPaletteSizes[map.m_nCurPalette];
    const std::uint8_t* c = map.m_pPalette + 3 * map.GetPaletteOffset(-1);
    std::vector<std::uint16_t> stop(n);
    for (std::uint32_t i = 0; i < n; ++i)
        stop[i] = static_cast<std::uint16_t>(lo + ((hi - lo) * i) / (n - 1));
    for (std::uint32_t s = 1; s < n; ++s) {
        if (stop[s - 1] <= v && v <= stop[s]) {
            const double t = stop[s] == stop[s - 1] ? 0.0 : static_cast<double>(v - stop[s - 1]) / (stop[s] - stop[s - 1]);
            Rgb out;
            for (int k = 0; k < 3; ++k)
                out[k] = static_cast<std::uint8_t>(c[3 * (s - 1) + k] * (1.0 - t) + c[3 * s + k] * t);
            return out;
        }
    }
    return Hex(0x000000);
}

}  // namespace

TEST_F(ColorMapTest, TableFollowsThePlainFormulaForEveryWindow)
{
    struct Window {
        std::uint16_t lo, hi;
    } windows[] = {
        {19000, 19500},  // inside the range
        {19500, 19505},  // narrower than the palettes: repeated stops
        {19000, 19000},  // one value
        {19000, 19255},  // one raw unit a stop for 256 colours
        {18000, 21000},  // wider than the range, which grows
        {0, 300},        // at the bottom of the raw scale
        {65000, 65535},  // at its top
        {100, 5100},     // a long table below and above the window
        {19500, 19000},  // upside down
    };
    for (const std::uint32_t palette : {0u, 1u, 2u}) {
        for (const Window& w : windows) {
            SCOPED_TRACE(testing::Message() << "palette " << palette << ", window " << w.lo << " to " << w.hi);
            UsePalette(palette, w.lo, w.hi);
            const int from = std::max(std::min(w.lo, w.hi) - 3, 0);
            const int to = std::min(std::max(w.lo, w.hi) + 3, 65535);
            for (int v = from; v <= to; ++v)
                ASSERT_EQ(ColorOf(*m_map, static_cast<std::uint16_t>(v)), PlainColour(*m_map, static_cast<std::uint16_t>(v)))
                    << "value " << v;
        }
    }
}

TEST_F(ColorMapTest, TableOnlyChangesWithBuildLut)
{
    UsePalette(1, 19000, 19255);
    const Rgb before = ColorOf(*m_map, 19100);
    m_map->m_nCurPalette = 2;
    EXPECT_EQ(ColorOf(*m_map, 19100), before);
    m_map->BuildLut();
    EXPECT_NE(ColorOf(*m_map, 19100), before);
}

TEST_F(ColorMapTest, InvertedTempRangeKeepsRangesButBlackensTheTable)
{
    UsePalette(1, 19000, 19255);
    theApp.m_settings[SETTING_MMaxTempture].value.nValue = 0;
    m_map->SetTempRange(40.0, 30.0);
    EXPECT_EQ(m_map->m_nRangeLow, 18761);
    EXPECT_EQ(m_map->m_nRangeHigh, 20681);
    EXPECT_EQ(m_map->m_nDisplayLow, 19000);
    EXPECT_EQ(m_map->m_nDisplayHigh, 19255);
    EXPECT_EQ(ColorOf(*m_map, 19100), Hex(0x000000));
    EXPECT_EQ(theApp.m_settings[SETTING_MMaxTempture].value.nValue, 20681);
}

TEST_F(ColorMapTest, SetTempRangeClampsTheWindow)
{
    m_map->SetTempRange(25.0, 45.0);
    EXPECT_EQ(m_map->m_nRangeLow, ZelColorMap::CelsiusToRaw(25.0));
    EXPECT_EQ(m_map->m_nRangeHigh, ZelColorMap::CelsiusToRaw(45.0));
    EXPECT_EQ(m_map->m_nDisplayLow, m_map->m_nRangeLow);
    EXPECT_EQ(m_map->m_nDisplayHigh, m_map->m_nRangeHigh);
}

TEST_F(ColorMapTest, WindowWiderThanTheRangeWidensIt)
{
    m_map->SetDisplayRangeRaw(18000, 21000);
    EXPECT_EQ(m_map->m_nDisplayLow, 18000);
    EXPECT_EQ(m_map->m_nDisplayHigh, 21000);
    // Widened, then converted there and back: it may move by one raw unit.
    EXPECT_NEAR(m_map->m_nRangeLow, 18000, 1);
    EXPECT_NEAR(m_map->m_nRangeHigh, 21000, 1);
    EXPECT_GE(m_map->m_nDisplayLow, m_map->m_nRangeLow);
    EXPECT_LE(m_map->m_nDisplayHigh, m_map->m_nRangeHigh);
    m_map->BuildLut();
    EXPECT_EQ(ColorOf(*m_map, m_map->m_nDisplayHigh), Hex(0xFFFFCA));
}

TEST_F(ColorMapTest, WindowInsideTheRangeLeavesIt)
{
    m_map->SetDisplayRangeRaw(19000, 20000);
    EXPECT_EQ(m_map->m_nRangeLow, 18761);
    EXPECT_EQ(m_map->m_nRangeHigh, 20681);
    EXPECT_EQ(m_map->m_nAlarm, 20297);
}

TEST_F(ColorMapTest, ThresholdFollowsALowerRangeHigh)
{
    m_map->m_nAlarm = 30000;
    m_map->SetDisplayRangeRaw(19000, 20000);
    EXPECT_EQ(m_map->m_nAlarm, 20681);
}

TEST_F(ColorMapTest, AdjustTempRangeMovesOneEnd)
{
    // Each end goes to degrees and back, truncating: it may lose one raw unit.
    m_map->AdjustTempRange(1, 1.0);
    EXPECT_NEAR(m_map->m_nRangeLow, 18761, 1);
    EXPECT_NEAR(m_map->m_nRangeHigh, 20681 + 64, 1);
    m_map->AdjustTempRange(0, -2.0);
    EXPECT_NEAR(m_map->m_nRangeLow, 18761 - 128, 2);
}

TEST_F(ColorMapTest, FrameMinMaxStored)
{
    m_map->SetFrameMinMax(19001, 20002);
    EXPECT_EQ(m_map->m_nFrameMin, 19001);
    EXPECT_EQ(m_map->m_nFrameMax, 20002);
}

TEST(ApplicationState, StartingValuesAndFontNames)
{
    EXPECT_EQ(theApp.m_nAlarmCountdown, -1);
    EXPECT_EQ(theApp.m_nFlipMirror, 0);
    EXPECT_EQ(theApp.m_bVideoPlaying, 0);
    EXPECT_EQ(theApp.m_nLanguage, 0);
    EXPECT_EQ(theApp.m_capture.m_nAction, 0);
    EXPECT_STREQ(GetUiFontName(0), "微软雅黑");
    EXPECT_STREQ(GetUiFontName(1), "Tahoma");
    EXPECT_STREQ(GetUiFontName(-3), "Tahoma");
}
