// The skinned label: an owner-drawn static that paints an optional background colour, a stretched
// background image, a foreground image at its left edge and its window text in bold beside it,
// through a 32-bit ARGB back buffer copied to the screen in one step. Transparent by default, so
// that it floats over its parent's painting.
//
// The setters only store; the owner sets everything before the light is first shown (or
// invalidates it afterwards).
#pragma once

#include "controls/SkinText.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/user/CStatic.h"

class CSignalLight : public CStatic {
    DECLARE_DYNAMIC(CSignalLight)
public:
    CSignalLight();
    // Deletes both images.
    ~CSignalLight() override;

    // The foreground image (drawn at the left edge) and the background image (stretched over the
    // whole light) from PNG resources; a resource that cannot be loaded leaves none.
    void SetImage(WORD id, LPCSTR type);
    void SetBkImage(WORD id, LPCSTR type);
    void SetBkColor(const Gdiplus::ARGB& colour);
    void SetTextColor(const Gdiplus::ARGB& colour);
    void SetTransparent(bool transparent);
    void SetFontSize(int points);
    // Keeps at most 127 characters of the face name.
    void SetFontName(CString name);
    // Horizontal: 0x40 near, 0x20 centre, 0x80 far; vertical: 0x200 near, 0x100 centre, 0x400 far.
    // In each group the first bit found in that order wins; a group without a bit stays as it is.
    void SetAlignFlags(UINT flags);

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

    WCHAR m_szFontName[kFaceNameChars];
    Gdiplus::Image* m_pImage = nullptr;
    Gdiplus::Image* m_pBkImage = nullptr;
    bool m_bTransparent = true;
    Gdiplus::ARGB m_crBack = 0xFFFFFFFF;
    Gdiplus::ARGB m_crText = 0xFF000000;
    int m_nFontSize = 10;
    int m_nAlignH = Gdiplus::StringAlignmentCenter;
    int m_nAlignV = Gdiplus::StringAlignmentCenter;

protected:
    // Makes the static owner-drawn.
    void PreSubclassWindow() override;
    // Lets the default store the text, then has the parent repaint (and erase) the area under the
    // light at once, so that a transparent light never shows its old text over the parent.
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    void OnSize(UINT type, int cx, int cy);

    DECLARE_MESSAGE_MAP()

private:
    // Draws the foreground image at (3, 3), H - 6 high with its aspect kept; returns its width.
    int DrawForegroundImage(Gdiplus::Graphics& graphics, int height);
};
