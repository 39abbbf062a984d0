#include "acquisition/ColorizeRaw16.h"

#include <algorithm>
#include <cmath>

#include "app/CVantrelApp.h"

namespace {

// The grey ramp between the fitted frame's minimum and maximum; samples outside it are clamped.
class GreyScale {
public:
    GreyScale(std::uint16_t minimum, std::uint16_t maximum)
        : m_nMin(minimum), m_nSpan(maximum > minimum ? static_cast<int>(maximum) - minimum : 0)
    {
    }
    // Multiplied before it is divided: a precomputed 255 / span truncates the maximum to 254 for
    // some spans (25, 29, 50, ...).
    void Color(std::uint16_t v, std::uint8_t* out) const
    {
        const double g = m_nSpan > 0 ? std::trunc((static_cast<int>(v) - m_nMin) * 255.0 / m_nSpan) : 0.0;
        const std::uint8_t c = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
        out[0] = out[1] = out[2] = c;
    }

private:
    int m_nMin;
    int m_nSpan;
};

// Maps output pixels to their source samples through the flip and mirror flags.
struct SampleMap {
    const std::uint16_t* samples;
    int width;
    int rows;
    int stride;
    bool flip;
    bool mirror;

    const std::uint16_t* Row(int y) const { return samples + static_cast<std::size_t>(flip ? rows - 1 - y : y) * stride; }
    int Column(int x) const { return mirror ? width - 1 - x : x; }
};

// Colours output rows [y0, y1) and columns [x0, x1) with pick(sample, out).
template <class Pick>
void Paint(const SampleMap& map, std::uint8_t* rgb, int y0, int y1, int x0, int x1, Pick pick)
{
    for (int y = y0; y < y1; ++y) {
        const std::uint16_t* src = map.Row(y);
        std::uint8_t* out = rgb + (static_cast<std::size_t>(y) * map.width + x0) * 3;
        for (int x = x0; x < x1; ++x, out += 3)
            pick(src[map.Column(x)], out);
    }
}

}  // namespace

void ColorizeRaw16(IrFrame* frame, ZelColorMap* colorMap, std::uint32_t colorMode, const RectShapeList* rects,
                   std::uint32_t)
{
    if (!frame || !colorMap || !frame->temp_data || !frame->rgb_buf)
        return;
    const int width = frame->image_info[0];
    const int rows = frame->image_info[1];
    const int stride = frame->temp_info[0];
    // The samples read must lie inside the temperature half.
    if (width <= 0 || rows <= 0 || stride < width ||
        static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(stride) * 2 > frame->temp_size)
        return;

    const int flags = theApp.m_nFlipMirror;
    const SampleMap map{frame->temp_data, width, rows, stride, (flags & 2) != 0, (flags & 1) != 0};
    // One table and one display range for the whole pass, whatever other threads change meanwhile.
    const ColorLookup lookup = colorMap->Lookup();
    const GreyScale grey(colorMap->m_nFrameMin, colorMap->m_nFrameMax);
    auto palette = [&](std::uint16_t v, std::uint8_t* out) { lookup.Color(v, out); };
    std::uint8_t* rgb = frame->rgb_buf;

    if (colorMode != 0) {
        const std::uint16_t lo = lookup.DisplayLow();
        const std::uint16_t hi = lookup.DisplayHigh();
        Paint(map, rgb, 0, rows, 0, width, [&](std::uint16_t v, std::uint8_t* out) {
            if (v > lo && v < hi)
                lookup.Color(v, out);
            else
                grey.Color(v, out);
        });
    } else if (rects && !rects->empty()) {
        Paint(map, rgb, 0, rows, 0, width, [&](std::uint16_t v, std::uint8_t* out) { grey.Color(v, out); });
        for (const RectShape* r : *rects) {
            if (!r)
                continue;
            const long long y0 = std::max<long long>(r->y, 0);
            const long long y1 = std::min<long long>(static_cast<long long>(r->y) + r->h, rows);
            const long long x0 = std::max<long long>(r->x, 0);
            const long long x1 = std::min<long long>(static_cast<long long>(r->x) + r->w, width);
            if (y0 < y1 && x0 < x1)
                Paint(map, rgb, static_cast<int>(y0), static_cast<int>(y1), static_cast<int>(x0), static_cast<int>(x1),
                      palette);
        }
    } else {
        Paint(map, rgb, 0, rows, 0, width, palette);
    }
}
