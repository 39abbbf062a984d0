#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/text.h"

using namespace platform::text;

struct ConversionCase {
    const char* name;
    std::string bytes;
    std::u32string expected;
};

class MultiByteConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(MultiByteConversion, ConvertsEachSequenceToOneUnit)
{
    const ConversionCase& c = GetParam();
    int size = static_cast<int>(c.bytes.size());
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, c.bytes.data(), size, nullptr, 0), static_cast<int>(c.expected.size()));
    std::vector<WCHAR> wide(c.expected.size() + 1, 0);
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, c.bytes.data(), size, wide.data(), static_cast<int>(wide.size())),
              static_cast<int>(c.expected.size()));
    for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(static_cast<char32_t>(wide[i]), c.expected[i]) << i;
    EXPECT_EQ(CountCharacters(c.bytes.data(), size), static_cast<int>(c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Utf8, MultiByteConversion,
                         ::testing::Values(ConversionCase{"ascii", "25.3", U"25.3"},
                                           ConversionCase{"chinese", "漏电速查", U"漏电速查"},
                                           ConversionCase{"mixed", "ROI #1 温度", U"ROI #1 温度"},
                                           ConversionCase{"degree", "。C", U"。C"},
                                           ConversionCase{"four byte", "\xF0\x9F\x98\x80", U"\U0001F600"},
                                           ConversionCase{"lone continuation", "a\x80z", U"a\uFFFDz"},
                                           ConversionCase{"truncated sequence", "\xE6\xBC", U"\uFFFD\uFFFD"},
                                           ConversionCase{"overlong", "\xC0\xAF", U"\uFFFD\uFFFD"},
                                           ConversionCase{"surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
                                           ConversionCase{"empty", "", U""}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

TEST(MultiByteToWideChar, MinusOneSizeConvertsTheTerminatorToo)
{
    WCHAR wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "温度", -1, wide, 8), 3);
    EXPECT_EQ(wide[2], 0);
}

TEST(MultiByteToWideChar, FailsOnAShortBufferAndWithStrictFlagOnBadBytes)
{
    WCHAR wide[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 2), 0);
}

TEST(WideCharToMultiByte, RoundTripsChinese)
{
    const WCHAR wide[] = {L'漏', L'电', 0};
    char bytes[16];
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, bytes, sizeof bytes, nullptr, nullptr);
    EXPECT_EQ(n, 7);
    EXPECT_STREQ(bytes, "漏电");
}

TEST(CharNextA, StepsOverWholeSequences)
{
    const char* text = "温a";
    EXPECT_EQ(CharNextA(text), text + 3);
    EXPECT_EQ(CharNextA(text + 3), text + 4);
    EXPECT_EQ(CharNextA(text + 4), text + 4);
}

struct FaceCase {
    const char* face;
    const char* family;
};
class FaceMapping : public ::testing::TestWithParam<FaceCase> {};
TEST_P(FaceMapping, MapsToInstalledFamily) { EXPECT_EQ(MapFace(GetParam().face), GetParam().family); }
INSTANTIATE_TEST_SUITE_P(Faces, FaceMapping,
                         ::testing::Values(FaceCase{"微软雅黑", "Noto Sans CJK SC"}, FaceCase{"Tahoma", "DejaVu Sans"},
                                           FaceCase{"MS Shell Dlg", "DejaVu Sans"}, FaceCase{"Times New Roman", "Liberation Serif"},
                                           FaceCase{"Courier New", "Liberation Mono"}, FaceCase{"courier new", "Liberation Mono"},
                                           FaceCase{"DejaVu Serif", "DejaVu Serif"}),
                         [](const auto& info) { return "face" + std::to_string(info.index); });

TEST(FontSizes, HeightRuleFollowsWindows)
{
    FontSpec em;
    em.face = "Tahoma";
    em.height = -20;
    EXPECT_DOUBLE_EQ(EmPixels(em), 20.0);
    FontSpec cell = em;
    cell.height = 20;  // a cell of 20 pixels holds a smaller em
    EXPECT_LT(EmPixels(cell), 20.0);
    EXPECT_GT(EmPixels(cell), 10.0);
    // Points at 96 dots an inch: 9 points is a 12-pixel cell.
    EXPECT_EQ(PointFont(90, "Courier New").height, 12);
    EXPECT_EQ(PointFont(60, "Courier New").height, 8);
}

TEST(MeasureLine, ChineseIsWiderThanAsciiAndBiggerFontsAreLarger)
{
    FontSpec f;
    f.face = "微软雅黑";
    f.height = -23;
    TextSize ascii = MeasureLine(f, "ab");
    TextSize chinese = MeasureLine(f, "漏电");
    EXPECT_GT(ascii.width, 0);
    EXPECT_GT(chinese.width, ascii.width);
    FontSpec big = f;
    big.height = -46;
    EXPECT_GT(MeasureLine(big, "ab").width, ascii.width);
    EXPECT_GT(MeasureLine(f, "").height, 0);
}

TEST(RasteriseGlyph, AsciiAndChineseGlyphsHaveInkAndSpacesOnlyAdvance)
{
    FontSpec f;
    f.face = "Times New Roman";
    f.height = 18;
    f.weight = 700;
    GlyphBitmap a = RasteriseGlyph(f, U'A');
    EXPECT_GT(a.width, 3);
    EXPECT_GT(a.height, 5);
    EXPECT_EQ(a.bits.size(), static_cast<size_t>(a.rowBytes * a.height));
    EXPECT_GT(a.advance, 0);
    EXPECT_NEAR(a.originY, 0, 1.0);  // 'A' stands on the baseline
    int set = 0;
    for (auto b : a.bits) set += __builtin_popcount(b);
    EXPECT_GT(set, 10);

    GlyphBitmap g = RasteriseGlyph(f, U'g');
    EXPECT_GT(g.originY, 1.0f);  // a descender reaches below the baseline

    GlyphBitmap space = RasteriseGlyph(f, U' ');
    EXPECT_TRUE(space.bits.empty());
    EXPECT_GT(space.advance, 0);

    FontSpec cjk;
    cjk.face = "微软雅黑";
    cjk.height = 23;
    GlyphBitmap zhong = RasteriseGlyph(cjk, U'中');
    EXPECT_GT(zhong.width, 8);
    EXPECT_GT(zhong.height, 8);
    EXPECT_GT(zhong.advance, a.advance * 0.8);

    GlyphBitmap control = RasteriseGlyph(f, 0x07);
    EXPECT_TRUE(control.bits.empty());
    EXPECT_EQ(control.advance, 0);
}
