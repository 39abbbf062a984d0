// The toolbar's commands. A checkable button has toggled before its command arrives, so each
// command reads the button's new check state.
#include <cstdint>
#include <vector>

#include "acquisition/CVideoFile.h"
#include "acquisition/irfile.h"
#include "app/CVantrelApp.h"
#include "app/CVantrelDlg.h"
#include "app/DataFiles.h"
#include "app/StatusTexts.h"
#include "foundation/CAutoLock.h"
#include "platform/files/files.h"
#include "platform/user/message_queue.h"

namespace {

// The display's inspection modes.
constexpr int kThermalField = 1;
constexpr int kCompare = 2;
constexpr int kRoiCheck = 3;

// Lets a thumbnail loader end, serving what it sends meanwhile, so that a list is never changed
// while its loader still fills or renews it.
void WaitForLoader(CListCtrlThumbnail& list)
{
    MSG msg;
    while (list.IsThreadWorkerRunning())
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

// Turns view 0's shapes over with the picture, along x (mirror) or along y (flip), so that they
// stay on their part of the scene.
void TurnShapesOver(RenderView& v, bool alongX)
{
    const int size = static_cast<int>(alongX ? v.imageWidth : v.imageHeight);
    const auto across = [&](POINT& p) {
        LONG& c = alongX ? p.x : p.y;
        c = size - 1 - c;
    };
    for (POINT& p : v.points) across(p);
    for (RectShape* r : v.rects) {
        if (alongX) r->x = size - r->w - r->x;
        else r->y = size - r->h - r->y;
    }
    for (PolygonShape* polygon : v.polygons) {
        for (POINT& p : polygon->m_points) across(p);
        polygon->UpdateMask();
    }
}

// Whether a video holds a frame of the recorder's size that can be read back.
bool HoldsAFrame(const CString& path)
{
    CVideoFile video;
    if (video.OpenInput(path) != 0) return false;
    std::vector<std::uint16_t> frame(static_cast<std::size_t>(CVantrelDlg::kVideoWidth) * CVantrelDlg::kVideoHeight);
    const bool read = video.ReadFrame(frame.data(), frame.size() * 2) == 0;
    video.CloseInput();
    return read;
}

}  // namespace

void CVantrelDlg::OnToolbarButton(UINT nID)
{
    const int button = static_cast<int>(nID - ID_TOOLBAR_FIRST);
    if (button < 0 || button >= kToolbarButtons) return;
    const int checked = m_btn[button].GetCheck();
    switch (button) {
    case kMinimise:
        ShowWindow(SW_SHOWMINIMIZED);
        break;
    case kMaximise:
        // The size change that follows sets the zoom again from the new width.
        m_display.m_renderer.m_pViews[0].zoom = checked ? 2.0f : 4.0f;
        ShowWindow(checked ? SW_SHOWDEFAULT : SW_SHOWMAXIMIZED);
        break;
    case kClose:
        SendMessage(WM_CLOSE, 0, 0);
        break;
    case kGrid:
        m_display.m_renderer.m_bGrid = checked;
        if (m_display.GetSafeHwnd() != nullptr) m_display.Invalidate(FALSE);
        break;
    case kDelete:
        DeleteSelectedFiles();
        break;
    case kClear:
        ClearShownList();
        break;
    case kSnap:
        TakeSnapshot();
        break;
    case kRecord:
        if (checked) StartRecording();
        else StopRecording();
        break;
    case kFlip:
    case kMirror:
        FlipAndMirror();
        break;
    case kSourceCamera:
    case kSourceImage:
    case kSourceVideo:
        SelectSource(button - kSourceCamera);
        break;
    case kImageList:
    case kVideoList:
        SwitchList(button - kImageList, checked);
        break;
    case kModePcba:
    case kModeThermalField:
    case kModeCompare:
    case kModeRoi:
        SelectMode(button - kModePcba, checked);
        break;
    case kToolPoint:
    case kToolRect:
    case kToolPolygon:
        SelectTool(button - kToolPoint, checked);
        break;
    case kColourMode:
        COGLSlider::SetColorMode(checked);
        break;
    case kLanguage:
        SetLanguage(checked);
        break;
    default:
        break;
    }
}

void CVantrelDlg::CheckInGroup(int first, int count, int chosen)
{
    for (int b = first; b < first + count; ++b) m_btn[b].SetCheck(b == chosen, TRUE);
}

void CVantrelDlg::SelectSource(int source)
{
    CIRDataCapture& capture = theApp.m_capture;
    IrFrame* const frames[] = {&capture.m_frameLive, &capture.m_frameImage, &capture.m_frameVideo};
    m_display.m_nImageSlot = 0;
    m_display.m_pImage = frames[source];
    ColourFrame(frames[source]);
    // Shown at once, not only at the display's next repaint.
    if (m_display.GetSafeHwnd() != nullptr) m_display.Invalidate(FALSE);
    CheckInGroup(kSourceCamera, 3, kSourceCamera + source);
    if (source == 1) PressButton(kImageList);
    if (source == 2) PressButton(kVideoList);
}

void CVantrelDlg::SwitchList(int list, int checked)
{
    CheckInGroup(kImageList, 2, kImageList + list);
    if (!checked) return;
    m_listImage.ShowWindow(list == 0 ? SW_SHOW : SW_HIDE);
    m_listVideo.ShowWindow(list == 0 ? SW_HIDE : SW_SHOW);
}

void CVantrelDlg::SelectMode(int mode, int checked)
{
    CheckInGroup(kModePcba, 4, kModePcba + mode);
    if (!checked) return;
    if (mode == kCompare || m_display.m_nDisplayMode == kCompare) ClearInspectionObjects();
    {
        CAutoLock lock(&m_display.m_lockDisplay);
        m_display.m_renderer.m_pViews[0].Clear();
    }
    m_display.m_nDisplayMode = mode;
    ApplyModeLayout(mode);
    m_display.RefreshImage(false);
}

void CVantrelDlg::ApplyModeLayout(int mode)
{
    CStaticDisplay& d = m_display;
    d.m_renderer.m_b3D = mode == kThermalField;
    m_btn[kGrid].ShowWindow(mode == kThermalField ? SW_SHOW : SW_HIDE);
    const bool tools = mode != kThermalField && mode != kRoiCheck;
    for (int b = kToolPoint; b <= kToolPolygon; ++b) m_btn[b].ShowWindow(tools ? SW_SHOW : SW_HIDE);
    if (mode == kThermalField) {
        d.m_nTool = TOOL_NONE;
    } else if (mode == kRoiCheck) {
        d.m_nTool = TOOL_RECT;
        CAutoLock lock(&d.m_lockDisplay);
        d.m_renderer.m_pViews[0].rects.push_back(new RectShape{100, 100, 40, 30});
    } else {
        d.m_nTool = m_btn[kToolPoint].GetCheck() ? TOOL_POINT : m_btn[kToolRect].GetCheck() ? TOOL_RECT : TOOL_POLYGON;
    }
}

void CVantrelDlg::SelectTool(int tool, int checked)
{
    CheckInGroup(kToolPoint, 3, kToolPoint + tool);
    if (checked) m_display.m_nTool = TOOL_POINT + tool;
}

void CVantrelDlg::ColourFrame(IrFrame* frame)
{
    CIRDataCapture& capture = theApp.m_capture;
    const bool roi = m_display.m_nDisplayMode == kRoiCheck;
    CAutoLock display(&m_display.m_lockDisplay);
    CAutoLock records(&capture.m_lockRecords);
    capture.ColorizeFrame(frame, roi ? &m_display.m_renderer.m_pViews[0].rects : nullptr);
}

void CVantrelDlg::ShowStatus(LPCSTR text)
{
    m_lightStatus.SetFontName(GetUiFontName(theApp.m_nLanguage));
    m_lightStatus.SetWindowText(text);
}

// ---- saved files ----

CListCtrlThumbnail& CVantrelDlg::ShownList() { return m_listImage.IsWindowVisible() ? m_listImage : m_listVideo; }

void CVantrelDlg::DeleteSelectedFiles()
{
    ThreadWorkerStop();
    CListCtrlThumbnail& list = ShownList();
    WaitForLoader(list);
    const CString folder = platform::files::DataFolder();
    // An item whose file cannot be deleted stays, selected; the search goes on after it.
    int after = -1;
    for (int item = list.GetNextItem(after, LVNI_SELECTED); item >= 0; item = list.GetNextItem(after, LVNI_SELECTED)) {
        const CString path = folder + list.GetItemText(item, 0);
        if (!PathFileExists(path) || DeleteFile(path)) {
            list.DeleteItem(item);
            after = item - 1;
        } else {
            after = item;
        }
    }
}

void CVantrelDlg::ClearShownList()
{
    CListCtrlThumbnail& list = ShownList();
    ThreadWorkerStop();
    WaitForLoader(list);
    const CString folder = platform::files::DataFolder();
    while (list.GetItemCount() > 0) {
        const CString path = folder + list.GetItemText(0, 0);
        if (PathFileExists(path)) DeleteFile(path);
        list.DeleteItem(0);
    }
}

void CVantrelDlg::TakeSnapshot()
{
    // One whole mean of the capture, copied under its lock; without a frame there is no snapshot,
    // and the still slot keeps what it shows.
    IrFrame shot;
    if (theApp.m_capture.CopyLiveFrame(&shot) != 0 || shot.temp_data == nullptr || shot.temp_size == 0) {
        ircam_frame_free(&shot);
        ShowStatus(SnapshotFailedText(theApp.m_nLanguage));
        return;
    }
    IrFrame* still = ReplaceStill(shot);
    const CString path = NewDataFilePath(".ir");
    if (irfile_write(still, path) != 0) {
        // The name was free: what the failed write left there is only its own half file.
        DeleteFile(path);
        ShowStatus(SnapshotFailedText(theApp.m_nLanguage));
        return;
    }
    m_listImage.AddThumbnail(path, -1);
}

void CVantrelDlg::StartRecording()
{
    CIRDataCapture& capture = theApp.m_capture;
    const CString path = NewDataFilePath(".avi");
    if (capture.m_videoWriter.OpenOutput(path, kVideoWidth, kVideoHeight) != 0) {
        m_strRecordPath.Empty();
        DeleteFile(path);
        // Released, so that it never looks as if it recorded.
        m_btn[kRecord].SetCheck(FALSE, TRUE);
        ShowStatus(RecordingFailedText(theApp.m_nLanguage));
        return;
    }
    m_strRecordPath = path;
    CAutoLock lock(&capture.m_lockFrame);
    capture.m_bRecordFailed = 0;
    capture.m_bRecording = 1;
}

void CVantrelDlg::StopRecording()
{
    CIRDataCapture& capture = theApp.m_capture;
    bool failed = false;
    {
        CAutoLock lock(&capture.m_lockFrame);
        capture.m_bRecording = 0;
        failed = capture.m_bRecordFailed != 0;
        capture.m_bRecordFailed = 0;
    }
    failed = capture.m_videoWriter.CloseOutput() != 0 || failed;
    if (m_strRecordPath.IsEmpty()) return;
    // A recording without a single frame (a camera that was away, a disk full from the start)
    // failed as much as one that refused a frame.
    const bool kept = KeepWhatWasRecorded(m_strRecordPath);
    if (failed || !kept) ShowStatus(RecordingFailedText(theApp.m_nLanguage));
}

void CVantrelDlg::EndFailedRecording()
{
    CIRDataCapture& capture = theApp.m_capture;
    {
        // A report of a recording already stopped, or of an earlier one, finds the flag down.
        CAutoLock lock(&capture.m_lockFrame);
        if (!capture.m_bRecordFailed) return;
    }
    if (!m_btn[kRecord].GetCheck()) return;
    m_btn[kRecord].SetCheck(FALSE, TRUE);
    StopRecording();
}

bool CVantrelDlg::KeepWhatWasRecorded(const CString& path)
{
    if (!HoldsAFrame(path)) {
        DeleteFile(path);
        return false;
    }
    m_listVideo.AddThumbnail(path, -1);
    return true;
}

// ---- flip and mirror ----

void CVantrelDlg::FlipAndMirror()
{
    const int flip = m_btn[kFlip].GetCheck() ? 1 : 0;
    const int mirror = m_btn[kMirror].GetCheck() ? 1 : 0;
    const int flags = flip * 2 + mirror;
    theApp.m_nFlipMirror = flags;
    RenderView& v = m_display.m_renderer.m_pViews[0];
    const auto turnOver = [&](bool alongX) {
        {
            CAutoLock lock(&m_display.m_lockDisplay);
            TurnShapesOver(v, alongX);
        }
        m_display.RefreshImage(true);
    };
    if (flip != ((v.flip >> 1) & 1)) turnOver(false);
    if (mirror != (v.flip & 1)) turnOver(true);
    v.flip = flags;
}
