// CVideoFile::OpenInput and ReadFrame on arbitrary bytes: whatever the container or codec,
// frames are copied only into a buffer of exactly their size, and everything is released.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "acquisition/CVideoFile.h"
#include "fuzz/acquisition/fuzz_temp_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // One message per input would flood the fuzzer's log.
    static std::FILE* sink = std::fopen("/dev/null", "w");
    CVideoFile::SetReaderStreams(sink, sink);
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzTempFile file("avi");
    if (!file.Write(data, size))
        return 0;
    CVideoFile reader;
    if (reader.OpenInput(file.Path()) != 0)
        return 0;
    // The record a caller would size from the stream, within reason, and a fixed one.
    const std::size_t w = static_cast<std::size_t>(reader.GetWidth() > 0 ? reader.GetWidth() : 0);
    const std::size_t h = static_cast<std::size_t>(reader.GetHeight() > 0 ? reader.GetHeight() : 0);
    std::vector<std::uint8_t> sized(w * h * 2 <= (1u << 22) ? w * h * 2 : 0);
    std::vector<std::uint8_t> fixed(256 * 192 * 2);
    for (int i = 0; i < 64; ++i) {
        std::vector<std::uint8_t>& out = (i % 2 || sized.empty()) ? fixed : sized;
        if (reader.ReadFrame(out.data(), out.size()) < 0)
            break;
    }
    reader.CloseInput();
    return 0;
}
