// Draws the program's pictures and synthesizes its alarm sound. Everything here is this project's
// own artwork, made from simple shapes so that it is the same on every build.
#include "tools/resgen/art.h"

#include <cairo.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace resgen {
namespace {

using Painter = std::function<void(cairo_t*, int w, int h)>;

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};
// The program's colour scheme: the dark window ground, the cyan accent and the border blue.
constexpr Rgb kGround{1 / 255.0, 24 / 255.0, 38 / 255.0};
constexpr Rgb kAccent{0.0, 197 / 255.0, 1.0};
constexpr Rgb kBorder{0.0, 174 / 255.0, 254 / 255.0};
constexpr Rgb kWhite{1.0, 1.0, 1.0};
constexpr Rgb kGrey{0.55, 0.6, 0.66};

void Colour(cairo_t* cr, Rgb c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

// A cold-to-hot ramp as the thermal palettes show it.
cairo_pattern_t* ThermalRamp(double x0, double y0, double x1, double y1)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    cairo_pattern_add_color_stop_rgb(p, 0.0, 0.1, 0.1, 0.55);
    cairo_pattern_add_color_stop_rgb(p, 0.35, 0.6, 0.1, 0.6);
    cairo_pattern_add_color_stop_rgb(p, 0.65, 1.0, 0.45, 0.0);
    cairo_pattern_add_color_stop_rgb(p, 1.0, 1.0, 0.95, 0.4);
    return p;
}

cairo_surface_t* Render(int w, int h, const Painter& paint, bool antialias = true)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    if (!antialias)
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    paint(cr, w, h);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
}

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what);
}

void WritePng(const std::string& path, int w, int h, const Painter& paint)
{
    cairo_surface_t* s = Render(w, h, paint);
    cairo_status_t st = cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
    Check(st == CAIRO_STATUS_SUCCESS, "cannot write " + path);
}

// Un-premultiplied R, G, B, A of a cairo pixel.
std::array<std::uint8_t, 4> Straight(std::uint32_t px)
{
    std::uint8_t a = px >> 24;
    auto un = [a](std::uint32_t c) -> std::uint8_t { return a ? static_cast<std::uint8_t>((c * 255 + a / 2) / a) : 0; };
    return {un((px >> 16) & 0xFF), un((px >> 8) & 0xFF), un(px & 0xFF), a};
}

// A palette PNG: drawn without anti-aliasing so that it holds only the few colours painted.
void WritePalettePng(const std::string& path, int w, int h, const Painter& paint)
{
    cairo_surface_t* s = Render(w, h, paint, false);
    const auto* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    std::map<std::uint32_t, std::uint8_t> index;
    std::vector<std::uint8_t> colormap;  // RGBA entries
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            auto c = Straight(row[x]);
            std::uint32_t key = c[3] ? (c[0] << 24 | c[1] << 16 | c[2] << 8 | c[3]) : 0;
            auto it = index.find(key);
            if (it == index.end()) {
                Check(index.size() < 256, "too many colours for a palette in " + path);
                it = index.emplace(key, static_cast<std::uint8_t>(index.size())).first;
                for (int k = 0; k < 4; ++k)
                    colormap.push_back(key ? c[k] : 0);
            }
            pixels[static_cast<std::size_t>(y) * w + x] = it->second;
        }
    }
    cairo_surface_destroy(s);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_RGBA_COLORMAP;
    image.colormap_entries = static_cast<png_uint_32>(index.size());
    int ok = png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), w, colormap.data());
    Check(ok != 0, "cannot write " + path);
}

// A 24-bit bottom-up device-independent bitmap file, opaque over the scroll bar's ground.
void WriteBmp(const std::string& path, int w, int h, const Painter& paint)
{
    cairo_surface_t* s = Render(w, h, [&](cairo_t* cr, int ww, int hh) {
        cairo_set_source_rgb(cr, 74 / 255.0, 82 / 255.0, 107 / 255.0);
        cairo_paint(cr);
        paint(cr, ww, hh);
    });
    const auto* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    int rowBytes = (w * 3 + 3) & ~3;
    std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(rowBytes) * h, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) { file[at] = v & 0xFF; file[at + 1] = (v >> 8) & 0xFF; };
    auto put32 = [&](std::size_t at, std::uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<std::uint32_t>(rowBytes) * h);
    put32(38, 3780);  // 96 dots an inch
    put32(42, 3780);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + (h - 1 - y) * stride);
        std::uint8_t* out = file.data() + 54 + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < w; ++x) {
            out[3 * x] = row[x] & 0xFF;
            out[3 * x + 1] = (row[x] >> 8) & 0xFF;
            out[3 * x + 2] = (row[x] >> 16) & 0xFF;
        }
    }
    cairo_surface_destroy(s);
    FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr, "cannot write " + path);
    std::fwrite(file.data(), 1, file.size(), f);
    Check(std::fclose(f) == 0, "cannot write " + path);
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// An icon file whose images (one per size) are stored as PNG, as icon files allow.
void WriteIco(const std::string& path, const std::vector<int>& sizes, const Painter& paint)
{
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) {
        cairo_surface_t* s = Render(size, size, paint);
        std::vector<std::uint8_t> png;
        cairo_surface_write_to_png_stream(s, AppendBytes, &png);
        cairo_surface_destroy(s);
        images.push_back(std::move(png));
    }
    std::vector<std::uint8_t> file;
    auto put16 = [&](std::uint32_t v) { file.push_back(v & 0xFF); file.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    put16(0);
    put16(1);
    put16(static_cast<std::uint32_t>(sizes.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        file.push_back(sizes[i] >= 256 ? 0 : sizes[i]);
        file.push_back(sizes[i] >= 256 ? 0 : sizes[i]);
        file.push_back(0);
        file.push_back(0);
        put16(1);
        put16(32);
        put32(static_cast<std::uint32_t>(images[i].size()));
        put32(offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& png : images)
        file.insert(file.end(), png.begin(), png.end());
    FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr, "cannot write " + path);
    std::fwrite(file.data(), 1, file.size(), f);
    Check(std::fclose(f) == 0, "cannot write " + path);
}

// The over-temperature alarm: two alternating tones, 8-bit unsigned mono PCM at 22050 samples a
// second, 25972 samples long. Each tone fades in and out so that the loop has no click.
void WriteAlarmWave(const std::string& path)
{
    constexpr int kRate = 22050;
    constexpr int kSamples = 25972;
    std::vector<std::uint8_t> pcm(kSamples);
    const int half = kSamples / 2;
    for (int i = 0; i < kSamples; ++i) {
        int inTone = i < half ? i : i - half;
        int toneLength = i < half ? half : kSamples - half;
        double freq = i < half ? 1046.5 : 784.0;
        double fade = std::min({1.0, inTone / 220.0, (toneLength - 1 - inTone) / 220.0});
        double v = 0.8 * fade * std::sin(2 * kPi * freq * inTone / kRate);
        pcm[i] = static_cast<std::uint8_t>(std::lround(128 + 127 * v));
    }
    std::vector<std::uint8_t> file;
    auto tag = [&](const char* t) { file.insert(file.end(), t, t + 4); };
    auto put16 = [&](std::uint32_t v) { file.push_back(v & 0xFF); file.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    tag("RIFF");
    put32(4 + 8 + 16 + 8 + kSamples);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(kRate);
    put32(kRate);  // bytes a second
    put16(1);      // block align
    put16(8);      // bits a sample
    tag("data");
    put32(kSamples);
    file.insert(file.end(), pcm.begin(), pcm.end());
    FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr, "cannot write " + path);
    std::fwrite(file.data(), 1, file.size(), f);
    Check(std::fclose(f) == 0, "cannot write " + path);
}

// ---- the pictures ----

void AppIcon(cairo_t* cr, int w, int h)
{
    double s = w / 32.0;
    RoundedRect(cr, 1 * s, 1 * s, 30 * s, 30 * s, 6 * s);
    cairo_pattern_t* ramp = ThermalRamp(0, h, w, 0);
    cairo_set_source(cr, ramp);
    cairo_fill(cr);
    cairo_pattern_destroy(ramp);
    cairo_arc(cr, 16 * s, 16 * s, 8.5 * s, 0, 2 * kPi);
    Colour(cr, kGround);
    cairo_fill(cr);
    cairo_arc(cr, 16 * s, 16 * s, 5 * s, 0, 2 * kPi);
    Colour(cr, kAccent);
    cairo_set_line_width(cr, 2 * s);
    cairo_stroke(cr);
    cairo_arc(cr, 17.5 * s, 14.5 * s, 1.5 * s, 0, 2 * kPi);
    Colour(cr, kWhite);
    cairo_fill(cr);
}

// Scroll bar parts: an arrow points up (dir -1) or down (dir 1).
void ScrollArrow(cairo_t* cr, int w, int h, int dir)
{
    RoundedRect(cr, 1, 1, w - 2, h - 2, 2);
    cairo_set_source_rgb(cr, 0.22, 0.25, 0.33);
    cairo_fill(cr);
    double cy = h / 2.0;
    cairo_move_to(cr, 2.5, cy - 2.5 * dir);
    cairo_line_to(cr, w - 2.5, cy - 2.5 * dir);
    cairo_line_to(cr, w / 2.0, cy + 3.0 * dir);
    cairo_close_path(cr);
    Colour(cr, kAccent);
    cairo_fill(cr);
}

void ScrollCap(cairo_t* cr, int w, int h)
{
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_set_source_rgb(cr, 0.18, 0.2, 0.27);
    cairo_fill(cr);
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    cairo_set_source_rgb(cr, 0.35, 0.4, 0.5);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void ScrollTrack(cairo_t* cr, int w, int h)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, w, 0);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.12, 0.14, 0.2);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 0.2, 0.23, 0.3);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.12, 0.14, 0.2);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
}

void ScrollThumb(cairo_t* cr, int w, int h)
{
    RoundedRect(cr, 1, 0.5, w - 2, h - 1, 3);
    Colour(cr, kBorder);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.9, 0.95, 1.0);
    cairo_set_line_width(cr, 1);
    for (int k = -1; k <= 1; ++k) {
        cairo_move_to(cr, 3, h / 2.0 + 3 * k + 0.5);
        cairo_line_to(cr, w - 3, h / 2.0 + 3 * k + 0.5);
    }
    cairo_stroke(cr);
}

// Two arrow heads facing a dashed axis: vertical flip (horizontal axis) or mirror (vertical axis).
void FlipPicture(cairo_t* cr, int w, int h, bool mirror)
{
    if (mirror) {
        cairo_translate(cr, w / 2.0, h / 2.0);
        cairo_rotate(cr, kPi / 2);
        cairo_translate(cr, -h / 2.0, -w / 2.0);
        std::swap(w, h);
    }
    double cx = w / 2.0, cy = h / 2.0, span = w * 0.36;
    cairo_set_line_width(cr, 2);
    Colour(cr, kAccent);
    double dash[] = {4, 3};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_move_to(cr, cx - span - 4, cy);
    cairo_line_to(cr, cx + span + 4, cy);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    for (int dir : {-1, 1}) {
        cairo_move_to(cr, cx - span, cy + dir * 4);
        cairo_line_to(cr, cx + span, cy + dir * 4);
        cairo_line_to(cr, cx, cy + dir * (h * 0.42));
        cairo_close_path(cr);
        if (dir < 0) {
            Colour(cr, kWhite);
            cairo_fill(cr);
        } else {
            Colour(cr, kWhite);
            cairo_set_line_width(cr, 2);
            cairo_stroke(cr);
        }
    }
}

void TitleLogo(cairo_t* cr, int w, int h)
{
    // A lens with a heat ramp, then three bars standing for the product name.
    cairo_arc(cr, h / 2.0, h / 2.0, h / 2.0 - 2, 0, 2 * kPi);
    cairo_pattern_t* ramp = ThermalRamp(0, h, h, 0);
    cairo_set_source(cr, ramp);
    cairo_fill(cr);
    cairo_pattern_destroy(ramp);
    cairo_arc(cr, h / 2.0, h / 2.0, h / 4.0, 0, 2 * kPi);
    Colour(cr, kGround);
    cairo_fill(cr);
    cairo_arc(cr, h / 2.0, h / 2.0, h / 4.0, 0, 2 * kPi);
    Colour(cr, kAccent);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    double x = h + 6;
    for (int k = 0; k < 3; ++k) {
        RoundedRect(cr, x, 8 + 11 * k, (w - x - 4) * (1.0 - 0.25 * k), 7, 3.5);
        Colour(cr, k == 0 ? kWhite : kAccent, k == 0 ? 1.0 : 0.7);
        cairo_fill(cr);
    }
}

void StatusBackground(cairo_t* cr, int w, int h)
{
    RoundedRect(cr, 1, 1, w - 2, h - 2, 8);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgba(p, 0, 0.0, 0.25, 0.4, 0.85);
    cairo_pattern_add_color_stop_rgba(p, 1, 0.0, 0.08, 0.15, 0.85);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    Colour(cr, kBorder);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

// The list buttons: a picture frame (images) or a film strip (videos); `down` lights it up.
void ListButton(cairo_t* cr, int w, int h, bool video, bool down)
{
    RoundedRect(cr, 2, 2, w - 4, h - 4, 8);
    Colour(cr, down ? kAccent : kGround, down ? 1.0 : 0.9);
    cairo_fill(cr);
    Rgb ink = down ? kGround : kWhite;
    double x0 = 12, y0 = 16, x1 = w - 12, y1 = h - 16;
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    Colour(cr, ink);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    if (video) {
        for (double y : {y0 + 2, y1 - 6})
            for (double x = x0 + 3; x + 4 <= x1 - 2; x += 8)
                cairo_rectangle(cr, x, y, 4, 4);
        cairo_fill(cr);
        cairo_move_to(cr, w / 2.0 - 5, h / 2.0 - 7);
        cairo_line_to(cr, w / 2.0 + 8, h / 2.0);
        cairo_line_to(cr, w / 2.0 - 5, h / 2.0 + 7);
        cairo_close_path(cr);
        cairo_fill(cr);
    } else {
        cairo_move_to(cr, x0 + 3, y1 - 3);
        cairo_line_to(cr, x0 + 15, y0 + 14);
        cairo_line_to(cr, x0 + 24, y1 - 10);
        cairo_line_to(cr, x0 + 30, y1 - 16);
        cairo_line_to(cr, x1 - 3, y1 - 3);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_arc(cr, x1 - 9, y0 + 9, 4, 0, 2 * kPi);
        cairo_fill(cr);
    }
}

// The colour-mode switch: a pill with its knob left (off) or right (on).
void ModeSwitch(cairo_t* cr, int w, int h, bool on)
{
    double r = h / 2.0 - 6;
    RoundedRect(cr, 6, 6, w - 12, h - 12, r);
    if (on) {
        cairo_pattern_t* ramp = ThermalRamp(0, 0, w, 0);
        cairo_set_source(cr, ramp);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(ramp);
    } else {
        cairo_set_source_rgb(cr, 0.1, 0.16, 0.22);
        cairo_fill_preserve(cr);
    }
    Colour(cr, kBorder);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    double cx = on ? w - 6 - r : 6 + r;
    cairo_arc(cr, cx, h / 2.0, r - 8, 0, 2 * kPi);
    Colour(cr, on ? kWhite : kGrey);
    cairo_fill(cr);
}

// Source buttons, palette pictures: a camera, a picture, a film.
void SourceCamera(cairo_t* cr, int w, int h)
{
    Colour(cr, kWhite);
    cairo_rectangle(cr, 7, 15, 36, 24);
    cairo_rectangle(cr, 18, 10, 14, 6);
    cairo_fill(cr);
    Colour(cr, kGround);
    cairo_arc(cr, 25, 27, 8, 0, 2 * kPi);
    cairo_fill(cr);
    Colour(cr, kAccent);
    cairo_arc(cr, 25, 27, 5, 0, 2 * kPi);
    cairo_fill(cr);
}

void SourceImage(cairo_t* cr, int w, int h)
{
    Colour(cr, kWhite);
    cairo_rectangle(cr, 7, 10, 36, 30);
    cairo_fill(cr);
    Colour(cr, kGround);
    cairo_rectangle(cr, 10, 13, 30, 24);
    cairo_fill(cr);
    Colour(cr, kAccent);
    cairo_move_to(cr, 11, 36);
    cairo_line_to(cr, 21, 22);
    cairo_line_to(cr, 28, 31);
    cairo_line_to(cr, 32, 27);
    cairo_line_to(cr, 39, 36);
    cairo_close_path(cr);
    cairo_fill(cr);
    Colour(cr, kWhite);
    cairo_arc(cr, 34, 19, 3, 0, 2 * kPi);
    cairo_fill(cr);
}

void SourceVideo(cairo_t* cr, int w, int h)
{
    Colour(cr, kWhite);
    cairo_rectangle(cr, 5, 12, 40, 26);
    cairo_fill(cr);
    Colour(cr, kGround);
    for (int x = 8; x <= 38; x += 7) {
        cairo_rectangle(cr, x, 14, 4, 3);
        cairo_rectangle(cr, x, 33, 4, 3);
    }
    cairo_rectangle(cr, 8, 19, 34, 12);
    cairo_fill(cr);
    Colour(cr, kAccent);
    cairo_move_to(cr, 21, 20);
    cairo_line_to(cr, 30, 25);
    cairo_line_to(cr, 21, 30);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// Window chrome: close (a cross), maximise (a square), minimise (a bar), restore (two squares).
enum class Chrome { Close, Maximise, Minimise, Restore };
void ChromeButton(cairo_t* cr, int w, int h, Chrome kind)
{
    Colour(cr, kWhite);
    cairo_set_line_width(cr, 2);
    double a = std::floor(w * 0.28), b = std::ceil(w * 0.72);
    switch (kind) {
    case Chrome::Close:
        cairo_move_to(cr, a, a);
        cairo_line_to(cr, b, b);
        cairo_move_to(cr, b, a);
        cairo_line_to(cr, a, b);
        break;
    case Chrome::Maximise:
        cairo_rectangle(cr, a, a, b - a, b - a);
        break;
    case Chrome::Minimise:
        cairo_move_to(cr, a, std::floor(w / 2.0) + 1);
        cairo_line_to(cr, b, std::floor(w / 2.0) + 1);
        break;
    case Chrome::Restore:
        cairo_rectangle(cr, a + 2, a - 1, b - a - 3, b - a - 3);
        cairo_rectangle(cr, a - 1, a + 2, b - a - 3, b - a - 3);
        break;
    }
    cairo_stroke(cr);
}

void DialogClose(cairo_t* cr, int w, int h)
{
    cairo_arc(cr, w / 2.0, h / 2.0, w / 2.0 - 2, 0, 2 * kPi);
    Colour(cr, kGround);
    cairo_fill_preserve(cr);
    Colour(cr, kBorder);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    ChromeButton(cr, w, h, Chrome::Close);
}

}  // namespace

void WriteArt(const std::string& dir)
{
    auto at = [&](const char* name) { return dir + "/" + name; };
    WriteIco(at("app.ico"), {16, 32, 48}, AppIcon);

    WriteBmp(at("scroll_top_cap.bmp"), 12, 11, ScrollCap);
    WriteBmp(at("scroll_up.bmp"), 12, 26, [](cairo_t* cr, int w, int h) { ScrollArrow(cr, w, h, -1); });
    WriteBmp(at("scroll_track.bmp"), 12, 1, ScrollTrack);
    WriteBmp(at("scroll_down.bmp"), 12, 26, [](cairo_t* cr, int w, int h) { ScrollArrow(cr, w, h, 1); });
    WriteBmp(at("scroll_bottom_cap.bmp"), 11, 11, ScrollCap);
    WriteBmp(at("scroll_thumb.bmp"), 12, 26, ScrollThumb);

    WriteAlarmWave(at("alarm.wav"));

    WritePng(at("mirror.png"), 51, 49, [](cairo_t* cr, int w, int h) { FlipPicture(cr, w, h, true); });
    WritePng(at("flip.png"), 49, 49, [](cairo_t* cr, int w, int h) { FlipPicture(cr, w, h, false); });
    WritePng(at("title.png"), 107, 46, TitleLogo);
    WritePng(at("status.png"), 1022, 60, StatusBackground);
    WritePng(at("image_list_down.png"), 62, 64, [](cairo_t* cr, int w, int h) { ListButton(cr, w, h, false, true); });
    WritePng(at("image_list.png"), 62, 64, [](cairo_t* cr, int w, int h) { ListButton(cr, w, h, false, false); });
    WritePng(at("video_list_down.png"), 62, 64, [](cairo_t* cr, int w, int h) { ListButton(cr, w, h, true, true); });
    WritePng(at("video_list.png"), 62, 64, [](cairo_t* cr, int w, int h) { ListButton(cr, w, h, true, false); });
    WritePng(at("mode_off.png"), 471, 113, [](cairo_t* cr, int w, int h) { ModeSwitch(cr, w, h, false); });
    WritePng(at("mode_on.png"), 471, 113, [](cairo_t* cr, int w, int h) { ModeSwitch(cr, w, h, true); });
    WritePalettePng(at("source_camera.png"), 50, 50, SourceCamera);
    WritePalettePng(at("source_image.png"), 50, 50, SourceImage);
    WritePalettePng(at("source_video.png"), 50, 50, SourceVideo);
    WritePng(at("dialog_close.png"), 33, 33, DialogClose);
    WritePng(at("close.png"), 21, 21, [](cairo_t* cr, int w, int h) { ChromeButton(cr, w, h, Chrome::Close); });
    WritePng(at("maximise.png"), 21, 21, [](cairo_t* cr, int w, int h) { ChromeButton(cr, w, h, Chrome::Maximise); });
    WritePng(at("minimise.png"), 21, 21, [](cairo_t* cr, int w, int h) { ChromeButton(cr, w, h, Chrome::Minimise); });
    WritePng(at("restore.png"), 21, 21, [](cairo_t* cr, int w, int h) { ChromeButton(cr, w, h, Chrome::Restore); });
}

}  // namespace resgen
