// The thumbnail loaders make bitmaps, memory DCs and halftone stretches on their own threads while
// the user-interface thread draws lines: objects and DCs of different threads must not disturb each other.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/gdi/gdi.h"

namespace {

// Scales a 256 x 192 picture of one colour to 60 x 45 and returns the middle pixel.
COLORREF MakeThumbnail(BYTE shade)
{
    HBITMAP frame = CreateBitmap(256, 192, 1, 32, nullptr);
    std::vector<BYTE> bits(256 * 192 * 4, shade);
    SetBitmapBits(frame, static_cast<DWORD>(bits.size()), bits.data());
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
    HGDIOBJ oldA = SelectObject(a, frame);
    HBITMAP thumb = CreateCompatibleBitmap(a, 60, 45);
    HGDIOBJ oldB = SelectObject(b, thumb);
    SetStretchBltMode(b, HALFTONE);
    StretchBlt(b, 0, 0, 60, 45, a, 0, 0, 256, 192, SRCCOPY);
    std::vector<BYTE> out(60 * 45 * 4);
    GetBitmapBits(thumb, static_cast<LONG>(out.size()), out.data());
    SelectObject(a, oldA);
    SelectObject(b, oldB);
    DeleteDC(a);
    DeleteDC(b);
    DeleteObject(frame);
    DeleteObject(thumb);
    const BYTE* p = &out[(22 * 60 + 30) * 4];
    return RGB(p[2], p[1], p[0]);
}

}  // namespace

TEST(DrawingThreads, LoadersAndThePaintDrawSideBySide)
{
    std::vector<std::thread> loaders;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
        loaders.emplace_back([t, &wrong] {
            for (int i = 0; i < 20; ++i) {
                BYTE shade = static_cast<BYTE>(40 * t + i);
                if (MakeThumbnail(shade) != RGB(shade, shade, shade)) ++wrong[t];
            }
        });
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 200, 40);
    SelectObject(dc, bmp);
    HPEN pen = CreatePen(PS_DASH, 1, RGB(200, 200, 200));
    SelectObject(dc, pen);
    for (int i = 0; i < 200; ++i) {
        MoveToEx(dc, 0, i % 40, nullptr);
        EXPECT_TRUE(LineTo(dc, 200, i % 40));
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
    for (auto& l : loaders) l.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << t;
    DeleteDC(dc);
    DeleteObject(bmp);
}
