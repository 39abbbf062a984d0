#include "platform/gdiplus/pixel_store.h"

#include "platform/kernel/argb_pixel.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace Gdiplus::detail {

bool IsKnownFormat(PixelFormat format)
{
    switch (format) {
    case PixelFormat8bppIndexed:
    case PixelFormat16bppRGB555:
    case PixelFormat16bppRGB565:
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB:
    case PixelFormat32bppPARGB:
        return true;
    default:
        return false;
    }
}

int StrideFor(int width, PixelFormat format)
{
    long long bits = static_cast<long long>(width) * GetPixelFormatSize(format);
    long long stride = (bits + 31) / 32 * 4;
    return stride > INT_MAX ? -1 : static_cast<int>(stride);
}

namespace {

// A default palette for a new indexed bitmap: a 6 x 6 x 6 colour cube, then a grey ramp.
std::vector<ARGB> DefaultPalette()
{
    std::vector<ARGB> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(Color::MakeARGB(255, r * 51, g * 51, b * 51));
    while (palette.size() < 256) {
        BYTE v = static_cast<BYTE>((palette.size() - 216) * 255 / 39);
        palette.push_back(Color::MakeARGB(255, v, v, v));
    }
    return palette;
}

std::uint32_t Expand5(std::uint32_t v) { return (v << 3) | (v >> 2); }
std::uint32_t Expand6(std::uint32_t v) { return (v << 2) | (v >> 4); }

}  // namespace

PixelStore::PixelStore(int width, int height, PixelFormat format)
    : m_width(width), m_height(height), m_stride(StrideFor(width, format)), m_format(format)
{
}

std::unique_ptr<PixelStore> PixelStore::Create(int width, int height, PixelFormat format)
{
    if (width < 1 || height < 1 || !IsKnownFormat(format))
        return nullptr;
    // cairo addresses rows with int strides and offsets.
    if (StrideFor(width, PixelFormat32bppARGB) < 0 || static_cast<long long>(StrideFor(width, PixelFormat32bppARGB)) * height > INT_MAX)
        return nullptr;
    std::unique_ptr<PixelStore> store(new (std::nothrow) PixelStore(width, height, format));
    if (!store)
        return nullptr;
    try {
        store->m_bytes.assign(static_cast<std::size_t>(store->m_stride) * height, 0);
        if (format == PixelFormat8bppIndexed) {
            store->m_palette = DefaultPalette();
            store->m_paletteFlags = PaletteFlagsHalftone;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return store;
}

PixelStore::~PixelStore()
{
    for (cairo_surface_t* s : {m_direct, m_work, m_source})
        if (s != nullptr)
            cairo_surface_destroy(s);
}

bool PixelStore::Direct() const { return m_format == PixelFormat32bppPARGB || m_format == PixelFormat32bppRGB; }

ARGB PixelStore::ReadStored(const std::uint8_t* row, int x) const
{
    switch (m_format) {
    case PixelFormat8bppIndexed: {
        std::size_t index = row[x];
        return index < m_palette.size() ? m_palette[index] : 0xFF000000u;
    }
    case PixelFormat16bppRGB555: {
        std::uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
        return 0xFF000000u | Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 | Expand5(v & 31);
    }
    case PixelFormat16bppRGB565: {
        std::uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
        return 0xFF000000u | Expand5((v >> 11) & 31) << 16 | Expand6((v >> 5) & 63) << 8 | Expand5(v & 31);
    }
    case PixelFormat24bppRGB:
        return 0xFF000000u | static_cast<ARGB>(row[3 * x + 2]) << 16 | row[3 * x + 1] << 8 | row[3 * x];
    default: {
        ARGB word;
        std::memcpy(&word, row + 4 * x, 4);
        if (m_format == PixelFormat32bppRGB)
            return word | 0xFF000000u;
        return m_format == PixelFormat32bppPARGB ? platform::StraightPixel(word) : word;
    }
    }
}

void PixelStore::WriteStored(std::uint8_t* row, int x, ARGB argb) const
{
    std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    switch (m_format) {
    case PixelFormat8bppIndexed: {
        std::size_t best = 0;
        long bestDistance = LONG_MAX;
        for (std::size_t i = 0; i < m_palette.size(); ++i) {
            ARGB e = m_palette[i];
            long dr = static_cast<long>((e >> 16) & 0xFF) - r, dg = static_cast<long>((e >> 8) & 0xFF) - g,
                 db = static_cast<long>(e & 0xFF) - b, da = static_cast<long>(e >> 24) - (argb >> 24);
            long distance = dr * dr + dg * dg + db * db + da * da;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        row[x] = static_cast<std::uint8_t>(best);
        return;
    }
    case PixelFormat16bppRGB555: {
        std::uint32_t v = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
        row[2 * x] = v & 0xFF;
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        return;
    }
    case PixelFormat16bppRGB565: {
        std::uint32_t v = (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
        row[2 * x] = v & 0xFF;
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        return;
    }
    case PixelFormat24bppRGB:
        row[3 * x] = static_cast<std::uint8_t>(b);
        row[3 * x + 1] = static_cast<std::uint8_t>(g);
        row[3 * x + 2] = static_cast<std::uint8_t>(r);
        return;
    default: {
        ARGB word = m_format == PixelFormat32bppPARGB ? platform::PremultipliedPixel(argb)
                    : m_format == PixelFormat32bppRGB ? (argb | 0xFF000000u)
                                                      : argb;
        std::memcpy(row + 4 * x, &word, 4);
        return;
    }
    }
}

void PixelStore::SyncBytes()
{
    if (Direct()) {
        if (m_direct != nullptr)
            cairo_surface_flush(m_direct);
        return;
    }
    if (!m_workNewer || m_work == nullptr)
        return;
    cairo_surface_flush(m_work);
    const std::uint8_t* data = cairo_image_surface_get_data(m_work);
    int stride = cairo_image_surface_get_stride(m_work);
    bool opaque = cairo_image_surface_get_format(m_work) == CAIRO_FORMAT_RGB24;
    for (int y = 0; y < m_height; ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        std::uint8_t* row = m_bytes.data() + static_cast<std::size_t>(y) * m_stride;
        for (int x = 0; x < m_width; ++x)
            WriteStored(row, x, opaque ? (in[x] | 0xFF000000u) : platform::StraightPixel(in[x]));
    }
    m_workNewer = false;
}

std::uint8_t* PixelStore::Bytes()
{
    SyncBytes();
    return m_bytes.data();
}

void PixelStore::BytesChanged()
{
    m_workStale = true;
    m_sourceStale = true;
    if (m_direct != nullptr)
        cairo_surface_mark_dirty(m_direct);
}

ARGB PixelStore::ReadPixel(int x, int y) { return ReadStored(Bytes() + static_cast<std::size_t>(y) * m_stride, x); }

void PixelStore::WritePixel(int x, int y, ARGB argb)
{
    WriteStored(Bytes() + static_cast<std::size_t>(y) * m_stride, x, argb);
    BytesChanged();
}

cairo_surface_t* PixelStore::Target()
{
    if (m_format == PixelFormat8bppIndexed)
        return nullptr;
    if (Direct()) {
        if (m_direct == nullptr) {
            cairo_format_t f = m_format == PixelFormat32bppRGB ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
            m_direct = cairo_image_surface_create_for_data(m_bytes.data(), f, m_width, m_height, m_stride);
            if (cairo_surface_status(m_direct) != CAIRO_STATUS_SUCCESS) {
                cairo_surface_destroy(m_direct);
                m_direct = nullptr;
            }
        }
        return m_direct;
    }
    if (m_work == nullptr) {
        cairo_format_t f = m_format == PixelFormat32bppARGB ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
        m_work = cairo_image_surface_create(f, m_width, m_height);
        if (cairo_surface_status(m_work) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(m_work);
            m_work = nullptr;
            return nullptr;
        }
        m_workStale = true;
    }
    if (m_workStale && !m_workNewer) {
        cairo_surface_flush(m_work);
        std::uint8_t* data = cairo_image_surface_get_data(m_work);
        int stride = cairo_image_surface_get_stride(m_work);
        for (int y = 0; y < m_height; ++y) {
            auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            const std::uint8_t* row = m_bytes.data() + static_cast<std::size_t>(y) * m_stride;
            for (int x = 0; x < m_width; ++x)
                out[x] = platform::PremultipliedPixel(ReadStored(row, x));
        }
        cairo_surface_mark_dirty(m_work);
        m_workStale = false;
    }
    return m_work;
}

void PixelStore::TargetChanged()
{
    if (Direct()) {
        if (m_direct != nullptr)
            cairo_surface_flush(m_direct);
    } else {
        m_workNewer = true;
    }
    m_sourceStale = true;
}

cairo_surface_t* PixelStore::Source()
{
    if (Direct())
        return Target();
    SyncBytes();
    if (m_source == nullptr) {
        m_source = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, m_width, m_height);
        if (cairo_surface_status(m_source) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(m_source);
            m_source = nullptr;
            return nullptr;
        }
        m_sourceStale = true;
    }
    if (m_sourceStale) {
        cairo_surface_flush(m_source);
        std::uint8_t* data = cairo_image_surface_get_data(m_source);
        int stride = cairo_image_surface_get_stride(m_source);
        for (int y = 0; y < m_height; ++y) {
            auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            const std::uint8_t* row = m_bytes.data() + static_cast<std::size_t>(y) * m_stride;
            for (int x = 0; x < m_width; ++x)
                out[x] = platform::PremultipliedPixel(ReadStored(row, x));
        }
        cairo_surface_mark_dirty(m_source);
        m_sourceStale = false;
    }
    return m_source;
}

}  // namespace Gdiplus::detail
