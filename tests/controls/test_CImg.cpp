// The GDI+ bitmap wrapper: formats and their row pitch, the grey palette, writing pixels in place
// through a lock, and drawing; and GDI+ started and ended by the application's two routines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "controls/CImg.h"
#include "controls/InitGdiplus.h"
#include "tests/controls/SkinTestSupport.h"

namespace {

class CImgTest : public ::testing::Test {
protected:
    void SetUp() override { skin_test::StartGdiplus(); }
};

struct PitchCase {
    const char* name;
    Gdiplus::PixelFormat format;
    int bytesPerPixel;
};

class CImgPitchTest : public CImgTest, public ::testing::WithParamInterface<PitchCase> {};

TEST_P(CImgPitchTest, PitchIsTheRowPaddedToFourBytesAndMatchesTheLockedStride)
{
    const PitchCase& c = GetParam();
    for (int width = 1; width <= 9; ++width) {
        CImg image;
        ASSERT_TRUE(image.Create(width, 3, c.format));
        EXPECT_EQ(image.m_pBitmap->GetPixelFormat(), c.format);
        const int expected = (width * c.bytesPerPixel + 3) & ~3;
        EXPECT_EQ(image.GetPitch(), expected) << "width " << width;
        BYTE* bits = nullptr;
        ASSERT_TRUE(image.LockBits(&bits));
        EXPECT_EQ(image.m_lockedData.Stride, expected) << "width " << width;
        EXPECT_TRUE(image.UnlockBits());
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CImgPitchTest,
                         ::testing::Values(PitchCase{"Indexed8", Gdiplus::PixelFormat8bppIndexed, 1},
                                           PitchCase{"Rgb555", Gdiplus::PixelFormat16bppRGB555, 2},
                                           PitchCase{"Rgb565", Gdiplus::PixelFormat16bppRGB565, 2},
                                           PitchCase{"Rgb24", Gdiplus::PixelFormat24bppRGB, 3},
                                           PitchCase{"Rgb32", Gdiplus::PixelFormat32bppRGB, 4},
                                           PitchCase{"Argb32", Gdiplus::PixelFormat32bppARGB, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CImgTest, PitchesOfAFivePixelRow)
{
    CImg image;
    image.Create(5, 1, Gdiplus::PixelFormat24bppRGB);
    EXPECT_EQ(image.GetPitch(), 16);
    image.Create(5, 1, Gdiplus::PixelFormat16bppRGB565);
    EXPECT_EQ(image.GetPitch(), 12);
    image.Create(5, 1, Gdiplus::PixelFormat8bppIndexed);
    EXPECT_EQ(image.GetPitch(), 8);
}

TEST_F(CImgTest, AnUnlistedFormatGivesThirtyTwoBitArgb)
{
    for (Gdiplus::PixelFormat format : {Gdiplus::PixelFormat32bppPARGB, 0x12345, 0}) {
        CImg image;
        ASSERT_TRUE(image.Create(4, 4, format));
        EXPECT_EQ(image.m_pBitmap->GetPixelFormat(), Gdiplus::PixelFormat32bppARGB) << format;
        EXPECT_EQ(image.GetPitch(), 16);
    }
}

TEST_F(CImgTest, IndexedBitmapHasAnOpaqueGreyRamp)
{
    CImg image;
    ASSERT_TRUE(image.Create(8, 2, Gdiplus::PixelFormat8bppIndexed));
    const int size = image.m_pBitmap->GetPaletteSize();
    std::vector<std::uint8_t> record(static_cast<std::size_t>(size));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(record.data());
    ASSERT_EQ(image.m_pBitmap->GetPalette(palette, size), Gdiplus::Ok);
    ASSERT_EQ(palette->Count, 256u);
    EXPECT_EQ(palette->Entries[200], 0xFFC8C8C8u);
    for (UINT i = 0; i < palette->Count; ++i)
        ASSERT_EQ(palette->Entries[i], 0xFF000000u | i << 16 | i << 8 | i) << i;
}

TEST_F(CImgTest, WithoutABitmapSizesAreMinusOneAndNothingLocks)
{
    CImg image;
    EXPECT_EQ(image.GetWidth(), -1);
    EXPECT_EQ(image.GetHeight(), -1);
    EXPECT_EQ(image.GetPitch(), 0);
    BYTE* bits = nullptr;
    EXPECT_FALSE(image.LockBits(&bits));
    EXPECT_FALSE(image.UnlockBits());
    std::unique_ptr<Gdiplus::Graphics> graphics(image.GetGraphics());
    ASSERT_NE(graphics, nullptr);
    EXPECT_NE(graphics->GetLastStatus(), Gdiplus::Ok);
}

TEST_F(CImgTest, CreateReplacesTheBitmap)
{
    CImg image;
    image.Create(3, 2, Gdiplus::PixelFormat24bppRGB);
    image.Create(7, 5, Gdiplus::PixelFormat32bppARGB);
    EXPECT_EQ(image.GetWidth(), 7);
    EXPECT_EQ(image.GetHeight(), 5);
}

TEST_F(CImgTest, LockedBitsAddressTheBitmapsOwnPixels)
{
    CImg image;
    ASSERT_TRUE(image.Create(3, 2, Gdiplus::PixelFormat32bppARGB));
    BYTE* bits = nullptr;
    ASSERT_TRUE(image.LockBits(&bits));
    BYTE* lastPixel = bits + image.GetPitch() + 2 * 4;  // (2, 1): blue, green, red, alpha
    lastPixel[0] = 0x30, lastPixel[1] = 0x20, lastPixel[2] = 0x10, lastPixel[3] = 0x80;
    BYTE* again = nullptr;
    EXPECT_FALSE(image.LockBits(&again));  // already locked
    ASSERT_TRUE(image.UnlockBits());
    Gdiplus::Color c;
    ASSERT_EQ(image.m_pBitmap->GetPixel(2, 1, &c), Gdiplus::Ok);
    EXPECT_EQ(c.GetValue(), 0x80102030u);
    EXPECT_FALSE(image.UnlockBits());  // no lock to hand back
}

TEST_F(CImgTest, DrawScalesTheWholeBitmapIntoTheRectangle)
{
    CImg small;
    small.Create(2, 2, Gdiplus::PixelFormat32bppARGB);
    {
        std::unique_ptr<Gdiplus::Graphics> g(small.GetGraphics());
        Gdiplus::SolidBrush blue{Gdiplus::Color(0xFF0000FFu)};
        g->FillRectangle(&blue, 0, 0, 2, 2);
    }
    CImg large;
    large.Create(20, 10, Gdiplus::PixelFormat32bppARGB);
    std::unique_ptr<Gdiplus::Graphics> g(large.GetGraphics());
    small.Draw(g.get(), 5, 2, 10, 6);
    small.Draw(nullptr, 0, 0, 1, 1);  // no graphics: nothing happens
    Gdiplus::Color inside, outside;
    large.m_pBitmap->GetPixel(14, 7, &inside);
    large.m_pBitmap->GetPixel(15, 7, &outside);
    EXPECT_EQ(inside.GetValue(), 0xFF0000FFu);
    EXPECT_EQ(outside.GetValue(), 0u);
}

// In a process of its own (the death-test child runs this test alone), so that no other start
// of GDI+ hides what these two do.
TEST(GdiplusStartupDeathTest, InitStartsGdiplusAndShutdownEndsIt)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto status = [] { return Gdiplus::Bitmap(2, 2).GetLastStatus(); };
    EXPECT_EXIT(
        {
            const bool before = status() == Gdiplus::GdiplusNotInitialized;
            const bool started = InitGdiplus() == 1 && status() == Gdiplus::Ok;
            ShutdownGdiplus();
            const bool ended = status() == Gdiplus::GdiplusNotInitialized;
            std::exit(before && started && ended ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
