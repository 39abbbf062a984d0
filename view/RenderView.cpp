#include "view/RenderView.h"

#include <algorithm>

namespace {

// One axis of the layout (x with widths, or y with heights).
void LayoutAxis(int targetOffset, int targetSize, std::uint32_t imageSize, float zoom, int& sourceOffset,
                int& sourceSize, LONG& pan, int& viewportOffset, int& viewportSize)
{
    const int scaled = static_cast<int>(static_cast<float>(imageSize) * zoom);
    if (targetSize < scaled) {
        if (pan < 0)
            pan = 0;
        if (pan > scaled - targetSize)
            pan = scaled - targetSize;
        sourceOffset = static_cast<int>(static_cast<float>(pan) / zoom);
        sourceSize = static_cast<int>(static_cast<float>(targetSize) / zoom);
        viewportOffset = targetOffset;
        viewportSize = targetSize;
    } else {
        sourceOffset = 0;
        sourceSize = static_cast<int>(imageSize);
        pan = -((targetSize - scaled) >> 1);
        viewportSize = static_cast<int>(static_cast<unsigned>(static_cast<float>(imageSize) * zoom));
        const float margin = static_cast<float>(targetSize) - static_cast<float>(imageSize) * zoom;
        viewportOffset = static_cast<int>(targetOffset + static_cast<double>(margin) * 0.5);
    }
}

// Image coordinate of a window coordinate, rounded half up (toward zero after adding the half).
int ToImage(int window, int viewportOffset, int sourceOffset, float zoom)
{
    const float v = static_cast<float>(window - viewportOffset) / zoom + static_cast<float>(sourceOffset);
    return static_cast<int>(static_cast<double>(v) + 0.5);
}

int ToWindow(int image, int sourceOffset, int viewportOffset, float zoom)
{
    const float v = static_cast<float>(image - sourceOffset) * zoom + static_cast<float>(viewportOffset);
    return static_cast<int>(static_cast<double>(v) + 0.5);
}

template <class T>
int IndexOf(const std::vector<T*>& list, const T* item)
{
    if (!item)
        return -1;
    auto it = std::find(list.begin(), list.end(), item);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace

RenderView::~RenderView()
{
    Clear();
}

void RenderView::Clear()
{
    points.clear();
    if (selectedRect && !IsListed(selectedRect))
        delete selectedRect;
    if (selectedPolygon && !IsListed(selectedPolygon))
        delete selectedPolygon;
    for (RectShape* r : rects)
        delete r;
    for (PolygonShape* p : polygons)
        delete p;
    rects.clear();
    polygons.clear();
    selectedRect = nullptr;
    selectedPolygon = nullptr;
}

int RenderView::SelectedRectIndex() const
{
    return IndexOf(rects, selectedRect);
}

int RenderView::SelectedPolygonIndex() const
{
    return IndexOf(polygons, selectedPolygon);
}

bool RenderView::IsListed(const RectShape* rect) const
{
    return IndexOf(rects, rect) >= 0;
}

bool RenderView::IsListed(const PolygonShape* polygon) const
{
    return IndexOf(polygons, polygon) >= 0;
}

int RenderView::WindowX(int imageX) const
{
    return ToWindow(imageX, source.x, viewport.x, zoom);
}

int RenderView::WindowY(int imageY) const
{
    return ToWindow(imageY, source.y, viewport.y, zoom);
}

int RenderView::WindowLength(float imageLength) const
{
    return static_cast<int>(static_cast<double>(imageLength * zoom) + 0.5);
}

RectShape* RenderView::HitTestRect(int x, int y) const
{
    for (RectShape* r : rects) {
        const int left = WindowX(r->x);
        const int top = WindowY(r->y);
        const int width = WindowLength(static_cast<float>(r->w));
        const int height = WindowLength(static_cast<float>(r->h));
        if (left < x && x < left + width && top < y && y < top + height)
            return r;
    }
    return nullptr;
}

PolygonShape* RenderView::HitTestPolygon(int x, int y) const
{
    POINT p;
    ClientToImage(POINT{x, y}, p);
    for (PolygonShape* poly : polygons) {
        const PolygonMask& m = poly->m_mask;
        // The box corner is kept unsigned; a shape moved past the image's left or top edge has a
        // negative corner.
        const int bx = static_cast<std::int32_t>(m.m_nLeft);
        const int by = static_cast<std::int32_t>(m.m_nTop);
        const int row = static_cast<int>((p.y + 0.5) - by);
        const int column = static_cast<int>((p.x + 0.5) - bx);
        if (row < 0 || row >= static_cast<int>(m.m_nHeight) || !m.m_pRows)
            continue;
        const PolygonRow& spans = m.m_pRows[row];
        for (std::uint32_t k = 0; k < spans.count; ++k) {
            if (spans.spans[k].start <= column && column < spans.spans[k].end)
                return poly;
        }
    }
    return nullptr;
}

void RenderView::ClientToImage(const POINT& window, POINT& image) const
{
    image.x = ToImage(window.x, viewport.x, source.x, zoom);
    image.y = ToImage(window.y, viewport.y, source.y, zoom);
}

POINT RenderView::FlipPoint(POINT p) const
{
    if (flip & 1)
        p.x = static_cast<int>(imageWidth) - p.x - 1;
    if (flip & 2)
        p.y = static_cast<int>(imageHeight) - p.y - 1;
    return p;
}

void RenderView::Layout()
{
    LayoutAxis(target.x, target.w, imageWidth, zoom, source.x, source.w, pan.x, viewport.x, viewport.w);
    LayoutAxis(target.y, target.h, imageHeight, zoom, source.y, source.h, pan.y, viewport.y, viewport.h);
}

void RenderView::Pan(int dx, int dy)
{
    if (imageWidth == 0)
        return;
    pan.x += dx;
    pan.y += dy;
    Layout();
}

void RenderView::ZoomAt(int x, int y, float newZoom)
{
    const float old = zoom;
    zoom = newZoom;
    if (imageWidth == 0)
        return;
    const int ix = static_cast<int>(static_cast<float>(pan.x + x) / old);
    const int iy = static_cast<int>(static_cast<float>(pan.y + y) / old);
    pan.x = static_cast<int>(static_cast<float>(ix) * newZoom - static_cast<float>(x));
    pan.y = static_cast<int>(static_cast<float>(iy) * newZoom - static_cast<float>(y));
    Layout();
}
