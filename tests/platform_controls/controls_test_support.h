// Helpers of the list-view tests: solid-colour bitmaps, pixel reads, and a host window that
// records the notifications its list sends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/controls/CListCtrl.h"
#include "tests/platform_user/user_test_support.h"

namespace controls_test {

// A w x h 32-bit bitmap of one colour.
inline HBITMAP SolidBitmap(int w, int h, COLORREF c)
{
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(w) * h * 4);
    for (std::size_t i = 0; i < bits.size(); i += 4) {
        bits[i] = GetBValue(c);
        bits[i + 1] = GetGValue(c);
        bits[i + 2] = GetRValue(c);
        bits[i + 3] = 0;
    }
    return CreateBitmap(w, h, 1, 32, bits.data());
}

// The colour of a 32-bit bitmap's pixel.
inline COLORREF BitmapPixel(HBITMAP bitmap, int x, int y)
{
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(bm.bmWidthBytes) * bm.bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    const std::uint8_t* p = &bits[static_cast<std::size_t>(y) * bm.bmWidthBytes + x * 4];
    return RGB(p[2], p[1], p[0]);
}

inline std::uint32_t Opaque(COLORREF c) { return platform::user::OpaquePixel(c); }

struct Notice {
    UINT code;
    int item;
    UINT newState;
    UINT oldState;
};

// A top-level window holding the list; keeps every WM_NOTIFY it gets.
class Host : public CWnd {
public:
    std::vector<Notice> notices;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            Notice n{hdr->code, -1, 0, 0};
            if (hdr->code == NM_CLICK || hdr->code == NM_DBLCLK) n.item = reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem;
            if (hdr->code == LVN_ITEMCHANGED) {
                auto* lv = reinterpret_cast<NMLISTVIEW*>(lParam);
                n.item = lv->iItem, n.newState = lv->uNewState, n.oldState = lv->uOldState;
            }
            if (hdr->code != NM_CUSTOMDRAW) notices.push_back(n);
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int Count(UINT code, int item) const
    {
        int k = 0;
        for (const Notice& n : notices) k += n.code == code && n.item == item;
        return k;
    }
};

}  // namespace controls_test
