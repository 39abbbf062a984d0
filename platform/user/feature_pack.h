// The class library's application services that a Windows program switches on at start-up and
// that have nothing to do on Linux: ActiveX control hosting, the shell manager, the visual
// manager (the look of the library's own frames and bars) and the control-bar clean-up.
#pragma once

#include "platform/user/CCmdTarget.h"

// No ActiveX controls are hosted here: nothing to enable.
void AfxEnableControlContainer();

// The shell manager serves shell dialogs and item lists, which nothing here uses: it holds nothing.
class CShellManager : public CObject {
public:
    CShellManager() = default;
};

// The library's frames and bars are never drawn here, so no visual manager is ever made.
class CMFCVisualManager : public CObject {
    DECLARE_DYNAMIC(CMFCVisualManager)
public:
    static void SetDefaultManager(const CRuntimeClass* managerClass);
};

class CMFCVisualManagerWindows : public CMFCVisualManager {
    DECLARE_DYNAMIC(CMFCVisualManagerWindows)
};

// No control bars exist here, so there is nothing to clean up.
void ControlBarCleanUp();
