// Shape editing of the OpenGL control base through mouse messages: rectangles, their handles
// and delete box, polygons, points and their Compare-mode twins, and the tool and navigate
// switches. The control shows a 256 x 192 image at 1:1, so window pixels are image pixels.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/user/input.h"
#include "tests/view/ViewTestSupport.h"
#include "view/COGLStatic.h"

namespace {

using namespace view_test;

struct Event {
    int kind, index, event;
    std::size_t listSize;  // size of the shape's list when the event came
    bool operator==(const Event& o) const { return std::tie(kind, index, event, listSize) == std::tie(o.kind, o.index, o.event, o.listSize); }
};

class EditControl : public COGLStatic {
public:
    EditControl() { m_renderer.AllocateViews(1); }
    void OnShapeChanged(int kind, int index, int event) override
    {
        const RenderView& v = m_renderer.m_pViews[0];
        events.push_back(Event{kind, index, event, kind == SHAPE_RECT ? v.rects.size() : v.polygons.size()});
    }
    std::vector<Event> events;
};

class ShapeEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.CreateTop(256, 192));
        ASSERT_TRUE(ctl.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 256, 192), &host, 100));
        hwnd = ctl.GetSafeHwnd();
        v = &ctl.m_renderer.m_pViews[0];
        v->imageWidth = 256;
        v->imageHeight = 192;
        ctl.m_renderer.LayoutView(0);
        ASSERT_EQ(v->viewport.w, 256);
        ASSERT_EQ(v->viewport.h, 192);
    }
    void TearDown() override
    {
        ctl.DestroyWindow();
        host.DestroyWindow();
        ClipCursor(nullptr);
    }
    // Draws and commits a rectangle with the rectangle tool.
    void AddRect(int x0, int y0, int x1, int y1)
    {
        ctl.m_nTool = TOOL_RECT;
        Drag(hwnd, x0, y0, x1, y1);
    }
    void AddPolygon(std::initializer_list<POINT> pts)
    {
        ctl.m_nTool = TOOL_POLYGON;
        for (POINT p : pts)
            Click(hwnd, p.x, p.y);
        RightPress(hwnd, 0, 0);
    }
    static void ExpectRect(const RectShape* r, int x, int y, int w, int h)
    {
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->x, x);
        EXPECT_EQ(r->y, y);
        EXPECT_EQ(r->w, w);
        EXPECT_EQ(r->h, h);
    }

    HostWnd host;
    HWND hwnd = nullptr;
    EditControl ctl;
    RenderView* v = nullptr;
};

TEST_F(ShapeEditing, StartValues)
{
    EXPECT_EQ(ctl.m_nTool, TOOL_NONE);
    EXPECT_EQ(ctl.m_nActiveView, -1);
    EXPECT_EQ(ctl.m_bNavigate, 0);
    EXPECT_EQ(ctl.m_nDisplayMode, 0);
    EXPECT_STREQ(ctl.GetRuntimeClass()->m_lpszClassName, "COGLStatic");
}

TEST_F(ShapeEditing, DraggedRectangleIsAddedAndStaysSelected)
{
    AddRect(10, 10, 30, 25);
    ASSERT_EQ(v->rects.size(), 1u);
    ExpectRect(v->rects[0], 10, 10, 20, 15);
    EXPECT_EQ(v->selectedRect, v->rects[0]);
    EXPECT_EQ(ctl.events, (std::vector<Event>{{SHAPE_RECT, 0, SHAPE_ADDED, 1}}));
    EXPECT_EQ(ctl.m_nActiveView, 0);
}

TEST_F(ShapeEditing, RectangleOfTwentyPixelsOrLessIsDiscarded)
{
    AddRect(10, 10, 14, 14);
    EXPECT_TRUE(v->rects.empty());
    EXPECT_EQ(v->selectedRect, nullptr);
    EXPECT_TRUE(ctl.events.empty());
    AddRect(10, 10, 10, 10);  // a click
    EXPECT_TRUE(v->rects.empty());
}

TEST_F(ShapeEditing, RectangleDrawnTowardTheUpperLeftIsNormalised)
{
    AddRect(30, 25, 10, 10);
    ASSERT_EQ(v->rects.size(), 1u);
    ExpectRect(v->rects[0], 10, 10, 20, 15);
    AddRect(100, 10, 80, 40);  // toward the lower left
    ASSERT_EQ(v->rects.size(), 2u);
    ExpectRect(v->rects[1], 80, 10, 20, 30);
    // Normalised rectangles are found by the hit test.
    EXPECT_EQ(v->HitTestRect(20, 20), v->rects[0]);
}

TEST_F(ShapeEditing, RectangleBeingDrawnFollowsThePointer)
{
    ctl.m_nTool = TOOL_RECT;
    Press(hwnd, 10, 10);
    Move(hwnd, 40, 30);
    ExpectRect(v->selectedRect, 10, 10, 30, 20);
    EXPECT_EQ(v->SelectedRectIndex(), -1);
    Move(hwnd, 14, 14);
    ExpectRect(v->selectedRect, 10, 10, 4, 4);
    EXPECT_TRUE(ctl.events.empty());
    Release(hwnd, 14, 14);
    EXPECT_TRUE(v->rects.empty());
}

TEST_F(ShapeEditing, DeleteBoxNotifiesBeforeTheRectangleLeaves)
{
    AddRect(10, 10, 30, 25);
    ctl.events.clear();
    Click(hwnd, 31, 12);
    EXPECT_TRUE(v->rects.empty());
    EXPECT_EQ(v->selectedRect, nullptr);
    EXPECT_EQ(v->handle, -1);
    EXPECT_EQ(ctl.events, (std::vector<Event>{{SHAPE_RECT, 0, SHAPE_DELETED, 1}}));
}

TEST_F(ShapeEditing, CornerHandlesResize)
{
    struct Case {
        POINT press;
        int handle;
        int x, y, w, h;
    };
    const Case cases[] = {
        {{11, 11}, 0, 12, 13, 18, 12},  // top left: the bottom right corner stays
        {{28, 23}, 2, 10, 10, 22, 18},  // bottom right
        {{28, 12}, 1, 10, 10, 20, 15},  // top right: no change, but notified
        {{11, 23}, 3, 10, 10, 20, 15},  // bottom left: likewise
    };
    for (const Case& c : cases) {
        v->Clear();
        AddRect(10, 10, 30, 25);
        ctl.events.clear();
        Press(hwnd, c.press.x, c.press.y);
        EXPECT_EQ(v->handle, c.handle);
        Move(hwnd, c.press.x + 2, c.press.y + 3);
        Release(hwnd, c.press.x + 2, c.press.y + 3);
        ExpectRect(v->rects[0], c.x, c.y, c.w, c.h);
        EXPECT_EQ(ctl.events, (std::vector<Event>{{SHAPE_RECT, 0, SHAPE_CHANGED, 1}})) << c.handle;
    }
}

TEST_F(ShapeEditing, PressInsideMovesTheRectangle)
{
    AddRect(10, 10, 30, 25);
    ctl.events.clear();
    Press(hwnd, 20, 18);
    EXPECT_EQ(v->selectedRect, v->rects[0]);
    EXPECT_EQ(v->handle, -1);
    Move(hwnd, 25, 20);
    Move(hwnd, 25, 20);  // no change of the point, no step
    Move(hwnd, 27, 21);
    Release(hwnd, 27, 21);
    ExpectRect(v->rects[0], 17, 13, 20, 15);
    EXPECT_EQ(ctl.events.size(), 2u);
}

TEST_F(ShapeEditing, RectangleToolPressOutsideStartsANewRectangle)
{
    AddRect(10, 10, 30, 25);
    Press(hwnd, 100, 100);
    ASSERT_NE(v->selectedRect, nullptr);
    EXPECT_EQ(v->SelectedRectIndex(), -1);
    Move(hwnd, 120, 120);
    Release(hwnd, 120, 120);
    EXPECT_EQ(v->rects.size(), 2u);
}

TEST_F(ShapeEditing, PolygonToolPressOutsideOnlyClearsTheSelection)
{
    AddRect(10, 10, 30, 25);
    ctl.m_nTool = TOOL_POLYGON;
    Click(hwnd, 100, 100);
    EXPECT_EQ(v->selectedRect, nullptr);
    EXPECT_EQ(v->selectedPolygon, nullptr);
    Click(hwnd, 100, 100);  // now a polygon starts
    ASSERT_NE(v->selectedPolygon, nullptr);
    EXPECT_EQ(v->selectedPolygon->m_points.size(), 1u);
}

TEST_F(ShapeEditing, PolygonIsClosedByTheRightButton)
{
    AddPolygon({{20, 20}, {60, 20}, {40, 50}});
    ASSERT_EQ(v->polygons.size(), 1u);
    EXPECT_EQ(v->selectedPolygon, nullptr);
    EXPECT_EQ(v->polygons[0]->m_points.size(), 3u);
    EXPECT_EQ(ctl.events, (std::vector<Event>{{SHAPE_POLYGON, 0, SHAPE_ADDED, 1}}));
    EXPECT_EQ(v->HitTestPolygon(40, 30), v->polygons[0]);  // the mask was built
}

TEST_F(ShapeEditing, PolygonOfTwoVerticesIsDiscarded)
{
    AddPolygon({{20, 20}, {60, 20}});
    EXPECT_TRUE(v->polygons.empty());
    EXPECT_EQ(v->selectedPolygon, nullptr);
    EXPECT_TRUE(ctl.events.empty());
}

TEST_F(ShapeEditing, PolygonVertexIsGrabbedMovedAndReleased)
{
    AddPolygon({{20, 20}, {60, 20}, {40, 50}});
    ctl.events.clear();
    Click(hwnd, 40, 30);  // selects it
    ASSERT_EQ(v->selectedPolygon, v->polygons[0]);
    Press(hwnd, 61, 22);  // within 3 pixels of vertex 1
    EXPECT_EQ(v->handle, 1);
    Move(hwnd, 70, 25);
    Move(hwnd, 80, 30);
    EXPECT_EQ(v->polygons[0]->m_points[1].x, 80);
    EXPECT_EQ(v->polygons[0]->m_points[1].y, 30);
    Release(hwnd, 80, 30);
    EXPECT_EQ(v->handle, -1);
    EXPECT_EQ(ctl.events, (std::vector<Event>{{SHAPE_POLYGON, 0, SHAPE_CHANGED, 1}, {SHAPE_POLYGON, 0, SHAPE_CHANGED, 1}}));
    EXPECT_EQ(v->HitTestPolygon(60, 30), v->polygons[0]);  // the mask follows
}

TEST_F(ShapeEditing, PolygonMovesWithThePointer)
{
    AddPolygon({{20, 20}, {60, 20}, {40, 50}});
    Click(hwnd, 40, 30);
    Press(hwnd, 40, 30);
    Move(hwnd, 45, 33);
    Release(hwnd, 45, 33);
    const std::vector<POINT>& p = v->polygons[0]->m_points;
    EXPECT_EQ(p[0].x, 25);
    EXPECT_EQ(p[0].y, 23);
    EXPECT_EQ(p[2].x, 45);
    EXPECT_EQ(p[2].y, 53);
}

TEST_F(ShapeEditing, PolygonDeleteBox)
{
    AddPolygon({{20, 20}, {60, 20}, {40, 50}});
    Click(hwnd, 40, 30);
    ctl.events.clear();
    Click(hwnd, 23, 17);  // 3 right of and 3 above the first vertex
    EXPECT_TRUE(v->polygons.empty());
    EXPECT_EQ(v->selectedPolygon, nullptr);
    EXPECT_EQ(ctl.events, (std::vector<Event>{{SHAPE_POLYGON, 0, SHAPE_DELETED, 1}}));
}

TEST_F(ShapeEditing, PointsToggle)
{
    ctl.m_nTool = TOOL_POINT;
    Click(hwnd, 40, 50);
    Click(hwnd, 80, 60);
    ASSERT_EQ(v->points.size(), 2u);
    Click(hwnd, 82, 58);  // within 3 pixels: removed
    ASSERT_EQ(v->points.size(), 1u);
    EXPECT_EQ(v->points[0].x, 40);
    Click(hwnd, 83, 60);  // 3 pixels off: a new point
    EXPECT_EQ(v->points.size(), 2u);
}

// Through the window layer's input: the second of two quick clicks comes as a double-click (the
// static class takes them) and must still place its point.
TEST_F(ShapeEditing, TwoQuickClicksPlaceTwoPoints)
{
    namespace input = platform::user::input;
    ctl.m_nTool = TOOL_POINT;
    for (int x : {40, 44}) {  // within the double-click distance, beyond a point's 3 pixels
        input::MouseButton(POINT{x, 50}, input::Button::Left, true);
        input::MouseButton(POINT{x, 50}, input::Button::Left, false);
    }
    Pump();
    ASSERT_EQ(v->points.size(), 2u);
    EXPECT_EQ(v->points[0].x, 40);
    EXPECT_EQ(v->points[1].x, 44);
}

TEST_F(ShapeEditing, ComparePointsComeWithTheirTwins)
{
    ctl.m_nDisplayMode = 2;
    ctl.m_nTool = TOOL_POINT;
    Click(hwnd, 40, 50);
    ASSERT_EQ(v->points.size(), 2u);
    EXPECT_EQ(v->points[1].x, 168);
    EXPECT_EQ(v->points[1].y, 50);
    Click(hwnd, 41, 51);
    EXPECT_TRUE(v->points.empty());
    Press(hwnd, 200, 50);  // the right half takes no input
    EXPECT_EQ(ctl.m_bPressed, 0);
    EXPECT_EQ(ctl.m_nActiveView, -1);
    Release(hwnd, 200, 50);
    EXPECT_TRUE(v->points.empty());
}

TEST_F(ShapeEditing, ToolNoneKeepsHandlesButCreatesNothing)
{
    AddRect(10, 10, 30, 25);
    ctl.m_nTool = TOOL_NONE;
    Drag(hwnd, 28, 23, 30, 26);  // bottom right handle
    ExpectRect(v->rects[0], 10, 10, 22, 18);
    Click(hwnd, 100, 100);
    EXPECT_EQ(v->selectedRect, nullptr);
    EXPECT_EQ(v->rects.size(), 1u);
    Click(hwnd, 20, 20);  // inside, but nothing is selected with no tool
    EXPECT_EQ(v->selectedRect, nullptr);

    ctl.m_nTool = TOOL_RECT;
    Click(hwnd, 20, 20);
    ASSERT_EQ(v->selectedRect, v->rects[0]);
    ctl.m_nTool = TOOL_NONE;
    Click(hwnd, 33, 12);  // the delete box still works
    EXPECT_TRUE(v->rects.empty());
}

TEST_F(ShapeEditing, NavigateWithoutModifiersOnlyMovesThePressPoint)
{
    AddRect(10, 10, 30, 25);
    ctl.m_bNavigate = 1;
    ctl.events.clear();
    Press(hwnd, 20, 18);
    Move(hwnd, 40, 40);
    EXPECT_EQ(ctl.m_ptPress.x, 40);
    EXPECT_EQ(ctl.m_ptPress.y, 40);
    Release(hwnd, 40, 40);
    ExpectRect(v->rects[0], 10, 10, 20, 15);
    EXPECT_EQ(v->pan.x, 0);
    EXPECT_TRUE(ctl.events.empty());
}

// A press the control loses before its release (a menu or a dialog opened meanwhile, or the
// capture taken by another window) ends as the release would; later moves change nothing.
TEST_F(ShapeEditing, ADrawingPressEndedByAModeCancelKeepsTheRectangleDrawnSoFar)
{
    ctl.m_nTool = TOOL_RECT;
    Press(hwnd, 10, 10);
    Move(hwnd, 30, 25);
    SendMessage(hwnd, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(ctl.m_bPressed, 0);
    Move(hwnd, 60, 60);
    ASSERT_EQ(v->rects.size(), 1u);
    ExpectRect(v->rects[0], 10, 10, 20, 15);
    EXPECT_EQ(ctl.events, (std::vector<Event>{{SHAPE_RECT, 0, SHAPE_ADDED, 1}}));
}

TEST_F(ShapeEditing, ANavigatingPressEndsWhenAnotherWindowTakesTheCapture)
{
    ctl.m_bNavigate = 1;
    Press(hwnd, 10, 10);
    ASSERT_EQ(GetCapture(), hwnd);
    host.SetCapture();
    EXPECT_EQ(ctl.m_bPressed, 0);
    Move(hwnd, 40, 40);
    EXPECT_EQ(ctl.m_ptPress.x, 10);
    EXPECT_EQ(GetCapture(), host.GetSafeHwnd());
    ReleaseCapture();
}

TEST_F(ShapeEditing, PressOutsideEveryViewIsNotTracked)
{
    ctl.m_renderer.m_pViews[0].target = ViewRect{0, 0, 256, 192};
    v->zoom = 0.5f;
    ctl.m_renderer.LayoutView(0);  // a 128 x 96 viewport in the middle
    ctl.m_nTool = TOOL_RECT;
    Press(hwnd, 5, 5);
    EXPECT_EQ(ctl.m_bPressed, 0);
    EXPECT_EQ(v->selectedRect, nullptr);
    Move(hwnd, 100, 100);
    Release(hwnd, 100, 100);
    EXPECT_TRUE(v->rects.empty());
}

TEST_F(ShapeEditing, ClearWhileDrawingReleasesTheShape)
{
    ctl.m_nTool = TOOL_POLYGON;
    Click(hwnd, 20, 20);
    Click(hwnd, 40, 20);
    v->Clear();
    EXPECT_EQ(v->selectedPolygon, nullptr);
    RightPress(hwnd, 0, 0);  // nothing left to close
    EXPECT_TRUE(v->polygons.empty());

    ctl.m_nTool = TOOL_RECT;
    Press(hwnd, 10, 10);
    Move(hwnd, 40, 40);
    v->Clear();
    Move(hwnd, 50, 50);
    Release(hwnd, 50, 50);
    EXPECT_TRUE(v->rects.empty());
    EXPECT_TRUE(ctl.events.empty());
}

}  // namespace
