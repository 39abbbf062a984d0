#include "acquisition/irfile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/files/file_io.h"

namespace {

constexpr std::uint64_t kInfoBytes = 8 * sizeof(std::int32_t);
// Each side of a half; far above any camera, low enough that no size computed here overflows.
constexpr std::int32_t kMaxSide = 16384;

// Bytes of a half described by its info block, or -1 when its dimensions are not plausible. A
// half may be empty (no rows or no columns). The writer and the reader share this rule, so that
// every file written can be read back.
std::int64_t HalfBytes(const std::int32_t* info)
{
    if (info[0] < 0 || info[1] < 0 || info[0] > kMaxSide || info[1] > kMaxSide)
        return -1;
    return static_cast<std::int64_t>(info[0]) * info[1] * 2;
}

// The bytes of a half of the record, when its info block is plausible and its buffer holds them.
std::int64_t RecordBytes(const std::int32_t* info, const void* data, std::uint32_t size)
{
    const std::int64_t bytes = HalfBytes(info);
    if (bytes > size || (bytes > 0 && !data))
        return -1;
    return bytes;
}

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : m_h(h) {}
    ~FileHandle()
    {
        if (Valid())
            CloseHandle(m_h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    bool Write(const void* data, std::uint64_t bytes)
    {
        DWORD done = 0;
        return WriteFile(m_h, data, static_cast<DWORD>(bytes), &done, nullptr) && done == bytes;
    }
    bool Read(void* data, std::uint64_t bytes)
    {
        DWORD done = 0;
        return ReadFile(m_h, data, static_cast<DWORD>(bytes), &done, nullptr) && done == bytes;
    }
    std::int64_t Size()
    {
        LARGE_INTEGER size{};
        return GetFileSizeEx(m_h, &size) ? size.QuadPart : -1;
    }

private:
    HANDLE m_h;
};

// A snapshot is opened for reading and writing; one this user may only read, or one on a disk
// that takes no writes, is read all the same.
HANDLE OpenSnapshot(const char* fileName)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        file = CreateFileA(fileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file;
}

}  // namespace

int irfile_write(IrFrame* frame, const char* fileName)
{
    if (!frame || !fileName)
        return -1;
    const std::int64_t tempBytes = RecordBytes(frame->temp_info, frame->temp_data, frame->temp_size);
    const std::int64_t imageBytes = RecordBytes(frame->image_info, frame->image_data, frame->image_size);
    if (tempBytes < 0 || imageBytes < 0)
        return -1;
    FileHandle file(CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return -1;
    const bool ok = file.Write(frame->temp_info, kInfoBytes) && file.Write(frame->temp_data, tempBytes) &&
                    file.Write(frame->image_info, kInfoBytes) && file.Write(frame->image_data, imageBytes);
    return ok ? 0 : -1;
}

int irfile_read(IrFrame* frame, const char* fileName)
{
    if (!frame)
        return -1;
    // Buffers the record holds go first: a reused record leaks nothing and is never half made.
    ircam_frame_free(frame);
    frame->temp_size = frame->image_size = 0;
    std::memset(frame->temp_info, 0, sizeof frame->temp_info);
    std::memset(frame->image_info, 0, sizeof frame->image_info);
    if (!fileName)
        return -1;
    FileHandle file(OpenSnapshot(fileName));
    if (!file.Valid())
        return -1;
    const std::int64_t fileSize = file.Size();

    IrFrame loaded;
    if (fileSize < 0 || !file.Read(loaded.temp_info, kInfoBytes))
        return -1;
    const std::int64_t tempBytes = HalfBytes(loaded.temp_info);
    if (tempBytes < 0 || 2 * kInfoBytes + tempBytes > static_cast<std::uint64_t>(fileSize))
        return -1;
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(tempBytes));
    if (!file.Read(samples.data(), tempBytes) || !file.Read(loaded.image_info, kInfoBytes))
        return -1;
    const std::int64_t imageBytes = HalfBytes(loaded.image_info);
    // A snapshot is exactly its four blocks.
    if (imageBytes < 0 || 2 * kInfoBytes + tempBytes + imageBytes != static_cast<std::uint64_t>(fileSize))
        return -1;
    loaded.temp_size = static_cast<std::uint32_t>(tempBytes);
    loaded.image_size = static_cast<std::uint32_t>(imageBytes);
    if (ircam_frame_alloc_buffers(&loaded) != 0 || !file.Read(loaded.image_data, imageBytes)) {
        ircam_frame_free(&loaded);
        return -1;
    }
    std::copy(samples.begin(), samples.end(), reinterpret_cast<std::uint8_t*>(loaded.temp_data));

    std::memcpy(frame->temp_info, loaded.temp_info, sizeof frame->temp_info);
    std::memcpy(frame->image_info, loaded.image_info, sizeof frame->image_info);
    frame->temp_size = loaded.temp_size;
    frame->image_size = loaded.image_size;
    frame->temp_data = loaded.temp_data;
    frame->image_data = loaded.image_data;
    frame->rgba_buf = loaded.rgba_buf;
    frame->rgb_buf = loaded.rgb_buf;
    return 0;
}
