// A development program for the platform layer: one window with a GDI-painted panel, an OpenGL
// panel and a list view side by side, shown on the desktop or run headless, and a screenshot of
// any of them written to PNG.
//
//   vantrel-platform-demo [--headless] [--seconds N] [--screenshot out.png [--target window|gdi|gl|list]]
//
// With --screenshot the program paints once, writes the picture and exits (status 1 when it could
// not be written). --headless runs without a display (the off-screen video driver).
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/controls/CListCtrl.h"
#include "platform/gdi/gdi.h"
#include "platform/user/CWnd.h"
#include "platform/user/surface.h"
#include "platform/wgl/wgl.h"

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT_PTR kQuitTimer = 2;

// Lines, shapes, a gradient and text, painted through a memory context as the program's skinned
// controls do.
class GdiPanel : public CWnd {
public:
    void OnPaint()
    {
        CPaintDC paint(this);
        CRect r;
        GetClientRect(&r);
        CDC memory;
        memory.CreateCompatibleDC(&paint);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&paint, r.Width(), r.Height());
        CBitmap* old = memory.SelectObject(&bitmap);

        TRIVERTEX v[2] = {{0, 0, 0x1000, 0x2000, 0x6000, 0}, {r.right, r.bottom, 0x0000, 0x9000, 0xC000, 0}};
        GRADIENT_RECT g{0, 1};
        memory.GradientFill(v, 2, &g, 1, GRADIENT_FILL_RECT_H);
        CPen pen(PS_SOLID, 3, RGB(255, 255, 255));
        CPen* oldPen = memory.SelectObject(&pen);
        CBrush brush(RGB(250, 160, 40));
        CBrush* oldBrush = memory.SelectObject(&brush);
        memory.Ellipse(20, 60, 150, 190);
        memory.Rectangle(170, 60, 300, 190);
        CPen dash(PS_DASH, 1, RGB(255, 255, 0));
        memory.SelectObject(&dash);
        for (int x = 20; x < r.right - 20; x += 40) {
            memory.MoveTo(x, 210);
            memory.LineTo(x + 30, r.bottom - 20);
        }
        memory.SelectObject(oldPen);
        memory.SelectObject(oldBrush);
        CFont font;
        font.CreatePointFont(140, "微软雅黑");
        CFont* oldFont = memory.SelectObject(&font);
        memory.SetBkMode(TRANSPARENT);
        memory.SetTextColor(RGB(255, 255, 255));
        CRect text(0, 10, r.Width(), 50);
        memory.DrawText("GDI 绘图", -1, &text, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
        memory.SelectObject(oldFont);

        paint.BitBlt(0, 0, r.Width(), r.Height(), &memory, 0, 0, SRCCOPY);
        memory.SelectObject(old);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(GdiPanel, CWnd)
ON_WM_PAINT()
END_MESSAGE_MAP()

// A spinning triangle in the panel's own OpenGL context.
class GlPanel : public CWnd {
public:
    float angle = 0.0f;

    int OnCreate(LPCREATESTRUCT cs)
    {
        if (CWnd::OnCreate(cs) == -1) return -1;
        m_dc = ::GetDC(m_hWnd);
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = 24;
        pfd.cDepthBits = 24;
        int format = ChoosePixelFormat(m_dc, &pfd);
        if (format == 0 || !SetPixelFormat(m_dc, format, &pfd)) return 0;
        m_context = wglCreateContext(m_dc);
        if (m_context == nullptr) std::fprintf(stderr, "platform demo: no OpenGL context\n");
        return 0;
    }
    void OnDestroy()
    {
        if (m_context) {
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(m_context);
        }
        if (m_dc) ::ReleaseDC(m_hWnd, m_dc);
        m_context = nullptr, m_dc = nullptr;
        CWnd::OnDestroy();
    }
    void OnPaint()
    {
        ValidateRect(nullptr);
        Render();
    }
    void Render()
    {
        if (m_context == nullptr || !wglMakeCurrent(m_dc, m_context)) return;
        CRect r;
        GetClientRect(&r);
        glViewport(0, 0, r.Width(), r.Height());
        glClearColor(0.05f, 0.05f, 0.15f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(angle, 0, 0, 1);
        glBegin(GL_TRIANGLES);
        glColor3f(1, 0, 0), glVertex2f(0.0f, 0.8f);
        glColor3f(0, 1, 0), glVertex2f(-0.7f, -0.5f);
        glColor3f(0, 0, 1), glVertex2f(0.7f, -0.5f);
        glEnd();
        SwapBuffers(m_dc);
        wglMakeCurrent(nullptr, nullptr);
    }
    DECLARE_MESSAGE_MAP()

private:
    HDC m_dc = nullptr;
    HGLRC m_context = nullptr;
};

BEGIN_MESSAGE_MAP(GlPanel, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
END_MESSAGE_MAP()

class DemoWindow : public CWnd {
public:
    GdiPanel gdi;
    GlPanel gl;
    CListCtrl list;
    CImageList images;

    BOOL CreateDemo()
    {
        if (!CreateEx(0, nullptr, "Platform demo", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, 80, 80,
                      1000, 380, nullptr, nullptr))
            return FALSE;
        if (!gdi.Create(nullptr, "gdi", WS_CHILD | WS_VISIBLE, CRect(10, 10, 330, 370), this, 100)) return FALSE;
        if (!gl.Create(nullptr, "gl", WS_CHILD | WS_VISIBLE, CRect(340, 10, 660, 370), this, 101)) return FALSE;
        if (!list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER, CRect(670, 10, 990, 370), this, 102))
            return FALSE;
        FillList();
        return TRUE;
    }
    void FillList()
    {
        list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
        list.InsertColumn(0, "name", LVCFMT_LEFT, 300);
        images.Create(60, 45, ILC_COLOR32, 8, 1);
        list.SetImageList(&images, LVSIL_SMALL);
        for (int i = 0; i < 12; ++i) {
            // A small gradient thumbnail per item.
            std::string bits(60 * 45 * 4, '\0');
            for (int y = 0; y < 45; ++y)
                for (int x = 0; x < 60; ++x) {
                    char* p = &bits[(y * 60 + x) * 4];
                    p[0] = static_cast<char>(255 - x * 4);
                    p[1] = static_cast<char>(y * 5);
                    p[2] = static_cast<char>((i * 40) & 0xFF);
                }
            CBitmap b;
            b.CreateBitmap(60, 45, 1, 32, bits.data());
            int image = images.Add(&b, RGB(0, 0, 0));
            char name[32];
            std::snprintf(name, sizeof name, "20261210_1200%02d_000.ir", i);
            list.InsertItem(image, name, image);
        }
        list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    }
    void OnTimer(UINT_PTR id)
    {
        if (id == kFrameTimer) {
            gl.angle += 4.0f;
            gl.Render();
        } else if (id == kQuitTimer) {
            DestroyWindow();
        }
    }
    void OnDestroy()
    {
        CWnd::OnDestroy();
        PostQuitMessage(0);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DemoWindow, CWnd)
ON_WM_TIMER()
ON_WM_DESTROY()
END_MESSAGE_MAP()

void Usage()
{
    std::fprintf(stderr, "usage: vantrel-platform-demo [--headless] [--seconds N] [--screenshot out.png [--target window|gdi|gl|list]]\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string screenshot, target = "window";
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--headless") setenv("SDL_VIDEODRIVER", "offscreen", 1);
        else if (a == "--screenshot" && more) screenshot = argv[++i];
        else if (a == "--target" && more) target = argv[++i];
        else if (a == "--seconds" && more) seconds = std::atoi(argv[++i]);
        else {
            Usage();
            return 2;
        }
    }
    DemoWindow window;
    if (!window.CreateDemo()) {
        std::fprintf(stderr, "platform demo: cannot create the window\n");
        return 1;
    }
    if (!screenshot.empty()) {
        CWnd* which = target == "gdi" ? static_cast<CWnd*>(&window.gdi) : target == "gl" ? static_cast<CWnd*>(&window.gl)
                    : target == "list"                                 ? static_cast<CWnd*>(&window.list)
                    : target == "window"                               ? static_cast<CWnd*>(&window)
                                                                       : nullptr;
        if (which == nullptr) {
            Usage();
            return 2;
        }
        window.gl.angle = 20.0f;
        window.gl.Render();
        bool ok = platform::user::RenderWindowToPng(*which, screenshot);
        if (!ok) std::fprintf(stderr, "platform demo: cannot write %s\n", screenshot.c_str());
        window.DestroyWindow();
        return ok ? 0 : 1;
    }
    window.SetTimer(kFrameTimer, 40);
    if (seconds > 0) window.SetTimer(kQuitTimer, static_cast<UINT>(seconds) * 1000u);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return 0;
}
