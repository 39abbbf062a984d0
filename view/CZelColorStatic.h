// A text label drawn with OpenGL: its window text in red on black.
#pragma once

#include "view/COGLStatic.h"

// UI thread only.
class CZelColorStatic : public COGLStatic {
    DECLARE_DYNAMIC(CZelColorStatic)
public:
    CZelColorStatic();
    ~CZelColorStatic() override;

    void OnPaint();
    int OnCreate(LPCREATESTRUCT cs);

    DECLARE_MESSAGE_MAP()
};
