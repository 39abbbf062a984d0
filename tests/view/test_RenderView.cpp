// Layout, zoom, pan, wheel and drag steps, window-to-image mapping and hit tests of render views.
#include <gtest/gtest.h>

#include "view/RenderViewSet.h"

namespace {

// One view of a 256 x 192 image in a 640 x 480 target.
struct ViewFixture : ::testing::Test {
    RenderViewSet set;
    RenderView* v = nullptr;
    void SetUp() override
    {
        set.AllocateViews(1);
        v = &set.m_pViews[0];
        v->target = ViewRect{0, 0, 640, 480};
        v->imageWidth = 256;
        v->imageHeight = 192;
    }
};

TEST_F(ViewFixture, FreshRecordHasNoImageAndUnitZoom)
{
    RenderView fresh;
    EXPECT_EQ(fresh.imageWidth, 0u);
    EXPECT_FLOAT_EQ(fresh.zoom, 1.0f);
    EXPECT_EQ(fresh.flip, 0);
    EXPECT_EQ(fresh.handle, -1);
    EXPECT_EQ(fresh.selectedRect, nullptr);
}

TEST_F(ViewFixture, ZoomedImageLargerThanTargetIsClampedAndFillsIt)
{
    v->zoom = 4.0f;
    v->pan = POINT{-50, 1000};
    set.LayoutView(0);
    EXPECT_EQ(v->pan.x, 0);
    EXPECT_EQ(v->pan.y, 288);  // 768 - 480
    EXPECT_EQ(v->source.w, 160);
    EXPECT_EQ(v->source.h, 120);
    EXPECT_EQ(v->source.y, 72);  // 288 / 4
    EXPECT_EQ(v->viewport.x, 0);
    EXPECT_EQ(v->viewport.w, 640);
    EXPECT_EQ(v->viewport.h, 480);

    v->pan = POINT{1000, 0};
    set.LayoutView(0);
    EXPECT_EQ(v->pan.x, 384);  // 1024 - 640
    EXPECT_EQ(v->source.x, 96);
}

TEST_F(ViewFixture, FittingImageIsCentred)
{
    v->zoom = 2.0f;
    set.LayoutView(0);
    EXPECT_EQ(v->source.x, 0);
    EXPECT_EQ(v->source.w, 256);
    EXPECT_EQ(v->source.h, 192);
    EXPECT_EQ(v->pan.x, -64);
    EXPECT_EQ(v->pan.y, -48);
    EXPECT_EQ(v->viewport.x, 64);
    EXPECT_EQ(v->viewport.w, 512);
    EXPECT_EQ(v->viewport.y, 48);
    EXPECT_EQ(v->viewport.h, 384);
}

TEST_F(ViewFixture, OddMarginRoundsThePanTowardMinusInfinity)
{
    v->target = ViewRect{10, 0, 257, 192};
    set.LayoutView(0);
    EXPECT_EQ(v->pan.x, 0);  // -(1 >> 1)
    EXPECT_EQ(v->viewport.x, 10);  // trunc(10 + 0.5)
    v->target.w = 259;
    set.LayoutView(0);
    EXPECT_EQ(v->pan.x, -1);
    EXPECT_EQ(v->viewport.x, 11);
}

TEST_F(ViewFixture, NoImageGivesAnEmptyCentredViewport)
{
    v->imageWidth = v->imageHeight = 0;
    set.LayoutView(0);
    EXPECT_EQ(v->source.w, 0);
    EXPECT_EQ(v->viewport.w, 0);
    EXPECT_EQ(v->viewport.x, 320);
    EXPECT_EQ(v->viewport.y, 240);
}

TEST_F(ViewFixture, ZoomAtKeepsThePointAndIsLaidOut)
{
    v->zoom = 2.0f;
    set.LayoutView(0);
    set.ZoomAt(100, 100, 4.0f, 0);
    EXPECT_FLOAT_EQ(v->zoom, 4.0f);
    EXPECT_EQ(v->pan.x, 0);  // trunc(18 * 4 - 100) = -28, clamped
    EXPECT_EQ(v->pan.y, 4);  // trunc(26 * 4 - 100)
    EXPECT_EQ(v->source.y, 1);
}

TEST_F(ViewFixture, ZoomAtWithoutImageOnlyStoresTheZoom)
{
    v->imageWidth = 0;
    v->pan = POINT{7, 9};
    set.ZoomAt(100, 100, 4.0f, 0);
    EXPECT_FLOAT_EQ(v->zoom, 4.0f);
    EXPECT_EQ(v->pan.x, 7);
    EXPECT_EQ(v->pan.y, 9);
}

TEST_F(ViewFixture, PanMovesOnlyWithAnImage)
{
    v->zoom = 4.0f;
    set.LayoutView(0);
    set.Pan(40, 20, 0);
    EXPECT_EQ(v->pan.x, 40);
    EXPECT_EQ(v->pan.y, 20);
    EXPECT_EQ(v->source.x, 10);

    v->imageWidth = 0;
    set.Pan(40, 20, 0);
    EXPECT_EQ(v->pan.x, 40);
}

TEST_F(ViewFixture, WheelHalvesAndDoublesWithinItsLimits)
{
    v->zoom = 2.0f;
    set.LayoutView(0);
    set.OnWheel(0, 0, 120, 0);
    EXPECT_FLOAT_EQ(v->zoom, 2.0f);
    v->zoom = 4.0f;
    set.OnWheel(0, 0, 120, 0);
    EXPECT_FLOAT_EQ(v->zoom, 2.0f);

    v->zoom = 4.0f;
    const float expected[] = {8.0f, 16.0f, 16.0f, 16.0f};
    for (float z : expected) {
        set.OnWheel(0, 0, -120, 0);
        EXPECT_FLOAT_EQ(v->zoom, z);
    }
    // A zero delta counts as forward.
    set.OnWheel(0, 0, 0, 0);
    EXPECT_FLOAT_EQ(v->zoom, 8.0f);
}

TEST_F(ViewFixture, DragPansIn2DAndMovesTheCameraIn3D)
{
    v->zoom = 4.0f;
    set.LayoutView(0);
    set.OnDrag(8, 4, 0);
    EXPECT_EQ(v->pan.x, 8);
    EXPECT_EQ(v->pan.y, 4);
    set.OnAltDrag(10, 0);  // nothing in 2D
    EXPECT_FLOAT_EQ(set.m_fTransX, 0.0f);

    set.m_b3D = 1;
    set.OnDrag(2, 8, 0);  // |dx| <= |dy|: about X
    EXPECT_FLOAT_EQ(set.m_fRotX, -2.0f);
    set.OnDrag(8, 2, 0);  // about Z
    EXPECT_FLOAT_EQ(set.m_fRotZ, -2.0f);
    EXPECT_EQ(v->pan.x, 8);  // the view stays
    set.OnAltDrag(10, 2);
    EXPECT_FLOAT_EQ(set.m_fTransX, -1.0f);
    set.OnAltDrag(2, 10);
    EXPECT_FLOAT_EQ(set.m_fTransZ, 1.0f);
    set.OnWheel(0, 0, 120, 0);
    EXPECT_FLOAT_EQ(set.m_fTransY, 2.0f);
    set.OnWheel(0, 0, 0, 0);
    EXPECT_FLOAT_EQ(set.m_fTransY, 0.0f);
    EXPECT_FLOAT_EQ(v->zoom, 4.0f);
}

TEST_F(ViewFixture, ClientToImageRoundsHalfUp)
{
    v->target = ViewRect{0, 0, 1024, 768};
    v->zoom = 4.0f;
    set.LayoutView(0);
    POINT p;
    v->ClientToImage(POINT{5, 0}, p);
    EXPECT_EQ(p.x, 1);
    v->ClientToImage(POINT{6, 0}, p);
    EXPECT_EQ(p.x, 2);
    // Less than 1.5 pixels left of the image still maps to column 0.
    v->target = ViewRect{0, 0, 1028, 768};
    set.LayoutView(0);
    ASSERT_EQ(v->viewport.x, 2);
    v->ClientToImage(POINT{0, 0}, p);
    EXPECT_EQ(p.x, 0);
}

TEST_F(ViewFixture, HitTestRectIsStrictOnEverySide)
{
    v->target = ViewRect{0, 0, 256, 192};
    set.LayoutView(0);
    auto* r = new RectShape{10, 10, 20, 10};
    v->rects.push_back(r);
    struct Case {
        int x, y;
        bool hit;
    };
    const Case cases[] = {{10, 15, false}, {11, 15, true}, {29, 19, true}, {30, 15, false}, {15, 10, false}, {15, 20, false}};
    for (const Case& c : cases)
        EXPECT_EQ(v->HitTestRect(c.x, c.y) == r, c.hit) << c.x << "," << c.y;
}

TEST_F(ViewFixture, HitTestRectFindsTheFirstInListOrder)
{
    v->target = ViewRect{0, 0, 256, 192};
    set.LayoutView(0);
    auto* a = new RectShape{10, 10, 20, 20};
    auto* b = new RectShape{15, 15, 20, 20};
    auto* negative = new RectShape{60, 60, -20, -20};
    v->rects = {a, b, negative};
    EXPECT_EQ(v->HitTestRect(20, 20), a);
    EXPECT_EQ(v->HitTestRect(33, 33), b);
    EXPECT_EQ(v->HitTestRect(50, 50), nullptr);
}

TEST_F(ViewFixture, HitTestRectFollowsZoomAndViewport)
{
    v->zoom = 2.0f;
    set.LayoutView(0);  // viewport (64, 48)
    v->rects.push_back(new RectShape{10, 10, 20, 10});
    EXPECT_EQ(v->HitTestRect(64 + 21, 48 + 25), v->rects[0]);
    EXPECT_EQ(v->HitTestRect(64 + 20, 48 + 25), nullptr);
    EXPECT_EQ(v->HitTestRect(64 + 59, 48 + 39), v->rects[0]);
    EXPECT_EQ(v->HitTestRect(64 + 60, 48 + 25), nullptr);
}

TEST_F(ViewFixture, HitTestPolygonReadsTheMaskRow)
{
    v->target = ViewRect{0, 0, 256, 192};
    set.LayoutView(0);
    auto* poly = new PolygonShape;
    poly->m_points = {{20, 20}, {40, 20}, {40, 30}, {20, 30}};
    poly->UpdateMask();
    v->polygons.push_back(poly);
    EXPECT_EQ(v->HitTestPolygon(25, 25), poly);
    EXPECT_EQ(v->HitTestPolygon(45, 25), nullptr);
    // One row above the box is tested against its first row; two rows above miss.
    EXPECT_EQ(v->HitTestPolygon(25, 19), poly);
    EXPECT_EQ(v->HitTestPolygon(25, 18), nullptr);
    EXPECT_EQ(v->HitTestPolygon(25, 31), nullptr);
}

TEST_F(ViewFixture, SelectedIndexIsMinusOneForAShapeBeingDrawn)
{
    v->rects.push_back(new RectShape{1, 1, 10, 10});
    v->selectedRect = v->rects[0];
    EXPECT_EQ(v->SelectedRectIndex(), 0);
    auto* drawing = new RectShape{};
    v->selectedRect = drawing;
    EXPECT_EQ(v->SelectedRectIndex(), -1);
    EXPECT_EQ(v->SelectedPolygonIndex(), -1);
    v->Clear();  // releases the rectangle being drawn as well
}

TEST_F(ViewFixture, ClearEmptiesEverythingButKeepsTheHandle)
{
    v->points.push_back(POINT{1, 2});
    v->rects.push_back(new RectShape{1, 1, 10, 10});
    auto* poly = new PolygonShape;
    poly->m_points = {{0, 0}, {5, 0}, {5, 5}};
    v->polygons.push_back(poly);
    v->selectedPolygon = new PolygonShape;  // being drawn
    v->handle = 2;
    v->Clear();
    EXPECT_TRUE(v->points.empty());
    EXPECT_TRUE(v->rects.empty());
    EXPECT_TRUE(v->polygons.empty());
    EXPECT_EQ(v->selectedRect, nullptr);
    EXPECT_EQ(v->selectedPolygon, nullptr);
    EXPECT_EQ(v->handle, 2);
}

TEST_F(ViewFixture, FlipPointMirrorsAndFlips)
{
    struct Case {
        int flip;
        POINT in, out;
    };
    const Case cases[] = {{0, {10, 20}, {10, 20}}, {1, {10, 20}, {245, 20}}, {2, {10, 20}, {10, 171}}, {3, {0, 0}, {255, 191}}};
    for (const Case& c : cases) {
        v->flip = c.flip;
        const POINT p = v->FlipPoint(c.in);
        EXPECT_EQ(p.x, c.out.x) << c.flip;
        EXPECT_EQ(p.y, c.out.y) << c.flip;
    }
}

}  // namespace
