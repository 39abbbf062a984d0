// Helpers of the thumbnail-list tests: a run of a list's loader, its items, and the pixels of its
// thumbnails.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/CVantrelApp.h"
#include "controls/CListCtrlThumbnail.h"
#include "platform/kernel/clock.h"
#include "tests/controls/SkinTestSupport.h"
#include "tests/controls/ThumbnailFiles.h"

namespace thumbnail_test {

// Starts the list's loader with the action and serves the list until the loader has ended.
inline bool RunLoader(CListCtrlThumbnail& list, int action, DWORD timeoutMs = 120000)
{
    list.m_nAction = action;
    if (!list.ThreadWorkerStart())
        return false;
    const DWORD start = GetTickCount();
    while (list.IsThreadWorkerRunning()) {
        skin_test::Pump();
        if (GetTickCount() - start > timeoutMs)
            return false;
    }
    skin_test::Pump();
    return true;
}

inline std::set<std::string> ItemNames(const CListCtrlThumbnail& list)
{
    std::set<std::string> names;
    for (int i = 0; i < list.GetItemCount(); ++i)
        names.insert(list.GetItemText(i, 0).GetString());
    return names;
}

inline int ItemOf(const CListCtrlThumbnail& list, const std::string& name)
{
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemText(i, 0).str() == name)
            return i;
    return -1;
}

inline int ImageOf(const CListCtrlThumbnail& list, int item)
{
    LVITEM shown{};
    shown.mask = LVIF_IMAGE;
    shown.iItem = item;
    return list.GetItem(&shown) ? shown.iImage : -1;
}

// A pixel of image `image` of the list's image list.
inline COLORREF ThumbnailPixel(CListCtrlThumbnail& list, int image, int x, int y)
{
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateBitmap(CListCtrlThumbnail::kThumbWidth, CListCtrlThumbnail::kThumbHeight, 1, 32, nullptr);
    CBitmap* old = dc.SelectObject(&bitmap);
    ImageList_Draw(list.m_imageList, image, dc, 0, 0, ILD_NORMAL);
    dc.SelectObject(old);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(CListCtrlThumbnail::kThumbWidth) * CListCtrlThumbnail::kThumbHeight * 4);
    bitmap.GetBitmapBits(static_cast<DWORD>(bits.size()), bits.data());
    const std::uint8_t* p = &bits[(static_cast<std::size_t>(y) * CListCtrlThumbnail::kThumbWidth + x) * 4];
    return RGB(p[2], p[1], p[0]);
}

// The colour the capture's colouring gives a board's cold and hot halves now.
struct HalfColours {
    COLORREF cold;
    COLORREF hot;
};
inline HalfColours ColoursNow()
{
    IrFrame frame;
    BoardFrame(&frame, true);
    theApp.m_capture.ColorizeFrame(&frame, nullptr);
    auto at = [&](int x) {
        const std::uint8_t* p = frame.rgb_buf + (static_cast<std::size_t>(kRows / 2) * kWidth + x) * 3;
        return RGB(p[0], p[1], p[2]);
    };
    HalfColours colours{at(kWidth - 10), at(10)};
    ircam_frame_free(&frame);
    return colours;
}

// Puts the colour map's palette back after a test that changes it.
class PaletteGuard {
public:
    PaletteGuard() : m_palette(theApp.m_capture.m_colorMap.m_nCurPalette) {}
    ~PaletteGuard() { theApp.m_capture.m_colorMap.m_nCurPalette = m_palette; }

private:
    std::uint32_t m_palette;
};

}  // namespace thumbnail_test
