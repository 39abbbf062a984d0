// Window device contexts: paint and client DCs drawing into a window's surface, seen in the
// window's picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <vector>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"
#include "platform/user/gdi_bridge.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"
#include "platform/user/window_tree.h"

namespace {

using platform::user::Picture;

std::function<void(HWND)> g_paint;
int g_erases = 0;

LRESULT TestProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT && g_paint) {
        g_paint(hwnd);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        ++g_erases;
        EXPECT_EQ(GetObjectType(reinterpret_cast<HDC>(wParam)), static_cast<DWORD>(OBJ_DC));
        return 1;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

std::uint32_t Rgb(const Picture& p, int x, int y) { return p.at(x, y) & 0xFFFFFFu; }
std::uint32_t Rgb(COLORREF c) { return platform::user::OpaquePixel(c) & 0xFFFFFFu; }

class PaintedWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_paint = nullptr;
        g_erases = 0;
        hwnd = CreateWindowExA(0, nullptr, "paint", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        platform::user::detail::SetWindowProc(hwnd, TestProc);
    }
    void TearDown() override
    {
        g_paint = nullptr;
        DestroyWindow(hwnd);
    }
    Picture Render()
    {
        Picture p;
        EXPECT_TRUE(platform::user::RenderWindow(hwnd, &p));
        return p;
    }
    HWND hwnd = nullptr;
};

// The main window's own painting: the horizontal gradient and the line under the title area.
void PaintBackground(HWND hwnd)
{
    CPaintDC dc(hwnd);
    RECT r;
    GetClientRect(hwnd, &r);
    TRIVERTEX v[2] = {{0, 0, 0x0000, 0x0C00, 0x1500, 0}, {r.right, r.bottom, 0x0100, 0x1700, 0x3200, 0}};
    GRADIENT_RECT mesh{0, 1};
    dc.GradientFill(v, 2, &mesh, 1, GRADIENT_FILL_RECT_H);
    CPen pen(PS_SOLID, 1, RGB(0, 174, 254));
    CPen* old = dc.SelectObject(&pen);
    dc.MoveTo(0, 130);
    dc.LineTo(r.right, 130);
    dc.SelectObject(old);
    CFont font;
    font.CreatePointFont(140, "微软雅黑");
    CFont* oldFont = dc.SelectObject(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(255, 255, 255));
    RECT title{0, 0, r.right, 130};
    dc.DrawText(CString("Ostrel 热像"), &title, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc.SelectObject(oldFont);
}

TEST_F(PaintedWindow, PaintDcDrawsGradientLineAndTextIntoTheWindow)
{
    g_paint = PaintBackground;
    InvalidateRect(hwnd, nullptr, TRUE);
    Picture p = Render();
    const char* tmp = std::getenv("VANTREL_TEST_TMP");
    std::string dir = tmp ? tmp : "/tmp";
    std::system(("mkdir -p '" + dir + "'").c_str());
    platform::user::WritePictureToPng(p, dir + "/gdi_window.png");
    EXPECT_EQ(Rgb(p, 0, 200), Rgb(RGB(0, 12, 21)));
    EXPECT_EQ(Rgb(p, 399, 200), Rgb(RGB(1, 23, 50)));
    EXPECT_EQ(Rgb(p, 200, 130), Rgb(RGB(0, 174, 254)));
    EXPECT_EQ(Rgb(p, 399, 130), Rgb(RGB(0, 174, 254)));
    EXPECT_NE(Rgb(p, 200, 131), Rgb(RGB(0, 174, 254)));
    EXPECT_EQ(p.at(5, 5) >> 24, 0xFFu);  // GDI paints opaque
    // The title text: white ink in the middle of the strip above the line, none at its ends.
    int ink = 0, inkLeft = 400, inkRight = 0;
    for (int y = 0; y < 130; ++y)
        for (int x = 0; x < 400; ++x)
            if (((p.at(x, y) >> 8) & 0xFF) > 200) ++ink, inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
    EXPECT_GT(ink, 50);
    EXPECT_NEAR((inkLeft + inkRight) / 2, 200, 6);
    EXPECT_GE(g_erases, 1);
}

TEST_F(PaintedWindow, PaintDcIsClippedToTheUpdateRectangle)
{
    g_paint = [](HWND h) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT all{0, 0, 400, 300};
        HBRUSH b = CreateSolidBrush(RGB(0, 255, 0));
        FillRect(dc, &all, b);
        DeleteObject(b);
        EndPaint(h, &ps);
    };
    InvalidateRect(hwnd, nullptr, FALSE);
    Render();
    g_paint = [](HWND h) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        EXPECT_EQ(ps.rcPaint.left, 10);
        EXPECT_EQ(ps.rcPaint.bottom, 40);
        RECT all{0, 0, 400, 300};
        HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &all, b);
        DeleteObject(b);
        EndPaint(h, &ps);
    };
    RECT part{10, 20, 30, 40};
    InvalidateRect(hwnd, &part, FALSE);
    Picture p = Render();
    EXPECT_EQ(Rgb(p, 10, 20), 0xFF0000u);
    EXPECT_EQ(Rgb(p, 29, 39), 0xFF0000u);
    EXPECT_EQ(Rgb(p, 30, 39), 0x00FF00u);
    EXPECT_EQ(Rgb(p, 100, 100), 0x00FF00u);
}

TEST_F(PaintedWindow, FailingPaintLeavesTheWindowAsItWas)
{
    g_paint = [](HWND h) {
        CPaintDC dc(h);
        RECT r{0, 0, 400, 300};
        dc.FillSolidRect(&r, RGB(10, 20, 30));
    };
    InvalidateRect(hwnd, nullptr, FALSE);
    Picture before = Render();
    ASSERT_EQ(Rgb(before, 50, 50), Rgb(RGB(10, 20, 30)));
    // A paint whose drawing calls all fail: a deleted brush, a dead DC, an unknown raster operation.
    g_paint = [](HWND h) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
        DeleteObject(b);
        RECT r{0, 0, 400, 300};
        EXPECT_EQ(FillRect(dc, &r, b), 0);
        HDC mem = CreateCompatibleDC(dc);
        DeleteDC(mem);
        EXPECT_FALSE(BitBlt(dc, 0, 0, 400, 300, mem, 0, 0, SRCCOPY));
        EXPECT_FALSE(BitBlt(dc, 0, 0, 400, 300, dc, 0, 0, 0x00550009));
        EndPaint(h, &ps);
        EXPECT_FALSE(EndPaint(h, &ps));  // a second end finds no DC
    };
    InvalidateRect(hwnd, nullptr, FALSE);
    Picture after = Render();
    EXPECT_EQ(before.pixels, after.pixels);
}

TEST_F(PaintedWindow, ClientDcDrawingShowsAfterRelease)
{
    {
        CClientDC dc(hwnd);
        ASSERT_NE(dc.m_hDC, nullptr);
        dc.FillSolidRect(100, 100, 20, 20, RGB(255, 255, 0));
    }
    Picture p = Render();
    EXPECT_EQ(Rgb(p, 110, 110), 0xFFFF00u);
    EXPECT_EQ(Rgb(p, 90, 90), 0u);  // untouched pixels stay as they were
}

TEST_F(PaintedWindow, MemoryDcDoubleBufferCopiesToTheWindow)
{
    g_paint = [](HWND h) {
        CPaintDC paint(h);
        CDC mem;
        mem.CreateCompatibleDC(&paint);
        CBitmap bmp;
        bmp.CreateCompatibleBitmap(&paint, 400, 300);
        CBitmap* old = mem.SelectObject(&bmp);
        mem.FillSolidRect(0, 0, 400, 300, RGB(0, 16, 27));
        CPen grid(PS_DASH, 1, RGB(200, 200, 200));
        mem.SelectObject(&grid);
        mem.MoveTo(90, 280);
        mem.LineTo(90, 20);
        paint.BitBlt(0, 0, 400, 300, &mem, 0, 0, SRCCOPY);
        mem.SelectStockObject(BLACK_PEN);
        mem.SelectObject(old);
    };
    InvalidateRect(hwnd, nullptr, FALSE);
    Picture p = Render();
    EXPECT_EQ(Rgb(p, 5, 5), Rgb(RGB(0, 16, 27)));
    EXPECT_EQ(Rgb(p, 90, 279), Rgb(RGB(200, 200, 200)));
    EXPECT_EQ(p.at(5, 5) >> 24, 0xFFu);
}

TEST_F(PaintedWindow, WindowDcFollowsTheWindowsSize)
{
    HDC dc = GetDC(hwnd);  // kept, as the OpenGL controls keep theirs
    ASSERT_TRUE(MoveWindow(hwnd, 0, 0, 600, 400, TRUE));
    RECT r{550, 350, 600, 400};
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 255));
    EXPECT_EQ(FillRect(dc, &r, b), 1);
    DeleteObject(b);
    ReleaseDC(hwnd, dc);
    Picture p = Render();
    ASSERT_EQ(p.width, 600);
    EXPECT_EQ(Rgb(p, 599, 399), 0xFF00FFu);
    EXPECT_EQ(WindowFromDC(dc), nullptr);
}

TEST_F(PaintedWindow, ReleaseDcWithoutNamingTheWindowReleasesIt)
{
    // The renderer gives its window DC back without naming the window.
    HDC dc = GetDC(hwnd);
    RECT r{0, 0, 8, 8};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
    EXPECT_EQ(Rgb(Render(), 4, 4), 0xFFFFFFu);
    // A paint DC goes back through EndPaint only.
    g_paint = [](HWND h) {
        PAINTSTRUCT ps;
        HDC paint = BeginPaint(h, &ps);
        EXPECT_EQ(ReleaseDC(h, paint), 0);
        EXPECT_FALSE(DeleteDC(paint));
        EXPECT_TRUE(EndPaint(h, &ps));
    };
    InvalidateRect(hwnd, nullptr, FALSE);
    Render();
}

// A paint announces to the display what it drew through its DC; pixels written past the DC (an
// OpenGL picture publishes its own) are not taken as changed by the paint's end.
TEST_F(PaintedWindow, EndPaintAnnouncesWhatWasDrawnThroughTheDc)
{
    struct Case {
        const char* name;
        bool drawThroughDc;
    };
    for (const Case c : {Case{"nothing drawn", false}, Case{"a fill drawn", true}}) {
        SCOPED_TRACE(c.name);
        {
            CClientDC dc(hwnd);
            dc.FillSolidRect(0, 0, 400, 300, RGB(0, 0, 0));
        }
        platform::user::PresentChangedWindows();
        g_paint = [&c](HWND h) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            platform::user::GetWindowSurface(h)->row(10)[10] = 0xFF0000FFu;
            if (c.drawThroughDc) {
                RECT r{100, 100, 110, 110};
                FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            }
            EndPaint(h, &ps);
        };
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        platform::user::PresentChangedWindows();
        Picture shown;
        ASSERT_TRUE(platform::user::GetShownPicture(hwnd, &shown));
        EXPECT_EQ(Rgb(shown, 10, 10), c.drawThroughDc ? 0x0000FFu : 0u);
        EXPECT_EQ(Rgb(shown, 105, 105), c.drawThroughDc ? 0xFFFFFFu : 0u);
    }
}

TEST(WindowBridge, GivesTheWindowLayerDcsWrappersAndBrushColours)
{
    platform::gdi::InstallWindowBridge();
    const platform::user::GdiBridge& bridge = platform::user::GetGdiBridge();
    ASSERT_NE(bridge.solidBrushColor, nullptr);
    COLORREF c = 0;
    HBRUSH b = CreateSolidBrush(RGB(1, 12, 21));
    EXPECT_TRUE(bridge.solidBrushColor(b, &c));
    EXPECT_EQ(c, RGB(1, 12, 21));
    EXPECT_FALSE(bridge.solidBrushColor(static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), &c));
    DeleteObject(b);
    EXPECT_FALSE(bridge.solidBrushColor(b, &c));
    HDC mem = CreateCompatibleDC(nullptr);
    CDC* wrapper = bridge.dcFromHandle(mem);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->m_hDC, mem);
    EXPECT_EQ(bridge.dcFromHandle(mem), wrapper);
    DeleteDC(mem);
    EXPECT_EQ(bridge.dcFromHandle(mem), nullptr);
}

// ---- the standard look of the built-in controls ----

constexpr std::uint32_t kParentPixel = 0xFF2040A0u;
constexpr int kCtlWidth = 120, kCtlHeight = 24;
constexpr COLORREF kIconColour = RGB(230, 20, 20);

HICON TestIcon(LPCSTR name)
{
    if (std::string(name) != "#9001") return nullptr;
    // At the system's icon size, so that it is drawn unscaled.
    std::vector<std::uint32_t> red(32 * 32, platform::user::OpaquePixel(kIconColour));
    return platform::gdi::CreateIconFromPixels(32, 32, red.data(), 32 * 4);
}

struct Look {
    const char* name;
    LPCSTR className;
    DWORD style;
    const char* text;
    bool buttonFace;          // a face in the button colour inside a black frame
    bool whiteBox;            // a check box's white box at the left
    bool icon;                // the icon in the top left corner
    std::array<bool, 3> ink;  // text in the left, middle and right third
};

class ControlLook : public ::testing::TestWithParam<Look> {};

// The control alone on a coloured parent, as the screen shows it.
TEST_P(ControlLook, FollowsTheClassAndTheStyleWithinIt)
{
    const Look& c = GetParam();
    platform::gdi::InstallWindowBridge();
    platform::user::SetIconLoader(TestIcon);
    HWND top = CreateWindowExA(0, nullptr, "", WS_POPUP, 0, 0, kCtlWidth + 20, kCtlHeight + 20, nullptr, nullptr, nullptr, nullptr);
    HWND ctl = CreateWindowExA(0, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, 10, 10, kCtlWidth, kCtlHeight, top, nullptr, nullptr, nullptr);
    ASSERT_NE(ctl, nullptr);
    Picture p;
    ASSERT_TRUE(platform::user::RenderWindow(top, &p));  // every paint done
    platform::user::Surface* s = platform::user::GetWindowSurface(top);
    for (int y = 0; y < s->height; ++y) std::fill(s->row(y), s->row(y) + s->width, kParentPixel);
    ASSERT_TRUE(platform::user::RenderWindow(top, &p));
    auto at = [&p](int x, int y) { return p.at(10 + x, 10 + y); };

    EXPECT_EQ(at(0, 0) == 0xFF000000u, c.buttonFace) << "the frame";
    EXPECT_EQ(at(3, 12) == platform::user::OpaquePixel(GetSysColor(COLOR_BTNFACE)), c.buttonFace) << "the face";
    EXPECT_EQ(at(6, 12) == 0xFFFFFFFFu, c.whiteBox);
    EXPECT_EQ(at(2, 2) == platform::user::OpaquePixel(kIconColour), c.icon);
    const std::uint32_t ground = c.buttonFace ? at(3, 12) : kParentPixel;
    // Text: pixels of another colour than the ground, inside any frame, beside any box or icon.
    auto isText = [&](int x, int y) { return at(x, y) != ground && !(c.whiteBox && x < 14) && !(c.icon && x < 32); };
    for (int third = 0; third < 3; ++third) {
        int inked = 0;
        for (int x = std::max(2, third * kCtlWidth / 3); x < std::min(kCtlWidth - 2, (third + 1) * kCtlWidth / 3); ++x)
            for (int y = 2; y < kCtlHeight - 2; ++y) inked += isText(x, y);
        EXPECT_EQ(inked > 5, c.ink[third]) << "third " << third;
    }
    DestroyWindow(top);
    platform::user::SetIconLoader(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    BuiltInControls, ControlLook,
    ::testing::Values(Look{"PlainStatic", "Static", SS_LEFT, "ab", false, false, false, {true, false, false}},
                      Look{"NotifyingStatic", "Static", SS_LEFT | SS_NOTIFY, "ab", false, false, false, {true, false, false}},
                      Look{"CentredStatic", "Static", SS_CENTER, "ab", false, false, false, {false, true, false}},
                      Look{"RightStatic", "Static", SS_RIGHT, "ab", false, false, false, {false, false, true}},
                      Look{"IconStatic", "Static", SS_ICON, "#9001", false, false, true, {false, false, false}},
                      Look{"PushButton", "Button", BS_PUSHBUTTON, "ab", true, false, false, {false, true, false}},
                      Look{"CheckBox", "Button", BS_AUTOCHECKBOX, "ab", false, true, false, {true, false, false}},
                      Look{"ComboField", "ComboBox", CBS_DROPDOWNLIST, "", false, false, false, {false, false, false}}),
    [](const ::testing::TestParamInfo<Look>& info) { return std::string(info.param.name); });

}  // namespace
