// The skinned push and toggle button of the toolbar: an owner-drawn button painted through a
// 32-bit ARGB back buffer with a fill by check state, a face image (or its down image while
// pressed or checked), a one-pixel border and a bold caption under the image; grey when disabled.
// A button created as a check box toggles on every click before its owner hears of the click.
//
// The window keeps its rectangle: the fill, border and caption cover the whole button, so a window
// cut to the face image's opaque pixels would lose them.
#pragma once

#include "controls/SkinText.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/user/CButton.h"

class CImg;

class CZelHeteromorphicBtn : public CButton {
    DECLARE_DYNAMIC(CZelHeteromorphicBtn)
public:
    CZelHeteromorphicBtn();
    // Deletes both images.
    ~CZelHeteromorphicBtn() override;

    // The face image and the down image from PNG resources; a resource that cannot be loaded
    // leaves none.
    void SetShapeImage(WORD id, LPCSTR type);
    void SetImage2(WORD id, LPCSTR type);
    // Colour table entries: 0 caption, 1 fill, 2 fill when checked, 3 border, 4 border when
    // checked. An index past the table changes nothing.
    void SetColor(BYTE index, Gdiplus::ARGB colour);
    void SetFontSize(int points);
    // Keeps at most 127 characters of the face name.
    void SetFontName(CString name);
    // Only a checkable button changes its state; with `redraw` it is invalidated.
    void SetCheck(BOOL checked, BOOL redraw);
    int GetCheck() const { return m_nChecked; }

    // Rewrites a double click on `button` in place into a press, so that a quick second click
    // acts as a second press and click.
    static void PressOnDoubleClick(MSG* msg, HWND button);
    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

    WCHAR m_szFontName[kFaceNameChars];
    Gdiplus::Image* m_pShapeImage = nullptr;
    Gdiplus::Image* m_pImage2 = nullptr;
    int m_nHover = 0;
    Gdiplus::ARGB m_colours[5] = {0xFFFFFFFF, 0xFF001015, 0xFF00C5FF, 0xFF00AEFE, 0xFF000000};
    int m_nFontSize = 8;
    int m_nCheckable = 0;
    int m_nChecked = 0;

protected:
    // Reads from the style whether the button is checkable (a check-box type), then makes it
    // owner-drawn.
    void PreSubclassWindow() override;
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseLeave();
    // Toggles a checkable button and lets the notice go on to the owner.
    BOOL OnClicked();

    DECLARE_MESSAGE_MAP()

private:
    // Draws the image for the state; returns where the caption's band begins (0: the whole button).
    float DrawFaceImage(Gdiplus::Graphics& graphics, bool down, bool captioned, int width, int height);
    static void MakeGrey(CImg& buffer);
};
