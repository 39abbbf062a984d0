// The main window as its initialisation leaves it, its layout at two sizes, its background, its
// chrome (dragging, the system menu and the About box) and its colours for controls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/CAboutDlg.h"
#include "app/MainWindowLayout.h"
#include "platform/gdi/gdi.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/surface.h"
#include "tests/app/MainWindowFixture.h"

using namespace app_test;

namespace {

TEST_F(MainWindowTest, StartsMaximisedWithItsTitleAndEveryChild)
{
    EXPECT_TRUE(dlg.IsZoomed());
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_EQ(TextOf(dlg), "Vantrel");
    EXPECT_EQ(TextOf(dlg.m_lightTitle), "Ostrel");
    for (int b = 0; b < kToolbarButtons; ++b) {
        ASSERT_NE(dlg.m_btn[b].GetSafeHwnd(), nullptr) << "button " << b;
        EXPECT_EQ(dlg.m_btn[b].GetDlgCtrlID(), 3000 + b);
    }
    const std::pair<CWnd*, int> children[] = {{&dlg.m_lightTitle, 1000}, {&dlg.m_lightStatus, 11001},
                                              {&dlg.m_lightLeakage, 1200}, {&dlg.m_picker, 8000},
                                              {&dlg.m_display, 4000},      {&dlg.m_slider, 5000},
                                              {&dlg.m_listImage, 6000},   {&dlg.m_listVideo, 6001}};
    for (auto [child, id] : children) {
        ASSERT_NE(child->GetSafeHwnd(), nullptr) << id;
        EXPECT_EQ(child->GetDlgCtrlID(), id);
    }
}

TEST_F(MainWindowTest, InitialisationLeavesCameraPcbaCheckImageListAndRectangleTool)
{
    CIRDataCapture& capture = theApp.m_capture;
    EXPECT_EQ(dlg.m_display.m_pImage.load(), &capture.m_frameLive);
    EXPECT_EQ(dlg.m_display.m_pImage2, &capture.m_frameAlt);
    EXPECT_EQ(dlg.m_display.m_nDisplayMode, 0);
    EXPECT_EQ(dlg.m_display.m_nTool, TOOL_RECT);
    EXPECT_EQ(dlg.m_display.m_renderer.m_bGrid, 0);
    EXPECT_FALSE(dlg.m_btn[CVantrelDlg::kGrid].IsWindowVisible());
    EXPECT_EQ(dlg.m_btn[CVantrelDlg::kGrid].GetCheck(), 0);
    EXPECT_TRUE(dlg.m_listImage.IsWindowVisible());
    EXPECT_FALSE(dlg.m_listVideo.IsWindowVisible());
    const int checked[] = {CVantrelDlg::kSourceCamera, CVantrelDlg::kImageList, CVantrelDlg::kModePcba,
                           CVantrelDlg::kToolRect};
    for (int b = 0; b < kToolbarButtons; ++b) {
        const bool expected = std::find(std::begin(checked), std::end(checked), b) != std::end(checked);
        EXPECT_EQ(dlg.m_btn[b].GetCheck(), expected ? 1 : 0) << "button " << b;
    }
    EXPECT_TRUE(capture.IsThreadWorkerRunning());
    EXPECT_TRUE(dlg.m_display.IsThreadWorkerRunning());
}

TEST_F(MainWindowTest, ChineseCaptionsAndAnEmptyStatusAfterStartUp)
{
    EXPECT_EQ(TextOf(dlg.m_lightLeakage), "漏电速查");
    EXPECT_EQ(TextOf(dlg.m_btn[CVantrelDlg::kModePcba]), "PCBA速查");
    EXPECT_EQ(TextOf(dlg.m_btn[CVantrelDlg::kLanguage]), "中文");
    EXPECT_EQ(TextOf(dlg.m_btn[CVantrelDlg::kClose]), "");
    EXPECT_EQ(dlg.m_btn[CVantrelDlg::kLanguage].GetCheck(), 0);
    EXPECT_EQ(dlg.m_lastTip.code, 0);
    EXPECT_EQ(theApp.m_nLanguage, 0);
}

// Every child's rectangle for one client size.
struct LayoutCase {
    int width;
    int height;
    CRect statusLight, display, colourBar, lists, leakageLight;
    std::vector<CRect> buttons;
    float zoom;
};

class MainWindowLayoutTest : public MainWindowTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(MainWindowLayoutTest, EveryChildStandsInItsPlace)
{
    const LayoutCase& c = GetParam();
    SizeClient(c.width, c.height);
    CRect client;
    dlg.GetClientRect(&client);
    ASSERT_EQ(client.Width(), c.width);
    ASSERT_EQ(client.Height(), c.height);
    EXPECT_EQ(ChildRect(dlg, dlg.m_lightTitle), CRect(10, 5, 320, 65));
    EXPECT_EQ(ChildRect(dlg, dlg.m_lightStatus), c.statusLight);
    EXPECT_EQ(ChildRect(dlg, dlg.m_picker), CRect(10, 80, 310, 130));
    EXPECT_EQ(ChildRect(dlg, dlg.m_display), c.display);
    EXPECT_EQ(ChildRect(dlg, dlg.m_slider), c.colourBar);
    EXPECT_EQ(ChildRect(dlg, dlg.m_listImage), c.lists);
    EXPECT_EQ(ChildRect(dlg, dlg.m_listVideo), c.lists);
    EXPECT_EQ(ChildRect(dlg, dlg.m_lightLeakage), c.leakageLight);
    for (int b = 0; b < kToolbarButtons; ++b) EXPECT_EQ(ChildRect(dlg, dlg.m_btn[b]), c.buttons[b]) << "button " << b;
    EXPECT_EQ(dlg.m_display.m_renderer.m_pViews[0].zoom, c.zoom);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MainWindowLayoutTest,
    ::testing::Values(
        LayoutCase{1920, 1080, CRect(325, 5, 1595, 65), CRect(125, 150, 1410, 1080), CRect(1455, 150, 1580, 1080),
                   CRect(1655, 150, 1915, 740), CRect(1655, 975, 1905, 995),
                   {CRect(1814, 5, 1835, 26), CRect(1854, 5, 1875, 26), CRect(1894, 5, 1915, 26),
                    CRect(1410, 446, 1445, 476), CRect(1600, 345, 1650, 390), CRect(1600, 400, 1650, 445),
                    CRect(1600, 455, 1650, 500), CRect(1600, 510, 1650, 555), CRect(20, 150, 105, 250),
                    CRect(20, 270, 105, 370), CRect(20, 390, 105, 490), CRect(20, 510, 105, 610),
                    CRect(20, 630, 105, 730), CRect(1600, 150, 1650, 200), CRect(1600, 205, 1650, 255),
                    CRect(1655, 770, 1770, 810), CRect(1780, 770, 1895, 810), CRect(1655, 815, 1770, 855),
                    CRect(1780, 815, 1895, 855), CRect(1655, 880, 1775, 910), CRect(1775, 880, 1895, 910),
                    CRect(1655, 915, 1775, 945), CRect(1655, 1005, 1910, 1070), CRect(1620, 10, 1715, 35)},
                   4.0f},
        LayoutCase{1366, 768, CRect(325, 5, 1041, 65), CRect(125, 150, 856, 768), CRect(901, 150, 1026, 768),
                   CRect(1101, 150, 1361, 428), CRect(1101, 663, 1351, 683),
                   {CRect(1260, 5, 1281, 26), CRect(1300, 5, 1321, 26), CRect(1340, 5, 1361, 26),
                    CRect(856, 383, 891, 413), CRect(1046, 345, 1096, 390), CRect(1046, 400, 1096, 445),
                    CRect(1046, 455, 1096, 500), CRect(1046, 510, 1096, 555), CRect(20, 150, 105, 250),
                    CRect(20, 270, 105, 370), CRect(20, 390, 105, 490), CRect(20, 510, 105, 610),
                    CRect(20, 630, 105, 730), CRect(1046, 150, 1096, 200), CRect(1046, 205, 1096, 255),
                    CRect(1101, 458, 1216, 498), CRect(1226, 458, 1341, 498), CRect(1101, 503, 1216, 543),
                    CRect(1226, 503, 1341, 543), CRect(1101, 568, 1221, 598), CRect(1221, 568, 1341, 598),
                    CRect(1101, 603, 1221, 633), CRect(1101, 693, 1356, 758), CRect(1066, 10, 1161, 35)},
                   2.0f}));

struct ZoomCase {
    int width;
    float zoom;
};

class DisplayZoom : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(DisplayZoom, FollowsTheZoomTable)
{
    EXPECT_EQ(DisplayZoomForWidth(GetParam().width), GetParam().zoom) << GetParam().width;
}

// q = (W - 635) div 256: the table entry before the first one above q, or q itself from 16 on.
INSTANTIATE_TEST_SUITE_P(Widths, DisplayZoom,
                         ::testing::Values(ZoomCase{400, 1}, ZoomCase{635, 1}, ZoomCase{890, 1}, ZoomCase{891, 1},
                                           ZoomCase{1147, 2}, ZoomCase{1403, 2}, ZoomCase{1659, 4},
                                           ZoomCase{1920, 4}, ZoomCase{2171, 6}, ZoomCase{2427, 6},
                                           ZoomCase{4475, 14}, ZoomCase{4730, 14}, ZoomCase{4731, 16},
                                           ZoomCase{4987, 17}, ZoomCase{8000, 28}));

// The window's own pixels where no child covers them: the horizontal gradient and the line at 130.
TEST_F(MainWindowTest, PaintsTheGradientAndTheTitleLine)
{
    SizeClient(1280, 800);
    platform::user::Picture picture;
    ASSERT_TRUE(platform::user::RenderWindow(dlg.GetSafeHwnd(), &picture));
    auto rgb = [&](int x, int y) { return picture.at(x, y) & 0xFFFFFFu; };
    auto near = [](std::uint32_t pixel, int r, int g, int b) {
        auto close = [](int a, int e) { return a >= e - 1 && a <= e + 1; };
        return close(static_cast<int>(pixel >> 16), r) && close(static_cast<int>((pixel >> 8) & 0xFF), g) &&
               close(static_cast<int>(pixel & 0xFF), b);
    };
    EXPECT_TRUE(near(rgb(0, 140), 0, 12, 21)) << std::hex << rgb(0, 140);
    EXPECT_TRUE(near(rgb(1279, 140), 1, 23, 50)) << std::hex << rgb(1279, 140);
    EXPECT_TRUE(near(rgb(640, 140), 0, 17, 35)) << std::hex << rgb(640, 140);
    for (int x : {0, 640, 1279}) EXPECT_EQ(rgb(x, 130), 0x00AEFEu) << x;
    EXPECT_NE(rgb(640, 129), 0x00AEFEu);
    EXPECT_NE(rgb(640, 131), 0x00AEFEu);
}

// The camera's frames reach the display: its middle soon shows the thermal image, not the
// display's empty background. The picture is kept for people to look at.
TEST_F(MainWindowTest, ShowsTheLiveImage)
{
    SizeClient(1920, 1080);
    const CRect display = ChildRect(dlg, dlg.m_display);
    platform::user::Picture picture;
    auto imageShown = [&] {
        platform::user::RenderWindow(dlg.GetSafeHwnd(), &picture);
        const std::uint32_t middle = picture.at(display.CenterPoint().x, display.CenterPoint().y) & 0xFFFFFFu;
        return middle != 0x00101Bu && middle != 0u;
    };
    EXPECT_TRUE(PumpUntil(imageShown));
    const char* tmp = std::getenv("VANTREL_TEST_TMP");
    platform::user::WritePictureToPng(picture, std::string(tmp ? tmp : "/tmp") + "/main_window.png");
}

// A press on the body and a move drag the window only when it is restored.
TEST_F(MainWindowTest, DraggedByItsBodyOnlyWhenRestored)
{
    namespace input = platform::user::input;
    auto hitTest = [&](CPoint client) {
        dlg.ClientToScreen(&client);
        return dlg.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y));
    };
    auto dragBody = [&] {
        CRect before;
        dlg.GetWindowRect(&before);
        CPoint body(5, 140);
        dlg.ClientToScreen(&body);
        input::MouseButton(body, input::Button::Left, true);
        Pump();
        input::MouseMove(CPoint(body.x + 30, body.y + 20));
        input::MouseButton(CPoint(body.x + 30, body.y + 20), input::Button::Left, false);
        Pump();
        CRect after;
        dlg.GetWindowRect(&after);
        return CPoint(after.left - before.left, after.top - before.top);
    };
    EXPECT_EQ(hitTest(CPoint(5, 140)), HTCLIENT);
    EXPECT_EQ(dragBody(), CPoint(0, 0));

    SizeClient(800, 600);
    EXPECT_EQ(hitTest(CPoint(5, 140)), HTCAPTION);
    EXPECT_EQ(hitTest(CPoint(700, 500)), HTCAPTION);
    EXPECT_NE(hitTest(CPoint(-50, -50)), HTCAPTION);
    EXPECT_EQ(dragBody(), CPoint(30, 20));
}

// Activating or deactivating the window repaints its OpenGL views.
TEST_F(MainWindowTest, ActivationRepaintsThePickerTheColourBarAndTheDisplay)
{
    QuietWorkers();
    for (UINT message : {WM_NCACTIVATE, WM_ACTIVATE}) {
        Pump();
        CWnd* const views[] = {&dlg.m_picker, &dlg.m_slider, &dlg.m_display};
        for (CWnd* view : views) view->ValidateRect(nullptr);
        dlg.SendMessage(message, message == WM_ACTIVATE ? WA_INACTIVE : FALSE, 0);
        for (CWnd* view : views) {
            RECT update;
            EXPECT_TRUE(GetUpdateRect(view->GetSafeHwnd(), &update, FALSE)) << message;
        }
    }
}

TEST_F(MainWindowTest, ControlsOfTheDialogGetItsColours)
{
    CClientDC dc(&dlg);
    const HWND self = dlg.GetSafeHwnd();
    const LRESULT dialogBrush = dlg.SendMessage(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                                reinterpret_cast<LPARAM>(self));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(dialogBrush), static_cast<HBRUSH>(dlg.m_brushBk));
    for (UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLORBTN}) {
        dc.SetBkMode(OPAQUE);
        dc.SetTextColor(RGB(9, 9, 9));
        const LRESULT brush = dlg.SendMessage(message, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                              reinterpret_cast<LPARAM>(dlg.m_lightTitle.GetSafeHwnd()));
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
        EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
        EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
    }
}

// The system menu, reached with Alt+Space as on Windows, has the About item below a separator;
// its letter A shows the About box modally, and Enter closes it.
struct AboutSeen {
    HWND window = nullptr;
    std::string caption;
    int controls = 0;
    int visibleControls = 0;
};
AboutSeen g_about;

// Looks at the About box once it is the active window and shown, then presses Enter in it.
void LookAtAboutAndPressEnter(HWND main, UINT, UINT_PTR id, DWORD)
{
    namespace input = platform::user::input;
    HWND about = GetActiveWindow();
    if (about == nullptr || about == main || !IsWindowVisible(about)) return;
    KillTimer(main, id);
    g_about.window = about;
    char caption[128] = {};
    GetWindowText(about, caption, sizeof caption);
    g_about.caption = caption;
    for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        ++g_about.controls;
        g_about.visibleControls += IsWindowVisible(child) ? 1 : 0;
    }
    input::Key(VK_RETURN, true);
    input::Key(VK_RETURN, false);
}

TEST_F(MainWindowTest, AltSpaceThenAOpensTheAboutBoxWithAllItsControlsAndEnterClosesIt)
{
    namespace input = platform::user::input;
    const auto items = platform::user::GetMenuItems(::GetSystemMenu(dlg.GetSafeHwnd(), FALSE));
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[items.size() - 2].flags & MF_SEPARATOR, MF_SEPARATOR);
    EXPECT_EQ(items.back().id, IDM_ABOUTBOX);
    EXPECT_EQ(items.back().text, "关于 Pelmor IR(&A)...");

    g_about = AboutSeen{};
    dlg.m_btn[CVantrelDlg::kModePcba].SetFocus();
    input::Key(VK_MENU, true);
    input::Key(VK_SPACE, true);
    input::Key(VK_SPACE, false);
    input::Key(VK_MENU, false);
    input::Key('A', true);
    input::Key('A', false);
    dlg.SetTimer(77, 20, LookAtAboutAndPressEnter);
    EXPECT_TRUE(PumpUntil([] { return g_about.window != nullptr && !IsWindow(g_about.window); }));
    EXPECT_EQ(g_about.caption, "关于 Pelmor IR");
    EXPECT_EQ(g_about.controls, 4);
    EXPECT_EQ(g_about.visibleControls, 4);
}

// Alt+Space while a rectangle is being drawn on the display: the menu ends the drag, the shape
// drawn so far is kept, and after Esc the next click reaches the button it is aimed at.
TEST_F(MainWindowTest, TheSystemMenuOpenedDuringADragEndsItAndTheNextClickReachesItsButton)
{
    namespace input = platform::user::input;
    const RenderView& view = dlg.m_display.m_renderer.m_pViews[0];
    ASSERT_TRUE(PumpUntil([&] { return view.viewport.w > 0; })) << "the display has laid out its picture";
    CRect display;
    dlg.m_display.GetWindowRect(&display);
    const CPoint from = display.CenterPoint() - CPoint(40, 30), to = display.CenterPoint() + CPoint(40, 30);
    input::MouseMove(from);
    input::MouseButton(from, input::Button::Left, true);
    input::MouseMove(to);
    Pump();
    ASSERT_TRUE(dlg.m_display.m_bPressed);
    // The release and Esc reach the menu's own loop.
    input::Key(VK_MENU, true);
    input::Key(VK_SPACE, true);
    input::Key(VK_SPACE, false);
    input::Key(VK_MENU, false);
    input::MouseButton(to, input::Button::Left, false);
    input::Key(VK_ESCAPE, true);
    input::Key(VK_ESCAPE, false);
    Pump();
    EXPECT_FALSE(dlg.m_display.m_bPressed);

    Click(CVantrelDlg::kToolPoint);
    EXPECT_EQ(dlg.m_display.m_nTool, TOOL_POINT) << "the click reached the point tool's button";
    POINT a, b;
    view.ClientToImage(POINT{from.x - display.left, from.y - display.top}, a);
    view.ClientToImage(POINT{to.x - display.left, to.y - display.top}, b);
    ASSERT_EQ(view.rects.size(), 1u);
    const RectShape& kept = *view.rects[0];
    EXPECT_EQ(std::vector<int>({kept.x, kept.y, kept.w, kept.h}), std::vector<int>({a.x, a.y, b.x - a.x, b.y - a.y}));
}

TEST_F(MainWindowTest, AboutBoxNamesTheProgramAndItsVersion)
{
    CAboutDlg about;
    ASSERT_TRUE(about.Create(IDD_ABOUTBOX, &dlg));
    std::vector<std::string> texts;
    for (HWND child = GetWindow(about.GetSafeHwnd(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[128] = {};
        GetWindowText(child, text, sizeof text);
        texts.push_back(text);
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Pelmor IR，版本 1.0"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Thermal inspection of circuit boards"), texts.end());
    EXPECT_NE(about.GetDlgItem(IDOK), nullptr);
    about.DestroyWindow();
}

TEST_F(MainWindowTest, CloseStopsTheDisplayAndDestroyStopsTheCapture)
{
    dlg.SendMessage(WM_CLOSE, 0, 0);
    EXPECT_FALSE(dlg.m_display.IsThreadWorkerRunning());
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.DestroyWindow();
    EXPECT_FALSE(theApp.m_capture.IsThreadWorkerRunning());
}

}  // namespace
