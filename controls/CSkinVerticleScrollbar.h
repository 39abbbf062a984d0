// A vertical scroll bar 12 pixels wide drawn from six bitmap resources, which drives a list view
// through the list's own vertical scroll position: a click on an arrow scrolls a line (repeating
// every 50 ms once held for 250 ms), a click elsewhere off the thumb a page towards the point, and
// dragging the thumb scrolls the list along.
//
// The owner creates it as a child (with SS_NOTIFY, so that the mouse reaches it) and sets m_pList
// before showing it. Layout, H the client height: top cap y 0 to 11, up arrow 11 to 37, track from
// 37 down, down arrow H - 37 to H - 11, bottom cap H - 11 to H; the 26-pixel thumb's top stays
// within 36 to H - 62.
#pragma once

#include "platform/controls/CListCtrl.h"
#include "platform/user/CStatic.h"

class CSkinVerticleScrollbar : public CStatic {
public:
    CSkinVerticleScrollbar() = default;
    ~CSkinVerticleScrollbar() override = default;

    // Paints the whole bar in one step.
    void Draw();
    // Moves the thumb to the list's scroll position and paints.
    void UpdateThumb();

    CListCtrl* m_pList = nullptr;  // not owned
    bool m_bUpHeld = false;
    bool m_bDownHeld = false;
    bool m_bDragging = false;
    int m_nThumbTop = 36;
    double m_dbThumbInterval = 0.0;  // thumb pixels per scroll unit

protected:
    void OnLButtonDown(UINT flags, CPoint point);
    // A quick second click is a second press: on an arrow it scrolls a line, never a page.
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnPaint();
    void OnTimer(UINT_PTR id);

    DECLARE_MESSAGE_MAP()

private:
    CRect UpArrow() const;
    CRect DownArrow() const;
    CRect Thumb() const;
    int ClientHeight() const;
    int ScrollLimit() const;
    int ScrollPos() const;
    void ScrollList(UINT code);
    void ClampThumb();
};
