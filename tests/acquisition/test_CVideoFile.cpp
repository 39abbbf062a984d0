#include "acquisition/CVideoFile.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "tests/acquisition/TempDir.h"
#include "tests/support/AviFacts.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/NotRegularFiles.h"

namespace {

constexpr int kW = 256;
constexpr int kH = 192;
constexpr std::size_t kFrameBytes = kW * kH * 2;

std::vector<std::uint16_t> Samples(int seed, int w = kW, int h = kH)
{
    std::vector<std::uint16_t> s(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint16_t>(18000 + seed * 977 + i * 31 + (i >> 8) * 7);
    return s;
}

class VideoFile : public testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_ERROR); }
    // Reads every frame; the result ends with the reader's final negative code.
    std::vector<std::vector<std::uint16_t>> ReadAll(const std::string& path, int* last)
    {
        CVideoFile reader;
        std::vector<std::vector<std::uint16_t>> frames;
        *last = reader.OpenInput(path.c_str());
        if (*last != 0)
            return frames;
        std::vector<std::uint16_t> buf(kW * kH);
        while ((*last = reader.ReadFrame(buf.data(), kFrameBytes)) == 0)
            frames.push_back(buf);
        reader.CloseInput();
        return frames;
    }
    TempDir m_dir;
};

}  // namespace

TEST_F(VideoFile, ThreeFramesRoundTripInAnAviRawYuyvStream)
{
    const std::string path = m_dir.File("rec.avi");
    CVideoFile writer;
    ASSERT_EQ(writer.OpenOutput(path.c_str(), kW, kH), 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(writer.WriteFrame(Samples(i).data()), 0);
    ASSERT_EQ(writer.CloseOutput(), 0);

    AVFormatContext* fmt = nullptr;
    ASSERT_EQ(avformat_open_input(&fmt, path.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(fmt, nullptr), 0);
    EXPECT_STREQ(fmt->iformat->name, "avi");
    ASSERT_EQ(fmt->nb_streams, 1u);
    const AVCodecParameters* par = fmt->streams[0]->codecpar;
    EXPECT_EQ(par->codec_type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(par->codec_id, AV_CODEC_ID_RAWVIDEO);
    EXPECT_EQ(par->format, AV_PIX_FMT_YUYV422);
    EXPECT_EQ(par->width, kW);
    EXPECT_EQ(par->height, kH);
    EXPECT_EQ(av_q2d(fmt->streams[0]->avg_frame_rate), 25.0);
    avformat_close_input(&fmt);

    int last = 0;
    const auto frames = ReadAll(path, &last);
    ASSERT_EQ(frames.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(frames[i], Samples(i)) << "frame " << i;
    EXPECT_LT(last, 0);
}

namespace {

// Every message FFmpeg logs while it lives, whatever the log level.
class FfmpegLog {
public:
    FfmpegLog()
    {
        s_lines.clear();
        av_log_set_callback(Collect);
    }
    ~FfmpegLog() { av_log_set_callback(av_log_default_callback); }
    bool Contains(const std::string& text) const
    {
        for (const std::string& line : s_lines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    static void Collect(void*, int, const char* format, va_list args)
    {
        char line[1024];
        std::vsnprintf(line, sizeof line, format, args);
        s_lines.emplace_back(line);
    }
    static inline std::vector<std::string> s_lines;
};

// 64-bit FNV-1a of a file, its software tag blanked: the tag names the FFmpeg build.
std::uint64_t Digest(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    const char tag[] = "ISFT";
    auto at = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
    if (at != bytes.end() && bytes.end() - at >= 8) {
        std::uint32_t size = 0;
        std::memcpy(&size, &*(at + 4), 4);
        std::fill(at + 8, at + 8 + std::min<std::ptrdiff_t>(size, bytes.end() - at - 8), 0);
    }
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint8_t b : bytes)
        h = (h ^ b) * 0x100000001b3ull;
    return h;
}

// The time stamps of the video packets in seconds, as a reader of the container sees them.
std::vector<double> PacketTimes(const std::string& path)
{
    std::vector<double> times;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) != 0)
        return times;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(fmt, packet) >= 0) {
        times.push_back(packet->pts == AV_NOPTS_VALUE ? -1.0
                                                      : packet->pts * av_q2d(fmt->streams[packet->stream_index]->time_base));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&fmt);
    return times;
}

}  // namespace

TEST_F(VideoFile, EachFrameIsStampedWithItsNumberAndTheFileStaysTheSame)
{
    struct Case {
        const char* name;
        std::uint64_t digest;  // the bytes recordings have always had (0: not compared)
    } cases[] = {{"rec.avi", 0xf91a00731b37336aull}, {"rec.nut", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File(c.name);
        {
            FfmpegLog log;
            CVideoFile writer;
            ASSERT_EQ(writer.OpenOutput(path.c_str(), kW, kH), 0);
            for (int i = 0; i < 3; ++i)
                ASSERT_EQ(writer.WriteFrame(Samples(i).data()), 0);
            ASSERT_EQ(writer.CloseOutput(), 0);
            EXPECT_FALSE(log.Contains("Timestamps are unset"));
        }
        if (c.digest) {
            EXPECT_EQ(Digest(path), c.digest) << std::hex << Digest(path);
        }
        EXPECT_EQ(PacketTimes(path), (std::vector<double>{0.0, 0.04, 0.08}));
    }
}

TEST_F(VideoFile, EmptyRecordingIsAValidFileWithNoFrames)
{
    const std::string path = m_dir.File("empty.avi");
    CVideoFile writer;
    ASSERT_EQ(writer.OpenOutput(path.c_str(), kW, kH), 0);
    ASSERT_EQ(writer.CloseOutput(), 0);
    CVideoFile reader;
    ASSERT_EQ(reader.OpenInput(path.c_str()), 0);
    EXPECT_EQ(reader.GetWidth(), kW);
    EXPECT_EQ(reader.GetHeight(), kH);
    std::vector<std::uint16_t> buf(kW * kH);
    EXPECT_LT(reader.ReadFrame(buf.data(), kFrameBytes), 0);
    EXPECT_EQ(reader.CloseInput(), 0);
}

TEST_F(VideoFile, FileWithoutVideoStreamIsRefused)
{
    // A one-second silent mono WAVE file, written by hand.
    const std::string path = m_dir.File("sound.wav");
    {
        std::ofstream f(path, std::ios::binary);
        const std::uint32_t rate = 8000, dataBytes = 16000;
        auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
        f.write("RIFF", 4); u32(36 + dataBytes); f.write("WAVEfmt ", 8); u32(16);
        u16(1); u16(1); u32(rate); u32(rate * 2); u16(2); u16(16);
        f.write("data", 4); u32(dataBytes);
        std::vector<char> silence(dataBytes, 0);
        f.write(silence.data(), dataBytes);
    }
    CVideoFile reader;
    testing::internal::CaptureStderr();
    const int r = reader.OpenInput(path.c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r, -1);
    EXPECT_NE(err.find("no video stream\n"), std::string::npos) << err;
    std::vector<std::uint16_t> buf(kW * kH);
    EXPECT_LT(reader.ReadFrame(buf.data(), kFrameBytes), 0);
}

TEST_F(VideoFile, MissingOrForeignFilesAreRefused)
{
    CVideoFile reader;
    EXPECT_EQ(reader.OpenInput(m_dir.File("none.avi").c_str()), -1);
    const std::string junk = m_dir.File("junk.avi");
    std::ofstream(junk, std::ios::binary) << "this is not a video file at all";
    EXPECT_EQ(reader.OpenInput(junk.c_str()), -1);
    EXPECT_EQ(reader.GetWidth(), 0);
}

TEST_F(VideoFile, AnythingButARegularFileIsRefusedWithoutWaitingOnIt)
{
    NotRegularFiles others(m_dir.Path(), ".avi");
    ASSERT_TRUE(others.Made());
    CVideoFile reader;
    for (const std::string& path : others.Paths()) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(reader.OpenInput(path.c_str()), -1) << path;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("fail to open, return value: "), std::string::npos) << path << ": " << err;
        EXPECT_EQ(reader.GetWidth(), 0) << path;
    }
    EXPECT_FALSE(others.HeldAReader());
}

TEST_F(VideoFile, AListOfOtherFilesReachesNoneOfThem)
{
    NotRegularFiles others(m_dir.Path(), ".avi");
    ASSERT_TRUE(others.Made());
    const std::string clip = m_dir.File("clip.avi");
    CVideoFile writer;
    ASSERT_EQ(writer.OpenOutput(clip.c_str(), kW, kH), 0);
    ASSERT_EQ(writer.WriteFrame(Samples(0).data()), 0);
    ASSERT_EQ(writer.CloseOutput(), 0);
    CVideoFile reader;
    for (const char* named : {"clip.avi", "pipe.avi"}) {
        const std::string list = m_dir.File(std::string("list-of-") + named);
        std::ofstream(list) << "ffconcat version 1.0\nfile " << named << "\n";
        testing::internal::CaptureStderr();
        EXPECT_EQ(reader.OpenInput(list.c_str()), -1) << named;
        testing::internal::GetCapturedStderr();
    }
    EXPECT_FALSE(others.HeldAReader());
}

TEST_F(VideoFile, FrameOfAnotherSizeNeverWritesPastTheRecord)
{
    const std::string path = m_dir.File("big.avi");
    CVideoFile writer;
    ASSERT_EQ(writer.OpenOutput(path.c_str(), 320, 240), 0);
    ASSERT_EQ(writer.WriteFrame(Samples(1, 320, 240).data()), 0);
    ASSERT_EQ(writer.CloseOutput(), 0);

    CVideoFile reader;
    ASSERT_EQ(reader.OpenInput(path.c_str()), 0);
    EXPECT_EQ(reader.GetWidth(), 320);
    std::vector<std::uint16_t> buf(kW * kH + 16, 0xABCD);
    EXPECT_LT(reader.ReadFrame(buf.data(), kFrameBytes), 0);
    for (std::uint16_t v : buf)
        ASSERT_EQ(v, 0xABCD);
}

TEST_F(VideoFile, WriterNeverOpenedIsHarmless)
{
    CVideoFile writer;
    EXPECT_EQ(writer.CloseOutput(), 0);
    EXPECT_LT(writer.WriteFrame(Samples(0).data()), 0);
    EXPECT_EQ(writer.CloseOutput(), 0);
    EXPECT_EQ(writer.CloseInput(), 0);
}

TEST_F(VideoFile, FailedOpenLeavesAClosedWriter)
{
    CVideoFile writer;
    EXPECT_LT(writer.OpenOutput(m_dir.File("no/such/dir/rec.avi").c_str(), kW, kH), 0);
    EXPECT_LT(writer.WriteFrame(Samples(0).data()), 0);
    EXPECT_EQ(writer.CloseOutput(), 0);
    // Still usable afterwards.
    EXPECT_EQ(writer.OpenOutput(m_dir.File("ok.avi").c_str(), kW, kH), 0);
    EXPECT_EQ(writer.CloseOutput(), 0);
}

TEST_F(VideoFile, ReaderReopensAndCloseReleasesIt)
{
    const std::string path = m_dir.File("rec.avi");
    CVideoFile writer;
    ASSERT_EQ(writer.OpenOutput(path.c_str(), kW, kH), 0);
    ASSERT_EQ(writer.WriteFrame(Samples(5).data()), 0);
    ASSERT_EQ(writer.CloseOutput(), 0);
    CVideoFile reader;
    std::vector<std::uint16_t> buf(kW * kH);
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(reader.OpenInput(path.c_str()), 0);
        ASSERT_EQ(reader.ReadFrame(buf.data(), kFrameBytes), 0);
        EXPECT_EQ(buf, Samples(5));
        EXPECT_EQ(reader.CloseInput(), 0);
        EXPECT_EQ(reader.GetWidth(), 0);
        EXPECT_LT(reader.ReadFrame(buf.data(), kFrameBytes), 0);
    }
}

// A disk that fills (here: a file-size limit) refuses the frame that finds no room, and the file
// is still finished whole: every frame before it indexed and counted, none cut short.
TEST_F(VideoFile, FullDiskRefusesTheFrameWithoutRoomAndTheFileIsStillWhole)
{
    const std::size_t limits[] = {3 * kFrameBytes, 10 * kFrameBytes + kFrameBytes / 2, 17 * kFrameBytes + 5000};
    for (std::size_t bytes : limits) {
        SCOPED_TRACE(bytes);
        const std::string path = m_dir.File("full.avi");
        int written = 0;
        {
            FileSizeLimit limit(bytes);
            CVideoFile writer;
            ASSERT_EQ(writer.OpenOutput(path.c_str(), kW, kH), 0);
            while (written < 30 && writer.WriteFrame(Samples(written).data()) == 0)
                ++written;
            EXPECT_EQ(writer.CloseOutput(), 0);
        }
        ASSERT_GT(written, 0);
        ASSERT_LT(written, 30) << "the limit was reached";
        EXPECT_GE(written, static_cast<int>(bytes / (kFrameBytes + 8)) - 1) << "only room for the file's end is kept back";

        const avi_test::AviFacts facts = avi_test::ReadAviFacts(path, kFrameBytes);
        EXPECT_TRUE(facts.riffSpansTheFile);
        EXPECT_EQ(facts.totalFrames, static_cast<std::uint32_t>(written));
        EXPECT_EQ(facts.streamLength, static_cast<std::uint32_t>(written));
        EXPECT_EQ(facts.indexEntries, static_cast<std::size_t>(written));
        EXPECT_EQ(facts.wholeFramesIndexed, static_cast<std::size_t>(written));
        const std::string n = std::to_string(written);
        EXPECT_EQ(avi_test::ProbeFrames(path), "nb_frames=" + n + "\nnb_read_frames=" + n + "\n");
        int last = 0;
        const auto frames = ReadAll(path, &last);
        ASSERT_EQ(frames.size(), static_cast<std::size_t>(written));
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(frames[i], Samples(static_cast<int>(i))) << "frame " << i;
    }
}

TEST_F(VideoFile, TheWriterRefusesAnythingButARegularFileWithoutWaitingOnIt)
{
    NotRegularFiles others(m_dir.Path(), ".avi");
    ASSERT_TRUE(others.Made());
    // A writer let go at the FIFO's deadline would find its reader gone at its first write.
    const auto pipeSignal = std::signal(SIGPIPE, SIG_IGN);
    CVideoFile writer;
    for (const std::string& path : others.Paths()) {
        EXPECT_LT(writer.OpenOutput(path.c_str(), kW, kH), 0) << path;
        EXPECT_EQ(writer.GetWidth(), 0) << path;
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(path))) << path;
    }
    std::signal(SIGPIPE, pipeSignal);
    EXPECT_FALSE(others.HeldAWriter());
    EXPECT_EQ(writer.OpenOutput(m_dir.File("rec.avi").c_str(), kW, kH), 0) << "the writer is still usable";
    EXPECT_EQ(writer.CloseOutput(), 0);
}

namespace {

// Waits up to thirty seconds for a byte from the descriptor; whether one came.
bool AByteCame(int fd)
{
    pollfd ready{fd, POLLIN, 0};
    char byte = 0;
    return poll(&ready, 1, 30000) == 1 && read(fd, &byte, 1) == 1;
}

}  // namespace

// The file holds what was written and nothing after it, while it records and after its writer was
// killed before it could finish the file: the room taken ahead of the frames never shows at its end.
TEST_F(VideoFile, AWriterKilledHardLeavesTheFramesItWroteAndNothingAfterThem)
{
    const std::string path = m_dir.File("killed.avi");
    int wrote[2];
    ASSERT_EQ(pipe(wrote), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CVideoFile writer;
        if (writer.OpenOutput(path.c_str(), kW, kH) != 0)
            _exit(1);
        for (int i = 0; i < 3; ++i)
            if (writer.WriteFrame(Samples(i).data()) != 0)
                _exit(2);
        const char done = 1;
        if (write(wrote[1], &done, 1) != 1)
            _exit(3);
        for (;;)
            pause();
    }
    close(wrote[1]);
    const bool recording = AByteCame(wrote[0]);
    close(wrote[0]);
    std::size_t framesWhileRecording = 0;
    const std::size_t endWhileRecording = avi_test::EndOfWholeChunks(path, kFrameBytes, &framesWhileRecording);
    const auto sizeWhileRecording = std::filesystem::file_size(path);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(recording) << "the writer wrote three frames";
    EXPECT_EQ(framesWhileRecording, 3u);
    EXPECT_EQ(sizeWhileRecording, endWhileRecording) << "while it records";

    std::size_t frames = 0;
    const std::size_t end = avi_test::EndOfWholeChunks(path, kFrameBytes, &frames);
    EXPECT_EQ(frames, 3u);
    EXPECT_EQ(std::filesystem::file_size(path), end) << "after the kill";
    int last = 0;
    const auto read = ReadAll(path, &last);
    ASSERT_EQ(read.size(), 3u) << "its frames still play";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(read[i], Samples(i)) << "frame " << i;
}
