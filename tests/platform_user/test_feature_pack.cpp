// The class library's start-up services are stand-ins: called in a program's start-up order they
// leave the windows and the application object as they were.
#include <gtest/gtest.h>

#include "platform/user/CWinApp.h"
#include "platform/user/feature_pack.h"

namespace {

TEST(FeaturePack, StartUpServicesChangeNothing)
{
    CWnd window;
    ASSERT_TRUE(window.CreateEx(0, nullptr, "before", WS_POPUP | WS_VISIBLE, 10, 20, 200, 100, nullptr, nullptr));

    INITCOMMONCONTROLSEX controls{8, 0xFF};
    EXPECT_TRUE(InitCommonControlsEx(&controls));
    AfxEnableControlContainer();
    auto* shell = new CShellManager;
    CMFCVisualManager::SetDefaultManager(RUNTIME_CLASS(CMFCVisualManagerWindows));
    delete shell;
    ControlBarCleanUp();

    EXPECT_TRUE(RUNTIME_CLASS(CMFCVisualManagerWindows)->IsDerivedFrom(RUNTIME_CLASS(CMFCVisualManager)));
    CRect rect;
    window.GetWindowRect(&rect);
    EXPECT_EQ(rect, CRect(10, 20, 210, 120));
    EXPECT_TRUE(window.IsWindowVisible());
    window.DestroyWindow();
}

}  // namespace
