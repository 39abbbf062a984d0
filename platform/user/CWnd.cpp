#include "platform/user/CWnd.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/user/CWinApp.h"
#include "platform/user/gdi_bridge.h"
#include "platform/user/window_tree.h"

const CRuntimeClass CObject::classCObject = {"CObject", nullptr, nullptr};
const CRuntimeClass CCmdTarget::classCCmdTarget = {"CCmdTarget", &CObject::classCObject, nullptr};
IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
        if (c == base) return TRUE;
    return FALSE;
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id)
{
    for (; map != nullptr; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->thunk != nullptr; ++e) {
            if (e->nMessage != message) continue;
            bool isCommand = message == WM_COMMAND || message == WM_NOTIFY;
            bool isReflect = message == WM_REFLECT_BASE + WM_COMMAND || message == WM_REFLECT_BASE + WM_NOTIFY;
            if (isCommand && (e->nCode != code || id < e->nID || id > e->nLastID)) continue;
            if (isReflect && e->nCode != code) continue;
            return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, LRESULT* result)
{
    const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(code), id);
    if (e == nullptr) return FALSE;
    LRESULT r = e->thunk(this, MAKEWPARAM(static_cast<int>(id), code), 0, nullptr);
    if (result) *result = r;
    return TRUE;
}

namespace {

struct Objects {
    std::mutex mutex;
    std::map<HWND, CWnd*> permanent;
    std::map<HWND, std::unique_ptr<CWnd>> temporary;
};

Objects& objects()
{
    static Objects* o = new Objects;
    return *o;
}

// The message each window procedure of this thread is handling, innermost first. The entries
// live on the handlers' own stack frames, so the chain needs no storage that ends with the thread:
// windows destroyed while the process ends still find it whole.
struct Current {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const Current* outer;
};
thread_local const Current* t_current = nullptr;

// The application forgets a main window that is gone, so that nothing reaches it through
// m_pMainWnd afterwards.
void forgetAsMainWindow(const CWnd* wnd)
{
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == wnd) app->m_pMainWnd = nullptr;
}

void attachHook(HWND hwnd, void* object)
{
    auto* wnd = static_cast<CWnd*>(object);
    wnd->Attach(hwnd);
    wnd->PreSubclassWindow();
}

}  // namespace

namespace platform::user::msgmap {
CWnd* wndOf(HWND hwnd) { return CWnd::FromHandle(hwnd); }
CDC* dcOf(HDC dc)
{
    const auto& b = platform::user::GetGdiBridge();
    return (dc && b.dcFromHandle) ? b.dcFromHandle(dc) : nullptr;
}
}  // namespace platform::user::msgmap

CWnd::~CWnd()
{
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    if (m_hWnd != nullptr) Detach();
    forgetAsMainWindow(this);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    Objects& o = objects();
    std::lock_guard lock(o.mutex);
    auto it = o.permanent.find(hwnd);
    return it == o.permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    if (hwnd == nullptr) return nullptr;
    if (CWnd* w = FromHandlePermanent(hwnd)) return w;
    if (!::IsWindow(hwnd)) return nullptr;
    Objects& o = objects();
    std::vector<std::unique_ptr<CWnd>> dead;
    CWnd* result;
    {
        std::lock_guard lock(o.mutex);
        for (auto it = o.temporary.begin(); it != o.temporary.end();) {
            if (::IsWindow(it->first)) {
                ++it;
                continue;
            }
            dead.push_back(std::move(it->second));
            it = o.temporary.erase(it);
        }
        auto& slot = o.temporary[hwnd];
        if (!slot) {
            slot = std::make_unique<CWnd>();
            slot->m_hWnd = hwnd;  // a temporary object does not take the window's messages
        }
        result = slot.get();
    }
    // Temporaries of dead windows go without touching the handle tables.
    for (auto& w : dead) w->m_hWnd = nullptr;
    return result;
}

BOOL CWnd::Attach(HWND hwnd)
{
    if (hwnd == nullptr || m_hWnd != nullptr) return FALSE;
    m_hWnd = hwnd;
    Objects& o = objects();
    std::lock_guard lock(o.mutex);
    o.permanent[hwnd] = this;
    o.temporary.erase(hwnd);
    platform::user::detail::SetWindowProc(hwnd, AfxWndProc);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND h = m_hWnd;
    if (h == nullptr) return nullptr;
    {
        Objects& o = objects();
        std::lock_guard lock(o.mutex);
        auto it = o.permanent.find(h);
        if (it != o.permanent.end() && it->second == this) o.permanent.erase(it);
    }
    platform::user::detail::SetWindowProc(h, nullptr);
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!::IsWindow(hwnd) || FromHandlePermanent(hwnd) != nullptr) return FALSE;
    if (!Attach(hwnd)) return FALSE;
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (parent == nullptr) return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() { return Detach(); }

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                    HWND parent, HMENU idOrMenu, LPVOID param)
{
    if (m_hWnd != nullptr) return FALSE;
    platform::user::detail::SetPendingAttach(attachHook, this);
    HWND h = CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, idOrMenu, nullptr, param);
    platform::user::detail::SetPendingAttach(nullptr, nullptr);
    if (h == nullptr && m_hWnd != nullptr) Detach();
    return h != nullptr ? TRUE : FALSE;
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, LPVOID param)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

LRESULT AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (wnd == nullptr) return CallClassWindowProc(hwnd, message, wParam, lParam);
    const Current current{hwnd, message, wParam, lParam, t_current};
    t_current = &current;
    LRESULT r = wnd->WindowProc(message, wParam, lParam);
    t_current = current.outer;
    if (message == WM_NCDESTROY) {
        // The object may be gone (PostNcDestroy may delete it); only the table is touched.
        Objects& o = objects();
        std::lock_guard lock(o.mutex);
        o.permanent.erase(hwnd);
    }
    return r;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallClassWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    if (t_current == nullptr) return 0;
    return DefWindowProc(t_current->message, t_current->wParam, t_current->lParam);
}

void CWnd::OnNcDestroy()
{
    Default();
    forgetAsMainWindow(this);
    Detach();
    PostNcDestroy();
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    LRESULT r = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        if (result) *result = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        return OnNotify(wParam, lParam, result);
    }
    if (message == WM_DRAWITEM || message == WM_MEASUREITEM) {
        HWND child = nullptr;
        if (message == WM_DRAWITEM) child = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)->hwndItem;
        else child = ::GetDlgItem(m_hWnd, static_cast<int>(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)->CtlID));
        CWnd* c = FromHandlePermanent(child);
        if (c && c->OnChildNotify(message, wParam, lParam, &r)) {
            if (result) *result = TRUE;
            return TRUE;
        }
    }
    UINT mapped = message;
    platform::user::msgmap::CtlColorArgs ctl{};
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        mapped = WM_CTLCOLOR;
        ctl = {reinterpret_cast<HWND>(lParam), message - WM_CTLCOLORMSGBOX};
        lParam = reinterpret_cast<LPARAM>(&ctl);
    }
    if (message == WM_NCDESTROY) {
        OnNcDestroy();
        if (result) *result = 0;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), mapped, 0, 0);
    if (e == nullptr) return FALSE;
    r = e->thunk(this, wParam, lParam, nullptr);
    if (result) *result = r;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control != nullptr) {
        CWnd* child = FromHandlePermanent(control);
        LRESULT r = 0;
        if (child && child->OnChildNotify(WM_COMMAND, wParam, lParam, &r)) return TRUE;
    }
    return OnCmdMsg(id, static_cast<int>(code), nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr == nullptr) return FALSE;
    if (CWnd* child = FromHandlePermanent(hdr->hwndFrom)) {
        if (child->OnChildNotify(WM_NOTIFY, hdr->idFrom, lParam, result)) return TRUE;
    }
    const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom));
    if (e == nullptr) return FALSE;
    LRESULT r = e->thunk(this, hdr->idFrom, lParam, nullptr);
    if (result) *result = r;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    return ReflectChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    UINT code;
    if (message == WM_COMMAND) code = HIWORD(wParam);
    else if (message == WM_NOTIFY) code = reinterpret_cast<NMHDR*>(lParam)->code;
    else return FALSE;
    const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), WM_REFLECT_BASE + message, code, 0);
    if (e == nullptr) return FALSE;
    BOOL handled = TRUE;
    LRESULT r = e->thunk(this, wParam, lParam, &handled);
    if (result) *result = r;
    return handled;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL AfxPreTranslateTree(HWND stop, MSG* msg)
{
    for (HWND h = msg->hwnd; h != nullptr; h = ::GetParent(h)) {
        if (CWnd* w = CWnd::FromHandlePermanent(h); w && w->PreTranslateMessage(msg)) return TRUE;
        if (h == stop || !(::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return FALSE;
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}

void CWnd::ClientToScreen(LPRECT rect) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&rect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&rect->right));
}

void CWnd::ScreenToClient(LPRECT rect) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&rect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&rect->right));
}

void CWnd::CenterWindow(CWnd* alternateOwner)
{
    RECT me, area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    GetWindowRect(&me);
    HWND owner = alternateOwner ? alternateOwner->m_hWnd : ::GetParent(m_hWnd);
    bool child = (GetStyle() & WS_CHILD) != 0;
    if (child && owner) ::GetClientRect(owner, &area);
    else if (owner) ::GetWindowRect(owner, &area);
    int w = me.right - me.left, h = me.bottom - me.top;
    ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
}

void CWnd::GetWindowText(CString& text) const
{
    int n = GetWindowTextLength();
    char* buffer = text.GetBuffer(n);
    ::GetWindowText(m_hWnd, buffer, n + 1);
    text.ReleaseBuffer(n);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags)
{
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style) return FALSE;
    ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
    if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags)
{
    DWORD style = GetExStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style) return FALSE;
    ::SetWindowLong(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(changed));
    if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
    return TRUE;
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const { return platform::user::MenuObject(::GetSystemMenu(m_hWnd, revert)); }

HICON CWnd::SetIcon(HICON icon, BOOL big)
{
    return reinterpret_cast<HICON>(::SendMessage(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

HICON CWnd::GetIcon(BOOL big) const
{
    std::lock_guard lock(platform::user::detail::TreeMutex());
    auto* n = platform::user::detail::Find(m_hWnd);
    return n ? (big ? n->bigIcon : n->smallIcon) : nullptr;
}

int CWnd::RunModalLoop(DWORD)
{
    m_bContinueModal = true;
    HWND self = m_hWnd;
    bool shown = false;
    while (m_bContinueModal) {
        MSG msg;
        if (!::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!shown && ::IsWindow(self) && !::IsWindowVisible(self)) {
                // A modal window shows itself once its initialisation has run and the queue idles.
                ::ShowWindow(self, SW_SHOWNORMAL);
                shown = true;
                continue;
            }
            shown = true;
            if (!m_bContinueModal) break;
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!AfxPreTranslateTree(self, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
        if (!::IsWindow(self)) break;
    }
    m_bContinueModal = false;
    return m_nModalResult;
}

void CWnd::EndModalLoop(int result)
{
    m_nModalResult = result;
    if (m_bContinueModal) {
        m_bContinueModal = false;
        ::PostMessage(m_hWnd, WM_NULL, 0, 0);
    }
}
