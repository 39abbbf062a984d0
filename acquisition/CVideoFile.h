// A video file of raw 16-bit temperature frames: each frame's samples travel unchanged as the
// bytes of a raw YUYV 4:2:2 picture. One object is either a writer (recording) or a reader
// (playback, thumbnails).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "acquisition/VideoFileIo.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

class CVideoFile {
public:
    CVideoFile() = default;
    ~CVideoFile();
    CVideoFile(const CVideoFile&) = delete;
    CVideoFile& operator=(const CVideoFile&) = delete;

    // Writer. Creates the file (container from the file name) and writes its header; 0 or a
    // negative FFmpeg code. A failed open keeps nothing allocated. Only a regular file is written;
    // a FIFO, socket, device or folder of its name is refused without waiting on it.
    int OpenOutput(const char* fileName, int width, int height);
    // Encodes and writes one frame of width x height samples; 0 or a negative code. A frame for
    // which the disk (or the file-size limit) has no room is refused whole, so that the file can
    // still be finished with every frame before it.
    int WriteFrame(const void* samples);
    // The encode-and-mux step behind WriteFrame and CloseOutput; frame null drains the encoder.
    // Takes ownership of the frame.
    int EncodeFrame(AVFrame* frame, int* gotPacket);
    // Drains the encoder, finishes and closes the file. Harmless on a writer that is not open.
    // Returns the first failure of the trailer or the close, else 0. The room reserved for what
    // the file's end holds (its index, its frame counts) was taken with the frames, so a file
    // whose frames found no room more is still finished whole.
    int CloseOutput();

    // Reader. 0, or -1 on any failure (then nothing stays open). Only a regular file is read; a
    // FIFO, socket, device or folder is refused without waiting on it.
    int OpenInput(const char* fileName);
    // Reads one frame into out, which holds outBytes bytes: 0 when a frame was read (or a
    // packet of another stream was skipped), negative at the end of the file or on an error.
    // A frame that is not YUYV 4:2:2 of exactly outBytes bytes is refused (negative) and
    // nothing is written to out.
    int ReadFrame(void* out, std::size_t outBytes);
    // Closes the input and releases the decoder; returns 0.
    int CloseInput();

    // Where the reader's messages go: the stream description (standard output by default) and
    // its failures (standard error). For tools that read many files, such as a fuzzer.
    static void SetReaderStreams(std::FILE* description, std::FILE* failures);

    // The open reader's or writer's frame size, 0 when none is open.
    int GetWidth() const;
    int GetHeight() const;

private:
    bool IsOutput() const;
    bool IsInput() const;
    void ReleaseOutput();
    // Each packet's time stamp is its frame number (in the codec's 1/25 time base), as the muxer
    // would have counted it; without one, containers with their own time base misplace frames.
    void StampPacket(AVPacket* packet);
    // Reserves room for a packet of this many bytes (0: none) and for the file's end after it.
    int ReserveRoom(std::int64_t packetBytes);

    AVFormatContext* m_pFormatCtx = nullptr;
    AVCodecContext* m_pCodecCtx = nullptr;
    int m_nVideoStream = -1;
    VideoInputFile m_input;
    std::int64_t m_nPacketsWritten = 0;
    VideoOutputFile m_output;
};
