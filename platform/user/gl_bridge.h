// What presentation needs of the OpenGL layer, given to it when OpenGL is first used. Where the
// display can show a window only through OpenGL of SDL's own (a renderer behind the window
// surface), presenting must neither find nor leave a context of the program current on the
// thread: SDL's renderer would draw into it, or could not make its own context current.
#pragma once

namespace platform::user {

struct GlBridge {
    // Makes no context current on this thread, remembering the one that was.
    void (*releaseCurrent)() = nullptr;
    // Makes the remembered context current again.
    void (*restoreCurrent)() = nullptr;
};

void SetGlBridge(const GlBridge& bridge);

}  // namespace platform::user
