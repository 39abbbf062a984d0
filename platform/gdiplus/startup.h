// Whether GDI+ is started: objects made before start-up carry GdiplusNotInitialized.
#pragma once

namespace Gdiplus::detail {

bool Started();

}  // namespace Gdiplus::detail
