// Drawing into memory device contexts, checked on the pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"

namespace {

// A memory DC with a width x height bitmap selected, and its pixels read back as COLORREFs.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    COLORREF At(int x, int y) const
    {
        std::vector<BYTE> bits(static_cast<size_t>(width_) * height_ * 4);
        GetBitmapBits(bitmap_, static_cast<LONG>(bits.size()), bits.data());
        const BYTE* p = &bits[(static_cast<size_t>(y) * width_ + x) * 4];
        return RGB(p[2], p[1], p[0]);
    }
    void Fill(COLORREF c)
    {
        RECT r{0, 0, width_, height_};
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc_, &r, b);
        DeleteObject(b);
    }
    // The bounding box of pixels that differ from `background`; empty when none does.
    RECT Ink(COLORREF background) const
    {
        std::vector<BYTE> bits(static_cast<size_t>(width_) * height_ * 4);
        GetBitmapBits(bitmap_, static_cast<LONG>(bits.size()), bits.data());
        RECT r{width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const BYTE* p = &bits[(static_cast<size_t>(y) * width_ + x) * 4];
                if (RGB(p[2], p[1], p[0]) != background) {
                    r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
            }
        return r;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

TEST(MemoryDC, NewBitmapIsBlackAndFillRectCoversExactlyItsRectangle)
{
    Canvas c(20, 10);
    EXPECT_EQ(c.At(5, 5), kBlack);
    RECT r{2, 3, 6, 7};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_EQ(FillRect(c.dc(), &r, red), 1);
    DeleteObject(red);
    EXPECT_EQ(c.At(2, 3), RGB(255, 0, 0));
    EXPECT_EQ(c.At(5, 6), RGB(255, 0, 0));
    EXPECT_EQ(c.At(6, 6), kBlack);  // right and bottom edges are outside
    EXPECT_EQ(c.At(5, 7), kBlack);
}

TEST(MemoryDC, SolidLineLeavesOutItsLastPixel)
{
    Canvas c(50, 20);
    CDC* dc = CDC::FromHandle(c.dc());
    CPen pen(PS_SOLID, 1, RGB(0, 174, 254));
    CPen* old = dc->SelectObject(&pen);
    dc->MoveTo(0, 10);
    dc->LineTo(40, 10);
    dc->SelectObject(old);
    EXPECT_EQ(c.At(0, 10), RGB(0, 174, 254));
    EXPECT_EQ(c.At(39, 10), RGB(0, 174, 254));
    EXPECT_EQ(c.At(40, 10), kBlack);
    EXPECT_EQ(c.At(20, 9), kBlack);
    EXPECT_EQ(c.At(20, 11), kBlack);
}

TEST(MemoryDC, DiagonalAndVerticalLinesStepPixelByPixel)
{
    Canvas c(20, 20);
    HPEN pen = CreatePen(PS_SOLID, 1, kWhite);
    HGDIOBJ old = SelectObject(c.dc(), pen);
    MoveToEx(c.dc(), 0, 0, nullptr);
    LineTo(c.dc(), 10, 10);
    MoveToEx(c.dc(), 15, 2, nullptr);
    LineTo(c.dc(), 15, 12);
    SelectObject(c.dc(), old);
    DeleteObject(pen);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(c.At(i, i), kWhite) << i;
    EXPECT_EQ(c.At(10, 10), kBlack);
    EXPECT_EQ(c.At(15, 2), kWhite);
    EXPECT_EQ(c.At(15, 11), kWhite);
    EXPECT_EQ(c.At(15, 12), kBlack);
}

TEST(MemoryDC, DashedPenDrawsDashesAndGaps)
{
    Canvas c(60, 5);
    SetBkMode(c.dc(), TRANSPARENT);
    HPEN pen = CreatePen(PS_DASH, 1, kWhite);
    SelectObject(c.dc(), pen);
    MoveToEx(c.dc(), 0, 2, nullptr);
    LineTo(c.dc(), 60, 2);
    int on = 0, off = 0;
    for (int x = 0; x < 60; ++x) (c.At(x, 2) == kWhite ? on : off)++;
    EXPECT_GT(on, 0);
    EXPECT_GT(off, 0);
    EXPECT_EQ(c.At(0, 2), kWhite);
    EXPECT_EQ(c.At(20, 2), kBlack);  // inside the first gap
    SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    EXPECT_TRUE(DeleteObject(pen));
}

TEST(MemoryDC, DashGapsTakeTheBackgroundInOpaqueMode)
{
    Canvas c(30, 3);
    SetBkColor(c.dc(), RGB(0, 0, 255));
    HPEN pen = CreatePen(PS_DASH, 1, kWhite);
    SelectObject(c.dc(), pen);
    MoveToEx(c.dc(), 0, 1, nullptr);
    LineTo(c.dc(), 30, 1);
    EXPECT_EQ(c.At(0, 1), kWhite);
    EXPECT_EQ(c.At(20, 1), RGB(0, 0, 255));
    SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    DeleteObject(pen);
}

TEST(MemoryDC, RectangleOutlinesWithThePenAndFillsWithTheBrush)
{
    Canvas c(20, 20);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    SelectObject(c.dc(), pen);
    SelectObject(c.dc(), brush);
    EXPECT_TRUE(Rectangle(c.dc(), 2, 2, 10, 8));
    EXPECT_EQ(c.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(c.At(9, 7), RGB(255, 0, 0));
    EXPECT_EQ(c.At(5, 5), RGB(0, 255, 0));
    EXPECT_EQ(c.At(10, 5), kBlack);
    EXPECT_EQ(c.At(5, 8), kBlack);
    // With the null brush only the outline is drawn.
    SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
    Rectangle(c.dc(), 12, 12, 18, 18);
    EXPECT_EQ(c.At(12, 15), RGB(255, 0, 0));
    EXPECT_EQ(c.At(15, 15), kBlack);
    SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST(MemoryDC, EllipseFillsItsCentreNotItsCorners)
{
    Canvas c(30, 30);
    SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
    SelectObject(c.dc(), GetStockObject(WHITE_PEN));
    EXPECT_TRUE(Ellipse(c.dc(), 5, 5, 25, 25));
    EXPECT_EQ(c.At(15, 15), kWhite);
    EXPECT_EQ(c.At(5, 5), kBlack);
    EXPECT_EQ(c.At(24, 24), kBlack);
    RECT ink = c.Ink(kBlack);
    EXPECT_GE(ink.left, 5);
    EXPECT_LE(ink.right, 25);
}

TEST(GradientFill, HorizontalGradientHitsBothEndColoursExactly)
{
    Canvas c(200, 10);
    TRIVERTEX v[2] = {{0, 0, 0x0000, 0x0C00, 0x1500, 0}, {200, 10, 0x0100, 0x1700, 0x3200, 0}};
    GRADIENT_RECT mesh{0, 1};
    ASSERT_TRUE(GradientFill(c.dc(), v, 2, &mesh, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(c.At(0, 5), RGB(0, 12, 21));
    EXPECT_EQ(c.At(199, 5), RGB(1, 23, 50));
    COLORREF mid = c.At(100, 5);
    EXPECT_NEAR(GetBValue(mid), 35, 2);
    EXPECT_EQ(c.At(100, 0), c.At(100, 9));  // the colour changes across, not down
    // Blue never decreases from left to right.
    for (int x = 1; x < 200; ++x) EXPECT_GE(GetBValue(c.At(x, 3)), GetBValue(c.At(x - 1, 3))) << x;
}

TEST(GradientFill, RejectsBadMeshesAndTriangles)
{
    Canvas c(10, 10);
    TRIVERTEX v[2] = {{0, 0, 0, 0, 0, 0}, {10, 10, 0xFF00, 0, 0, 0}};
    GRADIENT_RECT bad{0, 5};
    EXPECT_FALSE(GradientFill(c.dc(), v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
    GRADIENT_RECT good{0, 1};
    EXPECT_FALSE(GradientFill(c.dc(), v, 2, &good, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_FALSE(GradientFill(nullptr, v, 2, &good, 1, GRADIENT_FILL_RECT_H));
}

TEST(Bitmaps, SetBitmapBitsTakesBgrxRowsOfGetObjectsLength)
{
    HDC screen = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(256, 192, 1, 32, nullptr);
    ASSERT_NE(bmp, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObject(bmp, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 256);
    EXPECT_EQ(info.bmHeight, 192);
    EXPECT_EQ(info.bmWidthBytes, 1024);
    EXPECT_EQ(info.bmBitsPixel, 32);
    std::vector<BYTE> bits(static_cast<size_t>(info.bmWidthBytes) * 192, 0xAB);  // the unused byte is garbage
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x) {
            BYTE* p = &bits[y * info.bmWidthBytes + 4 * x];
            p[0] = 10, p[1] = 20, p[2] = static_cast<BYTE>(x);  // B, G, R
        }
    EXPECT_EQ(SetBitmapBits(bmp, static_cast<DWORD>(bits.size()), bits.data()), static_cast<LONG>(bits.size()));
    HGDIOBJ old = SelectObject(screen, bmp);
    Canvas target(256, 192);
    ASSERT_TRUE(BitBlt(target.dc(), 0, 0, 256, 192, screen, 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(7, 100), RGB(7, 20, 10));
    EXPECT_EQ(target.At(255, 0), RGB(255, 20, 10));
    SelectObject(screen, old);
    DeleteObject(bmp);
    DeleteDC(screen);
}

TEST(Bitmaps, UnsupportedFormatsAndSizesGiveNull)
{
    EXPECT_EQ(CreateBitmap(10, 10, 1, 8, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(0, 10, 1, 32, nullptr), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, -1, 5), nullptr);
    DeleteDC(dc);
}

TEST(Blits, BitBltCopiesToTheOffsetAndOnlyInsideTheRectangle)
{
    Canvas src(10, 10), dst(20, 20);
    src.Fill(RGB(200, 100, 50));
    ASSERT_TRUE(BitBlt(dst.dc(), 5, 6, 4, 3, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dst.At(5, 6), RGB(200, 100, 50));
    EXPECT_EQ(dst.At(8, 8), RGB(200, 100, 50));
    EXPECT_EQ(dst.At(9, 8), kBlack);
    EXPECT_EQ(dst.At(5, 9), kBlack);
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 0x00EE0086));  // only copying is drawn
}

TEST(Blits, BitBltWithinOneDcCopiesOverlappingAreas)
{
    Canvas c(10, 1);
    for (int x = 0; x < 10; ++x) {
        RECT r{x, 0, x + 1, 1};
        HBRUSH b = CreateSolidBrush(RGB(x * 20, 0, 0));
        FillRect(c.dc(), &r, b);
        DeleteObject(b);
    }
    ASSERT_TRUE(BitBlt(c.dc(), 2, 0, 6, 1, c.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(c.At(2, 0), RGB(0, 0, 0));
    EXPECT_EQ(c.At(7, 0), RGB(100, 0, 0));
}

TEST(Blits, HalftoneStretchAveragesAndColorOnColorPicksPixels)
{
    // A 4 x 2 checkerboard of black and white shrunk to 2 x 1.
    Canvas src(4, 2), half(2, 1), nearest(2, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            if ((x + y) % 2) {
                RECT r{x, y, x + 1, y + 1};
                FillRect(src.dc(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            }
    EXPECT_EQ(SetStretchBltMode(half.dc(), HALFTONE), BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(half.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 4, 2, SRCCOPY));
    EXPECT_NEAR(GetRValue(half.At(0, 0)), 128, 1);
    EXPECT_NEAR(GetGValue(half.At(1, 0)), 128, 1);
    SetStretchBltMode(nearest.dc(), COLORONCOLOR);
    ASSERT_TRUE(StretchBlt(nearest.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 4, 2, SRCCOPY));
    COLORREF p = nearest.At(0, 0);
    EXPECT_TRUE(p == kBlack || p == kWhite);
}

TEST(Blits, ThumbnailStretchKeepsColoursOfUniformAreas)
{
    Canvas src(256, 192), thumb(60, 45);
    RECT left{0, 0, 128, 192};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 200));
    FillRect(src.dc(), &left, blue);
    DeleteObject(blue);
    SetStretchBltMode(thumb.dc(), HALFTONE);
    ASSERT_TRUE(StretchBlt(thumb.dc(), 0, 0, 60, 45, src.dc(), 0, 0, 256, 192, SRCCOPY));
    EXPECT_EQ(thumb.At(5, 20), RGB(0, 0, 200));
    EXPECT_EQ(thumb.At(55, 20), kBlack);
}

TEST(Blits, StretchUpWithTrackPixelRepeatsIt)
{
    Canvas src(12, 1), dst(12, 100);
    src.Fill(RGB(74, 82, 107));
    ASSERT_TRUE(StretchBlt(dst.dc(), 0, 10, 12, 80, src.dc(), 0, 0, 12, 1, SRCCOPY));
    EXPECT_EQ(dst.At(0, 10), RGB(74, 82, 107));
    EXPECT_EQ(dst.At(11, 89), RGB(74, 82, 107));
    EXPECT_EQ(dst.At(5, 90), kBlack);
    EXPECT_EQ(dst.At(5, 9), kBlack);
}

TEST(Text, CentredTextLiesInTheMiddleOfItsRectangle)
{
    Canvas c(200, 60);
    SetTextColor(c.dc(), kWhite);
    SetBkMode(c.dc(), TRANSPARENT);
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(120, "Tahoma"));
    HGDIOBJ old = SelectObject(c.dc(), font);
    RECT r{0, 0, 200, 60};
    EXPECT_GT(DrawText(c.dc(), "Leakage", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
    RECT ink = c.Ink(kBlack);
    ASSERT_LT(ink.left, ink.right);
    int centreX = (ink.left + ink.right) / 2, centreY = (ink.top + ink.bottom) / 2;
    EXPECT_NEAR(centreX, 100, 4);
    EXPECT_NEAR(centreY, 30, 5);
    SelectObject(c.dc(), old);
}

TEST(Text, BottomAlignmentNeedsSingleLine)
{
    // Without DT_SINGLELINE, DT_BOTTOM is ignored and the text stays at the top.
    Canvas multi(80, 80), single(80, 80);
    for (Canvas* c : {&multi, &single}) {
        SetTextColor(c->dc(), kWhite);
        SetBkMode(c->dc(), TRANSPARENT);
    }
    RECT r{0, 0, 80, 80};
    DrawText(multi.dc(), "12.5", -1, &r, DT_CENTER | DT_BOTTOM);
    DrawText(single.dc(), "12.5", -1, &r, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    EXPECT_LT(multi.Ink(kBlack).bottom, 30);
    EXPECT_GT(single.Ink(kBlack).top, 50);
}

TEST(Text, ChineseTextDrawsInkAndOpaqueModeFillsTheBackground)
{
    Canvas c(200, 40);
    CFont font;
    font.CreateFont(-23, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 6, 0x20, "微软雅黑");
    CDC* dc = CDC::FromHandle(c.dc());
    dc->SelectObject(&font);
    dc->SetTextColor(kWhite);
    dc->SetBkColor(RGB(0, 0, 255));
    RECT r{0, 0, 200, 40};
    dc->DrawText(CString("漏电速查"), &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    EXPECT_EQ(c.At(2, 20) == RGB(0, 0, 255) || c.At(3, 20) == RGB(0, 0, 255) || c.At(1, 5) == RGB(0, 0, 255), true);
    RECT ink = c.Ink(kBlack);
    EXPECT_LT(ink.left, 5);
    EXPECT_GT(ink.right - ink.left, 60);  // four wide characters
    EXPECT_EQ(c.At(199, 20), kBlack);
    CSize extent = dc->GetTextExtent(CString("漏电速查"));
    EXPECT_GT(extent.cx, 60);
    EXPECT_GT(extent.cy, 15);
    dc->SelectStockObject(SYSTEM_FONT);
}

TEST(Text, CalcRectSizesWithoutDrawingAndPrefixesAreHidden)
{
    Canvas c(100, 40);
    RECT r{10, 10, 10, 10};
    int h = DrawText(c.dc(), "Snap", -1, &r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GT(h, 0);
    EXPECT_GT(r.right, 10);
    EXPECT_EQ(r.bottom, 10 + h);
    EXPECT_EQ(c.Ink(kBlack).right, 0);  // nothing drawn
    RECT a{0, 0, 0, 0}, b{0, 0, 0, 0};
    DrawText(c.dc(), "&Open", -1, &a, DT_CALCRECT | DT_SINGLELINE);
    DrawText(c.dc(), "Open", -1, &b, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(a.right, b.right);
}

TEST(Text, ClippedToItsRectangleUnlessNoClip)
{
    Canvas clipped(100, 30), free(100, 30);
    for (Canvas* c : {&clipped, &free}) {
        SetTextColor(c->dc(), kWhite);
        SetBkMode(c->dc(), TRANSPARENT);
    }
    RECT r{0, 0, 20, 30};
    DrawText(clipped.dc(), "WWWWWWWW", -1, &r, DT_SINGLELINE);
    DrawText(free.dc(), "WWWWWWWW", -1, &r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_LE(clipped.Ink(kBlack).right, 20);
    EXPECT_GT(free.Ink(kBlack).right, 20);
}

TEST(Text, EndEllipsisKeepsALongLineInsideItsRectangle)
{
    Canvas c(200, 30);
    SetTextColor(c.dc(), kWhite);
    SetBkMode(c.dc(), TRANSPARENT);
    RECT r{0, 0, 60, 30};
    DrawText(c.dc(), "20261210_094512_123.ir", -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    RECT ink = c.Ink(kBlack);
    EXPECT_GT(ink.right, 30);
    EXPECT_LE(ink.right, 60);
}

TEST(Icons, DrawIconAndDrawStatePaintTheIconPixels)
{
    std::vector<std::uint32_t> px(16 * 16, 0xFFFF0000u);  // opaque red
    for (int i = 0; i < 16; ++i) px[i] = 0;                  // first row transparent
    HICON icon = platform::gdi::CreateIconFromPixels(16, 16, px.data(), 16 * 4);
    ASSERT_NE(icon, nullptr);
    Canvas c(64, 64);
    CDC* dc = CDC::FromHandle(c.dc());
    EXPECT_TRUE(dc->DrawState(CPoint(2, 2), CSize(16, 16), icon, DSS_NORMAL));
    EXPECT_EQ(c.At(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(c.At(10, 2), kBlack);  // the transparent row shows what was there
    EXPECT_EQ(c.At(20, 10), kBlack);
    EXPECT_TRUE(DrawIconEx(c.dc(), 30, 30, icon, 32, 32, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(c.At(60, 60), RGB(255, 0, 0));
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    EXPECT_FALSE(DrawIcon(c.dc(), 0, 0, icon));
    EXPECT_EQ(platform::gdi::CreateIconFromPixels(0, 16, px.data(), 64), nullptr);
}

TEST(Objects, SelectObjectReturnsThePreviousOneAndStockDefaults)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN a = CreatePen(PS_SOLID, 1, kWhite), b = CreatePen(PS_DASH, 1, kWhite);
    EXPECT_EQ(SelectObject(dc, a), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, b), a);
    EXPECT_EQ(GetObjectType(a), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    // Deleting the selected pen leaves the DC drawing with it until it is deselected.
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_EQ(GetObjectType(b), 0u);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 4, 4);
    SelectObject(dc, bmp);
    EXPECT_TRUE(LineTo(dc, 3, 0));
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_TRUE(DeleteObject(GetStockObject(NULL_BRUSH)));  // stock objects stay
    EXPECT_NE(GetObjectType(GetStockObject(NULL_BRUSH)), 0u);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(Objects, DeadHandlesFailWithoutHarm)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    DeleteObject(pen);
    DeleteDC(dc);
    RECT r{0, 0, 5, 5};
    auto* bogus = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x1234));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_FALSE(LineTo(bogus, 1, 1));
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_FALSE(Rectangle(dc, 0, 0, 4, 4));
    EXPECT_EQ(DrawText(dc, "x", 1, &r, 0), 0);
    EXPECT_FALSE(BitBlt(bogus, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(SetTextColor(bogus, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetObject(pen, sizeof(BITMAP), nullptr), 0);
    EXPECT_EQ(CDC::FromHandle(bogus), nullptr);
    EXPECT_EQ(GetDC(nullptr), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, bogus), 0);
}

TEST(Objects, WrappersDeleteWhatTheyCreatedAndMemDcPatternWorks)
{
    Canvas screen(40, 30);
    {
        // The double-buffer pattern of the skinned controls: draw into a memory DC, copy in one step.
        CDC* target = CDC::FromHandle(screen.dc());
        CDC mem;
        ASSERT_TRUE(mem.CreateCompatibleDC(target));
        CBitmap bmp;
        ASSERT_TRUE(bmp.CreateCompatibleBitmap(target, 40, 30));
        CBitmap* old = mem.SelectObject(&bmp);
        mem.FillSolidRect(0, 0, 40, 30, RGB(74, 82, 107));
        EXPECT_EQ(mem.GetBkColor(), RGB(74, 82, 107));
        target->BitBlt(0, 0, 40, 30, &mem, 0, 0, SRCCOPY);
        mem.SelectObject(old);
        HGDIOBJ handle = bmp.m_hObject;
        EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_BITMAP));
    }
    EXPECT_EQ(screen.At(39, 29), RGB(74, 82, 107));
}
