// A GDI+ bitmap in one of six pixel formats, with its pixels locked for writing in place: the back
// buffer of the shaped button.
#pragma once

#include "platform/gdiplus/gdiplus.h"

class CImg {
public:
    CImg() = default;
    CImg(const CImg&) = delete;
    CImg& operator=(const CImg&) = delete;
    // Deletes the bitmap.
    virtual ~CImg();

    // Replaces the bitmap by a new one of the size in the format: 8-bit indexed (with a grey ramp
    // as its palette), 16-bit RGB555 or RGB565, 24-bit RGB, 32-bit RGB, and 32-bit ARGB for these
    // and any other format value. False only when the bitmap object cannot be had.
    bool Create(int width, int height, Gdiplus::PixelFormat format);
    // A new graphics on the bitmap that the caller deletes; null when it cannot be allocated.
    Gdiplus::Graphics* GetGraphics();
    // Draws the whole bitmap scaled into the rectangle.
    void Draw(Gdiplus::Graphics* graphics, int x, int y, int width, int height);
    // The bitmap's size; -1 without a bitmap.
    int GetWidth();
    int GetHeight();
    // Bytes a row: the row padded to a multiple of 4 bytes; 0 without a bitmap or for a format
    // other than the six.
    int GetPitch();
    // Locks the whole bitmap for writing in its own format, so that `bits` addresses its own first
    // row; false when GDI+ refuses.
    bool LockBits(BYTE** bits);
    bool UnlockBits();

    Gdiplus::Bitmap* m_pBitmap = nullptr;
    Gdiplus::BitmapData m_lockedData{};

private:
    void SetGreyPalette();
};
