#include "controls/CSignalLight.h"

#include "controls/LoadImageFromResource.h"

IMPLEMENT_DYNAMIC(CSignalLight, CStatic)

BEGIN_MESSAGE_MAP(CSignalLight, CStatic)
    ON_MESSAGE(WM_SETTEXT, &CSignalLight::OnSetText)
    ON_WM_SIZE()
END_MESSAGE_MAP()

CSignalLight::CSignalLight() : m_szFontName{} {}

CSignalLight::~CSignalLight()
{
    delete m_pImage;
    delete m_pBkImage;
}

void CSignalLight::SetImage(WORD id, LPCSTR type) { ReplaceImageFromResource(m_pImage, id, type); }
void CSignalLight::SetBkImage(WORD id, LPCSTR type) { ReplaceImageFromResource(m_pBkImage, id, type); }
void CSignalLight::SetBkColor(const Gdiplus::ARGB& colour) { m_crBack = colour; }
void CSignalLight::SetTextColor(const Gdiplus::ARGB& colour) { m_crText = colour; }
void CSignalLight::SetTransparent(bool transparent) { m_bTransparent = transparent; }
void CSignalLight::SetFontSize(int points) { m_nFontSize = points; }
void CSignalLight::SetFontName(CString name) { WidenIntoBuffer(name, m_szFontName, kFaceNameChars); }

void CSignalLight::SetAlignFlags(UINT flags)
{
    if (flags & 0x40)
        m_nAlignH = Gdiplus::StringAlignmentNear;
    else if (flags & 0x20)
        m_nAlignH = Gdiplus::StringAlignmentCenter;
    else if (flags & 0x80)
        m_nAlignH = Gdiplus::StringAlignmentFar;
    if (flags & 0x200)
        m_nAlignV = Gdiplus::StringAlignmentNear;
    else if (flags & 0x100)
        m_nAlignV = Gdiplus::StringAlignmentCenter;
    else if (flags & 0x400)
        m_nAlignV = Gdiplus::StringAlignmentFar;
}

void CSignalLight::PreSubclassWindow()
{
    SetWindowLong(m_hWnd, GWL_STYLE, GetWindowLong(m_hWnd, GWL_STYLE) | SS_OWNERDRAW);
    CStatic::PreSubclassWindow();
}

LRESULT CSignalLight::OnSetText(WPARAM, LPARAM)
{
    LRESULT result = Default();
    CWnd* parent = GetParent();
    if (parent != nullptr) {
        CRect area;
        GetWindowRect(&area);
        parent->ScreenToClient(&area);
        parent->InvalidateRect(&area, TRUE);
        parent->UpdateWindow();
    }
    return result;
}

void CSignalLight::OnSize(UINT type, int cx, int cy)
{
    CStatic::OnSize(type, cx, cy);
    Invalidate(TRUE);
}

int CSignalLight::DrawForegroundImage(Gdiplus::Graphics& graphics, int height)
{
    if (m_pImage == nullptr)
        return 0;
    const int imageWidth = static_cast<int>(m_pImage->GetWidth());
    const int imageHeight = static_cast<int>(m_pImage->GetHeight());
    const int drawnHeight = height - 6;
    // An image that cannot be decoded has no size: it draws nothing and takes no room.
    const int drawnWidth = imageHeight > 0 ? static_cast<int>(static_cast<float>(imageWidth) * drawnHeight / imageHeight) : 0;
    graphics.DrawImage(m_pImage, Gdiplus::Rect(3, 3, drawnWidth, drawnHeight), 0, 0, imageWidth, imageHeight,
                       Gdiplus::UnitPixel);
    return drawnWidth;
}

void CSignalLight::DrawItem(LPDRAWITEMSTRUCT drawItem)
{
    CRect client;
    GetClientRect(&client);
    const int width = client.Width();
    const int height = client.Height();
    Gdiplus::Graphics screen(drawItem->hDC);
    Gdiplus::Bitmap buffer(width, height, Gdiplus::PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&buffer);
        if (!m_bTransparent) {
            Gdiplus::SolidBrush brush{Gdiplus::Color(m_crBack)};
            graphics.FillRectangle(&brush, 0, 0, width, height);
        }
        if (m_pBkImage != nullptr) {
            graphics.DrawImage(m_pBkImage, Gdiplus::Rect(0, 0, width, height), 0, 0,
                               static_cast<int>(m_pBkImage->GetWidth()), static_cast<int>(m_pBkImage->GetHeight()),
                               Gdiplus::UnitPixel);
        }
        const int imageWidth = DrawForegroundImage(graphics, height);
        CString text;
        GetWindowText(text);
        if (!text.IsEmpty()) {
            const SkinTextStyle style{m_szFontName, m_nFontSize, m_crText,
                                      static_cast<Gdiplus::StringAlignment>(m_nAlignH),
                                      static_cast<Gdiplus::StringAlignment>(m_nAlignV)};
            DrawSkinText(graphics, text, style,
                         Gdiplus::RectF(static_cast<float>(imageWidth + 1), 0.0f,
                                        static_cast<float>(width - imageWidth - 1), static_cast<float>(height)));
        }
    }
    screen.DrawImage(&buffer, Gdiplus::Rect(0, 0, width, height), 0, 0, width, height, Gdiplus::UnitPixel);
}
