// The thermal image pane: an OpenGL control that shows one frame record as a colour image with
// the measurement shapes of its view 0, their statistics and labels, the hottest pixel, the
// cursor readout and the over-temperature alarm trigger, or a 3D surface; and, as an action flow,
// the display worker that colours every new live frame and repaints the pane.
//
// Threads and locks:
// - m_lockDraw (COGLStatic): the whole paint and the view layout on resize, UI thread;
// - m_lockDisplay: changes of view 0's rectangles (the shape editor and the owner's Clear take
//   it), the worker's copy of those rectangles for the ROI Check colouring (the worker colours
//   from its copy, so it never reads a list the editor is changing), and the colourings on the
//   UI thread;
// - the capture's m_lockRecords: the contents of the shown record. Every colouring of it holds
//   the lock, and a paint copies the record whole under it and draws from its copy, so neither
//   a colour image nor a mean is ever seen half-written;
// - the colour map's lock: fitting the colour window to the frame (FitColorWindow takes it);
// - the capture's m_lockFrame: take-and-clear of the new-frame flag, held with no other lock;
// - m_lockDisplay also guards the owner's list of curve windows: their opening and closing and
//   the whole of a curves update, which reads the shown record under m_lockRecords.
// Locks are taken in this order, never the other way round: m_lockDraw, m_lockDisplay, the
// capture's m_lockRecords, the colour map's lock. The tip lock and m_lockFrame are taken alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/IrFrame.h"
#include "foundation/CMyLock.h"
#include "foundation/CThreadActionFlow.h"
#include "view/COGLStatic.h"
#include "view/RegionStats.h"

class CDlgCurve;

class CStaticDisplay : public COGLStatic, public CThreadActionFlow {
    DECLARE_DYNAMIC(CStaticDisplay)
public:
    CStaticDisplay();
    // Stops the worker and waits for its thread, however long that takes: the thread runs this
    // object's body and must not outlive it.
    ~CStaticDisplay() override;

    // Re-colours the shown frame and repaints. With checkSource, only a still image is
    // re-coloured (an opened image, or the video frame while no video plays).
    void RefreshImage(bool checkSource);
    void DrawScene();
    // The camera frame whose colour image the last paint drew, and when it came (zero when that
    // paint drew no live frame). UI thread.
    const frame_stamp_t& PaintedFrame() const { return m_shown.stamp; }
    // A rectangle's change re-colours a still image. In Compare mode a rectangle or polygon added
    // opens its curve window and one deleted closes it; the windows of the later shapes of its
    // kind follow their shapes one place down the list.
    void OnShapeChanged(int kind, int index, int event) override;
    // For a new live frame: each curve window gets the maximum of its region and of the region's
    // twin on the other board (see CompareTwin), and its x axis shows the newest 200 samples. A
    // region with no pixel in the frame adds no point to its series.
    void UpdateCurves();

    // raw is the shown frame's temperature block with its own size; see RegionStats.
    static void CalcRectStats(const SampleBlock& raw, const RenderView* view, const RectShape* rect, RoiStats* out)
    {
        ::CalcRectStats(raw, view, rect, out);
    }
    static void CalcPolygonStats(const SampleBlock& raw, const RenderView* view, const PolygonShape* poly, RoiStats* out)
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
    // The owner's list of open curve windows, which it owns and frees; set before the first shape
    // event. Null: no curve windows. The windows are made with the display's parent as theirs.
    std::vector<CDlgCurve*>* m_pCurveDlgs = nullptr;

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
    // The shown record as one paint draws it, copied whole.
    struct ShownFrame {
        int width = 0;  // of the colour image (image_info)
        int rows = 0;
        std::vector<std::uint8_t> rgb;        // width x rows x 3; empty without a colour image
        std::vector<std::uint16_t> samples;   // the temperature block, as far as the record holds it
        SampleBlock block;                    // samples with their width (temp_info) and rows
        frame_stamp_t stamp{};                // of the live frame whose colours rgb holds
    };

    // A text of the overlay, drawn after the shapes: a point's, in the renderer's ASCII font, or
    // a region's, as multi-byte text.
    struct SceneLabel {
        std::string text;
        int x = 0;
        int y = 0;
        bool ascii = false;
    };

    // The rectangles that limit the colouring: view 0's in ROI Check mode, else none.
    const RectShapeList* ColourRects() const;
    // Takes and clears the capture's new-frame flag.
    static bool TakeNewFrame();
    // The worker's part for a new live frame: code 4, the colouring, the repaint and code 5.
    void ShowLiveFrame(HWND pane, IrFrame* frame, bool follow, std::vector<RectShape>& roi, RectShapeList& roiList);
    // Waits up to 10 ms, or until the capture raises a new frame; true when the worker is to stop.
    bool WaitForFrameOrStop();
    // Colours the record (the caller holds the capture's m_lockRecords) and notes which camera
    // frame the live record's colours now show.
    void Colour(IrFrame* frame, const RectShapeList* rects);
    void OpenCurve(int kind, int index);
    void CloseCurve(int kind, int index);
    // Adds one pair of points to a curve window; a window whose shape is gone is left as it is.
    void FeedCurve(CDlgCurve& curve, const SampleBlock& raw);
    // Copies the shown record into m_shown; false when there is none or it has no samples.
    bool CopyShownFrame();
    bool IconOn(int entry) const { return m_pIconFlags && m_pIconFlags[entry]; }
    void FindHottestPixel();
    void DrawSurface();
    void DrawPoints();
    // Returns false when some region is over the alarm threshold.
    bool DrawRects(bool alarmOn);
    bool DrawPolygons(bool alarmOn);
    void DrawLabels();
    void RaiseAlarm(bool alarmOn);
    // The start camera (rotation 45, 0, 0; translation 0, -10, -5) and zoom 4 of view 0.
    void ResetCamera();

    ShownFrame m_shown;                // UI thread, under m_lockDraw
    std::vector<SceneLabel> m_labels;  // the paint's texts, likewise
    frame_stamp_t m_colouredStamp{};   // under the capture's m_lockRecords

    DECLARE_MESSAGE_MAP()
};
