// The pixels of an image in their own format, and the cairo surfaces that draw them and into them.
//
// The bytes are the truth. Drawing into a format that cairo cannot address directly goes to a
// working surface, copied back into the bytes before anyone reads them; drawing from such a
// format uses a surface converted from the bytes, rebuilt after the bytes change.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdiplus/gdiplus.h"

namespace Gdiplus::detail {

bool IsKnownFormat(PixelFormat format);
// Bytes a row: rows padded to a multiple of 4 bytes.
int StrideFor(int width, PixelFormat format);

class PixelStore {
public:
    // nullptr for a size below 1 or an unknown format, or when the memory cannot be had.
    static std::unique_ptr<PixelStore> Create(int width, int height, PixelFormat format);
    ~PixelStore();
    PixelStore(const PixelStore&) = delete;
    PixelStore& operator=(const PixelStore&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Stride() const { return m_stride; }
    PixelFormat Format() const { return m_format; }
    std::vector<ARGB>& Palette() { return m_palette; }
    UINT& PaletteFlags() { return m_paletteFlags; }

    // The bytes, current with every drawing so far.
    std::uint8_t* Bytes();
    // Call after writing the bytes (a lock for writing, a pixel, the palette).
    void BytesChanged();

    // Straight ARGB of a pixel, and a pixel written from one (indexed: the nearest palette entry).
    ARGB ReadPixel(int x, int y);
    void WritePixel(int x, int y, ARGB argb);

    // A surface to draw into (nullptr for an indexed format); call TargetChanged after drawing.
    cairo_surface_t* Target();
    void TargetChanged();
    // A surface that shows the pixels, premultiplied; nullptr when it cannot be made.
    cairo_surface_t* Source();

    // Lock bookkeeping for Bitmap::LockBits.
    bool locked = false;
    UINT lockFlags = 0;
    Rect lockRect;
    PixelFormat lockFormat = 0;
    std::vector<std::uint8_t> lockCopy;  // the converted pixels when locked in another format

private:
    PixelStore(int width, int height, PixelFormat format);
    // A format whose bytes cairo reads and writes as they are.
    bool Direct() const;
    void SyncBytes();
    ARGB ReadStored(const std::uint8_t* row, int x) const;
    void WriteStored(std::uint8_t* row, int x, ARGB argb) const;

    int m_width;
    int m_height;
    int m_stride;
    PixelFormat m_format;
    std::vector<std::uint8_t> m_bytes;
    std::vector<ARGB> m_palette;
    UINT m_paletteFlags = 0;

    cairo_surface_t* m_direct = nullptr;   // over m_bytes, for the direct formats
    cairo_surface_t* m_work = nullptr;     // drawing target of the other formats
    bool m_workNewer = false;              // m_work holds drawing not yet in the bytes
    bool m_workStale = true;               // the bytes changed since m_work was filled
    cairo_surface_t* m_source = nullptr;   // converted copy for drawing from the other formats
    bool m_sourceStale = true;
};

}  // namespace Gdiplus::detail
