// The files FFmpeg reads a video from and records one into: its I/O context over a file handle of
// the platform's (CreateFileA), so that only a regular file is opened and nothing else is waited
// on, and the file stays the one that was checked. VideoInputFile is the reader's, VideoOutputFile
// the writer's; both share the file with other readers and writers.
#pragma once

#include <cstdint>

#include "platform/kernel/win_types.h"

struct AVIOContext;

class VideoFileIo {
public:
    VideoFileIo(const VideoFileIo&) = delete;
    VideoFileIo& operator=(const VideoFileIo&) = delete;

    bool IsOpen() const { return m_io != nullptr; }
    // The I/O context over the open file, for the format context's pb; null while closed.
    AVIOContext* Io() const { return m_io; }

protected:
    VideoFileIo() = default;
    ~VideoFileIo();

    // Opens the file as asked and the I/O context over it: 0, or a negative FFmpeg code when it is
    // no regular file or cannot be opened (nothing stays open then). An open file is closed first.
    int OpenFile(const char* fileName, DWORD access, DWORD creation);
    // Flushes what was written, then closes the context and the file: 0, or the first failure of a
    // write as a negative code. Harmless while closed.
    int CloseFile();
    HANDLE File() const { return m_file; }

private:
    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static int Write(void* opaque, std::uint8_t* data, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);

    HANDLE m_file = nullptr;
    AVIOContext* m_io = nullptr;
};

class VideoInputFile : public VideoFileIo {
public:
    // Opens an existing file for reading: 0 or a negative code.
    int Open(const char* fileName);
    void Close();
};

// A writer that reserves the room for each frame and for the file's end before it muxes the frame
// never leaves a file that the disk or the file-size limit cut short: the frames that found no
// room are refused, the end still fits. The room is taken without moving the file's end, so the
// file holds only what was written, also when the writer dies before it closes it.
class VideoOutputFile : public VideoFileIo {
public:
    ~VideoOutputFile();
    // Creates (or empties) the file: 0 or a negative code.
    int Open(const char* fileName);
    // Makes sure the disk holds room for the file up to `end` bytes: 0, or a negative code when the
    // disk, the quota or the file-size limit has none. Harmless while closed.
    int Reserve(std::int64_t end);
    // Flushes what the muxer wrote, gives back the room reserved past it and closes the file: 0 or
    // the first negative code. Harmless while closed.
    int Close();

private:
    std::int64_t m_nReserved = 0;  // room taken from the start of the file
};
