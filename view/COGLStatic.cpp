#include "view/COGLStatic.h"

IMPLEMENT_DYNAMIC(COGLStatic, CStatic)

BEGIN_MESSAGE_MAP(COGLStatic, CStatic)
ON_WM_CREATE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_CTLCOLOR()
ON_WM_RBUTTONDOWN()
END_MESSAGE_MAP()

// The editor is handed the renderer's address before the renderer is built; it reads it only
// from the message handlers.
COGLStatic::COGLStatic() : ShapeEditor(&m_renderer) {}

COGLStatic::~COGLStatic() = default;

LRESULT COGLStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    else if (message == WM_RBUTTONDBLCLK)
        message = WM_RBUTTONDOWN;
    else if ((message == WM_CANCELMODE || message == WM_CAPTURECHANGED) && m_bPressed)
        EndLostPress();
    return CStatic::WindowProc(message, wParam, lParam);
}

void COGLStatic::EndLostPress()
{
    CPoint at;
    GetCursorPos(&at);
    ScreenToClient(&at);
    CStatic::WindowProc(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

int COGLStatic::OnCreate(LPCREATESTRUCT cs)
{
    if (CStatic::OnCreate(cs) == -1)
        return -1;
    // A failed Init leaves a control that paints nothing.
    m_renderer.Init(::GetDC(m_hWnd));
    CRect client;
    GetClientRect(&client);
    const int views = m_renderer.m_pViews ? m_renderer.m_nViewCount : 0;
    for (int i = 0; i < views; ++i) {
        m_renderer.m_pViews[i].target = ViewRect{0, 0, client.Width(), client.Height()};
        m_renderer.LayoutView(i);
    }
    return 0;
}

HBRUSH COGLStatic::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor)
{
    CStatic::OnCtlColor(dc, wnd, ctlColor);
    if (dc) {
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(RGB(125, 0, 0));
    }
    return reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void COGLStatic::OnLButtonDown(UINT flags, CPoint point)
{
    SetFocus();
    EditButtonDown(point);
    CStatic::OnLButtonDown(flags, point);
}

void COGLStatic::OnMouseMove(UINT flags, CPoint point)
{
    EditMouseMove(point);
    CStatic::OnMouseMove(flags, point);
}

void COGLStatic::OnLButtonUp(UINT flags, CPoint point)
{
    EditButtonUp();
    CStatic::OnLButtonUp(flags, point);
}

void COGLStatic::OnRButtonDown(UINT flags, CPoint point)
{
    EditRightButtonDown();
    CStatic::OnRButtonDown(flags, point);
}

void COGLStatic::EditCapture(bool capture)
{
    if (capture)
        SetCapture();
    else if (::GetCapture() == m_hWnd)  // a capture taken by another window stays with it
        ReleaseCapture();
}

void COGLStatic::EditConfineCursor(const RECT* client)
{
    if (!client) {
        ClipCursor(nullptr);
        return;
    }
    CRect screen(*client);
    ClientToScreen(&screen);
    ClipCursor(&screen);
}

bool COGLStatic::EditKeyHeld(int virtualKey)
{
    return GetKeyState(virtualKey) < 0;
}
