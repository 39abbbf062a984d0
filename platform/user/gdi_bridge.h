// What the window layer needs of the drawing layer, given to it at start-up. The window layer
// does not link the drawing layer: platform/gdi fills this in (once, before windows paint) and
// the window layer calls through it where a message carries a device context, a brush, text to
// measure or an icon. Every entry may stay null; the window layer then does without (no DC in
// WM_DRAWITEM, no CDC object for OnCtlColor/OnEraseBkgnd, built-in controls not drawn, brushes
// ignored, menu texts sized by a guess, no icon for the desktop).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/user/user_types.h"

class CDC;

namespace platform::user {

// One line of a popup menu's look, in the menu's client coordinates.
struct MenuLine {
    std::string text;  // its mnemonic marked with '&'
    RECT rect{};       // the band it fills when highlighted, or the separator's band
    RECT textRect{};
    bool separator = false;
    bool grayed = false;
};

// The standard look of a built-in control, chosen by its class and its style within the class.
struct ControlLook {
    enum class Kind { Text, Icon, PushButton, CheckBox, ComboField, Menu };
    enum class Align { Left, Center, Right };
    Kind kind = Kind::Text;
    std::string text;
    Align align = Align::Left;  // of a static's text, which wraps at word breaks
    HICON icon = nullptr;       // an icon static's icon, drawn at its own size in the top left corner
    bool checked = false;       // a check box's mark
    std::vector<MenuLine> menu;  // a popup menu's lines inside its frame
    int highlighted = -1;        // the menu line drawn highlighted, -1 for none
};

struct GdiBridge {
    // A device context drawing into the window's surface, clipped to its client area.
    HDC (*getWindowDC)(HWND hwnd) = nullptr;
    void (*releaseWindowDC)(HWND hwnd, HDC dc) = nullptr;
    // The class library's temporary CDC object of a DC handle (CDC::FromHandle).
    CDC* (*dcFromHandle)(HDC dc) = nullptr;
    // The colour of a solid brush; false for a hollow (null) brush or an unknown handle.
    bool (*solidBrushColor)(HBRUSH brush, COLORREF* color) = nullptr;
    // Draws the standard look of a built-in control into dc, over its client area.
    void (*drawControl)(HWND hwnd, HDC dc, const ControlLook& look) = nullptr;
    // The size of one line of text in the standard look's font, its mnemonic marks left out.
    SIZE (*measureControlText)(const std::string& text) = nullptr;
    // An icon's pixels (premultiplied ARGB, rows top to bottom); false for an unknown handle.
    bool (*iconPixels)(HICON icon, int* width, int* height, std::vector<std::uint32_t>* pixels) = nullptr;
};

void SetGdiBridge(const GdiBridge& bridge);
const GdiBridge& GetGdiBridge();

}  // namespace platform::user
