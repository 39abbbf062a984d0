// A renderer's per-view record: where the view may draw, which part of its image shows at which
// zoom and pan, how the image is flipped, and the measurement shapes placed on it. Layout turns
// target, image size, zoom and pan into the source rectangle and the viewport.
//
// Threads: views are read and written on the user-interface thread. The thermal display's worker
// reads view 0's rectangles only through a copy taken under the display lock (see COGLStatic).
#pragma once

#include <cstdint>
#include <vector>

#include "acquisition/RectShape.h"
#include "platform/kernel/win_types.h"
#include "view/PolygonShape.h"

// x, y, w, h; a target's and a viewport's y counts from the window's bottom edge, as glViewport.
struct ViewRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

class RenderView {
public:
    RenderView() = default;
    ~RenderView();
    RenderView(const RenderView&) = delete;
    RenderView& operator=(const RenderView&) = delete;

    // Empties the point list and deletes every rectangle and polygon. A shape that is still being
    // drawn (selected, not in its list) is deleted too: nothing else owns it. The handle stays.
    void Clear();

    // Position of the selected shape in its list; -1 when none or when it is being drawn.
    int SelectedRectIndex() const;
    int SelectedPolygonIndex() const;
    bool IsListed(const RectShape* rect) const;
    bool IsListed(const PolygonShape* polygon) const;

    // The first shape in list order under the window point, or null.
    RectShape* HitTestRect(int x, int y) const;
    PolygonShape* HitTestPolygon(int x, int y) const;
    // Window point to image pixel (rounded half up).
    void ClientToImage(const POINT& window, POINT& image) const;

    // Window coordinate of an image coordinate (x or y), and the window length of an image length.
    int WindowX(int imageX) const;
    int WindowY(int imageY) const;
    int WindowLength(float imageLength) const;

    // Display coordinates to frame coordinates and back (the same mapping): bit 0 of flip mirrors
    // the column, bit 1 flips the row.
    POINT FlipPoint(POINT p) const;

    // Recomputes source, pan and viewport from target, image size, zoom and pan.
    void Layout();
    // Moves the pan by (dx, dy) window pixels; nothing while there is no image.
    void Pan(int dx, int dy);
    // Sets the zoom keeping the image pixel under the point (from the target's top left) in place.
    void ZoomAt(int x, int y, float newZoom);

    ViewRect target;
    ViewRect viewport;
    std::uint32_t imageWidth = 0;
    std::uint32_t imageHeight = 0;
    ViewRect source;
    POINT pan{0, 0};
    float zoom = 1.0f;
    int flip = 0;
    std::vector<POINT> points;
    RectShapeList rects;
    RectShape* selectedRect = nullptr;
    PolygonShape* selectedPolygon = nullptr;
    PolygonShapeList polygons;
    int handle = -1;
};
