// The list-view control: items with a text and an image from the control's image list, shown as
// rows (report view, one column) with selection, a vertical scroll bar, mouse-wheel scrolling,
// custom-draw colours and the notifications the owner handles through WM_NOTIFY.
//
// The control keeps its items in its window object: create it through CListCtrl (or a class
// derived from it). Its messages may come from any thread (SendMessage carries them to the
// user-interface thread, which owns the items).
#pragma once

#include <memory>

#include "platform/controls/CImageList.h"
#include "platform/user/CWnd.h"

// Styles.
#define LVS_ICON 0x0000u
#define LVS_REPORT 0x0001u
#define LVS_SMALLICON 0x0002u
#define LVS_LIST 0x0003u
#define LVS_TYPEMASK 0x0003u
#define LVS_SINGLESEL 0x0004u
#define LVS_SHOWSELALWAYS 0x0008u
#define LVS_ALIGNLEFT 0x0800u
#define LVS_NOCOLUMNHEADER 0x4000u
#define LVS_EX_FULLROWSELECT 0x00000020u

// Messages.
#define LVM_FIRST 0x1000u
#define LVM_GETIMAGELIST (LVM_FIRST + 2)
#define LVM_SETIMAGELIST (LVM_FIRST + 3)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_GETITEMA (LVM_FIRST + 5)
#define LVM_SETITEMA (LVM_FIRST + 6)
#define LVM_INSERTITEMA (LVM_FIRST + 7)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_GETITEMPOSITION (LVM_FIRST + 16)
#define LVM_HITTEST (LVM_FIRST + 18)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_SCROLL (LVM_FIRST + 20)
#define LVM_INSERTCOLUMNA (LVM_FIRST + 27)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_GETITEMTEXTA (LVM_FIRST + 45)
#define LVM_SETITEMTEXTA (LVM_FIRST + 46)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETITEM LVM_GETITEMA
#define LVM_SETITEM LVM_SETITEMA
#define LVM_INSERTITEM LVM_INSERTITEMA
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNA
#define LVM_GETITEMTEXT LVM_GETITEMTEXTA
#define LVM_SETITEMTEXT LVM_SETITEMTEXTA

// Image lists of the control.
#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1

// Item fields, states, searches and rectangles.
#define LVIF_TEXT 0x0001u
#define LVIF_IMAGE 0x0002u
#define LVIF_PARAM 0x0004u
#define LVIF_STATE 0x0008u
#define LVIS_FOCUSED 0x0001u
#define LVIS_SELECTED 0x0002u
#define LVNI_ALL 0x0000u
#define LVNI_FOCUSED 0x0001u
#define LVNI_SELECTED 0x0002u
#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#define LVHT_NOWHERE 0x0001u
#define LVHT_ONITEMICON 0x0002u
#define LVHT_ONITEMLABEL 0x0004u
#define LVHT_ONITEM (LVHT_ONITEMICON | LVHT_ONITEMLABEL)
#define LVCF_FMT 0x0001u
#define LVCF_WIDTH 0x0002u
#define LVCF_TEXT 0x0004u
#define LVCFMT_LEFT 0x0000

// Notifications (NMHDR codes) and custom drawing.
#define NM_CLICK (0u - 2u)
#define NM_DBLCLK (0u - 3u)
#define NM_CUSTOMDRAW (0u - 12u)
#define LVN_ITEMCHANGED (0u - 101u)
#define CDDS_PREPAINT 0x00000001u
#define CDDS_POSTPAINT 0x00000002u
#define CDDS_ITEM 0x00010000u
#define CDDS_ITEMPREPAINT (CDDS_ITEM | CDDS_PREPAINT)
#define CDDS_ITEMPOSTPAINT (CDDS_ITEM | CDDS_POSTPAINT)
#define CDDS_SUBITEM 0x00020000u
#define CDRF_DODEFAULT 0x00000000u
#define CDRF_SKIPDEFAULT 0x00000004u
#define CDRF_NOTIFYPOSTPAINT 0x00000010u
#define CDRF_NOTIFYITEMDRAW 0x00000020u
#define CDRF_NOTIFYSUBITEMDRAW 0x00000020u
#define CDIS_SELECTED 0x0001u
#define CDIS_FOCUS 0x0010u

// Scroll bars (the control's own vertical bar).
#define SB_HORZ 0
#define SB_VERT 1
#define SB_BOTH 3
#define SB_LINEUP 0
#define SB_LINEDOWN 1
#define SB_PAGEUP 2
#define SB_PAGEDOWN 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_BOTTOM 7
#define SB_ENDSCROLL 8
#define ESB_ENABLE_BOTH 0x0000u
#define ESB_DISABLE_BOTH 0x0003u
#define SM_CXVSCROLL 2

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
using LVITEM = LVITEMA;
using LPLVITEM = LVITEM*;

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
};
using LVCOLUMN = LVCOLUMNA;

struct LVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
};

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
using LPNMLISTVIEW = NMLISTVIEW*;

struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};
using LPNMITEMACTIVATE = NMITEMACTIVATE*;

struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    HDC hdc;
    RECT rc;
    DWORD_PTR dwItemSpec;
    UINT uItemState;
    LPARAM lItemlParam;
};
using LPNMCUSTOMDRAW = NMCUSTOMDRAW*;

struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iSubItem;
};
using LPNMLVCUSTOMDRAW = NMLVCUSTOMDRAW*;

// Flat scroll bars: the control draws its bar flat already; enabling and disabling work on it.
BOOL InitializeFlatSB(HWND hwnd);
BOOL FlatSB_EnableScrollBar(HWND hwnd, int bar, UINT arrows);

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    CListCtrl();
    ~CListCtrl() override;

    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    using CWnd::Create;

    CImageList* SetImageList(CImageList* list, int which);
    CImageList* GetImageList(int which) const;
    DWORD SetExtendedStyle(DWORD style) { return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style)); }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    int InsertColumn(int column, LPCSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);

    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    int InsertItem(const LVITEM* item) { return static_cast<int>(SendMessage(LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(item))); }
    int InsertItem(int index, LPCSTR text);
    int InsertItem(int index, LPCSTR text, int image);
    BOOL GetItem(LVITEM* item) const { return static_cast<BOOL>(SendMessage(LVM_GETITEM, 0, reinterpret_cast<LPARAM>(item))); }
    BOOL SetItem(const LVITEM* item) { return static_cast<BOOL>(SendMessage(LVM_SETITEM, 0, reinterpret_cast<LPARAM>(item))); }
    BOOL DeleteItem(int index) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(index))); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    CString GetItemText(int index, int subItem) const;
    int GetItemText(int index, int subItem, LPSTR buffer, int size) const;
    BOOL SetItemText(int index, int subItem, LPCSTR text);
    DWORD_PTR GetItemData(int index) const;
    BOOL SetItemData(int index, DWORD_PTR data);
    UINT GetItemState(int index, UINT mask) const { return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask)); }
    BOOL SetItemState(int index, UINT state, UINT mask);
    int GetNextItem(int start, int flags) const { return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags)); }
    int GetSelectedCount() const;
    BOOL GetItemRect(int index, LPRECT rect, UINT code) const;
    BOOL GetItemPosition(int index, LPPOINT point) const
    {
        return static_cast<BOOL>(SendMessage(LVM_GETITEMPOSITION, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(point)));
    }
    int HitTest(CPoint point, UINT* flags = nullptr) const;
    int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
    int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
    BOOL EnsureVisible(int index, BOOL partialOk) { return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), partialOk)); }
    // Scrolls by pixels; the vertical distance is taken in whole rows, to the nearest.
    BOOL Scroll(CSize size) { return static_cast<BOOL>(SendMessage(LVM_SCROLL, static_cast<WPARAM>(size.cx), size.cy)); }

    // The vertical bar: its position is the top row; its limit is the last position it can take.
    int GetScrollPos(int bar) const;
    int GetScrollLimit(int bar) const;

    // The owner-draw request; the control draws its rows itself, so the default does nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT) {}

    // The list view's own handling of every message (items, painting, mouse, scrolling).
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The items and view state, kept by the control's window procedure.
    struct Model;

    DECLARE_MESSAGE_MAP()

private:
    std::unique_ptr<Model> m_model;
    CImageList* m_imageLists[2] = {nullptr, nullptr};

    friend BOOL FlatSB_EnableScrollBar(HWND, int, UINT);
};
