// The shaped button on the pixels of a real window: fill, border, image and caption rectangles,
// the check state toggled before the owner's handler, the down image and shifted caption, grey
// when disabled, a double click toggling twice, and captions and faces longer than the buffers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/COGLBtn.h"
#include "controls/CZelHeteromorphicBtn.h"
#include "tests/controls/SkinTestSupport.h"

namespace {

using skin_test::AllOf;
using skin_test::InkBounds;
using skin_test::Rgb;

constexpr std::uint32_t kFill = 0x001015;
constexpr std::uint32_t kFillChecked = 0x00C5FF;
constexpr std::uint32_t kBorder = 0x00AEFE;
constexpr std::uint32_t kBorderChecked = 0x000000;

class ShapedButtonTest : public skin_test::SkinTest {
protected:
    void SetUp() override
    {
        skin_test::SkinTest::SetUp();
        host.clicked = [this](UINT id) { heard.push_back(button.GetCheck()); };
    }
    void TearDown() override
    {
        if (::IsWindow(button.m_hWnd))
            button.DestroyWindow();
        skin_test::SkinTest::TearDown();
    }
    void Create(int width, int height, const char* caption, DWORD type = BS_PUSHBUTTON)
    {
        ASSERT_TRUE(button.Create(caption, WS_CHILD | WS_VISIBLE | type, CRect(20, 30, 20 + width, 30 + height), &host, 3008));
        button.SetFontName("Tahoma");
    }
    platform::user::Picture Look(const std::string& name)
    {
        button.Invalidate();
        return skin_test::Shot(button.m_hWnd, name);
    }
    // The caption's ink: pixels that are neither fill nor border nor image.
    static RECT Caption(const platform::user::Picture& p, std::uint32_t fill, std::uint32_t border, int top = 2)
    {
        RECT r{p.width, p.height, 0, 0};
        for (int y = top; y < p.height - 1; ++y)
            for (int x = 2; x < p.width - 1; ++x) {
                const std::uint32_t c = Rgb(p, x, y);
                if (c == fill || c == border || c == 0x00FF00 || c == 0xFF00FF)
                    continue;
                r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
        return r;
    }
    void Click(int x, int y) { skin_test::UserClick(button.m_hWnd, x, y); }

    CZelHeteromorphicBtn button;
    std::vector<int> heard;  // the check state the owner read at each click
};

TEST_F(ShapedButtonTest, CheckBoxTypesAreCheckableAndEveryButtonBecomesOwnerDrawn)
{
    struct Case {
        DWORD type;
        int checkable;
    };
    for (Case c : {Case{BS_PUSHBUTTON, 0}, Case{BS_CHECKBOX, 1}, Case{BS_AUTOCHECKBOX, 1}}) {
        CZelHeteromorphicBtn b;
        ASSERT_TRUE(b.Create("x", WS_CHILD | WS_VISIBLE | c.type, CRect(0, 0, 20, 20), &host, 3001));
        EXPECT_EQ(b.m_nCheckable, c.checkable) << c.type;
        EXPECT_EQ(b.GetStyle() & 0x0Fu, static_cast<DWORD>(BS_OWNERDRAW)) << c.type;
        EXPECT_EQ(b.GetCheck(), 0);
        EXPECT_TRUE(b.IsKindOf(RUNTIME_CLASS(CButton)));
        EXPECT_STREQ(b.GetRuntimeClass()->m_lpszClassName, "CZelHeteromorphicBtn");
        b.DestroyWindow();
    }
}

TEST_F(ShapedButtonTest, NewButtonHasItsFillABorderInsideTheEdgeAndAWhiteCaptionCentredInTheWhole)
{
    Create(120, 40, "Snap");
    platform::user::Picture p = Look("button_default");
    EXPECT_EQ(Rgb(p, 0, 0), kFill);
    EXPECT_EQ(Rgb(p, 0, 20), kFill);
    // A one-pixel outline along x 1, y 1, width W - 2, height H - 2.
    EXPECT_TRUE(AllOf(p, RECT{1, 1, 120, 2}, kBorder));
    EXPECT_TRUE(AllOf(p, RECT{1, 1, 2, 40}, kBorder));
    EXPECT_TRUE(AllOf(p, RECT{119, 1, 120, 40}, kBorder));
    EXPECT_TRUE(AllOf(p, RECT{1, 39, 120, 40}, kBorder));
    EXPECT_EQ(Rgb(p, 2, 2), kFill);
    const RECT caption = Caption(p, kFill, kBorder);
    ASSERT_LT(caption.left, caption.right);
    EXPECT_NEAR((caption.left + caption.right) / 2.0, 60.0, 2.0);
    EXPECT_NEAR((caption.top + caption.bottom) / 2.0, 20.0, 2.0);
    // 8 points bold at 96 dots an inch: capitals about 8 pixels high.
    EXPECT_GE(caption.bottom - caption.top, 7);
    EXPECT_LE(caption.bottom - caption.top, 12);
    EXPECT_GT(skin_test::CountOf(p, caption, 0xFFFFFF), 20);
}

TEST_F(ShapedButtonTest, FaceImageFillsTheMiddleOfTheUpperBandAndTheCaptionTheLowerBand)
{
    Create(60, 50, "Go");
    button.m_pShapeImage = skin_test::SolidImage(7, 3, 0xFF00FF00);
    platform::user::Picture p = Look("button_image_caption");
    // x 0.25 W to 0.75 W, y 0.2 x 0.6 H to 0.8 x 0.6 H: x 15 to 45, y 6 to 24.
    EXPECT_TRUE(AllOf(p, RECT{15, 6, 45, 24}, 0x00FF00));
    EXPECT_EQ(CRect(InkBounds(p, RECT{2, 2, 58, 29}, kFill)), CRect(15, 6, 45, 24));
    // The caption is centred in the band from y 30 to 50.
    const RECT caption = Caption(p, kFill, kBorder, 25);
    ASSERT_LT(caption.left, caption.right);
    EXPECT_NEAR((caption.top + caption.bottom) / 2.0, 40.0, 2.0);
    EXPECT_NEAR((caption.left + caption.right) / 2.0, 30.0, 2.0);
}

TEST_F(ShapedButtonTest, WithoutCaptionTheImageFillsTheWholeButtonUnderTheBorder)
{
    Create(60, 50, "");
    button.m_pShapeImage = skin_test::SolidImage(7, 3, 0xFF00FF00);
    platform::user::Picture p = Look("button_image_only");
    EXPECT_EQ(Rgb(p, 0, 0), 0x00FF00u);
    EXPECT_EQ(Rgb(p, 59, 49), kBorder);
    EXPECT_TRUE(AllOf(p, RECT{2, 2, 59, 49}, 0x00FF00));
    EXPECT_TRUE(AllOf(p, RECT{1, 1, 60, 2}, kBorder));
}

TEST_F(ShapedButtonTest, ImagesFromResourcesAndMissingOnes)
{
    Create(85, 100, "Flip");
    button.SetShapeImage(147, "PNG");
    ASSERT_NE(button.m_pShapeImage, nullptr);
    EXPECT_EQ(button.m_pShapeImage->GetWidth(), 49u);
    button.SetImage2(60000, "PNG");
    EXPECT_EQ(button.m_pImage2, nullptr);
    platform::user::Picture p = Look("button_resource");
    // x 21.25 to 63.75, y 12 to 48: the picture stays there.
    const RECT image = InkBounds(p, RECT{2, 2, 83, 59}, kFill);
    EXPECT_GE(image.left, 21);
    EXPECT_GE(image.top, 12);
    EXPECT_LE(image.right, 64);
    EXPECT_LE(image.bottom, 48);
    EXPECT_GT(image.right - image.left, 30);
}

TEST_F(ShapedButtonTest, ClickTogglesACheckableButtonBeforeTheOwnerHearsOfIt)
{
    Create(60, 50, "Go", BS_CHECKBOX);
    button.m_pShapeImage = skin_test::SolidImage(4, 4, 0xFF00FF00);
    button.m_pImage2 = skin_test::SolidImage(4, 4, 0xFFFF00FF);
    const platform::user::Picture before = Look("button_unchecked");
    Click(30, 40);
    EXPECT_EQ(heard, (std::vector<int>{1}));
    EXPECT_EQ(button.GetCheck(), 1);
    const platform::user::Picture after = Look("button_checked");
    EXPECT_EQ(Rgb(after, 0, 0), kFillChecked);
    EXPECT_EQ(Rgb(after, 1, 20), kBorderChecked);
    EXPECT_TRUE(AllOf(after, RECT{15, 6, 45, 24}, 0xFF00FF));  // the down image
    const RECT up = Caption(before, kFill, kBorder, 25);
    const RECT down = Caption(after, kFillChecked, kBorderChecked, 25);
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    Click(30, 40);
    EXPECT_EQ(heard, (std::vector<int>{1, 0}));
    EXPECT_EQ(Rgb(Look("button_unchecked_again"), 0, 0), kFill);
}

TEST_F(ShapedButtonTest, PushButtonStaysUncheckedAndIgnoresSetCheck)
{
    Create(60, 50, "Go");
    Click(30, 25);
    EXPECT_EQ(heard, (std::vector<int>{0}));
    Look("button_push");
    ASSERT_FALSE(GetUpdateRect(button.m_hWnd, nullptr, FALSE));
    button.SetCheck(TRUE, TRUE);
    EXPECT_EQ(button.GetCheck(), 0);
    EXPECT_FALSE(GetUpdateRect(button.m_hWnd, nullptr, FALSE));  // not redrawn
}

TEST_F(ShapedButtonTest, SetCheckOnACheckableButtonRedrawsOnlyWhenAsked)
{
    Create(60, 50, "Go", BS_CHECKBOX);
    Look("button_setcheck");
    button.SetCheck(5, FALSE);
    EXPECT_EQ(button.GetCheck(), 1);
    EXPECT_FALSE(GetUpdateRect(button.m_hWnd, nullptr, FALSE));
    button.SetCheck(FALSE, TRUE);
    EXPECT_EQ(button.GetCheck(), 0);
    EXPECT_TRUE(GetUpdateRect(button.m_hWnd, nullptr, FALSE));
}

TEST_F(ShapedButtonTest, PressedButtonShowsTheDownImageAndShiftedCaptionOnItsUsualFill)
{
    Create(60, 50, "Go");
    button.m_pShapeImage = skin_test::SolidImage(4, 4, 0xFF00FF00);
    button.m_pImage2 = skin_test::SolidImage(4, 4, 0xFFFF00FF);
    const RECT up = Caption(Look("button_released"), kFill, kBorder, 25);
    button.SetState(TRUE);
    const platform::user::Picture pressed = Look("button_pressed");
    EXPECT_EQ(Rgb(pressed, 0, 0), kFill);  // a push button is never checked
    EXPECT_TRUE(AllOf(pressed, RECT{15, 6, 45, 24}, 0xFF00FF));
    const RECT down = Caption(pressed, kFill, kBorder, 25);
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    button.SetState(FALSE);
}

TEST_F(ShapedButtonTest, DoubleClickOnACheckableButtonTogglesTwiceAndTheOwnerHearsTwoClicks)
{
    Create(60, 50, "Go", BS_CHECKBOX);
    skin_test::MouseTo(button.m_hWnd, 30, 25);
    std::vector<UINT> seen;
    skin_test::QueueDoubleClick(button.m_hWnd, 30, 25);
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.hwnd == button.m_hWnd && (msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK))
            seen.push_back(msg.message);
        if (!AfxPreTranslateTree(nullptr, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], static_cast<UINT>(WM_LBUTTONDBLCLK));
    EXPECT_EQ(heard, (std::vector<int>{1, 0}));
    EXPECT_EQ(button.GetCheck(), 0);
}

// The shaped button and the OpenGL button share the rewrite.
template <class Button>
class DoubleClickRewriteTest : public ::testing::Test {};
using ButtonsWithTheRewrite = ::testing::Types<CZelHeteromorphicBtn, COGLBtn>;
TYPED_TEST_SUITE(DoubleClickRewriteTest, ButtonsWithTheRewrite);

TYPED_TEST(DoubleClickRewriteTest, PreTranslateTurnsTheButtonsOwnDoubleClickIntoAPress)
{
    TypeParam button;
    button.m_hWnd = reinterpret_cast<HWND>(0x1234);
    MSG own{button.m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4), 0, {0, 0}};
    MSG other{reinterpret_cast<HWND>(0x5678), WM_LBUTTONDBLCLK, MK_LBUTTON, 0, 0, {0, 0}};
    MSG up{button.m_hWnd, WM_LBUTTONUP, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(button.PreTranslateMessage(&own));
    EXPECT_FALSE(button.PreTranslateMessage(&other));
    EXPECT_FALSE(button.PreTranslateMessage(&up));
    button.m_hWnd = nullptr;
    EXPECT_EQ(own.message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(own.lParam, MAKELPARAM(3, 4));
    EXPECT_EQ(other.message, static_cast<UINT>(WM_LBUTTONDBLCLK));
    EXPECT_EQ(up.message, static_cast<UINT>(WM_LBUTTONUP));
}

TEST_F(ShapedButtonTest, DisabledButtonIsGreyWithItsAlphaKept)
{
    Create(60, 50, "");
    button.SetColor(1, 0x80304050);  // half-transparent fill over the red host
    button.EnableWindow(FALSE);
    button.Invalidate();
    const platform::user::Picture p = skin_test::Crop(skin_test::Shot(host.m_hWnd, "button_disabled"), RECT{20, 30, 80, 80});
    // Border: (0 + 174 + 254) / 3 = 142 in each channel.
    EXPECT_EQ(Rgb(p, 1, 20), 0x8E8E8Eu);
    // Fill: (0x30 + 0x40 + 0x50) / 3 = 0x40, still half over the red parent.
    const std::uint32_t fill = Rgb(p, 5, 20);
    EXPECT_NEAR(static_cast<int>(fill >> 16), (0x40 + 255) / 2, 2);
    EXPECT_NEAR(static_cast<int>(fill >> 8 & 0xFF), 0x40 / 2, 2);
    EXPECT_NEAR(static_cast<int>(fill & 0xFF), 0x40 / 2, 2);
}

TEST_F(ShapedButtonTest, DisabledButtonThatIsDownKeepsItsColours)
{
    Create(60, 50, "", BS_CHECKBOX);
    button.SetCheck(TRUE, FALSE);
    button.EnableWindow(FALSE);
    EXPECT_EQ(Rgb(Look("button_disabled_checked"), 5, 20), kFillChecked);
    button.SetCheck(FALSE, FALSE);
    button.SetState(TRUE);
    EXPECT_EQ(Rgb(Look("button_disabled_pressed"), 5, 20), kFill);
    button.SetState(FALSE);
    EXPECT_EQ(Rgb(Look("button_disabled_released"), 5, 20), 0x0C0C0Cu);  // (0 + 16 + 21) / 3
}

TEST_F(ShapedButtonTest, ColourTableEntriesAndAnIndexPastIt)
{
    Create(60, 50, "");
    button.SetColor(1, 0xFF112233);
    button.SetColor(3, 0xFF445566);
    button.SetColor(5, 0xFFFFFFFF);
    button.SetColor(255, 0xFFFFFFFF);
    const platform::user::Picture p = Look("button_colours");
    EXPECT_EQ(Rgb(p, 0, 0), 0x112233u);
    EXPECT_EQ(Rgb(p, 1, 1), 0x445566u);
    EXPECT_EQ(button.m_nFontSize, 8);
}

TEST_F(ShapedButtonTest, HoverFollowsTheCursorOnAndOffTheButton)
{
    Create(60, 50, "Go");
    skin_test::MouseTo(host.m_hWnd, 200, 200);
    EXPECT_EQ(button.m_nHover, 0);
    skin_test::MouseTo(button.m_hWnd, 10, 10);
    EXPECT_EQ(button.m_nHover, 1);
    skin_test::MouseTo(button.m_hWnd, 30, 30);
    EXPECT_EQ(button.m_nHover, 1);
    skin_test::MouseTo(host.m_hWnd, 300, 200);  // onto the parent: the leave notice
    EXPECT_EQ(button.m_nHover, 0);
    skin_test::MouseTo(button.m_hWnd, 30, 30);
    EXPECT_EQ(button.m_nHover, 1);
    platform::user::input::MouseLeftDisplay();
    skin_test::Pump();
    EXPECT_EQ(button.m_nHover, 0);
}

TEST_F(ShapedButtonTest, CaptionLongerThanTheBufferIsCutToItsFirst255Characters)
{
    Create(380, 260, "");
    button.SetFontSize(6);
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += (i % 2) ? "\xE6\xB8\xA9" : "M";
    auto draw = [&](int characters) {
        button.SetWindowText(skin_test::FirstCharacters(text, characters).c_str());
        return Look("button_long_" + std::to_string(characters)).pixels;
    };
    const auto all = draw(300);
    EXPECT_EQ(all, draw(255));
    EXPECT_NE(all, draw(254));
}

TEST(ShapedButtonFontName, LongFaceNameKeepsItsFirst127Characters)
{
    CZelHeteromorphicBtn button;
    std::string face;
    for (int i = 0; i < 200; ++i)
        face += "\xE6\xB8\xA9";
    button.SetFontName(face.c_str());
    for (int i = 0; i < 127; ++i)
        ASSERT_EQ(button.m_szFontName[i], static_cast<WCHAR>(0x6E29)) << i;
    EXPECT_EQ(button.m_szFontName[127], L'\0');
}

}  // namespace
