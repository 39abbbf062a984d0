#include "acquisition/VideoFileIo.h"

#include <cerrno>
#include <cstdio>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "platform/files/file_io.h"

namespace {

// The block size of FFmpeg's own file output; a recorded frame fits in one.
constexpr int kBufferBytes = 262144;
constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The FFmpeg code of the platform's last file error.
int LastFileError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return AVERROR(ENOENT);
    case ERROR_SHARING_VIOLATION: return AVERROR(EBUSY);
    case ERROR_DISK_FULL: return AVERROR(ENOSPC);
    case ERROR_ACCESS_DENIED: return AVERROR(EACCES);
    default: return AVERROR(EIO);
    }
}

}  // namespace

VideoFileIo::~VideoFileIo()
{
    CloseFile();
}

int VideoFileIo::OpenFile(const char* fileName, DWORD access, DWORD creation)
{
    CloseFile();
    HANDLE file = CreateFileA(fileName, access, kShared, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return LastFileError();
    const bool writing = access & GENERIC_WRITE;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferBytes));
    m_io = buffer ? avio_alloc_context(buffer, kBufferBytes, writing, file, writing ? nullptr : &VideoFileIo::Read,
                                       writing ? &VideoFileIo::Write : nullptr, &VideoFileIo::Seek)
                  : nullptr;
    if (!m_io) {
        av_free(buffer);
        CloseHandle(file);
        return AVERROR(ENOMEM);
    }
    m_file = file;
    return 0;
}

int VideoFileIo::CloseFile()
{
    if (!IsOpen())
        return 0;
    if (m_io->write_flag)
        avio_flush(m_io);
    const int error = m_io->error;
    // FFmpeg may have replaced the buffer it was given.
    av_freep(&m_io->buffer);
    avio_context_free(&m_io);
    CloseHandle(m_file);
    m_file = nullptr;
    return error < 0 ? error : 0;
}

int VideoFileIo::Read(void* opaque, std::uint8_t* buffer, int size)
{
    DWORD read = 0;
    if (!ReadFile(static_cast<HANDLE>(opaque), buffer, static_cast<DWORD>(size), &read, nullptr))
        return AVERROR(EIO);
    return read > 0 ? static_cast<int>(read) : AVERROR_EOF;
}

int VideoFileIo::Write(void* opaque, std::uint8_t* data, int size)
{
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(opaque), data, static_cast<DWORD>(size), &written, nullptr))
        return GetLastError() == ERROR_DISK_FULL ? AVERROR(ENOSPC) : AVERROR(EIO);
    return static_cast<int>(written);
}

std::int64_t VideoFileIo::Seek(void* opaque, std::int64_t offset, int whence)
{
    HANDLE file = static_cast<HANDLE>(opaque);
    const int origin = whence & ~AVSEEK_FORCE;
    LARGE_INTEGER place{};
    if (origin == AVSEEK_SIZE)
        return GetFileSizeEx(file, &place) ? place.QuadPart : AVERROR(EIO);
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    const DWORD from = origin == SEEK_SET ? FILE_BEGIN : origin == SEEK_CUR ? FILE_CURRENT : FILE_END;
    return SetFilePointerEx(file, distance, &place, from) ? place.QuadPart : AVERROR(EINVAL);
}

int VideoInputFile::Open(const char* fileName)
{
    return OpenFile(fileName, GENERIC_READ, OPEN_EXISTING);
}

void VideoInputFile::Close()
{
    CloseFile();
}

VideoOutputFile::~VideoOutputFile()
{
    Close();
}

int VideoOutputFile::Open(const char* fileName)
{
    m_nReserved = 0;
    return OpenFile(fileName, GENERIC_WRITE, CREATE_ALWAYS);
}

int VideoOutputFile::Reserve(std::int64_t end)
{
    if (!IsOpen() || end <= m_nReserved)
        return 0;
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = end;
    if (SetFileInformationByHandle(File(), FileAllocationInfo, &room, sizeof room)) {
        m_nReserved = end;
        return 0;
    }
    // A file that cannot have room reserved for any other reason is written as it comes.
    return GetLastError() == ERROR_DISK_FULL ? AVERROR(ENOSPC) : 0;
}

int VideoOutputFile::Close()
{
    if (!IsOpen())
        return 0;
    avio_flush(Io());
    LARGE_INTEGER none{};
    const bool given = SetFilePointerEx(File(), none, nullptr, FILE_END) && SetEndOfFile(File());
    const int closed = CloseFile();
    return closed < 0 ? closed : given ? 0 : AVERROR(EIO);
}
