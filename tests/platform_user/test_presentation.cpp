// Presentation of only what changed: after any sequence of changes (paints of parts of windows,
// moves, resizes, shows and hides, restacking, windows made and destroyed, a resized top-level
// window) the display shows exactly the full composition of the tree; and what nobody announced
// as changed is not composed again.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/platform_user/user_test_support.h"

namespace {

using namespace user_test;
using platform::user::Picture;

constexpr std::uint32_t kFramePixel = 0xFF000000u;

// Paints what its update region covers in its current colour, as a window painting only the
// invalidated part does.
class PaintingWnd : public CWnd {
public:
    std::uint32_t colour = 0xFF808080u;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_PAINT) return CWnd::WindowProc(message, wParam, lParam);
        RECT r{};
        if (platform::user::TakeUpdateRegion(m_hWnd, &r, nullptr)) FillPart(r, colour);
        return 0;
    }
    void FillPart(const RECT& r, std::uint32_t pixel)
    {
        platform::user::Surface* s = platform::user::GetWindowSurface(m_hWnd);
        for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, s->height); ++y)
            for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, s->width); ++x) s->row(y)[x] = pixel;
        platform::user::MarkSurfaceChanged(m_hWnd, &r);
    }
};

// Every way the picture of a window tree can change, chosen at random from a seed.
class ChangingTree {
public:
    explicit ChangingTree(unsigned seed) : m_random(seed)
    {
        EXPECT_TRUE(m_top.CreateEx(0, nullptr, "presented", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 170, 130, nullptr, nullptr));
        for (int i = 0; i < 5; ++i) AddChild(i == 1 ? &*m_windows.front() : nullptr);
    }
    ~ChangingTree() { m_top.DestroyWindow(); }

    HWND Top() const { return m_top.m_hWnd; }

    // One change; returns what it was, for the failure message.
    std::string Change()
    {
        PaintingWnd& w = *m_windows[Pick(0, static_cast<int>(m_windows.size()) - 1)];
        switch (Pick(0, 8)) {
        case 0: {  // a part of a window painted again
            RECT r = SomeRect(w.m_hWnd);
            w.colour = SomeColour();
            w.InvalidateRect(&r, FALSE);
            return "paint of a part";
        }
        case 1: {  // pixels written and announced outside a paint
            w.FillPart(SomeRect(w.m_hWnd), SomeColour());
            return "announced write";
        }
        case 2:
            w.SetWindowPos(nullptr, Pick(-20, 150), Pick(-20, 110), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            return "move";
        case 3:
            w.SetWindowPos(nullptr, 0, 0, Pick(1, 90), Pick(1, 70), SWP_NOMOVE | SWP_NOZORDER);
            return "resize";
        case 4:
            w.ShowWindow((GetWindowLong(w.m_hWnd, GWL_STYLE) & WS_VISIBLE) ? SW_HIDE : SW_SHOWNA);
            return "show or hide";
        case 5:
            ::SetWindowPos(w.m_hWnd, Pick(0, 1) ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            return "restack";
        case 6:
            if (m_windows.size() > 3) {
                w.DestroyWindow();  // and its children with it
                std::erase_if(m_windows, [](const auto& p) { return !::IsWindow(p->m_hWnd); });
                if (m_windows.empty()) AddChild(nullptr);
                return "destroy";
            }
            AddChild(nullptr);
            return "create";
        case 7:
            AddChild(&w);
            return "create a grandchild";
        default:
            m_top.SetWindowPos(nullptr, 0, 0, Pick(60, 200), Pick(50, 150), SWP_NOMOVE | SWP_NOZORDER);
            return "resize the top-level window";
        }
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    RECT SomeRect(HWND hwnd)
    {
        RECT c{};
        GetClientRect(hwnd, &c);
        const int x = Pick(0, std::max<int>(0, c.right - 1)), y = Pick(0, std::max<int>(0, c.bottom - 1));
        return RECT{x, y, x + Pick(1, 40), y + Pick(1, 30)};
    }
    // Opaque, or half transparent so that what lies under it shows through.
    std::uint32_t SomeColour()
    {
        const std::uint32_t rgb = static_cast<std::uint32_t>(Pick(0, 0xFFFFFF));
        if (Pick(0, 2)) return 0xFF000000u | rgb;
        const std::uint32_t half = ((rgb >> 1) & 0x7F7F7Fu);  // premultiplied by one half
        return 0x80000000u | half;
    }
    void AddChild(CWnd* parent)
    {
        auto w = std::make_unique<PaintingWnd>();
        w->colour = SomeColour();
        const DWORD border = Pick(0, 2) == 0 ? WS_BORDER : 0;
        const RECT r{Pick(-10, 120), Pick(-10, 90), 0, 0};
        EXPECT_TRUE(w->Create(nullptr, "child", WS_CHILD | WS_VISIBLE | border, RECT{r.left, r.top, r.left + Pick(5, 80), r.top + Pick(5, 60)},
                              parent ? parent : &m_top, ++m_ids));
        m_windows.push_back(std::move(w));
    }

    std::mt19937 m_random;
    CWnd m_top;
    std::vector<std::unique_ptr<PaintingWnd>> m_windows;
    UINT m_ids = 100;
};

// The number of pixels where the display differs from the full composition (the top-level
// window's client area inside its one-pixel frame).
int DifferingPixels(HWND top)
{
    Picture shown, composed;
    EXPECT_TRUE(platform::user::GetShownPicture(top, &shown));
    EXPECT_TRUE(platform::user::RenderWindow(top, &composed));
    if (shown.width != composed.width + 2 || shown.height != composed.height + 2) return -1;
    int differ = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x) {
            const bool frame = x == 0 || y == 0 || x == shown.width - 1 || y == shown.height - 1;
            const std::uint32_t want = frame ? kFramePixel : composed.at(x - 1, y - 1);
            differ += (shown.at(x, y) & 0xFFFFFFu) != (want & 0xFFFFFFu);
        }
    return differ;
}

class PresentOnlyChanges : public UserTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(PresentOnlyChanges, TheDisplayAlwaysShowsTheFullComposition)
{
    ChangingTree tree(GetParam());
    Pump();
    platform::user::PresentChangedWindows();
    ASSERT_EQ(DifferingPixels(tree.Top()), 0) << "at the start";
    std::string history;
    for (int step = 0; step < 150; ++step) {
        // Sometimes several changes are presented together.
        const int changes = step % 3 == 0 ? 3 : 1;
        for (int i = 0; i < changes; ++i) history += tree.Change() + "; ";
        Pump();
        platform::user::PresentChangedWindows();
        ASSERT_EQ(DifferingPixels(tree.Top()), 0) << "after step " << step << ": " << history;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PresentOnlyChanges, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

TEST_F(UserTest, WhatWasNotAnnouncedIsNotComposedAgain)
{
    CWnd top;
    ASSERT_TRUE(top.CreateEx(0, nullptr, "partial", WS_POPUP | WS_VISIBLE, 0, 0, 100, 60, nullptr, nullptr));
    PaintingWnd left, right;
    ASSERT_TRUE(left.Create(nullptr, "left", WS_CHILD | WS_VISIBLE, RECT{0, 0, 50, 60}, &top, 1));
    ASSERT_TRUE(right.Create(nullptr, "right", WS_CHILD | WS_VISIBLE, RECT{50, 0, 100, 60}, &top, 2));
    Pump();
    left.FillPart(RECT{0, 0, 50, 60}, 0xFF0000FFu);
    right.FillPart(RECT{0, 0, 50, 60}, 0xFF00FF00u);
    platform::user::PresentChangedWindows();
    // The left window's pixels change unannounced; the right one announces a change of its own.
    platform::user::Surface* s = platform::user::GetWindowSurface(left.m_hWnd);
    for (int y = 0; y < s->height; ++y) std::fill(s->row(y), s->row(y) + s->width, 0xFFFF0000u);
    right.FillPart(RECT{0, 0, 10, 10}, 0xFFFFFFFFu);
    Picture shown;
    platform::user::PresentChangedWindows();
    ASSERT_TRUE(platform::user::GetShownPicture(top.m_hWnd, &shown));
    EXPECT_EQ(shown.at(10, 30) & 0xFFFFFFu, 0x0000FFu) << "the left window was composed again";
    EXPECT_EQ(shown.at(55, 5) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(shown.at(80, 30) & 0xFFFFFFu, 0x00FF00u);
    top.DestroyWindow();
}

}  // namespace
