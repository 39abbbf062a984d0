#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/kernel/win_errors.h"
#include "platform/resources/resources.h"

using namespace Gdiplus;

namespace {

class GdiplusTest : public testing::Test {
protected:
    void SetUp() override
    {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&m_token, &input, nullptr), Ok);
    }
    void TearDown() override { GdiplusShutdown(m_token); }

    ULONG_PTR m_token = 0;
};

// A stream over a copy of the bytes that frees its block when released.
IStream* StreamOf(const void* data, std::size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr)
        return nullptr;
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        GlobalFree(block);
        return nullptr;
    }
    return stream;
}

std::unique_ptr<Image> PngResource(UINT id)
{
    platform::resources::ResourceBytes bytes = platform::resources::FindResourceBytes(MAKEINTRESOURCE(id), "PNG");
    IStream* stream = StreamOf(bytes.data, bytes.size);
    if (stream == nullptr)
        return nullptr;
    std::unique_ptr<Image> image(new Image(stream));
    stream->Release();
    return image;
}

ARGB PixelOf(Bitmap& bitmap, int x, int y)
{
    Color c;
    EXPECT_EQ(bitmap.GetPixel(x, y, &c), Ok);
    return c.GetValue();
}

void ExpectNear(ARGB actual, ARGB expected, int tolerance)
{
    for (int shift : {24, 16, 8, 0})
        EXPECT_NEAR(static_cast<int>((actual >> shift) & 0xFF), static_cast<int>((expected >> shift) & 0xFF), tolerance)
            << std::hex << actual << " vs " << expected;
}

TEST(GdiplusStartup, RefusesBadArguments)
{
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
    EXPECT_EQ(GdiplusStartup(&token, nullptr, nullptr), InvalidParameter);
    input.GdiplusVersion = 2;
    EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), UnsupportedGdiplusVersion);
    input.GdiplusVersion = 1;
    input.SuppressBackgroundThread = TRUE;
    EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), InvalidParameter);
}

TEST(GdiplusStartup, ObjectsNeedIt)
{
    Bitmap before(4, 4);
    EXPECT_EQ(before.GetLastStatus(), GdiplusNotInitialized);
    Graphics nothing(&before);
    EXPECT_EQ(nothing.GetLastStatus(), GdiplusNotInitialized);

    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    Bitmap during(4, 4);
    EXPECT_EQ(during.GetLastStatus(), Ok);
    GdiplusShutdown(token);
    Bitmap after(4, 4);
    EXPECT_EQ(after.GetLastStatus(), GdiplusNotInitialized);
}

struct FormatCase {
    PixelFormat format;
    int width;
    INT stride;
};

class BitmapFormat : public GdiplusTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(BitmapFormat, RowsArePaddedToFourBytes)
{
    Bitmap bitmap(GetParam().width, 3, GetParam().format);
    ASSERT_EQ(bitmap.GetLastStatus(), Ok);
    EXPECT_EQ(bitmap.GetPixelFormat(), GetParam().format);
    BitmapData data{};
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeWrite, GetParam().format, &data), Ok);
    EXPECT_EQ(data.Stride, GetParam().stride);
    EXPECT_EQ(data.Width, static_cast<UINT>(GetParam().width));
    EXPECT_EQ(data.Height, 3u);
    EXPECT_EQ(bitmap.UnlockBits(&data), Ok);
}

INSTANTIATE_TEST_SUITE_P(SixFormats, BitmapFormat,
                         testing::Values(FormatCase{PixelFormat8bppIndexed, 5, 8}, FormatCase{PixelFormat16bppRGB555, 5, 12},
                                         FormatCase{PixelFormat16bppRGB565, 5, 12}, FormatCase{PixelFormat24bppRGB, 5, 16},
                                         FormatCase{PixelFormat32bppRGB, 5, 20}, FormatCase{PixelFormat32bppARGB, 5, 20},
                                         FormatCase{PixelFormat24bppRGB, 4, 12}, FormatCase{PixelFormat8bppIndexed, 4, 4}));

TEST_F(GdiplusTest, BadBitmapsHaveNoPixels)
{
    Bitmap unknown(4, 4, 0x12345);
    EXPECT_EQ(unknown.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(unknown.GetWidth(), 0u);
    Bitmap empty(0, 4);
    EXPECT_EQ(empty.GetLastStatus(), InvalidParameter);
    BitmapData data{};
    EXPECT_EQ(empty.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), InvalidParameter);
}

TEST_F(GdiplusTest, LockBitsGivesBlueGreenRedAlpha)
{
    Bitmap bitmap(3, 2, PixelFormat32bppARGB);
    {
        Graphics g(&bitmap);
        SolidBrush brush(Color(0xFF, 0x10, 0x20, 0x30));
        ASSERT_EQ(g.FillRectangle(&brush, 0, 0, 3, 2), Ok);
    }
    BitmapData data{};
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
    const auto* p = static_cast<const unsigned char*>(data.Scan0);
    EXPECT_EQ(p[0], 0x30);
    EXPECT_EQ(p[1], 0x20);
    EXPECT_EQ(p[2], 0x10);
    EXPECT_EQ(p[3], 0xFF);
    EXPECT_EQ(bitmap.UnlockBits(&data), Ok);
}

TEST_F(GdiplusTest, WritingThroughTheLockChangesTheBitmap)
{
    // The disabled look of a button: every pixel's colour becomes the mean of its channels.
    Bitmap bitmap(4, 4, PixelFormat32bppARGB);
    {
        Graphics g(&bitmap);
        SolidBrush brush(Color(0xFF, 0x00, 0x10, 0x15));
        g.FillRectangle(&brush, 0, 0, 4, 4);
    }
    BitmapData data{};
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeWrite, PixelFormat32bppARGB, &data), Ok);
    for (UINT y = 0; y < data.Height; ++y) {
        auto* row = static_cast<unsigned char*>(data.Scan0) + y * data.Stride;
        for (UINT x = 0; x < data.Width; ++x) {
            unsigned char* px = row + 4 * x;
            unsigned char mean = static_cast<unsigned char>((px[0] + px[1] + px[2]) / 3);
            px[0] = px[1] = px[2] = mean;
        }
    }
    ASSERT_EQ(bitmap.UnlockBits(&data), Ok);
    EXPECT_EQ(PixelOf(bitmap, 2, 2), 0xFF0C0C0Cu);  // (0x15 + 0x10 + 0) / 3 = 12
}

TEST_F(GdiplusTest, LockStateIsChecked)
{
    Bitmap bitmap(4, 4);
    BitmapData data{};
    EXPECT_EQ(bitmap.UnlockBits(&data), WrongState);
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
    BitmapData second{};
    EXPECT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &second), WrongState);
    Color c;
    EXPECT_EQ(bitmap.GetPixel(0, 0, &c), WrongState);
    EXPECT_EQ(bitmap.UnlockBits(&data), Ok);
    Rect outside(2, 2, 3, 3);
    EXPECT_EQ(bitmap.LockBits(&outside, ImageLockModeRead, PixelFormat32bppARGB, &data), InvalidParameter);
    EXPECT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &data), InvalidParameter);
}

TEST_F(GdiplusTest, DrawingIntoEachFormatKeepsItsOwnBytes)
{
    struct {
        PixelFormat format;
        std::vector<unsigned char> red;  // the bytes of one pure red pixel
    } cases[] = {
        {PixelFormat16bppRGB555, {0x00, 0x7C}},
        {PixelFormat16bppRGB565, {0x00, 0xF8}},
        {PixelFormat24bppRGB, {0x00, 0x00, 0xFF}},
        {PixelFormat32bppRGB, {0x00, 0x00, 0xFF, 0xFF}},
        {PixelFormat32bppARGB, {0x00, 0x00, 0xFF, 0xFF}},
        {PixelFormat32bppPARGB, {0x00, 0x00, 0xFF, 0xFF}},
    };
    for (auto& c : cases) {
        Bitmap bitmap(3, 2, c.format);
        {
            Graphics g(&bitmap);
            SolidBrush red(Color(255, 0, 0));
            ASSERT_EQ(g.FillRectangle(&red, 1, 0, 2, 2), Ok);
        }
        BitmapData data{};
        ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, c.format, &data), Ok);
        const auto* row = static_cast<const unsigned char*>(data.Scan0) + data.Stride;
        std::size_t bytes = c.red.size();
        EXPECT_EQ(std::vector<unsigned char>(row + bytes, row + 2 * bytes), c.red) << std::hex << c.format;
        EXPECT_EQ(std::vector<unsigned char>(row, row + bytes), std::vector<unsigned char>(bytes, 0))
            << "the first column was not drawn";
        bitmap.UnlockBits(&data);
        EXPECT_EQ(PixelOf(bitmap, 2, 1), 0xFFFF0000u);
        // Drawn from again, the bitmap shows what it holds.
        Bitmap copy(3, 2);
        Graphics g(&copy);
        ASSERT_EQ(g.DrawImage(&bitmap, 0, 0), Ok);
        EXPECT_EQ(PixelOf(copy, 1, 1), 0xFFFF0000u);
    }
}

TEST_F(GdiplusTest, LockingInAnotherFormatConverts)
{
    Bitmap bitmap(1, 1, PixelFormat32bppARGB);
    bitmap.SetPixel(0, 0, Color(0x80, 0xFF, 0x40, 0x00));
    BitmapData data{};
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppPARGB, &data), Ok);
    auto* p = static_cast<unsigned char*>(data.Scan0);
    EXPECT_EQ(p[3], 0x80);
    EXPECT_EQ(p[2], 0x80);  // red premultiplied by half
    EXPECT_EQ(p[1], 0x20);
    p[0] = 0x80;            // and blue written the same way
    ASSERT_EQ(bitmap.UnlockBits(&data), Ok);
    EXPECT_EQ(PixelOf(bitmap, 0, 0), 0x80FF40FFu);
}

TEST_F(GdiplusTest, IndexedBitmapPaletteAndDrawing)
{
    Bitmap bitmap(3, 1, PixelFormat8bppIndexed);
    INT size = bitmap.GetPaletteSize();
    ASSERT_GT(size, 0);
    std::vector<unsigned char> buffer(size);
    auto* palette = reinterpret_cast<ColorPalette*>(buffer.data());
    ASSERT_EQ(bitmap.GetPalette(palette, size), Ok);
    ASSERT_EQ(palette->Count, 256u);
    for (UINT i = 0; i < palette->Count; ++i)
        palette->Entries[i] = Color::MakeARGB(255, i, i, i);
    ASSERT_EQ(bitmap.SetPalette(palette), Ok);
    ASSERT_EQ(bitmap.GetPalette(palette, size), Ok);
    EXPECT_EQ(palette->Entries[200], 0xFFC8C8C8u);
    EXPECT_EQ(bitmap.GetPalette(palette, size - 1), InsufficientBuffer);

    BitmapData data{};
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeWrite, PixelFormat8bppIndexed, &data), Ok);
    static_cast<unsigned char*>(data.Scan0)[1] = 200;
    ASSERT_EQ(bitmap.UnlockBits(&data), Ok);
    EXPECT_EQ(PixelOf(bitmap, 1, 0), 0xFFC8C8C8u);

    // Indexed bitmaps are drawn from, never into.
    Graphics into(&bitmap);
    EXPECT_EQ(into.GetLastStatus(), OutOfMemory);
    Bitmap target(3, 1);
    Graphics g(&target);
    ASSERT_EQ(g.DrawImage(&bitmap, 0, 0), Ok);
    EXPECT_EQ(PixelOf(target, 1, 0), 0xFFC8C8C8u);
    EXPECT_EQ(PixelOf(target, 0, 0), 0xFF000000u);

    Bitmap plain(2, 2);
    EXPECT_EQ(plain.GetPaletteSize(), 0);
    EXPECT_EQ(plain.SetPalette(palette), InvalidParameter);
}

TEST_F(GdiplusTest, AlphaBlendsOverWhatIsThere)
{
    Bitmap target(2, 2, PixelFormat32bppARGB);
    Graphics g(&target);
    SolidBrush white(Color(255, 255, 255, 255));
    g.FillRectangle(&white, 0, 0, 2, 2);
    Bitmap half(2, 2, PixelFormat32bppARGB);
    {
        Graphics h(&half);
        SolidBrush red(Color(128, 255, 0, 0));
        h.FillRectangle(&red, 0, 0, 1, 2);  // the right column stays transparent
    }
    ExpectNear(PixelOf(half, 0, 0), 0x80FF0000u, 1);
    ASSERT_EQ(g.DrawImage(&half, 0, 0), Ok);
    ExpectNear(PixelOf(target, 0, 0), 0xFFFF7F7Fu, 1);
    EXPECT_EQ(PixelOf(target, 1, 1), 0xFFFFFFFFu);
}

TEST_F(GdiplusTest, DrawImageScalesAndCropsTheSource)
{
    Bitmap source(2, 2);
    source.SetPixel(0, 0, Color(255, 255, 0, 0));
    source.SetPixel(1, 0, Color(255, 0, 255, 0));
    source.SetPixel(0, 1, Color(255, 0, 0, 255));
    source.SetPixel(1, 1, Color(255, 255, 255, 255));
    Bitmap target(4, 4);
    Graphics g(&target);
    g.SetInterpolationMode(InterpolationModeNearestNeighbor);
    ASSERT_EQ(g.DrawImage(&source, 0, 0, 4, 4), Ok);
    EXPECT_EQ(PixelOf(target, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelOf(target, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(PixelOf(target, 3, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelOf(target, 0, 3), 0xFF0000FFu);
    EXPECT_EQ(PixelOf(target, 2, 2), 0xFFFFFFFFu);

    // The source's lower-right pixel alone, stretched over the left half.
    Bitmap crop(4, 4);
    Graphics c(&crop);
    ASSERT_EQ(c.DrawImage(&source, Rect(0, 0, 2, 4), 1, 1, 1, 1, UnitPixel), Ok);
    EXPECT_EQ(PixelOf(crop, 1, 3), 0xFFFFFFFFu);
    EXPECT_EQ(PixelOf(crop, 2, 0), 0u);
}

TEST_F(GdiplusTest, AnUnscaledCopyIsExact)
{
    Bitmap source(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            source.SetPixel(x, y, Color(static_cast<BYTE>(255 - x), static_cast<BYTE>(x * 30), static_cast<BYTE>(y * 30), 7));
    Bitmap target(8, 8);
    Graphics g(&target);
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    ASSERT_EQ(g.DrawImage(&source, RectF(0, 0, 8, 8), 0, 0, 8, 8, UnitPixel), Ok);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(PixelOf(target, x, y), PixelOf(source, x, y));
}

TEST_F(GdiplusTest, PenOutlineLiesOnTheRectanglesEdges)
{
    Bitmap bitmap(10, 8);
    Graphics g(&bitmap);
    Pen pen(Color(255, 0, 0xAE, 0xFE), 1);
    ASSERT_EQ(g.DrawRectangle(&pen, 1, 1, 10 - 2, 8 - 2), Ok);
    const ARGB border = 0xFF00AEFEu;
    EXPECT_EQ(PixelOf(bitmap, 1, 1), border);
    EXPECT_EQ(PixelOf(bitmap, 5, 1), border);
    EXPECT_EQ(PixelOf(bitmap, 9, 4), border);
    EXPECT_EQ(PixelOf(bitmap, 5, 7), border);
    EXPECT_EQ(PixelOf(bitmap, 0, 0), 0u);
    EXPECT_EQ(PixelOf(bitmap, 2, 2), 0u);
    EXPECT_EQ(PixelOf(bitmap, 5, 0), 0u);
}

// The bounds of the pixels that are not transparent; false when there are none.
bool InkBounds(Bitmap& b, RECT* r, bool* partial)
{
    *r = RECT{1 << 20, 1 << 20, -1, -1};
    *partial = false;
    for (UINT y = 0; y < b.GetHeight(); ++y)
        for (UINT x = 0; x < b.GetWidth(); ++x) {
            BYTE a = Color(PixelOf(b, x, y)).GetA();
            if (a == 0)
                continue;
            *partial = *partial || a != 255;
            r->left = std::min<LONG>(r->left, x);
            r->top = std::min<LONG>(r->top, y);
            r->right = std::max<LONG>(r->right, x + 1);
            r->bottom = std::max<LONG>(r->bottom, y + 1);
        }
    return r->right > 0;
}

struct AlignCase {
    StringAlignment h;
    StringAlignment v;
};

class DrawStringAlign : public GdiplusTest, public testing::WithParamInterface<AlignCase> {};

TEST_P(DrawStringAlign, TextLiesWhereTheAlignmentPutsIt)
{
    const int W = 200, H = 40;
    Bitmap bitmap(W, H);
    Graphics g(&bitmap);
    FontFamily family(L"Tahoma");
    Font font(&family, 10, FontStyleBold, UnitPoint);
    StringFormat format;
    format.SetAlignment(GetParam().h);
    format.SetLineAlignment(GetParam().v);
    SolidBrush brush(Color(255, 255, 255, 255));
    g.SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
    ASSERT_EQ(g.DrawString(L"Snap", -1, &font, RectF(0, 0, W, H), &format, &brush), Ok);
    RECT ink;
    bool partial;
    ASSERT_TRUE(InkBounds(bitmap, &ink, &partial));
    EXPECT_TRUE(partial) << "anti-aliased text has partly covered pixels";
    LONG left = ink.left, right = W - ink.right, top = ink.top, bottom = H - ink.bottom;
    switch (GetParam().h) {
    case StringAlignmentNear:
        EXPECT_LT(left, 6);
        break;
    case StringAlignmentCenter:
        EXPECT_NEAR(left, right, 4);
        break;
    case StringAlignmentFar:
        EXPECT_LT(right, 6);
        break;
    }
    switch (GetParam().v) {
    case StringAlignmentNear:
        EXPECT_LT(top, bottom);
        break;
    case StringAlignmentCenter:
        EXPECT_NEAR(top, bottom, 6);
        break;
    case StringAlignmentFar:
        EXPECT_GT(top, bottom);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Alignments, DrawStringAlign,
                         testing::Values(AlignCase{StringAlignmentNear, StringAlignmentCenter},
                                         AlignCase{StringAlignmentCenter, StringAlignmentCenter},
                                         AlignCase{StringAlignmentFar, StringAlignmentCenter},
                                         AlignCase{StringAlignmentCenter, StringAlignmentNear},
                                         AlignCase{StringAlignmentCenter, StringAlignmentFar}));

TEST_F(GdiplusTest, SingleBitTextHasNoPartialPixels)
{
    Bitmap bitmap(120, 30);
    Graphics g(&bitmap);
    FontFamily family(L"微软雅黑");
    Font font(&family, 12, FontStyleBold, UnitPoint);
    SolidBrush brush(Color(255, 0, 0, 0));
    g.SetTextRenderingHint(TextRenderingHintSingleBitPerPixel);
    ASSERT_EQ(g.DrawString(L"相机", -1, &font, RectF(0, 0, 120, 30), nullptr, &brush), Ok);
    RECT ink;
    bool partial;
    ASSERT_TRUE(InkBounds(bitmap, &ink, &partial));
    EXPECT_FALSE(partial);
}

TEST_F(GdiplusTest, TextIsCutToTheLayoutRectangle)
{
    Bitmap bitmap(100, 40);
    Graphics g(&bitmap);
    FontFamily family(L"Tahoma");
    Font font(&family, 10, FontStyleRegular, UnitPoint);
    StringFormat noWrap(StringFormatFlagsNoWrap);
    SolidBrush brush(Color(255, 255, 0, 0));
    ASSERT_EQ(g.DrawString(L"a long caption that does not fit", -1, &font, RectF(10, 5, 40, 30), &noWrap, &brush), Ok);
    RECT ink;
    bool partial;
    ASSERT_TRUE(InkBounds(bitmap, &ink, &partial));
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 50);
    EXPECT_GE(ink.top, 5);
}

TEST_F(GdiplusTest, NoFaceNoText)
{
    Bitmap bitmap(50, 20);
    Graphics g(&bitmap);
    FontFamily empty(L"");
    EXPECT_EQ(empty.GetLastStatus(), FontFamilyNotFound);
    Font font(&empty, 8, FontStyleBold, UnitPoint);
    EXPECT_EQ(font.GetLastStatus(), FontFamilyNotFound);
    SolidBrush brush(Color(255, 255, 255, 255));
    EXPECT_NE(g.DrawString(L"x", -1, &font, RectF(0, 0, 50, 20), nullptr, &brush), Ok);
    RECT ink;
    bool partial;
    EXPECT_FALSE(InkBounds(bitmap, &ink, &partial));
}

TEST_F(GdiplusTest, PngFromAResourceStream)
{
    std::unique_ptr<Image> title = PngResource(143);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->GetLastStatus(), Ok);
    EXPECT_EQ(title->GetWidth(), 107u);
    EXPECT_EQ(title->GetHeight(), 46u);
    EXPECT_EQ(title->GetPixelFormat(), PixelFormat32bppARGB);

    std::unique_ptr<Image> camera = PngResource(159);
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->GetPixelFormat(), PixelFormat8bppIndexed);
    EXPECT_GT(camera->GetPaletteSize(), 0);

    // Drawn scaled into a light's image rectangle, it leaves ink there and nowhere else.
    Bitmap light(200, 52);
    Graphics g(&light);
    ASSERT_EQ(g.DrawImage(title.get(), RectF(3, 3, 107, 46), 0, 0, 107, 46, UnitPixel), Ok);
    RECT ink;
    bool partial;
    ASSERT_TRUE(InkBounds(light, &ink, &partial));
    EXPECT_GE(ink.left, 3);
    EXPECT_LE(ink.right, 110);
    EXPECT_GE(ink.top, 3);
    EXPECT_LE(ink.bottom, 49);
}

TEST_F(GdiplusTest, UndecodableStreamGivesAnImageThatDrawsNothing)
{
    const char junk[] = "not a picture";
    IStream* stream = StreamOf(junk, sizeof junk);
    ASSERT_NE(stream, nullptr);
    std::unique_ptr<Image> image(Image::FromStream(stream));
    stream->Release();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetLastStatus(), UnknownImageFormat);
    EXPECT_EQ(image->GetWidth(), 0u);
    Bitmap target(4, 4);
    Graphics g(&target);
    EXPECT_NE(g.DrawImage(image.get(), 0, 0, 4, 4), Ok);
    EXPECT_EQ(PixelOf(target, 2, 2), 0u);
    Image none(nullptr);
    EXPECT_EQ(none.GetLastStatus(), InvalidParameter);
}

TEST_F(GdiplusTest, DrawsIntoADeviceContext)
{
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HBITMAP bitmap = CreateBitmap(6, 4, 1, 32, nullptr);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    {
        Graphics g(dc);
        ASSERT_EQ(g.GetLastStatus(), Ok);
        SolidBrush brush(Color(255, 0x12, 0x34, 0x56));
        ASSERT_EQ(g.FillRectangle(&brush, 2, 1, 3, 2), Ok);
    }
    SelectObject(dc, old);
    std::uint32_t pixels[6 * 4];
    ASSERT_EQ(GetBitmapBits(bitmap, sizeof pixels, pixels), static_cast<LONG>(sizeof pixels));
    EXPECT_EQ(pixels[1 * 6 + 2] & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(pixels[2 * 6 + 4] & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0u);
    DeleteObject(bitmap);
    DeleteDC(dc);

    Graphics dead(static_cast<HDC>(nullptr));
    EXPECT_EQ(dead.GetLastStatus(), InvalidParameter);
}

TEST(GlobalMemory, LockCountsAndFreeing)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 16u);
    auto* p = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[15], 0);
    EXPECT_NE(GlobalLock(block), nullptr);
    EXPECT_TRUE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalFree(block), block);
}

TEST(GlobalMemory, StreamReadsSeeksAndFreesItsBlock)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 5);
    std::memcpy(GlobalLock(block), "abcde", 5);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
    char buffer[8] = {};
    ULONG got = 0;
    EXPECT_EQ(stream->Read(buffer, 3, &got), S_OK);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(stream->Read(buffer, 8, &got), S_FALSE);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(buffer, 2), "de");
    ULARGE_INTEGER at = 0;
    EXPECT_EQ(stream->Seek(-4, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at, 1u);
    EXPECT_NE(stream->Seek(-2, STREAM_SEEK_SET, nullptr), S_OK);
    stream->AddRef();
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_NE(GlobalSize(block), 0u);
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(GlobalSize(block), 0u) << "the block went with the stream";
    EXPECT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), E_INVALIDARG);
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
}

}  // namespace
