#include "platform/user/feature_pack.h"

IMPLEMENT_DYNAMIC(CMFCVisualManager, CObject)
IMPLEMENT_DYNAMIC(CMFCVisualManagerWindows, CMFCVisualManager)

void AfxEnableControlContainer() {}

void CMFCVisualManager::SetDefaultManager(const CRuntimeClass*) {}

void ControlBarCleanUp() {}
