// Helpers of the tests on a real X server: the message loop run while waiting for a condition,
// and comparisons of pictures (a screen read back, a window rendered off-screen).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>

#include "platform/user/CWnd.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"

namespace xserver_test {

using platform::user::Picture;
using Clock = std::chrono::steady_clock;

// Handles this thread's messages one at a time as the program's message loop does (which presents
// the windows only when the queue runs empty) until done() holds; done() is checked at most every
// 20 ms. False when it still does not hold after the time-out.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    auto nextCheck = Clock::now();
    for (;;) {
        const auto now = Clock::now();
        if (now >= nextCheck) {
            if (done())
                return true;
            if (now >= deadline)
                return false;
            nextCheck = Clock::now() + std::chrono::milliseconds(20);
        }
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

// The greatest difference of the red, green and blue channels of two pixels.
inline int ColourDistance(std::uint32_t a, std::uint32_t b)
{
    int most = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        most = d > most ? d : most;
    }
    return most;
}

inline std::uint32_t Rgb(int r, int g, int b)
{
    return 0xFF000000u | static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b);
}

inline bool Inside(const Picture& p, POINT point)
{
    return point.x >= 0 && point.y >= 0 && point.x < p.width && point.y < p.height;
}

inline bool Inside(const Picture& p, const RECT& region)
{
    return region.left >= 0 && region.top >= 0 && region.right <= p.width && region.bottom <= p.height &&
           region.left < region.right && region.top < region.bottom;
}

// The share of the region's pixels in which two pictures agree within the tolerance; 0 when the
// region lies outside either.
inline double MatchingShare(const Picture& a, const Picture& b, const RECT& region, int tolerance)
{
    if (!Inside(a, region) || !Inside(b, region))
        return 0.0;
    long matching = 0;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x)
            matching += ColourDistance(a.at(x, y), b.at(x, y)) <= tolerance ? 1 : 0;
    return static_cast<double>(matching) / (static_cast<double>(region.right - region.left) * (region.bottom - region.top));
}

// The number of different colours in the region for which keep() holds; 0 when the region lies
// outside the picture.
inline std::size_t DistinctColours(const Picture& p, const RECT& region,
                                   const std::function<bool(std::uint32_t)>& keep = nullptr)
{
    if (!Inside(p, region))
        return 0;
    std::set<std::uint32_t> colours;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x)
            if (!keep || keep(p.at(x, y)))
                colours.insert(p.at(x, y) & 0xFFFFFFu);
    return colours.size();
}

// A window's client rectangle in screen coordinates.
inline RECT ScreenRectOf(const CWnd& wnd)
{
    RECT r;
    wnd.GetClientRect(&r);
    POINT origin{0, 0};
    wnd.ClientToScreen(&origin);
    return RECT{origin.x, origin.y, origin.x + r.right, origin.y + r.bottom};
}

// A child's client rectangle in its top-level window's client coordinates.
inline RECT RectInParent(const CWnd& child)
{
    RECT r;
    child.GetClientRect(&r);
    ::MapWindowPoints(child.GetSafeHwnd(), ::GetParent(child.GetSafeHwnd()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Where pictures of a failed test go: the test programs' temporary folder.
inline std::string ArtefactPath(const std::string& name)
{
    const char* tmp = std::getenv("VANTREL_TEST_TMP");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name;
}

}  // namespace xserver_test
