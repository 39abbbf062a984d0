// The popup menu as it is drawn: its lines inside a frame, the mnemonic letters underlined rather
// than their marks printed, a separator, a greyed item and the highlighted one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"

namespace {

using platform::user::Picture;
namespace input = platform::user::input;

constexpr POINT kAt{40, 30};

std::vector<platform::user::MenuItem> Items(bool marked)
{
    const char* mark = marked ? "&" : "";
    return {{MF_STRING, 1, std::string(mark) + "Alpha"},
            {MF_SEPARATOR, 0, ""},
            {MF_STRING | MF_GRAYED, 2, std::string(mark) + "Beta"},
            {MF_STRING, 3, std::string(mark) + "Gamma"},
            {MF_STRING, 4, "关于 Pelmor IR(" + std::string(mark) + "A)..."}};
}

// What the test does while the menu is open, one step a timer tick.
std::vector<std::function<void()>> g_steps;
void NextStep(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    if (g_steps.empty()) {
        KillTimer(hwnd, id);
        return;
    }
    auto step = std::move(g_steps.front());
    g_steps.erase(g_steps.begin());
    step();
}

void Press(int key)
{
    input::Key(key, true);
    input::Key(key, false);
}

struct Shown {
    Picture plain;        // as it opens
    Picture highlighted;  // after Down
};

Shown ShowMenu(HWND owner, bool marked)
{
    Shown shown;
    auto render = [](Picture* into) {
        platform::user::RenderWindow(WindowFromPoint(POINT{kAt.x + 2, kAt.y + 2}), into);
    };
    g_steps = {[&] { render(&shown.plain); }, [] { Press(VK_DOWN); }, [&] { render(&shown.highlighted); },
               [] { Press(VK_ESCAPE); }};
    SetTimer(owner, 1, 10, NextStep);
    platform::user::ChooseMenuItem(owner, Items(marked), kAt);
    KillTimer(owner, 1);
    return shown;
}

std::uint32_t Sys(int index) { return platform::user::OpaquePixel(GetSysColor(index)); }

// The rows of the picture's lines, top to bottom: runs of rows that hold anything but the ground
// inside the frame.
std::vector<std::pair<int, int>> InkedRows(const Picture& p, std::uint32_t ground)
{
    std::vector<std::pair<int, int>> runs;
    for (int y = 1; y < p.height - 1; ++y) {
        bool inked = false;
        for (int x = 1; x < p.width - 1 && !inked; ++x) inked = p.at(x, y) != ground;
        if (!inked) continue;
        if (!runs.empty() && runs.back().second == y) ++runs.back().second;
        else runs.emplace_back(y, y + 1);
    }
    return runs;
}

// Whether any pixel of those rows has the colour.
bool Has(const Picture& p, const std::pair<int, int>& rows, std::uint32_t colour)
{
    for (int y = rows.first; y < rows.second; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y) == colour) return true;
    return false;
}

// The least green of those rows' pixels (the ink of grey or black text).
int Darkest(const Picture& p, const std::pair<int, int>& rows)
{
    int least = 255;
    for (int y = rows.first; y < rows.second; ++y)
        for (int x = 0; x < p.width; ++x) least = std::min(least, static_cast<int>((p.at(x, y) >> 8) & 0xFF));
    return least;
}

// The bounding box of the pixels in which two pictures of one size differ.
RECT Difference(const Picture& a, const Picture& b)
{
    RECT box{a.width, a.height, 0, 0};
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y))
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
    return box;
}

class MenuLook : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::gdi::InstallWindowBridge();
        owner = CreateWindowExA(0, nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        SetFocus(owner);
    }
    void TearDown() override
    {
        if (HasFailure()) {
            const char* tmp = std::getenv("VANTREL_TEST_TMP");
            const std::string dir = tmp && *tmp ? tmp : "/tmp";
            platform::user::WritePictureToPng(marked.plain, dir + "/menu.png");
            platform::user::WritePictureToPng(marked.highlighted, dir + "/menu-highlighted.png");
        }
        DestroyWindow(owner);
        g_steps.clear();
    }

    HWND owner = nullptr;
    Shown marked;
};

TEST_F(MenuLook, ShowsItsLinesInAFrameWithTheMnemonicsUnderlinedAndTheHighlightedLine)
{
    marked = ShowMenu(owner, true);
    const Shown unmarked = ShowMenu(owner, false);
    const Picture& p = marked.plain;
    ASSERT_GT(p.width, 40);
    ASSERT_EQ(p.width, unmarked.plain.width);
    ASSERT_EQ(p.height, unmarked.plain.height);

    EXPECT_EQ(p.at(0, 0), Sys(COLOR_BTNSHADOW)) << "the frame";
    EXPECT_EQ(p.at(p.width - 1, p.height - 1), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(p.at(2, 2), Sys(COLOR_BTNFACE)) << "the ground";

    // Four texts and the separator, in that order.
    const auto lines = InkedRows(unmarked.plain, Sys(COLOR_BTNFACE));
    ASSERT_EQ(lines.size(), 5u);
    const auto [separatorTop, separatorBottom] = lines[1];
    EXPECT_EQ(separatorBottom - separatorTop, 1);
    EXPECT_EQ(unmarked.plain.at(p.width / 2, separatorTop), Sys(COLOR_BTNSHADOW));

    // The marks are not printed: the texts stand where they stand without them, and only their
    // marked letters gain a line beneath, after Chinese characters too.
    for (std::size_t line : {0u, 2u, 3u, 4u}) {
        const auto [top, bottom] = lines[line];
        Picture a, b;
        for (const Picture* from : {&p, &unmarked.plain}) {
            Picture& to = from == &p ? a : b;
            to.width = p.width;
            to.height = bottom - top + 4;
            to.pixels.assign(from->pixels.begin() + static_cast<std::ptrdiff_t>(top) * p.width,
                             from->pixels.begin() + static_cast<std::ptrdiff_t>(top + to.height) * p.width);
        }
        const RECT d = Difference(a, b);
        EXPECT_LT(d.left, d.right) << "line " << line << " has its letter underlined";
        EXPECT_LE(d.bottom - d.top, 2) << "line " << line;
        EXPECT_LE(d.right - d.left, 14) << "line " << line;
        EXPECT_GE(d.top, bottom - top - 4) << "line " << line << ": the underline lies at the foot of the text";
    }

    // The greyed item is drawn in grey, the others in black.
    EXPECT_LT(Darkest(p, lines[0]), 50);
    EXPECT_LT(Darkest(p, lines[3]), 50);
    EXPECT_NEAR(Darkest(p, lines[2]), GetGValue(GetSysColor(COLOR_GRAYTEXT)), 15);

    // Down highlights the first item: its band in the highlight colour, its text in the
    // highlight's text colour; nothing else changes.
    const Picture& h = marked.highlighted;
    const RECT changed = Difference(p, h);
    EXPECT_LE(changed.top, lines[0].first);
    EXPECT_GE(changed.bottom, lines[0].second);
    EXPECT_LT(changed.bottom, lines[1].first) << "only the first line";
    EXPECT_EQ(h.at(p.width / 2, changed.top), Sys(COLOR_HIGHLIGHT));
    EXPECT_TRUE(Has(h, {changed.top, changed.bottom}, Sys(COLOR_HIGHLIGHTTEXT)));
    EXPECT_FALSE(Has(h, {changed.top, changed.bottom}, Sys(COLOR_WINDOWTEXT)));
}

}  // namespace
