// The class library's wrappers of device contexts and drawing objects.
#include <map>
#include <memory>
#include <mutex>

#include "platform/gdi/gdi_objects.h"

namespace {

std::mutex& wrapperMutex()
{
    static std::mutex m;
    return m;
}

// Temporary wrappers of handles the program did not wrap itself; they never own the handle.
template <class Wrapper, class Handle>
Wrapper* TemporaryWrapper(Handle handle)
{
    if (!handle) return nullptr;
    static std::map<HGDIOBJ, std::unique_ptr<Wrapper>> wrappers;
    std::lock_guard<std::mutex> lock(wrapperMutex());
    std::unique_ptr<Wrapper>& w = wrappers[handle];
    if (!w) {
        w = std::make_unique<Wrapper>();
        w->m_hObject = handle;
    }
    return w.get();
}

struct DcWrappers {
    std::map<HDC, CDC*> attached;
    std::map<HDC, std::unique_ptr<CDC>> temporary;
};
DcWrappers& dcWrappers()
{
    static DcWrappers* w = new DcWrappers;
    return *w;
}

}  // namespace

namespace platform::gdi::detail {

void ForgetWrapper(HDC dc)
{
    std::unique_ptr<CDC> temporary;
    {
        std::lock_guard<std::mutex> lock(wrapperMutex());
        DcWrappers& w = dcWrappers();
        w.attached.erase(dc);
        auto it = w.temporary.find(dc);
        if (it != w.temporary.end()) {
            temporary = std::move(it->second);
            temporary->m_hDC = nullptr;
            w.temporary.erase(it);
        }
    }
}

}  // namespace platform::gdi::detail

BOOL CGdiObject::Attach(HGDIOBJ object)
{
    if (!object) return FALSE;
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject) return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CGdiObject::CreateStockObject(int index)
{
    HGDIOBJ h = GetStockObject(index);
    return h ? Attach(h) : FALSE;
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
CBrush* CBrush::FromHandle(HBRUSH brush) { return TemporaryWrapper<CBrush>(brush); }

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                       BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
                       LPCSTR face)
{
    return Attach(::CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                                outPrecision, clipPrecision, quality, pitchAndFamily, face));
}

BOOL CFont::CreatePointFont(int tenthsOfPoint, LPCSTR face, CDC*)
{
    platform::text::FontSpec spec = platform::text::PointFont(tenthsOfPoint, face ? face : "");
    return CreateFont(spec.height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, face);
}

CFont* CFont::FromHandle(HFONT font) { return TemporaryWrapper<CFont>(font); }

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return TemporaryWrapper<CBitmap>(bitmap); }

CDC::~CDC()
{
    if (m_hDC) DeleteDC();
}

BOOL CDC::Attach(HDC dc)
{
    if (!dc) return FALSE;
    m_hDC = dc;
    std::lock_guard<std::mutex> lock(wrapperMutex());
    dcWrappers().attached[dc] = this;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC dc = m_hDC;
    m_hDC = nullptr;
    if (dc) {
        std::lock_guard<std::mutex> lock(wrapperMutex());
        auto it = dcWrappers().attached.find(dc);
        if (it != dcWrappers().attached.end() && it->second == this) dcWrappers().attached.erase(it);
    }
    return dc;
}

CDC* CDC::FromHandle(HDC dc)
{
    if (!platform::gdi::detail::FindDC(dc)) return nullptr;
    std::lock_guard<std::mutex> lock(wrapperMutex());
    DcWrappers& w = dcWrappers();
    auto it = w.attached.find(dc);
    if (it != w.attached.end()) return it->second;
    std::unique_ptr<CDC>& t = w.temporary[dc];
    if (!t) {
        t = std::make_unique<CDC>();
        t->m_hDC = dc;
    }
    return t.get();
}

BOOL CDC::CreateCompatibleDC(CDC* dc) { return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr)); }

BOOL CDC::DeleteDC()
{
    HDC dc = Detach();
    return dc ? ::DeleteDC(dc) : FALSE;
}

CPen* CDC::SelectObject(CPen* pen) { return TemporaryWrapper<CPen>(::SelectObject(m_hDC, pen ? pen->m_hObject : nullptr)); }
CBrush* CDC::SelectObject(CBrush* brush)
{
    return TemporaryWrapper<CBrush>(::SelectObject(m_hDC, brush ? brush->m_hObject : nullptr));
}
CFont* CDC::SelectObject(CFont* font) { return TemporaryWrapper<CFont>(::SelectObject(m_hDC, font ? font->m_hObject : nullptr)); }
CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    return TemporaryWrapper<CBitmap>(::SelectObject(m_hDC, bitmap ? bitmap->m_hObject : nullptr));
}

CGdiObject* CDC::SelectStockObject(int index)
{
    HGDIOBJ previous = ::SelectObject(m_hDC, GetStockObject(index));
    return TemporaryWrapper<CGdiObject>(previous);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT previous{0, 0};
    MoveToEx(m_hDC, x, y, &previous);
    return CPoint(previous);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color)
{
    if (!rect) return;
    ::SetBkColor(m_hDC, color);
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(m_hDC, rect, brush);
    ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, color);
}

CSize CDC::GetTextExtent(LPCSTR text, int count) const
{
    SIZE s{0, 0};
    GetTextExtentPoint32(m_hDC, text, count, &s);
    return CSize(s.cx, s.cy);
}

BOOL CDC::DrawState(CPoint p, CSize size, HICON icon, UINT flags, HBRUSH brush)
{
    return ::DrawState(m_hDC, brush, nullptr, reinterpret_cast<LPARAM>(icon), 0, p.x, p.y, size.cx, size.cy, (flags & ~0xFu) | DST_ICON);
}

BOOL CDC::DrawState(CPoint p, CSize size, HICON icon, UINT flags, CBrush* brush)
{
    return DrawState(p, size, icon, flags, brush ? static_cast<HBRUSH>(*brush) : nullptr);
}

CPaintDC::CPaintDC(HWND hwnd) : m_hWnd(hwnd) { Attach(BeginPaint(hwnd, &m_ps)); }

CPaintDC::~CPaintDC()
{
    if (m_hDC) {
        Detach();
        EndPaint(m_hWnd, &m_ps);
    }
}

CClientDC::CClientDC(HWND hwnd) : m_hWnd(hwnd) { Attach(GetDC(hwnd)); }

CClientDC::~CClientDC()
{
    if (m_hDC) ReleaseDC(m_hWnd, Detach());
}
