// Playback of a recorded video on the window's own flow, opening a saved snapshot, and the views'
// refresh after a palette change.
#include <cstring>
#include <utility>
#include <vector>

#include "acquisition/irfile.h"
#include "app/CVantrelApp.h"
#include "app/CVantrelDlg.h"
#include "foundation/CAutoLock.h"
#include "platform/user/message_queue.h"

namespace {

// One frame every 50 ms, plus the time its reading and colouring take.
constexpr DWORD kFramePeriodMs = 50;

}  // namespace

void CVantrelDlg::StartPlayback(const CString& path)
{
    // The reader belongs to the old playback until its thread has ended.
    while (!ThreadWorkerStop()) {
    }
    CIRDataCapture& capture = theApp.m_capture;
    CVideoFile& reader = capture.m_videoReader;
    if (reader.OpenInput(path) != 0) return;
    // The video record holds frames of the recorder's size only.
    if (reader.GetWidth() != kVideoWidth || reader.GetHeight() != kVideoHeight) {
        reader.CloseInput();
        return;
    }
    {
        CAutoLock lock(&capture.m_lockRecords);
        IrFrame& video = capture.m_frameVideo;
        video.param.width = kVideoWidth;
        video.param.height = kVideoHeight * 2;
        video.param.frame_size = kVideoWidth * kVideoHeight * 4;
        ircam_frame_setup(&video);
    }
    m_nAction = 0;
    ThreadWorkerStart();
}

DWORD CVantrelDlg::Action()
{
    CIRDataCapture& capture = theApp.m_capture;
    IrFrame& video = capture.m_frameVideo;
    // The handle as it is now: the window layer refuses it once the display is gone.
    const HWND display = m_display.GetSafeHwnd();
    std::vector<std::uint16_t> samples(static_cast<std::size_t>(kVideoWidth) * kVideoHeight);
    const std::size_t bytes = samples.size() * 2;
    DWORD result = 0;
    while (capture.m_videoReader.ReadFrame(samples.data(), bytes) == 0) {
        theApp.m_bVideoPlaying = 1;
        {
            CAutoLock lock(&capture.m_lockRecords);
            if (video.temp_data != nullptr && video.temp_size >= bytes) std::memcpy(video.temp_data, samples.data(), bytes);
        }
        if (m_display.m_pImage == &video) ShowVideoFrame(display);
        if (WaitCmdExit(kFramePeriodMs)) {
            result = TIP_TERMINATED;
            break;
        }
    }
    capture.m_videoReader.CloseInput();
    theApp.m_bVideoPlaying = 0;
    return result;
}

void CVantrelDlg::ShowVideoFrame(HWND display)
{
    ColourFrame(&theApp.m_capture.m_frameVideo);
    ::InvalidateRect(display, nullptr, FALSE);
    ::SendMessage(GetNotifyWnd(), GetNotifyMsg(), NOTIFY_FRAME_SHOWN, 0);
}

int CVantrelDlg::OpenIrFile(CString path)
{
    // Read aside first: a file that cannot be read leaves the still slot as it was.
    IrFrame loaded;
    if (irfile_read(&loaded, path) != 0) return 0;
    ColourFrame(ReplaceStill(loaded));
    SendMessage(WM_WORKER_NOTIFY, NOTIFY_FRAME_SHOWN, 0);
    if (m_display.GetSafeHwnd() != nullptr) m_display.Invalidate(FALSE);
    return 0;
}

IrFrame* CVantrelDlg::ReplaceStill(IrFrame& replacement)
{
    CIRDataCapture& capture = theApp.m_capture;
    IrFrame* still = m_display.m_nImageSlot != 0 ? &capture.m_frameAlt : &capture.m_frameImage;
    {
        CAutoLock lock(&capture.m_lockRecords);
        replacement.param = still->param;
        std::swap(*still, replacement);
    }
    ircam_frame_free(&replacement);
    return still;
}

void CVantrelDlg::RefreshViews()
{
    if (m_slider.GetSafeHwnd() != nullptr) m_slider.Invalidate(FALSE);
    ColourFrame(m_display.m_pImage);
    if (m_display.GetSafeHwnd() != nullptr) m_display.Invalidate(FALSE);
    for (CListCtrlThumbnail* list : {&m_listImage, &m_listVideo}) {
        if (list->IsThreadWorkerRunning()) continue;
        list->m_nAction = CListCtrlThumbnail::kReload;
        list->ThreadWorkerStart();
    }
}

void CVantrelDlg::ConnectLists()
{
    m_listImage.SetOpenHandler([this](const CString& path) { OpenIrFile(path); });
    m_listVideo.SetOpenHandler([this](const CString& path) { StartPlayback(path); });
}
