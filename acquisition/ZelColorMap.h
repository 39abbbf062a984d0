// Palettes, the temperature range with its colour lookup table, the colour window (display range)
// inside it, the alarm threshold and the last coloured frame's minimum and maximum; and the
// conversion between raw samples (1/64 kelvin) and degrees Celsius.
//
// Locking: m_lock belongs to the owners; they take it around changes, the operations here never
// take it. Readers that hold no lock (painting, colouring under another lock) still see a whole
// lookup table: a table is never changed once published, a new one replaces it, and a reader
// keeps the table it took (Lookup) alive until it is done with it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "foundation/CMyLock.h"

// One published lookup table: entry i is the colour (R, G, B) of raw value low + i.
struct ColorLut {
    std::uint16_t low = 0;
    std::uint32_t count = 0;
    std::unique_ptr<std::uint8_t[]> rgb;
};

// A consistent view of the colour map for one colouring pass: the table and the display range as
// they were when it was taken.
class ColorLookup {
public:
    ColorLookup(std::shared_ptr<const ColorLut> lut, std::uint16_t displayLow, std::uint16_t displayHigh)
        : m_lut(std::move(lut)), m_nDisplayLow(displayLow), m_nDisplayHigh(displayHigh)
    {
    }
    // Inside the display range (both ends included) the table's colour, black below it, white above.
    void Color(std::uint16_t raw, std::uint8_t* out) const
    {
        if (raw < m_nDisplayLow) {
            out[0] = out[1] = out[2] = 0x00;
        } else if (raw > m_nDisplayHigh) {
            out[0] = out[1] = out[2] = 0xFF;
        } else {
            const std::uint32_t i = static_cast<std::uint32_t>(raw) - m_lut->low;
            if (raw < m_lut->low || i >= m_lut->count) {
                out[0] = out[1] = out[2] = 0x00;
                return;
            }
            const std::uint8_t* c = m_lut->rgb.get() + 3 * static_cast<std::size_t>(i);
            out[0] = c[0];
            out[1] = c[1];
            out[2] = c[2];
        }
    }
    std::uint16_t DisplayLow() const { return m_nDisplayLow; }
    std::uint16_t DisplayHigh() const { return m_nDisplayHigh; }

private:
    std::shared_ptr<const ColorLut> m_lut;
    std::uint16_t m_nDisplayLow;
    std::uint16_t m_nDisplayHigh;
};

class ZelColorMap {
public:
    ZelColorMap();
    virtual ~ZelColorMap();
    ZelColorMap(const ZelColorMap&) = delete;
    ZelColorMap& operator=(const ZelColorMap&) = delete;

    // Degrees Celsius of a raw sample with the CoefK and CoefB settings.
    static double RawToCelsius(std::uint16_t raw);
    // The raw sample of a temperature, truncated toward zero, its low 16 bits.
    static std::uint16_t CelsiusToRaw(double celsius);

    void SetPalettes(std::uint32_t count, const std::uint32_t* sizes);
    void SetPaletteColors(int palette, const std::uint8_t* colors);
    // Colours of the palettes before this one; a negative index means the current palette.
    std::uint32_t GetPaletteOffset(int palette);
    void SetFrameMinMax(std::uint16_t minimum, std::uint16_t maximum);
    void SetTempRange(double lowCelsius, double highCelsius);
    // end 0 moves the range low, 1 the range high, by delta degrees.
    void AdjustTempRange(int end, double deltaCelsius);
    void SetDisplayRangeRaw(std::uint16_t low, std::uint16_t high);
    void SetDisplayRange(double lowCelsius, double highCelsius);
    // Refills the lookup table from the current palette and the display range.
    void BuildLut();
    void GetColor(std::uint8_t* out, std::uint16_t raw);
    // The table and display range for a colouring pass.
    ColorLookup Lookup() const;

    std::uint8_t* m_pPalette = nullptr;
    std::uint32_t m_nPaletteCount = 0;
    std::uint32_t* m_pPaletteSizes = nullptr;
    std::atomic<std::uint32_t> m_nCurPalette{0};
    // Changed under m_lock, read without it by painting code.
    std::atomic<std::uint16_t> m_nRangeLow{0};
    std::atomic<std::uint16_t> m_nRangeHigh{0};
    std::atomic<std::uint16_t> m_nDisplayLow{0};
    std::atomic<std::uint16_t> m_nDisplayHigh{0};
    std::atomic<std::uint16_t> m_nAlarm{0};
    std::atomic<std::uint16_t> m_nFrameMin{0};
    std::atomic<std::uint16_t> m_nFrameMax{0};
    CMyLock m_lock;

    // The three palettes the capture worker installs: 0 black through blue, purple, red, orange
    // and yellow to pale yellow (256), 1 a grey ramp (256), 2 six colours (red to yellow).
    static constexpr std::uint32_t kPaletteCount = 3;
    static const std::uint32_t kPaletteSizes[kPaletteCount];
    static const std::uint8_t kPalette0[256 * 3];
    static const std::uint8_t kPalette1[256 * 3];
    static const std::uint8_t kPalette2[6 * 3];

private:
    std::shared_ptr<const ColorLut> CurrentLut() const;
    void PublishLut(std::shared_ptr<const ColorLut> lut);
    std::shared_ptr<ColorLut> NewLut() const;

    // Guards only the exchange of the table pointer; held for no other work.
    mutable std::mutex m_lutGuard;
    std::shared_ptr<const ColorLut> m_lut;
};
