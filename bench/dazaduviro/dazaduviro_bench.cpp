#include "dazaduviro/src/dazaduviro.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kPixels = 256 * 192;
constexpr int kFrameBytes = 196608;

// Input with varied values so that every clamp branch is taken.
std::vector<uint8_t> Pattern(size_t bytes)
{
    std::vector<uint8_t> v(bytes);
    uint32_t x = 12345;
    for (uint8_t &b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return v;
}

template <typename In, typename Out, typename Fn>
void Run(benchmark::State &state, size_t in_per_pixel, size_t out_per_pixel, Fn fn)
{
    std::vector<uint8_t> in = Pattern(kPixels * in_per_pixel * sizeof(In));
    std::vector<uint8_t> out(kPixels * out_per_pixel * sizeof(Out));
    for (auto _ : state) {
        benchmark::DoNotOptimize(fn(reinterpret_cast<const In *>(in.data()), kPixels, reinterpret_cast<Out *>(out.data())));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_y14_to_y8(benchmark::State &s) { Run<uint16_t, uint8_t>(s, 1, 1, y14_to_y8); }
void BM_y14_to_rgb(benchmark::State &s) { Run<uint16_t, uint8_t>(s, 1, 3, y14_to_rgb); }
void BM_y14_to_yuv444(benchmark::State &s) { Run<uint16_t, uint8_t>(s, 1, 3, y14_to_yuv444); }
void BM_y16_to_y14(benchmark::State &s) { Run<uint16_t, uint16_t>(s, 1, 1, y16_to_y14); }
void BM_rgb_to_bgr(benchmark::State &s) { Run<uint8_t, uint8_t>(s, 3, 3, rgb_to_bgr); }
void BM_yuv422_add_y(benchmark::State &s)
{
    Run<uint8_t, uint8_t>(s, 2, 2, [](const uint8_t *i, int n, uint8_t *o) { return yuv422_add_y(i, n, 40, o); });
}
void BM_yuv422_to_rgb(benchmark::State &s) { Run<uint8_t, uint8_t>(s, 2, 3, yuv422_to_rgb); }
void BM_yuv444_to_rgb(benchmark::State &s) { Run<uint8_t, uint8_t>(s, 3, 3, yuv444_to_rgb); }
void BM_yuv444_to_yuv422(benchmark::State &s) { Run<uint8_t, uint8_t>(s, 3, 2, yuv444_to_yuv422); }

void BM_raw_data_cut(benchmark::State &state)
{
    std::vector<uint8_t> frame = Pattern(kFrameBytes);
    std::vector<uint8_t> image(kFrameBytes / 2), temp(kFrameBytes / 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(raw_data_cut(frame.data(), kFrameBytes / 2, kFrameBytes / 2, image.data(), temp.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

BENCHMARK(BM_y14_to_y8);
BENCHMARK(BM_y14_to_rgb);
BENCHMARK(BM_y14_to_yuv444);
BENCHMARK(BM_y16_to_y14);
BENCHMARK(BM_rgb_to_bgr);
BENCHMARK(BM_yuv422_add_y);
BENCHMARK(BM_yuv422_to_rgb);
BENCHMARK(BM_yuv444_to_rgb);
BENCHMARK(BM_yuv444_to_yuv422);
BENCHMARK(BM_raw_data_cut);

}  // namespace
