// Helpers of the widget tests: the application object's state the widgets change, kept and put
// back around each test; a main window for the controls; pixels of a rendered control.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/CVantrelApp.h"
#include "platform/user/CWinApp.h"
#include "platform/user/input.h"
#include "platform/user/surface.h"
#include "tests/platform_user/user_test_support.h"
#include "tests/view/ViewTestSupport.h"

namespace widget_test {

// The colour map, colour mode, window offsets and the three icon settings as a test found them.
class AppStateGuard {
public:
    AppStateGuard()
    {
        ZelColorMap& map = theApp.m_capture.m_colorMap;
        m_low = map.m_nRangeLow;
        m_high = map.m_nRangeHigh;
        m_displayLow = map.m_nDisplayLow;
        m_displayHigh = map.m_nDisplayHigh;
        m_alarm = map.m_nAlarm;
        m_palette = map.m_nCurPalette;
        m_mode = theApp.m_capture.m_nColorMode;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                m_offsets[i][j] = theApp.m_capture.m_winOffset[i][j];
        for (int s = 0; s < 3; ++s)
            m_icons[s] = theApp.m_settings[7 + s].value.nValue;
    }
    ~AppStateGuard()
    {
        ZelColorMap& map = theApp.m_capture.m_colorMap;
        // The round trip through degrees may move an end by one raw unit: the ends are put back
        // exactly, and BuildLut makes a table of their span.
        map.SetTempRange(ZelColorMap::RawToCelsius(m_low), ZelColorMap::RawToCelsius(m_high));
        map.m_nRangeLow = m_low;
        map.m_nRangeHigh = m_high;
        map.m_nDisplayLow = m_displayLow;
        map.m_nDisplayHigh = m_displayHigh;
        map.m_nAlarm = m_alarm;
        map.m_nCurPalette = m_palette;
        map.BuildLut();
        theApp.m_capture.m_nColorMode = m_mode;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                theApp.m_capture.m_winOffset[i][j] = m_offsets[i][j];
        for (int s = 0; s < 3; ++s)
            theApp.m_settings[7 + s].value.nValue = m_icons[s];
    }

private:
    std::uint16_t m_low, m_high, m_displayLow, m_displayHigh, m_alarm;
    std::uint32_t m_palette;
    int m_mode;
    std::int16_t m_offsets[2][2];
    int m_icons[3];
};

// The class library's application object, made here when the program has none, so that the
// widgets find their main window.
inline CWinApp* App()
{
    static std::unique_ptr<CWinApp> own;
    if (!AfxGetApp())
        own = std::make_unique<CWinApp>("widget tests");
    return AfxGetApp();
}

// A main window for the controls, recording its messages; the main window of the application
// while it lives.
class MainWindowTest : public user_test::UserTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(main.CreateTop(0, 0, 500, 700));
        App()->m_pMainWnd = &main;
    }
    void TearDown() override
    {
        App()->m_pMainWnd = nullptr;
        if (::IsWindow(main.m_hWnd))
            main.DestroyWindow();
        user_test::UserTest::TearDown();
    }

    user_test::RecordingWnd main;
    AppStateGuard state;
};

// The colour (0xRRGGBB) of a rendered pixel.
inline std::uint32_t Rgb(const platform::user::Picture& p, int x, int y) { return p.at(x, y) & 0xFFFFFFu; }
inline int Red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
inline int Green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int Blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }

// The control as a picture, also written to a PNG under the test directory for people to look at.
inline platform::user::Picture Shot(HWND control, const std::string& name)
{
    platform::user::Picture picture;
    EXPECT_TRUE(platform::user::RenderWindow(control, &picture));
    platform::user::WritePictureToPng(picture, view_test::OutputPath(name));
    return picture;
}

// How many pixels of the rectangle [x0, x1) x [y0, y1) have exactly this colour.
inline int CountColour(const platform::user::Picture& p, int x0, int y0, int x1, int y1, std::uint32_t rgb)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (Rgb(p, x, y) == rgb)
                ++n;
    return n;
}

}  // namespace widget_test
