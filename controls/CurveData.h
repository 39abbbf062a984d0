// One curve of the real-time plot: its pen, its name and a fixed-capacity buffer of (x, y)
// points, oldest first, from which the oldest point drops out when the buffer is full.
#pragma once

#include <vector>

#include "foundation/CMyLock.h"
#include "platform/kernel/CString.h"
#include "platform/kernel/win_types.h"

namespace RealtimeCurve {

struct CurvePoint {
    float x;
    float y;
};

class CurveData {
public:
    // capacity must be at least 1 (the plot refuses smaller ones).
    CurveData(const CString& name, int penStyle, COLORREF color, int penWidth, int capacity);
    CurveData(const CurveData&) = delete;
    CurveData& operator=(const CurveData&) = delete;

    // Widens the extent to the point and appends it; when full, the oldest point is lost.
    void AddPoint(float x, float y);

    CString m_strName;
    int m_bVisible = 1;
    COLORREF m_crColor;
    // Low byte: the GDI pen style; second byte 3: square point markers, 4: round ones.
    int m_nPenStyle;
    int m_nPenWidth;
    // Extent of every point ever added: set by the first point, then only widened.
    float m_fMinX = 0.0f, m_fMaxX = 0.0f, m_fMinY = 0.0f, m_fMaxY = 0.0f;
    int m_nCount = 0;
    std::vector<CurvePoint> m_pPoints;
    int m_nCapacity;
    // Guards the points and the extent.
    CMyLock m_lock;
};

}  // namespace RealtimeCurve
