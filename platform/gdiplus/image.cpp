#include <cstring>
#include <new>
#include <vector>

#include "platform/gdiplus/gdiplus.h"
#include "platform/gdiplus/pixel_store.h"
#include "platform/gdiplus/png_codec.h"
#include "platform/gdiplus/startup.h"
#include "platform/kernel/argb_pixel.h"

namespace Gdiplus {
namespace {

// The bytes from the stream's position to its end.
bool ReadAll(IStream* stream, std::vector<std::uint8_t>* out)
{
    std::uint8_t chunk[16384];
    for (;;) {
        ULONG got = 0;
        HRESULT hr = stream->Read(chunk, sizeof chunk, &got);
        if (FAILED(hr))
            return false;
        out->insert(out->end(), chunk, chunk + got);
        if (got < sizeof chunk)
            return true;
    }
}

std::unique_ptr<detail::PixelStore> Decode(IStream* stream, Status* status)
{
    std::vector<std::uint8_t> bytes;
    platform::gdiplus::DecodedPng png;
    if (stream == nullptr) {
        *status = InvalidParameter;
        return nullptr;
    }
    if (!ReadAll(stream, &bytes) || !platform::gdiplus::DecodePng(bytes.data(), bytes.size(), &png)) {
        *status = UnknownImageFormat;
        return nullptr;
    }
    auto store = detail::PixelStore::Create(png.width, png.height, png.indexed ? PixelFormat8bppIndexed : PixelFormat32bppARGB);
    if (!store) {
        *status = OutOfMemory;
        return nullptr;
    }
    int rowBytes = png.indexed ? png.width : png.width * 4;
    std::uint8_t* dst = store->Bytes();
    for (int y = 0; y < png.height; ++y)
        std::memcpy(dst + static_cast<std::size_t>(y) * store->Stride(), png.pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    if (png.indexed) {
        store->Palette() = png.palette;
        bool alpha = false;
        for (ARGB e : png.palette)
            alpha = alpha || (e >> 24) != 255;
        store->PaletteFlags() = alpha ? PaletteFlagsHasAlpha : 0;
    }
    store->BytesChanged();
    *status = Ok;
    return store;
}

}  // namespace

// ---- Image ----

Image::Image() = default;

Image::Image(IStream* stream, BOOL)
{
    if (!detail::Started()) {
        m_lastStatus = GdiplusNotInitialized;
        return;
    }
    m_store = Decode(stream, &m_lastStatus);
}

Image* Image::FromStream(IStream* stream, BOOL useEmbeddedColorManagement)
{
    return new (std::nothrow) Image(stream, useEmbeddedColorManagement);
}

Image::~Image() = default;

Status Image::SetStatus(Status status)
{
    if (status != Ok)
        m_lastStatus = status;
    return status;
}

UINT Image::GetWidth()
{
    if (!m_store) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return static_cast<UINT>(m_store->Width());
}

UINT Image::GetHeight()
{
    if (!m_store) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return static_cast<UINT>(m_store->Height());
}

PixelFormat Image::GetPixelFormat()
{
    if (!m_store) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return m_store->Format();
}

Status Image::GetLastStatus()
{
    // As GDI+ does: the status of the last failure, reset by reading it.
    Status s = m_lastStatus;
    m_lastStatus = Ok;
    return s;
}

INT Image::GetPaletteSize()
{
    if (!m_store) {
        SetStatus(InvalidParameter);
        return 0;
    }
    const auto& palette = m_store->Palette();
    if (palette.empty())
        return 0;
    return static_cast<INT>(sizeof(ColorPalette) + sizeof(ARGB) * (palette.size() - 1));
}

Status Image::GetPalette(ColorPalette* palette, INT size)
{
    if (!m_store || palette == nullptr)
        return SetStatus(InvalidParameter);
    const auto& entries = m_store->Palette();
    if (entries.empty())
        return SetStatus(InvalidParameter);
    if (size < GetPaletteSize())
        return SetStatus(InsufficientBuffer);
    palette->Flags = m_store->PaletteFlags();
    palette->Count = static_cast<UINT>(entries.size());
    std::memcpy(palette->Entries, entries.data(), entries.size() * sizeof(ARGB));
    return Ok;
}

Status Image::SetPalette(const ColorPalette* palette)
{
    if (!m_store || palette == nullptr || m_store->Format() != PixelFormat8bppIndexed || palette->Count == 0 ||
        palette->Count > 256)
        return SetStatus(InvalidParameter);
    m_store->Bytes();
    m_store->Palette().assign(palette->Entries, palette->Entries + palette->Count);
    m_store->PaletteFlags() = palette->Flags;
    m_store->BytesChanged();
    return Ok;
}

// ---- Bitmap ----

Bitmap::Bitmap(INT width, INT height, PixelFormat format)
{
    if (!detail::Started()) {
        m_lastStatus = GdiplusNotInitialized;
        return;
    }
    if (width < 1 || height < 1 || !detail::IsKnownFormat(format)) {
        m_lastStatus = InvalidParameter;
        return;
    }
    m_store = detail::PixelStore::Create(width, height, format);
    if (!m_store)
        m_lastStatus = OutOfMemory;
}

Bitmap::Bitmap(IStream* stream, BOOL)
{
    if (!detail::Started()) {
        m_lastStatus = GdiplusNotInitialized;
        return;
    }
    m_store = Decode(stream, &m_lastStatus);
}

Bitmap* Bitmap::FromStream(IStream* stream, BOOL useEmbeddedColorManagement)
{
    return new (std::nothrow) Bitmap(stream, useEmbeddedColorManagement);
}

Status Bitmap::LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* lockedData)
{
    if (!m_store || lockedData == nullptr)
        return SetStatus(InvalidParameter);
    detail::PixelStore& s = *m_store;
    if (s.locked)
        return SetStatus(WrongState);
    Rect r = rect ? *rect : Rect(0, 0, s.Width(), s.Height());
    if (r.X < 0 || r.Y < 0 || r.Width < 1 || r.Height < 1 || r.X > s.Width() - r.Width || r.Y > s.Height() - r.Height)
        return SetStatus(InvalidParameter);
    if ((flags & (ImageLockModeRead | ImageLockModeWrite)) == 0 || (flags & ImageLockModeUserInputBuf))
        return SetStatus(InvalidParameter);
    bool own = format == s.Format();
    if (!own && format != PixelFormat32bppARGB && format != PixelFormat32bppPARGB)
        return SetStatus(InvalidParameter);

    std::uint8_t* bytes = s.Bytes();
    lockedData->Width = static_cast<UINT>(r.Width);
    lockedData->Height = static_cast<UINT>(r.Height);
    lockedData->PixelFormat = format;
    lockedData->Reserved = 0;
    if (own) {
        int bitOffset = r.X * static_cast<int>(GetPixelFormatSize(format));
        lockedData->Stride = s.Stride();
        lockedData->Scan0 = bytes + static_cast<std::size_t>(r.Y) * s.Stride() + bitOffset / 8;
    } else {
        try {
            s.lockCopy.assign(static_cast<std::size_t>(r.Width) * 4 * r.Height, 0);
        } catch (const std::bad_alloc&) {
            return SetStatus(OutOfMemory);
        }
        for (int y = 0; y < r.Height; ++y)
            for (int x = 0; x < r.Width; ++x) {
                ARGB v = s.ReadPixel(r.X + x, r.Y + y);
                if (format == PixelFormat32bppPARGB)
                    v = platform::PremultipliedPixel(v);
                std::memcpy(&s.lockCopy[(static_cast<std::size_t>(y) * r.Width + x) * 4], &v, 4);
            }
        lockedData->Stride = r.Width * 4;
        lockedData->Scan0 = s.lockCopy.data();
    }
    s.locked = true;
    s.lockFlags = flags;
    s.lockRect = r;
    s.lockFormat = format;
    return Ok;
}

Status Bitmap::UnlockBits(BitmapData* lockedData)
{
    if (!m_store || lockedData == nullptr)
        return SetStatus(InvalidParameter);
    detail::PixelStore& s = *m_store;
    if (!s.locked)
        return SetStatus(WrongState);
    if ((s.lockFlags & ImageLockModeWrite) && s.lockFormat != s.Format()) {
        const Rect& r = s.lockRect;
        for (int y = 0; y < r.Height; ++y)
            for (int x = 0; x < r.Width; ++x) {
                ARGB v;
                std::memcpy(&v, &s.lockCopy[(static_cast<std::size_t>(y) * r.Width + x) * 4], 4);
                s.WritePixel(r.X + x, r.Y + y, s.lockFormat == PixelFormat32bppPARGB ? platform::StraightPixel(v) : v);
            }
    }
    s.lockCopy.clear();
    s.lockCopy.shrink_to_fit();
    s.locked = false;
    if (s.lockFlags & ImageLockModeWrite)
        s.BytesChanged();
    return Ok;
}

Status Bitmap::GetPixel(INT x, INT y, Color* color)
{
    if (!m_store || color == nullptr || x < 0 || y < 0 || x >= m_store->Width() || y >= m_store->Height())
        return SetStatus(InvalidParameter);
    if (m_store->locked)
        return SetStatus(WrongState);
    color->SetValue(m_store->ReadPixel(x, y));
    return Ok;
}

Status Bitmap::SetPixel(INT x, INT y, const Color& color)
{
    if (!m_store || x < 0 || y < 0 || x >= m_store->Width() || y >= m_store->Height())
        return SetStatus(InvalidParameter);
    if (m_store->locked)
        return SetStatus(WrongState);
    m_store->WritePixel(x, y, color.GetValue());
    return Ok;
}

}  // namespace Gdiplus
