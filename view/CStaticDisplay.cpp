#include "view/CStaticDisplay.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "acquisition/ColorizeRaw16.h"
#include "app/CVantrelApp.h"
#include "controls/CDlgCurve.h"
#include "foundation/CAutoLock.h"
#include "platform/kernel/clock.h"
#include "view/CompareTwin.h"

namespace {

constexpr std::uint32_t kBackground = 0x001B1000;  // red 0, green 16, blue 27, alpha 0
constexpr DWORD kFollowAfterMs = 6000;
constexpr int kIconAlarm = 2;
constexpr int kIconHottest = 3;
constexpr int kIconCursor = 4;
constexpr int kLabelWeight = 200;  // of the regions' texts
constexpr int kCompare = 2;
// A curve window shows its newest 200 samples and 10 empty units after them.
constexpr int kCurveSamplesShown = 200;
constexpr int kCurveAxisLength = 210;

// The field of a curve window that names its shape, for the shape's kind.
int& CurveIndex(CDlgCurve& curve, int kind)
{
    return kind == SHAPE_RECT ? curve.m_nRectIndex : curve.m_nPolygonIndex;
}

// A region with no pixel in the frame has no maximum to plot.
void PlotMaximum(RealtimeCurve::CPlot& plot, int x, const RoiStats& s, int series)
{
    if (HasPixels(s))
        plot.AddPoint(static_cast<float>(x), static_cast<float>(ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.max))), series);
}

// A record's temperature block, no larger than the record holds.
SampleBlock SamplesOf(const IrFrame& frame)
{
    const int width = std::max(frame.temp_info[0], 0);
    const std::size_t held = width && frame.temp_data ? frame.temp_size / 2 / static_cast<std::size_t>(width) : 0;
    const int rows = static_cast<int>(std::min<std::size_t>(std::max(frame.temp_info[1], 0), held));
    return SampleBlock{frame.temp_data, width, rows};
}

}  // namespace

IMPLEMENT_DYNAMIC(CStaticDisplay, COGLStatic)

BEGIN_MESSAGE_MAP(CStaticDisplay, COGLStatic)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_MOUSEWHEEL()
ON_WM_SETCURSOR()
ON_WM_KEYDOWN()
ON_WM_PAINT()
END_MESSAGE_MAP()

CStaticDisplay::CStaticDisplay() : CThreadActionFlow(nullptr)
{
    m_renderer.AllocateViews(2);
    ResetCamera();
    m_pShapeLock = &m_lockDisplay;
}

void CStaticDisplay::ResetCamera()
{
    m_renderer.m_fRotX = 45.0f;
    m_renderer.m_fRotY = 0.0f;
    m_renderer.m_fRotZ = 0.0f;
    m_renderer.m_fTransX = 0.0f;
    m_renderer.m_fTransY = -10.0f;
    m_renderer.m_fTransZ = -5.0f;
    m_renderer.ZoomAt(0, 0, 4.0f, 0);
}

CStaticDisplay::~CStaticDisplay()
{
    // A stop on the UI thread serves the worker's SendMessage of code 5 while it waits.
    while (!ThreadWorkerStop()) {
    }
}

const RectShapeList* CStaticDisplay::ColourRects() const
{
    return m_nDisplayMode == 3 ? &m_renderer.m_pViews[0].rects : nullptr;
}

bool CStaticDisplay::TakeNewFrame()
{
    CIRDataCapture& capture = theApp.m_capture;
    CAutoLock lock(&capture.m_lockFrame);
    const bool fresh = capture.m_bNewFrame != 0;
    capture.m_bNewFrame = 0;
    return fresh;
}

DWORD CStaticDisplay::Action()
{
    const DWORD start = GetTickCount();
    // The window's handle as it was when the worker started: the UI thread clears the member when
    // it destroys the window, and a stale handle is refused by the window layer.
    const HWND pane = CWnd::m_hWnd;
    std::vector<RectShape> roi;
    RectShapeList roiList;
    for (;;) {
        // The flag is consumed even when another record is shown.
        IrFrame* frame = m_pImage;
        if (TakeNewFrame() && frame == &theApp.m_capture.m_frameLive)
            ShowLiveFrame(pane, frame, GetTickCount() - start > kFollowAfterMs, roi, roiList);
        if (WaitForFrameOrStop())
            return TIP_TERMINATED;
    }
}

bool CStaticDisplay::WaitForFrameOrStop()
{
    const HANDLE events[2] = {*m_pStopEvent, theApp.m_capture.m_evNewFrame};
    return WaitForMultipleObjects(2, events, FALSE, 10) == WAIT_OBJECT_0;
}

void CStaticDisplay::ShowLiveFrame(HWND pane, IrFrame* frame, bool follow, std::vector<RectShape>& roi,
                                   RectShapeList& roiList)
{
    CIRDataCapture& capture = theApp.m_capture;
    ::PostMessage(GetNotifyWnd(), GetNotifyMsg(), NOTIFY_FRAME_ARRIVED, 0);
    const RectShapeList* rects = nullptr;
    if (m_nDisplayMode == 3) {
        // A copy of the rectangles as they stand, so the colouring never meets an edit.
        CAutoLock lock(&m_lockDisplay);
        roi.clear();
        for (const RectShape* r : m_renderer.m_pViews[0].rects)
            roi.push_back(*r);
        roiList.clear();
        for (RectShape& r : roi)
            roiList.push_back(&r);
        rects = &roiList;
    }
    {
        CAutoLock lock(&capture.m_lockRecords);
        // Fitting the window and colouring with it is what ColorizeFrame does; the colouring
        // after it would only give the same image again.
        if (follow)
            capture.FitColorWindow(frame);
        Colour(frame, rects);
    }
    // One paint a frame: the code-5 handler moves the colour bar's markers and changes nothing
    // that this pane shows.
    ::InvalidateRect(pane, nullptr, FALSE);
    ::SendMessage(GetNotifyWnd(), GetNotifyMsg(), NOTIFY_FRAME_SHOWN, 0);
}

void CStaticDisplay::Colour(IrFrame* frame, const RectShapeList* rects)
{
    CIRDataCapture& capture = theApp.m_capture;
    ColorizeRaw16(frame, &capture.m_colorMap, static_cast<std::uint32_t>(capture.m_nColorMode), rects, 0);
    if (frame == &capture.m_frameLive)
        m_colouredStamp = capture.m_liveStamp;
}

void CStaticDisplay::RefreshImage(bool checkSource)
{
    IrFrame* frame = m_pImage;
    if (!frame)
        return;
    CIRDataCapture& capture = theApp.m_capture;
    if (checkSource) {
        const bool still = frame == &capture.m_frameImage || (frame == &capture.m_frameVideo && theApp.m_bVideoPlaying == 0);
        if (!still)
            return;
    }
    {
        CAutoLock display(&m_lockDisplay);
        CAutoLock records(&capture.m_lockRecords);
        Colour(frame, ColourRects());
    }
    ::InvalidateRect(CWnd::m_hWnd, nullptr, FALSE);
}

void CStaticDisplay::OnShapeChanged(int kind, int index, int event)
{
    if (kind == SHAPE_RECT && event == SHAPE_CHANGED)
        RefreshImage(true);
    if (m_nDisplayMode != kCompare || (kind != SHAPE_RECT && kind != SHAPE_POLYGON))
        return;
    if (event == SHAPE_ADDED)
        OpenCurve(kind, index);
    else if (event == SHAPE_DELETED)
        CloseCurve(kind, index);
}

void CStaticDisplay::OpenCurve(int kind, int index)
{
    CWnd* owner = GetParent();
    if (!m_pCurveDlgs || !owner)
        return;
    auto* curve = new CDlgCurve(owner);
    CString caption;
    caption.Format(kind == SHAPE_RECT ? "ROI #%d" : "Polygon #%d", index);
    curve->SetCaption(caption);
    CurveIndex(*curve, kind) = index;
    curve->Create(CDlgCurve::kTemplateId, owner);
    CAutoLock lock(&m_lockDisplay);
    m_pCurveDlgs->push_back(curve);
    curve->ShowWindow(SW_SHOW);
}

void CStaticDisplay::CloseCurve(int kind, int index)
{
    if (!m_pCurveDlgs)
        return;
    CDlgCurve* closed = nullptr;
    {
        CAutoLock lock(&m_lockDisplay);
        std::vector<CDlgCurve*>& curves = *m_pCurveDlgs;
        const auto found = std::find_if(curves.begin(), curves.end(),
                                        [&](CDlgCurve* c) { return c && CurveIndex(*c, kind) == index; });
        if (found != curves.end()) {
            closed = *found;
            curves.erase(found);
        }
        // The shape leaves its list next, and the later ones move down a place.
        for (CDlgCurve* c : curves) {
            if (c && CurveIndex(*c, kind) > index)
                --CurveIndex(*c, kind);
        }
    }
    if (closed) {
        closed->DestroyWindow();
        delete closed;
    }
}

void CStaticDisplay::UpdateCurves()
{
    if (!m_pCurveDlgs)
        return;
    CAutoLock display(&m_lockDisplay);
    const IrFrame* frame = m_pImage;
    if (!frame)
        return;
    CAutoLock records(&theApp.m_capture.m_lockRecords);
    const SampleBlock raw = SamplesOf(*frame);
    for (CDlgCurve* curve : *m_pCurveDlgs) {
        if (curve)
            FeedCurve(*curve, raw);
    }
}

void CStaticDisplay::FeedCurve(CDlgCurve& curve, const SampleBlock& raw)
{
    const RenderView& v = m_renderer.m_pViews[0];
    const auto rect = static_cast<std::size_t>(curve.m_nRectIndex);
    const auto polygon = static_cast<std::size_t>(curve.m_nPolygonIndex);
    RoiStats left, right;
    if (curve.m_nRectIndex >= 0) {
        if (rect >= v.rects.size())
            return;
        const RectShape twin = CompareTwin(v, *v.rects[rect]);
        CalcRectStats(raw, &v, v.rects[rect], &left);
        CalcRectStats(raw, &v, &twin, &right);
    } else if (curve.m_nPolygonIndex >= 0) {
        if (polygon >= v.polygons.size())
            return;
        PolygonShape twin;
        twin.m_points = CompareTwin(v, v.polygons[polygon]->m_points);
        CalcPolygonStats(raw, &v, v.polygons[polygon], &left);
        CalcPolygonStats(raw, &v, &twin, &right);
    } else {
        return;
    }
    const int n = curve.m_nSamples++;
    PlotMaximum(curve.m_plot, n, left, 0);
    PlotMaximum(curve.m_plot, n, right, 1);
    const int lo = curve.m_nSamples > kCurveSamplesShown ? curve.m_nSamples - kCurveSamplesShown : 0;
    RealtimeCurve::AxisData& x = curve.m_plot.GetXAxis();
    x.m_fMin = x.m_fDataMin = static_cast<float>(lo);
    x.m_fMax = x.m_fDataMax = static_cast<float>(lo + kCurveAxisLength);
    if (curve.m_plot.GetSafeHwnd() != nullptr)
        curve.m_plot.Invalidate(FALSE);
}

int CStaticDisplay::OnCreate(LPCREATESTRUCT cs)
{
    return COGLStatic::OnCreate(cs) == -1 ? -1 : 0;
}

void CStaticDisplay::PreSubclassWindow()
{
    COGLStatic::PreSubclassWindow();
}

void CStaticDisplay::OnSize(UINT type, int cx, int cy)
{
    COGLStatic::OnSize(type, cx, cy);
    CAutoLock lock(&m_lockDraw);
    CRect client;
    GetClientRect(&client);
    for (int i = 0; i < m_renderer.m_nViewCount; ++i) {
        m_renderer.m_pViews[i].target = ViewRect{client.left, client.top, client.Width(), client.Height()};
        m_renderer.LayoutView(i);
    }
}

void CStaticDisplay::OnLButtonDown(UINT flags, CPoint point)
{
    m_bNavigate = (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) ? 1 : 0;
    COGLStatic::OnLButtonDown(flags, point);
    Invalidate(FALSE);
}

void CStaticDisplay::OnLButtonUp(UINT flags, CPoint point)
{
    COGLStatic::OnLButtonUp(flags, point);
}

void CStaticDisplay::OnMouseMove(UINT flags, CPoint point)
{
    if (::GetFocus() != CWnd::m_hWnd)
        SetFocus();
    if (const IrFrame* frame = m_pImage) {
        POINT pixel;
        m_renderer.m_pViews[0].ClientToImage(point, pixel);
        int width, rows;
        {
            CAutoLock lock(&theApp.m_capture.m_lockRecords);
            width = frame->temp_info[0];
            rows = frame->temp_info[1];
        }
        if (pixel.x >= 0 && pixel.x < width && pixel.y >= 0 && pixel.y < rows) {
            m_nCursorX = pixel.x;
            m_nCursorY = pixel.y;
            RefreshImage(true);
        }
    }
    COGLStatic::OnMouseMove(flags, point);
}

BOOL CStaticDisplay::OnMouseWheel(UINT flags, short delta, CPoint point)
{
    if (GetKeyState(VK_CONTROL) < 0) {
        ScreenToClient(&point);
        m_renderer.OnWheel(point.x, point.y, delta, 0);
        Invalidate(FALSE);
    }
    return COGLStatic::OnMouseWheel(flags, delta, point);
}

BOOL CStaticDisplay::OnSetCursor(CWnd*, UINT, UINT)
{
    ::SetCursor(::LoadCursor(nullptr, GetKeyState(VK_CONTROL) < 0 ? IDC_HAND : IDC_CROSS));
    return TRUE;
}

void CStaticDisplay::OnKeyDown(UINT nChar, UINT repeat, UINT flags)
{
    if (nChar == 0x52) {  // R: back to the start view
        ResetCamera();
        Invalidate(FALSE);
    }
    COGLStatic::OnKeyDown(nChar, repeat, flags);
}

void CStaticDisplay::OnPaint()
{
    CPaintDC dc(this);
    DrawScene();
}

bool CStaticDisplay::CopyShownFrame()
{
    const IrFrame* frame = m_pImage;
    ShownFrame& f = m_shown;
    f.stamp = frame_stamp_t{};
    if (!frame)
        return false;
    CAutoLock lock(&theApp.m_capture.m_lockRecords);
    if (!frame->temp_data)
        return false;
    if (frame == &theApp.m_capture.m_frameLive)
        f.stamp = m_colouredStamp;
    f.width = std::max(frame->image_info[0], 0);
    f.rows = std::max(frame->image_info[1], 0);
    // The colour image has the image half's size (it is allocated with it).
    if (frame->rgb_buf)
        f.rgb.assign(frame->rgb_buf, frame->rgb_buf + static_cast<std::size_t>(f.width) * f.rows * 3);
    else
        f.rgb.clear();
    // The temperature block's size is its own, whatever the image half's is.
    const SampleBlock held = SamplesOf(*frame);
    f.samples.assign(held.samples, held.samples + static_cast<std::size_t>(held.width) * held.rows);
    f.block = SampleBlock{f.samples.data(), held.width, held.rows};
    return true;
}

void CStaticDisplay::DrawScene()
{
    CAutoLock lock(&m_lockDraw);
    if (!CopyShownFrame())
        return;
    CZelRendererOpenGL& r = m_renderer;
    if (IconOn(kIconHottest))
        FindHottestPixel();
    if (!m_shown.rgb.empty())
        r.UploadTexture(m_shown.rgb.data(), m_shown.width, m_shown.rows, 1, 0);
    r.BeginFrame(kBackground);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x3F3F);
    if (r.m_b3D) {
        r.Begin3D();
        DrawSurface();
    } else {
        r.SetViewport(0);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        r.DrawTexture(0, 0);
        if (m_nDisplayMode == 2)
            r.DrawLine(m_shown.width / 2, 0, m_shown.width / 2, m_shown.rows, 0);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_COLOR_LOGIC_OP);
        glLogicOp(GL_INVERT);
        m_labels.clear();
        DrawPoints();
        const bool alarmOn = IconOn(kIconAlarm);
        const bool rectsCalm = DrawRects(alarmOn);
        const bool polygonsCalm = DrawPolygons(alarmOn);
        DrawLabels();
        r.DrawStamps();
        if ((rectsCalm && polygonsCalm) || !alarmOn)
            theApp.m_nAlarmCountdown = 0;
        glDisable(GL_COLOR_LOGIC_OP);
    }
    glDisable(GL_LINE_STIPPLE);
    r.EndFrame();
}

void CStaticDisplay::FindHottestPixel()
{
    const SampleBlock& b = m_shown.block;
    m_wHotValue = 0;
    for (int y = 0; y < b.rows; ++y) {
        const std::uint16_t* row = b.samples + static_cast<std::size_t>(y) * b.width;
        for (int x = 0; x < b.width; ++x) {
            if (row[x] > m_wHotValue) {
                m_wHotValue = row[x];
                m_nHotX = x;
                m_nHotY = y;
            }
        }
    }
}

void CStaticDisplay::DrawSurface()
{
    // The surface pairs each sample with its colour pixel: only a temperature block of the colour
    // image's size can be drawn.
    const ShownFrame& f = m_shown;
    if (f.rgb.empty() || f.block.width != f.width || f.block.rows != f.rows)
        return;
    m_renderer.Draw3DSurface(f.block.samples, f.rgb.data(), static_cast<std::uint32_t>(f.width),
                             static_cast<std::uint32_t>(f.rows));
}

void CStaticDisplay::DrawPoints()
{
    CZelRendererOpenGL& r = m_renderer;
    const RenderView& v = r.m_pViews[0];
    const SampleBlock& b = m_shown.block;
    std::vector<POINT> list(v.points);
    list.push_back(v.FlipPoint(POINT{m_nHotX, m_nHotY}));
    list.push_back(POINT{m_nCursorX, m_nCursorY});
    const std::size_t n = list.size();
    const auto tw = static_cast<unsigned>(b.width);
    const auto th = static_cast<unsigned>(b.rows);
    char label[64];
    for (std::size_t i = 0; i < n; ++i) {
        const POINT p = list[i];
        if (static_cast<unsigned>(p.x) >= tw || static_cast<unsigned>(p.y) >= th)
            continue;
        const bool hottest = i == n - 2;
        const bool cursor = i == n - 1;
        if ((hottest && !IconOn(kIconHottest)) || (cursor && !IconOn(kIconCursor)))
            continue;
        const POINT f = v.FlipPoint(p);
        if (static_cast<unsigned>(f.x) >= tw || static_cast<unsigned>(f.y) >= th)
            continue;
        const std::uint16_t raw = b.samples[static_cast<std::size_t>(f.y) * tw + f.x];
        std::snprintf(label, sizeof label, "%.1f", ZelColorMap::RawToCelsius(raw));
        r.SetColor(255, 255, 255);
        m_labels.push_back(SceneLabel{label, p.x + 4, p.y, true});
        if (cursor)
            continue;
        if (hottest) {
            r.DrawCircle(static_cast<float>(p.x), static_cast<float>(p.y), 2.0f, 100, 0);
            r.DrawCross(p.x, p.y, 3, 0);
            continue;
        }
        r.DrawCircle(static_cast<float>(p.x), static_cast<float>(p.y), 1.5f, 100, 0);
        r.DrawCross(p.x, p.y, 2, 0);
        std::snprintf(label, sizeof label, "%d", static_cast<int>(i) + 1);
        m_labels.push_back(SceneLabel{label, p.x - 4, p.y - 1, true});
    }
}

void CStaticDisplay::DrawLabels()
{
    // Every overlay pixel is inverted, so the order of the overlay does not change the picture;
    // the texts go last and together, because the software renderer pays dearly for each switch
    // between lines and glyph bitmaps.
    CZelRendererOpenGL& r = m_renderer;
    std::vector<CZelRendererOpenGL::TextAt> texts;
    for (const SceneLabel& l : m_labels) {
        if (l.ascii)
            r.DrawAsciiText(l.text.c_str(), l.x, l.y, 0);
        else
            texts.push_back(CZelRendererOpenGL::TextAt{l.text.c_str(), l.x, l.y});
    }
    r.DrawMultiByteTexts(texts.data(), texts.size(), kLabelWeight, 0);
}

void CStaticDisplay::RaiseAlarm(bool alarmOn)
{
    // With the alarm toggle off the paint ends with 0 anyway; not writing 10 first keeps the
    // alarm-sound worker from catching the value in between.
    if (alarmOn && theApp.m_nAlarmCountdown < 0)
        theApp.m_nAlarmCountdown = 10;
}

bool CStaticDisplay::DrawRects(bool alarmOn)
{
    CZelRendererOpenGL& r = m_renderer;
    const RenderView& v = r.m_pViews[0];
    const double threshold = ZelColorMap::RawToCelsius(theApp.m_capture.m_colorMap.m_nAlarm);
    bool calm = true;
    char label[96];
    for (std::size_t i = 0; i < v.rects.size(); ++i) {
        const RectShape* listed = v.rects[i];
        const bool selected = listed == v.selectedRect;
        const int copies = m_nDisplayMode == 2 ? 2 : 1;
        for (int j = 0; j < copies; ++j) {
            const RectShape c = j == 1 ? CompareTwin(v, *listed) : *listed;
            const int x = c.x, y = c.y, w = c.w, h = c.h;
            if (selected) {
                r.DrawRect(x + w, y, 3, 3, 0);
                r.DrawLine(x + w, y, x + w + 3, y + 3, 0);
                r.DrawLine(x + w + 3, y, x + w, y + 3, 0);
                r.DrawLine(x + 1, y + 1, x + 5, y + 1, 0);
                r.DrawLine(x + 1, y + 1, x + 1, y + 5, 0);
                r.DrawLine(x + w - 5, y + h - 1, x + w - 1, y + h - 1, 0);
                r.DrawLine(x + w - 1, y + h - 1, x + w - 1, y + h - 5, 0);
            }
            r.StampRect(x, y, w, h, 0);
            RoiStats s;
            CalcRectStats(m_shown.block, &v, &c, &s);
            if (ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.max)) > threshold) {
                r.StampLine(x + 1, y + 3, x + 1, y + h - 3, 0);
                r.StampLine(x + w - 1, y + 3, x + w - 1, y + h - 3, 0);
                RaiseAlarm(alarmOn);
                calm = false;
            }
            const POINT m = v.FlipPoint(POINT{s.x, s.y});
            r.StampMarker(m.x, m.y, 1.0f, 100, 2, 0);
            std::snprintf(label, sizeof label, "%.1f /%.1f /%.1f", ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.max)),
                          ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.min)),
                          ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.mean)));
            m_labels.push_back(SceneLabel{label, x, y - 1, false});
            if (!selected) {
                std::snprintf(label, sizeof label, "#%d%d", static_cast<int>(i) + 1, j);
                m_labels.push_back(SceneLabel{label, x + w + 1, y + 1, false});
            }
        }
    }
    if (v.selectedRect && !v.IsListed(v.selectedRect)) {
        const RectShape& d = *v.selectedRect;
        r.DrawRect(d.x, d.y, d.w, d.h, 0);
    }
    return calm;
}

bool CStaticDisplay::DrawPolygons(bool alarmOn)
{
    CZelRendererOpenGL& r = m_renderer;
    const RenderView& v = r.m_pViews[0];
    const std::uint16_t threshold = theApp.m_capture.m_colorMap.m_nAlarm;
    bool calm = true;
    char label[96];
    for (std::size_t i = 0; i < v.polygons.size(); ++i) {
        const PolygonShape* listed = v.polygons[i];
        if (listed->m_points.empty())
            continue;
        const bool selected = listed == v.selectedPolygon;
        const int copies = m_nDisplayMode == 2 ? 2 : 1;
        for (int j = 0; j < copies; ++j) {
            PolygonShape c;
            c.m_points = j == 1 ? CompareTwin(v, listed->m_points) : listed->m_points;
            const std::vector<POINT>& pts = c.m_points;
            const std::size_t n = pts.size();
            for (std::size_t k = 0; k < n; ++k) {
                const POINT a = pts[k];
                const POINT b = pts[(k + 1) % n];
                r.DrawLine(a.x, a.y, b.x, b.y, 0);
                if (selected)
                    r.DrawRect(a.x - 1, a.y - 1, 2, 2, 0);
            }
            const POINT f = pts[0];
            if (selected) {
                r.DrawRect(f.x + 2, f.y - 4, 3, 3, 0);
                r.DrawLine(f.x + 2, f.y - 4, f.x + 5, f.y - 1, 0);
                r.DrawLine(f.x + 5, f.y - 4, f.x + 2, f.y - 1, 0);
            }
            RoiStats s;
            CalcPolygonStats(m_shown.block, &v, &c, &s);
            if (s.max > threshold) {
                RaiseAlarm(alarmOn);
                calm = false;
            }
            const POINT m = v.FlipPoint(POINT{s.x, s.y});
            r.StampMarker(m.x, m.y, 1.0f, 100, 2, 0);
            std::snprintf(label, sizeof label, "#%d(%.1f/%.1f/%.1f)", static_cast<int>(i) + 1,
                          ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.max)),
                          ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.min)),
                          ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(s.mean)));
            m_labels.push_back(SceneLabel{label, f.x + 3, f.y - 3, false});
        }
    }
    if (v.selectedPolygon && !v.IsListed(v.selectedPolygon)) {
        const std::vector<POINT>& pts = v.selectedPolygon->m_points;
        for (std::size_t k = 0; k < pts.size(); ++k) {
            r.DrawCircle(static_cast<float>(pts[k].x), static_cast<float>(pts[k].y), 1.0f, 40, 0);
            if (k + 1 < pts.size())
                r.DrawLine(pts[k].x, pts[k].y, pts[k + 1].x, pts[k + 1].y, 0);
        }
    }
    return calm;
}
