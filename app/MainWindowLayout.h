// Where the main window's children stand for a client area of W x H pixels, and the zoom its
// thermal display takes at that width.
#pragma once

#include "app/ToolbarText.h"
#include "platform/user/user_types.h"

struct MainWindowLayout {
    CRect titleLight;
    CRect statusLight;
    CRect picker;
    CRect display;
    CRect colourBar;
    CRect imageList;
    CRect videoList;  // the same rectangle: one of the two lists is shown
    CRect leakageLight;
    CRect buttons[kToolbarButtons];
};

MainWindowLayout LayoutMainWindow(int width, int height);

// The zoom of the display's first view: q = (W - 635) div 256 rounded down to the nearest of
// 1, 2, 4, ..., 16 (at least 1), or q itself from 16 on.
float DisplayZoomForWidth(int width);
