// The thermal display's test window: the display on the live camera (the emulated module in the
// tests), with the colour bar at its right and the palette picker, a text label and the
// minimise/close buttons below it, as the main window lays them out but without the rest of the
// program, so that the tests on a real X server can drive the display alone and reach the
// emulated module's faults in the same process.
//
// Keys (the pane takes the keyboard focus when the mouse moves over it):
//   0 point tool, 1 rectangle tool, 2 polygon tool, 9 no tool
//   M next mode (PCBA Check, Thermal field, Compare, ROI Check; clears the shapes)
//   F flip, H mirror, D 3D on/off, G 3D grid, A alarm, T hottest pixel, C cursor temperature,
//   K colour mode (normal / hot window)
//   R reset the view, Esc quit
// Mouse: left button edits with the tool, right button closes a polygon, Ctrl+drag pans (3D:
// rotates), Alt+drag moves the 3D camera, Ctrl+wheel zooms.
#pragma once

#include "platform/user/CWnd.h"
#include "view/COGLCircleColorMap.h"
#include "view/COGLSlider.h"
#include "view/CStaticDisplay.h"
#include "view/CSystemBtn.h"
#include "view/CZelColorStatic.h"

class ViewerDisplay : public CStaticDisplay {
public:
    int* icons = nullptr;  // the colour bar's icon flags

    void OnKeyDown(UINT nChar, UINT repeat, UINT flags);
    // The mode, tool, flip and 3D state in the window's title.
    void ShowState();

    DECLARE_MESSAGE_MAP()
};

// One viewer at a time: it uses the application's capture worker.
class ViewerWindow : public CWnd {
public:
    static constexpr int kLeft = 40;
    static constexpr int kTop = 40;
    static constexpr int kWidth = 1285;
    static constexpr int kHeight = 930;

    // Creates the window with its children and starts the capture and display workers; FALSE
    // when the window cannot be made.
    BOOL Open();
    // Stops both workers and destroys the window.
    void Close();

    ViewerDisplay display;
    COGLSlider slider;
    COGLCircleColorMap picker;
    CZelColorStatic label;
    CSystemBtn systemButtons;

    LRESULT OnWorkerNotify(WPARAM code, LPARAM);
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    void CreateChildren();
    void StartWorkers();
};
