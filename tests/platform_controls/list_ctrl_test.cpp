// The list view as the thumbnail lists use it: rows of images with their file names, selection by
// the mouse, notifications to the owner, custom-draw colours, scrolling.
#include <string>

#include "tests/platform_controls/controls_test_support.h"

using controls_test::Host;
using controls_test::Opaque;
using controls_test::SolidBitmap;
using platform::user::input::Button;
using user_test::Pump;

namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_ALIGNLEFT | LVS_NOCOLUMNHEADER;
constexpr COLORREF kRowColour = RGB(0, 16, 27);
constexpr COLORREF kSelectedColour = RGB(50, 149, 250);

// A list that colours its rows itself and reads the selection on a click, as the thumbnail list
// does through its reflected notifications.
class ColouredList : public CListCtrl {
public:
    CString clicked;
    int clicks = 0;

    void OnClick(NMHDR*, LRESULT* result)
    {
        *result = 0;
        ++clicks;
        int i = GetNextItem(-1, LVNI_SELECTED);
        clicked = i >= 0 ? GetItemText(i, 0) : CString();
    }
    void OnCustomDraw(NMHDR* hdr, LRESULT* result)
    {
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
        *result = 0;
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT || cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            *result = CDRF_NOTIFYSUBITEMDRAW;
        } else if (cd->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
            cd->clrText = RGB(255, 255, 255);
            bool selected = GetItemState(static_cast<int>(cd->nmcd.dwItemSpec), LVIS_SELECTED) != 0;
            cd->clrTextBk = selected ? kSelectedColour : kRowColour;
        }
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ColouredList, CListCtrl)
ON_NOTIFY_REFLECT(NM_CLICK, &ColouredList::OnClick)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &ColouredList::OnCustomDraw)
END_MESSAGE_MAP()

const COLORREF kImageColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};

template <class List>
class ListTest : public user_test::UserTest {
protected:
    Host host;
    List list;
    CImageList images;

    void SetUp() override
    {
        ASSERT_TRUE(host.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 100, 100, 300, 260, nullptr, nullptr));
        ASSERT_TRUE(list.Create(kListStyle, RECT{10, 10, 270, 210}, &host, 6000));
        list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
        list.InsertColumn(0, "模板图像名称", LVCFMT_LEFT, 300);
        ASSERT_TRUE(images.Create(60, 45, ILC_COLOR32, 8, 1));
        list.SetImageList(&images, LVSIL_SMALL);
        list.SetImageList(&images, LVSIL_NORMAL);
        Pump();
    }
    void TearDown() override
    {
        list.DestroyWindow();
        host.DestroyWindow();
        user_test::UserTest::TearDown();
    }

    // Adds n items named "item<i>.ir", each showing its own solid image.
    void AddItems(int n)
    {
        for (int i = 0; i < n; ++i) {
            HBITMAP b = SolidBitmap(60, 45, kImageColours[i % 4]);
            CBitmap bitmap;
            bitmap.Attach(b);
            int image = images.Add(&bitmap, RGB(0, 0, 0));
            std::string name = "item" + std::to_string(i) + ".ir";
            ASSERT_EQ(list.InsertItem(image, name.c_str(), image), i);
        }
        Pump();
    }
    int RowHeight()
    {
        CRect r;
        EXPECT_TRUE(list.GetItemRect(0, &r, LVIR_BOUNDS));
        return r.Height();
    }
    // A point of the list's client area on the screen.
    POINT Screen(int x, int y)
    {
        POINT p{x, y};
        list.ClientToScreen(&p);
        return p;
    }
    void Click(int x, int y)
    {
        platform::user::input::MouseButton(Screen(x, y), Button::Left, true);
        platform::user::input::MouseButton(Screen(x, y), Button::Left, false);
        Pump();
    }
    // The list's client pixel (x, y) in a picture of the host.
    std::uint32_t Pixel(const platform::user::Picture& picture, int x, int y)
    {
        POINT p{x, y};
        MapWindowPoints(list, host, &p, 1);
        return picture.at(p.x, p.y);
    }
    platform::user::Picture Render()
    {
        platform::user::Picture picture;
        EXPECT_TRUE(platform::user::RenderWindow(host, &picture));
        return picture;
    }
};

using PlainListTest = ListTest<CListCtrl>;
using ColouredListTest = ListTest<ColouredList>;

TEST_F(PlainListTest, ItemsShowTheirImagesAndTextsInRows)
{
    AddItems(3);
    ASSERT_EQ(list.GetItemCount(), 3);
    int h = RowHeight();
    ASSERT_GE(h, 45);
    platform::user::Picture picture = Render();
    platform::user::WritePictureToPng(picture, std::string(VANTREL_TEST_TMP) + "/list_rows.png");
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        // The image's middle, on its own row.
        EXPECT_EQ(Pixel(picture, 32, i * h + h / 2), Opaque(kImageColours[i]));
        // The name beside it: some dark text pixels on the white row.
        int dark = 0;
        for (int y = i * h; y < (i + 1) * h; ++y)
            for (int x = 66; x < 150; ++x) dark += (Pixel(picture, x, y) & 0xFFu) < 0x80u;
        EXPECT_GT(dark, 20);
    }
    // Below the last row the list's background stays white.
    EXPECT_EQ(Pixel(picture, 120, 3 * h + 5), Opaque(RGB(255, 255, 255)));
}

TEST_F(PlainListTest, ItemCallsKeepTextDataAndImage)
{
    EXPECT_EQ(list.InsertItem(50, "a.ir", 0), 0);  // past the end: appended
    EXPECT_EQ(list.InsertItem(0, "b.ir", 0), 0);
    EXPECT_EQ(list.GetItemText(0, 0), CString("b.ir"));
    EXPECT_EQ(list.GetItemText(1, 0), CString("a.ir"));
    EXPECT_EQ(list.GetItemText(7, 0), CString(""));
    EXPECT_TRUE(list.SetItemData(1, 42));
    EXPECT_EQ(list.GetItemData(1), 42u);
    EXPECT_FALSE(list.SetItemData(5, 1));
    char small[4];
    EXPECT_EQ(list.GetItemText(1, 0, small, sizeof small), 3);
    EXPECT_STREQ(small, "a.i");
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_FALSE(list.DeleteItem(3));
    EXPECT_EQ(list.GetItemCount(), 1);
    POINT p{-5, -5};
    EXPECT_FALSE(list.GetItemPosition(4, &p));
    EXPECT_EQ(p.x, -5);  // a position that cannot be had leaves the point alone
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST_F(PlainListTest, ClickSelectsTheItemAndTellsTheOwner)
{
    AddItems(3);
    int h = RowHeight();
    host.notices.clear();
    Click(150, h + h / 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetNextItem(1, LVNI_SELECTED), -1);
    EXPECT_EQ(host.Count(NM_CLICK, 1), 1);
    ASSERT_FALSE(host.notices.empty());
    EXPECT_EQ(host.notices.back().code, NM_CLICK);  // the selection changes before the click is told
    bool selectedChange = false;
    for (const auto& n : host.notices)
        selectedChange |= n.code == LVN_ITEMCHANGED && n.item == 1 && (n.newState & LVIS_SELECTED) && !(n.oldState & LVIS_SELECTED);
    EXPECT_TRUE(selectedChange);

    // Another item takes the selection over; a click below the rows clears it.
    Click(150, 2 * h + 3);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetItemState(1, LVIS_SELECTED), 0u);
    Click(150, 3 * h + 10);
    EXPECT_EQ(host.Count(NM_CLICK, -1), 1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST_F(PlainListTest, DoubleClickTellsTheItem)
{
    AddItems(2);
    int h = RowHeight();
    host.notices.clear();
    // Both clicks reach the queue before either is handled: the second is a double click however
    // long the first takes.
    for (int i = 0; i < 2; ++i) {
        platform::user::input::MouseButton(Screen(100, h + 5), Button::Left, true);
        platform::user::input::MouseButton(Screen(100, h + 5), Button::Left, false);
    }
    Pump();
    EXPECT_EQ(host.Count(NM_DBLCLK, 1), 1);
    EXPECT_EQ(host.Count(NM_CLICK, 1), 1);  // the second press is the double click, not a click
}

TEST_F(PlainListTest, ControlAndShiftExtendTheSelection)
{
    AddItems(4);
    int h = RowHeight();
    Click(100, 5);
    platform::user::input::Key(VK_CONTROL, true);
    Click(100, 2 * h + 5);
    platform::user::input::Key(VK_CONTROL, false);
    EXPECT_EQ(list.GetSelectedCount(), 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(list.GetNextItem(0, LVNI_SELECTED), 2);
    platform::user::input::Key(VK_SHIFT, true);
    Click(100, 3 * h + 5);
    platform::user::input::Key(VK_SHIFT, false);
    // From the anchor (the last plain or ctrl click, item 2) to item 3.
    EXPECT_EQ(list.GetSelectedCount(), 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetNextItem(2, LVNI_SELECTED), 3);
}

TEST_F(PlainListTest, SingleSelectionStyleKeepsOneItem)
{
    list.ModifyStyle(0, LVS_SINGLESEL);
    AddItems(3);
    int h = RowHeight();
    Click(100, 5);
    platform::user::input::Key(VK_CONTROL, true);
    Click(100, h + 5);
    platform::user::input::Key(VK_CONTROL, false);
    EXPECT_EQ(list.GetSelectedCount(), 1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
}

TEST_F(PlainListTest, SelectionSetByTheProgramIsDeletedWithTheItem)
{
    AddItems(3);
    EXPECT_TRUE(list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
    // Delete every selected item the way the toolbar does.
    for (int i = list.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = list.GetNextItem(-1, LVNI_SELECTED)) list.DeleteItem(i);
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemText(0, 0), CString("item1.ir"));
}

TEST_F(PlainListTest, ScrollMessagesMoveTheTopRowWithinItsLimit)
{
    AddItems(20);
    int h = RowHeight();
    int perPage = list.GetCountPerPage();
    CRect client;
    list.GetClientRect(&client);
    ASSERT_EQ(perPage, client.Height() / h);
    EXPECT_EQ(list.GetScrollLimit(SB_VERT), 20 - perPage);
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 0);

    struct Step {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        int top;
    };
    const Step steps[] = {
        {WM_VSCROLL, SB_LINEDOWN, 0, 1},
        {WM_VSCROLL, SB_PAGEDOWN, 0, 1 + perPage},
        {WM_VSCROLL, SB_LINEUP, 0, perPage},
        {WM_VSCROLL, SB_PAGEUP, 0, 0},
        {WM_VSCROLL, SB_LINEUP, 0, 0},  // already at the top
        {LVM_SCROLL, 0, 2 * h, 2},      // pixels, in whole rows
        {LVM_SCROLL, 0, h / 2 - 1, 2},  // less than half a row: nothing
        {LVM_SCROLL, 0, -(h - 3), 1},   // nearly a row up: one row
        {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), 0, 7},
        {WM_VSCROLL, SB_BOTTOM, 0, 20 - perPage},
        {WM_VSCROLL, SB_LINEDOWN, 0, 20 - perPage},  // the limit holds
        {WM_VSCROLL, SB_TOP, 0, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "message " << s.message << " wParam " << s.wParam << " lParam " << s.lParam);
        list.SendMessage(s.message, s.wParam, s.lParam);
        EXPECT_EQ(list.GetScrollPos(SB_VERT), s.top);
        EXPECT_EQ(list.GetTopIndex(), s.top);
    }
}

TEST_F(PlainListTest, ScrollLimitOfShortListsIsTheLastRow)
{
    AddItems(3);
    int h = RowHeight();
    // The range runs to the last row; a page of one row or less leaves it whole.
    const struct {
        int clientHeight;
        int perPage;
        int limit;
    } cases[] = {{h / 2, 0, 2}, {h + h / 2, 1, 2}, {2 * h, 2, 1}, {4 * h, 4, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clientHeight);
        CRect client;
        list.GetClientRect(&client);
        CRect window;
        list.GetWindowRect(&window);
        list.MoveWindow(10, 10, window.Width(), c.clientHeight + (window.Height() - client.Height()));
        EXPECT_EQ(list.GetCountPerPage(), c.perPage);
        EXPECT_EQ(list.GetScrollLimit(SB_VERT), c.limit);
        list.SendMessage(WM_VSCROLL, SB_BOTTOM);
        EXPECT_EQ(list.GetScrollPos(SB_VERT), c.limit);
    }
}

TEST_F(PlainListTest, ScrolledRowsMoveOnTheScreen)
{
    AddItems(8);
    int h = RowHeight();
    list.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    POINT p{};
    ASSERT_TRUE(list.GetItemPosition(1, &p));
    EXPECT_EQ(p.y, 0);
    ASSERT_TRUE(list.GetItemPosition(0, &p));
    EXPECT_EQ(p.y, -h);
    platform::user::Picture picture = Render();
    EXPECT_EQ(Pixel(picture, 32, h / 2), Opaque(kImageColours[1]));
    // A click now reaches the item shown there.
    Click(100, h / 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_TRUE(list.EnsureVisible(7, FALSE));
    EXPECT_EQ(list.GetTopIndex(), 8 - list.GetCountPerPage());
    EXPECT_TRUE(list.EnsureVisible(0, FALSE));
    EXPECT_EQ(list.GetTopIndex(), 0);
}

TEST_F(PlainListTest, WheelScrollsThreeRowsANotch)
{
    AddItems(20);
    int h = RowHeight();
    platform::user::input::MouseWheel(Screen(100, h), -WHEEL_DELTA);
    Pump();
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 3);
    // Half notches add up.
    platform::user::input::MouseWheel(Screen(100, h), WHEEL_DELTA / 2);
    Pump();
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 3);
    platform::user::input::MouseWheel(Screen(100, h), WHEEL_DELTA / 2);
    Pump();
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 0);
}

TEST_F(PlainListTest, ScrollBarArrowsTrackAndThumbScroll)
{
    AddItems(20);
    CRect client;
    list.GetClientRect(&client);
    int x = client.right - 8;
    int limit = list.GetScrollLimit(SB_VERT);
    Click(x, client.bottom - 8);  // down arrow
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 1);
    Click(x, 8);  // up arrow
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 0);
    Click(x, client.bottom - 30);  // the track below the thumb: a page
    EXPECT_EQ(list.GetScrollPos(SB_VERT), list.GetCountPerPage());
    // Dragging the thumb to the bottom of the track reaches the limit.
    list.SendMessage(WM_VSCROLL, SB_TOP);
    Pump();
    platform::user::input::MouseButton(Screen(x, 20), Button::Left, true);
    Pump();
    platform::user::input::MouseMove(Screen(x, client.bottom + 100));
    Pump();
    platform::user::input::MouseButton(Screen(x, client.bottom + 100), Button::Left, false);
    Pump();
    EXPECT_EQ(list.GetScrollPos(SB_VERT), limit);
    // A press on the bar selects nothing.
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST_F(PlainListTest, DisabledFlatBarIgnoresClicksUntilTheRangeChanges)
{
    ASSERT_TRUE(InitializeFlatSB(list));
    ASSERT_TRUE(FlatSB_EnableScrollBar(list, SB_BOTH, ESB_DISABLE_BOTH));
    AddItems(10);  // items change the range: the bar works again
    CRect client;
    list.GetClientRect(&client);
    Click(client.right - 8, client.bottom - 8);
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 1);
    ASSERT_TRUE(FlatSB_EnableScrollBar(list, SB_BOTH, ESB_DISABLE_BOTH));
    Click(client.right - 8, client.bottom - 8);
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 1);
    // The wheel and scroll messages still scroll.
    list.SendMessage(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(list.GetScrollPos(SB_VERT), 2);
    // Not a list view: refused.
    EXPECT_FALSE(FlatSB_EnableScrollBar(host, SB_BOTH, ESB_DISABLE_BOTH));
}

TEST_F(ColouredListTest, CustomDrawColoursTheRowsAndTheSelection)
{
    AddItems(3);
    int h = RowHeight();
    Click(150, h + h / 2);
    EXPECT_EQ(list.clicks, 1);
    EXPECT_EQ(list.clicked, CString("item1.ir"));

    platform::user::Picture picture = Render();
    platform::user::WritePictureToPng(picture, std::string(VANTREL_TEST_TMP) + "/list_custom_draw.png");
    EXPECT_EQ(Pixel(picture, 240, 2), Opaque(kRowColour));
    EXPECT_EQ(Pixel(picture, 240, h + 2), Opaque(kSelectedColour));
    EXPECT_EQ(Pixel(picture, 240, 2 * h + 2), Opaque(kRowColour));
    EXPECT_EQ(Pixel(picture, 32, h + h / 2), Opaque(kImageColours[1]));
    // Light text on the dark row.
    int light = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 66; x < 150; ++x) {
            std::uint32_t p = Pixel(picture, x, y);
            light += ((p >> 16) & 0xFFu) > 0xA0u && ((p >> 8) & 0xFFu) > 0xA0u && (p & 0xFFu) > 0xA0u;
        }
    EXPECT_GT(light, 20);
}

TEST_F(ColouredListTest, PaintIntoAGivenContextDrawsOnlyTheRows)
{
    AddItems(2);
    int h = RowHeight();
    CRect client;
    list.GetClientRect(&client);
    HDC screen = GetDC(list);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.Width(), client.Height());
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = client;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    FillRect(memory, &all, black);
    list.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(memory));
    SelectObject(memory, old);
    EXPECT_EQ(controls_test::BitmapPixel(bitmap, 240, 2), kRowColour);
    EXPECT_EQ(controls_test::BitmapPixel(bitmap, 32, h + h / 2), kImageColours[1]);
    EXPECT_EQ(controls_test::BitmapPixel(bitmap, 100, 2 * h + 10), RGB(0, 0, 0));  // left as it was
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(list, screen);
}

TEST_F(PlainListTest, ReplacedImageShowsOnTheItem)
{
    AddItems(2);
    int h = RowHeight();
    CBitmap white;
    white.Attach(SolidBitmap(60, 45, RGB(255, 255, 255)));
    ASSERT_TRUE(images.Replace(1, &white, nullptr));
    list.Invalidate(FALSE);
    platform::user::Picture picture = Render();
    EXPECT_EQ(Pixel(picture, 32, h + h / 2), Opaque(RGB(255, 255, 255)));
    EXPECT_EQ(list.GetItemText(1, 0), CString("item1.ir"));
}

TEST_F(PlainListTest, ImageListsAreReportedBack)
{
    EXPECT_EQ(list.GetImageList(LVSIL_SMALL), &images);
    EXPECT_EQ(list.GetImageList(LVSIL_NORMAL), &images);
    EXPECT_EQ(list.GetImageList(5), nullptr);
    CImageList other;
    ASSERT_TRUE(other.Create(16, 16, ILC_COLOR24, 1, 1));
    EXPECT_EQ(list.SetImageList(&other, LVSIL_SMALL), &images);
    EXPECT_EQ(list.GetImageList(LVSIL_SMALL), &other);
    list.SetImageList(&images, LVSIL_SMALL);
}

}  // namespace
