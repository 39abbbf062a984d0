#include "controls/CZelHeteromorphicBtn.h"

#include "controls/CImg.h"
#include "controls/LoadImageFromResource.h"

IMPLEMENT_DYNAMIC(CZelHeteromorphicBtn, CButton)

BEGIN_MESSAGE_MAP(CZelHeteromorphicBtn, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSELEAVE()
    ON_CONTROL_REFLECT_EX(BN_CLICKED, &CZelHeteromorphicBtn::OnClicked)
END_MESSAGE_MAP()

namespace {

enum ColourIndex { kCaption, kFill, kFillChecked, kBorder, kBorderChecked, kColourCount };

}  // namespace

CZelHeteromorphicBtn::CZelHeteromorphicBtn() : m_szFontName{} {}

CZelHeteromorphicBtn::~CZelHeteromorphicBtn()
{
    delete m_pShapeImage;
    delete m_pImage2;
}

void CZelHeteromorphicBtn::SetShapeImage(WORD id, LPCSTR type) { ReplaceImageFromResource(m_pShapeImage, id, type); }
void CZelHeteromorphicBtn::SetImage2(WORD id, LPCSTR type) { ReplaceImageFromResource(m_pImage2, id, type); }

void CZelHeteromorphicBtn::SetColor(BYTE index, Gdiplus::ARGB colour)
{
    if (index < kColourCount)
        m_colours[index] = colour;
}

void CZelHeteromorphicBtn::SetFontSize(int points) { m_nFontSize = points; }
void CZelHeteromorphicBtn::SetFontName(CString name) { WidenIntoBuffer(name, m_szFontName, kFaceNameChars); }

void CZelHeteromorphicBtn::SetCheck(BOOL checked, BOOL redraw)
{
    if (!m_nCheckable)
        return;
    m_nChecked = checked != 0;
    if (redraw)
        Invalidate(TRUE);
}

void CZelHeteromorphicBtn::PressOnDoubleClick(MSG* msg, HWND button)
{
    if (msg->message == WM_LBUTTONDBLCLK && msg->hwnd == button)
        msg->message = WM_LBUTTONDOWN;
}

BOOL CZelHeteromorphicBtn::PreTranslateMessage(MSG* msg)
{
    PressOnDoubleClick(msg, m_hWnd);
    return CButton::PreTranslateMessage(msg);
}

void CZelHeteromorphicBtn::PreSubclassWindow()
{
    const LONG_PTR style = GetWindowLong(m_hWnd, GWL_STYLE);
    m_nCheckable = (style & 0x2) ? 1 : 0;
    SetWindowLong(m_hWnd, GWL_STYLE, style | BS_OWNERDRAW);
    CButton::PreSubclassWindow();
}

void CZelHeteromorphicBtn::OnMouseMove(UINT flags, CPoint point)
{
    CPoint screen = point;
    ClientToScreen(&screen);
    CWnd* under = WindowFromPoint(screen);
    if ((flags & MK_LBUTTON) && m_nHover == 0)
        return;
    if (under != nullptr && under->m_hWnd == m_hWnd) {
        if (m_nHover == 0) {
            m_nHover = 1;
            Invalidate(TRUE);
            TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
            TrackMouseEvent(&track);
        }
    } else if (m_nHover == 1) {
        m_nHover = 0;
        Invalidate(TRUE);
    }
    CButton::OnMouseMove(flags, point);
}

void CZelHeteromorphicBtn::OnMouseLeave()
{
    if (m_nHover == 1) {
        Invalidate(TRUE);
        m_nHover = 0;
    }
}

BOOL CZelHeteromorphicBtn::OnClicked()
{
    if (m_nCheckable)
        m_nChecked = !m_nChecked;
    Invalidate(FALSE);
    return FALSE;
}

float CZelHeteromorphicBtn::DrawFaceImage(Gdiplus::Graphics& graphics, bool down, bool captioned, int width, int height)
{
    Gdiplus::Image* image = (down && m_pImage2 != nullptr) ? m_pImage2 : m_pShapeImage;
    if (image == nullptr)
        return 0.0f;
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeBilinear);
    Gdiplus::RectF area(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
    float captionTop = 0.0f;
    if (captioned) {
        // The middle half of the width and the middle three fifths of the upper 60 %.
        area = Gdiplus::RectF(static_cast<float>(0.25 * width), static_cast<float>(0.2 * (0.6 * height)),
                              static_cast<float>(0.5 * width), static_cast<float>(0.6 * (0.6 * height)));
        captionTop = static_cast<float>(0.6 * height);
    }
    graphics.DrawImage(image, area, 0.0f, 0.0f, static_cast<float>(image->GetWidth()),
                       static_cast<float>(image->GetHeight()), Gdiplus::UnitPixel);
    return captionTop;
}

void CZelHeteromorphicBtn::MakeGrey(CImg& buffer)
{
    BYTE* bits = nullptr;
    if (!buffer.LockBits(&bits))
        return;
    const int pitch = buffer.GetPitch();
    for (int y = 0; y < buffer.GetHeight(); ++y) {
        BYTE* pixel = bits + static_cast<std::ptrdiff_t>(y) * pitch;
        for (int x = 0; x < buffer.GetWidth(); ++x, pixel += 4) {
            const auto mean = static_cast<BYTE>((pixel[0] + pixel[1] + pixel[2]) / 3);
            pixel[0] = pixel[1] = pixel[2] = mean;
        }
    }
    buffer.UnlockBits();
}

void CZelHeteromorphicBtn::DrawItem(LPDRAWITEMSTRUCT drawItem)
{
    CRect client;
    GetClientRect(&client);
    const int width = client.Width();
    const int height = client.Height();
    CString caption;
    GetWindowText(caption);
    const bool pressed = (drawItem->itemState & ODS_SELECTED) != 0;
    const bool disabled = (drawItem->itemState & ODS_DISABLED) != 0;
    const bool checked = m_nCheckable && m_nChecked;
    const bool down = pressed || m_nChecked;

    CImg buffer;
    buffer.Create(width, height, Gdiplus::PixelFormat32bppARGB);
    if (Gdiplus::Graphics* graphics = buffer.GetGraphics()) {
        Gdiplus::SolidBrush fill{Gdiplus::Color(m_colours[checked ? kFillChecked : kFill])};
        graphics->FillRectangle(&fill, 0, 0, width, height);
        const float captionTop = DrawFaceImage(*graphics, down, !caption.IsEmpty(), width, height);
        Gdiplus::Pen border(Gdiplus::Color(m_colours[checked ? kBorderChecked : kBorder]), 1.0f);
        graphics->DrawRectangle(&border, 1, 1, width - 2, height - 2);
        if (!caption.IsEmpty()) {
            const float shift = down ? 1.0f : 0.0f;
            const SkinTextStyle style{m_szFontName, m_nFontSize, m_colours[kCaption], Gdiplus::StringAlignmentCenter,
                                      Gdiplus::StringAlignmentCenter};
            DrawSkinText(*graphics, caption, style,
                         Gdiplus::RectF(shift, captionTop + shift, static_cast<float>(width),
                                        static_cast<float>(height) - captionTop));
        }
        delete graphics;
    }
    if (disabled && !down)
        MakeGrey(buffer);
    Gdiplus::Graphics screen(drawItem->hDC);
    buffer.Draw(&screen, 0, 0, width, height);
}
