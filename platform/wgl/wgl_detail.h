// What the OpenGL layer's own files share. Not for the program's code.
#pragma once

#include "platform/user/surface.h"

namespace platform::wgl::detail {

// Empties the current context's error flags: errors the program left are not the layer's to report.
void ClearErrors();

// The size of the calling thread's current context's framebuffer; false without one.
bool CurrentFramebufferSize(int* width, int* height);

// Makes the top-left width x height pixels that a read-back put into the surface a picture: every
// pixel opaque where `opaque` asks for it, and the rows turned over where `turn` says the driver
// left them bottom row first.
void FinishPicture(const platform::user::Surface& surface, int width, int height, bool turn, bool opaque);

}  // namespace platform::wgl::detail
