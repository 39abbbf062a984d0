// OpenGL rendering contexts on window device contexts. Every context draws into an off-screen
// framebuffer of its window's client size (RGB with depth and stencil); SwapBuffers publishes the
// picture into the window's surface, where the window layer's compositor shows it in place.
// OpenGL 1.x and GLU are used directly through <GL/gl.h> and <GL/glu.h>.
//
// Threads: a context is current on at most one thread; wglGetCurrentContext and wglGetCurrentDC
// answer for the calling thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/kernel/win_types.h"
#include "platform/text/text.h"  // WCHAR

#define PFD_DOUBLEBUFFER 0x00000001u
#define PFD_STEREO 0x00000002u
#define PFD_DRAW_TO_WINDOW 0x00000004u
#define PFD_DRAW_TO_BITMAP 0x00000008u
#define PFD_SUPPORT_GDI 0x00000010u
#define PFD_SUPPORT_OPENGL 0x00000020u
#define PFD_TYPE_RGBA 0
#define PFD_TYPE_COLORINDEX 1
#define PFD_MAIN_PLANE 0

struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits;
    BYTE cRedShift;
    BYTE cGreenBits;
    BYTE cGreenShift;
    BYTE cBlueBits;
    BYTE cBlueShift;
    BYTE cAlphaBits;
    BYTE cAlphaShift;
    BYTE cAccumBits;
    BYTE cAccumRedBits;
    BYTE cAccumGreenBits;
    BYTE cAccumBlueBits;
    BYTE cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
};
using LPPIXELFORMATDESCRIPTOR = PIXELFORMATDESCRIPTOR*;

// The one pixel format there is (1): 24-bit RGB, 24-bit depth, 8-bit stencil, double-buffered, for
// windows. 0 for a request it cannot meet (colour index, bitmaps, no OpenGL) or a DC without a window.
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor);
// A window's pixel format is set once; setting another one later fails.
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor);
int GetPixelFormat(HDC dc);
int DescribePixelFormat(HDC dc, int format, UINT size, LPPIXELFORMATDESCRIPTOR descriptor);

// A compatibility-profile context for the DC's window; NULL when OpenGL is not available or the
// window has no pixel format.
HGLRC wglCreateContext(HDC dc);
// Deleting the calling thread's current context makes it not current first.
BOOL wglDeleteContext(HGLRC context);
// (NULL, NULL) or a NULL context: no context current on this thread. Otherwise the context draws
// for the DC's window from now on, its framebuffer sized to the window's client area.
BOOL wglMakeCurrent(HDC dc, HGLRC context);
HGLRC wglGetCurrentContext();
HDC wglGetCurrentDC();
// Publishes the current context's picture into the DC's window. FALSE when the calling thread's
// current context does not draw for that window.
BOOL SwapBuffers(HDC dc);

// Display lists listBase .. listBase + count - 1 drawing the glyphs of characters first ..
// first + count - 1 in the DC's selected font with glBitmap (each moving the raster position by the
// glyph's advance). The A form takes bytes (UTF-8 code units: 0-127 are characters, other bytes
// draw nothing), the W form code points. Needs a current context.
BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase);
BOOL wglUseFontBitmapsW(HDC dc, DWORD first, DWORD count, DWORD listBase);

namespace platform::wgl {

// One text of DrawGlyphRuns: `count` characters (code points) drawn from the raster position that
// glRasterPos2f(x, y) gives.
struct GlyphRun {
    float x = 0;
    float y = 0;
    LPCWSTR text = nullptr;
    int count = 0;
};

// Draws the texts in the DC's selected font, each as lists filled for its characters by
// wglUseFontBitmapsW and called one after another from glRasterPos2f(x, y) draw it, and leaves the
// raster position where the last text ends. The picture is the same, but the glyphs are made once
// per font and character and kept, no list is made, and the texts are drawn together in as few
// draws as the driver allows (where texts cross, each glyph's pixels are still drawn by
// themselves). FALSE without a current context.
BOOL DrawGlyphRuns(HDC dc, const GlyphRun* runs, int count);

// Pixels of the current context's framebuffer to invert, gathered from bitmaps and then inverted
// together. Under an inverting logic operation a pixel's colour depends only on how many
// fragments reach it, so this draws what drawing each bitmap by itself there draws: a pixel that an
// odd number of the bitmaps cover is inverted, every other one is kept.
class PixelInversion {
public:
    // Whether the current drawing state only inverts the pixels that fragments reach (an inverting
    // logic operation, no alpha, depth or stencil test): where it does, gathering and drawing with
    // a PixelInversion gives the picture that drawing there does.
    static bool Applies();
    // A bitmap in glBitmap's layout (rows bottom first, rowBytes bytes each, the most significant
    // bit leftmost) whose lower-left pixel lies at (left, bottom) in window pixels. Pixels outside
    // the framebuffer are dropped. Needs a current context.
    void Add(int left, int bottom, int width, int height, int rowBytes, const std::uint8_t* bits);
    // Inverts the gathered pixels and forgets them; draws nothing when none are gathered. The
    // scissor test applies; every other drawing state is the draw's own and is put back afterwards.
    void Draw();

private:
    // The parts of the gathered rows with pixels set, rows close together joined (y up).
    std::vector<RECT> Bands() const;
    // A part of the mask as an image of a byte a pixel: 0xFF to invert, else 0.
    void MakeImage(const RECT& part);

    int m_width = 0;  // of the framebuffer the pixels were gathered for
    int m_height = 0;
    int m_maskRowBytes = 0;
    // A bit a pixel, set to invert; rows bottom first, the most significant bit leftmost.
    std::vector<std::uint8_t> m_mask;
    RECT m_gathered{0, 0, 0, 0};        // the part of the mask that may have bits set (y up)
    std::vector<std::uint8_t> m_image;  // of the part being drawn
};

}  // namespace platform::wgl
