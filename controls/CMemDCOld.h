// A memory device context that collects a whole drawing of a rectangle and copies it to its
// target in one step when it is destroyed, so that the screen never shows a half-drawn control.
#pragma once

#include "platform/gdi/gdi.h"

class CMemDCOld : public CDC {
public:
    // A memory DC compatible with the target, with a compatible bitmap of the rectangle's size.
    CMemDCOld(CDC* target, const RECT& rect);
    // Copies the rectangle to the target, then frees the bitmap and the memory DC.
    ~CMemDCOld() override;

    CBitmap* m_pBitmap;
    CBitmap* m_pOldBitmap;
    CDC* m_pDC;  // not owned
    CRect m_rect;
};
