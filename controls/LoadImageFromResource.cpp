#include "controls/LoadImageFromResource.h"

#include <cstdio>
#include <cstring>

#include "platform/crash/debug_output.h"
#include "platform/resources/resources.h"

namespace {

// A movable block holding a copy of the resource's bytes; null after saying why on the debugger output.
HGLOBAL CopyResource(HMODULE module, HRSRC resource, HGLOBAL data)
{
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr) {
        OutputDebugString("Load (resource): Error allocating memory\n");
        return nullptr;
    }
    void* target = GlobalLock(block);
    const void* source = LockResource(data);
    if (target == nullptr || source == nullptr) {
        OutputDebugString("Load (resource): Error locking memory\n");
        if (target != nullptr)
            GlobalUnlock(block);
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, source, size);
    GlobalUnlock(block);
    return block;
}

}  // namespace

Gdiplus::Image* LoadImageFromResource(WORD id, LPCSTR type)
{
    HMODULE module = AfxGetResourceHandle();
    HRSRC resource = FindResource(module, MAKEINTRESOURCE(id), type);
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    if (data == nullptr) {
        char message[64];
        std::snprintf(message, sizeof message, "Load (resource): Error loading resource: %d\n", static_cast<int>(id));
        OutputDebugString(message);
        return nullptr;
    }
    HGLOBAL block = CopyResource(module, resource, data);
    if (block == nullptr)
        return nullptr;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    Gdiplus::Image* image = Gdiplus::Image::FromStream(stream);
    // The image keeps what it needs; the stream and its block go with this reference.
    stream->Release();
    return image;
}

void ReplaceImageFromResource(Gdiplus::Image*& image, WORD id, LPCSTR type)
{
    delete image;
    image = LoadImageFromResource(id, type);
}
