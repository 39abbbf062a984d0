// The base of every OpenGL-drawn control: a static control that paints through its embedded
// renderer and turns mouse input into view navigation or shape editing (ShapeEditor) on the
// renderer's views. Derived controls allocate their views in their constructors.
#pragma once

#include "foundation/CMyLock.h"
#include "platform/gdi/gdi.h"
#include "platform/user/CStatic.h"
#include "view/CZelRendererOpenGL.h"
#include "view/ShapeEditor.h"

class COGLStatic : public CStatic, public ShapeEditor {
    DECLARE_DYNAMIC(COGLStatic)
public:
    COGLStatic();
    ~COGLStatic() override;

    // The control's drawing lock: taken by derived controls around their painting and layout.
    CMyLock m_lockDraw;
    CZelRendererOpenGL m_renderer;

    // A double-click of either button is taken as a second press: quick clicks place points and
    // vertices one after the other, and the derived controls' press handlers see each of them.
    // A press the control loses before its release (a menu or a dialog opens meanwhile, or the
    // capture goes elsewhere) ends as the release would, so that no drag outlives it.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int OnCreate(LPCREATESTRUCT cs);
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);

protected:
    void EditCapture(bool capture) override;
    void EditConfineCursor(const RECT* client) override;
    bool EditKeyHeld(int virtualKey) override;

    DECLARE_MESSAGE_MAP()

private:
    void EndLostPress();
};
