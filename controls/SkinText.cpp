#include "controls/SkinText.h"

#include <algorithm>

void WidenIntoBuffer(LPCSTR text, WCHAR* buffer, int size)
{
    if (buffer == nullptr || size < 1)
        return;
    std::fill(buffer, buffer + size, L'\0');
    if (text == nullptr)
        return;
    // Walk whole characters so that the cut never splits a multibyte sequence.
    LPCSTR end = text;
    for (int n = 0; n < size - 1 && *end != '\0'; ++n)
        end = CharNextA(end);
    const int bytes = static_cast<int>(end - text);
    if (bytes > 0)
        MultiByteToWideChar(CP_THREAD_ACP, 0, text, bytes, buffer, size - 1);
}

void DrawSkinText(Gdiplus::Graphics& graphics, const CString& text, const SkinTextStyle& style,
                  const Gdiplus::RectF& layout)
{
    Gdiplus::FontFamily family(style.face);
    Gdiplus::Font font(&family, static_cast<Gdiplus::REAL>(style.points), Gdiplus::FontStyleBold, Gdiplus::UnitPoint);
    Gdiplus::StringFormat format(0, Gdiplus::LANG_NEUTRAL);
    format.SetAlignment(style.horizontal);
    format.SetLineAlignment(style.vertical);
    Gdiplus::SolidBrush brush{Gdiplus::Color(style.colour)};
    WCHAR wide[kTextBufferChars];
    WidenIntoBuffer(text, wide, kTextBufferChars);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    graphics.DrawString(wide, -1, &font, layout, &format, &brush);
}
