// An owner-drawn button painted through its own OpenGL renderer: a frame whose colour shows the
// press, and a fixed caption that moves by a pixel while pressed.
#pragma once

#include "platform/user/CButton.h"
#include "view/CZelRendererOpenGL.h"

class COGLBtn : public CButton {
    DECLARE_DYNAMIC(COGLBtn)
public:
    // The renderer gets its one view.
    COGLBtn();
    ~COGLBtn() override;

    // A double click acts as a second press.
    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

    CZelRendererOpenGL m_renderer;

protected:
    // Makes the button owner-drawn, gives the renderer the window's DC (kept for its lifetime)
    // and shows the client area 1:1 in every view.
    int OnCreate(LPCREATESTRUCT cs);

    DECLARE_MESSAGE_MAP()
};
