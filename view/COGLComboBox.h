// A placeholder for an OpenGL-drawn combo box: it paints four rectangle outlines and does
// nothing else.
#pragma once

#include "view/COGLStatic.h"

// UI thread only.
class COGLComboBox : public COGLStatic {
    DECLARE_DYNAMIC(COGLComboBox)
public:
    COGLComboBox();
    ~COGLComboBox() override;

    int OnCreate(LPCREATESTRUCT cs);
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};
