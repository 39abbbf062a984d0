// Development viewer: the viewer's window (ViewerWindow.h tells its keys and mouse) on the live
// camera. Not part of the program.
//
// `vantrel-viewer --shot FILE [MS]` runs for MS milliseconds (default 3000), writes the window
// to a PNG file and ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/clock.h"
#include "platform/user/CWinApp.h"
#include "platform/user/surface.h"
#include "tools/viewer/ViewerWindow.h"

int main(int argc, char** argv)
{
    const char* shot = nullptr;
    DWORD shotMs = 3000;
    if (argc >= 3 && std::strcmp(argv[1], "--shot") == 0) {
        shot = argv[2];
        if (argc >= 4)
            shotMs = static_cast<DWORD>(std::atoi(argv[3]));
    }

    CWinApp app("viewer");  // the system buttons act on the application's main window
    ViewerWindow top;
    if (!top.Open()) {
        std::fprintf(stderr, "viewer: no window\n");
        return 1;
    }
    app.m_pMainWnd = &top;

    const DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        if (shot) {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
            if (GetTickCount() - start > shotMs)
                break;
            Sleep(5);
            continue;
        }
        if (!GetMessage(&msg, nullptr, 0, 0))
            break;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    if (shot && !platform::user::RenderWindowToPng(top.GetSafeHwnd(), shot))
        std::fprintf(stderr, "viewer: cannot write %s\n", shot);

    app.m_pMainWnd = nullptr;
    top.Close();
    return 0;
}
