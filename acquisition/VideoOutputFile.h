// The file a recording is muxed into: FFmpeg's output I/O over a descriptor of our own, so that
// room on the disk can be taken ahead of what the muxer writes. A writer that reserves the room for
// each frame and for the file's end before it muxes the frame never leaves a file that the disk
// or the file-size limit cut short: the frames that found no room are refused, the end still fits.
#pragma once

#include <cstdint>

struct AVIOContext;

class VideoOutputFile {
public:
    VideoOutputFile() = default;
    ~VideoOutputFile();
    VideoOutputFile(const VideoOutputFile&) = delete;
    VideoOutputFile& operator=(const VideoOutputFile&) = delete;

    // Creates (or empties) the file; 0 or a negative FFmpeg code.
    int Open(const char* fileName);
    bool IsOpen() const;
    // The seekable I/O context the muxer writes through; null while closed.
    AVIOContext* Io() const;
    // Makes sure the file holds allocated room up to `end` bytes: 0, or a negative code when the
    // disk, the quota or the file-size limit has none. Harmless while closed.
    int Reserve(std::int64_t end);
    // Flushes what the muxer wrote, cuts off the room reserved past it and closes the file: 0 or
    // the first negative code. Harmless while closed.
    int Close();

private:
    static int WritePacket(void* opaque, std::uint8_t* data, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);

    int m_fd = -1;
    AVIOContext* m_pIo = nullptr;
    std::int64_t m_nPosition = 0;  // where the next write goes
    std::int64_t m_nEnd = 0;       // one past the last byte written
    std::int64_t m_nReserved = 0;  // room allocated from the start of the file
};
