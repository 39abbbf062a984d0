#include "controls/CComboBoxXI.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CComboBoxXI, CComboBox)

BEGIN_MESSAGE_MAP(CComboBoxXI, CComboBox)
END_MESSAGE_MAP()

void CComboBoxXI::DrawItem(LPDRAWITEMSTRUCT drawItem)
{
    const int item = static_cast<int>(drawItem->itemID);
    if (item == -1)
        return;
    CDC* dc = CDC::FromHandle(drawItem->hDC);
    dc->SetBkMode(TRANSPARENT);
    CString text;
    GetLBText(item, text);
    const auto* iconIndex = reinterpret_cast<const int*>(GetItemData(item));
    if (iconIndex == nullptr)
        return;
    CRect area(drawItem->rcItem);
    int textLeft = area.left;
    if (m_pImageList != nullptr) {
        HICON icon = m_pImageList->ExtractIcon(*iconIndex);
        if (icon != nullptr) {
            dc->DrawState(CPoint(area.left + 2, area.top + 2), CSize(m_nIconWidth, m_nIconHeight), icon, DST_ICON,
                          static_cast<HBRUSH>(nullptr));
            DestroyIcon(icon);
        }
        textLeft = area.left + m_nIconWidth + 4;
    }
    dc->SetTextColor(GetSysColor((drawItem->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    CRect textArea(textLeft, area.top, area.right, area.bottom);
    dc->DrawText(text, &textArea, DT_SINGLELINE | DT_VCENTER | DT_WORDBREAK);
}

void CComboBoxXI::MeasureItem(LPMEASUREITEMSTRUCT measureItem)
{
    const auto* text = reinterpret_cast<LPCSTR>(measureItem->itemData);
    CClientDC dc(this);
    const CSize extent = dc.GetTextExtent(text ? text : "", text ? static_cast<int>(std::strlen(text)) : 0);
    const int height = std::max(static_cast<int>(extent.cy), m_nIconHeight + 4);
    measureItem->itemHeight = static_cast<UINT>(height);
    if (m_nStyleState == -1)
        m_nStyleState = (GetStyle() & 0x3u) == CBS_DROPDOWNLIST ? 1 : 0;
    if (m_nStyleState == 1 && height > m_nMaxItemHeight) {
        m_nMaxItemHeight = height;
        SetItemHeight(-1, static_cast<UINT>(height));
    }
}
