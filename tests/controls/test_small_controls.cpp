// The icon combo box and the OpenGL button in windows: item measuring and drawing, the button's
// owner-drawn style, its frame and caption, pressed and not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/COGLBtn.h"
#include "controls/CComboBoxXI.h"
#include "tests/controls/SkinTestSupport.h"
#include "tests/platform_controls/controls_test_support.h"

namespace {

using skin_test::InkBounds;
using skin_test::Rgb;

constexpr std::uint32_t kHostRed = 0xFF0000;

class ComboBoxXITest : public skin_test::SkinTest {
protected:
    void TearDown() override
    {
        if (::IsWindow(combo.m_hWnd))
            combo.DestroyWindow();
        skin_test::SkinTest::TearDown();
    }
    void Create(DWORD type)
    {
        ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | type | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS,
                                 CRect(10, 10, 210, 40), &host, 7000));
    }
    // The height the combo's first measure request for `text` gives, with icons `iconHeight` high.
    UINT Measure(const char* text, int iconHeight)
    {
        combo.m_nIconHeight = iconHeight;
        MEASUREITEMSTRUCT request{ODT_COMBOBOX, 7000, 0, 0, 0, reinterpret_cast<UINT_PTR>(text)};
        combo.MeasureItem(&request);
        return request.itemHeight;
    }
    int TextHeight()
    {
        CClientDC dc(&combo);
        return dc.GetTextExtent("Ag", 2).cy;
    }
    // Two images, 16 x 16: green and blue.
    void GiveIcons()
    {
        icons.Create(16, 16, ILC_COLOR32, 2, 0);
        CBitmap green, blue;
        green.Attach(controls_test::SolidBitmap(16, 16, RGB(0, 255, 0)));
        blue.Attach(controls_test::SolidBitmap(16, 16, RGB(0, 0, 255)));
        icons.Add(&green, static_cast<CBitmap*>(nullptr));
        icons.Add(&blue, static_cast<CBitmap*>(nullptr));
        combo.m_pImageList = &icons;
        combo.m_nIconWidth = 16;
        combo.m_nIconHeight = 16;
    }
    // The combo's selection field as painted over the red host.
    platform::user::Picture Field(const std::string& name)
    {
        combo.Invalidate();
        return skin_test::Crop(skin_test::Shot(host.m_hWnd, name), RECT{10, 10, 210, 40});
    }

    CComboBoxXI combo;
    CImageList icons;
    int iconIndex[2] = {0, 1};
};

TEST_F(ComboBoxXITest, ItemIsAsHighAsItsTextOrItsIconWithTwoPixelsAboveAndBelow)
{
    Create(CBS_DROPDOWN);
    const int text = TextHeight();
    ASSERT_GT(text, 4);
    EXPECT_EQ(Measure("Alpha", 0), static_cast<UINT>(text));
    EXPECT_EQ(Measure("Alpha", text), static_cast<UINT>(text + 4));
    EXPECT_EQ(Measure(nullptr, 0), static_cast<UINT>(text));
}

TEST_F(ComboBoxXITest, PlainDropDownNeverChangesTheSelectionFieldHeight)
{
    Create(CBS_DROPDOWN);
    const int field = combo.GetItemHeight(-1);
    Measure("Alpha", 60);
    Measure("Beta", 80);
    EXPECT_EQ(combo.m_nStyleState, 0);
    EXPECT_EQ(combo.GetItemHeight(-1), field);
    EXPECT_EQ(combo.m_nMaxItemHeight, 0);
}

TEST_F(ComboBoxXITest, DropDownListRaisesItsSelectionFieldOnlyForATallerItem)
{
    Create(CBS_DROPDOWNLIST);
    EXPECT_STREQ(combo.GetRuntimeClass()->m_lpszClassName, "CComboBoxXI");
    EXPECT_TRUE(combo.IsKindOf(RUNTIME_CLASS(CComboBox)));
    EXPECT_EQ(combo.m_nStyleState, -1);
    Measure("Alpha", 30);
    EXPECT_EQ(combo.m_nStyleState, 1);
    EXPECT_EQ(combo.GetItemHeight(-1), 34);
    combo.SetItemHeight(-1, 5);  // only a taller item sets it again
    Measure("Beta", 20);
    EXPECT_EQ(combo.GetItemHeight(-1), 5);
    Measure("Gamma", 30);
    EXPECT_EQ(combo.GetItemHeight(-1), 5);
    Measure("Delta", 40);
    EXPECT_EQ(combo.GetItemHeight(-1), 44);
    EXPECT_EQ(combo.m_nMaxItemHeight, 44);
}

TEST_F(ComboBoxXITest, StyleIsReadOnceAtTheFirstMeasure)
{
    Create(CBS_DROPDOWN);
    Measure("Alpha", 30);
    combo.ModifyStyle(0x3u, CBS_DROPDOWNLIST);
    const int field = combo.GetItemHeight(-1);
    Measure("Beta", 60);
    EXPECT_EQ(combo.m_nStyleState, 0);
    EXPECT_EQ(combo.GetItemHeight(-1), field);
}

TEST_F(ComboBoxXITest, SelectedItemShowsItsIconThenItsText)
{
    Create(CBS_DROPDOWNLIST);
    GiveIcons();
    combo.AddString("Alpha");
    combo.SetItemData(0, reinterpret_cast<DWORD_PTR>(&iconIndex[1]));
    combo.SetCurSel(0);
    platform::user::Picture p = Field("combo_icon");
    EXPECT_TRUE(skin_test::AllOf(p, RECT{2, 2, 18, 18}, 0x0000FF));
    RECT text = InkBounds(p, RECT{18, 0, 200, 30}, kHostRed);
    ASSERT_LT(text.left, text.right);
    EXPECT_GE(text.left, 20);  // icon width + 4
    EXPECT_LE(text.left, 23);
    EXPECT_NEAR((text.top + text.bottom) / 2.0, 15.0, 3.0);  // vertically centred
    EXPECT_EQ(Rgb(p, 1, 1), kHostRed);  // the background is not filled
}

TEST_F(ComboBoxXITest, WithoutAnImageListTheTextStartsAtTheLeft)
{
    Create(CBS_DROPDOWNLIST);
    combo.AddString("Alpha");
    combo.SetItemData(0, reinterpret_cast<DWORD_PTR>(&iconIndex[0]));
    combo.SetCurSel(0);
    platform::user::Picture p = Field("combo_plain");
    RECT text = InkBounds(p, RECT{0, 0, 200, 30}, kHostRed);
    ASSERT_LT(text.left, text.right);
    EXPECT_LE(text.left, 2);
}

TEST_F(ComboBoxXITest, ItemWithoutIconDataOrNoItemDrawsNothing)
{
    Create(CBS_DROPDOWNLIST);
    GiveIcons();
    combo.AddString("Alpha");
    combo.SetCurSel(0);
    platform::user::Picture p = Field("combo_no_data");
    EXPECT_TRUE(skin_test::AllOf(p, RECT{0, 0, 200, 30}, kHostRed));
    combo.SetCurSel(-1);
    p = Field("combo_no_item");
    EXPECT_TRUE(skin_test::AllOf(p, RECT{0, 0, 200, 30}, kHostRed));
}

TEST_F(ComboBoxXITest, SelectedItemTextTakesTheHighlightTextColour)
{
    Create(CBS_DROPDOWNLIST);
    combo.AddString("WWWW");
    combo.SetItemData(0, reinterpret_cast<DWORD_PTR>(&iconIndex[0]));
    CClientDC screen(&combo);
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED)}) {
        CDC memory;
        memory.CreateCompatibleDC(&screen);
        CBitmap bitmap;
        bitmap.Attach(controls_test::SolidBitmap(100, 30, RGB(128, 128, 128)));
        CBitmap* old = memory.SelectObject(&bitmap);
        DRAWITEMSTRUCT request{ODT_COMBOBOX, 7000, 0, ODA_DRAWENTIRE, state, combo.m_hWnd, memory.m_hDC, {0, 0, 100, 30}, 0};
        combo.DrawItem(&request);
        memory.SelectObject(old);
        // Anti-aliased text over grey: its ink is lighter than the ground when selected, darker when not.
        int lighter = 0, darker = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 100; ++x) {
                const int level = GetGValue(controls_test::BitmapPixel(bitmap, x, y));
                lighter += level > 160;
                darker += level < 96;
            }
        if (state & ODS_SELECTED) {
            EXPECT_GT(lighter, 20);
            EXPECT_EQ(darker, 0);
        } else {
            EXPECT_GT(darker, 20);
            EXPECT_EQ(lighter, 0);
        }
    }
}

class OGLBtnTest : public skin_test::SkinTest {
protected:
    void TearDown() override
    {
        if (::IsWindow(button.m_hWnd))
            button.DestroyWindow();
        skin_test::SkinTest::TearDown();
    }
    void Create(int width, int height, DWORD type = BS_PUSHBUTTON)
    {
        ASSERT_TRUE(button.Create("ignored", WS_CHILD | WS_VISIBLE | type, CRect(0, 0, width, height), &host, 7100));
    }
    platform::user::Picture Look(const std::string& name)
    {
        button.Invalidate();
        return skin_test::Shot(button.m_hWnd, name);
    }
    // Bounds of the caption: the white pixels.
    static RECT Caption(const platform::user::Picture& p)
    {
        RECT r{p.width, p.height, 0, 0};
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if ((Rgb(p, x, y) & 0xFF) > 0xC0 && (Rgb(p, x, y) >> 8 & 0xFF) > 0xC0 && (Rgb(p, x, y) >> 16) > 0xC0) {
                    r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
        return r;
    }
    static int Count(const platform::user::Picture& p, std::uint32_t rgb)
    {
        int n = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                n += Rgb(p, x, y) == rgb;
        return n;
    }

    COGLBtn button;
};

TEST_F(OGLBtnTest, CreatedButtonsBecomeOwnerDrawnWithOneView)
{
    Create(120, 40, BS_CHECKBOX);
    EXPECT_EQ(button.GetButtonStyle() & 0x0Fu, static_cast<UINT>(BS_OWNERDRAW));
    EXPECT_TRUE(button.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_STREQ(button.GetRuntimeClass()->m_lpszClassName, "COGLBtn");
    ASSERT_EQ(button.m_renderer.m_nViewCount, 1);
    const RenderView& v = button.m_renderer.m_pViews[0];
    EXPECT_EQ(v.imageWidth, 120u);
    EXPECT_EQ(v.imageHeight, 40u);
    EXPECT_EQ(v.source.x, 0);
    EXPECT_EQ(v.source.w, 120);
    EXPECT_EQ(v.source.h, 40);
}

TEST_F(OGLBtnTest, FrameShowsThePressOnTheDarkGround)
{
    Create(120, 60);
    platform::user::Picture up = Look("oglbtn_up");
    EXPECT_EQ(Rgb(up, 10, 30), 0x1F1F1Fu);
    EXPECT_GT(Count(up, 0xFF7EC3), 200);  // the frame's four sides
    EXPECT_EQ(Count(up, 0x037EC3), 0);
    button.SetState(TRUE);
    platform::user::Picture down = Look("oglbtn_down");
    EXPECT_GT(Count(down, 0x037EC3), 200);
    EXPECT_EQ(Count(down, 0xFF7EC3), 0);
}

TEST_F(OGLBtnTest, CaptionStartsAtTheMiddleAndMovesByAPixelWhilePressed)
{
    Create(120, 60);
    const RECT up = Caption(Look("oglbtn_caption_up"));
    ASSERT_LT(up.left, up.right) << "no caption";
    EXPECT_GE(up.left, 60);
    EXPECT_LE(up.left, 64);
    EXPECT_LE(up.bottom, 54);  // on the baseline at 60 / 2 + 20, with a pixel or two below it
    EXPECT_GE(up.bottom, 46);
    button.SetState(TRUE);
    const RECT down = Caption(Look("oglbtn_caption_down"));
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
}

}  // namespace
