// irfile_read on arbitrary bytes: it must refuse what is not a snapshot, never read or write
// outside its buffers and leave a whole record or an empty one; irfile_write gives back the bytes
// of every snapshot it read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "acquisition/irfile.h"
#include "fuzz/acquisition/fuzz_temp_file.h"

namespace {

std::string Contents(const char* path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.append(chunk, n);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzTempFile file("ir");
    static FuzzTempFile copy("ir");
    if (!file.Write(data, size))
        return 0;
    IrFrame frame;
    const int r = irfile_read(&frame, file.Path());
    if (r == 0) {
        // A loaded record is whole: its halves are as large as its info blocks say (either may be
        // empty), and writing it gives the same bytes again.
        const std::size_t temp = static_cast<std::size_t>(frame.temp_info[0]) * frame.temp_info[1] * 2;
        const std::size_t image = static_cast<std::size_t>(frame.image_info[0]) * frame.image_info[1] * 2;
        if (temp != frame.temp_size || image != frame.image_size || !frame.temp_data || !frame.image_data ||
            !frame.rgb_buf || 64 + temp + image != size)
            std::abort();
        volatile std::uint8_t last = 0;
        if (temp)
            last = reinterpret_cast<const std::uint8_t*>(frame.temp_data)[temp - 1];
        if (image)
            last = frame.image_data[image - 1];
        (void)last;
        if (irfile_write(&frame, copy.Path()) != 0 ||
            Contents(copy.Path()) != std::string(reinterpret_cast<const char*>(data), size))
            std::abort();
    } else if (!ircam_frame_empty(&frame)) {
        std::abort();
    }
    ircam_frame_free(&frame);
    return 0;
}
