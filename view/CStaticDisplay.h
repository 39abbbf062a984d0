// The thermal image pane: an OpenGL control that shows one frame record as a colour image with
// the measurement shapes of its view 0, their statistics and labels, the hottest pixel, the
// cursor readout and the over-temperature alarm trigger, or a 3D surface; and, as an action flow,
// the display worker that colours every new live frame and repaints the pane.
//
// Threads and locks (never two at once):
// - m_lockDraw (COGLStatic): the whole paint and the view layout on resize, UI thread;
// - m_lockDisplay: every colouring of the shown frame (worker and UI thread), changes of view 0's
//   rectangles (the shape editor and the owner's Clear take it), and the worker's copy of those
//   rectangles for the ROI Check colouring; the worker colours from its copy, so it never reads a
//   list the editor is changing;
// - the capture's frame lock: take-and-clear of the new-frame flag;
// - the colour map's lock: fitting the colour window to the frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "acquisition/IrFrame.h"
#include "foundation/CMyLock.h"
#include "foundation/CThreadActionFlow.h"
#include "view/COGLStatic.h"
#include "view/RegionStats.h"

class CStaticDisplay : public COGLStatic, public CThreadActionFlow {
    DECLARE_DYNAMIC(CStaticDisplay)
public:
    CStaticDisplay();
    ~CStaticDisplay() override;

    // Notifications of the worker (code 4 posted, code 5 sent) go to this window and message.
    void SetWndMsg(HWND hWnd, UINT nMsg);

    // Re-colours the shown frame and repaints. With checkSource, only a still image is
    // re-coloured (an opened image, or the video frame while no video plays).
    void RefreshImage(bool checkSource);
    void DrawScene();
    void OnShapeChanged(int kind, int index, int event) override;

    static void CalcRectStats(const std::uint16_t* raw, const RenderView* view, const RectShape* rect, RoiStats* out)
    {
        ::CalcRectStats(raw, view, rect, out);
    }
    static void CalcPolygonStats(const std::uint16_t* raw, const RenderView* view, const PolygonShape* poly, RoiStats* out)
    {
        ::CalcPolygonStats(raw, view, poly, out);
    }

    // The shown frame (not owned); set on the UI thread, read by the worker too.
    std::atomic<IrFrame*> m_pImage{nullptr};
    IrFrame* m_pImage2 = nullptr;
    int m_nImageSlot = 0;
    int m_nCursorX = 0;
    int m_nCursorY = 0;
    std::uint16_t m_wHotValue = 0;
    int m_nHotY = 0;
    int m_nHotX = 0;
    CMyLock m_lockDisplay;
    // The colour bar's icon flags (five entries): [2] alarm, [3] hottest pixel, [4] cursor
    // temperature. Set by the owner before the first paint; null: all three off.
    const int* m_pIconFlags = nullptr;

    int OnCreate(LPCREATESTRUCT cs);
    void OnSize(UINT type, int cx, int cy);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    void OnKeyDown(UINT nChar, UINT repeat, UINT flags);
    void OnPaint();
    void PreSubclassWindow() override;

protected:
    DWORD Action() override;

private:
    // The rectangles that limit the colouring: view 0's in ROI Check mode, else none.
    const RectShapeList* ColourRects() const;
    bool IconOn(int entry) const { return m_pIconFlags && m_pIconFlags[entry]; }
    void DrawPoints(const IrFrame* frame);
    // Returns false when some region is over the alarm threshold.
    bool DrawRects(const IrFrame* frame, bool alarmOn);
    bool DrawPolygons(const IrFrame* frame, bool alarmOn);
    void RaiseAlarm(bool alarmOn);
    // The start camera (rotation 45, 0, 0; translation 0, -10, -5) and zoom 4 of view 0.
    void ResetCamera();

    std::atomic<HWND> m_hNotifyWnd{nullptr};
    std::atomic<UINT> m_nNotifyMsg{0};

    DECLARE_MESSAGE_MAP()
};
