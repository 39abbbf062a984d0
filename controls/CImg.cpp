#include "controls/CImg.h"

#include <new>
#include <vector>

namespace {

Gdiplus::PixelFormat SupportedFormat(Gdiplus::PixelFormat format)
{
    switch (format) {
    case Gdiplus::PixelFormat8bppIndexed:
    case Gdiplus::PixelFormat16bppRGB555:
    case Gdiplus::PixelFormat16bppRGB565:
    case Gdiplus::PixelFormat24bppRGB:
    case Gdiplus::PixelFormat32bppRGB:
        return format;
    default:
        return Gdiplus::PixelFormat32bppARGB;
    }
}

}  // namespace

CImg::~CImg()
{
    delete m_pBitmap;
    m_pBitmap = nullptr;
}

bool CImg::Create(int width, int height, Gdiplus::PixelFormat format)
{
    delete m_pBitmap;
    m_pBitmap = new (std::nothrow) Gdiplus::Bitmap(width, height, SupportedFormat(format));
    if (m_pBitmap != nullptr && SupportedFormat(format) == Gdiplus::PixelFormat8bppIndexed)
        SetGreyPalette();
    return m_pBitmap != nullptr;
}

void CImg::SetGreyPalette()
{
    const int size = m_pBitmap->GetPaletteSize();
    if (size < static_cast<int>(sizeof(Gdiplus::ColorPalette)))
        return;
    // The palette record ends in a variable number of entries.
    std::vector<std::uint8_t> record(static_cast<std::size_t>(size));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(record.data());
    if (m_pBitmap->GetPalette(palette, size) != Gdiplus::Ok)
        return;
    for (UINT i = 0; i < palette->Count; ++i) {
        const auto level = static_cast<BYTE>(i);
        palette->Entries[i] = Gdiplus::Color::MakeARGB(255, level, level, level);
    }
    m_pBitmap->SetPalette(palette);
}

Gdiplus::Graphics* CImg::GetGraphics() { return Gdiplus::Graphics::FromImage(m_pBitmap); }

void CImg::Draw(Gdiplus::Graphics* graphics, int x, int y, int width, int height)
{
    if (graphics != nullptr)
        graphics->DrawImage(m_pBitmap, x, y, width, height);
}

int CImg::GetWidth() { return m_pBitmap ? static_cast<int>(m_pBitmap->GetWidth()) : -1; }
int CImg::GetHeight() { return m_pBitmap ? static_cast<int>(m_pBitmap->GetHeight()) : -1; }

int CImg::GetPitch()
{
    if (m_pBitmap == nullptr)
        return 0;
    const int width = static_cast<int>(m_pBitmap->GetWidth());
    switch (m_pBitmap->GetPixelFormat()) {
    case Gdiplus::PixelFormat8bppIndexed:
        return (width + 3) & ~3;
    case Gdiplus::PixelFormat16bppRGB555:
    case Gdiplus::PixelFormat16bppRGB565:
        return (2 * width + 2) & ~3;
    case Gdiplus::PixelFormat24bppRGB:
        return (3 * width + 3) & ~3;
    case Gdiplus::PixelFormat32bppRGB:
    case Gdiplus::PixelFormat32bppARGB:
        return 4 * width;
    default:
        return 0;
    }
}

bool CImg::LockBits(BYTE** bits)
{
    if (m_pBitmap == nullptr || bits == nullptr)
        return false;
    const Gdiplus::Rect whole(0, 0, static_cast<int>(m_pBitmap->GetWidth()), static_cast<int>(m_pBitmap->GetHeight()));
    if (m_pBitmap->LockBits(&whole, Gdiplus::ImageLockModeWrite, m_pBitmap->GetPixelFormat(), &m_lockedData) != Gdiplus::Ok)
        return false;
    *bits = static_cast<BYTE*>(m_lockedData.Scan0);
    return true;
}

bool CImg::UnlockBits() { return m_pBitmap != nullptr && m_pBitmap->UnlockBits(&m_lockedData) == Gdiplus::Ok; }
