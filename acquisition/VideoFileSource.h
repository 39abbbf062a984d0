// The bytes a video reader decodes: one regular file, read through an FFmpeg I/O context of our
// own, so that a FIFO, socket, device or folder of a video's name is refused before FFmpeg waits on
// it, and the file stays the one that was checked.
#pragma once

#include <cstdint>

#include "platform/kernel/win_types.h"

struct AVIOContext;

class VideoFileSource {
public:
    VideoFileSource() = default;
    ~VideoFileSource();
    VideoFileSource(const VideoFileSource&) = delete;
    VideoFileSource& operator=(const VideoFileSource&) = delete;

    // Opens the file for reading without waiting on it; false when it is no regular file or cannot
    // be opened (nothing stays open then). An open source is closed first.
    bool Open(const char* fileName);
    // The I/O context over the open file, for the format context's pb; null when none is open.
    AVIOContext* Context() const { return m_io; }
    void Close();

private:
    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);

    HANDLE m_file = nullptr;
    AVIOContext* m_io = nullptr;
};
