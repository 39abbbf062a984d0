// The drawing interface that every OpenGL-drawn control paints through.
#pragma once

#include <cstdint>

#include "platform/kernel/win_types.h"

class CZelRenderer {
public:
    // 0 on success; 1 no pixel format, 2 pixel format not set, 3 no context, 4 not made current.
    virtual int Init(HDC dc) = 0;
    // Clears to the packed colour (bytes from the lowest: red, green, blue, alpha); always 0.
    virtual int BeginFrame(std::uint32_t colour) = 0;
    virtual void EndFrame() = 0;
    virtual void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) = 0;
    // Draws a texture with a view's geometry; a negative view means the texture's own view.
    virtual void DrawTexture(int texture, int view) = 0;

protected:
    // Renderers are destroyed as what they are, never through this interface.
    ~CZelRenderer() = default;
};
