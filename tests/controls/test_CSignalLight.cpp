// The signal light on the pixels of a real window: its layout (image at 3, 3 with its aspect kept,
// text beside it from DW + 1), transparency over its parent, alignment flags, the parent's repaint
// on a new text, and texts and face names longer than its buffers; and the resource image loader.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "controls/CSignalLight.h"
#include "controls/LoadImageFromResource.h"
#include "tests/controls/SkinTestSupport.h"

namespace {

using skin_test::AllOf;
using skin_test::InkBounds;
using skin_test::Rgb;
using skin_test::RgbOf;

constexpr std::uint32_t kHostRed = 0xFF0000;

class SignalLightTest : public skin_test::SkinTest {
protected:
    void TearDown() override
    {
        if (::IsWindow(light.m_hWnd))
            light.DestroyWindow();
        skin_test::SkinTest::TearDown();
    }

    // A light at (10, 20) of the host, with the face the program's lights get and blue text.
    void Create(int width, int height, const char* text = "")
    {
        ASSERT_TRUE(light.Create(text, WS_CHILD | WS_VISIBLE, CRect(10, 20, 10 + width, 20 + height), &host, 1000));
        light.SetFontName("Tahoma");
        light.SetTextColor(0xFF0000FF);
    }
    // The light's own area of the host's picture.
    platform::user::Picture Look(const std::string& name)
    {
        light.Invalidate();
        CRect r;
        light.GetWindowRect(&r);
        host.ScreenToClient(&r);
        return skin_test::Crop(skin_test::Shot(host.m_hWnd, name), r);
    }
    RECT All(const platform::user::Picture& p) const { return RECT{0, 0, p.width, p.height}; }

    CSignalLight light;
};

TEST_F(SignalLightTest, NewLightIsATransparentOwnerDrawnStaticWithBlackCentredTenPointText)
{
    ASSERT_TRUE(light.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 20), &host, 1000));
    EXPECT_EQ(light.GetStyle() & SS_TYPEMASK, static_cast<DWORD>(SS_OWNERDRAW));
    EXPECT_TRUE(light.m_bTransparent);
    EXPECT_EQ(light.m_crBack, 0xFFFFFFFFu);
    EXPECT_EQ(light.m_crText, 0xFF000000u);
    EXPECT_EQ(light.m_nFontSize, 10);
    EXPECT_EQ(light.m_nAlignH, 1);
    EXPECT_EQ(light.m_nAlignV, 1);
    EXPECT_EQ(light.m_szFontName[0], L'\0');
    EXPECT_EQ(light.m_pImage, nullptr);
    EXPECT_STREQ(light.GetRuntimeClass()->m_lpszClassName, "CSignalLight");
}

struct AlignCase {
    UINT flags;
    int expectH;
    int expectV;
};

class SignalLightAlignTest : public ::testing::TestWithParam<AlignCase> {};

TEST_P(SignalLightAlignTest, FirstBitOfEachGroupWinsAndAnEmptyGroupKeepsItsAlignment)
{
    CSignalLight light;
    light.m_nAlignH = 2;  // far, far: what the flags leave alone shows
    light.m_nAlignV = 2;
    light.SetAlignFlags(GetParam().flags);
    EXPECT_EQ(light.m_nAlignH, GetParam().expectH);
    EXPECT_EQ(light.m_nAlignV, GetParam().expectV);
}

INSTANTIATE_TEST_SUITE_P(Flags, SignalLightAlignTest,
                         ::testing::Values(AlignCase{0x000, 2, 2}, AlignCase{0x040, 0, 2}, AlignCase{0x020, 1, 2},
                                           AlignCase{0x060, 0, 2}, AlignCase{0x0A0, 1, 2}, AlignCase{0x0E0, 0, 2},
                                           AlignCase{0x200, 2, 0}, AlignCase{0x100, 2, 1}, AlignCase{0x300, 2, 0},
                                           AlignCase{0x500, 2, 1}, AlignCase{0x140, 0, 1}, AlignCase{0x480, 2, 2},
                                           AlignCase{0x11F, 2, 1}));

TEST_F(SignalLightTest, TransparentLightShowsTheParentAroundItsCentredText)
{
    Create(200, 30, "HHHH");
    platform::user::Picture p = Look("light_transparent");
    RECT ink = InkBounds(p, All(p), kHostRed);
    ASSERT_LT(ink.left, ink.right) << "no text drawn";
    // Centred in the layout rectangle x 1 to 200 and y 0 to 30.
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 100.5, 2.0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 15.0, 2.5);
    // Every pixel outside the text is the parent's own.
    EXPECT_TRUE(AllOf(p, RECT{0, 0, 200, ink.top}, kHostRed));
    EXPECT_TRUE(AllOf(p, RECT{0, 0, ink.left, 30}, kHostRed));
    // The text is blue, bold ink: its strokes are pure text colour.
    EXPECT_GT(skin_test::CountOf(p, ink, 0x0000FF), 40);
}

TEST_F(SignalLightTest, OpaqueLightFillsItsBackgroundAndBlendsItsAlphaOverTheParent)
{
    Create(60, 20);
    light.SetTransparent(false);
    light.SetBkColor(0xFF00FF00);
    platform::user::Picture p = Look("light_opaque");
    EXPECT_TRUE(AllOf(p, All(p), 0x00FF00));

    light.SetBkColor(0x800000FF);  // half-transparent blue over the red parent
    p = Look("light_half");
    const std::uint32_t c = Rgb(p, 30, 10);
    EXPECT_NEAR(static_cast<int>(c >> 16), 127, 2);
    EXPECT_EQ((c >> 8) & 0xFF, 0u);
    EXPECT_NEAR(static_cast<int>(c & 0xFF), 128, 2);
}

TEST_F(SignalLightTest, ForegroundImageDrawnAtThreeThreeWithItsAspectKept)
{
    Create(200, 30);
    light.m_pImage = skin_test::SolidImage(32, 16, 0xFF00FF00);
    platform::user::Picture p = Look("light_image");
    // DH = 30 - 6 = 24, DW = 32 * 24 / 16 = 48: x 3 to 51, y 3 to 27.
    EXPECT_TRUE(AllOf(p, RECT{3, 3, 51, 27}, 0x00FF00));
    RECT image = InkBounds(p, All(p), kHostRed);
    EXPECT_EQ(image.left, 3);
    EXPECT_EQ(image.top, 3);
    EXPECT_EQ(image.right, 51);
    EXPECT_EQ(image.bottom, 27);
}

TEST_F(SignalLightTest, BackgroundImageStretchesOverTheWholeLightUnderTheForegroundImage)
{
    Create(90, 40);
    light.m_pBkImage = skin_test::SolidImage(4, 2, 0xFF00FFFF);
    light.m_pImage = skin_test::SolidImage(10, 10, 0xFF00FF00);
    platform::user::Picture p = Look("light_background");
    EXPECT_TRUE(AllOf(p, RECT{0, 0, 90, 3}, 0x00FFFF));
    EXPECT_TRUE(AllOf(p, RECT{37, 0, 90, 40}, 0x00FFFF));
    EXPECT_TRUE(AllOf(p, RECT{3, 3, 37, 37}, 0x00FF00));
}

struct TextStartCase {
    const char* name;
    int imageWidth;  // 0: no image
    int layoutLeft;  // DW + 1
};

class SignalLightTextStartTest : public SignalLightTest, public ::testing::WithParamInterface<TextStartCase> {};

TEST_P(SignalLightTextStartTest, NearAlignedTextStartsAtTheImageWidthPlusOne)
{
    Create(200, 30, "HHH");
    light.SetAlignFlags(0x140);
    if (GetParam().imageWidth)
        light.m_pImage = skin_test::SolidImage(GetParam().imageWidth, 24, 0xFF00FF00);
    platform::user::Picture p = Look(std::string("light_start_") + GetParam().name);
    // Text is the only blue ink; the leftmost column holding it lies within a glyph's bearing
    // of the layout rectangle's left edge.
    int left = p.width;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if ((Rgb(p, x, y) & 0xFF) > 0x60 && (Rgb(p, x, y) >> 8 & 0xFF) < 0x40)
                left = std::min(left, x);
    EXPECT_GE(left, GetParam().layoutLeft);
    EXPECT_LE(left, GetParam().layoutLeft + 3);
}

INSTANTIATE_TEST_SUITE_P(Images, SignalLightTextStartTest,
                         ::testing::Values(TextStartCase{"none", 0, 1}, TextStartCase{"narrow", 24, 25},
                                           TextStartCase{"wide", 96, 97}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SignalLightTest, FarAlignedTextEndsAtTheRightEdge)
{
    Create(200, 30, "HHH");
    light.SetAlignFlags(0x480);
    platform::user::Picture p = Look("light_far");
    RECT ink = InkBounds(p, All(p), kHostRed);
    EXPECT_GE(ink.right, 196);
    EXPECT_GT(ink.top, 14);  // bottom-aligned in 30 pixels
}

TEST_F(SignalLightTest, ImageFromAResourceKeepsItsAspect)
{
    Create(200, 30);
    light.SetImage(143, "PNG");
    ASSERT_NE(light.m_pImage, nullptr);
    ASSERT_EQ(light.m_pImage->GetWidth(), 107u);
    ASSERT_EQ(light.m_pImage->GetHeight(), 46u);
    platform::user::Picture p = Look("light_resource");
    // DW = trunc(107 * 24 / 46) = 55: the picture stays within x 3 to 58, y 3 to 27.
    RECT ink = InkBounds(p, All(p), kHostRed);
    EXPECT_GE(ink.left, 3);
    EXPECT_GE(ink.top, 3);
    EXPECT_LE(ink.right, 58);
    EXPECT_LE(ink.bottom, 27);
    EXPECT_GT(ink.right, 50);
}

TEST_F(SignalLightTest, ImageThatIsNotAResourceLeavesNoneAndReplacingDeletesTheOldOne)
{
    Create(200, 30, "HHH");
    light.SetImage(143, "PNG");
    ASSERT_NE(light.m_pImage, nullptr);
    light.SetImage(60000, "PNG");
    EXPECT_EQ(light.m_pImage, nullptr);
    light.SetBkImage(132, "PNG");  // a bitmap, not a PNG resource
    EXPECT_EQ(light.m_pBkImage, nullptr);
}

TEST_F(SignalLightTest, UndecodableImageDrawsNothingAndTakesNoRoom)
{
    Create(200, 30, "HHH");
    light.SetAlignFlags(0x140);
    light.SetImage(138, "WAVE");  // a resource, but no picture
    ASSERT_NE(light.m_pImage, nullptr);
    platform::user::Picture p = Look("light_undecodable");
    RECT ink = InkBounds(p, All(p), kHostRed);
    EXPECT_GE(ink.left, 1);
    EXPECT_LE(ink.left, 4);
}

TEST_F(SignalLightTest, EmptyTextDrawsNothing)
{
    Create(120, 30);
    platform::user::Picture p = Look("light_empty");
    EXPECT_TRUE(AllOf(p, All(p), kHostRed));
}

TEST_F(SignalLightTest, NewTextMakesTheParentRepaintAndEraseTheAreaUnderTheLightAtOnce)
{
    Create(120, 30, "old");
    skin_test::Pump();
    platform::user::Picture settled;
    platform::user::RenderWindow(host.m_hWnd, &settled);
    const int paints = host.paints;
    const int erases = host.erases;
    light.SetWindowText("new");
    // Inside SetWindowText, before any message is pumped.
    EXPECT_EQ(host.paints, paints + 1);
    EXPECT_EQ(host.erases, erases + 1);
    EXPECT_EQ(CRect(host.lastPaint), CRect(10, 20, 130, 50));
    CString text;
    light.GetWindowText(text);
    EXPECT_STREQ(text, "new");
}

TEST_F(SignalLightTest, NewTextOnALightWithoutParentIsStored)
{
    CSignalLight alone;
    ASSERT_TRUE(alone.CreateEx(0, "Static", "a", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr));
    alone.SetWindowText("b");
    CString text;
    alone.GetWindowText(text);
    EXPECT_STREQ(text, "b");
    alone.DestroyWindow();
}

TEST_F(SignalLightTest, SizeChangeInvalidatesTheWholeLight)
{
    Create(120, 30, "HHH");
    skin_test::Pump();
    platform::user::Picture settled;
    platform::user::RenderWindow(host.m_hWnd, &settled);
    light.MoveWindow(10, 20, 80, 40, FALSE);
    RECT update{};
    ASSERT_TRUE(GetUpdateRect(light.m_hWnd, &update, FALSE));
    EXPECT_EQ(CRect(update), CRect(0, 0, 80, 40));
}

TEST_F(SignalLightTest, TextLongerThanTheBufferIsCutToItsFirst255Characters)
{
    // Small type in a large light, so that all 255 characters show.
    ASSERT_TRUE(light.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &host, 1000));
    light.SetFontName("Tahoma");
    light.SetFontSize(6);
    light.SetAlignFlags(0x240);
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += (i % 3 == 2) ? "\xE6\xB8\xA9" : (i % 3 ? "i" : "W");  // 温 every third character
    auto draw = [&](int characters, const std::string& name) {
        light.SetWindowText(skin_test::FirstCharacters(text, characters).c_str());
        light.Invalidate();
        platform::user::Picture shot = skin_test::Shot(host.m_hWnd, name);
        return shot.pixels;
    };
    const auto all = draw(300, "light_long_300");
    EXPECT_EQ(all, draw(255, "light_long_255"));
    EXPECT_NE(all, draw(254, "light_long_254"));
}

TEST(SignalLightFontName, LongFaceNameKeepsItsFirst127CharactersAndItsTerminator)
{
    CSignalLight light;
    light.SetFontName(CString('x', 300));
    for (int i = 0; i < 127; ++i)
        ASSERT_EQ(light.m_szFontName[i], L'x') << i;
    EXPECT_EQ(light.m_szFontName[127], L'\0');
    light.SetFontName("Tahoma");
    EXPECT_EQ(std::wstring(light.m_szFontName), L"Tahoma");
    EXPECT_EQ(light.m_szFontName[6], L'\0');
    EXPECT_EQ(light.m_szFontName[126], L'\0');  // the whole buffer was cleared
}

struct WidenCase {
    const char* name;
    std::string text;
    int size;
    std::wstring expect;
};

class WidenIntoBufferTest : public ::testing::TestWithParam<WidenCase> {};

TEST_P(WidenIntoBufferTest, CutsAtACharacterBoundaryAndNeverPastTheBuffer)
{
    const WidenCase& c = GetParam();
    std::vector<WCHAR> buffer(static_cast<std::size_t>(c.size) + 2, L'#');  // two guards past the end
    WidenIntoBuffer(c.text.c_str(), buffer.data(), c.size);
    EXPECT_EQ(std::wstring(buffer.data()), c.expect);
    for (int i = static_cast<int>(c.expect.size()); i < c.size; ++i)
        EXPECT_EQ(buffer[static_cast<std::size_t>(i)], L'\0') << i;
    EXPECT_EQ(buffer[static_cast<std::size_t>(c.size)], L'#');
    EXPECT_EQ(buffer[static_cast<std::size_t>(c.size) + 1], L'#');
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WidenIntoBufferTest,
    ::testing::Values(WidenCase{"fits", "abc", 8, L"abc"}, WidenCase{"exact", "abcdefg", 8, L"abcdefg"},
                      WidenCase{"cut", "abcdefgh", 8, L"abcdefg"},
                      WidenCase{"wide_cut", "\xE6\xB8\xA9\xE5\xBA\xA6\xE8\xAE\xA1", 3, L"\u6E29\u5EA6"},
                      WidenCase{"mixed", "a\xE6\xB8\xA9" "b\xF0\x9F\x94\xA5" "c", 5, L"a\u6E29b\U0001F525"},
                      WidenCase{"invalid_bytes", "\xFF\xFEz", 3, L"\uFFFD\uFFFD"},
                      WidenCase{"empty", "", 4, L""}, WidenCase{"one_slot", "abc", 1, L""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadImageFromResource, GivesAnImageOfTheResourceOrNullWhenThereIsNone)
{
    skin_test::StartGdiplus();
    std::unique_ptr<Gdiplus::Image> title(LoadImageFromResource(143, "PNG"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetWidth(), 107u);
    EXPECT_EQ(title->GetHeight(), 46u);
    std::unique_ptr<Gdiplus::Image> indexed(LoadImageFromResource(159, "png"));
    ASSERT_NE(indexed, nullptr);
    EXPECT_EQ(indexed->GetWidth(), 50u);
    EXPECT_EQ(LoadImageFromResource(143, "WAVE"), nullptr);
    EXPECT_EQ(LoadImageFromResource(1, "PNG"), nullptr);
    std::unique_ptr<Gdiplus::Image> sound(LoadImageFromResource(138, "WAVE"));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->GetLastStatus(), Gdiplus::UnknownImageFormat);
    EXPECT_EQ(sound->GetWidth(), 0u);
}

}  // namespace
