#include "view/CZelRendererOpenGL.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/user/window.h"
#include "platform/text/text.h"
#include "platform/wgl/wgl.h"

namespace {

constexpr double kTwoPi = 6.2831852;  // the constant the circles are drawn with
constexpr int kGlyphCount = 128;
// Stamps learnt are forgotten all together when there are this many, some 8 MB: where the view's
// scale is not whole they are learnt place by place, and a marker follows the hottest pixel of its
// region about, over all of it where the region is even.
constexpr std::size_t kStampsKept = 32768;

// RGBA pixels of a part of the framebuffer, rows bottom first.
std::vector<std::uint8_t> ReadPixels(const ViewRect& box)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(box.w) * box.h * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(box.x, box.y, box.w, box.h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPopClientAttrib();
    return pixels;
}

bool Meet(const ViewRect& a, const ViewRect& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool Within(const ViewRect& inner, const ViewRect& outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w && inner.y + inner.h <= outer.y + outer.h;
}

ViewRect Moved(const ViewRect& r, POINT by)
{
    return ViewRect{r.x + by.x, r.y + by.y, r.w, r.h};
}

GLenum PixelLayout(int format)
{
    switch (format) {
    case 0:
        return GL_LUMINANCE;
    case 2:
        return GL_RGBA;
    default:
        return GL_RGB;
    }
}

}  // namespace

CZelRendererOpenGL::~CZelRendererOpenGL()
{
    if (m_hDC)
        wglMakeCurrent(m_hDC, nullptr);
    if (m_hRC)
        wglDeleteContext(m_hRC);
    if (m_hDC)
        ReleaseDC(WindowFromDC(m_hDC), m_hDC);
}

void CZelRendererOpenGL::ReleaseContext()
{
    wglMakeCurrent(nullptr, nullptr);
}

int CZelRendererOpenGL::Init(HDC dc)
{
    m_hDC = dc;
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(dc, &pfd);
    if (format == 0)
        return 1;
    // A window keeps the pixel format it got first; a second Init finds it already set.
    if (GetPixelFormat(dc) != format && !SetPixelFormat(dc, format, &pfd))
        return 2;
    ReleaseContext();
    if (m_hRC) {
        wglDeleteContext(m_hRC);
        m_hRC = nullptr;
    }
    m_hRC = wglCreateContext(dc);
    if (!m_hRC)
        return 3;
    if (!wglMakeCurrent(dc, m_hRC))
        return 4;
    // The old lists went with the old context.
    m_nListBase = 0;
    SelectNewFont(18, FW_BOLD, ANSI_CHARSET, "Times New Roman");
    BuildGlyphLists();
    if (m_textures.empty()) {
        m_textures.resize(static_cast<std::size_t>(m_nViewCount));
        for (unsigned int& t : m_textures)
            glGenTextures(1, &t);
    }
    return wglMakeCurrent(nullptr, nullptr) ? 0 : 4;
}

void CZelRendererOpenGL::SelectNewFont(int height, int weight, int charset, const char* face)
{
    HFONT font = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, static_cast<DWORD>(charset), 0, 0, 6, 0x20, face);
    HGDIOBJ old = SelectObject(wglGetCurrentDC(), font);
    if (old)
        DeleteObject(old);
}

void CZelRendererOpenGL::BuildGlyphLists()
{
    if (m_nListBase) {
        glDeleteLists(m_nListBase, kGlyphCount);
        m_nListBase = 0;
    }
    m_nListBase = glGenLists(kGlyphCount);
    wglUseFontBitmapsA(wglGetCurrentDC(), 0, kGlyphCount, m_nListBase);
}

void CZelRendererOpenGL::SetFont(int height, int charset, const char* face)
{
    SelectNewFont(height, FW_BOLD, charset, face);
    BuildGlyphLists();
}

int CZelRendererOpenGL::BeginFrame(std::uint32_t colour)
{
    wglMakeCurrent(m_hDC, m_hRC);
    glClearColor((colour & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, ((colour >> 16) & 0xFF) / 255.0f,
                 ((colour >> 24) & 0xFF) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return 0;
}

void CZelRendererOpenGL::EndFrame()
{
    DrawStamps();
    if (m_b3D) {
        glPopMatrix();
        glFinish();
    }
    glColor3f(1, 1, 1);
    SwapBuffers(m_hDC);
    ReleaseContext();
}

void CZelRendererOpenGL::SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    glColor3ub(r, g, b);
}

void CZelRendererOpenGL::SetViewport(int view)
{
    const ViewRect& vp = m_pViews[view].viewport;
    glViewport(vp.x, vp.y, vp.w, vp.h);
}

void CZelRendererOpenGL::DrawTexture(int texture, int view)
{
    if (view < 0)
        view = texture;
    if (texture < 0 || static_cast<std::size_t>(texture) >= m_textures.size())
        return;
    const RenderView& v = m_pViews[view];
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetViewport(view);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_textures[static_cast<std::size_t>(texture)]);
    const double w = v.imageWidth ? v.imageWidth : 1;
    const double h = v.imageHeight ? v.imageHeight : 1;
    const float u0 = static_cast<float>(v.source.x / w);
    const float u1 = static_cast<float>((v.source.x + v.source.w) / w);
    const float t0 = static_cast<float>(v.source.y / h);
    const float t1 = static_cast<float>((v.source.y + v.source.h) / h);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, t0);
    glVertex3f(-1, 1, 0);
    glTexCoord2f(u1, t0);
    glVertex3f(1, 1, 0);
    glTexCoord2f(u1, t1);
    glVertex3f(1, -1, 0);
    glTexCoord2f(u0, t1);
    glVertex3f(-1, -1, 0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

int CZelRendererOpenGL::UploadTexture(const std::uint8_t* pixels, int width, int height, int format, int view)
{
    const GLenum layout = PixelLayout(format);
    RenderView& v = m_pViews[view];
    const bool update = static_cast<std::uint32_t>(width) == v.imageWidth && static_cast<std::uint32_t>(height) == v.imageHeight;
    if (!update) {
        // Only view 0 records an uploaded size.
        m_pViews[0].imageWidth = static_cast<std::uint32_t>(width);
        m_pViews[0].imageHeight = static_cast<std::uint32_t>(height);
        LayoutView(0);
    }
    if (!m_hRC || static_cast<std::size_t>(view) >= m_textures.size() || width <= 0 || height <= 0)
        return 0;
    // Without our context current the calls would land in whatever context the thread has, with
    // its texture names and its unpacking state.
    if (!wglMakeCurrent(m_hDC, m_hRC))
        return 0;
    glBindTexture(GL_TEXTURE_2D, m_textures[static_cast<std::size_t>(view)]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // The pixels are width x height, rows packed one after another: read exactly that many bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    if (update)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, layout, GL_UNSIGNED_BYTE, pixels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(layout), width, height, 0, layout, GL_UNSIGNED_BYTE, pixels);
    ReleaseContext();
    return 0;
}

void CZelRendererOpenGL::MapPoint(int view, double x, double y, double& cx, double& cy) const
{
    const ViewRect& s = m_pViews[view].source;
    // An empty source (no image yet) maps as a one-pixel one rather than dividing by zero.
    const double sw = s.w ? s.w : 1;
    const double sh = s.h ? s.h : 1;
    cx = 2.0 * (x - s.x) / sw - 1.0;
    cy = 1.0 - 2.0 * (y - s.y) / sh;
}

void CZelRendererOpenGL::Vertex(int view, int x, int y) const
{
    double cx, cy;
    MapPoint(view, x, y, cx, cy);
    glVertex2f(static_cast<float>(cx), static_cast<float>(cy));
}

void CZelRendererOpenGL::DrawLine(int x0, int y0, int x1, int y1, int view)
{
    glBegin(GL_LINES);
    Vertex(view, x0, y0);
    Vertex(view, x1, y1);
    glEnd();
}

void CZelRendererOpenGL::DrawCross(int x, int y, int size, int view)
{
    DrawLine(x - size, y, x + size, y, view);
    DrawLine(x, y - size, x, y + size, view);
}

void CZelRendererOpenGL::DrawRect(int x, int y, int w, int h, int view)
{
    DrawLine(x, y, x + w, y, view);
    DrawLine(x + w, y, x + w, y + h, view);
    DrawLine(x + w, y + h, x, y + h, view);
    DrawLine(x, y + h, x, y, view);
}

void CZelRendererOpenGL::FillRect(int x, int y, std::uint32_t w, std::uint32_t h, int view)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBegin(GL_POLYGON);
    Vertex(view, x, y);
    Vertex(view, x + static_cast<int>(w), y);
    Vertex(view, x + static_cast<int>(w), y + static_cast<int>(h));
    Vertex(view, x, y + static_cast<int>(h));
    glEnd();
}

void CZelRendererOpenGL::DrawPolygon(const POINT* points, std::uint32_t count, int view)
{
    glBegin(GL_POLYGON);
    for (std::uint32_t i = 0; i < count; ++i)
        Vertex(view, points[i].x, points[i].y);
    glEnd();
}

void CZelRendererOpenGL::DrawCircle(float x, float y, float radius, std::uint32_t segments, int view)
{
    double cx, cy;
    MapPoint(view, static_cast<int>(x), static_cast<int>(y), cx, cy);
    const ViewRect& s = m_pViews[view].source;
    const unsigned r = static_cast<unsigned>(radius);
    const double rx = 2.0 * r / (s.w ? s.w : 1);
    const double ry = -2.0 * r / (s.h ? s.h : 1);
    glColor3f(1, 1, 1);
    // In one draw from an array: in immediate mode the driver may cut a polygon that follows others
    // in its batch, and the pieces' outline takes a few other pixels, so the same circle would not
    // always draw the same.
    std::vector<GLfloat> rim(2 * static_cast<std::size_t>(segments));
    for (std::uint32_t i = 0; i < segments; ++i) {
        const float a = static_cast<float>(i * (kTwoPi / segments));
        rim[2 * i] = static_cast<float>(cx + std::cos(a) * rx);
        rim[2 * i + 1] = static_cast<float>(cy + std::sin(a) * ry);
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, rim.data());
    glDrawArrays(GL_POLYGON, 0, static_cast<GLsizei>(segments));
    glPopClientAttrib();
}

std::size_t CZelRendererOpenGL::StampKeyHash::operator()(const StampKey& key) const
{
    std::size_t h = 0;
    auto mix = [&h](const auto& values) {
        for (int v : values)
            h = h * 1000003u ^ static_cast<unsigned>(v);
    };
    mix(key.shape);
    mix(key.place);
    mix(key.lines);
    return h;
}

const CZelRendererOpenGL::StampState& CZelRendererOpenGL::CurrentStampState()
{
    StampState& s = m_stampState;
    if (s.asked)
        return s;
    s.asked = true;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    s.viewport = ViewRect{viewport[0], viewport[1], viewport[2], viewport[3]};
    RECT client{};
    GetClientRect(WindowFromDC(m_hDC), &client);
    const int left = std::max(s.viewport.x, 0), bottom = std::max(s.viewport.y, 0);
    const int right = std::min(s.viewport.x + s.viewport.w, static_cast<int>(client.right));
    const int top = std::min(s.viewport.y + s.viewport.h, static_cast<int>(client.bottom));
    s.room = ViewRect{left, bottom, right - left, top - bottom};
    std::array<int, 8>& k = s.lines;
    k[0] = glIsEnabled(GL_LINE_STIPPLE);
    glGetIntegerv(GL_LINE_STIPPLE_PATTERN, &k[1]);
    glGetIntegerv(GL_LINE_STIPPLE_REPEAT, &k[2]);
    glGetIntegerv(GL_POLYGON_MODE, &k[3]);  // front and back
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    k[5] = std::bit_cast<int>(width);
    k[6] = glIsEnabled(GL_LINE_SMOOTH);
    k[7] = glIsEnabled(GL_POLYGON_SMOOTH);
    return s;
}

std::pair<POINT, std::array<int, 11>> CZelRendererOpenGL::StampPlace(int view, int x, int y) const
{
    const ViewRect& s = m_pViews[view].source;
    const ViewRect& p = m_stampState.viewport;
    // A whole scale puts every image point on a window pixel's corner (up to a rounding far below
    // the rasterizer's sub-pixel steps), and the line stipple starts afresh with each line: the
    // pixels a drawing inverts move with it. Any other scale puts them on fractions of pixels
    // that change from place to place.
    if (s.w > 0 && s.h > 0 && p.w % s.w == 0 && p.h % s.h == 0) {
        const int across = p.w / s.w, up = p.h / s.h;
        return {POINT{p.x + (x - s.x) * across, p.y + p.h - (y - s.y) * up}, {1, across, up}};
    }
    return {POINT{0, 0}, {0, x, y, p.x, p.y, p.w, p.h, s.x, s.y, s.w, s.h}};
}

ViewRect CZelRendererOpenGL::WindowBox(int view, int x0, int y0, int x1, int y1) const
{
    // A pixel changed on the box's edge would mean the drawing reaches further.
    constexpr int kMargin = 3;
    double ax, ay, bx, by;
    MapPoint(view, x0, y0, ax, ay);
    MapPoint(view, x1, y1, bx, by);
    const ViewRect& p = m_stampState.viewport;
    auto column = [&](double cx) { return static_cast<int>(std::floor(p.x + (cx + 1) * p.w / 2)); };
    auto row = [&](double cy) { return static_cast<int>(std::floor(p.y + (cy + 1) * p.h / 2)); };
    return ViewRect{std::min(column(ax), column(bx)) - kMargin, std::min(row(ay), row(by)) - kMargin,
                    std::abs(column(bx) - column(ax)) + 2 * kMargin + 1, std::abs(row(by) - row(ay)) + 2 * kMargin + 1};
}

template <class Draw>
void CZelRendererOpenGL::Stamped(const std::array<int, 4>& shape, int view, int x, int y, int x0, int y0, int x1, int y1,
                                 Draw draw)
{
    if (!platform::wgl::PixelInversion::Applies()) {
        draw();
        return;
    }
    const StampState& state = CurrentStampState();
    const auto [origin, place] = StampPlace(view, x, y);
    const StampKey key{shape, place, state.lines};
    const auto found = m_stamps.find(key);
    const ViewRect box = found == m_stamps.end() ? WindowBox(view, x0, y0, x1, y1) : Moved(found->second.box, origin);
    // Lines clipped at the viewport's edge may take other pixels than where they are whole.
    if (!Within(box, state.room)) {
        draw();
        return;
    }
    if (found == m_stamps.end())
        m_newStamps.push_back(NewStamp{key, box, origin, std::move(draw)});
    else
        m_gathered.Add(box.x, box.y, box.w, box.h, (box.w + 7) / 8, found->second.bits.data());
}

void CZelRendererOpenGL::LearnNewStamps()
{
    std::vector<const NewStamp*> learnt;
    std::vector<const NewStamp*> drawnOnly;
    for (const NewStamp& n : m_newStamps) {
        const bool first = std::none_of(learnt.begin(), learnt.end(),
                                        [&](const NewStamp* o) { return o->key == n.key || Meet(o->box, n.box); });
        (first ? learnt : drawnOnly).push_back(&n);
    }
    // They were met under an inverting operation; the ones not learnt go first, out of the way.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_INVERT);
    for (const NewStamp* n : drawnOnly)
        n->draw();
    std::vector<std::vector<std::uint8_t>> before;
    for (const NewStamp* n : learnt)
        before.push_back(ReadPixels(n->box));
    for (const NewStamp* n : learnt)
        n->draw();
    glPopAttrib();
    for (std::size_t k = 0; k < learnt.size(); ++k) {
        const NewStamp& n = *learnt[k];
        std::optional<Stamp> stamp = ChangedPixels(n.box, before[k], ReadPixels(n.box));
        if (!stamp)
            continue;
        if (m_stamps.size() >= kStampsKept)
            m_stamps.clear();
        stamp->box = Moved(stamp->box, POINT{-n.origin.x, -n.origin.y});
        m_stamps.emplace(n.key, std::move(*stamp));
    }
    m_newStamps.clear();
}

std::optional<CZelRendererOpenGL::Stamp> CZelRendererOpenGL::ChangedPixels(const ViewRect& box, const std::vector<std::uint8_t>& before,
                                                                            const std::vector<std::uint8_t>& after)
{
    const int rowBytes = (box.w + 7) / 8;
    Stamp stamp{box, std::vector<std::uint8_t>(static_cast<std::size_t>(rowBytes) * box.h, 0)};
    for (int r = 0; r < box.h; ++r) {
        for (int c = 0; c < box.w; ++c) {
            const std::size_t i = (static_cast<std::size_t>(r) * box.w + c) * 4;
            if (std::equal(&before[i], &before[i] + 4, &after[i]))
                continue;
            if (r == 0 || c == 0 || r == box.h - 1 || c == box.w - 1)
                return std::nullopt;
            stamp.bits[static_cast<std::size_t>(r) * rowBytes + c / 8] |= static_cast<std::uint8_t>(0x80 >> (c % 8));
        }
    }
    return stamp;
}

void CZelRendererOpenGL::StampMarker(int x, int y, float radius, std::uint32_t segments, int crossSize, int view)
{
    const int reach = std::max(static_cast<int>(static_cast<unsigned>(radius)), std::abs(crossSize));
    Stamped({0, std::bit_cast<int>(radius), static_cast<int>(segments), crossSize}, view, x, y, x - reach, y - reach, x + reach,
            y + reach, [=, this] {
                DrawCircle(static_cast<float>(x), static_cast<float>(y), radius, segments, view);
                DrawCross(x, y, crossSize, view);
            });
    glColor3f(1, 1, 1);  // as the circle leaves it
}

void CZelRendererOpenGL::StampRect(int x, int y, int w, int h, int view)
{
    Stamped({1, w, h, 0}, view, x, y, x, y, x + w, y + h, [=, this] { DrawRect(x, y, w, h, view); });
}

void CZelRendererOpenGL::StampLine(int x0, int y0, int x1, int y1, int view)
{
    Stamped({2, x1 - x0, y1 - y0, 0}, view, x0, y0, x0, y0, x1, y1, [=, this] { DrawLine(x0, y0, x1, y1, view); });
}

void CZelRendererOpenGL::DrawStamps()
{
    m_stampState.asked = false;
    m_gathered.Draw();
    if (!m_newStamps.empty())
        LearnNewStamps();
}

void CZelRendererOpenGL::DrawColorWheel(float x, float y, float radius, const std::uint8_t* colours,
                                        std::uint32_t segments, float startAngle, int view)
{
    double cx, cy;
    MapPoint(view, static_cast<int>(x), static_cast<int>(y), cx, cy);
    const ViewRect& s = m_pViews[view].source;
    const unsigned r = static_cast<unsigned>(radius);
    const double rx = 2.0 * r / (s.w ? s.w : 1);
    const double ry = -2.0 * r / (s.h ? s.h : 1);
    auto rim = [&](float a, const std::uint8_t* c) {
        glColor3ub(c[0], c[1], c[2]);
        glVertex2f(static_cast<float>(cx + std::cos(a) * rx), static_cast<float>(cy + std::sin(a) * ry));
    };
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBegin(GL_TRIANGLE_FAN);
    glColor3ub(colours[0], colours[1], colours[2]);
    glVertex2f(static_cast<float>(cx), static_cast<float>(cy));
    for (std::uint32_t i = 0; i < segments; ++i)
        rim(static_cast<float>(startAngle + i * (kTwoPi / segments)), colours + 4 * static_cast<std::size_t>(i));
    rim(static_cast<float>(startAngle + kTwoPi), colours);
    glEnd();
}

void CZelRendererOpenGL::DrawColorStrip(int x0, int y0, int x1, int y1, const std::uint8_t* colours,
                                        std::uint32_t count, int view)
{
    if (count < 2)
        return;
    double ax, ay, bx, by;
    MapPoint(view, x0, y0, ax, ay);
    MapPoint(view, x1, y1, bx, by);
    glBegin(GL_LINE_STRIP);
    for (std::uint32_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / (count - 1);
        glColor3ub(colours[3 * i], colours[3 * i + 1], colours[3 * i + 2]);
        glVertex2f(static_cast<float>(ax + (bx - ax) * t), static_cast<float>(ay + (by - ay) * t));
    }
    glEnd();
}

void CZelRendererOpenGL::Begin3D()
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 1.0, 0.1, 300.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, -30, 0, 0, 0, 0, 0, 0, 1);
    glPushMatrix();
    glTranslatef(m_fTransX, m_fTransY, m_fTransZ);
    glRotatef(m_fRotX, 1, 0, 0);
    glRotatef(m_fRotY, 0, 1, 0);
    glRotatef(m_fRotZ, 0, 0, 1);

    struct Axis {
        float r, g, b;
        float from[3], to[3];
        float heads[4][3];
    };
    static const Axis axes[3] = {
        {0, 1, 0, {-10, 0, 0}, {10, 0, 0}, {{9.6f, 0.3f, 0}, {9.6f, -0.3f, 0}, {9.6f, 0, 0.3f}, {9.6f, 0, -0.3f}}},
        {1, 0, 0, {0, -10, 0}, {0, 10, 0}, {{-0.3f, 9.6f, 0}, {0.3f, 9.6f, 0}, {0, 9.6f, -0.3f}, {0, 9.6f, 0.3f}}},
        {0, 0, 1, {0, 0, -10}, {0, 0, 10}, {{0.3f, 0, 9.6f}, {-0.3f, 0, 9.6f}, {0, 0.3f, 9.6f}, {0, -0.3f, 9.6f}}},
    };
    glBegin(GL_LINES);
    for (const Axis& a : axes) {
        glColor3f(a.r, a.g, a.b);
        glVertex3fv(a.from);
        glVertex3fv(a.to);
        for (const auto& h : a.heads) {
            glVertex3fv(h);
            glVertex3fv(a.to);
        }
    }
    glEnd();
}

void CZelRendererOpenGL::Draw3DSurface(const std::uint16_t* raw, const std::uint8_t* rgb, std::uint32_t width,
                                       std::uint32_t height)
{
    const ViewRect& t = m_pViews[0].target;
    glViewport(t.x, t.y, t.w, t.h);
    if (!raw || width == 0 || height == 0)
        return;
    const float W = static_cast<float>(width);
    const float H = static_cast<float>(height);
    auto height3d = [](std::uint16_t s) {
        return static_cast<float>(static_cast<double>(static_cast<int>(s) - 18377) / 800) * 4.0f;
    };
    auto vertex = [&](std::uint32_t c, std::uint32_t r, std::uint16_t s) {
        glVertex3f((2.0f * c / W - 1) * 5, (2.0f * r / H - 1) * 5, height3d(s));
    };
    const int flip = m_pViews[0].flip;
    const std::uint32_t w = width;
    const std::uint32_t h = height;

    if (!rgb) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glColor3ub(255, 255, 255);
        glBegin(GL_QUADS);
        for (std::uint32_t r = 0; r + 1 < h; ++r) {
            const std::uint16_t* row = raw + static_cast<std::size_t>(h - 1 - r) * w;
            const std::uint16_t* next = raw + static_cast<std::size_t>(h - 2 - r) * w;
            for (std::uint32_t c = 0; c + 1 < w; ++c) {
                vertex(c, r, row[c]);
                vertex(c + 1, r, row[c + 1]);
                vertex(c + 1, r + 1, next[c + 1]);
                vertex(c, r + 1, next[c]);
            }
        }
        glEnd();
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        return;
    }

    glPointSize(3.0f);
    glColor3ub(255, 255, 255);
    glBegin(GL_POINTS);
    vertex(w / 2, h / 2, raw[static_cast<std::size_t>(h / 2) * w + w / 2]);
    glEnd();

    // Raw rows and columns follow the flip flags so that they match the flipped colour image.
    auto rawRow = [&](std::uint32_t r) { return raw + static_cast<std::size_t>((flip & 2) ? r : h - 1 - r) * w; };
    auto rawCol = [&](std::uint32_t c) { return (flip & 1) ? w - 1 - c : c; };
    auto colour = [&](std::uint32_t c, std::uint32_t r) {
        const std::uint8_t* p = rgb + (static_cast<std::size_t>(h - 1 - r) * w + c) * 3;
        glColor3ub(p[0], p[1], p[2]);
    };
    auto quads = [&](bool coloured) {
        glBegin(GL_QUADS);
        for (std::uint32_t r = 0; r + 1 < h; ++r) {
            const std::uint16_t* row = rawRow(r);
            const std::uint16_t* next = rawRow(r + 1);
            for (std::uint32_t c = 0; c + 1 < w; ++c) {
                const std::uint32_t c0 = rawCol(c);
                const std::uint32_t c1 = rawCol(c + 1);
                if (coloured)
                    colour(c, r);
                vertex(c, r, row[c0]);
                if (coloured)
                    colour(c + 1, r);
                vertex(c + 1, r, row[c1]);
                if (coloured)
                    colour(c + 1, r + 1);
                vertex(c + 1, r + 1, next[c1]);
                if (coloured)
                    colour(c, r + 1);
                vertex(c, r + 1, next[c0]);
            }
        }
        glEnd();
    };
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    quads(true);
    if (m_bGrid) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glColor4ub(0, 0, 0, 100);
        quads(false);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
}

void CZelRendererOpenGL::DrawAsciiText(const char* text, int x, int y, int view)
{
    double cx, cy;
    MapPoint(view, x, y, cx, cy);
    glRasterPos2f(static_cast<float>(cx), static_cast<float>(cy));
    if (!m_nListBase)
        return;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < kGlyphCount)
            glCallList(m_nListBase + *p);
    }
}

void CZelRendererOpenGL::DrawAsciiText(const CString& text, int x, int y, int view)
{
    DrawAsciiText(static_cast<const char*>(text), x, y, view);
}

void CZelRendererOpenGL::DrawMultiByteText(const char* text, int x, int y, int weight, int view)
{
    const TextAt one{text, x, y};
    DrawMultiByteTexts(&one, 1, weight, view);
}

void CZelRendererOpenGL::DrawMultiByteTexts(const TextAt* texts, std::size_t count, int weight, int view)
{
    if (count == 0)
        return;
    SelectNewFont(23, weight, DEFAULT_CHARSET, "微软雅黑");
    std::vector<std::vector<WCHAR>> wide(count);
    std::vector<platform::wgl::GlyphRun> runs(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int characters = platform::text::CountCharacters(texts[i].text);
        wide[i].assign(static_cast<std::size_t>(characters) + 1, 0);
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, texts[i].text, -1, wide[i].data(), characters + 1);
        wide[i][static_cast<std::size_t>(characters)] = 0;
        double cx, cy;
        MapPoint(view, texts[i].x, texts[i].y, cx, cy);
        runs[i] = platform::wgl::GlyphRun{static_cast<float>(cx), static_cast<float>(cy), wide[i].data(), characters};
    }
    // The glyphs come from the platform's store, made once per font and character: lists made
    // and called for every character cost the software renderer many times more.
    platform::wgl::DrawGlyphRuns(wglGetCurrentDC(), runs.data(), static_cast<int>(count));
}
