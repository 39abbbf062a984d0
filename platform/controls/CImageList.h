// Image lists: rows of equally sized pictures, found by index, drawn into device contexts. An
// image list may be filled on one thread while another draws from it; every call takes the list's
// own lock.
#pragma once

#include "platform/gdi/gdi.h"

struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;

// Creation flags: the colour depth of the images (pictures are kept at 32 bits whatever is asked).
#define ILC_COLOR 0x0000u
#define ILC_COLOR24 0x0018u
#define ILC_COLOR32 0x0020u
// Draw styles.
#define ILD_NORMAL 0x0000u
#define ILD_TRANSPARENT 0x0001u

// NULL for a size below 1.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
// Grows the list with black images, or drops the images past `count`.
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Adds the bitmap as width / cx images (at least one), cut from its left edge; each is cx x cy,
// taken from the bitmap's top-left and black where the bitmap is smaller. Returns the index of the
// first new image, -1 on failure. The mask is not kept: these lists are made without one, so the
// images draw opaque.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask);
// Replaces image `index` with the bitmap's top-left cx x cy pixels; FALSE for an index out of range.
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// Draws image `index` with its top-left corner at (x, y).
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// A new icon of image `index` (DestroyIcon frees it); NULL for an index out of range.
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);

// The class library's wrapper. It owns the list it created and destroys it with itself.
class CImageList {
public:
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    virtual ~CImageList() { DeleteImageList(); }

    HIMAGELIST m_hImageList = nullptr;

    operator HIMAGELIST() const { return m_hImageList; }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    BOOL DeleteImageList();
    BOOL Attach(HIMAGELIST list);
    HIMAGELIST Detach();

    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    BOOL SetImageCount(UINT count) { return ImageList_SetImageCount(m_hImageList, count); }
    int Add(CBitmap* image, CBitmap* mask);
    int Add(CBitmap* image, COLORREF mask);
    BOOL Replace(int index, CBitmap* image, CBitmap* mask);
    BOOL Draw(CDC* dc, int index, POINT p, UINT style);
    HICON ExtractIcon(int index) { return ImageList_GetIcon(m_hImageList, index, ILD_NORMAL); }
};
