#include "controls/CMemDCOld.h"

CMemDCOld::CMemDCOld(CDC* target, const RECT& rect) : m_pBitmap(new CBitmap), m_pDC(target), m_rect(rect)
{
    CreateCompatibleDC(target);
    m_pBitmap->CreateCompatibleBitmap(target, m_rect.Width(), m_rect.Height());
    m_pOldBitmap = SelectObject(m_pBitmap);
}

CMemDCOld::~CMemDCOld()
{
    m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_pOldBitmap);
    delete m_pBitmap;
    DeleteDC();
}
