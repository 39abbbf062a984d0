#include "acquisition/ColorizeRaw16.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "app/CVantrelApp.h"

namespace {

// A pixel is stored as one 32-bit word whose bytes in memory are R, G, B and a spare one.
static_assert(std::endian::native == std::endian::little);

std::uint32_t PixelWord(const std::uint8_t* rgb)
{
    return rgb[0] | (static_cast<std::uint32_t>(rgb[1]) << 8) | (static_cast<std::uint32_t>(rgb[2]) << 16);
}

// The grey ramp between the fitted frame's minimum and maximum; samples outside it are clamped.
class GreyScale {
public:
    GreyScale(std::uint16_t minimum, std::uint16_t maximum)
        : m_nMin(minimum), m_nSpan(maximum > minimum ? static_cast<int>(maximum) - minimum : 0)
    {
    }
    // Multiplied before it is divided: a precomputed 255 / span truncates the maximum to 254 for
    // some spans (25, 29, 50, ...). The quotient lies well inside an int, whose conversion
    // truncates toward zero as trunc does.
    void Color(std::uint16_t v, std::uint8_t* out) const
    {
        const int g = m_nSpan > 0 ? static_cast<int>((static_cast<int>(v) - m_nMin) * 255.0 / m_nSpan) : 0;
        const std::uint8_t c = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
        out[0] = out[1] = out[2] = c;
    }
    // Every sample at or below the first value is black, every one at or above the last white
    // (all black without a span).
    std::uint16_t First() const { return static_cast<std::uint16_t>(m_nMin); }
    std::uint16_t Last() const { return static_cast<std::uint16_t>(m_nMin + m_nSpan); }

private:
    int m_nMin;
    int m_nSpan;
};

// The colour of every sample value, worked out once per pass for the values first ... last by the
// rule of the pass; every value below first has first's colour and every one above last has
// last's, so that a pixel costs a clamp and a load whatever the rule.
class ColourTable {
public:
    template <class Rule>
    ColourTable(std::uint16_t first, std::uint16_t last, Rule rule)
        : m_nFirst(first), m_nLast(last), m_words(static_cast<std::size_t>(last - first) + 1)
    {
        std::uint8_t rgb[3];
        for (std::uint32_t v = first; v <= last; ++v) {
            rule(static_cast<std::uint16_t>(v), rgb);
            m_words[v - first] = PixelWord(rgb);
        }
    }
    // What a pixel needs of the table, taken by value so that it stays in registers while the
    // pixels' byte stores go on (they could alias anything in memory).
    struct Words {
        const std::uint32_t* words;
        std::uint16_t first;
        std::uint16_t last;
        std::uint32_t Of(std::uint16_t v) const { return words[std::clamp(v, first, last) - first]; }
    };
    Words View() const { return Words{m_words.data(), m_nFirst, m_nLast}; }

private:
    std::uint16_t m_nFirst;
    std::uint16_t m_nLast;
    std::vector<std::uint32_t> m_words;
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
};

// Colours output columns [x0, x1) of one row (x1 > x0). Each pixel but the last is stored as a
// whole word: its spare byte lands on the next pixel, which is stored after it.
template <bool Mirror>
void PaintRow(const std::uint16_t* src, int width, std::uint8_t* out, int x0, int x1, ColourTable::Words table)
{
    auto sample = [=](int x) { return src[Mirror ? width - 1 - x : x]; };
    int x = x0;
    // Unrolled, the loop's own counting no longer costs as much as the lookup.
#pragma GCC unroll 4
    for (; x < x1 - 1; ++x, out += 3) {
        const std::uint32_t word = table.Of(sample(x));
        std::memcpy(out, &word, 4);
    }
    const std::uint32_t word = table.Of(sample(x));
    std::memcpy(out, &word, 3);
}

// Colours output columns [x0, x1) of row y from the table; nothing when the run is empty.
void PaintRun(const SampleMap& map, std::uint8_t* rgb, int y, int x0, int x1, const ColourTable& table)
{
    if (x0 >= x1)
        return;
    std::uint8_t* out = rgb + (static_cast<std::size_t>(y) * map.width + x0) * 3;
    if (map.mirror)
        PaintRow<true>(map.Row(y), map.width, out, x0, x1, table.View());
    else
        PaintRow<false>(map.Row(y), map.width, out, x0, x1, table.View());
}

void PaintAll(const SampleMap& map, std::uint8_t* rgb, const ColourTable& table)
{
    for (int y = 0; y < map.rows; ++y)
        PaintRun(map, rgb, y, 0, map.width, table);
}

// Columns [x0, x1) of one output row.
struct Run {
    int x0;
    int x1;
    bool operator<(const Run& other) const { return x0 < other.x0; }
};

// The columns of output row y inside some rectangle, clipped to the image, in column order
// (they may overlap).
void RectangleRuns(const RectShapeList& rects, int y, int width, std::vector<Run>& runs)
{
    runs.clear();
    for (const RectShape* r : rects) {
        if (!r || y < r->y || y >= static_cast<long long>(r->y) + r->h)
            continue;
        const long long x0 = std::max<long long>(r->x, 0);
        const long long x1 = std::min<long long>(static_cast<long long>(r->x) + r->w, width);
        if (x0 < x1)
            runs.push_back(Run{static_cast<int>(x0), static_cast<int>(x1)});
    }
    std::sort(runs.begin(), runs.end());
}

// Palette colours inside the rectangles and grey elsewhere, each pixel coloured once: the same
// image as grey everywhere with every rectangle coloured over it in turn.
void PaintRectangles(const SampleMap& map, std::uint8_t* rgb, const RectShapeList& rects, const ColourTable& grey,
                     const ColourTable& palette)
{
    std::vector<Run> runs;
    for (int y = 0; y < map.rows; ++y) {
        RectangleRuns(rects, y, map.width, runs);
        int x = 0;  // coloured up to here
        for (const Run& run : runs) {
            if (run.x1 <= x)
                continue;
            const int from = std::max(run.x0, x);
            PaintRun(map, rgb, y, x, from, grey);
            PaintRun(map, rgb, y, from, run.x1, palette);
            x = run.x1;
        }
        PaintRun(map, rgb, y, x, map.width, grey);
    }
}

// The palette's colours by GetColor's rule, over the display range with one value beyond each
// end (black below, white above).
ColourTable PaletteTable(const ColorLookup& lookup)
{
    const std::uint16_t lo = std::min(lookup.DisplayLow(), lookup.DisplayHigh());
    const std::uint16_t hi = std::max(lookup.DisplayLow(), lookup.DisplayHigh());
    return ColourTable(static_cast<std::uint16_t>(lo > 0 ? lo - 1 : 0), static_cast<std::uint16_t>(hi < 65535 ? hi + 1 : 65535),
                       [&](std::uint16_t v, std::uint8_t* out) { lookup.Color(v, out); });
}

// The hot window: palette colours strictly inside the display range, grey elsewhere.
ColourTable HotWindowTable(const ColorLookup& lookup, const GreyScale& grey)
{
    const std::uint16_t lo = lookup.DisplayLow();
    const std::uint16_t hi = lookup.DisplayHigh();
    return ColourTable(std::min({lo, hi, grey.First()}), std::max({lo, hi, grey.Last()}),
                       [&](std::uint16_t v, std::uint8_t* out) {
                           if (v > lo && v < hi)
                               lookup.Color(v, out);
                           else
                               grey.Color(v, out);
                       });
}

ColourTable GreyTable(const GreyScale& grey)
{
    return ColourTable(grey.First(), grey.Last(), [&](std::uint16_t v, std::uint8_t* out) { grey.Color(v, out); });
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
    std::uint8_t* rgb = frame->rgb_buf;

    if (colorMode != 0)
        PaintAll(map, rgb, HotWindowTable(lookup, grey));
    else if (rects && !rects->empty())
        PaintRectangles(map, rgb, *rects, GreyTable(grey), PaletteTable(lookup));
    else
        PaintAll(map, rgb, PaletteTable(lookup));
}
