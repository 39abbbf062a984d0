#include "controls/CDlgRoundRect.h"

#include "platform/gdi/gdi.h"

IMPLEMENT_DYNAMIC(CDlgRoundRect, CDialogEx)

BEGIN_MESSAGE_MAP(CDlgRoundRect, CDialogEx)
ON_WM_NCHITTEST()
ON_WM_CREATE()
ON_WM_PAINT()
END_MESSAGE_MAP()

namespace {

constexpr int kTitleHeight = 30;
constexpr Gdiplus::ARGB kTitleGround = 0xFF606060;
constexpr Gdiplus::ARGB kTitleText = 0xFFFFFFFF;
constexpr UINT kTitleAlign = 0x140;  // left, vertically centred
constexpr int kTitlePoints = 7;
constexpr WORD kCloseImage = 166;
constexpr COLORREF kGround = RGB(1, 23, 50);

}  // namespace

CDlgRoundRect::CDlgRoundRect(UINT templateId, CWnd* parent) : CDialogEx(templateId, parent) {}

int CDlgRoundRect::OnCreate(LPCREATESTRUCT cs)
{
    if (CDialogEx::OnCreate(cs) == -1)
        return -1;
    ModifyStyle(0, WS_BORDER);
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return 0;
}

BOOL CDlgRoundRect::OnInitDialog()
{
    CDialog::OnInitDialog();
    CRect client;
    GetClientRect(&client);

    m_lightTitle.Create(m_strCaption, WS_CHILD | WS_VISIBLE, CRect(client.left, client.top, client.right, client.top + kTitleHeight),
                        this, kTitleId);
    m_lightTitle.SetBkColor(kTitleGround);
    m_lightTitle.SetTransparent(false);
    m_lightTitle.SetAlignFlags(kTitleAlign);
    m_lightTitle.SetFontSize(kTitlePoints);
    m_lightTitle.SetTextColor(kTitleText);
    m_lightTitle.SetFontName("微软雅黑");

    m_lightClose.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(client.right - 35, client.top, client.right - 7, client.top + 28),
                        this, kCloseId);
    m_lightClose.SetImage(kCloseImage, "PNG");
    return TRUE;
}

LRESULT CDlgRoundRect::OnNcHitTest(CPoint point)
{
    CRect client;
    GetClientRect(&client);
    ClientToScreen(&client);
    if (client.PtInRect(point))
        return HTCAPTION;
    return CDialogEx::OnNcHitTest(point);
}

void CDlgRoundRect::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CBrush ground(kGround);
    dc.FillRect(&client, &ground);
}

BOOL CDlgRoundRect::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_LBUTTONDOWN && msg->hwnd == m_lightClose.GetSafeHwnd()) {
        OnCancel();
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        return TRUE;
    return CDialogEx::PreTranslateMessage(msg);
}
