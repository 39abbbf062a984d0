// An owner-drawn combo box that draws an icon from an image list before each item's text. The
// item data of each item points to the index of its icon.
#pragma once

#include "platform/controls/CImageList.h"
#include "platform/user/CComboBox.h"

class CComboBoxXI : public CComboBox {
    DECLARE_DYNAMIC(CComboBoxXI)
public:
    CComboBoxXI() = default;

    // Draws the item's icon at (left + 2, top + 2) and its text after it, in the highlight text
    // colour when selected; nothing for item -1 or an item without icon data.
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    // An item is as high as its text or its icon with two pixels above and below; a drop-down list
    // raises its selection field to the tallest item measured.
    void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;

    CImageList* m_pImageList = nullptr;  // not owned
    int m_nIconWidth = 0;
    int m_nIconHeight = 0;
    int m_nMaxItemHeight = 0;
    // -1 until the first measure request, then 1 for a drop-down list, 0 for any other combo box.
    int m_nStyleState = -1;

    DECLARE_MESSAGE_MAP()
};
