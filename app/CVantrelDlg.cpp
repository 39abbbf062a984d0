#include "app/CVantrelDlg.h"

#include <cstring>

#include "app/CAboutDlg.h"
#include "app/CVantrelApp.h"
#include "app/MainWindowLayout.h"
#include "app/ParseUsbDevicePath.h"
#include "app/StatusTexts.h"
#include "foundation/CAutoLock.h"
#include "platform/resources/resources.h"
#include "platform/user/termination_signals.h"

namespace {

constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;
constexpr DWORD kNotifyStatic = 0x50000100;  // visible child static with SS_NOTIFY
constexpr DWORD kListStyle = 0x50800801;     // visible child, border, report view, left-aligned
constexpr DWORD kButtonGroup = 0x20000;
constexpr DWORD kCheckBoxStyle = 2;
constexpr UINT kCenteredText = 0x100;
constexpr int kMaxInstanceId = 260;

constexpr Gdiplus::ARGB kWhite = 0xFFFFFFFF;
constexpr Gdiplus::ARGB kHighlight = 0xFF00C5FF;
constexpr Gdiplus::ARGB kDarkFace = 0xFF011826;
constexpr COLORREF kBackground = RGB(1, 12, 21);
constexpr COLORREF kTitleLine = RGB(0, 174, 254);
constexpr int kTitleLineY = 130;

// Buttons 0, 2, 4, 5 and 6 are push buttons, all others check boxes.
constexpr int kCheckable[kToolbarButtons] = {0, 1, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

DWORD ButtonStyle(int button)
{
    const bool group = (button >= 4 && button <= 7) || (button >= 13 && button <= 18) || button >= 22;
    return kChildVisible | (group ? kButtonGroup : 0) | (kCheckable[button] ? kCheckBoxStyle : 0);
}

void InvalidateIfMade(CWnd& wnd)
{
    if (wnd.GetSafeHwnd() != nullptr) wnd.Invalidate(FALSE);
}

void MoveIfMade(CWnd& wnd, const CRect& rect)
{
    if (wnd.GetSafeHwnd() != nullptr) wnd.MoveWindow(&rect, TRUE);
}

// Waits however long a worker takes to end.
void EndWorker(CZelThreadWorker& worker)
{
    while (!worker.ThreadWorkerStop()) {
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CVantrelDlg, CDialogEx)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_DESTROY()
ON_COMMAND_RANGE(ID_TOOLBAR_FIRST, ID_TOOLBAR_LAST, &CVantrelDlg::OnToolbarButton)
ON_MESSAGE(WM_WORKER_NOTIFY, &CVantrelDlg::OnWorkerNotify)
ON_WM_SIZE()
ON_WM_CTLCOLOR()
ON_WM_CLOSE()
ON_WM_ACTIVATE()
ON_WM_NCHITTEST()
ON_WM_NCACTIVATE()
END_MESSAGE_MAP()

CVantrelDlg::CVantrelDlg(CWnd* pParent)
    : CDialogEx(IDD_VANTREL_DIALOG, pParent), CThreadActionFlow(nullptr), m_listImage(CListCtrlThumbnail::kImages),
      m_listVideo(CListCtrlThumbnail::kVideos)
{
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

CVantrelDlg::~CVantrelDlg()
{
    // The window goes first, so that no worker is left waiting in a SendMessage to it.
    if (::IsWindow(CWnd::m_hWnd)) DestroyWindow();
    EndWorker(m_display);
    EndWorker(*this);
}

// ---- initialisation ----

BOOL CVantrelDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    AddAboutToSystemMenu();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    RegisterDeviceNotices();
    SearchPresentDevices();
    ShowWindow(SW_SHOWMAXIMIZED);
    SetWindowText("Vantrel");
    m_brushBk.CreateSolidBrush(kBackground);

    CRect client;
    GetClientRect(&client);
    const MainWindowLayout layout = LayoutMainWindow(client.Width(), client.Height());
    m_strFace = GetUiFontName(0);
    CreateLights(layout.titleLight, layout.statusLight);
    CreateCaptionedButtons(kLanguage, 1, &layout.buttons[kLanguage], 10);
    for (BYTE entry = 1; entry <= 4; ++entry) m_btn[kLanguage].SetColor(entry, kHighlight);
    CreateWindowButtons(layout.buttons);
    m_picker.Create("", kNotifyStatic, layout.picker, this, IDC_PICKER);
    COGLCircleColorMap::SetRefreshViews([this](CWnd*) { RefreshViews(); });
    CreateSourceButtons(layout.buttons);
    PressButton(kSourceCamera);
    m_display.Create("", kNotifyStatic, layout.display, this, IDC_DISPLAY);
    m_display.m_pIconFlags = m_slider.m_bIcon;
    m_display.m_pCurveDlgs = &m_curveDlgs;
    COGLSlider::SetMainDisplay(&m_display);
    CreateCaptionedButtons(kGrid, 1, &layout.buttons[kGrid], 0);
    PressButton(kGrid);
    PressButton(kGrid);
    m_btn[kGrid].ShowWindow(SW_HIDE);
    CreateColourBar(layout.colourBar);
    CreateListButtons(layout.buttons);
    CreateCaptionedButtons(kDelete, 4, &layout.buttons[kDelete], 10);
    CreateLists(layout.imageList);
    PressButton(kImageList);
    CreateCaptionedButtons(kModePcba, 4, &layout.buttons[kModePcba], 10);
    m_btn[kModePcba].SetCheck(TRUE, TRUE);
    CreateCaptionedButtons(kToolPoint, 3, &layout.buttons[kToolPoint], 9);
    PressButton(kToolRect);
    CreateLeakageLight(layout.leakageLight);
    CreateColourModeButton(layout.buttons[kColourMode]);
    StartWorkers();

    const int language = theApp.m_settings[SETTING_Language].value.nValue;
    SetLanguage(language);
    m_btn[kLanguage].SetCheck(theApp.m_settings[SETTING_Language].value.nValue, TRUE);
    CloseWindowOnTerminationSignals(CWnd::m_hWnd);
    return TRUE;
}

void CVantrelDlg::AddAboutToSystemMenu()
{
    char text[256];
    LoadString(AfxGetResourceHandle(), IDS_ABOUTBOX, text, sizeof text);
    CMenu* menu = GetSystemMenu(FALSE);
    if (menu == nullptr || text[0] == '\0') return;
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, text);
}

void CVantrelDlg::RegisterDeviceNotices()
{
    DEV_BROADCAST_DEVICEINTERFACE filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    m_hDevNotify = RegisterDeviceNotification(CWnd::m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

// Only looks: the camera is found by the capture worker, and its comings and goings by the
// device notices. What it finds is not kept.
void CVantrelDlg::SearchPresentDevices()
{
    HDEVINFO devices = SetupDiGetClassDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        MessageBox("获取系统设备列表失败");
        return;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    char instanceId[kMaxInstanceId];
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        if (!SetupDiGetDeviceInstanceId(devices, &device, instanceId, sizeof instanceId, nullptr)) {
            MessageBox("获取设备识别字符串失败");
            break;
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
}

void CVantrelDlg::CreateLights(const CRect& title, const CRect& status)
{
    m_lightTitle.Create("Ostrel", kChildVisible, title, this, IDC_TITLE_LIGHT);
    m_lightTitle.SetTransparent(true);
    m_lightTitle.SetTextColor(kWhite);
    m_lightTitle.SetImage(143, "PNG");
    m_lightTitle.SetFontName(m_strFace);
    m_lightTitle.SetFontSize(14);
    m_lightTitle.SetAlignFlags(kCenteredText);

    m_lightStatus.Create("", kChildVisible, status, this, IDC_STATUS_LIGHT);
    m_lightStatus.SetTextColor(kWhite);
    m_lightStatus.SetBkImage(144, "PNG");
    m_lightStatus.SetFontName(m_strFace);
    m_lightStatus.SetFontSize(12);
    m_lightStatus.SetAlignFlags(kCenteredText);
}

void CVantrelDlg::CreateButton(int button, LPCSTR caption, const CRect& rect)
{
    m_btn[button].Create(caption, ButtonStyle(button), rect, this, ID_TOOLBAR_FIRST + button);
}

// Buttons with their Chinese caption, white text and the interface face; a font size of 0 keeps
// the button's own.
void CVantrelDlg::CreateCaptionedButtons(int first, int count, const CRect* rects, int fontSize)
{
    for (int k = 0; k < count; ++k) {
        CZelHeteromorphicBtn& b = m_btn[first + k];
        CreateButton(first + k, ToolbarCaption(0, first + k), rects[k]);
        b.SetFontName(m_strFace);
        b.SetColor(0, kWhite);
        if (fontSize > 0) b.SetFontSize(fontSize);
    }
}

void CVantrelDlg::CreateWindowButtons(const CRect* rects)
{
    static const WORD kFaces[] = {170, 168, 167};
    for (int button = kClose; button >= kMinimise; --button) {
        CreateButton(button, "", rects[button]);
        m_btn[button].SetShapeImage(kFaces[button], "PNG");
        m_btn[button].SetColor(3, kDarkFace);
    }
    CZelHeteromorphicBtn& maximise = m_btn[kMaximise];
    for (BYTE entry : {3, 4, 1, 2}) maximise.SetColor(entry, kDarkFace);
    maximise.SetImage2(171, "PNG");
    maximise.SetCheck(FALSE, TRUE);
}

void CVantrelDlg::CreateSourceButtons(const CRect* rects)
{
    static const WORD kFaces[] = {147, 141, 159, 160, 161};
    for (int k = 0; k < 5; ++k) {
        CZelHeteromorphicBtn& b = m_btn[kFlip + k];
        CreateButton(kFlip + k, ToolbarCaption(0, kFlip + k), rects[kFlip + k]);
        b.SetFontName(m_strFace);
        b.SetColor(0, kWhite);
        for (BYTE entry : {1, 2, 3}) b.SetColor(entry, kDarkFace);
        b.SetColor(4, kHighlight);
        b.SetShapeImage(kFaces[k], "PNG");
        b.SetFontSize(10);
        b.SetCheck(FALSE, TRUE);
    }
}

void CVantrelDlg::CreateColourBar(const CRect& rect)
{
    CIRDataCapture& capture = theApp.m_capture;
    m_slider.m_pColorMap = &capture.m_colorMap;
    m_slider.Create("", kNotifyStatic, rect, this, IDC_COLOUR_BAR);
    {
        CAutoLock lock(&capture.m_colorMap.m_lock);
        capture.m_colorMap.SetDisplayRange(28.0, 40.0);
    }
    m_slider.UpdateMarkers(1);
}

void CVantrelDlg::CreateListButtons(const CRect* rects)
{
    static const WORD kFaces[] = {149, 151};
    static const WORD kDown[] = {148, 150};
    for (int k = 0; k < 2; ++k) {
        CZelHeteromorphicBtn& b = m_btn[kImageList + k];
        CreateButton(kImageList + k, "", rects[kImageList + k]);
        b.SetFontName(m_strFace);
        b.SetColor(0, kWhite);
        for (BYTE entry : {3, 1, 2}) b.SetColor(entry, kDarkFace);
        b.SetShapeImage(kFaces[k], "PNG");
        b.SetImage2(kDown[k], "PNG");
    }
}

void CVantrelDlg::CreateLists(const CRect& rect)
{
    m_listImage.Create(kListStyle, rect, this, IDC_IMAGE_LIST);
    m_listImage.ThreadWorkerStart();
    m_listVideo.Create(kListStyle, rect, this, IDC_VIDEO_LIST);
    m_listVideo.ThreadWorkerStart();
    ConnectLists();
}

void CVantrelDlg::CreateLeakageLight(const CRect& rect)
{
    m_lightLeakage.Create("漏 电 速 查", kChildVisible, rect, this, IDC_LEAKAGE_LIGHT);
    m_lightLeakage.SetTransparent(true);
    m_lightLeakage.SetTextColor(kWhite);
    m_lightLeakage.SetFontName(m_strFace);
    m_lightLeakage.SetFontSize(10);
    m_lightLeakage.SetAlignFlags(kCenteredText);
}

void CVantrelDlg::CreateColourModeButton(const CRect& rect)
{
    CZelHeteromorphicBtn& b = m_btn[kColourMode];
    CreateButton(kColourMode, ToolbarCaption(0, kColourMode), rect);
    b.SetFontName(m_strFace);
    b.SetColor(0, kWhite);
    b.SetColor(3, kDarkFace);
    b.SetColor(4, kHighlight);
    b.SetShapeImage(152, "PNG");
    b.SetImage2(153, "PNG");
    b.SetFontSize(10);
}

void CVantrelDlg::StartWorkers()
{
    const HWND self = CWnd::m_hWnd;
    CThreadActionFlow::SetWndMsg(self, WM_WORKER_NOTIFY);
    m_bLoop = 0;
    m_bNotify = 0;

    CIRDataCapture& capture = theApp.m_capture;
    capture.SetWndMsg(self, WM_WORKER_NOTIFY);
    capture.m_bNotify = 0;
    capture.m_bLoop = 1;
    capture.ThreadWorkerStart();

    m_display.SetWndMsg(self, WM_WORKER_NOTIFY);
    m_display.m_bLoop = 1;
    m_display.m_bNotify = 0;
    m_display.m_pImage = &capture.m_frameLive;
    m_display.m_pImage2 = &capture.m_frameAlt;
    m_display.ThreadWorkerStart();
}

void CVantrelDlg::PressButton(int button)
{
    SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOLBAR_FIRST + button, BN_CLICKED),
                reinterpret_cast<LPARAM>(m_btn[button].GetSafeHwnd()));
}

// ---- layout and painting ----

void CVantrelDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialogEx::OnSize(nType, cx, cy);
    Invalidate(FALSE);
    CRect client;
    GetClientRect(&client);
    PlaceChildren(client.Width(), client.Height());
    // The maximise button shows the state however the window came to it (the system menu's
    // Restore, the window manager), so that its next click always changes it.
    if (nType != SIZE_MINIMIZED && m_btn[kMaximise].GetSafeHwnd() != nullptr) m_btn[kMaximise].SetCheck(nType == SIZE_RESTORED, TRUE);
}

void CVantrelDlg::PlaceChildren(int width, int height)
{
    const MainWindowLayout l = LayoutMainWindow(width, height);
    MoveIfMade(m_lightStatus, l.statusLight);
    MoveIfMade(m_btn[kLanguage], l.buttons[kLanguage]);
    for (int b = kMinimise; b <= kClose; ++b) MoveIfMade(m_btn[b], l.buttons[b]);
    MoveIfMade(m_picker, l.picker);
    for (int b = kFlip; b <= kSourceVideo; ++b) MoveIfMade(m_btn[b], l.buttons[b]);
    if (m_display.GetSafeHwnd() != nullptr) {
        m_display.m_renderer.m_pViews[0].zoom = DisplayZoomForWidth(width);
        m_display.MoveWindow(&l.display, TRUE);
    }
    MoveIfMade(m_btn[kGrid], l.buttons[kGrid]);
    MoveIfMade(m_slider, l.colourBar);
    for (int b = kImageList; b <= kVideoList; ++b) MoveIfMade(m_btn[b], l.buttons[b]);
    for (int b = kDelete; b <= kRecord; ++b) MoveIfMade(m_btn[b], l.buttons[b]);
    MoveIfMade(m_listImage, l.imageList);
    MoveIfMade(m_listVideo, l.videoList);
    for (int b = kModePcba; b <= kToolPolygon; ++b) MoveIfMade(m_btn[b], l.buttons[b]);
    MoveIfMade(m_lightLeakage, l.leakageLight);
    MoveIfMade(m_btn[kColourMode], l.buttons[kColourMode]);
}

void CVantrelDlg::OnPaint()
{
    if (IsIconic()) PaintMinimised();
    else PaintBackground();
}

void CVantrelDlg::PaintMinimised()
{
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect client;
    GetClientRect(&client);
    const int x = (client.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

void CVantrelDlg::PaintBackground()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    TRIVERTEX ends[2] = {{client.left, client.top, 0x0000, 0x0C00, 0x1500, 0},
                         {client.right, client.bottom, 0x0100, 0x1700, 0x3200, 0}};
    GRADIENT_RECT band{0, 1};
    dc.GradientFill(ends, 2, &band, 1, GRADIENT_FILL_RECT_H);
    CPen pen(PS_SOLID, 1, kTitleLine);
    CPen* old = dc.SelectObject(&pen);
    dc.MoveTo(0, kTitleLineY);
    dc.LineTo(client.Width(), kTitleLineY);
    dc.SelectObject(old);
    CDialogEx::OnPaint();
}

HCURSOR CVantrelDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }

HBRUSH CVantrelDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH brush = CDialogEx::OnCtlColor(pDC, pWnd, nCtlColor);
    if (nCtlColor == CTLCOLOR_DLG) return m_brushBk;
    if (nCtlColor == CTLCOLOR_BTN || nCtlColor == CTLCOLOR_STATIC) {
        pDC->SetBkMode(TRANSPARENT);
        pDC->SetTextColor(RGB(0, 0, 0));
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    return brush;
}

// ---- window chrome ----

// Dragged by any point of its body, but only when restored.
LRESULT CVantrelDlg::OnNcHitTest(CPoint point)
{
    if (!IsZoomed()) {
        CRect client;
        GetClientRect(&client);
        ClientToScreen(&client);
        if (client.PtInRect(point)) return HTCAPTION;
    }
    return CDialogEx::OnNcHitTest(point);
}

BOOL CVantrelDlg::OnNcActivate(BOOL bActive)
{
    InvalidateViews();
    return CDialogEx::OnNcActivate(bActive);
}

void CVantrelDlg::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized)
{
    CDialogEx::OnActivate(nState, pWndOther, bMinimized);
    InvalidateViews();
}

void CVantrelDlg::InvalidateViews()
{
    InvalidateIfMade(m_picker);
    InvalidateIfMade(m_slider);
    InvalidateIfMade(m_display);
}

void CVantrelDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        CDialogEx::OnSysCommand(nID, lParam);
    }
}

// ---- closing ----

void CVantrelDlg::OnClose()
{
    m_display.ThreadWorkerStop();
    CDialogEx::OnClose();
}

void CVantrelDlg::OnDestroy()
{
    CDialogEx::OnDestroy();
    CloseWindowOnTerminationSignals(nullptr);
    if (m_hDevNotify != nullptr) UnregisterDeviceNotification(m_hDevNotify);
    m_hDevNotify = nullptr;
    COGLSlider::SetMainDisplay(nullptr);
    COGLCircleColorMap::SetRefreshViews(nullptr);
    theApp.m_capture.ThreadWorkerStop();
    // A recording still running is finished, so that its file is whole.
    if (m_btn[kRecord].GetCheck()) {
        m_btn[kRecord].SetCheck(FALSE, FALSE);
        StopRecording();
    }
    ClearInspectionObjects();
    ThreadWorkerStop();
}

void CVantrelDlg::ClearInspectionObjects()
{
    for (CDlgCurve*& curve : m_curveDlgs) {
        if (curve == nullptr) continue;
        curve->DestroyWindow();
        delete curve;
        curve = nullptr;
    }
    m_curveDlgs.clear();
    m_curveDlgs.shrink_to_fit();
}

// ---- language and status texts ----

void CVantrelDlg::SetLanguage(int language)
{
    language = language == 0 ? 0 : 1;
    theApp.m_settings[SETTING_Language].value.nValue = language;
    theApp.m_nLanguage = language;
    const CString face = GetUiFontName(language);
    for (int b = kGrid; b < kToolbarButtons; ++b) {
        m_btn[b].SetFontName(face);
        m_btn[b].SetWindowText(ToolbarCaption(theApp.m_nLanguage, b));
    }
    m_lightLeakage.SetFontName(face);
    m_lightLeakage.SetWindowText(LeakageCaption(language));
    m_lightStatus.SetFontName(face);
    const int code = m_lastTip.code;
    if (code == TIP_CAMERA_WAITING || code == TIP_CAMERA_CONNECTED || code == TIP_CAMERA_LOST)
        m_lightStatus.SetWindowText(TipStatusText(code, language));
}

LRESULT CVantrelDlg::OnWorkerNotify(WPARAM wParam, LPARAM lParam)
{
    const int language = theApp.m_settings[SETTING_Language].value.nValue;
    m_lightStatus.SetFontName(GetUiFontName(language));
    const int code = static_cast<int>(wParam);
    switch (code) {
    case NOTIFY_FRAME_ARRIVED:
        m_display.UpdateCurves();
        break;
    case NOTIFY_RECORD_FAILED:
        EndFailedRecording();
        break;
    case NOTIFY_FRAME_SHOWN:
        m_slider.UpdateMarkers(0);
        break;
    case NOTIFY_TIP:
        TakeTip(lParam);
        break;
    case NOTIFY_CALIB_START:
    case NOTIFY_CALIB_DONE:
    case NOTIFY_CALIB_FAILED:
    case NOTIFY_FACTORY_RESET:
        m_lightStatus.SetWindowText(NotifyStatusText(code, lParam));
        break;
    default:
        break;
    }
    return 0;
}

void CVantrelDlg::TakeTip(LPARAM flow)
{
    // Only a flow of this window's is asked: lParam is trusted no further than that.
    CThreadActionFlow* const flows[] = {&theApp.m_capture, &m_display, this};
    for (CThreadActionFlow* f : flows) {
        if (reinterpret_cast<LPARAM>(f) != flow) continue;
        if (!f->GetTip(m_lastTip)) return;
        const int language = theApp.m_settings[SETTING_Language].value.nValue;
        if (LPCSTR text = TipStatusText(m_lastTip.code, language)) m_lightStatus.SetWindowText(text);
        return;
    }
}

// ---- device notices ----

LRESULT CVantrelDlg::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE && lParam != 0)
        ShowDeviceNotice(wParam, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
    return CDialogEx::DefWindowProc(message, wParam, lParam);
}

void CVantrelDlg::ShowDeviceNotice(WPARAM event, const DEV_BROADCAST_HDR* notice)
{
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    if (notice->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(notice);
    // The name is read no further than the record says it runs.
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name);
    if (device->dbcc_size <= nameOffset) return;
    const CString path(device->dbcc_name, static_cast<int>(strnlen(device->dbcc_name, device->dbcc_size - nameOffset)));
    CString serial;
    if (!ParseUsbDevicePath(path, "VID_0BDA", "PID_5840", serial) && !ParseUsbDevicePath(path, "VID_0BDA", "PID_5830", serial))
        return;
    m_lightStatus.SetWindowText(serial + (event == DBT_DEVICEARRIVAL ? "arrive" : "remove"));
}
