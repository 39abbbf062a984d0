// The one way the program turns one of its own PNG resources into a GDI+ image.
#pragma once

#include "platform/gdiplus/gdiplus.h"

// A new image of resource `id` of `type` ("PNG") that the caller owns and deletes, or null when the
// resource is missing or no memory can be had (each said on the debugger output). A resource that
// GDI+ cannot decode still gives an image, whose operations fail and draw nothing.
Gdiplus::Image* LoadImageFromResource(WORD id, LPCSTR type);

// Deletes the image an owner holds and stores the one of resource `id` (null when it cannot be had).
void ReplaceImageFromResource(Gdiplus::Image*& image, WORD id, LPCSTR type);
