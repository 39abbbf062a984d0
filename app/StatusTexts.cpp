#include "app/StatusTexts.h"

#include "foundation/CThreadActionFlow.h"

namespace {

struct TipText {
    int code;
    LPCSTR chinese;
    LPCSTR english;
};

constexpr TipText kTipTexts[] = {
    {TIP_TERMINATED, "操作终止.", "Operation terminated ."},
    {TIP_CAMERA_WAITING, "红外相机未连接.", "IRCamera not connected."},
    {TIP_CAMERA_CONNECTED, "红外相机连接成功.", "IRCamera connected successfully."},
    {TIP_CAMERA_LOST, "红外相机断开.", "IRCamera disconnected."},
};

}  // namespace

LPCSTR TipStatusText(int tipCode, int language)
{
    for (const TipText& t : kTipTexts)
        if (t.code == tipCode) return language == 0 ? t.chinese : t.english;
    return nullptr;
}

CString NotifyStatusText(int code, LPARAM param)
{
    switch (code) {
    case NOTIFY_CALIB_START: return "红外相机开始标定.";
    case NOTIFY_CALIB_DONE: return "红外相机标定完成.";
    case NOTIFY_CALIB_FAILED: return "红外相机标定失败.";
    case NOTIFY_FACTORY_RESET: {
        if (param == -1) return "开始恢复出厂设置.";
        if (param == 0) return "恢复出厂设置完成.";
        CString text;
        text.Format("恢复出厂设置失败%d", static_cast<int>(param));
        return text;
    }
    default: return CString();
    }
}

LPCSTR SnapshotFailedText(int language) { return language == 0 ? "拍照失败." : "Snapshot failed."; }

LPCSTR RecordingFailedText(int language) { return language == 0 ? "录制失败." : "Recording failed."; }

LPCSTR LeakageCaption(int language) { return language == 0 ? "漏电速查" : "Leakage Check"; }
