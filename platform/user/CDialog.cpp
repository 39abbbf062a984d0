#include "platform/user/CDialog.h"

#include <cstdlib>

#include "platform/user/input.h"
#include "platform/user/window_tree.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CDialog)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
END_MESSAGE_MAP()

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (dx == nullptr || dx->m_pDlgWnd == nullptr || control.m_hWnd != nullptr) return;
    if (!control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd)) dx->m_bFailed = TRUE;
}

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

CDialog::CDialog(LPCSTR templateName, CWnd* parent) : m_pParentWnd(parent)
{
    if (IS_INTRESOURCE(templateName)) m_nIDHelp = static_cast<UINT>(reinterpret_cast<UINT_PTR>(templateName));
}

BOOL CDialog::CreateFromTemplate(UINT templateId, HWND parent)
{
    platform::user::DialogTemplate t;
    if (!platform::user::FindDialogTemplate(templateId, &t)) return FALSE;
    DWORD style = t.style & ~WS_VISIBLE;
    int width = t.PixelsX(t.cx), height = t.PixelsY(t.cy);
    if ((style & WS_BORDER) && !(style & WS_CHILD)) width += 2, height += 2;
    int x = 0, y = 0;
    if (!(style & WS_CHILD)) {
        // Dialogs open centred on their owner, or on the screen.
        RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (parent) ::GetWindowRect(parent, &area);
        x = area.left + ((area.right - area.left) - width) / 2;
        y = area.top + ((area.bottom - area.top) - height) / 2;
    }
    if (!CreateEx(t.exStyle, "#32770", t.caption.c_str(), style, x, y, width, height, parent, nullptr)) return FALSE;
    for (const auto& c : t.controls) {
        HWND child = CreateWindowExA(0, c.className.c_str(), c.text.c_str(), c.style, t.PixelsX(c.x), t.PixelsY(c.y),
                                     t.PixelsX(c.cx), t.PixelsY(c.cy), m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                     nullptr, nullptr);
        (void)child;  // a control that cannot be made is left out, as a dialog does
    }
    HWND self = m_hWnd;
    HWND first = ::GetWindow(self, GW_CHILD);
    LRESULT focusDefault = ::SendMessage(self, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), 0);
    if (!::IsWindow(self)) return FALSE;
    if (focusDefault && first && !::GetFocus()) ::SetFocus(first);
    // A dialog that showed itself during its initialisation (maximised, say) keeps its state.
    if ((t.style & WS_VISIBLE) && !::IsWindowVisible(self)) ::ShowWindow(self, SW_SHOWNORMAL);
    return TRUE;
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_INITDIALOG) {
        BOOL r = OnInitDialog();
        if (result) *result = r;
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    platform::user::input::EnterModalLoop();
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (parent == nullptr) {
        HWND active = ::GetActiveWindow();
        if (active && ::IsWindowEnabled(active)) parent = active;
    }
    if (parent) parent = ::GetAncestor(parent, GA_ROOT);
    bool disabledParent = false;
    if (parent && ::IsWindowEnabled(parent)) {
        ::EnableWindow(parent, FALSE);
        disabledParent = true;
    }
    m_nModalResult = -1;
    m_bContinueModal = true;
    if (!CreateFromTemplate(m_nIDHelp, parent)) {
        m_bContinueModal = false;
        if (disabledParent) ::EnableWindow(parent, TRUE);
        if (m_hWnd && ::IsWindow(m_hWnd)) DestroyWindow();
        return -1;
    }
    if (m_bContinueModal) RunModalLoop();
    if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
    if (disabledParent) ::EnableWindow(parent, TRUE);
    if (parent && ::IsWindow(parent)) ::SetActiveWindow(parent);
    if (m_hWnd) DestroyWindow();
    return m_nModalResult;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    m_nIDHelp = templateId;
    if (parent) m_pParentWnd = parent;
    return CreateFromTemplate(templateId, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    if (m_bContinueModal) EndModalLoop(result);
    if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    // The dialog keys: Escape cancels, Enter is the default button.
    if (msg->message == WM_KEYDOWN && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        if (msg->wParam == VK_ESCAPE) {
            ::SendMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDCANCEL)));
            return TRUE;
        }
        if (msg->wParam == VK_RETURN) {
            ::SendMessage(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDOK)));
            return TRUE;
        }
    }
    return FALSE;
}
