#include "platform/gdiplus/stream.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "platform/kernel/win_errors.h"

namespace {

struct GlobalBlock {
    std::vector<unsigned char> bytes;
    int locks = 0;
};

// The live blocks, so that a stale or foreign handle is refused rather than followed.
std::mutex g_blocksLock;
std::unordered_set<GlobalBlock*>& Blocks()
{
    static std::unordered_set<GlobalBlock*> blocks;
    return blocks;
}

GlobalBlock* Live(HGLOBAL handle)
{
    auto* block = reinterpret_cast<GlobalBlock*>(handle);
    return Blocks().count(block) ? block : nullptr;
}

class GlobalStream final : public IStream {
public:
    GlobalStream(HGLOBAL block, bool deleteOnRelease) : m_block(block), m_deleteOnRelease(deleteOnRelease) {}

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0) {
            if (m_deleteOnRelease)
                GlobalFree(m_block);
            delete this;
        }
        return left;
    }

    HRESULT Read(void* buffer, ULONG count, ULONG* read) override
    {
        std::lock_guard guard(g_blocksLock);
        GlobalBlock* block = Live(m_block);
        if (block == nullptr || (buffer == nullptr && count > 0))
            return E_INVALIDARG;
        std::size_t size = block->bytes.size();
        std::size_t n = m_position < size ? std::min<std::size_t>(count, size - m_position) : 0;
        if (n > 0)
            std::memcpy(buffer, block->bytes.data() + m_position, n);
        m_position += n;
        if (read != nullptr)
            *read = static_cast<ULONG>(n);
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override
    {
        std::lock_guard guard(g_blocksLock);
        GlobalBlock* block = Live(m_block);
        if (block == nullptr || (buffer == nullptr && count > 0))
            return E_INVALIDARG;
        try {
            if (block->bytes.size() < m_position + count)
                block->bytes.resize(m_position + count);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        if (count > 0)
            std::memcpy(block->bytes.data() + m_position, buffer, count);
        m_position += count;
        if (written != nullptr)
            *written = count;
        return S_OK;
    }

    HRESULT Seek(LONGLONG move, DWORD origin, ULARGE_INTEGER* newPosition) override
    {
        std::lock_guard guard(g_blocksLock);
        GlobalBlock* block = Live(m_block);
        if (block == nullptr)
            return E_INVALIDARG;
        LONGLONG base = origin == STREAM_SEEK_SET   ? 0
                        : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(m_position)
                        : origin == STREAM_SEEK_END ? static_cast<LONGLONG>(block->bytes.size())
                                                    : -1;
        if (base < 0 || base + move < 0)
            return STG_E_INVALIDFUNCTION;
        m_position = static_cast<std::size_t>(base + move);
        if (newPosition != nullptr)
            *newPosition = m_position;
        return S_OK;
    }

private:
    ~GlobalStream() override = default;

    HGLOBAL m_block;
    bool m_deleteOnRelease;
    std::atomic<ULONG> m_refs{1};
    std::size_t m_position = 0;
};

}  // namespace

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes)
{
    // Every block is zeroed, so GMEM_ZEROINIT needs nothing further; no block ever moves.
    GlobalBlock* block = new (std::nothrow) GlobalBlock;
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    try {
        block->bytes.resize(bytes);
        std::lock_guard guard(g_blocksLock);
        Blocks().insert(block);
    } catch (const std::bad_alloc&) {
        delete block;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return reinterpret_cast<HGLOBAL>(block);
}

LPVOID GlobalLock(HGLOBAL handle)
{
    std::lock_guard guard(g_blocksLock);
    GlobalBlock* block = Live(handle);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    ++block->locks;
    // A block of 0 bytes still has an address to give.
    return block->bytes.empty() ? static_cast<void*>(block) : block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL handle)
{
    std::lock_guard guard(g_blocksLock);
    GlobalBlock* block = Live(handle);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (block->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->locks == 0) {
        SetLastError(ERROR_SUCCESS);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL handle)
{
    std::lock_guard guard(g_blocksLock);
    GlobalBlock* block = Live(handle);
    if (block == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return handle;
    }
    Blocks().erase(block);
    delete block;
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle)
{
    std::lock_guard guard(g_blocksLock);
    GlobalBlock* block = Live(handle);
    return block ? block->bytes.size() : 0;
}

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, LPSTREAM* stream)
{
    if (stream == nullptr)
        return E_INVALIDARG;
    *stream = nullptr;
    if (block == nullptr) {
        block = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (block == nullptr)
            return E_OUTOFMEMORY;
    } else {
        std::lock_guard guard(g_blocksLock);
        if (Live(block) == nullptr)
            return E_INVALIDARG;
    }
    auto* s = new (std::nothrow) GlobalStream(block, deleteOnRelease != FALSE);
    if (s == nullptr)
        return E_OUTOFMEMORY;
    *stream = s;
    return S_OK;
}
