#include "controls/InitGdiplus.h"

#include "platform/gdiplus/gdiplus.h"

namespace {

ULONG_PTR g_gdiplusToken = 0;

}  // namespace

int InitGdiplus()
{
    Gdiplus::GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr);
    return 1;
}

void ShutdownGdiplus() { Gdiplus::GdiplusShutdown(g_gdiplusToken); }
