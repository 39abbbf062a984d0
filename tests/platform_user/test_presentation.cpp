// Presentation of only what changed: after any sequence of changes (paints of parts of windows,
// pictures written straight into the display, moves, resizes, shows and hides, restacking, windows
// made and destroyed, a resized top-level window) the display shows exactly the full composition
// of the tree; and what nobody announced as changed is not composed again.
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

// Writes an opaque picture of one colour straight into the display where the window is shown, as
// an OpenGL control does, when that can be done. Where the display keeps no alpha the top byte is
// left clear, as the control leaves it.
bool WriteToDisplay(HWND hwnd, std::uint32_t colour)
{
    platform::user::Surface target;
    bool alphaUsed = true;
    if (!platform::user::BeginDirectPicture(hwnd, &target, &alphaUsed)) return false;
    const std::uint32_t pixel = alphaUsed ? colour : colour & 0xFFFFFFu;
    for (int y = 0; y < target.height; ++y) std::fill(target.row(y), target.row(y) + target.width, pixel);
    platform::user::EndDirectPicture(hwnd, true);
    return true;
}

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
        switch (Pick(0, 10)) {
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
        case 8:
        case 9: {  // a picture of the whole window, as an OpenGL control's
            const std::uint32_t colour = 0xFF000000u | static_cast<std::uint32_t>(Pick(0, 0xFFFFFF));
            if (WriteToDisplay(w.m_hWnd, colour)) return "picture written to the display";
            w.FillPart(RECT{0, 0, 500, 500}, colour);
            return "picture written to the surface";
        }
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

INSTANTIATE_TEST_SUITE_P(Seeds, PresentOnlyChanges, ::testing::Range(1u, 17u));

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

// Where a picture can go straight to the display: a visible window shown whole, on a top-level
// window already presented from the display's own pixels.
TEST_F(UserTest, APictureGoesStraightToTheDisplayOnlyWhereTheWindowIsShownWhole)
{
    struct Case {
        const char* what;
        RECT rect;         // of the window in its parent
        bool sibling;      // a visible sibling made after it, at (60, 10)-(90, 40)
        bool child;        // a visible child of its own
        bool hidden;
        bool presented;    // the top-level window presented before
        bool expected;
    };
    const Case cases[] = {
        {"shown whole", {10, 10, 50, 40}, false, false, false, true, true},
        {"beside a sibling above it", {10, 10, 50, 40}, true, false, false, true, true},
        {"partly under a sibling above it", {40, 10, 70, 40}, true, false, false, true, false},
        {"partly outside its parent", {80, 40, 130, 80}, false, false, false, true, false},
        {"with a child", {10, 10, 50, 40}, false, true, false, true, false},
        {"hidden", {10, 10, 50, 40}, false, false, true, true, false},
        {"never presented", {10, 10, 50, 40}, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        CWnd top;
        ASSERT_TRUE(top.CreateEx(0, nullptr, "direct", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 102, 62, nullptr, nullptr));
        PaintingWnd window, sibling, child;
        ASSERT_TRUE(window.Create(nullptr, "gl", WS_CHILD | (c.hidden ? 0 : WS_VISIBLE), c.rect, &top, 1));
        if (c.sibling) {
            ASSERT_TRUE(sibling.Create(nullptr, "above", WS_CHILD | WS_VISIBLE, RECT{60, 10, 90, 40}, &top, 2));
        }
        if (c.child) {
            ASSERT_TRUE(child.Create(nullptr, "inside", WS_CHILD | WS_VISIBLE, RECT{2, 2, 8, 8}, &window, 3));
        }
        if (c.presented) {  // taking messages presents too
            Pump();
            platform::user::PresentChangedWindows();
        }
        platform::user::Surface target;
        bool alphaUsed = true;
        const bool began = platform::user::BeginDirectPicture(window.m_hWnd, &target, &alphaUsed);
        EXPECT_EQ(began, c.expected) << c.what;
        if (began) {
            EXPECT_EQ(target.width, c.rect.right - c.rect.left) << c.what;
            EXPECT_EQ(target.height, c.rect.bottom - c.rect.top) << c.what;
            platform::user::EndDirectPicture(window.m_hWnd, false);
        }
        top.DestroyWindow();
    }
}

// A picture written straight to the display is shown at the next presentation without being
// composed, and is the window's own: a picture of the window, its surface, a sibling moved over it,
// a paint of a part of it and the window moving all find it where it was written.
TEST_F(UserTest, APictureWrittenToTheDisplayStaysTheWindowsOwn)
{
    CWnd top;
    ASSERT_TRUE(top.CreateEx(0, nullptr, "direct", WS_POPUP | WS_VISIBLE, 0, 0, 120, 80, nullptr, nullptr));
    PaintingWnd gl, other;
    gl.colour = 0xFF202020u;
    other.colour = 0xFF00FF00u;
    ASSERT_TRUE(gl.Create(nullptr, "gl", WS_CHILD | WS_VISIBLE, RECT{10, 10, 60, 50}, &top, 1));
    ASSERT_TRUE(other.Create(nullptr, "other", WS_CHILD | WS_VISIBLE, RECT{70, 10, 110, 50}, &top, 2));
    Pump();
    platform::user::PresentChangedWindows();
    auto moveAndPresent = [](CWnd& w, int x, int y) {
        w.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Pump();
        platform::user::PresentChangedWindows();
    };
    auto shownAt = [&top](int x, int y) {
        Picture shown;
        EXPECT_TRUE(platform::user::GetShownPicture(top.m_hWnd, &shown));
        return shown.at(x, y) & 0xFFFFFFu;
    };

    ASSERT_TRUE(WriteToDisplay(gl.m_hWnd, 0xFFFF0000u));
    platform::user::PresentChangedWindows();
    EXPECT_EQ(shownAt(30, 30), 0xFF0000u);
    EXPECT_EQ(shownAt(80, 30), 0x00FF00u);
    Picture window;
    ASSERT_TRUE(platform::user::RenderWindow(gl.m_hWnd, &window));
    EXPECT_EQ(window.at(0, 0), 0xFFFF0000u) << "the picture taken back is opaque";
    EXPECT_EQ(window.at(49, 39), 0xFFFF0000u);

    // The sibling moved over a part of it: the rest of the picture is still shown.
    ASSERT_TRUE(WriteToDisplay(gl.m_hWnd, 0xFF0000FFu));
    moveAndPresent(other, 40, 10);
    EXPECT_EQ(shownAt(20, 30), 0x0000FFu);
    EXPECT_EQ(shownAt(50, 30), 0x00FF00u);
    EXPECT_EQ(shownAt(95, 30), 0x000000u) << "where the sibling was";
    EXPECT_FALSE(WriteToDisplay(gl.m_hWnd, 0xFFFFFFFFu)) << "a window partly under a sibling is composed";
    moveAndPresent(other, 70, 10);
    EXPECT_EQ(shownAt(50, 30), 0x0000FFu);

    // A part painted again over a picture lying in the display, then the window moved.
    ASSERT_TRUE(WriteToDisplay(gl.m_hWnd, 0xFFFFFF00u));
    platform::user::PresentChangedWindows();
    gl.FillPart(RECT{0, 0, 5, 5}, 0xFF00FFFFu);
    moveAndPresent(gl, 5, 20);
    EXPECT_EQ(shownAt(6, 21), 0x00FFFFu);
    EXPECT_EQ(shownAt(30, 40), 0xFFFF00u);
    EXPECT_EQ(shownAt(30, 12), 0x000000u) << "where the window was";

    // The top-level window resized while a picture lies in the display.
    ASSERT_TRUE(WriteToDisplay(gl.m_hWnd, 0xFFFF00FFu));
    top.SetWindowPos(nullptr, 0, 0, 130, 90, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    platform::user::PresentChangedWindows();
    EXPECT_EQ(shownAt(30, 40), 0xFF00FFu) << "the picture is kept through the resize";
    EXPECT_EQ(::GetUpdateRect(gl.m_hWnd, nullptr, FALSE), FALSE) << "nothing was lost to paint again";
    top.DestroyWindow();
}

}  // namespace

