// What the status light, the captions and the leakage caption say: the language switch, the
// workers' notifications and the camera's arrival and removal.
#include <gtest/gtest.h>

#include <string>

#include "emulator/src/emulator.h"
#include "platform/devices/devices.h"
#include "tests/app/MainWindowFixture.h"

using namespace app_test;

namespace {

std::wstring FaceOf(const WCHAR* face) { return std::wstring(face); }

class StatusTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        QuietWorkers();
        dlg.m_lightStatus.SetWindowText("");
    }
    // A tip queued by the window's own flow, as a worker queues it, and handled.
    void Tip(int code)
    {
        dlg.ShowTip(code, 0);
        Pump();
    }
    void Notify(int code, LPARAM param) { dlg.SendMessage(WM_WORKER_NOTIFY, static_cast<WPARAM>(code), param); }
    std::string Status() { return TextOf(dlg.m_lightStatus); }
    void SetLanguageSetting(int language) { theApp.m_settings[SETTING_Language].value.nValue = language; }
};

TEST_F(StatusTest, SwitchingToEnglishSetsEveryCaptionAndFace)
{
    dlg.SetLanguage(1);
    const char* const english[] = {"Grid", "Del", "Clc", "Snap", "Rec", "Flip", "Mirror", "Camera", "Image", "Video",
                                   "", "", "PCBA Check", "Thermal field", "Compare", "ROI Check", "Point",
                                   "Rectangle", "Polygon", "", "English"};
    for (int b = CVantrelDlg::kGrid; b < kToolbarButtons; ++b) {
        EXPECT_EQ(TextOf(dlg.m_btn[b]), english[b - CVantrelDlg::kGrid]) << "button " << b;
        EXPECT_EQ(FaceOf(dlg.m_btn[b].m_szFontName), L"Tahoma") << "button " << b;
    }
    for (int b = CVantrelDlg::kMinimise; b <= CVantrelDlg::kClose; ++b) {
        EXPECT_EQ(TextOf(dlg.m_btn[b]), "") << "button " << b;
        EXPECT_EQ(FaceOf(dlg.m_btn[b].m_szFontName), L"") << "button " << b;
    }
    EXPECT_EQ(TextOf(dlg.m_lightLeakage), "Leakage Check");
    EXPECT_EQ(FaceOf(dlg.m_lightLeakage.m_szFontName), L"Tahoma");
    EXPECT_EQ(FaceOf(dlg.m_lightStatus.m_szFontName), L"Tahoma");
    EXPECT_EQ(FaceOf(dlg.m_lightTitle.m_szFontName), L"微软雅黑");
    EXPECT_EQ(TextOf(dlg.m_lightTitle), "Ostrel");
    EXPECT_EQ(theApp.m_nLanguage, 1);
    EXPECT_EQ(theApp.m_settings[SETTING_Language].value.nValue, 1);

    dlg.SetLanguage(0);
    EXPECT_EQ(TextOf(dlg.m_btn[CVantrelDlg::kSnap]), "拍照");
    EXPECT_EQ(TextOf(dlg.m_lightLeakage), "漏电速查");
    EXPECT_EQ(FaceOf(dlg.m_btn[CVantrelDlg::kSnap].m_szFontName), L"微软雅黑");
}

TEST_F(StatusTest, LanguageOutsideTheTableCountsAsEnglishAndIsStoredAsOne)
{
    for (int language : {2, 7, -1}) {
        dlg.SetLanguage(language);
        EXPECT_EQ(TextOf(dlg.m_btn[CVantrelDlg::kLanguage]), "English") << language;
        EXPECT_EQ(theApp.m_nLanguage, 1);
        EXPECT_EQ(theApp.m_settings[SETTING_Language].value.nValue, 1);
        dlg.SetLanguage(0);
    }
}

TEST_F(StatusTest, LanguageSwitchTranslatesTheCameraStatusOnly)
{
    Tip(TIP_CAMERA_CONNECTED);
    EXPECT_EQ(Status(), "红外相机连接成功.");
    dlg.SetLanguage(1);
    EXPECT_EQ(Status(), "IRCamera connected successfully.");

    SetLanguageSetting(1);
    Tip(TIP_TERMINATED);
    EXPECT_EQ(Status(), "Operation terminated .");
    dlg.SetLanguage(0);
    EXPECT_EQ(Status(), "Operation terminated .");
}

struct TipCase {
    int code;
    int language;
    const char* status;
};

class TipStatus : public StatusTest, public ::testing::WithParamInterface<TipCase> {};

TEST_P(TipStatus, ShowsTheCodesTextInTheSettingsLanguage)
{
    const TipCase& c = GetParam();
    SetLanguageSetting(c.language);
    Tip(c.code);
    EXPECT_EQ(Status(), c.status);
    EXPECT_EQ(dlg.m_lastTip.code, c.code);
    EXPECT_EQ(FaceOf(dlg.m_lightStatus.m_szFontName), c.language == 0 ? L"微软雅黑" : L"Tahoma");
}

INSTANTIATE_TEST_SUITE_P(Codes, TipStatus,
                         ::testing::Values(TipCase{3, 0, "操作终止."}, TipCase{3, 1, "Operation terminated ."},
                                           TipCase{5, 0, "红外相机未连接."}, TipCase{5, 1, "IRCamera not connected."},
                                           TipCase{6, 0, "红外相机连接成功."},
                                           TipCase{6, 1, "IRCamera connected successfully."},
                                           TipCase{6, 9, "IRCamera connected successfully."},
                                           TipCase{7, 0, "红外相机断开."}, TipCase{7, 1, "IRCamera disconnected."}));

TEST_F(StatusTest, TipsWithoutTextOnlyReplaceTheLastTip)
{
    for (int code : {0, 4}) {
        Tip(TIP_CAMERA_LOST);
        Tip(code);
        EXPECT_EQ(Status(), "红外相机断开.");
        EXPECT_EQ(dlg.m_lastTip.code, code);
        dlg.SetLanguage(1);
        EXPECT_EQ(Status(), "红外相机断开.");
        dlg.SetLanguage(0);
    }
}

TEST_F(StatusTest, TipNoticeWithoutATipOrFromAStrangerChangesNothing)
{
    Tip(TIP_CAMERA_WAITING);
    Notify(NOTIFY_TIP, reinterpret_cast<LPARAM>(static_cast<CThreadActionFlow*>(&dlg)));
    Notify(NOTIFY_TIP, 12345);
    EXPECT_EQ(Status(), "红外相机未连接.");
    EXPECT_EQ(dlg.m_lastTip.code, TIP_CAMERA_WAITING);
}

TEST_F(StatusTest, TipsOfTheCaptureWorkerReachTheStatus)
{
    theApp.m_capture.ShowTip(TIP_CAMERA_CONNECTED, 0);
    Pump();
    EXPECT_EQ(Status(), "红外相机连接成功.");
}

struct NotifyCase {
    int code;
    LPARAM param;
    const char* status;
};

class NotifyStatus : public StatusTest, public ::testing::WithParamInterface<NotifyCase> {};

TEST_P(NotifyStatus, CalibrationAndFactoryResetTextsAreChineseInBothLanguages)
{
    for (int language : {0, 1}) {
        SetLanguageSetting(language);
        dlg.m_lightStatus.SetWindowText("");
        Notify(GetParam().code, GetParam().param);
        EXPECT_EQ(Status(), GetParam().status);
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, NotifyStatus,
                         ::testing::Values(NotifyCase{0, 5, "红外相机开始标定."}, NotifyCase{1, 0, "红外相机标定完成."},
                                           NotifyCase{2, -1, "红外相机标定失败."}, NotifyCase{3, -1, "开始恢复出厂设置."},
                                           NotifyCase{3, 0, "恢复出厂设置完成."},
                                           NotifyCase{3, 12, "恢复出厂设置失败12"}));

TEST_F(StatusTest, FlowBeginAndEndOnlySetTheFace)
{
    dlg.m_lightStatus.SetWindowText("before");
    SetLanguageSetting(1);
    for (int code : {NOTIFY_ACTION_BEGIN, NOTIFY_ACTION_END, 77}) {
        dlg.m_lightStatus.SetFontName("none");
        Notify(code, 0);
        EXPECT_EQ(Status(), "before") << code;
        EXPECT_EQ(FaceOf(dlg.m_lightStatus.m_szFontName), L"Tahoma") << code;
    }
}

// ---- the camera's arrival and removal ----

TEST_F(StatusTest, CameraArrivalAndRemovalShowItsSerial)
{
    platform::devices::InjectDeviceEvent(true, 0x0BDA, 0x5840, "0001");
    EXPECT_TRUE(PumpUntil([&] { return Status() == "0001arrive"; }));
    platform::devices::InjectDeviceEvent(false, 0x0BDA, 0x5830, "SN77");
    EXPECT_TRUE(PumpUntil([&] { return Status() == "SN77remove"; }));
}

TEST_F(StatusTest, OtherDevicesAndOtherNoticesChangeNothing)
{
    dlg.m_lightStatus.SetWindowText("before");
    platform::devices::InjectDeviceEvent(true, 0x046D, 0x5840, "0001");
    platform::devices::InjectDeviceEvent(true, 0x0BDA, 0x5841, "0001");
    // Notices of another kind and of another device type.
    DEV_BROADCAST_HDR volume{sizeof(DEV_BROADCAST_HDR), 2, 0};
    dlg.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    dlg.SendMessage(WM_DEVICECHANGE, 0x0007, 0);
    Sleep(50);
    Pump();
    EXPECT_EQ(Status(), "before");
}

TEST_F(StatusTest, ANameRunningPastItsRecordIsReadOnlyWithinIt)
{
    const std::string path = platform::devices::InterfacePath(0x0BDA, 0x5840, "0001");
    alignas(DEV_BROADCAST_DEVICEINTERFACE) char record[256] = {};
    auto* notice = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE*>(record);
    notice->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    // The record ends in the middle of the product part, with no terminator inside it.
    std::memcpy(notice->dbcc_name, path.c_str(), path.size() + 1);
    notice->dbcc_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name) + 20);
    dlg.m_lightStatus.SetWindowText("before");
    dlg.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(notice));
    EXPECT_EQ(Status(), "before");
}

// The emulated module's unplugging and plugging back reach the window as the system's notices.
TEST_F(StatusTest, EmulatedModulePluggingIsNoticed)
{
    emu_unplug();
    EXPECT_TRUE(PumpUntil([&] { return Status() == EMU_SERIAL "remove"; }));
    emu_replug();
    EXPECT_TRUE(PumpUntil([&] { return Status() == EMU_SERIAL "arrive"; }));
}

}  // namespace
