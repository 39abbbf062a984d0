// Movable global memory blocks and a stream over one, the way an image is handed to GDI+ from
// memory (GlobalAlloc, GlobalLock, CreateStreamOnHGlobal).
#pragma once

#include <cstddef>

#include "platform/kernel/win_types.h"

using SIZE_T = std::size_t;
using HRESULT = LONG;
using ULARGE_INTEGER = ULONGLONG;

#define S_OK 0L
#define S_FALSE 1L
#define E_INVALIDARG static_cast<HRESULT>(0x80070057L)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000EL)
#define STG_E_INVALIDFUNCTION static_cast<HRESULT>(0x80030001L)
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u

#define STREAM_SEEK_SET 0u
#define STREAM_SEEK_CUR 1u
#define STREAM_SEEK_END 2u

// NULL when the block cannot be had (ERROR_NOT_ENOUGH_MEMORY). A block of 0 bytes is allowed.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// The block's first byte, counting one more lock; NULL for a handle that is not a live block.
LPVOID GlobalLock(HGLOBAL block);
// Non-zero while the block stays locked; FALSE once the last lock is gone (last error 0), or for
// a block that was not locked (ERROR_NOT_LOCKED) or a dead handle (ERROR_INVALID_HANDLE).
BOOL GlobalUnlock(HGLOBAL block);
// NULL on success; the handle itself when it is not a live block.
HGLOBAL GlobalFree(HGLOBAL block);
// 0 for a dead handle.
SIZE_T GlobalSize(HGLOBAL block);

#define ERROR_NOT_LOCKED 158L

// A sequential, seekable byte stream with a reference count; Release frees it at zero.
class IStream {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Reads up to `count` bytes; S_OK, or S_FALSE when fewer than `count` were left.
    virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
    // Writes `count` bytes at the position, growing the stream as needed.
    virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;
    // Moves to `move` from STREAM_SEEK_SET, _CUR or _END; a position before the start fails.
    virtual HRESULT Seek(LONGLONG move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;

protected:
    virtual ~IStream() = default;
};
using LPSTREAM = IStream*;

// A stream over the block's bytes (a new empty block when `block` is NULL), with one reference.
// With deleteOnRelease the block is freed when the last reference goes. E_INVALIDARG for a NULL
// `stream` or a dead block, E_OUTOFMEMORY when no block can be had.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, LPSTREAM* stream);
