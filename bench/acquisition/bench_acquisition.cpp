// Costs of the acquisition's per-frame work and of its files.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "acquisition/CIRDataCapture.h"
#include "acquisition/ColorizeRaw16.h"
#include "acquisition/irfile.h"
#include "app/CVantrelApp.h"

namespace {

constexpr int kW = 256;
constexpr int kH = 192;

// A record of the module's size with a warm scene: a gradient with a few hot spots.
void MakeScene(IrFrame* f, int seed)
{
    f->param.width = kW;
    f->param.height = kH * 2;
    f->param.frame_size = kW * kH * 4;
    ircam_frame_setup(f);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            int v = 19200 + x * 2 + y + (seed * 13 + x * 7 + y * 3) % 17;
            if ((x / 32 + y / 32) % 5 == 0)
                v += 700;
            f->temp_data[y * kW + x] = static_cast<std::uint16_t>(v);
        }
}

std::string TempPath(const std::string& name)
{
    const char* base = std::getenv("VANTREL_TEST_TMP");
    std::filesystem::path dir = std::filesystem::path(base && *base ? base : "/tmp") / "bench-acquisition";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

void BM_AveragingStep(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    MakeScene(&capture->m_frameLive, 0);
    for (int i = 0; i < CIRDataCapture::kRingSize; ++i) {
        ircam_frame_copy(&capture->m_frameLive, &capture->m_ring[i]);
        MakeScene(&capture->m_ring[i], i);
    }
    for (auto _ : state) {
        capture->AverageFrame(capture->m_ring[capture->m_nRingIndex]);
        capture->m_nRingIndex = (capture->m_nRingIndex + 1) % CIRDataCapture::kRingSize;
        benchmark::DoNotOptimize(capture->m_frameLive.temp_data[100]);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AveragingStep);

// A snapshot of the live record: a deep copy taken under the records lock.
void BM_CopyLiveFrame(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    MakeScene(&capture->m_frameLive, 0);
    IrFrame copy;
    for (auto _ : state) {
        capture->CopyLiveFrame(&copy);
        benchmark::DoNotOptimize(copy.temp_data[100]);
    }
    ircam_frame_free(&copy);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CopyLiveFrame);

// Arguments: colour mode, rectangles (0 or 1), flip/mirror flags.
void BM_ColorizeRaw16(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    IrFrame frame;
    MakeScene(&frame, 1);
    capture->ColorizeFrame(&frame, nullptr);
    RectShape a{10, 10, 60, 40}, b{100, 50, 80, 80}, c{200, 150, 100, 100};
    RectShapeList rects{&a, &b, &c};
    theApp.m_nFlipMirror = static_cast<int>(state.range(2));
    for (auto _ : state) {
        ColorizeRaw16(&frame, &capture->m_colorMap, static_cast<std::uint32_t>(state.range(0)),
                      state.range(1) ? &rects : nullptr, 0);
        benchmark::DoNotOptimize(frame.rgb_buf[0]);
    }
    theApp.m_nFlipMirror = 0;
    ircam_frame_free(&frame);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ColorizeRaw16)
    ->ArgNames({"mode", "rects", "flip"})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({1, 0, 0})
    ->Args({0, 0, 3});

void BM_BuildLut(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    capture->m_colorMap.m_nCurPalette = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state)
        capture->m_colorMap.BuildLut();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildLut)->ArgName("palette")->Arg(0)->Arg(2);

void BM_ColorizeFrame(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    IrFrame frame;
    MakeScene(&frame, 2);
    for (auto _ : state) {
        capture->ColorizeFrame(&frame, nullptr);
        benchmark::DoNotOptimize(frame.rgb_buf[0]);
    }
    ircam_frame_free(&frame);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ColorizeFrame);

void BM_IrFileWrite(benchmark::State& state)
{
    IrFrame frame;
    MakeScene(&frame, 3);
    const std::string path = TempPath("bench.ir");
    for (auto _ : state)
        benchmark::DoNotOptimize(irfile_write(&frame, path.c_str()));
    ircam_frame_free(&frame);
    state.SetBytesProcessed(state.iterations() * 196672);
}
BENCHMARK(BM_IrFileWrite)->Unit(benchmark::kMicrosecond);

void BM_IrFileRead(benchmark::State& state)
{
    IrFrame frame;
    MakeScene(&frame, 4);
    const std::string path = TempPath("bench.ir");
    irfile_write(&frame, path.c_str());
    IrFrame back;
    for (auto _ : state)
        benchmark::DoNotOptimize(irfile_read(&back, path.c_str()));
    ircam_frame_free(&frame);
    ircam_frame_free(&back);
    state.SetBytesProcessed(state.iterations() * 196672);
}
BENCHMARK(BM_IrFileRead)->Unit(benchmark::kMicrosecond);

// A recording of 1000 frames written, then read back frame by frame.
void BM_Video1000Frames(benchmark::State& state)
{
    av_log_set_level(AV_LOG_ERROR);
    IrFrame frame;
    MakeScene(&frame, 5);
    const std::string path = TempPath("bench.avi");
    std::vector<std::uint16_t> out(kW * kH);
    for (auto _ : state) {
        CVideoFile writer;
        writer.OpenOutput(path.c_str(), kW, kH);
        for (int i = 0; i < 1000; ++i)
            writer.WriteFrame(frame.temp_data);
        writer.CloseOutput();
        CVideoFile reader;
        reader.OpenInput(path.c_str());
        int read = 0;
        while (reader.ReadFrame(out.data(), out.size() * 2) == 0)
            ++read;
        reader.CloseInput();
        if (read != 1000)
            state.SkipWithError("frames lost");
    }
    ircam_frame_free(&frame);
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Video1000Frames)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
