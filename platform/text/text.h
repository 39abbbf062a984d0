// Text for the whole layer: the "ANSI code page" (UTF-8), wide characters, font faces and sizes,
// and the measuring, drawing and rasterising of text through pango.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel/win_types.h"

using WCHAR = wchar_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;

// Code pages: every one of them means UTF-8 here, the code page of CString and of the program's
// literals.
#define CP_ACP 0u
#define CP_OEMCP 1u
#define CP_THREAD_ACP 3u
#define CP_UTF8 65001u
#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u

// Converts multibyte (UTF-8) text to wide characters (one code point a unit). `size` -1 takes
// the text up to and including its terminator. With `wideSize` 0 returns the units needed;
// otherwise the units written, or 0 when the buffer is too small or (with MB_ERR_INVALID_CHARS)
// the text is not valid UTF-8. Invalid bytes otherwise become U+FFFD, one each.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int size, LPWSTR wide, int wideSize);
// The converse; characters that are not valid code points become U+FFFD.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int size, LPSTR text, int textSize,
                        LPCSTR defaultChar, BOOL* usedDefault);

// The byte after the character that starts at `text` (the terminator stays where it is).
LPSTR CharNextA(LPCSTR text);

namespace platform::text {

// The number of characters of UTF-8 text: a whole sequence counts as one, and so does each byte
// that starts no valid sequence. `size` -1: up to the terminator.
int CountCharacters(const char* text, int size = -1);
// Decodes UTF-8 into code points as MultiByteToWideChar does without MB_ERR_INVALID_CHARS.
std::u32string DecodeUtf8(const char* text, int size = -1);
std::string EncodeUtf8(const std::u32string& text);
std::string EncodeUtf8(const wchar_t* text, int size = -1);

// The family installed here for a face the program names ("微软雅黑", "Tahoma", "MS Shell Dlg",
// "Times New Roman", "Courier New"); other faces pass through to fontconfig unchanged.
std::string MapFace(const std::string& face);

// The screen's resolution: point sizes become pixels at 96 dots an inch.
inline constexpr int kDotsPerInch = 96;

// A font as the program asked for it. `height` follows the Windows rule: negative, the character
// (em) height in pixels; positive, the cell height (ascent plus descent); 0, a default size.
struct FontSpec {
    std::string face;  // as requested
    int height = 0;
    int weight = 400;  // 100 to 900, 0 meaning normal
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool antialias = true;  // quality: non-antialiased (3) turns it off

    bool operator==(const FontSpec&) const = default;
};
// A font of `tenthsOfPoint` (CreatePointFont's unit) at 96 dots an inch.
FontSpec PointFont(int tenthsOfPoint, const std::string& face);

// The pixel size of the font's em square, from its height rule.
double EmPixels(const FontSpec& font);

struct TextSize {
    int width = 0;
    int height = 0;
};
// The size of one line of UTF-8 text in the font (height: the font's line height, also for
// empty text).
TextSize MeasureLine(const FontSpec& font, const std::string& text);

// Where and how DrawText places text inside a rectangle.
enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Center, Bottom };
struct TextBox {
    double x = 0, y = 0, width = 0, height = 0;
    HAlign halign = HAlign::Left;
    VAlign valign = VAlign::Top;
    bool singleLine = false;
    bool wordBreak = false;
    bool ellipsis = false;  // a line too long for the box ends in "..."
    bool clip = true;
    int underlined = -1;  // a character drawn underlined (a mnemonic), counted in characters; -1: none
};
// Draws UTF-8 text into a cairo context (void*: a cairo_t) in the colour (r, g, b, a in 0..1) in
// the box; returns the height of the laid-out text. `measureOnly` draws nothing. `boundsOut`
// (may be null) gets the pixel rectangle the text covers.
int DrawTextBox(void* cairoContext, const FontSpec& font, const std::string& text, const TextBox& box,
                double r, double g, double b, double a, bool measureOnly, RECT* boundsOut);

// One glyph as a one-bit bitmap in the layout glBitmap takes: rows from the bottom up, each row
// `rowBytes` bytes with the leftmost pixel in the top bit of the first byte.
struct GlyphBitmap {
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    float originX = 0;  // offset of the bitmap's lower-left corner from the pen position, negated
    float originY = 0;
    float advance = 0;  // horizontal pen movement after the glyph
    std::vector<std::uint8_t> bits;
};
// The glyph of one code point in the font. A code point with nothing to draw (a space, a control
// character) gives an empty bitmap with its advance.
GlyphBitmap RasteriseGlyph(const FontSpec& font, char32_t codePoint);

}  // namespace platform::text
