// The class library's object roots: run-time class records (DECLARE_DYNAMIC and its companions)
// and the command target with its message map (DECLARE_MESSAGE_MAP, BEGIN_MESSAGE_MAP, ON_...).
#pragma once

#include <cstring>
#include <type_traits>

#include "platform/user/user_types.h"

class CObject;
class CCmdTarget;
class CWnd;
class CDC;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    CObject* (*m_pfnCreateObject)();
    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    BOOL IsKindOf(const CRuntimeClass* c) const { return GetRuntimeClass()->IsDerivedFrom(c); }
    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(name) (&name::class##name)
#define DECLARE_DYNAMIC(name)                                   \
public:                                                         \
    static const CRuntimeClass class##name;                     \
    const CRuntimeClass* GetRuntimeClass() const override { return &class##name; }
#define DECLARE_DYNCREATE(name) \
    DECLARE_DYNAMIC(name)       \
    static CObject* CreateObject() { return new name; }
#define IMPLEMENT_DYNAMIC(name, base) const CRuntimeClass name::class##name = {#name, RUNTIME_CLASS(base), nullptr};
#define IMPLEMENT_DYNCREATE(name, base) const CRuntimeClass name::class##name = {#name, RUNTIME_CLASS(base), &name::CreateObject};

// One entry of a message map. thunk calls the handler with the message's parameters unpacked;
// handled (may be null) tells whether a handler that can decline did take the message.
struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    LRESULT (*thunk)(CCmdTarget* target, WPARAM wParam, LPARAM lParam, BOOL* handled);
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
public:
    const CRuntimeClass* GetRuntimeClass() const override { return &classCCmdTarget; }
    static const CRuntimeClass classCCmdTarget;
    virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }
    // Finds the handler of a command (WM_COMMAND with a notification code) and calls it.
    virtual BOOL OnCmdMsg(UINT id, int code, LRESULT* result);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
};

// Searches the map chain of target for the first entry that matches.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id);

#define DECLARE_MESSAGE_MAP()                      \
protected:                                         \
    static const AFX_MSGMAP* GetThisMessageMap();  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                  \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }           \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                             \
    {                                                                                           \
        using ThisClass [[maybe_unused]] = theClass;                                            \
        using TheBaseClass = baseClass;                                                         \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                      \
    {0, 0, 0, 0, nullptr}                                                      \
    }                                                                          \
    ;                                                                          \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                        \
    }

namespace platform::user::msgmap {

template <class M>
struct MemberClass;
template <class C, class R, class... A>
struct MemberClass<R (C::*)(A...)> {
    using type = C;
};
template <auto F>
using ClassOf = typename MemberClass<decltype(F)>::type;
template <auto F>
ClassOf<F>* self(CCmdTarget* t)
{
    return static_cast<ClassOf<F>*>(t);
}

inline CPoint pointOf(LPARAM l) { return CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)); }
CWnd* wndOf(HWND hwnd);
CDC* dcOf(HDC dc);

template <auto F>
LRESULT voidCall(CCmdTarget* t, WPARAM, LPARAM, BOOL*)
{
    (self<F>(t)->*F)();
    return 0;
}
template <auto F>
LRESULT createCall(CCmdTarget* t, WPARAM, LPARAM l, BOOL*)
{
    return (self<F>(t)->*F)(reinterpret_cast<LPCREATESTRUCT>(l));
}
template <auto F>
LRESULT sizeCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    (self<F>(t)->*F)(static_cast<UINT>(w), GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return 0;
}
template <auto F>
LRESULT moveCall(CCmdTarget* t, WPARAM, LPARAM l, BOOL*)
{
    (self<F>(t)->*F)(GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return 0;
}
template <auto F>
LRESULT mouseCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    (self<F>(t)->*F)(static_cast<UINT>(w), pointOf(l));
    return 0;
}
template <auto F>
LRESULT wheelCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    using R = decltype((self<F>(t)->*F)(0u, short{0}, CPoint()));
    if constexpr (std::is_void_v<R>) {
        (self<F>(t)->*F)(LOWORD(w), static_cast<short>(HIWORD(w)), pointOf(l));
        return 0;
    } else {
        return (self<F>(t)->*F)(LOWORD(w), static_cast<short>(HIWORD(w)), pointOf(l));
    }
}
// WM_CTLCOLOR reaches its handler with the DC in wParam and these in lParam.
struct CtlColorArgs {
    HWND control;
    UINT kind;
};
template <auto F>
LRESULT ctlColorCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    auto* a = reinterpret_cast<const CtlColorArgs*>(l);
    return reinterpret_cast<LRESULT>((self<F>(t)->*F)(dcOf(reinterpret_cast<HDC>(w)), wndOf(a->control), a->kind));
}
template <auto F>
LRESULT eraseCall(CCmdTarget* t, WPARAM w, LPARAM, BOOL*)
{
    return (self<F>(t)->*F)(dcOf(reinterpret_cast<HDC>(w)));
}
template <auto F>
LRESULT timerCall(CCmdTarget* t, WPARAM w, LPARAM, BOOL*)
{
    (self<F>(t)->*F)(static_cast<UINT_PTR>(w));
    return 0;
}
template <auto F>
LRESULT keyCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    (self<F>(t)->*F)(static_cast<UINT>(w), LOWORD(static_cast<DWORD_PTR>(l)), HIWORD(static_cast<DWORD_PTR>(l)));
    return 0;
}
template <auto F>
LRESULT setCursorCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    return (self<F>(t)->*F)(wndOf(reinterpret_cast<HWND>(w)), static_cast<short>(LOWORD(static_cast<DWORD_PTR>(l))), HIWORD(static_cast<DWORD_PTR>(l)));
}
template <auto F>
LRESULT hitTestCall(CCmdTarget* t, WPARAM, LPARAM l, BOOL*)
{
    return (self<F>(t)->*F)(pointOf(l));
}
template <auto F>
LRESULT sysCommandCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    (self<F>(t)->*F)(static_cast<UINT>(w), l);
    return 0;
}
template <auto F>
LRESULT handleResultCall(CCmdTarget* t, WPARAM, LPARAM, BOOL*)
{
    return reinterpret_cast<LRESULT>((self<F>(t)->*F)());
}
template <auto F>
LRESULT activateCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    (self<F>(t)->*F)(LOWORD(w), wndOf(reinterpret_cast<HWND>(l)), HIWORD(w));
    return 0;
}
template <auto F>
LRESULT boolArgCall(CCmdTarget* t, WPARAM w, LPARAM, BOOL*)
{
    return (self<F>(t)->*F)(static_cast<BOOL>(w));
}
template <auto F>
LRESULT showCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    (self<F>(t)->*F)(static_cast<BOOL>(w), static_cast<UINT>(l));
    return 0;
}
template <auto F>
LRESULT focusCall(CCmdTarget* t, WPARAM w, LPARAM, BOOL*)
{
    (self<F>(t)->*F)(wndOf(reinterpret_cast<HWND>(w)));
    return 0;
}
template <auto F>
LRESULT messageCall(CCmdTarget* t, WPARAM w, LPARAM l, BOOL*)
{
    return (self<F>(t)->*F)(w, l);
}
template <auto F>
LRESULT commandRangeCall(CCmdTarget* t, WPARAM w, LPARAM, BOOL*)
{
    (self<F>(t)->*F)(static_cast<UINT>(LOWORD(w)));
    return 0;
}
template <auto F>
LRESULT commandExCall(CCmdTarget* t, WPARAM, LPARAM, BOOL* handled)
{
    BOOL r = (self<F>(t)->*F)();
    if (handled) *handled = r;
    return 0;
}
template <auto F>
LRESULT notifyCall(CCmdTarget* t, WPARAM, LPARAM l, BOOL*)
{
    LRESULT result = 0;
    (self<F>(t)->*F)(reinterpret_cast<NMHDR*>(l), &result);
    return result;
}
template <auto F>
LRESULT notifyExCall(CCmdTarget* t, WPARAM, LPARAM l, BOOL* handled)
{
    LRESULT result = 0;
    BOOL r = (self<F>(t)->*F)(reinterpret_cast<NMHDR*>(l), &result);
    if (handled) *handled = r;
    return result;
}

}  // namespace platform::user::msgmap

// The class library folds the WM_CTLCOLOR* messages into this one for its handlers.
#define WM_CTLCOLOR 0x0019u

#define VANTREL_MSG_ENTRY(msg, thunk, fn) {msg, 0, 0, 0, &platform::user::msgmap::thunk<&ThisClass::fn>},
#define ON_WM_CREATE() VANTREL_MSG_ENTRY(WM_CREATE, createCall, OnCreate)
#define ON_WM_DESTROY() VANTREL_MSG_ENTRY(WM_DESTROY, voidCall, OnDestroy)
#define ON_WM_NCDESTROY() VANTREL_MSG_ENTRY(WM_NCDESTROY, voidCall, OnNcDestroy)
#define ON_WM_PAINT() VANTREL_MSG_ENTRY(WM_PAINT, voidCall, OnPaint)
#define ON_WM_CLOSE() VANTREL_MSG_ENTRY(WM_CLOSE, voidCall, OnClose)
#define ON_WM_SIZE() VANTREL_MSG_ENTRY(WM_SIZE, sizeCall, OnSize)
#define ON_WM_MOVE() VANTREL_MSG_ENTRY(WM_MOVE, moveCall, OnMove)
#define ON_WM_MOUSEMOVE() VANTREL_MSG_ENTRY(WM_MOUSEMOVE, mouseCall, OnMouseMove)
#define ON_WM_LBUTTONDOWN() VANTREL_MSG_ENTRY(WM_LBUTTONDOWN, mouseCall, OnLButtonDown)
#define ON_WM_LBUTTONUP() VANTREL_MSG_ENTRY(WM_LBUTTONUP, mouseCall, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() VANTREL_MSG_ENTRY(WM_LBUTTONDBLCLK, mouseCall, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() VANTREL_MSG_ENTRY(WM_RBUTTONDOWN, mouseCall, OnRButtonDown)
#define ON_WM_RBUTTONUP() VANTREL_MSG_ENTRY(WM_RBUTTONUP, mouseCall, OnRButtonUp)
#define ON_WM_MOUSEWHEEL() VANTREL_MSG_ENTRY(WM_MOUSEWHEEL, wheelCall, OnMouseWheel)
#define ON_WM_MOUSEHWHEEL() VANTREL_MSG_ENTRY(WM_MOUSEHWHEEL, wheelCall, OnMouseHWheel)
#define ON_WM_MOUSELEAVE() VANTREL_MSG_ENTRY(WM_MOUSELEAVE, voidCall, OnMouseLeave)
#define ON_WM_CTLCOLOR() VANTREL_MSG_ENTRY(WM_CTLCOLOR, ctlColorCall, OnCtlColor)
#define ON_WM_ERASEBKGND() VANTREL_MSG_ENTRY(WM_ERASEBKGND, eraseCall, OnEraseBkgnd)
#define ON_WM_TIMER() VANTREL_MSG_ENTRY(WM_TIMER, timerCall, OnTimer)
#define ON_WM_KEYDOWN() VANTREL_MSG_ENTRY(WM_KEYDOWN, keyCall, OnKeyDown)
#define ON_WM_KEYUP() VANTREL_MSG_ENTRY(WM_KEYUP, keyCall, OnKeyUp)
#define ON_WM_SETCURSOR() VANTREL_MSG_ENTRY(WM_SETCURSOR, setCursorCall, OnSetCursor)
#define ON_WM_NCHITTEST() VANTREL_MSG_ENTRY(WM_NCHITTEST, hitTestCall, OnNcHitTest)
#define ON_WM_SYSCOMMAND() VANTREL_MSG_ENTRY(WM_SYSCOMMAND, sysCommandCall, OnSysCommand)
#define ON_WM_QUERYDRAGICON() VANTREL_MSG_ENTRY(WM_QUERYDRAGICON, handleResultCall, OnQueryDragIcon)
#define ON_WM_ACTIVATE() VANTREL_MSG_ENTRY(WM_ACTIVATE, activateCall, OnActivate)
#define ON_WM_NCACTIVATE() VANTREL_MSG_ENTRY(WM_NCACTIVATE, boolArgCall, OnNcActivate)
#define ON_WM_SHOWWINDOW() VANTREL_MSG_ENTRY(WM_SHOWWINDOW, showCall, OnShowWindow)
#define ON_WM_SETFOCUS() VANTREL_MSG_ENTRY(WM_SETFOCUS, focusCall, OnSetFocus)
#define ON_WM_KILLFOCUS() VANTREL_MSG_ENTRY(WM_KILLFOCUS, focusCall, OnKillFocus)
#define ON_MESSAGE(msg, fn) {msg, 0, 0, 0, &platform::user::msgmap::messageCall<fn>},
#define ON_COMMAND(id, fn) {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), &platform::user::msgmap::voidCall<fn>},
#define ON_COMMAND_RANGE(first, last, fn) {WM_COMMAND, 0, static_cast<UINT>(first), static_cast<UINT>(last), &platform::user::msgmap::commandRangeCall<fn>},
#define ON_CONTROL(code, id, fn) {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), &platform::user::msgmap::voidCall<fn>},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_CONTROL_REFLECT(code, fn) {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, &platform::user::msgmap::voidCall<fn>},
#define ON_CONTROL_REFLECT_EX(code, fn) {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, &platform::user::msgmap::commandExCall<fn>},
#define ON_NOTIFY(code, id, fn) {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), &platform::user::msgmap::notifyCall<fn>},
#define ON_NOTIFY_REFLECT(code, fn) {WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0, &platform::user::msgmap::notifyCall<fn>},
#define ON_NOTIFY_REFLECT_EX(code, fn) {WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0, &platform::user::msgmap::notifyExCall<fn>},
