#include "controls/CurveData.h"

#include <algorithm>

#include "foundation/CAutoLock.h"

namespace RealtimeCurve {

CurveData::CurveData(const CString& name, int penStyle, COLORREF color, int penWidth, int capacity)
    : m_strName(name),
      m_crColor(color),
      m_nPenStyle(penStyle),
      m_nPenWidth(penWidth),
      m_pPoints(static_cast<std::size_t>(capacity)),
      m_nCapacity(capacity)
{
}

void CurveData::AddPoint(float x, float y)
{
    CAutoLock lock(&m_lock);
    if (m_nCount == 0) {
        m_fMinX = m_fMaxX = x;
        m_fMinY = m_fMaxY = y;
    } else {
        m_fMinX = std::min(m_fMinX, x);
        m_fMaxX = std::max(m_fMaxX, x);
        m_fMinY = std::min(m_fMinY, y);
        m_fMaxY = std::max(m_fMaxY, y);
    }
    if (m_nCount < m_nCapacity)
        ++m_nCount;
    else
        std::move(m_pPoints.begin() + 1, m_pPoints.end(), m_pPoints.begin());
    m_pPoints[static_cast<std::size_t>(m_nCount - 1)] = CurvePoint{x, y};
}

}  // namespace RealtimeCurve
