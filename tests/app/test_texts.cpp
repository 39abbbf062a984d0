// The program's own texts: the device path reader, the toolbar's caption table and the status
// texts of both languages.
#include <gtest/gtest.h>

#include <string>

#include "app/ParseUsbDevicePath.h"
#include "app/StatusTexts.h"
#include "app/ToolbarText.h"

namespace {

struct PathCase {
    const char* path;
    const char* pid;
    int result;
    const char* serial;  // what serial holds afterwards ("unchanged" when it kept its old value)
};

constexpr const char* kGuid = "{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

std::string Path(const char* middle) { return std::string("\\\\?\\USB#") + middle + "#" + kGuid; }

class UsbDevicePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(UsbDevicePath, MatchesVendorAndProductAndTakesTheSerial)
{
    const PathCase& c = GetParam();
    CString serial = "unchanged";
    EXPECT_EQ(ParseUsbDevicePath(c.path, "VID_0BDA", c.pid, serial), c.result);
    EXPECT_STREQ(serial, c.serial);
}

const std::string kCamera = Path("VID_0BDA&PID_5840#0001");
const std::string kSecondModel = Path("VID_0BDA&PID_5830#SN77");
const std::string kLowerCase = Path("vid_0bda&pid_5840#ab12");
const std::string kOtherVendor = Path("VID_046D&PID_5840#0001");
const std::string kLongVendor = Path("XVID_0BDA&PID_5840#0001");

INSTANTIATE_TEST_SUITE_P(
    Cases, UsbDevicePath,
    ::testing::Values(PathCase{kCamera.c_str(), "PID_5840", 1, "0001"},
                      PathCase{kCamera.c_str(), "PID_5830", 0, "unchanged"},
                      PathCase{kSecondModel.c_str(), "PID_5830", 1, "SN77"},
                      PathCase{kSecondModel.c_str(), "PID_5840", 0, "unchanged"},
                      PathCase{kLowerCase.c_str(), "PID_5840", 1, "ab12"},
                      PathCase{kOtherVendor.c_str(), "PID_5840", 0, "unchanged"},
                      PathCase{kLongVendor.c_str(), "PID_5840", 0, "unchanged"},
                      // No '#' after the serial part: the serial is empty.
                      PathCase{"\\\\?\\USB#VID_0BDA&PID_5840#0001", "PID_5840", 1, ""},
                      // The first '&' within the first eleven characters.
                      PathCase{"USB#VID_0B&PID_5840#0001#x", "PID_5840", 0, "unchanged"},
                      PathCase{"#VID_0BDA&PID_5840#0001#x", "PID_5840", 0, "unchanged"},
                      PathCase{"X#VID_0BDA&PID_5840#0001#x", "PID_5840", 0, "unchanged"},
                      PathCase{"XY#VID_0BDA&PID_5840#0001#x", "PID_5840", 1, "0001"},
                      // No '#' after the product part, none before the vendor part, nothing at all.
                      PathCase{"\\\\?\\USB#VID_0BDA&PID_5840", "PID_5840", 0, "unchanged"},
                      PathCase{"\\\\?\\USB_VID_0BDA&PID_5840#0001#", "PID_5840", 0, "unchanged"},
                      PathCase{"", "PID_5840", 0, "unchanged"}));

TEST(ToolbarText, EnglishCaptionsOfTheShownButtons)
{
    const char* const english[kToolbarButtons] = {"最小化", "最大化", "关闭", "Grid", "Del", "Clc", "Snap", "Rec",
                                                   "Flip", "Mirror", "Camera", "Image", "Video", "", "",
                                                   "PCBA Check", "Thermal field", "Compare", "ROI Check", "Point",
                                                   "Rectangle", "Polygon", "", "English"};
    for (int b = 0; b < kToolbarButtons; ++b) {
        EXPECT_STREQ(g_strToolbarText[48 + b], english[b]) << "button " << b;
        EXPECT_STREQ(g_strToolbarText[72 + b], english[b]) << "variant 1, button " << b;
        EXPECT_STREQ(ToolbarCaption(1, b), english[b]);
    }
}

TEST(ToolbarText, ChineseCaptionsAndTheirSecondVariant)
{
    const char* const chinese[kToolbarButtons] = {"最小化", "最大化", "关闭", "网格", "删除", "清除", "拍照", "录制",
                                                   "垂直翻转", "水平翻转", "相机", "图像", "视频", "", "",
                                                   "PCBA速查", "热场分布", "双板对比", "区域细查", "点温度",
                                                   "矩形温度", "多边形温度", "", "中文"};
    for (int b = 0; b < kToolbarButtons; ++b) {
        EXPECT_STREQ(g_strToolbarText[b], chinese[b]) << "button " << b;
        EXPECT_STREQ(ToolbarCaption(0, b), chinese[b]);
        if (b != 7) {
            EXPECT_STREQ(g_strToolbarText[24 + b], chinese[b]) << "variant 1, button " << b;
        }
    }
    EXPECT_STREQ(g_strToolbarText[24 + 7], "停止");
}

TEST(ToolbarText, AnyLanguageButChineseGivesTheEnglishRow)
{
    for (int language : {1, 2, -1, 1000}) EXPECT_STREQ(ToolbarCaption(language, 23), "English") << language;
}

struct TipCase {
    int code;
    const char* chinese;  // null: no text
    const char* english;
};

class TipTexts : public ::testing::TestWithParam<TipCase> {};

TEST_P(TipTexts, ByCodeAndLanguage)
{
    const TipCase& c = GetParam();
    for (int language : {0, 1, 7}) {
        const char* expected = language == 0 ? c.chinese : c.english;
        LPCSTR text = TipStatusText(c.code, language);
        if (expected == nullptr) EXPECT_EQ(text, nullptr) << "language " << language;
        else EXPECT_STREQ(text, expected) << "language " << language;
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, TipTexts,
                         ::testing::Values(TipCase{3, "操作终止.", "Operation terminated ."},
                                           TipCase{5, "红外相机未连接.", "IRCamera not connected."},
                                           TipCase{6, "红外相机连接成功.", "IRCamera connected successfully."},
                                           TipCase{7, "红外相机断开.", "IRCamera disconnected."},
                                           TipCase{0, nullptr, nullptr}, TipCase{4, nullptr, nullptr},
                                           TipCase{-1, nullptr, nullptr}, TipCase{1, nullptr, nullptr}));

struct NotifyCase {
    int code;
    LPARAM param;
    const char* text;
};

class NotifyTexts : public ::testing::TestWithParam<NotifyCase> {};

TEST_P(NotifyTexts, ByCodeAndParameter)
{
    EXPECT_STREQ(NotifyStatusText(GetParam().code, GetParam().param), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Codes, NotifyTexts,
                         ::testing::Values(NotifyCase{0, 99, "红外相机开始标定."}, NotifyCase{1, -1, "红外相机标定完成."},
                                           NotifyCase{2, 0, "红外相机标定失败."}, NotifyCase{3, -1, "开始恢复出厂设置."},
                                           NotifyCase{3, 0, "恢复出厂设置完成."}, NotifyCase{3, 12, "恢复出厂设置失败12"},
                                           NotifyCase{3, -20, "恢复出厂设置失败-20"}, NotifyCase{4, 0, ""},
                                           NotifyCase{1000, 0, ""}));

TEST(LeakageCaption, ChineseOrEnglish)
{
    EXPECT_STREQ(LeakageCaption(0), "漏电速查");
    EXPECT_STREQ(LeakageCaption(1), "Leakage Check");
    EXPECT_STREQ(LeakageCaption(-3), "Leakage Check");
}

}  // namespace
