// Image lists: adding, replacing, counting and drawing pictures of one size.
#include "tests/platform_controls/controls_test_support.h"

using controls_test::BitmapPixel;
using controls_test::SolidBitmap;

namespace {

// Draws image `index` into a fresh w x h memory bitmap cleared to grey; returns the bitmap.
HBITMAP DrawInto(CImageList& list, int index, int w, int h, int x, int y, BOOL* ok)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = SolidBitmap(w, h, RGB(128, 128, 128));
    HGDIOBJ old = SelectObject(dc, target);
    CDC* wrapper = CDC::FromHandle(dc);
    *ok = list.Draw(wrapper, index, POINT{x, y}, ILD_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    return target;
}

TEST(ImageList, AddedBitmapsDrawAtTheirPlace)
{
    CImageList list;
    ASSERT_TRUE(list.Create(60, 45, ILC_COLOR32, 8, 1));
    EXPECT_FALSE(list.Create(60, 45, ILC_COLOR32, 8, 1));  // already made
    ASSERT_TRUE(list.SetImageCount(1));
    CBitmap red;
    red.Attach(SolidBitmap(60, 45, RGB(200, 10, 20)));
    EXPECT_EQ(list.Add(&red, RGB(0, 0, 0)), 1);
    EXPECT_EQ(list.GetImageCount(), 2);

    BOOL ok = FALSE;
    HBITMAP drawn = DrawInto(list, 1, 80, 60, 10, 5, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(BitmapPixel(drawn, 10, 5), RGB(200, 10, 20));
    EXPECT_EQ(BitmapPixel(drawn, 69, 49), RGB(200, 10, 20));
    EXPECT_EQ(BitmapPixel(drawn, 70, 49), RGB(128, 128, 128));
    EXPECT_EQ(BitmapPixel(drawn, 9, 5), RGB(128, 128, 128));
    DeleteObject(drawn);

    // The placeholder made by the count is black.
    drawn = DrawInto(list, 0, 60, 45, 0, 0, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(BitmapPixel(drawn, 30, 20), RGB(0, 0, 0));
    DeleteObject(drawn);
}

TEST(ImageList, WideBitmapGivesOneImageForEachWidth)
{
    CImageList list;
    ASSERT_TRUE(list.Create(10, 10, ILC_COLOR24, 1, 1));
    std::vector<std::uint8_t> bits(30 * 10 * 4, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 30; ++x) bits[(y * 30 + x) * 4 + 2] = static_cast<std::uint8_t>(x < 10 ? 50 : x < 20 ? 100 : 150);
    CBitmap strip;
    strip.Attach(CreateBitmap(30, 10, 1, 32, bits.data()));
    EXPECT_EQ(list.Add(&strip, static_cast<CBitmap*>(nullptr)), 0);
    ASSERT_EQ(list.GetImageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        BOOL ok = FALSE;
        HBITMAP drawn = DrawInto(list, i, 10, 10, 0, 0, &ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(BitmapPixel(drawn, 5, 5), RGB(50 * (i + 1), 0, 0));
        DeleteObject(drawn);
    }
}

TEST(ImageList, SmallerBitmapIsPaddedWithBlack)
{
    CImageList list;
    ASSERT_TRUE(list.Create(20, 20, ILC_COLOR32, 1, 1));
    CBitmap small;
    small.Attach(SolidBitmap(8, 8, RGB(255, 255, 255)));
    ASSERT_EQ(list.Add(&small, static_cast<CBitmap*>(nullptr)), 0);
    BOOL ok = FALSE;
    HBITMAP drawn = DrawInto(list, 0, 20, 20, 0, 0, &ok);
    EXPECT_EQ(BitmapPixel(drawn, 7, 7), RGB(255, 255, 255));
    EXPECT_EQ(BitmapPixel(drawn, 8, 8), RGB(0, 0, 0));
    DeleteObject(drawn);
}

TEST(ImageList, ReplaceChangesOneImageOnly)
{
    CImageList list;
    ASSERT_TRUE(list.Create(4, 4, ILC_COLOR32, 1, 1));
    CBitmap a, b;
    a.Attach(SolidBitmap(4, 4, RGB(1, 2, 3)));
    b.Attach(SolidBitmap(4, 4, RGB(9, 8, 7)));
    list.Add(&a, static_cast<CBitmap*>(nullptr));
    list.Add(&a, static_cast<CBitmap*>(nullptr));
    EXPECT_TRUE(list.Replace(1, &b, nullptr));
    EXPECT_FALSE(list.Replace(2, &b, nullptr));
    EXPECT_FALSE(list.Replace(-1, &b, nullptr));
    BOOL ok = FALSE;
    HBITMAP d0 = DrawInto(list, 0, 4, 4, 0, 0, &ok);
    HBITMAP d1 = DrawInto(list, 1, 4, 4, 0, 0, &ok);
    EXPECT_EQ(BitmapPixel(d0, 1, 1), RGB(1, 2, 3));
    EXPECT_EQ(BitmapPixel(d1, 1, 1), RGB(9, 8, 7));
    DeleteObject(d0);
    DeleteObject(d1);
    EXPECT_EQ(list.GetImageCount(), 2);
}

TEST(ImageList, ExtractedIconHasTheImagesPixels)
{
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32, 1, 1));
    CBitmap b;
    b.Attach(SolidBitmap(16, 16, RGB(0, 128, 255)));
    list.Add(&b, static_cast<CBitmap*>(nullptr));
    HICON icon = list.ExtractIcon(0);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(list.ExtractIcon(1), nullptr);
}

TEST(ImageList, BadHandlesAndArgumentsFail)
{
    EXPECT_EQ(ImageList_Create(0, 10, ILC_COLOR32, 1, 1), nullptr);
    HIMAGELIST h = ImageList_Create(10, 10, ILC_COLOR32, 1, 1);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(ImageList_Destroy(h));
    // A destroyed list answers every call with its failure result.
    EXPECT_FALSE(ImageList_Destroy(h));
    EXPECT_EQ(ImageList_GetImageCount(h), 0);
    EXPECT_FALSE(ImageList_SetImageCount(h, 3));
    HBITMAP b = SolidBitmap(10, 10, RGB(1, 1, 1));
    EXPECT_EQ(ImageList_Add(h, b, nullptr), -1);
    EXPECT_FALSE(ImageList_Replace(h, 0, b, nullptr));
    EXPECT_EQ(ImageList_GetIcon(h, 0, 0), nullptr);

    CImageList list;
    ASSERT_TRUE(list.Create(10, 10, ILC_COLOR32, 1, 1));
    EXPECT_EQ(ImageList_Add(list, nullptr, nullptr), -1);
    EXPECT_EQ(list.Add(static_cast<CBitmap*>(nullptr), RGB(0, 0, 0)), -1);
    EXPECT_FALSE(ImageList_Draw(list, 0, nullptr, 0, 0, ILD_NORMAL));
    DeleteObject(b);
}

}  // namespace
