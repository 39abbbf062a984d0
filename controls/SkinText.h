// The bold, anti-aliased text of the skinned controls (signal light and shaped button): their
// fixed wide-character buffers for face names and texts, and the one way both draw text.
#pragma once

#include "platform/gdiplus/gdiplus.h"
#include "platform/kernel/CString.h"
#include "platform/text/text.h"

// The face-name buffer holds 127 characters and a terminating zero; a text is drawn from a buffer
// of 256 wide characters, so at most 255 of its characters.
constexpr int kFaceNameChars = 128;
constexpr int kTextBufferChars = 256;

// Clears the whole buffer and converts as many whole characters of the multibyte text as fit in
// front of its terminating zero; a longer text is cut there, never written past the buffer.
void WidenIntoBuffer(LPCSTR text, WCHAR* buffer, int size);

// What a skinned control's text looks like: bold, of the face and size in points, in the colour,
// aligned in its layout rectangle by the two GDI+ alignments.
struct SkinTextStyle {
    const WCHAR* face;
    int points;
    Gdiplus::ARGB colour;
    Gdiplus::StringAlignment horizontal;
    Gdiplus::StringAlignment vertical;
};

// Draws the text (cut to the 256-character buffer) into the layout rectangle with anti-aliasing
// fitted to the pixel grid. GDI+ failures draw nothing and are not reported.
void DrawSkinText(Gdiplus::Graphics& graphics, const CString& text, const SkinTextStyle& style,
                  const Gdiplus::RectF& layout);
