// The program's only top-level window: a frameless dialog, maximised, that makes every child at
// run time at places derived from its client size (MainWindowLayout), wires the background workers
// to itself through WM_WORKER_NOTIFY, starts them, and stops them when it closes. It speaks
// Chinese or English (SetLanguage), turns the workers' reports and the camera's device notices
// into the status light's text, and is itself a worker: its flow plays recorded video.
#pragma once

#include <vector>

#include "app/ToolbarText.h"
#include "controls/CDlgCurve.h"
#include "controls/CListCtrlThumbnail.h"
#include "controls/CSignalLight.h"
#include "controls/CZelHeteromorphicBtn.h"
#include "foundation/CThreadActionFlow.h"
#include "platform/devices/devices.h"
#include "platform/gdi/gdi.h"
#include "platform/user/CDialog.h"
#include "view/COGLCircleColorMap.h"
#include "view/COGLSlider.h"
#include "view/CStaticDisplay.h"

inline constexpr UINT IDD_VANTREL_DIALOG = 102;
inline constexpr UINT IDR_MAINFRAME = 103;
inline constexpr UINT IDS_ABOUTBOX = 101;
inline constexpr UINT IDM_ABOUTBOX = 0x10;

inline constexpr UINT IDC_TITLE_LIGHT = 1000;
inline constexpr UINT IDC_STATUS_LIGHT = 11001;
inline constexpr UINT IDC_LEAKAGE_LIGHT = 1200;
inline constexpr UINT IDC_PICKER = 8000;
inline constexpr UINT IDC_DISPLAY = 4000;
inline constexpr UINT IDC_COLOUR_BAR = 5000;
inline constexpr UINT IDC_IMAGE_LIST = 6000;
inline constexpr UINT IDC_VIDEO_LIST = 6001;
// Toolbar button i has the command id ID_TOOLBAR_FIRST + i; the range's last id has no button.
inline constexpr UINT ID_TOOLBAR_FIRST = 3000;
inline constexpr UINT ID_TOOLBAR_LAST = 3024;

class CVantrelDlg : public CDialogEx, public CThreadActionFlow {
public:
    // Toolbar buttons by index.
    enum Button {
        kMinimise, kMaximise, kClose, kGrid, kDelete, kClear, kSnap, kRecord, kFlip, kMirror,
        kSourceCamera, kSourceImage, kSourceVideo, kImageList, kVideoList,
        kModePcba, kModeThermalField, kModeCompare, kModeRoi, kToolPoint, kToolRect, kToolPolygon,
        kColourMode, kLanguage
    };

    // The frames of recordings and of playback.
    static constexpr int kVideoWidth = 256;
    static constexpr int kVideoHeight = 192;

    explicit CVantrelDlg(CWnd* pParent = nullptr);
    // Waits for the display worker and the playback flow however long they take, so that neither
    // outlives the window.
    ~CVantrelDlg() override;

    // 0 Chinese; any other value English (stored as 1).
    void SetLanguage(int language);
    // Closes every curve window and empties the list.
    void ClearInspectionObjects();
    // Ends the playback that runs (waiting until its thread has ended), then plays the video at
    // path into the video record, one frame every 50 ms. A video that cannot be opened, or whose
    // frames are not 256 x 192, is not played.
    void StartPlayback(const CString& path);
    // Loads the snapshot at path into the still slot and colours it; a file that cannot be read
    // changes nothing. Always 0.
    int OpenIrFile(CString path);
    // After a new palette: the colour bar, the shown frame and the thumbnails of each list whose
    // loader is idle.
    void RefreshViews();

    CBrush m_brushBk;
    HDEVNOTIFY m_hDevNotify = nullptr;
    HICON m_hIcon;
    CSignalLight m_lightTitle;
    CSignalLight m_lightStatus;
    CSignalLight m_lightLeakage;
    CStaticDisplay m_display;
    std::vector<CDlgCurve*> m_curveDlgs;
    COGLSlider m_slider;
    COGLCircleColorMap m_picker;
    // The status tip most recently taken from a worker; its code chooses the status text again
    // when the language changes. Code 0 (no text) until the first tip.
    Tip m_lastTip{};
    CString m_strRecordPath;
    CListCtrlThumbnail m_listImage;
    CListCtrlThumbnail m_listVideo;
    CZelHeteromorphicBtn m_btn[kToolbarButtons];

protected:
    BOOL OnInitDialog() override;
    // Shows the camera module's arrival and removal on the status light, then the default.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    DWORD Action() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnToolbarButton(UINT nID);
    LRESULT OnWorkerNotify(WPARAM wParam, LPARAM lParam);
    void OnSize(UINT nType, int cx, int cy);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnClose();
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    LRESULT OnNcHitTest(CPoint point);
    BOOL OnNcActivate(BOOL bActive);

    DECLARE_MESSAGE_MAP()

private:
    // OnInitDialog's steps.
    void AddAboutToSystemMenu();
    void RegisterDeviceNotices();
    void SearchPresentDevices();
    void CreateLights(const CRect& title, const CRect& status);
    void CreateButton(int button, LPCSTR caption, const CRect& rect);
    void CreateCaptionedButtons(int first, int count, const CRect* rects, int fontSize);
    void CreateWindowButtons(const CRect* rects);
    void CreateSourceButtons(const CRect* rects);
    void CreateListButtons(const CRect* rects);
    void CreateColourBar(const CRect& rect);
    void CreateLists(const CRect& rect);
    void CreateLeakageLight(const CRect& rect);
    void CreateColourModeButton(const CRect& rect);
    void StartWorkers();
    // Sends the window a button's command, as a click on it would.
    void PressButton(int button);
    // The thumbnail lists' clicks: open the snapshot, play the video.
    void ConnectLists();

    // Moves every child that has a window to its place for a client area of this size.
    void PlaceChildren(int width, int height);
    void InvalidateViews();
    void PaintMinimised();
    void PaintBackground();

    // The tip of a worker's NOTIFY_TIP, when the worker is one of this window's.
    void TakeTip(LPARAM flow);
    void ShowDeviceNotice(WPARAM event, const DEV_BROADCAST_HDR* notice);

    // Colours one of the capture's records as the display shows it: in ROI Check only inside
    // view 0's rectangles. Under the display's and the records' locks, in their order.
    void ColourFrame(IrFrame* frame);
    // Puts a record in the still slot (the image record, or the alternate one when the display
    // says so), under the records' lock; the slot's old buffers are freed. Returns the slot.
    IrFrame* ReplaceStill(IrFrame& replacement);
    // Shows a text of the window's own on the status light, in the language's face.
    void ShowStatus(LPCSTR text);

    // Saved files: the shown list, Del, Clc, Snap, Rec.
    CListCtrlThumbnail& ShownList();
    void DeleteSelectedFiles();
    void ClearShownList();
    void TakeSnapshot();
    void StartRecording();
    void StopRecording();
    // A recording whose file refused a frame: its button is released and it is stopped.
    void EndFailedRecording();
    // After a recording: a file that holds a frame is kept and listed, one without any is removed.
    // Whether it was kept.
    bool KeepWhatWasRecorded(const CString& path);
    // Flip and mirror of the picture, with the shapes moved to stay on their part of the scene.
    void FlipAndMirror();

    // The playback's frame: coloured, repainted and the colour bar's markers moved.
    void ShowVideoFrame(HWND display);

    // The toolbar's radio groups and what they select.
    void SelectSource(int source);
    void SwitchList(int list, int checked);
    void SelectMode(int mode, int checked);
    void SelectTool(int tool, int checked);
    void ApplyModeLayout(int mode);
    // Checks a group's button and unchecks the others; a click on the checked one checks it again.
    void CheckInGroup(int first, int count, int chosen);

    // The interface font face of the captions made at initialisation.
    CString m_strFace;
};
