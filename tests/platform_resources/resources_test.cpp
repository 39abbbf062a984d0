#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"
#include "platform/gdiplus/png_codec.h"
#include "platform/kernel/win_errors.h"
#include "platform/resources/resources.h"
#include "platform/user/window.h"

namespace {

std::uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

const unsigned char* Bytes(UINT id, LPCSTR type, DWORD* size)
{
    HRSRC r = FindResource(nullptr, MAKEINTRESOURCE(id), type);
    if (r == nullptr)
        return nullptr;
    *size = SizeofResource(nullptr, r);
    return static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, r)));
}

struct PngCase {
    UINT id;
    int width;
    int height;
    bool indexed;
};

class PngResource : public testing::TestWithParam<PngCase> {};

TEST_P(PngResource, HasTheSizeAndKindTheWindowsExpect)
{
    const PngCase& c = GetParam();
    DWORD size = 0;
    const unsigned char* data = Bytes(c.id, "PNG", &size);
    ASSERT_NE(data, nullptr) << c.id;
    platform::gdiplus::DecodedPng png;
    ASSERT_TRUE(platform::gdiplus::DecodePng(data, size, &png));
    EXPECT_EQ(png.width, c.width);
    EXPECT_EQ(png.height, c.height);
    EXPECT_EQ(png.indexed, c.indexed);
    if (!c.indexed) {
        // Pictures with an alpha channel: at least one pixel is transparent, one is not.
        bool clear = false, solid = false;
        for (std::size_t i = 3; i < png.pixels.size(); i += 4) {
            clear = clear || png.pixels[i] == 0;
            solid = solid || png.pixels[i] == 255;
        }
        EXPECT_TRUE(solid);
        if (c.id != 144) {
            EXPECT_TRUE(clear) << c.id;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PngResource,
                         testing::Values(PngCase{141, 51, 49, false}, PngCase{143, 107, 46, false}, PngCase{144, 1022, 60, false},
                                         PngCase{147, 49, 49, false}, PngCase{148, 62, 64, false}, PngCase{149, 62, 64, false},
                                         PngCase{150, 62, 64, false}, PngCase{151, 62, 64, false}, PngCase{152, 471, 113, false},
                                         PngCase{153, 471, 113, false}, PngCase{159, 50, 50, true}, PngCase{160, 50, 50, true},
                                         PngCase{161, 50, 50, true}, PngCase{166, 33, 33, false}, PngCase{167, 21, 21, false},
                                         PngCase{168, 21, 21, false}, PngCase{170, 21, 21, false}, PngCase{171, 21, 21, false}),
                         [](const testing::TestParamInfo<PngCase>& info) { return std::to_string(info.param.id); });

struct BitmapCase {
    UINT id;
    int width;
    int height;
};

class BitmapResource : public testing::TestWithParam<BitmapCase> {};

TEST_P(BitmapResource, IsA24BitBitmapOfItsSize)
{
    const BitmapCase& c = GetParam();
    DWORD size = 0;
    const unsigned char* data = Bytes(c.id, RT_BITMAP, &size);
    ASSERT_NE(data, nullptr);
    ASSERT_GE(size, 54u);
    EXPECT_EQ(std::memcmp(data, "BM", 2), 0);
    EXPECT_EQ(static_cast<int>(Le32(data + 18)), c.width);
    EXPECT_EQ(static_cast<int>(Le32(data + 22)), c.height);
    EXPECT_EQ(Le16(data + 28), 24);

    HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(c.id));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_NE(GetObject(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, c.height);
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(ScrollBar, BitmapResource,
                         testing::Values(BitmapCase{136, 12, 11}, BitmapCase{137, 12, 26}, BitmapCase{134, 12, 1},
                                         BitmapCase{133, 12, 26}, BitmapCase{132, 11, 11}, BitmapCase{135, 12, 26}),
                         [](const testing::TestParamInfo<BitmapCase>& info) { return std::to_string(info.param.id); });

TEST(LoadBitmap, KeepsTheBitmapsPixelsTopRowFirst)
{
    // The thumb's top-left corner is the scroll bar's ground, drawn around the rounded thumb.
    HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(135));
    ASSERT_NE(bitmap, nullptr);
    std::uint32_t pixels[12 * 26];
    ASSERT_EQ(GetBitmapBits(bitmap, sizeof pixels, pixels), static_cast<LONG>(sizeof pixels));
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0x4A526Bu);  // RGB(74, 82, 107)
    DeleteObject(bitmap);
}

TEST(LoadBitmap, MissingOrOtherTypeGivesNull)
{
    EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(999)), nullptr);
    EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(143)), nullptr);  // a PNG, not a bitmap
}

TEST(AlarmSound, IsEightBitMonoPcmOfTheGivenLength)
{
    DWORD size = 0;
    const unsigned char* data = Bytes(138, "WAVE", &size);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(size, 44u + 25972u);
    EXPECT_EQ(std::memcmp(data, "RIFF", 4), 0);
    EXPECT_EQ(Le32(data + 4), size - 8);
    EXPECT_EQ(std::memcmp(data + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le16(data + 20), 1);      // PCM
    EXPECT_EQ(Le16(data + 22), 1);      // mono
    EXPECT_EQ(Le32(data + 24), 22050u);
    EXPECT_EQ(Le16(data + 34), 8);
    EXPECT_EQ(std::memcmp(data + 36, "data", 4), 0);
    EXPECT_EQ(Le32(data + 40), 25972u);
    // It starts and ends at silence, so that the loop does not click.
    EXPECT_NEAR(data[44], 128, 2);
    EXPECT_NEAR(data[size - 1], 128, 2);
}

TEST(FindResource, NamesAndTypesInEveryForm)
{
    HRSRC byId = FindResource(nullptr, MAKEINTRESOURCE(143), "PNG");
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(FindResource(nullptr, "#143", "png"), byId);
    EXPECT_EQ(FindResource(platform::resources::ProgramModule(), MAKEINTRESOURCE(143), "Png"), byId);
    EXPECT_NE(FindResource(nullptr, MAKEINTRESOURCE(103), RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResource(nullptr, "#138", "WAVE"), nullptr);
}

TEST(FindResource, MissingResourcesGiveNullAndTheReason)
{
    SetLastError(0);
    EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(142), "PNG"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(143), "GIF"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(FindResource(nullptr, "title", "PNG"), nullptr);
    EXPECT_EQ(FindResource(nullptr, "#", "PNG"), nullptr);
    EXPECT_EQ(FindResource(nullptr, "#143x", "PNG"), nullptr);
    EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(143), nullptr), nullptr);
    EXPECT_EQ(FindResource(nullptr, nullptr, "PNG"), nullptr);
}

TEST(LoadResource, NullResourceGivesNullData)
{
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

TEST(LoadResource, DataIsFollowedByANul)
{
    DWORD size = 0;
    const unsigned char* data = Bytes(143, "PNG", &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data[size], 0);
}

TEST(LoadString, CopiesTheAboutItem)
{
    char buffer[260];
    const char* expected = "关于 Pelmor IR(&A)...";
    EXPECT_EQ(LoadString(nullptr, 101, buffer, sizeof buffer), static_cast<int>(std::strlen(expected)));
    EXPECT_STREQ(buffer, expected);
}

TEST(LoadString, CutsAtACharacterBoundary)
{
    // "关于" is two three-byte characters: 5 bytes of room hold only the first.
    char buffer[6];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadString(nullptr, 101, buffer, 6), 3);
    EXPECT_STREQ(buffer, "关");
    EXPECT_EQ(LoadString(nullptr, 101, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
}

TEST(LoadString, MissingStringGivesZeroAndAnEmptyBuffer)
{
    char buffer[8] = "stale";
    EXPECT_EQ(LoadString(nullptr, 102, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadString(nullptr, 101, nullptr, 10), 0);
    EXPECT_EQ(LoadString(nullptr, 101, buffer, 0), 0);
    EXPECT_EQ(platform::resources::FindString(102), nullptr);
}

TEST(LoadIcon, TheWindowIconAtEachSize)
{
    for (int size : {16, 32, 48}) {
        HICON icon = platform::resources::LoadIconResource(MAKEINTRESOURCE(103), size);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->width, size);
        EXPECT_EQ(icon->height, size);
        // Rounded corners: the corner is clear, the middle is not.
        EXPECT_EQ(icon->pixels[0] >> 24, 0u);
        EXPECT_EQ(icon->pixels[static_cast<std::size_t>(size / 2) * size + size / 2] >> 24, 255u);
        DestroyIcon(icon);
    }
    HICON nearest = platform::resources::LoadIconResource(MAKEINTRESOURCE(103), 20);
    ASSERT_NE(nearest, nullptr);
    EXPECT_EQ(nearest->width, 16);
    DestroyIcon(nearest);
    EXPECT_EQ(platform::resources::LoadIconResource(MAKEINTRESOURCE(104)), nullptr);
}

TEST(LoadIcon, ProgramIconsComeFromTheResourcesOncePerId)
{
    HICON icon = LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(103));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->width, 32);
    // Shared: the same icon each time, by id or by its "#id" name.
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(103)), icon);
    EXPECT_EQ(LoadIcon(nullptr, "#103"), icon);
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(104)), nullptr);

    // The window icon draws (a small number standing for an icon would not).
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 32, 32);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_TRUE(DrawIcon(dc, 0, 0, icon));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(ResourceHandle, IsTheProgramModule)
{
    EXPECT_EQ(AfxGetResourceHandle(), platform::resources::ProgramModule());
    EXPECT_NE(AfxGetResourceHandle(), nullptr);
}

}  // namespace
