#include "platform/controls/CImageList.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/gdi_access.h"
#include "platform/gdi/icon.h"

struct HIMAGELIST__ {
    std::mutex mutex;
    int cx = 0;
    int cy = 0;
    // One picture a image, cx * cy opaque ARGB words.
    std::vector<std::vector<std::uint32_t>> images;
};

namespace {

struct Lists {
    std::mutex mutex;
    std::map<HIMAGELIST, std::shared_ptr<HIMAGELIST__>> live;
};

Lists& lists()
{
    static Lists* l = new Lists;
    return *l;
}

std::shared_ptr<HIMAGELIST__> find(HIMAGELIST list)
{
    Lists& l = lists();
    std::lock_guard lock(l.mutex);
    auto it = l.live.find(list);
    return it == l.live.end() ? nullptr : it->second;
}

// The bitmap's pixels at (x0, 0) as one cx x cy image; black outside the bitmap.
bool cut(HBITMAP bitmap, int x0, int cx, int cy, std::vector<std::uint32_t>* out)
{
    cairo_surface_t* s = platform::gdi::BitmapSurface(bitmap);
    if (s == nullptr) return false;
    cairo_surface_flush(s);
    int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    out->assign(static_cast<std::size_t>(cx) * cy, 0xFF000000u);
    if (data == nullptr) return true;
    for (int y = 0; y < std::min(cy, h); ++y) {
        auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < cx && x0 + x < w; ++x) (*out)[static_cast<std::size_t>(y) * cx + x] = row[x0 + x] | 0xFF000000u;
    }
    return true;
}

int bitmapWidth(HBITMAP bitmap)
{
    BITMAP bm{};
    return ::GetObject(bitmap, sizeof bm, &bm) ? bm.bmWidth : -1;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT, int initial, int)
{
    if (cx < 1 || cy < 1) return nullptr;
    auto list = std::make_shared<HIMAGELIST__>();
    list->cx = cx, list->cy = cy;
    list->images.reserve(static_cast<std::size_t>(std::max(0, initial)));
    Lists& l = lists();
    std::lock_guard lock(l.mutex);
    l.live.emplace(list.get(), list);
    return list.get();
}

BOOL ImageList_Destroy(HIMAGELIST list)
{
    std::shared_ptr<HIMAGELIST__> gone;
    Lists& l = lists();
    std::lock_guard lock(l.mutex);
    auto it = l.live.find(list);
    if (it == l.live.end()) return FALSE;
    gone = std::move(it->second);  // freed once no other call still uses it
    l.live.erase(it);
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST handle)
{
    auto list = find(handle);
    if (!list) return 0;
    std::lock_guard lock(list->mutex);
    return static_cast<int>(list->images.size());
}

BOOL ImageList_SetImageCount(HIMAGELIST handle, UINT count)
{
    auto list = find(handle);
    if (!list) return FALSE;
    std::lock_guard lock(list->mutex);
    list->images.resize(count, std::vector<std::uint32_t>(static_cast<std::size_t>(list->cx) * list->cy, 0xFF000000u));
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy)
{
    auto list = find(handle);
    if (!list || !cx || !cy) return FALSE;
    *cx = list->cx, *cy = list->cy;
    return TRUE;
}

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP)
{
    auto list = find(handle);
    int w = bitmapWidth(image);
    if (!list || w < 0) return -1;
    int n = std::max(1, w / list->cx);
    std::vector<std::vector<std::uint32_t>> cuts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        if (!cut(image, i * list->cx, list->cx, list->cy, &cuts[static_cast<std::size_t>(i)])) return -1;
    std::lock_guard lock(list->mutex);
    int first = static_cast<int>(list->images.size());
    for (auto& c : cuts) list->images.push_back(std::move(c));
    return first;
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF) { return ImageList_Add(list, image, nullptr); }

BOOL ImageList_Replace(HIMAGELIST handle, int index, HBITMAP image, HBITMAP)
{
    auto list = find(handle);
    if (!list) return FALSE;
    std::vector<std::uint32_t> pixels;
    if (!cut(image, 0, list->cx, list->cy, &pixels)) return FALSE;
    std::lock_guard lock(list->mutex);
    if (index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
    list->images[static_cast<std::size_t>(index)] = std::move(pixels);
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST handle, int index, HDC dc, int x, int y, UINT)
{
    auto list = find(handle);
    if (!list) return FALSE;
    cairo_t* cr = platform::gdi::CairoOf(dc);
    if (cr == nullptr) return FALSE;
    std::lock_guard lock(list->mutex);
    if (index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
    auto& pixels = list->images[static_cast<std::size_t>(index)];
    cairo_surface_t* source = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_RGB24,
                                                                  list->cx, list->cy, list->cx * 4);
    cairo_save(cr);
    cairo_set_source_surface(cr, source, x, y);
    cairo_rectangle(cr, x, y, list->cx, list->cy);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(source);
    cairo_surface_flush(platform::gdi::SurfaceOf(dc));
    return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST handle, int index, UINT)
{
    auto list = find(handle);
    if (!list) return nullptr;
    std::lock_guard lock(list->mutex);
    if (index < 0 || index >= static_cast<int>(list->images.size())) return nullptr;
    return platform::gdi::CreateIconFromPixels(list->cx, list->cy, list->images[static_cast<std::size_t>(index)].data(), list->cx * 4);
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    if (m_hImageList != nullptr) return FALSE;
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList()
{
    if (m_hImageList == nullptr) return FALSE;
    BOOL ok = ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return ok;
}

BOOL CImageList::Attach(HIMAGELIST list)
{
    if (m_hImageList != nullptr || list == nullptr) return FALSE;
    m_hImageList = list;
    return TRUE;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST h = m_hImageList;
    m_hImageList = nullptr;
    return h;
}

int CImageList::Add(CBitmap* image, CBitmap* mask)
{
    return ImageList_Add(m_hImageList, image ? static_cast<HBITMAP>(*image) : nullptr, mask ? static_cast<HBITMAP>(*mask) : nullptr);
}

int CImageList::Add(CBitmap* image, COLORREF mask)
{
    return ImageList_AddMasked(m_hImageList, image ? static_cast<HBITMAP>(*image) : nullptr, mask);
}

BOOL CImageList::Replace(int index, CBitmap* image, CBitmap* mask)
{
    return ImageList_Replace(m_hImageList, index, image ? static_cast<HBITMAP>(*image) : nullptr, mask ? static_cast<HBITMAP>(*mask) : nullptr);
}

BOOL CImageList::Draw(CDC* dc, int index, POINT p, UINT style)
{
    return dc ? ImageList_Draw(m_hImageList, index, *dc, p.x, p.y, style) : FALSE;
}
