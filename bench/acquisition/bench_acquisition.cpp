// Costs of the acquisition's per-frame work and of its files.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
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

// The colourings' reference: a plain lookup loop over the same frame, one three-byte table entry
// for every 16-bit value, no flip, no rectangles.
class PlainLookup {
public:
    PlainLookup() : m_table(65536 * 3)
    {
        for (std::size_t i = 0; i < m_table.size(); ++i)
            m_table[i] = static_cast<std::uint8_t>(i * 7);
    }
    void Run(const IrFrame& f) const
    {
        const std::uint16_t* in = f.temp_data;
        std::uint8_t* out = f.rgb_buf;
        for (int i = 0; i < kW * kH; ++i, out += 3) {
            const std::uint8_t* c = &m_table[3 * static_cast<std::size_t>(in[i])];
            out[0] = c[0];
            out[1] = c[1];
            out[2] = c[2];
        }
        benchmark::ClobberMemory();
    }

private:
    std::vector<std::uint8_t> m_table;
};

template <class Run>
double NanosecondsOf(Run run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
}

// Measures a colouring (the benchmark's manual time) with the plain loop run right before each
// run of it, so that both meet the same load of the shared machine; "x_plain" is the median of
// the colouring's time over the plain loop's, "plain_us" the plain loop's median.
template <class Run>
void MeasureAgainstPlain(benchmark::State& state, const IrFrame& frame, Run run)
{
    const PlainLookup plain;
    std::vector<double> ratios, plainNs;
    for (auto _ : state) {
        const double reference = NanosecondsOf([&] { plain.Run(frame); });
        const double own = NanosecondsOf(run);
        state.SetIterationTime(own / 1e9);
        ratios.push_back(own / reference);
        plainNs.push_back(reference);
    }
    auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    state.counters["x_plain"] = median(ratios);
    state.counters["plain_us"] = median(plainNs) / 1000.0;
    state.SetItemsProcessed(state.iterations());
}

void BM_PlainLookup(benchmark::State& state)
{
    IrFrame frame;
    MakeScene(&frame, 1);
    const PlainLookup plain;
    for (auto _ : state)
        plain.Run(frame);
    ircam_frame_free(&frame);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainLookup);

// Arguments: colour mode, rectangles (0 none, 1 three, 2 ten), flip/mirror flags.
void BM_ColorizeRaw16(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    IrFrame frame;
    MakeScene(&frame, 1);
    capture->ColorizeFrame(&frame, nullptr);
    std::vector<RectShape> shapes;
    if (state.range(1) == 1)
        shapes = {{10, 10, 60, 40}, {100, 50, 80, 80}, {200, 150, 100, 100}};
    for (int i = 0; state.range(1) == 2 && i < 10; ++i)
        shapes.push_back(RectShape{5 + (i % 5) * 50, 10 + (i / 5) * 90, 40, 35});
    RectShapeList rects;
    for (RectShape& r : shapes)
        rects.push_back(&r);
    theApp.m_nFlipMirror = static_cast<int>(state.range(2));
    MeasureAgainstPlain(state, frame, [&] {
        ColorizeRaw16(&frame, &capture->m_colorMap, static_cast<std::uint32_t>(state.range(0)),
                      state.range(1) ? &rects : nullptr, 0);
        benchmark::ClobberMemory();
    });
    theApp.m_nFlipMirror = 0;
    ircam_frame_free(&frame);
}
BENCHMARK(BM_ColorizeRaw16)
    ->ArgNames({"mode", "rects", "flip"})
    ->Args({0, 0, 0})
    ->Args({0, 0, 1})
    ->Args({0, 0, 2})
    ->Args({0, 0, 3})
    ->Args({0, 1, 0})
    ->Args({0, 2, 3})
    ->Args({1, 0, 0})
    ->Args({1, 0, 3})
    ->UseManualTime();

// A table of the given number of entries whose display window is its upper quarter, so that
// three quarters of the entries lie below it. Arguments: palette, entries.
void BM_BuildLut(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    ZelColorMap& map = capture->m_colorMap;
    map.m_nCurPalette = static_cast<std::uint32_t>(state.range(0));
    const auto entries = static_cast<std::uint16_t>(state.range(1));
    const std::uint16_t low = 18000;
    map.SetTempRange(ZelColorMap::RawToCelsius(low), ZelColorMap::RawToCelsius(static_cast<std::uint16_t>(low + entries - 1)));
    map.SetDisplayRangeRaw(static_cast<std::uint16_t>(low + entries * 3 / 4), static_cast<std::uint16_t>(low + entries - 1));
    const std::uint32_t count = static_cast<std::uint32_t>(map.m_nRangeHigh) - map.m_nRangeLow + 1u;
    for (auto _ : state)
        map.BuildLut();
    state.counters["entries"] = count;
    state.counters["entry_rate"] = benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildLut)
    ->ArgNames({"palette", "entries"})
    ->Args({0, 2000})
    ->Args({0, 8000})
    ->Args({0, 32000})
    ->Args({2, 2000})
    ->Args({2, 32000});

// The live case: the window fitted to a new frame each time (the scene drifts by one raw unit a
// frame), the table rebuilt, the frame coloured.
void BM_ColorizeFrame(benchmark::State& state)
{
    auto capture = std::make_unique<CIRDataCapture>();
    IrFrame frames[2];
    MakeScene(&frames[0], 2);
    MakeScene(&frames[1], 2);
    for (int i = 0; i < kW * kH; ++i)
        frames[1].temp_data[i] = static_cast<std::uint16_t>(frames[1].temp_data[i] + 1);
    capture->m_colorMap.m_nCurPalette = static_cast<std::uint32_t>(state.range(0));
    int n = 0;
    MeasureAgainstPlain(state, frames[0], [&] {
        capture->ColorizeFrame(&frames[n++ & 1], nullptr);
        benchmark::ClobberMemory();
    });
    ircam_frame_free(&frames[0]);
    ircam_frame_free(&frames[1]);
}
BENCHMARK(BM_ColorizeFrame)->ArgName("palette")->Arg(0)->Arg(2)->UseManualTime();

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
