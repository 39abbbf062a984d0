#include "acquisition/VideoFileSource.h"

#include <cerrno>
#include <cstdio>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "platform/files/file_io.h"

namespace {

// What FFmpeg's own file reading takes at a time.
constexpr int kBufferBytes = 32768;

}  // namespace

VideoFileSource::~VideoFileSource() { Close(); }

bool VideoFileSource::Open(const char* fileName)
{
    Close();
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferBytes));
    m_io = buffer ? avio_alloc_context(buffer, kBufferBytes, 0, file, &VideoFileSource::Read, nullptr,
                                       &VideoFileSource::Seek)
                  : nullptr;
    if (!m_io) {
        av_free(buffer);
        CloseHandle(file);
        return false;
    }
    m_file = file;
    return true;
}

void VideoFileSource::Close()
{
    if (m_io) {
        // FFmpeg may have replaced the buffer it was given.
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    if (m_file) {
        CloseHandle(m_file);
        m_file = nullptr;
    }
}

int VideoFileSource::Read(void* opaque, std::uint8_t* buffer, int size)
{
    DWORD read = 0;
    if (!ReadFile(static_cast<HANDLE>(opaque), buffer, static_cast<DWORD>(size), &read, nullptr))
        return AVERROR(EIO);
    return read > 0 ? static_cast<int>(read) : AVERROR_EOF;
}

std::int64_t VideoFileSource::Seek(void* opaque, std::int64_t offset, int whence)
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
