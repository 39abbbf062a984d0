// The display host: one SDL window per top-level window, its events turned into input, and the
// composed picture presented in it. Without a usable video driver the layer runs without a host.
#include <SDL.h>

#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/kernel/argb_pixel.h"
#include "platform/user/gdi_bridge.h"
#include "platform/user/gl_bridge.h"
#include "platform/user/input.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_tree.h"

namespace platform::user::detail {

namespace {

// A display window's surface as last presented into: a new one holds nothing of the picture.
struct SurfaceSeen {
    SDL_Surface* surface = nullptr;
    int width = 0;
    int height = 0;
    bool composedInto = false;  // the picture is composed into its pixels as they are
};

struct Host {
    std::once_flag once;
    std::mutex glMutex;
    GlBridge gl;  // set by the OpenGL layer from whichever thread uses it first
    bool ready = false;
    bool headless = true;
    std::thread::id thread;
    std::map<Uint32, HWND> byId;  // SDL window id -> top-level window
    std::map<HCURSOR, SDL_Cursor*> cursors;
    std::map<SDL_Window*, SurfaceSeen> surfaces;
    std::set<Uint32> maximizedByDisplay;  // display windows that the window manager maximised
    Uint32 buttonsOutside = 0;            // held outside the program's windows, as reported to the layer
    POINT pointerOutside{0, 0};
};

Host& host()
{
    static Host* h = new Host;
    return *h;
}

// Whether the video driver can show a window's pixels without OpenGL (X11 through shared memory,
// the off-screen drivers in memory). There the window surface is taken from the driver itself:
// SDL would otherwise put an OpenGL renderer behind it, whose context then stays current on the
// user-interface thread and meets the program's own contexts there. Only Wayland and KMS/DRM
// have no such way in SDL 2; there presentation steps around the program's contexts instead.
bool hasOwnFramebuffer(const char* driver)
{
    return driver != nullptr && std::strcmp(driver, "wayland") != 0 && std::strcmp(driver, "KMSDRM") != 0;
}

bool ensureVideo()
{
    Host& h = host();
    std::call_once(h.once, [&h] {
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // termination signals stay the program's
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
        // The GL library stays loaded for the whole run (failure is harmless): SDL would otherwise
        // load and unload it with every window it presents through OpenGL, and what it leaves
        // behind could no longer be traced to its library.
        SDL_GL_LoadLibrary(nullptr);
        h.ready = true;
        h.thread = std::this_thread::get_id();
        const char* driver = SDL_GetCurrentVideoDriver();
        h.headless = driver == nullptr || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
        if (hasOwnFramebuffer(driver)) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    });
    return h.ready && h.thread == std::this_thread::get_id();
}

SDL_Window* sdlOf(const Node& n) { return static_cast<SDL_Window*>(n.host); }

// Around what may run SDL's own OpenGL (presenting through, and destroying, a window surface with
// a renderer behind it): no context of the program is current meanwhile, and SDL's context is not
// current afterwards, so that SDL makes it current again itself the next time.
class SdlGlScope {
public:
    SdlGlScope()
    {
        {
            std::lock_guard lock(host().glMutex);
            m_gl = host().gl;
        }
        if (m_gl.releaseCurrent) m_gl.releaseCurrent();
    }
    ~SdlGlScope()
    {
        SDL_GL_MakeCurrent(nullptr, nullptr);
        if (m_gl.restoreCurrent) m_gl.restoreCurrent();
    }
    SdlGlScope(const SdlGlScope&) = delete;
    SdlGlScope& operator=(const SdlGlScope&) = delete;

private:
    GlBridge m_gl;
};

// Copies a part of the picture into the display window's surface: row by row where the surface
// holds 32-bit pixels of the same layout (the picture's pixels are opaque, so an unused top byte
// takes them as they are), else converted.
void copyToSurface(const Picture& picture, const SDL_Rect& r, SDL_Surface* target)
{
    const std::uint32_t* from = picture.pixels.data() + static_cast<std::size_t>(r.y) * picture.width + r.x;
    auto* to = static_cast<std::uint8_t*>(target->pixels) + static_cast<std::ptrdiff_t>(r.y) * target->pitch + r.x * target->format->BytesPerPixel;
    const Uint32 format = target->format->format;
    if (format != SDL_PIXELFORMAT_ARGB8888 && format != SDL_PIXELFORMAT_RGB888) {
        SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_ARGB8888, from, picture.width * 4, format, to, target->pitch);
        return;
    }
    for (int y = 0; y < r.h; ++y)
        std::memcpy(to + static_cast<std::ptrdiff_t>(y) * target->pitch, from + static_cast<std::size_t>(y) * picture.width,
                    static_cast<std::size_t>(r.w) * 4);
}

// Whether the display window's surface is new since the last presentation into it (it then holds
// nothing of the picture); from now on it counts as presented into.
bool takeFresh(SDL_Window* window, SDL_Surface* target)
{
    SurfaceSeen& seen = host().surfaces[window];
    const bool fresh = seen.surface != target || seen.width != target->w || seen.height != target->h;
    seen = SurfaceSeen{target, target->w, target->h};
    return fresh;
}

HWND hwndOf(Uint32 windowId)
{
    auto& m = host().byId;
    auto it = m.find(windowId);
    return it == m.end() ? nullptr : it->second;
}

POINT screenPoint(HWND hwnd, int x, int y)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    return POINT{r.left + x, r.top + y};
}

int virtualKeyOf(SDL_Keycode k)
{
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
    switch (k) {
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    default: return 0;
    }
}

void windowEvent(const SDL_WindowEvent& e)
{
    HWND hwnd = hwndOf(e.windowID);
    if (hwnd == nullptr) return;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case SDL_WINDOWEVENT_MOVED: {
        RECT r;
        GetWindowRect(hwnd, &r);
        if (r.left != e.data1 || r.top != e.data2) SetWindowPos(hwnd, nullptr, e.data1, e.data2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        break;
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        RECT r;
        GetWindowRect(hwnd, &r);
        if (r.right - r.left != e.data1 || r.bottom - r.top != e.data2) SetWindowPos(hwnd, nullptr, 0, 0, e.data1, e.data2, SWP_NOMOVE | SWP_NOZORDER);
        break;
    }
    case SDL_WINDOWEVENT_EXPOSED: {
        std::lock_guard lock(TreeMutex());
        if (Node* n = Find(hwnd)) NoteCovered(*n);
        break;
    }
    case SDL_WINDOWEVENT_LEAVE:
        input::MouseLeftDisplay();
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        window_manager::Minimized(hwnd);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        host().maximizedByDisplay.insert(e.windowID);
        window_manager::Maximized(hwnd);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        // Back from iconified, or from maximised by the window manager; after the layer's own
        // restore there is nothing left to change. (Being hidden and shown again is part of
        // being iconified and back, which is all a window manager does of that.)
        if (IsIconic(hwnd)) window_manager::Unminimized(hwnd);
        else if (host().maximizedByDisplay.erase(e.windowID)) window_manager::Unmaximized(hwnd);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        window_manager::Activated(hwnd);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // The keyboard going to another of the program's windows activates that one instead.
        if (SDL_GetKeyboardFocus() == nullptr) window_manager::Deactivated();
        break;
    default:
        break;
    }
}

// Gives the top-level window's display window the keyboard, where it is shown.
void giveKeyboard(HWND topLevel)
{
    if (host().headless) return;
    std::lock_guard lock(TreeMutex());
    Node* n = Find(topLevel);
    if (n == nullptr || n->host == nullptr || !(n->style & WS_VISIBLE) || SDL_GetKeyboardFocus() == sdlOf(*n)) return;
    SDL_SetWindowInputFocus(sdlOf(*n));
}

// The cursor's confinement on the display: the pointer is brought back inside while the press
// that asked for it is held, as the server still says. A confinement of the display's own
// (pointer barriers) would hold the pointer until the release is taken, however late.
void holdPointer()
{
    POINT to;
    if (host().headless || !input::PointerToHold(&to)) return;
    if (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) SDL_WarpMouseGlobal(to.x, to.y);
}

// While a window of the layer has the capture, a press outside the program's windows (on another
// program's window, on the desktop) reaches it too, as the capture of the active window does on
// Windows: a menu closes on it. The display reports no such press (the other program takes it,
// and a pointer grab of the display's would not outlast the display's own handling of its
// windows), so the pointer's buttons are looked at while the pointer is in none of the program's
// windows. A release follows its press, wherever it goes then.
void reportPressesOutside()
{
    Host& h = host();
    if (h.headless) return;
    Uint32 held = 0;
    if (GetCapture() != nullptr && SDL_GetMouseFocus() == nullptr) {
        int x = 0, y = 0;
        // Not a button pressed in a window of the program and held on outside it (a drag).
        held = SDL_GetGlobalMouseState(&x, &y) & ~SDL_GetMouseState(nullptr, nullptr);
        h.pointerOutside = POINT{x, y};
    }
    const std::pair<Uint32, input::Button> buttons[] = {
        {SDL_BUTTON_LMASK, input::Button::Left}, {SDL_BUTTON_RMASK, input::Button::Right}, {SDL_BUTTON_MMASK, input::Button::Middle}};
    for (const auto& [mask, button] : buttons)
        if ((held ^ h.buttonsOutside) & mask) input::MouseButton(h.pointerOutside, button, (held & mask) != 0);
    h.buttonsOutside = held;
}

}  // namespace

void HostCreate(Node& n)
{
    if (!ensureVideo()) return;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if ((n.style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    // A window that never becomes active is a popup menu to the desktop: no frame, no focus, on top.
    if (n.exStyle & WS_EX_NOACTIVATE) flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_ALWAYS_ON_TOP;
    int w = std::max(1, static_cast<int>(n.rect.right - n.rect.left));
    int h = std::max(1, static_cast<int>(n.rect.bottom - n.rect.top));
    SDL_Window* window = SDL_CreateWindow(n.text.c_str(), n.rect.left, n.rect.top, w, h, flags);
    if (window == nullptr) return;
    n.host = window;
    host().byId[SDL_GetWindowID(window)] = n.hwnd;
}

void HostDestroy(Node& n)
{
    if (n.host == nullptr) return;
    host().byId.erase(SDL_GetWindowID(sdlOf(n)));
    host().maximizedByDisplay.erase(SDL_GetWindowID(sdlOf(n)));
    host().surfaces.erase(sdlOf(n));
    const bool hadKeyboard = SDL_GetKeyboardFocus() == sdlOf(n);
    {
        SdlGlScope scope;
        SDL_DestroyWindow(sdlOf(n));
    }
    n.host = nullptr;
    // Without a window manager nobody else hands the keyboard on (from a popup menu, or a dialog
    // that ended), and keys would reach no window of the program.
    if (hadKeyboard) giveKeyboard(GetActiveWindow());
}

void HostSyncGeometry(Node& n)
{
    if (n.host == nullptr) return;
    SDL_SetWindowPosition(sdlOf(n), n.rect.left, n.rect.top);
    SDL_SetWindowSize(sdlOf(n), std::max(1, static_cast<int>(n.rect.right - n.rect.left)), std::max(1, static_cast<int>(n.rect.bottom - n.rect.top)));
}

void HostSyncShow(Node& n)
{
    if (n.host == nullptr) return;
    if (!(n.style & WS_VISIBLE)) {
        SDL_HideWindow(sdlOf(n));
        return;
    }
    // Where the window was placed while hidden is taken in first: once it is shown, a window
    // manager puts it into a frame, and SDL would read that earlier place against the frame.
    SDL_PumpEvents();
    SDL_ShowWindow(sdlOf(n));
    const Uint32 id = SDL_GetWindowID(sdlOf(n));
    if (n.minimized && !host().headless) {
        SDL_MinimizeWindow(sdlOf(n));
    } else if (!n.minimized && ((SDL_GetWindowFlags(sdlOf(n)) & SDL_WINDOW_MINIMIZED) ||
                                (!n.maximized && host().maximizedByDisplay.count(id)))) {
        host().maximizedByDisplay.erase(id);
        SDL_RestoreWindow(sdlOf(n));
    }
    NoteCovered(n);
}

void HostSetTitle(Node& n)
{
    if (n.host) SDL_SetWindowTitle(sdlOf(n), n.text.c_str());
}

void HostSetIcon(Node& n)
{
    const HICON icon = n.bigIcon ? n.bigIcon : n.smallIcon;
    const GdiBridge& b = GetGdiBridge();
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    if (n.host == nullptr || icon == nullptr || b.iconPixels == nullptr || !b.iconPixels(icon, &width, &height, &pixels)) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch);
        for (int x = 0; x < width; ++x) row[x] = StraightPixel(pixels[static_cast<std::size_t>(y) * width + x]);
    }
    SDL_SetWindowIcon(sdlOf(n), surface);
    SDL_FreeSurface(surface);
}

void HostPresent(Node& n, const Picture& picture, const std::vector<RECT>& parts, bool whole)
{
    if (n.host == nullptr || picture.width <= 0 || picture.height <= 0) return;
    SdlGlScope scope;
    SDL_Surface* target = SDL_GetWindowSurface(sdlOf(n));
    if (target == nullptr) return;
    const bool fresh = takeFresh(sdlOf(n), target);
    const RECT all{0, 0, std::min(target->w, picture.width), std::min(target->h, picture.height)};
    std::vector<SDL_Rect> rects;
    for (const RECT& part : whole || fresh ? std::vector<RECT>{all} : parts) {
        const RECT r{std::max<LONG>(part.left, 0), std::max<LONG>(part.top, 0), std::min(part.right, all.right), std::min(part.bottom, all.bottom)};
        if (r.left < r.right && r.top < r.bottom) rects.push_back(SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
    }
    if (rects.empty()) return;
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    for (const SDL_Rect& r : rects) copyToSurface(picture, r, target);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    SDL_UpdateWindowSurfaceRects(sdlOf(n), rects.data(), static_cast<int>(rects.size()));
}

bool HostFramebuffer(Node& n, Surface* pixels, bool* fresh)
{
    if (n.host == nullptr) return false;
    SdlGlScope scope;
    SDL_Surface* target = SDL_GetWindowSurface(sdlOf(n));
    if (target == nullptr || SDL_MUSTLOCK(target)) return false;
    // The picture's pixels are opaque, so an unused top byte takes them as they are.
    const Uint32 format = target->format->format;
    if (format != SDL_PIXELFORMAT_ARGB8888 && format != SDL_PIXELFORMAT_RGB888) return false;
    *fresh = takeFresh(sdlOf(n), target);
    host().surfaces[sdlOf(n)].composedInto = true;
    *pixels = Surface{static_cast<std::uint32_t*>(target->pixels), target->w, target->h, target->pitch};
    return true;
}

void HostShowFramebuffer(Node& n, const std::vector<RECT>& parts)
{
    std::vector<SDL_Rect> rects;
    for (const RECT& r : parts) rects.push_back(SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
    if (n.host == nullptr || rects.empty()) return;
    SdlGlScope scope;
    SDL_UpdateWindowSurfaceRects(sdlOf(n), rects.data(), static_cast<int>(rects.size()));
}

bool HostKeptFramebuffer(Node& n, Surface* pixels, bool* alphaUsed)
{
    if (n.host == nullptr) return false;
    auto seen = host().surfaces.find(sdlOf(n));
    if (seen == host().surfaces.end() || !seen->second.composedInto) return false;
    const SDL_Surface* target = seen->second.surface;
    *pixels = Surface{static_cast<std::uint32_t*>(target->pixels), target->w, target->h, target->pitch};
    *alphaUsed = target->format->format != SDL_PIXELFORMAT_RGB888;
    return true;
}

bool HostShownPicture(Node& n, Picture* out)
{
    if (n.host == nullptr) return false;
    SdlGlScope scope;
    SDL_Surface* target = SDL_GetWindowSurface(sdlOf(n));
    if (target == nullptr) return false;
    // A new surface holds nothing of the picture; the one kept is gone with it.
    auto seen = host().surfaces.find(sdlOf(n));
    if (seen != host().surfaces.end() && seen->second.surface != target) seen->second = SurfaceSeen{};
    out->width = target->w;
    out->height = target->h;
    out->pixels.assign(static_cast<std::size_t>(target->w) * target->h, 0);
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    SDL_ConvertPixels(target->w, target->h, target->format->format, target->pixels, target->pitch, SDL_PIXELFORMAT_ARGB8888,
                      out->pixels.data(), target->w * 4);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    return true;
}

bool HostPumpEvents()
{
    Host& h = host();
    if (!h.ready || h.thread != std::this_thread::get_id()) return false;
    bool any = false;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        any = true;
        switch (e.type) {
        case SDL_MOUSEMOTION:
            if (HWND hwnd = hwndOf(e.motion.windowID)) input::MouseMove(screenPoint(hwnd, e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (HWND hwnd = hwndOf(e.button.windowID)) {
                input::Button b = e.button.button == SDL_BUTTON_RIGHT ? input::Button::Right
                                  : e.button.button == SDL_BUTTON_MIDDLE ? input::Button::Middle
                                                                         : input::Button::Left;
                bool down = e.type == SDL_MOUSEBUTTONDOWN;
                SDL_CaptureMouse(down ? SDL_TRUE : SDL_FALSE);
                input::MouseButton(screenPoint(hwnd, e.button.x, e.button.y), b, down);
            }
            break;
        case SDL_MOUSEWHEEL:
            if (HWND hwnd = hwndOf(e.wheel.windowID)) {
                const POINT p = screenPoint(hwnd, e.wheel.mouseX, e.wheel.mouseY);
                if (e.wheel.y) input::MouseWheel(p, e.wheel.y * WHEEL_DELTA, false);
                if (e.wheel.x) input::MouseWheel(p, e.wheel.x * WHEEL_DELTA, true);
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (int vk = virtualKeyOf(e.key.keysym.sym)) input::Key(vk, e.type == SDL_KEYDOWN);
            break;
        case SDL_WINDOWEVENT:
            windowEvent(e.window);
            break;
        default:
            break;
        }
    }
    holdPointer();
    reportPressesOutside();
    return any;
}

bool HostHasWindows()
{
    Host& h = host();
    return h.ready && h.thread == std::this_thread::get_id() && !h.byId.empty();
}

bool HostIsHeadless()
{
    ensureVideo();
    return host().headless;
}

bool HostUsableBounds(RECT* bounds)
{
    if (!ensureVideo()) return false;
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) return false;
    *bounds = RECT{r.x, r.y, r.x + r.w, r.y + r.h};
    return true;
}

void HostSetCursor(HCURSOR cursor)
{
    Host& h = host();
    if (!h.ready || h.thread != std::this_thread::get_id() || h.headless) return;
    auto id = reinterpret_cast<UINT_PTR>(cursor);
    SDL_SystemCursor kind = id == 32649   ? SDL_SYSTEM_CURSOR_HAND
                            : id == 32515 ? SDL_SYSTEM_CURSOR_CROSSHAIR
                            : id == 32513 ? SDL_SYSTEM_CURSOR_IBEAM
                            : id == 32514 ? SDL_SYSTEM_CURSOR_WAIT
                            : id == 32646 ? SDL_SYSTEM_CURSOR_SIZEALL
                                          : SDL_SYSTEM_CURSOR_ARROW;
    SDL_Cursor*& c = h.cursors[cursor];
    if (c == nullptr) c = SDL_CreateSystemCursor(kind);
    if (c) SDL_SetCursor(c);
}

}  // namespace platform::user::detail

void platform::user::SetGlBridge(const GlBridge& bridge)
{
    detail::Host& h = detail::host();
    std::lock_guard lock(h.glMutex);
    h.gl = bridge;
}
