#include "app/MainWindowLayout.h"

#include <iterator>

namespace {

CRect At(int x, int y, int width, int height) { return CRect(x, y, x + width, y + height); }

// A group of toolbar buttons laid out two to a row.
void PlacePairs(CRect* buttons, int count, int x, int y, int width, int height, int pitchX, int pitchY)
{
    for (int k = 0; k < count; ++k)
        buttons[k] = At(x + pitchX * (k % 2), y + pitchY * (k / 2), width, height);
}

}  // namespace

MainWindowLayout LayoutMainWindow(int w, int h)
{
    MainWindowLayout l;
    l.titleLight = At(10, 5, 310, 60);
    l.statusLight = At(325, 5, w - 650, 60);
    l.picker = At(10, 80, 300, 50);
    l.display = At(125, 150, w - 635, h - 150);
    l.colourBar = At(w - 465, 150, 125, h - 150);
    l.imageList = At(w - 265, 150, 260, h - 490);
    l.videoList = l.imageList;
    l.leakageLight = At(w - 265, h - 105, 250, 20);

    CRect* b = l.buttons;
    b[0] = At(w - 106, 5, 21, 21);
    b[1] = At(w - 66, 5, 21, 21);
    b[2] = At(w - 26, 5, 21, 21);
    const int gridY = static_cast<int>((h - 150) * 0.2 + 150);
    b[3] = At(w - 510, gridY + 110, 35, 30);
    for (int k = 0; k < 4; ++k) b[4 + k] = At(w - 320, 345 + 55 * k, 50, 45);
    for (int k = 0; k < 5; ++k) b[8 + k] = At(20, 150 + 120 * k, 85, 100);
    for (int k = 0; k < 2; ++k) b[13 + k] = At(w - 320, 150 + 55 * k, 50, 50);
    PlacePairs(&b[15], 4, w - 265, h - 310, 115, 40, 125, 45);
    PlacePairs(&b[19], 3, w - 265, h - 200, 120, 30, 120, 35);
    b[22] = At(w - 265, h - 75, 255, 65);
    b[23] = At(w - 300, 10, 95, 25);
    return l;
}

float DisplayZoomForWidth(int width)
{
    static const int kZooms[] = {1, 2, 4, 6, 8, 10, 12, 14, 16};
    const int q = (width - 635) / 256;
    for (int i = 0; i < static_cast<int>(std::size(kZooms)); ++i)
        if (kZooms[i] > q) return static_cast<float>(kZooms[i == 0 ? 0 : i - 1]);
    return static_cast<float>(q);
}
