#include "tests/xserver/XServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>

namespace xserver_test {

namespace {

// One colour channel of a pixel value, scaled to 8 bits.
std::uint32_t Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const unsigned long top = mask >> shift;
    return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / top);
}

// The program's windows come and go while a test lists and reads them: one gone between being
// listed and being read is no fault of the test, and the read gives nothing. Any other error ends
// the test at once (Xlib's own handler would exit, which can hang on the test's threads).
int OnXError(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow)
        return 0;
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error: %s (request %d)\n", text, error->request_code);
    std::abort();
}

}  // namespace

XServer::~XServer()
{
    if (m_display)
        XCloseDisplay(m_display);
}

std::string XServer::NamedDisplay()
{
    const char* name = std::getenv(std::getenv("VANTREL_XSERVER_UNDER_WM") ? "VANTREL_XSERVER_WM_DISPLAY" : "VANTREL_XSERVER_DISPLAY");
    return name ? name : "";
}

bool XServer::Open(const std::string& display, std::string* reason)
{
    XSetErrorHandler(OnXError);
    m_display = XOpenDisplay(display.c_str());
    if (!m_display) {
        *reason = "cannot connect to the X server " + display;
        return false;
    }
    int event, error, major, minor;
    if (!XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
        *reason = "the X server " + display + " has no XTest extension";
        return false;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    // A desktop user has no such setting; it would hide faults of the accelerated window surface.
    unsetenv("SDL_FRAMEBUFFER_ACCELERATION");
    return true;
}

void XServer::Flush() { XSync(m_display, False); }

void XServer::MovePointer(POINT screen)
{
    XTestFakeMotionEvent(m_display, -1, screen.x, screen.y, CurrentTime);
    Flush();
}

void XServer::Click(POINT screen, unsigned int button)
{
    XTestFakeMotionEvent(m_display, -1, screen.x, screen.y, CurrentTime);
    XTestFakeButtonEvent(m_display, button, True, CurrentTime);
    XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    Flush();
}

void XServer::MovePointerBy(int dx, int dy)
{
    XTestFakeRelativeMotionEvent(m_display, dx, dy, CurrentTime);
    Flush();
}

void XServer::LeftButton(bool down)
{
    XTestFakeButtonEvent(m_display, Button1, down ? True : False, CurrentTime);
    Flush();
}

void XServer::Key(unsigned long keysym)
{
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    Flush();
}

void XServer::KeyWith(unsigned long modifier, unsigned long keysym)
{
    const KeyCode held = XKeysymToKeycode(m_display, modifier);
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    XTestFakeKeyEvent(m_display, held, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    XTestFakeKeyEvent(m_display, held, False, CurrentTime);
    Flush();
}

namespace {

// A window property's items (8-, 16- or 32-bit, as the server keeps them); empty when it has none.
template <class Item>
std::vector<Item> Property(_XDisplay* display, Window window, const char* name, Atom type)
{
    std::vector<Item> items;
    Atom actualType;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(display, name, False);
    if (XGetWindowProperty(display, window, property, 0, 1L << 24, False, type, &actualType, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
        const Item* first = reinterpret_cast<const Item*>(data);
        items.assign(first, first + count);
    }
    if (data)
        XFree(data);
    return items;
}

std::string Title(_XDisplay* display, Window window)
{
    auto name = Property<char>(display, window, "_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False));
    if (name.empty())
        name = Property<char>(display, window, "WM_NAME", XA_STRING);
    return std::string(name.begin(), name.end());
}

std::vector<Window> Children(_XDisplay* display, Window window)
{
    std::vector<Window> list;
    Window root, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children)
        list.assign(children, children + count);
    if (children)
        XFree(children);
    return list;
}

// The program's window inside a window manager's frame: the first one below it that the window
// manager marked with WM_STATE; None when there is none.
Window ClientIn(_XDisplay* display, Window frame)
{
    if (!Property<long>(display, frame, "WM_STATE", AnyPropertyType).empty())
        return frame;
    for (Window child : Children(display, frame))
        if (Window client = ClientIn(display, child))
            return client;
    return None;
}

}  // namespace

std::vector<ShownWindow> XServer::Windows()
{
    std::vector<ShownWindow> shown;
    const Window root = DefaultRootWindow(m_display);
    for (Window top : Children(m_display, root)) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(m_display, top, &a) || a.map_state != IsViewable)
            continue;
        Window window = ClientIn(m_display, top);
        if (window == None)
            window = top;
        int x = 0, y = 0;
        Window child;
        if (!XGetWindowAttributes(m_display, window, &a) || !XTranslateCoordinates(m_display, window, root, 0, 0, &x, &y, &child))
            continue;
        shown.push_back(ShownWindow{window, Title(m_display, window), RECT{x, y, x + a.width, y + a.height}});
    }
    return shown;
}

bool XServer::HasWindowManager()
{
    return !Property<long>(m_display, DefaultRootWindow(m_display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty();
}

unsigned long XServer::OpenOtherProgramsWindow(const RECT& screen, const std::string& title, bool takesKeyboard)
{
    const int width = screen.right - screen.left, height = screen.bottom - screen.top;
    const Window window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), screen.left, screen.top, width, height, 0,
                                              0, 0x808080);
    XStoreName(m_display, window, title.c_str());
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = takesKeyboard ? True : False;
    XSetWMHints(m_display, window, &hints);
    XSizeHints place{};
    place.flags = USPosition | USSize;
    place.x = screen.left;
    place.y = screen.top;
    place.width = width;
    place.height = height;
    XSetWMNormalHints(m_display, window, &place);
    XMapRaised(m_display, window);
    Flush();
    return window;
}

void XServer::Activate(unsigned long window)
{
    if (!HasWindowManager()) {
        XMapRaised(m_display, window);
        XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
        Flush();
        return;
    }
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;  // asked for by a task bar or pager, which a window manager obeys
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, DefaultRootWindow(m_display), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    Flush();
}

unsigned long XServer::Focus()
{
    Window focus = None;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    return focus == PointerRoot ? None : focus;
}

platform::user::Picture XServer::Icon(unsigned long window)
{
    // Xlib hands 32-bit items as longs: width, height, then the pixels row by row.
    const auto items = Property<long>(m_display, window, "_NET_WM_ICON", XA_CARDINAL);
    platform::user::Picture picture;
    if (items.size() < 2)
        return picture;
    const long width = items[0], height = items[1];
    if (width <= 0 || height <= 0 || static_cast<std::size_t>(width * height) > items.size() - 2)
        return picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    for (long i = 0; i < width * height; ++i)
        picture.pixels.push_back(static_cast<std::uint32_t>(items[static_cast<std::size_t>(2 + i)]));
    return picture;
}

void XServer::Hold(unsigned long keysym, bool down)
{
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), down ? True : False, CurrentTime);
    Flush();
}

POINT XServer::Pointer()
{
    Window root, child;
    int x = 0, y = 0, wx, wy;
    unsigned int mask;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &x, &y, &wx, &wy, &mask);
    return POINT{x, y};
}

platform::user::Picture XServer::Grab(const RECT& screen)
{
    platform::user::Picture picture;
    const int width = screen.right - screen.left;
    const int height = screen.bottom - screen.top;
    XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), screen.left, screen.top, width, height, AllPlanes,
                              ZPixmap);
    if (!image)
        return picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    // The usual 24-bit screen holds the words as we want them; any other goes pixel by pixel.
    const bool asOurs = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
                        image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
    for (int y = 0; y < height; ++y) {
        std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * width;
        if (asOurs) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line);
            for (int x = 0; x < width; ++x)
                out[x] = 0xFF000000u | (row[x] & 0xFFFFFFu);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            out[x] = 0xFF000000u | Channel(p, image->red_mask) << 16 | Channel(p, image->green_mask) << 8 |
                     Channel(p, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return picture;
}

}  // namespace xserver_test
