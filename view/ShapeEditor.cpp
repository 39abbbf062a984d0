#include "view/ShapeEditor.h"

#include <cstdlib>

#include "platform/user/user_types.h"

namespace {

// The anchor offsets of the five rectangle handles: four corners, then the delete box just right
// of the top right corner.
struct HandleSquare {
    int ax, ay;  // anchor: 0 = x (or y), 1 = x + w (or y + h)
    int ox, oy;
};
constexpr HandleSquare kHandles[5] = {
    {0, 0, 2, 2}, {1, 0, -2, 2}, {1, 1, -2, -2}, {0, 1, 2, -2}, {1, 0, 2, 2},
};
constexpr int kDeleteBox = 4;

bool Near(POINT a, POINT b)
{
    return std::abs(a.x - b.x) < 3 && std::abs(a.y - b.y) < 3;
}

}  // namespace

void ShapeEditor::LockShapes()
{
    if (m_pShapeLock)
        m_pShapeLock->lock();
}

void ShapeEditor::UnlockShapes()
{
    if (m_pShapeLock)
        m_pShapeLock->unLock();
}

void ShapeEditor::EditButtonDown(POINT pt)
{
    m_bPressed = 1;
    m_ptPress = pt;
    if (m_bNavigate) {
        EditCapture(true);
        return;
    }
    m_nActiveView = -1;
    int inside = 0;
    const int views = m_pEditViews->m_pViews ? m_pEditViews->m_nViewCount : 0;
    for (int i = 0; i < views; ++i) {
        RenderView& v = m_pEditViews->m_pViews[i];
        CRect r(v.viewport.x, v.viewport.y, v.viewport.x + v.viewport.w, v.viewport.y + v.viewport.h);
        if (m_nDisplayMode == 2)
            r.right = v.viewport.x + v.viewport.w / 2;
        if (!r.PtInRect(pt))
            continue;
        EditConfineCursor(&r);
        m_nActiveView = i;
        inside = 1;
        POINT image;
        v.ClientToImage(pt, image);
        if (m_nTool == TOOL_POINT) {
            // Clearing the selection also gives up a polygon that is still being drawn.
            if (v.selectedPolygon && !v.IsListed(v.selectedPolygon))
                delete v.selectedPolygon;
            v.selectedRect = nullptr;
            v.selectedPolygon = nullptr;
            PressPoint(v, image);
            continue;
        }
        v.handle = -1;
        const bool hadSelection = v.selectedRect || v.selectedPolygon;
        if (v.selectedRect)
            PressSelectedRect(v, pt);
        if (v.selectedPolygon)
            PressSelectedPolygon(v, image);
        if (!v.selectedPolygon && v.selectedRect)
            continue;
        if (!v.selectedRect && !v.selectedPolygon) {
            if (m_nTool == TOOL_RECT) {
                v.selectedRect = v.HitTestRect(pt.x, pt.y);
                if (!v.selectedRect)
                    v.selectedPolygon = v.HitTestPolygon(pt.x, pt.y);
            } else if (m_nTool == TOOL_POLYGON) {
                v.selectedPolygon = v.HitTestPolygon(pt.x, pt.y);
                if (!v.selectedPolygon)
                    v.selectedRect = v.HitTestRect(pt.x, pt.y);
            }
        }
        if (!v.selectedRect && !v.selectedPolygon) {
            if (m_nTool == TOOL_RECT) {
                v.selectedRect = new RectShape{};
            } else if (m_nTool == TOOL_POLYGON && !hadSelection) {
                auto* poly = new PolygonShape;
                poly->m_points.push_back(image);
                v.selectedPolygon = poly;
            }
        }
    }
    m_bPressed = inside;
}

void ShapeEditor::PressPoint(RenderView& v, POINT image)
{
    for (std::size_t k = 0; k < v.points.size(); ++k) {
        if (!Near(image, v.points[k]))
            continue;
        v.points.erase(v.points.begin() + static_cast<std::ptrdiff_t>(k));
        // In Compare mode the entry after it is its twin.
        if (m_nDisplayMode == 2 && k < v.points.size())
            v.points.erase(v.points.begin() + static_cast<std::ptrdiff_t>(k));
        return;
    }
    v.points.push_back(image);
    if (m_nDisplayMode == 2)
        v.points.push_back(POINT{image.x + static_cast<int>(v.imageWidth / 2), image.y});
}

void ShapeEditor::PressSelectedRect(RenderView& v, POINT pt)
{
    RectShape* r = v.selectedRect;
    const int side = v.WindowLength(5.0f);
    for (int h = 0; h < 5; ++h) {
        const HandleSquare& s = kHandles[h];
        const int left = v.WindowX(r->x + s.ax * r->w + s.ox - 2);
        const int top = v.WindowY(r->y + s.ay * r->h + s.oy - 2);
        if (pt.x < left || pt.x >= left + side || pt.y < top || pt.y >= top + side)
            continue;
        v.handle = h;
        if (h == kDeleteBox) {
            const int j = v.SelectedRectIndex();
            if (j >= 0) {
                OnShapeChanged(SHAPE_RECT, j, SHAPE_DELETED);
                LockShapes();
                v.rects.erase(v.rects.begin() + j);
                UnlockShapes();
                v.handle = -1;
                delete r;
                v.selectedRect = nullptr;
            }
        }
        return;
    }
    v.selectedRect = nullptr;
}

void ShapeEditor::PressSelectedPolygon(RenderView& v, POINT image)
{
    PolygonShape* poly = v.selectedPolygon;
    const int j = v.SelectedPolygonIndex();
    if (j < 0) {
        poly->m_points.push_back(image);
        poly->UpdateMask();
        return;
    }
    const POINT first = poly->m_points.front();
    if (std::abs(image.x - (first.x + 3)) < 3 && std::abs(image.y - (first.y - 3)) < 3) {
        OnShapeChanged(SHAPE_POLYGON, j, SHAPE_DELETED);
        v.polygons.erase(v.polygons.begin() + j);
        v.handle = -1;
        delete poly;
        v.selectedPolygon = nullptr;
        return;
    }
    for (std::size_t k = 0; k < poly->m_points.size(); ++k) {
        if (Near(image, poly->m_points[k])) {
            v.handle = static_cast<int>(k);
            return;
        }
    }
    v.selectedPolygon = nullptr;
}

void ShapeEditor::EditMouseMove(POINT pt)
{
    if (!m_bPressed)
        return;
    if (m_bNavigate) {
        if (EditKeyHeld(VK_CONTROL))
            m_pEditViews->OnDrag(m_ptPress.x - pt.x, m_ptPress.y - pt.y, 0);
        else if (EditKeyHeld(VK_MENU))
            m_pEditViews->OnAltDrag(m_ptPress.x - pt.x, m_ptPress.y - pt.y);
        m_ptPress = pt;
        return;
    }
    if (m_nActiveView < 0)
        return;
    RenderView& v = m_pEditViews->m_pViews[m_nActiveView];
    const bool moved = pt.x != m_ptPress.x || pt.y != m_ptPress.y;
    POINT a, b;
    v.ClientToImage(m_ptPress, a);
    v.ClientToImage(pt, b);
    const POINT d{a.x - b.x, a.y - b.y};
    if (RectShape* r = v.selectedRect) {
        const int j = v.SelectedRectIndex();
        if (j >= 0 && moved) {
            LockShapes();
            if (v.handle == -1) {
                r->x -= d.x;
                r->y -= d.y;
            } else if (v.handle == 0) {
                const int right = r->x + r->w;
                const int bottom = r->y + r->h;
                r->x -= d.x;
                r->y -= d.y;
                r->w = right - r->x;
                r->h = bottom - r->y;
            } else if (v.handle == 2) {
                r->w -= d.x;
                r->h -= d.y;
            }
            UnlockShapes();
            OnShapeChanged(SHAPE_RECT, j, SHAPE_CHANGED);
            m_ptPress = pt;
        } else if (j < 0) {
            *r = RectShape{a.x, a.y, b.x - a.x, b.y - a.y};
        }
    }
    if (PolygonShape* poly = v.selectedPolygon) {
        const int j = v.SelectedPolygonIndex();
        if (j >= 0 && moved) {
            if (v.handle >= 0 && v.handle < static_cast<int>(poly->m_points.size())) {
                poly->m_points[static_cast<std::size_t>(v.handle)] = b;
                poly->UpdateMask();
            } else {
                poly->Offset(-d.x, -d.y);
                m_ptPress = pt;
            }
            OnShapeChanged(SHAPE_POLYGON, j, SHAPE_CHANGED);
        }
    }
}

void ShapeEditor::EditButtonUp()
{
    if (!m_bPressed)
        return;
    m_bPressed = 0;
    if (m_bNavigate) {
        EditCapture(false);
        return;
    }
    EditConfineCursor(nullptr);
    if (m_nActiveView < 0)
        return;
    RenderView& v = m_pEditViews->m_pViews[m_nActiveView];
    if (RectShape* r = v.selectedRect; r && !v.IsListed(r)) {
        // A rectangle drawn toward the left or the top is kept with positive extents, so that
        // hit tests, handles and statistics treat every drag direction alike.
        if (r->w < 0) {
            r->x += r->w;
            r->w = -r->w;
        }
        if (r->h < 0) {
            r->y += r->h;
            r->h = -r->h;
        }
        if (r->w * r->h > 20) {
            LockShapes();
            v.rects.push_back(r);
            UnlockShapes();
            OnShapeChanged(SHAPE_RECT, static_cast<int>(v.rects.size()) - 1, SHAPE_ADDED);
        } else {
            delete r;
            v.selectedRect = nullptr;
        }
    }
    if (v.selectedPolygon && v.IsListed(v.selectedPolygon) && v.handle >= 0)
        v.handle = -1;
}

void ShapeEditor::EditRightButtonDown()
{
    if (m_nActiveView < 0)
        return;
    RenderView& v = m_pEditViews->m_pViews[m_nActiveView];
    PolygonShape* poly = v.selectedPolygon;
    if (!poly || v.IsListed(poly))
        return;
    if (poly->m_points.size() >= 3) {
        v.polygons.push_back(poly);
        OnShapeChanged(SHAPE_POLYGON, static_cast<int>(v.polygons.size()) - 1, SHAPE_ADDED);
        poly->UpdateMask();
    } else {
        delete poly;
    }
    v.selectedPolygon = nullptr;
}
