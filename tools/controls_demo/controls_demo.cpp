// A development program for the skinned controls: title and status lights, toolbar-like shaped
// buttons (push, checkable, with images and captions, one disabled), the skinned scroll bar
// driving a list view, and the OpenGL button, on the main window's dark ground. A line of text at
// the bottom says what the last click did.
//
//   vantrel-controls-demo [--headless] [--seconds N] [--screenshot out.png]
//
// With --screenshot the program paints once, writes the picture and exits (status 1 when it could
// not be written). --headless runs without a display (the off-screen video driver). Esc quits.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "controls/COGLBtn.h"
#include "controls/CSignalLight.h"
#include "controls/CSkinVerticleScrollbar.h"
#include "controls/CZelHeteromorphicBtn.h"
#include "controls/InitGdiplus.h"
#include "platform/gdi/gdi.h"
#include "platform/user/CWnd.h"
#include "platform/user/surface.h"

namespace {

constexpr UINT_PTR kQuitTimer = 1;
constexpr UINT kFirstButton = 3000;
constexpr int kButtons = 6;
constexpr int kListRows = 61;

class DemoWindow : public CWnd {
public:
    CSignalLight title, status, said;
    CZelHeteromorphicBtn buttons[kButtons];
    CListCtrl list;
    CImageList rowImages;
    CSkinVerticleScrollbar bar;
    COGLBtn glButton;

    BOOL CreateDemo()
    {
        if (!CreateEx(0, nullptr, "Vantrel controls", WS_POPUP | WS_VISIBLE, 40, 40, 660, 440, nullptr, nullptr))
            return FALSE;
        CreateLights();
        CreateButtons();
        CreateList();
        glButton.Create("", WS_CHILD | WS_VISIBLE, CRect(470, 380, 590, 420), this, 3100);
        return TRUE;
    }

    // A light in the program's face, centred vertically.
    void CreateLight(CSignalLight& light, const char* text, const RECT& rect, UINT id, int points, Gdiplus::ARGB colour)
    {
        light.Create(text, WS_CHILD | WS_VISIBLE, rect, this, id);
        light.SetTextColor(colour);
        light.SetFontName("微软雅黑");
        light.SetFontSize(points);
        light.SetAlignFlags(0x100);
    }

    void CreateLights()
    {
        CreateLight(title, "Ostrel", CRect(10, 5, 320, 65), 1000, 14, 0xFFFFFFFF);
        title.SetImage(143, "PNG");
        CreateLight(status, "温度 connected", CRect(325, 5, 650, 65), 11001, 12, 0xFFFFFFFF);
        status.SetBkImage(144, "PNG");
        CreateLight(said, "Click something", CRect(10, 400, 460, 430), 1200, 10, 0xFF00C5FF);
        said.SetAlignFlags(0x140);
    }

    void CreateButtons()
    {
        struct Spec {
            const char* caption;
            DWORD type;
            RECT rect;
            WORD face, down;
        };
        const Spec specs[kButtons] = {
            {"Flip", BS_PUSHBUTTON, {20, 80, 105, 180}, 147, 0},
            {"Mirror", BS_CHECKBOX, {20, 200, 105, 300}, 141, 0},
            {"", BS_CHECKBOX, {130, 80, 180, 130}, 149, 148},
            {"English", BS_PUSHBUTTON, {130, 150, 225, 175}, 0, 0},
            {"Point", BS_CHECKBOX, {130, 190, 245, 230}, 0, 0},
            {"Disabled", BS_PUSHBUTTON, {130, 250, 245, 290}, 0, 0},
        };
        for (int i = 0; i < kButtons; ++i) {
            CZelHeteromorphicBtn& b = buttons[i];
            b.Create(specs[i].caption, WS_CHILD | WS_VISIBLE | specs[i].type, specs[i].rect, this, kFirstButton + i);
            b.SetFontName("微软雅黑");
            if (specs[i].face)
                b.SetShapeImage(specs[i].face, "PNG");
            if (specs[i].down)
                b.SetImage2(specs[i].down, "PNG");
        }
        buttons[kButtons - 1].EnableWindow(FALSE);
    }

    void CreateList()
    {
        list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, CRect(270, 80, 620, 380), this, 6000);
        list.InsertColumn(0, "", LVCFMT_LEFT, 330);
        rowImages.Create(18, 18, ILC_COLOR32, 1, 1);
        list.SetImageList(&rowImages, LVSIL_SMALL);
        for (int i = 0; i < kListRows; ++i) {
            char name[48];
            std::snprintf(name, sizeof name, "20261210_1200%02d_000.ir", i);
            list.InsertItem(i, name);
        }
        bar.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(625, 80, 637, 380), this, 6100);
        bar.m_pList = &list;
        bar.UpdateThumb();
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_PAINT: {
            CPaintDC dc(this);
            CRect client;
            GetClientRect(&client);
            dc.FillSolidRect(&client, RGB(1, 12, 21));
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE)
                DestroyWindow();
            return 0;
        case WM_TIMER:
            if (wParam == kQuitTimer)
                DestroyWindow();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            break;
        default:
            break;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        const BOOL handled = CWnd::OnCommand(wParam, lParam);
        const UINT id = LOWORD(wParam);
        if (HIWORD(wParam) == BN_CLICKED && id >= kFirstButton && id < kFirstButton + kButtons) {
            CZelHeteromorphicBtn& b = buttons[id - kFirstButton];
            char text[96];
            std::snprintf(text, sizeof text, "Button %u clicked, check %d; list at row %d", id, b.GetCheck(),
                          list.GetScrollPos(SB_VERT));
            said.SetWindowText(text);
        }
        return handled;
    }
};

void Usage() { std::fprintf(stderr, "usage: vantrel-controls-demo [--headless] [--seconds N] [--screenshot out.png]\n"); }

}  // namespace

int main(int argc, char** argv)
{
    std::string screenshot;
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--headless")
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
        else if (a == "--screenshot" && more)
            screenshot = argv[++i];
        else if (a == "--seconds" && more)
            seconds = std::atoi(argv[++i]);
        else {
            Usage();
            return 2;
        }
    }
    InitGdiplus();
    int result = 0;
    {
        DemoWindow window;
        if (!window.CreateDemo()) {
            std::fprintf(stderr, "controls demo: cannot create the window\n");
            result = 1;
        } else if (!screenshot.empty()) {
            if (!platform::user::RenderWindowToPng(window.m_hWnd, screenshot)) {
                std::fprintf(stderr, "controls demo: cannot write %s\n", screenshot.c_str());
                result = 1;
            }
            window.DestroyWindow();
        } else {
            if (seconds > 0)
                window.SetTimer(kQuitTimer, static_cast<UINT>(seconds) * 1000u);
            MSG msg;
            // As the program's loops: PreTranslateMessage first, so double clicks reach the
            // buttons as presses.
            while (GetMessage(&msg, nullptr, 0, 0)) {
                if (AfxPreTranslateTree(nullptr, &msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
    }
    ShutdownGdiplus();
    return result;
}
