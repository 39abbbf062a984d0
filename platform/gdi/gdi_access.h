// What the layer's other drawing concerns need of a device context: its cairo context and target
// surface (GDI+ graphics on an HDC), its window (OpenGL contexts), its selected font (glyph
// lists), and bitmaps made from pixels (bitmap resources). Not for the program's code.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

// The DC's cairo context, clipped as the DC is (a paint DC to its update rectangle), drawing into
// SurfaceOf(dc); null for a dead DC or one with no pixels (a window of empty size). Valid until the
// next call of the layer on this DC; wrap changes in cairo_save/cairo_restore. After drawing call
// cairo_surface_flush on the surface.
cairo_t* CairoOf(HDC dc);
cairo_surface_t* SurfaceOf(HDC dc);
// The font selected into the DC (its default font when none was selected); false for a dead DC.
bool SelectedFont(HDC dc, platform::text::FontSpec* out);
// The font a font handle stands for; false for a dead handle.
bool FontSpecOf(HFONT font, platform::text::FontSpec* out);
// A 32-bit bitmap from premultiplied ARGB pixels (`stride` bytes a row); pixels are made opaque, as
// GDI bitmaps have no alpha. NULL for an empty size.
HBITMAP CreateBitmapFromPixels(int width, int height, const std::uint32_t* pixels, int stride);
// The bitmap's pixels as a cairo image surface (owned by the bitmap); null for a dead handle.
cairo_surface_t* BitmapSurface(HBITMAP bitmap);

}  // namespace platform::gdi
