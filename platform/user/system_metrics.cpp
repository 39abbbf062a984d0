// System metrics and colours, and the common-control start-up.
#include "platform/user/window_tree.h"

using namespace platform::user::detail;

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) { return init != nullptr ? TRUE : FALSE; }

int GetSystemMetrics(int index)
{
    RECT b{0, 0, 1024, 768};
    HostUsableBounds(&b);
    switch (index) {
    case SM_CXSCREEN: return b.right - b.left;
    case SM_CYSCREEN: return b.bottom - b.top;
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0;
    }
}

DWORD GetSysColor(int index)
{
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT: return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    default: return RGB(0, 0, 0);
    }
}
