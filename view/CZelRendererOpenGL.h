// The OpenGL 1.x renderer of a control: one rendering context on the control's window DC, one
// texture per view, 128 bitmap-font display lists for ASCII text, and the 3D camera. Every 2D
// primitive takes image pixels of one view and maps them through the view's source rectangle;
// primitives run between BeginFrame and EndFrame and draw into the viewport set last (DrawTexture
// or SetViewport).
//
// Threads: user-interface thread only. Init and UploadTexture make the context current and
// release it; BeginFrame makes it current and EndFrame releases it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/kernel/CString.h"
#include "platform/wgl/wgl.h"
#include "view/CZelRenderer.h"
#include "view/RenderViewSet.h"

class CZelRendererOpenGL : public CZelRenderer, public RenderViewSet {
public:
    CZelRendererOpenGL() = default;
    // Deletes the context and releases the window DC; the views go with the view set.
    ~CZelRendererOpenGL();

    int Init(HDC dc) override;
    int BeginFrame(std::uint32_t colour) override;
    void EndFrame() override;
    void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override;
    void DrawTexture(int texture, int view) override;

    // format 0 luminance, 1 RGB, 2 RGBA; pixels holds width x height of them, rows packed without
    // padding, and exactly that much is read. A size other than the view's recorded one becomes
    // view 0's image size (view 0 is laid out again) and redefines the texture. Nothing is
    // uploaded when the context cannot be made current.
    int UploadTexture(const std::uint8_t* pixels, int width, int height, int format, int view);
    void SetViewport(int view);
    void DrawLine(int x0, int y0, int x1, int y1, int view);
    void DrawCross(int x, int y, int size, int view);
    void DrawRect(int x, int y, int w, int h, int view);
    void FillRect(int x, int y, std::uint32_t w, std::uint32_t h, int view);
    void DrawPolygon(const POINT* points, std::uint32_t count, int view);
    void DrawCircle(float x, float y, float radius, std::uint32_t segments, int view);
    // Stamps: drawn as DrawCircle (x, y, radius, segments) and then DrawCross (x, y, crossSize)
    // draw a marker, and as DrawRect and DrawLine draw an outline and a line. Under an inverting
    // logic operation the pixels that such a drawing inverts are learnt from the framebuffer the
    // first time it is met, and the same drawing again only gathers them: anywhere in the view
    // where the view shows an image pixel as a whole number of window pixels (then the drawing
    // moves by whole pixels with its place), else only at the same place. DrawStamps then inverts
    // the gathered pixels in one draw, which costs the software renderer a fraction of the lines
    // they are made of, and draws the stamps met for the first time, learning them with two reads
    // of the framebuffer for all. A stamp that reaches past the viewport or the framebuffer, or
    // is met in any other drawing state, draws at once. The caller runs DrawStamps before it
    // changes the viewport or how lines are drawn, or ends the inverting operation; EndFrame runs
    // it for one that did not.
    void StampMarker(int x, int y, float radius, std::uint32_t segments, int crossSize, int view);
    void StampRect(int x, int y, int w, int h, int view);
    void StampLine(int x0, int y0, int x1, int y1, int view);
    void DrawStamps();
    void DrawColorWheel(float x, float y, float radius, const std::uint8_t* colours, std::uint32_t segments,
                        float startAngle, int view);
    void DrawColorStrip(int x0, int y0, int x1, int y1, const std::uint8_t* colours, std::uint32_t count, int view);
    void Begin3D();
    // raw: W x H samples in frame order; rgb: null or the W x H colour image as shown.
    void Draw3DSurface(const std::uint16_t* raw, const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height);
    void DrawAsciiText(const char* text, int x, int y, int view);
    void DrawAsciiText(const CString& text, int x, int y, int view);
    void DrawMultiByteText(const char* text, int x, int y, int weight, int view);
    // Texts of one weight, each drawn as DrawMultiByteText draws it, in one go: the same picture,
    // as the texts share the colour and every other drawing state, at a fraction of the cost.
    struct TextAt {
        const char* text;
        int x;
        int y;
    };
    void DrawMultiByteTexts(const TextAt* texts, std::size_t count, int weight, int view);
    void SetFont(int height, int charset, const char* face);

    HDC m_hDC = nullptr;
    HGLRC m_hRC = nullptr;
    std::vector<unsigned int> m_textures;
    unsigned int m_nListBase = 0;

private:
    // What the pixels of a stamp depend on: its kind and measures, its place and how lines are
    // drawn.
    struct StampKey {
        std::array<int, 4> shape;
        // Where the view's scale is whole: 1 and the scale across and up. Else 0, the anchor (the
        // image point the shape is measured from), the viewport and the view's source.
        std::array<int, 11> place;
        std::array<int, 8> lines;
        bool operator==(const StampKey&) const = default;
    };
    struct StampKeyHash {
        std::size_t operator()(const StampKey& key) const;
    };
    // The pixels a stamp inverts, as a bitmap in glBitmap's layout of its box (window pixels, y
    // from the bottom as glViewport counts it, from the window pixel of its anchor where the
    // view's scale is whole, else from the window's corner).
    struct Stamp {
        ViewRect box;
        std::vector<std::uint8_t> bits;
    };
    // A stamp met for the first time: its box in window pixels, where it is placed from, and how
    // it is drawn.
    struct NewStamp {
        StampKey key;
        ViewRect box;
        POINT origin;
        std::function<void()> draw;
    };
    // The drawing state that stamps depend on, asked once until DrawStamps.
    struct StampState {
        bool asked = false;
        ViewRect viewport;
        ViewRect room;  // the part of the viewport inside the framebuffer
        std::array<int, 8> lines{};
    };
    const StampState& CurrentStampState();
    // The window pixel that a stamp anchored at the image point is placed from, and its place in
    // its key.
    std::pair<POINT, std::array<int, 11>> StampPlace(int view, int x, int y) const;
    // The window pixels of the image area (x0, y0)-(x1, y1) of a view with room to spare.
    ViewRect WindowBox(int view, int x0, int y0, int x1, int y1) const;
    // Gathers the stamp's pixels when they are known, else keeps it for DrawStamps to draw. The
    // anchor (x, y) and the image area (x0, y0)-(x1, y1) that the drawing covers.
    // The drawing is kept as a function only when it is met for the first time, so that a known
    // stamp costs no allocation.
    template <class Draw>
    void Stamped(const std::array<int, 4>& shape, int view, int x, int y, int x0, int y0, int x1, int y1, Draw draw);
    // Draws the new stamps, and keeps the pixels of one of each kind that lies apart from the
    // others; the others are learnt when they come again.
    void LearnNewStamps();
    // The pixels of the box that a drawing changed, the inverted ones; none when one on the box's
    // edge changed, as the drawing may reach beyond the box.
    static std::optional<Stamp> ChangedPixels(const ViewRect& box, const std::vector<std::uint8_t>& before,
                                              const std::vector<std::uint8_t>& after);

    std::unordered_map<StampKey, Stamp, StampKeyHash> m_stamps;
    std::vector<NewStamp> m_newStamps;
    StampState m_stampState;
    platform::wgl::PixelInversion m_gathered;

    // Clip-space point of an image point of a view.
    void MapPoint(int view, double x, double y, double& cx, double& cy) const;
    void Vertex(int view, int x, int y) const;
    // Deletes the glyph lists and builds the 128 ASCII lists from the DC's selected font.
    void BuildGlyphLists();
    // Creates a font and selects it into the current DC, deleting the one it replaces.
    static void SelectNewFont(int height, int weight, int charset, const char* face);
    static void ReleaseContext();
};
