// What the OpenGL layer's own files share. Not for the program's code.
#pragma once

namespace platform::wgl::detail {

// Empties the current context's error flags: errors the program left are not the layer's to report.
void ClearErrors();

}  // namespace platform::wgl::detail
