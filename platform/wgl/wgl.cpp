#include "platform/wgl/wgl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/gdi/gdi.h"
#include "platform/user/gl_bridge.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"
#include "platform/wgl/wgl_detail.h"

// A context: its EGL context and the framebuffer it draws into.
struct HGLRC__ {
    EGLContext egl = EGL_NO_CONTEXT;
    EGLSurface pbuffer = EGL_NO_SURFACE;  // where the display cannot go without a surface
    GLuint framebuffer = 0, color = 0, depth = 0;  // colour: a texture, depth and stencil: a renderbuffer
    int width = 0, height = 0;
    HWND window = nullptr;  // the window it last drew for
    bool viewportSet = false;
};

namespace {

constexpr int kPixelFormat = 1;

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
};

struct Display {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    bool surfaceless = false;
    FramebufferCalls gl;
    bool packInvert = false;  // GL_MESA_pack_invert, known once a context has been current
    bool ok = false;
};

bool HasExtension(const char* list, const char* name)
{
    if (!list) return false;
    size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)); p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
    return false;
}

template <class F>
void Load(F& f, const char* name)
{
    f = reinterpret_cast<F>(eglGetProcAddress(name));
}

// One EGL display for the process: Mesa's surfaceless platform where it exists (no window system
// needed), else the default display.
Display& display()
{
    static Display d;
    static std::once_flag once;
    std::call_once(once, [] {
        const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
            auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
            if (getPlatformDisplay) d.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        }
        EGLint major = 0, minor = 0;
        if (d.display == EGL_NO_DISPLAY || !eglInitialize(d.display, &major, &minor)) {
            d.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
            if (d.display == EGL_NO_DISPLAY || !eglInitialize(d.display, &major, &minor)) return;
        }
        if (!eglBindAPI(EGL_OPENGL_API)) return;
        d.surfaceless = HasExtension(eglQueryString(d.display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context");
        const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(d.display, attributes, &d.config, 1, &count) || count < 1) return;
        Load(d.gl.genFramebuffers, "glGenFramebuffers");
        Load(d.gl.deleteFramebuffers, "glDeleteFramebuffers");
        Load(d.gl.bindFramebuffer, "glBindFramebuffer");
        Load(d.gl.genRenderbuffers, "glGenRenderbuffers");
        Load(d.gl.deleteRenderbuffers, "glDeleteRenderbuffers");
        Load(d.gl.bindRenderbuffer, "glBindRenderbuffer");
        Load(d.gl.renderbufferStorage, "glRenderbufferStorage");
        Load(d.gl.framebufferRenderbuffer, "glFramebufferRenderbuffer");
        Load(d.gl.checkFramebufferStatus, "glCheckFramebufferStatus");
        Load(d.gl.framebufferTexture2D, "glFramebufferTexture2D");
        d.ok = d.gl.genFramebuffers && d.gl.bindFramebuffer && d.gl.renderbufferStorage && d.gl.framebufferRenderbuffer &&
               d.gl.checkFramebufferStatus && d.gl.genRenderbuffers && d.gl.bindRenderbuffer && d.gl.deleteFramebuffers &&
               d.gl.deleteRenderbuffers && d.gl.framebufferTexture2D;
    });
    return d;
}

struct Registry {
    std::mutex mutex;
    std::set<HGLRC> contexts;
    std::map<HWND, int> formats;
};
Registry& registry()
{
    static Registry* r = new Registry;
    return *r;
}

bool IsLive(HGLRC context)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return context && r.contexts.count(context);
}

struct Current {
    HGLRC context = nullptr;
    HDC dc = nullptr;
};
thread_local Current current;

bool ClientSize(HWND hwnd, int* width, int* height)
{
    RECT r{};
    if (!GetClientRect(hwnd, &r)) return false;
    *width = std::max<int>(1, r.right - r.left);
    *height = std::max<int>(1, r.bottom - r.top);
    return true;
}

// Sizes (and at first makes) the context's framebuffer; the context is current. Its colour is a
// texture laid out as the window surface (bytes B, G, R, A), so that the driver reads it out with
// a plain copy. The alpha it keeps is no part of the picture: the read-back makes it opaque.
bool PrepareFramebuffer(HGLRC c, int width, int height)
{
    const FramebufferCalls& gl = display().gl;
    if (!c->framebuffer) {
        gl.genFramebuffers(1, &c->framebuffer);
        glGenTextures(1, &c->color);
        gl.genRenderbuffers(1, &c->depth);
    }
    gl.bindFramebuffer(GL_FRAMEBUFFER, c->framebuffer);
    if (c->width != width || c->height != height) {
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glBindTexture(GL_TEXTURE_2D, c->color);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
        gl.bindRenderbuffer(GL_RENDERBUFFER, c->depth);
        gl.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
        gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
        gl.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c->color, 0);
        gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, c->depth);
        c->width = width, c->height = height;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    return gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// Reads the top-left width x height pixels of the context's picture into the surface, top row
// first; as opaque pixels unless their top byte is of no use to the reader (the display's pixels
// without alpha). The driver turns the rows over where it can; none of the program's packing or
// read framebuffer applies. False on an OpenGL error.
bool ReadPicture(HGLRC c, const platform::user::Surface& surface, int width, int height, bool opaque = true)
{
    const Display& d = display();
    GLint readFramebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    d.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, c->framebuffer);
    const GLenum names[] = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS, GL_PACK_INVERT_MESA};
    const GLint ours[] = {4, surface.stride / 4, 0, 0, GL_TRUE};
    const int count = d.packInvert ? 5 : 4;
    GLint theirs[5] = {};
    for (int i = 0; i < count; ++i) {
        glGetIntegerv(names[i], &theirs[i]);
        glPixelStorei(names[i], ours[i]);
    }
    glReadPixels(0, c->height - height, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, surface.pixels);
    for (int i = 0; i < count; ++i) glPixelStorei(names[i], theirs[i]);
    d.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    if (glGetError() != GL_NO_ERROR) return false;
    platform::wgl::detail::FinishPicture(surface, width, height, !d.packInvert, opaque);
    return true;
}

void Release()
{
    Display& d = display();
    if (d.display != EGL_NO_DISPLAY) eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    current = Current{};
}

// Presentation steps around the calling thread's context (see gl_bridge.h); `current` keeps
// naming it meanwhile.
void ReleaseForPresentation()
{
    if (current.context) eglMakeCurrent(display().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void RestoreAfterPresentation()
{
    if (HGLRC c = current.context) eglMakeCurrent(display().display, c->pbuffer, c->pbuffer, c->egl);
}

void InstallGlBridge()
{
    static std::once_flag once;
    std::call_once(once, [] { platform::user::SetGlBridge(platform::user::GlBridge{ReleaseForPresentation, RestoreAfterPresentation}); });
}

}  // namespace

void platform::wgl::detail::ClearErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

bool platform::wgl::detail::CurrentFramebufferSize(int* width, int* height)
{
    if (!current.context) return false;
    *width = current.context->width;
    *height = current.context->height;
    return true;
}

void platform::wgl::detail::FinishPicture(const platform::user::Surface& surface, int width, int height, bool turn, bool opaque)
{
    if (turn) {
        for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(surface.row(top), surface.row(top) + width, surface.row(bottom));
    }
    for (int y = 0; opaque && y < height; ++y) {
        std::uint32_t* row = surface.row(y);
        for (int x = 0; x < width; ++x) row[x] |= 0xFF000000u;
    }
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd)
{
    if (!pfd || !WindowFromDC(dc)) return 0;
    if (!(pfd->dwFlags & PFD_SUPPORT_OPENGL) || (pfd->dwFlags & PFD_DRAW_TO_BITMAP) || pfd->iPixelType != PFD_TYPE_RGBA) return 0;
    return kPixelFormat;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*)
{
    HWND hwnd = WindowFromDC(dc);
    if (!hwnd || format != kPixelFormat) return FALSE;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto [it, added] = r.formats.emplace(hwnd, format);
    return it->second == format ? TRUE : FALSE;
}

int GetPixelFormat(HDC dc)
{
    HWND hwnd = WindowFromDC(dc);
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.formats.find(hwnd);
    return it == r.formats.end() ? 0 : it->second;
}

int DescribePixelFormat(HDC dc, int format, UINT size, LPPIXELFORMATDESCRIPTOR pfd)
{
    if (!WindowFromDC(dc)) return 0;
    if (pfd && format == kPixelFormat && size >= sizeof(PIXELFORMATDESCRIPTOR)) {
        *pfd = PIXELFORMATDESCRIPTOR{};
        pfd->nSize = sizeof(PIXELFORMATDESCRIPTOR);
        pfd->nVersion = 1;
        pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd->iPixelType = PFD_TYPE_RGBA;
        pfd->cColorBits = 24;
        pfd->cRedBits = pfd->cGreenBits = pfd->cBlueBits = 8;
        pfd->cRedShift = 16, pfd->cGreenShift = 8, pfd->cBlueShift = 0;
        pfd->cDepthBits = 24;
        pfd->cStencilBits = 8;
    }
    return 1;  // the number of formats
}

HGLRC wglCreateContext(HDC dc)
{
    HWND hwnd = WindowFromDC(dc);
    if (!hwnd || GetPixelFormat(dc) != kPixelFormat) return nullptr;
    Display& d = display();
    if (!d.ok) return nullptr;
    InstallGlBridge();
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    auto c = std::make_unique<HGLRC__>();
    c->egl = eglCreateContext(d.display, d.config, EGL_NO_CONTEXT, attributes);
    if (c->egl == EGL_NO_CONTEXT) return nullptr;
    if (!d.surfaceless) {
        const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
        c->pbuffer = eglCreatePbufferSurface(d.display, d.config, size);
        if (c->pbuffer == EGL_NO_SURFACE) {
            eglDestroyContext(d.display, c->egl);
            return nullptr;
        }
    }
    c->window = hwnd;
    HGLRC handle = c.release();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.contexts.insert(handle);
    return handle;
}

BOOL wglDeleteContext(HGLRC context)
{
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        if (!context || !r.contexts.erase(context)) return FALSE;
    }
    if (current.context == context) Release();
    Display& d = display();
    eglDestroyContext(d.display, context->egl);  // its framebuffer, textures and lists go with it
    if (context->pbuffer != EGL_NO_SURFACE) eglDestroySurface(d.display, context->pbuffer);
    delete context;
    return TRUE;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context)
{
    if (!context) {
        Release();
        return TRUE;
    }
    HWND hwnd = WindowFromDC(dc);
    int width = 0, height = 0;
    if (!IsLive(context) || !hwnd || GetPixelFormat(dc) != kPixelFormat || !ClientSize(hwnd, &width, &height)) return FALSE;
    Display& d = display();
    if (!eglMakeCurrent(d.display, context->pbuffer, context->pbuffer, context->egl)) return FALSE;
    current = Current{context, dc};
    context->window = hwnd;
    if (!PrepareFramebuffer(context, width, height)) {
        Release();
        return FALSE;
    }
    static std::once_flag extensions;
    std::call_once(extensions, [&d] {
        d.packInvert = HasExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), "GL_MESA_pack_invert");
    });
    // A context starts with the viewport of its window, as on first use of a window surface.
    if (!context->viewportSet) {
        glViewport(0, 0, width, height);
        context->viewportSet = true;
    }
    return TRUE;
}

HGLRC wglGetCurrentContext() { return current.context; }
HDC wglGetCurrentDC() { return current.dc; }

BOOL SwapBuffers(HDC dc)
{
    HWND hwnd = WindowFromDC(dc);
    HGLRC c = current.context;
    if (!hwnd || !c || c->window != hwnd || !IsWindow(hwnd)) return FALSE;
    platform::wgl::detail::ClearErrors();  // the program's own errors are not ours to report
    // A picture that fills the window goes straight to the display where it can.
    platform::user::Surface shown;
    bool alphaUsed = true;
    if (platform::user::BeginDirectPicture(hwnd, &shown, &alphaUsed)) {
        const bool written = c->width >= shown.width && c->height >= shown.height &&
                             ReadPicture(c, shown, shown.width, shown.height, alphaUsed);
        platform::user::EndDirectPicture(hwnd, written);
        if (written) return TRUE;
    }
    // The window may have been sized since the framebuffer was: its top-left part is published.
    platform::user::Surface* surface = platform::user::GetWindowSurface(hwnd);
    if (surface == nullptr) return FALSE;
    const int width = std::min(c->width, surface->width), height = std::min(c->height, surface->height);
    if (width <= 0 || height <= 0) return TRUE;
    // On failure nothing is published: the window keeps its picture.
    if (!ReadPicture(c, *surface, width, height)) return FALSE;
    if (width == surface->width && height == surface->height) {
        platform::user::MarkOpaqueSurfaceChanged(hwnd);
    } else {
        const RECT written{0, 0, width, height};
        platform::user::MarkSurfaceChanged(hwnd, &written);
    }
    return TRUE;
}
