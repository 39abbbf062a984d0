// Snapshots and recordings of boards in the data folder, for the thumbnail-list tests and
// benchmarks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "acquisition/CVideoFile.h"
#include "acquisition/irfile.h"
#include "platform/files/files.h"

namespace thumbnail_test {

constexpr int kWidth = 256;
constexpr int kRows = 192;

inline std::uint16_t Raw(double celsius) { return static_cast<std::uint16_t>((celsius + 273.15) * 64.0); }

// The samples of a board: one half at 20 degrees, the other at 60 (the hot half left or right).
inline std::vector<std::uint16_t> HalfHot(bool hotLeft)
{
    std::vector<std::uint16_t> samples(static_cast<std::size_t>(kWidth) * kRows);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kWidth; ++x)
            samples[static_cast<std::size_t>(y) * kWidth + x] = Raw((x < kWidth / 2) == hotLeft ? 60.0 : 20.0);
    return samples;
}

// A frame record of the camera's size holding a board (release it with ircam_frame_free).
inline void BoardFrame(IrFrame* frame, bool hotLeft)
{
    frame->param.width = kWidth;
    frame->param.height = kRows * 2;
    frame->param.frame_size = kWidth * kRows * 4;
    ircam_frame_setup(frame);
    const auto samples = HalfHot(hotLeft);
    std::copy(samples.begin(), samples.end(), frame->temp_data);
}

// The data folder of this test process, made empty.
class DataFolder {
public:
    DataFolder() : m_path(platform::files::DataFolder().GetString())
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
        std::filesystem::create_directories(m_path);
        // The reader describes every video it opens; tests do not want to read that.
        static std::FILE* quiet = std::fopen("/dev/null", "w");
        CVideoFile::SetReaderStreams(quiet, quiet);
        av_log_set_level(AV_LOG_QUIET);
    }
    ~DataFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }

    std::string Path(const std::string& name) const { return m_path + name; }

    void Snapshot(const std::string& name, bool hotLeft = true) const
    {
        IrFrame frame;
        BoardFrame(&frame, hotLeft);
        irfile_write(&frame, Path(name).c_str());
        ircam_frame_free(&frame);
    }
    // Written as an AVI whatever the name says (the writer takes the container from the name).
    void Recording(const std::string& name, bool hotLeft = true, int frames = 3) const
    {
        const std::string writing = Path("writing.avi");
        CVideoFile writer;
        writer.OpenOutput(writing.c_str(), kWidth, kRows);
        const auto samples = HalfHot(hotLeft);
        for (int i = 0; i < frames; ++i)
            writer.WriteFrame(samples.data());
        writer.CloseOutput();
        std::filesystem::rename(writing, Path(name));
    }
    // A recording whose header names another codec (a four-character code) or another frame size
    // than the frames it holds.
    void RecordingSaying(const std::string& name, const char* codec, std::int32_t width, std::int32_t rows) const
    {
        Recording(name);
        std::fstream f(Path(name), std::ios::in | std::ios::out | std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        // The stream header's handler, and the format's width, height and compression.
        const std::size_t handler = bytes.find("strh") + 12;
        const std::size_t format = bytes.find("strf") + 8;
        bytes.replace(handler, 4, codec, 4);
        bytes.replace(format + 4, 4, reinterpret_cast<const char*>(&width), 4);
        bytes.replace(format + 8, 4, reinterpret_cast<const char*>(&rows), 4);
        bytes.replace(format + 16, 4, codec, 4);
        f.seekp(0);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    void Bytes(const std::string& name, const std::string& bytes) const { std::ofstream(Path(name), std::ios::binary) << bytes; }
    void Folder(const std::string& name) const { std::filesystem::create_directories(m_path + name); }

private:
    std::string m_path;
};

}  // namespace thumbnail_test
