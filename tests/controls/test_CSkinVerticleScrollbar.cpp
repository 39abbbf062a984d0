// The skinned scroll bar over a real list view: its parts where they belong, the thumb arithmetic,
// arrows (one line on release, auto-repeat while held), pages towards the point, dragging the
// thumb; and the memory DC that shows a drawing in one step.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "controls/CMemDCOld.h"
#include "controls/CSkinVerticleScrollbar.h"
#include "tests/controls/SkinTestSupport.h"
#include "tests/platform_controls/controls_test_support.h"

namespace {

constexpr int kBarHeight = 200;
constexpr int kRows = 61;  // ten rows of 20 pixels a page: a scroll limit of 51

// The colours of a bitmap resource, row by row.
std::vector<std::vector<std::uint32_t>> BitmapRows(UINT id)
{
    CBitmap bitmap;
    EXPECT_TRUE(bitmap.LoadBitmap(id)) << id;
    BITMAP info{};
    bitmap.GetBitmap(&info);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
    bitmap.GetBitmapBits(static_cast<DWORD>(bits.size()), bits.data());
    std::vector<std::vector<std::uint32_t>> rows(static_cast<std::size_t>(info.bmHeight));
    for (int y = 0; y < info.bmHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x) {
            const std::uint8_t* p = &bits[static_cast<std::size_t>(y) * info.bmWidthBytes + x * 4];
            rows[y].push_back(static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0]);
        }
    return rows;
}

class ScrollbarTest : public skin_test::SkinTest {
protected:
    void SetUp() override
    {
        skin_test::SkinTest::SetUp();
        ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, CRect(10, 10, 210, 210), &host, 6000));
        list.InsertColumn(0, "", LVCFMT_LEFT, 180);
        ASSERT_TRUE(icons.Create(18, 18, ILC_COLOR32, 1, 1));
        list.SetImageList(&icons, LVSIL_SMALL);
        ASSERT_TRUE(bar.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(220, 10, 232, 10 + kBarHeight), &host, 6100));
        bar.m_pList = &list;
    }
    void TearDown() override
    {
        bar.DestroyWindow();
        list.DestroyWindow();
        skin_test::SkinTest::TearDown();
    }
    void Fill(int rows)
    {
        for (int i = 0; i < rows; ++i)
            list.InsertItem(i, "row");
    }
    void ScrollTo(int pos)
    {
        list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos));
        bar.UpdateThumb();
    }
    int Pos() const { return list.GetScrollPos(SB_VERT); }
    void Press(int y) { skin_test::MouseTo(bar.m_hWnd, 6, y), skin_test::MouseButton(bar.m_hWnd, 6, y, true); }
    // Lets go where the cursor is (a test moves it there first when it is not).
    void Release(int y) { skin_test::MouseButton(bar.m_hWnd, 6, y, false); }
    void Click(int y) { Press(y), Release(y); }
    platform::user::Picture Look(const std::string& name)
    {
        return skin_test::Crop(skin_test::Shot(host.m_hWnd, name), RECT{220, 10, 232, 10 + kBarHeight});
    }

    CListCtrl list;
    CImageList icons;
    CSkinVerticleScrollbar bar;
};

TEST_F(ScrollbarTest, ListGivesTheNumbersOfTheExamples)
{
    Fill(kRows);
    EXPECT_EQ(list.GetScrollLimit(SB_VERT), 51);
    CRect item;
    ASSERT_TRUE(list.GetItemRect(0, &item, LVIR_BOUNDS));
    EXPECT_EQ(item.Height(), 20);
}

struct ThumbCase {
    int pos;
    int top;
};

class ScrollbarThumbTest : public ScrollbarTest, public ::testing::WithParamInterface<ThumbCase> {};

TEST_P(ScrollbarThumbTest, ThumbTopIsTheScaledPositionBelowTheUpArrow)
{
    Fill(kRows);
    ScrollTo(GetParam().pos);
    ASSERT_EQ(Pos(), GetParam().pos);
    EXPECT_EQ(bar.m_nThumbTop, GetParam().top);
    EXPECT_DOUBLE_EQ(bar.m_dbThumbInterval, 2.0);  // (200 - 98) / 51
}

// trunc(102 / 51 x pos) + 36; at 51, 138 = H - 62.
INSTANTIATE_TEST_SUITE_P(Positions, ScrollbarThumbTest,
                         ::testing::Values(ThumbCase{0, 36}, ThumbCase{1, 38}, ThumbCase{25, 86}, ThumbCase{50, 136},
                                           ThumbCase{51, 138}));

TEST_F(ScrollbarTest, PartsAreDrawnFromTheirBitmapsWhereTheyBelong)
{
    Fill(kRows);
    ScrollTo(25);
    const platform::user::Picture p = Look("scrollbar_parts");
    const auto cap = BitmapRows(136), up = BitmapRows(137), track = BitmapRows(134), down = BitmapRows(133),
               bottom = BitmapRows(132), thumb = BitmapRows(135);
    ASSERT_EQ(bottom.size(), 11u);
    ASSERT_EQ(bottom[0].size(), 11u);
    const int h = kBarHeight;
    for (int x = 0; x < 12; ++x) {
        for (int y = 0; y < 11; ++y)
            ASSERT_EQ(skin_test::Rgb(p, x, y), cap[y][x]) << x << "," << y;
        for (int y = 11; y < 37; ++y)
            ASSERT_EQ(skin_test::Rgb(p, x, y), up[y - 11][x]) << x << "," << y;
        for (int y = 37; y < 86; ++y)
            ASSERT_EQ(skin_test::Rgb(p, x, y), track[0][x]) << x << "," << y;
        for (int y = 86; y < 112; ++y)
            ASSERT_EQ(skin_test::Rgb(p, x, y), thumb[y - 86][x]) << x << "," << y;
        for (int y = 112; y < h - 37; ++y)
            ASSERT_EQ(skin_test::Rgb(p, x, y), track[0][x]) << x << "," << y;
        for (int y = h - 37; y < h - 11; ++y)
            ASSERT_EQ(skin_test::Rgb(p, x, y), down[y - (h - 37)][x]) << x << "," << y;
        for (int y = h - 11; y < h; ++y)
            ASSERT_EQ(skin_test::Rgb(p, x, y), x == 0 ? track[0][0] : bottom[y - (h - 11)][x - 1]) << x << "," << y;
    }
}

TEST_F(ScrollbarTest, NothingToScrollShowsNoThumbAndRestsItAtItsFirstPlace)
{
    Fill(kRows);
    ScrollTo(40);
    list.DeleteAllItems();
    Fill(4);
    ASSERT_EQ(list.GetScrollLimit(SB_VERT), 0);
    bar.UpdateThumb();
    EXPECT_EQ(bar.m_nThumbTop, 36);
    const platform::user::Picture p = Look("scrollbar_no_thumb");
    const auto track = BitmapRows(134);
    for (int y = 37; y < 63; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(skin_test::Rgb(p, x, y), track[0][x]) << x << "," << y;
}

TEST_F(ScrollbarTest, WithoutAListTheBarDrawsAndScrollsNothing)
{
    bar.m_pList = nullptr;
    bar.UpdateThumb();
    Click(kBarHeight - 20);
    Click(100);
    Press(40);
    skin_test::MouseTo(bar.m_hWnd, 6, 120);
    Release(120);
    EXPECT_EQ(bar.m_nThumbTop, 36);
}

TEST_F(ScrollbarTest, QuickClickOnAnArrowScrollsOneLineOnRelease)
{
    Fill(kRows);
    Press(kBarHeight - 25);  // the down arrow
    EXPECT_EQ(Pos(), 0);
    Release(kBarHeight - 25);
    EXPECT_EQ(Pos(), 1);
    EXPECT_EQ(bar.m_nThumbTop, 38);
    Click(20);  // the up arrow
    EXPECT_EQ(Pos(), 0);
    Click(20);
    EXPECT_EQ(Pos(), 0);  // the list stops at its top
    // The delay that the quick click left pending finds no arrow held.
    bar.SendMessage(WM_TIMER, 2);
    bar.SendMessage(WM_TIMER, 1);
    EXPECT_EQ(Pos(), 0);
}

TEST_F(ScrollbarTest, QuickSecondClickOnAnArrowScrollsASecondLineNotAPage)
{
    Fill(kRows);
    skin_test::DoubleClick(bar.m_hWnd, 6, kBarHeight - 25);  // the second click comes as a double click
    EXPECT_EQ(Pos(), 2);
    skin_test::DoubleClick(bar.m_hWnd, 6, 20);
    EXPECT_EQ(Pos(), 0);
}

TEST_F(ScrollbarTest, HeldArrowRepeatsEveryRepeatTickAfterTheDelayAndOnceMoreOnRelease)
{
    Fill(kRows);
    Press(kBarHeight - 25);
    bar.SendMessage(WM_TIMER, 1);  // the repeat does not run yet, but a held arrow scrolls on it
    EXPECT_EQ(Pos(), 1);
    bar.SendMessage(WM_TIMER, 2);  // 250 ms: the repeat starts
    EXPECT_EQ(Pos(), 1);
    bar.SendMessage(WM_TIMER, 1);
    bar.SendMessage(WM_TIMER, 1);
    EXPECT_EQ(Pos(), 3);
    EXPECT_EQ(bar.m_nThumbTop, 42);
    Release(kBarHeight - 25);
    EXPECT_EQ(Pos(), 4);
}

TEST_F(ScrollbarTest, HeldArrowRepeatsOnTheRealTimers)
{
    Fill(kRows);
    ScrollTo(40);
    Press(20);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Pos() > 35 && std::chrono::steady_clock::now() < give_up) {
        skin_test::Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LE(Pos(), 35);
    Release(20);
    const int released = Pos();
    for (int i = 0; i < 20; ++i) {
        skin_test::Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(Pos(), released);  // the repeat ended with the release
}

// The order in which timers first fire. A period is told without reading a clock: a probe timer a
// millisecond shorter, set just before the control sets its own, and one a millisecond longer, set
// just after, fire on either side of it however loaded the machine is; a control timer of another
// period falls outside them.
class TimerOrder {
public:
    explicit TimerOrder(CWnd& probes) : m_probes(probes) {}

    // Runs `setsTimer` between two probes around `periodMs`; returns the ids of the probes.
    std::pair<UINT_PTR, UINT_PTR> Bracket(UINT periodMs, const std::function<void()>& setsTimer)
    {
        const UINT_PTR shorter = ++m_nextProbe, longer = ++m_nextProbe;
        m_probes.SetTimer(shorter, periodMs - 1);
        setsTimer();
        m_probes.SetTimer(longer, periodMs + 1);
        return {shorter, longer};
    }
    // Pumps as the program's loops do until each of `awaited` has fired or ten seconds have passed.
    // `handle` sees each timer message first and returns true when it has dispatched it itself.
    void PumpUntilFired(const std::vector<std::pair<HWND, UINT_PTR>>& awaited, const std::function<bool(const MSG&)>& handle = {})
    {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!AllFired(awaited) && std::chrono::steady_clock::now() < give_up) {
            MSG msg;
            if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (msg.message == WM_TIMER) {
                Note(msg.hwnd, msg.wParam);
                if (handle && handle(msg))
                    continue;
            }
            if (!AfxPreTranslateTree(nullptr, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
    }
    // Each timer fired, and first in this order.
    bool FiredInOrder(UINT_PTR probeBefore, HWND hwnd, UINT_PTR id, UINT_PTR probeAfter) const
    {
        const int before = Place(m_probes.m_hWnd, probeBefore), own = Place(hwnd, id), after = Place(m_probes.m_hWnd, probeAfter);
        return before >= 0 && before < own && own < after;
    }

private:
    // Where a timer first fired among all those seen; -1 when it never did.
    int Place(HWND hwnd, UINT_PTR id) const
    {
        const auto at = std::find(m_fired.begin(), m_fired.end(), std::make_pair(hwnd, id));
        return at == m_fired.end() ? -1 : static_cast<int>(at - m_fired.begin());
    }
    void Note(HWND hwnd, UINT_PTR id)
    {
        if (Place(hwnd, id) < 0)
            m_fired.emplace_back(hwnd, id);
        if (hwnd == m_probes.m_hWnd)
            m_probes.KillTimer(id);
    }
    bool AllFired(const std::vector<std::pair<HWND, UINT_PTR>>& awaited) const
    {
        return std::all_of(awaited.begin(), awaited.end(), [this](const auto& t) { return Place(t.first, t.second) >= 0; });
    }

    CWnd& m_probes;
    UINT_PTR m_nextProbe = 100;
    std::vector<std::pair<HWND, UINT_PTR>> m_fired;
};

TEST_F(ScrollbarTest, AHeldArrowWaits250MsOnTimer2ThenRepeatsEvery50MsOnTimer1)
{
    Fill(kRows);
    TimerOrder order(host);
    const int y = kBarHeight - 25;  // the down arrow
    skin_test::MouseTo(bar.m_hWnd, 6, y);
    const auto [beforeDelay, afterDelay] = order.Bracket(250, [&] { skin_test::MouseButton(bar.m_hWnd, 6, y, true); });
    std::pair<UINT_PTR, UINT_PTR> repeat{};
    int posAtFirstRepeat = -1;
    order.PumpUntilFired({{host.m_hWnd, afterDelay}, {bar.m_hWnd, 1}}, [&](const MSG& msg) {
        if (msg.hwnd == bar.m_hWnd && msg.wParam == 1 && posAtFirstRepeat < 0)
            posAtFirstRepeat = Pos();
        if (msg.hwnd != bar.m_hWnd || msg.wParam != 2 || repeat.first != 0)
            return false;
        // The delay's end starts the repeat: bracket it as it happens.
        repeat = order.Bracket(50, [&] { DispatchMessage(&msg); });
        return true;
    });
    ASSERT_NE(repeat.first, 0u) << "timer 2 never fired";
    order.PumpUntilFired({{host.m_hWnd, repeat.second}});

    EXPECT_TRUE(order.FiredInOrder(beforeDelay, bar.m_hWnd, 2, afterDelay)) << "the delay is not 250 ms";
    EXPECT_TRUE(order.FiredInOrder(repeat.first, bar.m_hWnd, 1, repeat.second)) << "the repeat is not 50 ms";
    // No line before the first repeat tick; each tick scrolls one.
    EXPECT_EQ(posAtFirstRepeat, 0);
    EXPECT_GE(Pos(), 1);
    Release(y);
}

TEST_F(ScrollbarTest, ReleaseOffTheThumbPagesTowardsThePoint)
{
    Fill(kRows);
    Press(20);  // on the up arrow...
    skin_test::MouseTo(bar.m_hWnd, 6, 150);
    Release(150);  // ...let go on the track below the thumb
    EXPECT_EQ(Pos(), 10);
    EXPECT_EQ(bar.m_nThumbTop, 56);
    Click(45);  // the track above the thumb
    EXPECT_EQ(Pos(), 0);
    ScrollTo(30);
    Click(5);  // the top cap
    EXPECT_EQ(Pos(), 20);
    Click(kBarHeight - 5);  // the bottom cap
    EXPECT_EQ(Pos(), 30);
    Press(kBarHeight - 25);  // on the down arrow, let go on the up arrow
    skin_test::MouseTo(bar.m_hWnd, 6, 20);
    Release(20);
    EXPECT_EQ(Pos(), 20);
}

TEST_F(ScrollbarTest, ClickOnTheThumbScrollsNothing)
{
    Fill(kRows);
    ScrollTo(25);
    Click(95);
    EXPECT_EQ(Pos(), 25);
    EXPECT_EQ(bar.m_nThumbTop, 86);
}

TEST_F(ScrollbarTest, DraggingTheThumbScrollsTheListAlong)
{
    Fill(kRows);
    Press(40);
    skin_test::MouseTo(bar.m_hWnd, 6, 100);
    // Thumb top 87: target trunc((87 - 36) / 2) = 25, LVM_SCROLL of 20 x 25 pixels.
    EXPECT_EQ(bar.m_nThumbTop, 87);
    EXPECT_EQ(Pos(), 25);
    // Thumb top 47: target trunc(11 / 2) = 5, the list moves by 20 x (5 - 25) pixels.
    skin_test::MouseTo(bar.m_hWnd, 6, 60);
    EXPECT_EQ(Pos(), 5);
    Release(60);
    EXPECT_EQ(Pos(), 5);  // letting go of the thumb scrolls nothing further
    EXPECT_EQ(bar.m_nThumbTop, 46);
}

TEST_F(ScrollbarTest, ThumbNeverLeavesItsTravelWhateverTheCursorDoes)
{
    Fill(kRows);
    Press(40);
    for (int y = -80; y <= 320; y += 7) {
        skin_test::MouseTo(bar.m_hWnd, 6, y);
        ASSERT_GE(bar.m_nThumbTop, 36) << y;
        ASSERT_LE(bar.m_nThumbTop, kBarHeight - 62) << y;
    }
    EXPECT_EQ(Pos(), 51);
    Release(319);
    EXPECT_EQ(bar.m_nThumbTop, 138);
}

TEST_F(ScrollbarTest, DraggingWithNothingToScrollOnlyMovesTheThumbWithinItsTravel)
{
    Fill(3);
    Press(40);
    skin_test::MouseTo(bar.m_hWnd, 6, 100);
    EXPECT_EQ(bar.m_nThumbTop, 87);
    EXPECT_EQ(Pos(), 0);
    Release(100);
    EXPECT_EQ(bar.m_nThumbTop, 36);
}

TEST_F(ScrollbarTest, MemoryDCShowsItsDrawingOnlyWhenItEnds)
{
    CClientDC screen(&host);
    CDC target;
    target.CreateCompatibleDC(&screen);
    CBitmap canvas;
    canvas.Attach(controls_test::SolidBitmap(20, 10, RGB(255, 0, 0)));
    CBitmap* old = target.SelectObject(&canvas);
    {
        CMemDCOld memory(&target, CRect(0, 0, 20, 10));
        memory.FillSolidRect(CRect(0, 0, 20, 10), RGB(0, 0, 255));
        memory.FillSolidRect(CRect(5, 2, 8, 4), RGB(0, 255, 0));
        target.SelectObject(old);
        EXPECT_EQ(controls_test::BitmapPixel(canvas, 10, 5), RGB(255, 0, 0));
        target.SelectObject(&canvas);
    }
    target.SelectObject(old);
    EXPECT_EQ(controls_test::BitmapPixel(canvas, 10, 5), RGB(0, 0, 255));
    EXPECT_EQ(controls_test::BitmapPixel(canvas, 6, 3), RGB(0, 255, 0));
}

}  // namespace
