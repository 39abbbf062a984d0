// The class library's window object: attaches to a window handle, routes its messages through
// the message maps of its class chain and falls back to the window's default procedure.
#pragma once

#include "platform/kernel/CString.h"
#include "platform/user/CCmdTarget.h"
#include "platform/user/menu.h"
#include "platform/user/window.h"

class CDataExchange;

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Destroys a window still attached.
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The permanent object of a handle, or a temporary one kept by the layer; null for null.
    static CWnd* FromHandle(HWND hwnd);
    static CWnd* FromHandlePermanent(HWND hwnd);
    BOOL Attach(HWND hwnd);
    HWND Detach();
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                          int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
    virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                        LPVOID param = nullptr);
    virtual BOOL DestroyWindow();

    // Message routing, overridable as in the class library.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification a child sent to its parent, offered back to the child first.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void PreSubclassWindow() {}
    virtual void PostNcDestroy() {}
    virtual void DoDataExchange(CDataExchange*) {}
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // The default handling of the message being handled now.
    LRESULT Default();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::SendMessage(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::PostMessage(m_hWnd, message, wParam, lParam); }

    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, width, height, repaint); }
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE) { MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint); }
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
    void ClientToScreen(LPRECT rect) const;
    void ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(LPRECT rect) const;
    void CenterWindow(CWnd* alternateOwner = nullptr);

    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void ValidateRect(LPCRECT rect) { ::ValidateRect(m_hWnd, rect); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT rect = nullptr, HRGN region = nullptr, UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, rect, region, flags);
    }

    void SetWindowText(LPCSTR text) { ::SetWindowText(m_hWnd, text); }
    int GetWindowText(LPSTR buffer, int size) const { return ::GetWindowText(m_hWnd, buffer, size); }
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }

    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE)); }
    // Changes the style bits; with flags, SetWindowPos(flags | no move/size/z-order) applies them.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetDlgCtrlID(int id) { ::SetWindowLong(m_hWnd, GWL_ID, id); }

    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    CWnd* GetTopLevelParent() const { return FromHandle(::GetAncestor(m_hWnd, GA_ROOT)); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
    static CWnd* WindowFromPoint(POINT screen) { return FromHandle(::WindowFromPoint(screen)); }
    CWnd* SetActiveWindow() { return FromHandle(::SetActiveWindow(m_hWnd)); }

    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, TIMERPROC proc = nullptr) { return ::SetTimer(m_hWnd, id, elapseMs, proc); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

    CMenu* GetSystemMenu(BOOL revert) const;
    HICON SetIcon(HICON icon, BOOL big);
    HICON GetIcon(BOOL big) const;
    int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK) { return ::MessageBox(m_hWnd, text, caption, type); }

    // Device contexts of the window; defined by the drawing layer.
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* dc);

    // The modal loop of this window (DoModal), until EndModalLoop.
    virtual int RunModalLoop(DWORD flags = 0);
    virtual void EndModalLoop(int result);
    BOOL ContinueModal() const { return m_bContinueModal; }

    // Default handlers, for derived maps to name and chain to.
    int OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
    void OnDestroy() { Default(); }
    void OnNcDestroy();
    void OnPaint() { Default(); }
    void OnClose() { Default(); }
    void OnSize(UINT, int, int) { Default(); }
    void OnMove(int, int) { Default(); }
    void OnMouseMove(UINT, CPoint) { Default(); }
    void OnLButtonDown(UINT, CPoint) { Default(); }
    void OnLButtonUp(UINT, CPoint) { Default(); }
    void OnLButtonDblClk(UINT, CPoint) { Default(); }
    void OnRButtonDown(UINT, CPoint) { Default(); }
    void OnRButtonUp(UINT, CPoint) { Default(); }
    BOOL OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
    void OnMouseHWheel(UINT, short, CPoint) { Default(); }
    void OnMouseLeave() { Default(); }
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
    BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnKeyDown(UINT, UINT, UINT) { Default(); }
    void OnKeyUp(UINT, UINT, UINT) { Default(); }
    BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
    LRESULT OnNcHitTest(CPoint) { return Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    void OnActivate(UINT, CWnd*, BOOL) { Default(); }
    BOOL OnNcActivate(BOOL) { return static_cast<BOOL>(Default()); }
    void OnShowWindow(BOOL, UINT) { Default(); }
    void OnSetFocus(CWnd*) { Default(); }
    void OnKillFocus(CWnd*) { Default(); }

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;
    // Offers a reflected notification to this control's own map.
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    bool m_bContinueModal = false;
    int m_nModalResult = -1;

    friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

// The window procedure of every window that has a CWnd attached.
LRESULT AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Offers the message to PreTranslateMessage of its window and each parent up to (and including)
// stop; TRUE when one of them took it.
BOOL AfxPreTranslateTree(HWND stop, MSG* msg);
