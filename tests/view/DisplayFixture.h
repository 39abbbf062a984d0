// A thermal display in a window, showing a known 256 x 192 frame at zoom 2 (window pixel
// (2x, 2y) shows image pixel (x, y)), with the colour bar's icon flags under the test's control.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "app/CVantrelApp.h"
#include "tests/acquisition/FrameFixture.h"
#include "tests/view/ViewTestSupport.h"
#include "view/CStaticDisplay.h"

namespace view_test {

inline constexpr int kW = 256;
inline constexpr int kH = 192;
inline constexpr std::uint16_t kBase = 19000;  // about 23.7 degrees
inline constexpr std::uint16_t kHot = 21000;   // about 55 degrees
inline constexpr int kHotX = 200;
inline constexpr int kHotY = 150;

// Fills a frame with the base samples, one hot pixel, and a uniform blue colour image.
inline void FillKnownFrame(IrFrame* f)
{
    FillSamples(f, [](int x, int y) { return x == kHotX && y == kHotY ? kHot : kBase; });
    for (int i = 0; i < kW * kH; ++i) {
        f->rgb_buf[3 * i] = 0;
        f->rgb_buf[3 * i + 1] = 0;
        f->rgb_buf[3 * i + 2] = 200;
    }
}

class DisplayFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.CreateTop(2 * kW, 2 * kH));
        ASSERT_TRUE(disp.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 2 * kW, 2 * kH), &host, 4000));
        disp.m_renderer.ZoomAt(0, 0, 2.0f, 0);
        disp.m_pIconFlags = icons;
        theApp.m_nAlarmCountdown = -1;
    }
    void TearDown() override
    {
        disp.DestroyWindow();
        host.DestroyWindow();
        ClipCursor(nullptr);
    }
    RenderView& View() { return disp.m_renderer.m_pViews[0]; }

    HostWnd host;
    CStaticDisplay disp;
    int icons[5] = {0, 0, 0, 0, 0};
};

}  // namespace view_test
