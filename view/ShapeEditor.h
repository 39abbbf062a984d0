// Turns the mouse into view navigation or measurement-shape editing on the views of a renderer:
// points, rectangles (move, corner handles, delete box) and polygons (vertex handles, move,
// delete box, closing with the right button). The OpenGL control base derives from it and
// supplies the window side (capture, cursor confinement, key state).
//
// Threads: every step runs on the user-interface thread. The thermal display's worker reads a
// copy of view 0's rectangles that it takes under m_pShapeLock; every change the editor makes to a
// listed rectangle or to the rectangle list is made under that lock, so the copy is never torn.
// Shape notifications are made with the lock released.
#pragma once

#include <atomic>

#include "foundation/CMyLock.h"
#include "platform/kernel/win_types.h"
#include "view/RenderViewSet.h"

inline constexpr int SHAPE_RECT = 0;
inline constexpr int SHAPE_POLYGON = 1;
inline constexpr int SHAPE_ADDED = 0;
inline constexpr int SHAPE_DELETED = 1;
inline constexpr int SHAPE_CHANGED = 2;

inline constexpr int TOOL_NONE = -1;
inline constexpr int TOOL_POINT = 0;
inline constexpr int TOOL_RECT = 1;
inline constexpr int TOOL_POLYGON = 2;

class ShapeEditor {
public:
    explicit ShapeEditor(RenderViewSet* views) : m_pEditViews(views) {}
    virtual ~ShapeEditor() = default;
    ShapeEditor(const ShapeEditor&) = delete;
    ShapeEditor& operator=(const ShapeEditor&) = delete;

    // A shape of a view's list was added, is about to be deleted, or changed (kind SHAPE_*, index
    // its position in its list, event SHAPE_ADDED/DELETED/CHANGED).
    virtual void OnShapeChanged(int kind, int index, int event) {}

    // Steps of one press, in client coordinates.
    void EditButtonDown(POINT pt);
    void EditMouseMove(POINT pt);
    void EditButtonUp();
    void EditRightButtonDown();

    // 0 PCBA Check, 1 Thermal field, 2 Compare (left half edits), 3 ROI Check; written on the
    // user-interface thread, read by the thermal display's worker too.
    std::atomic<int> m_nDisplayMode{0};
    int m_bPressed = 0;
    POINT m_ptPress{0, 0};
    int m_bNavigate = 0;
    int m_nTool = TOOL_NONE;
    int m_nActiveView = -1;
    // Taken around changes of view rectangles that another thread may copy; null: no lock.
    CMyLock* m_pShapeLock = nullptr;

protected:
    // Window side of a press: mouse capture while navigating, cursor confinement to a client
    // rectangle (null: free again), and whether a key is held.
    virtual void EditCapture(bool capture) {}
    virtual void EditConfineCursor(const RECT* client) {}
    virtual bool EditKeyHeld(int virtualKey) { return false; }

private:
    void PressPoint(RenderView& v, POINT image);
    // Handles a press on the selected rectangle; false when the press hit none of its handles.
    void PressSelectedRect(RenderView& v, POINT pt);
    void PressSelectedPolygon(RenderView& v, POINT image);
    void LockShapes();
    void UnlockShapes();

    RenderViewSet* m_pEditViews;
};
