#include "app/ToolbarText.h"

namespace {

#define VANTREL_CHINESE_ROW(rec) \
    "最小化", "最大化", "关闭", "网格", "删除", "清除", "拍照", rec, "垂直翻转", "水平翻转", "相机", "图像", \
    "视频", "", "", "PCBA速查", "热场分布", "双板对比", "区域细查", "点温度", "矩形温度", "多边形温度", "", "中文"
#define VANTREL_ENGLISH_ROW \
    "最小化", "最大化", "关闭", "Grid", "Del", "Clc", "Snap", "Rec", "Flip", "Mirror", "Camera", "Image", \
    "Video", "", "", "PCBA Check", "Thermal field", "Compare", "ROI Check", "Point", "Rectangle", "Polygon", "", "English"

}  // namespace

const CString g_strToolbarText[kToolbarTextCount] = {
    VANTREL_CHINESE_ROW("录制"), VANTREL_CHINESE_ROW("停止"), VANTREL_ENGLISH_ROW, VANTREL_ENGLISH_ROW,
};

const CString& ToolbarCaption(int language, int button)
{
    return g_strToolbarText[(language == 0 ? 0 : 1) * 2 * kToolbarButtons + button];
}
