// Helpers of the thumbnail-list tests and benchmarks: snapshots and recordings in the data folder,
// a run of a list's loader, and the pixels of its thumbnails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "acquisition/CVideoFile.h"
#include "acquisition/irfile.h"
#include "app/CVantrelApp.h"
#include "controls/CListCtrlThumbnail.h"
#include "platform/files/files.h"
#include "platform/kernel/clock.h"
#include "tests/controls/SkinTestSupport.h"

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
    void Bytes(const std::string& name, const std::string& bytes) const { std::ofstream(Path(name), std::ios::binary) << bytes; }
    void Folder(const std::string& name) const { std::filesystem::create_directories(m_path + name); }

private:
    std::string m_path;
};

// Starts the list's loader with the action and serves the list until the loader has ended.
inline bool RunLoader(CListCtrlThumbnail& list, int action, DWORD timeoutMs = 20000)
{
    list.m_nAction = action;
    if (!list.ThreadWorkerStart())
        return false;
    const DWORD start = GetTickCount();
    while (list.IsThreadWorkerRunning()) {
        skin_test::Pump();
        if (GetTickCount() - start > timeoutMs)
            return false;
    }
    skin_test::Pump();
    return true;
}

inline std::set<std::string> ItemNames(const CListCtrlThumbnail& list)
{
    std::set<std::string> names;
    for (int i = 0; i < list.GetItemCount(); ++i)
        names.insert(list.GetItemText(i, 0).GetString());
    return names;
}

inline int ItemOf(const CListCtrlThumbnail& list, const std::string& name)
{
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemText(i, 0).str() == name)
            return i;
    return -1;
}

inline int ImageOf(const CListCtrlThumbnail& list, int item)
{
    LVITEM shown{};
    shown.mask = LVIF_IMAGE;
    shown.iItem = item;
    return list.GetItem(&shown) ? shown.iImage : -1;
}

// A pixel of image `image` of the list's image list.
inline COLORREF ThumbnailPixel(CListCtrlThumbnail& list, int image, int x, int y)
{
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateBitmap(CListCtrlThumbnail::kThumbWidth, CListCtrlThumbnail::kThumbHeight, 1, 32, nullptr);
    CBitmap* old = dc.SelectObject(&bitmap);
    ImageList_Draw(list.m_imageList, image, dc, 0, 0, ILD_NORMAL);
    dc.SelectObject(old);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(CListCtrlThumbnail::kThumbWidth) * CListCtrlThumbnail::kThumbHeight * 4);
    bitmap.GetBitmapBits(static_cast<DWORD>(bits.size()), bits.data());
    const std::uint8_t* p = &bits[(static_cast<std::size_t>(y) * CListCtrlThumbnail::kThumbWidth + x) * 4];
    return RGB(p[2], p[1], p[0]);
}

// The colour the capture's colouring gives a board's cold and hot halves now.
struct HalfColours {
    COLORREF cold;
    COLORREF hot;
};
inline HalfColours ColoursNow()
{
    IrFrame frame;
    BoardFrame(&frame, true);
    theApp.m_capture.ColorizeFrame(&frame, nullptr);
    auto at = [&](int x) {
        const std::uint8_t* p = frame.rgb_buf + (static_cast<std::size_t>(kRows / 2) * kWidth + x) * 3;
        return RGB(p[0], p[1], p[2]);
    };
    HalfColours colours{at(kWidth - 10), at(10)};
    ircam_frame_free(&frame);
    return colours;
}

// Puts the colour map's palette back after a test that changes it.
class PaletteGuard {
public:
    PaletteGuard() : m_palette(theApp.m_capture.m_colorMap.m_nCurPalette) {}
    ~PaletteGuard() { theApp.m_capture.m_colorMap.m_nCurPalette = m_palette; }

private:
    std::uint32_t m_palette;
};

}  // namespace thumbnail_test
