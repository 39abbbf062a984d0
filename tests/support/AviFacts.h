// What a recording's AVI file says of itself, read by hand from its bytes, and what ffprobe (of
// the ffmpeg package) makes of it: for tests that a kept recording is a whole file.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace avi_test {

struct AviFacts {
    bool riffSpansTheFile = false;   // the RIFF list ends where the file ends
    std::uint32_t totalFrames = 0;   // the main header's dwTotalFrames
    std::uint32_t streamLength = 0;  // the stream header's dwLength
    std::size_t indexEntries = 0;    // entries of the idx1 index
    std::size_t wholeFramesIndexed = 0;  // of them, those naming a whole frame chunk in the file
};

namespace detail {

inline std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

inline bool FourCc(const std::vector<std::uint8_t>& bytes, std::size_t at, const char* code)
{
    return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, code, 4) == 0;
}

// How many of the idx1 entries from `at` (size bytes) name a chunk "00dc" of frameBytes that lies
// whole in the file; their offsets count from the movi list's "movi".
inline std::size_t WholeFramesIndexed(const std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t size,
                                      std::size_t movi, std::uint32_t frameBytes)
{
    std::size_t whole = 0;
    for (std::size_t e = at; e + 16 <= at + size; e += 16) {
        const std::size_t chunk = movi + U32(b, e + 8);
        whole += FourCc(b, e, "00dc") && U32(b, e + 12) == frameBytes && FourCc(b, chunk, "00dc") &&
                 U32(b, chunk + 4) == frameBytes && chunk + 8 + frameBytes <= b.size();
    }
    return whole;
}

}  // namespace detail

// The facts of the first RIFF list of an AVI whose frames are frameBytes each.
inline AviFacts ReadAviFacts(const std::string& path, std::uint32_t frameBytes)
{
    using detail::FourCc;
    using detail::U32;
    std::ifstream f(path, std::ios::binary);
    const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    AviFacts facts;
    if (!FourCc(b, 0, "RIFF") || !FourCc(b, 8, "AVI ")) return facts;
    facts.riffSpansTheFile = U32(b, 4) + 8ull == b.size();
    std::size_t movi = 0;
    // The lists hdrl and strl are entered, movi is passed over; every other chunk is passed over.
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::uint32_t size = U32(b, at + 4);
        if (FourCc(b, at, "LIST") && !FourCc(b, at + 8, "movi")) {
            at += 12;
            continue;
        }
        if (FourCc(b, at, "LIST")) movi = at + 8;
        if (FourCc(b, at, "avih")) facts.totalFrames = U32(b, at + 8 + 16);
        if (FourCc(b, at, "strh")) facts.streamLength = U32(b, at + 8 + 32);
        if (FourCc(b, at, "idx1")) {
            facts.indexEntries = size / 16;
            facts.wholeFramesIndexed = detail::WholeFramesIndexed(b, at + 8, size, movi, frameBytes);
        }
        at += 8 + static_cast<std::size_t>(size) + (size & 1);
    }
    return facts;
}

// Where the last whole chunk of an AVI ends, its chunks and lists walked from the start as those of
// a file that was never finished must be (the sizes of its RIFF and movi lists unset): a chunk
// without a name (zero bytes, say) or cut short ends the walk. `frames` gets the number of frame
// chunks of frameBytes passed on the way.
inline std::size_t EndOfWholeChunks(const std::string& path, std::uint32_t frameBytes, std::size_t* frames)
{
    using detail::FourCc;
    using detail::U32;
    std::ifstream f(path, std::ios::binary);
    const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    const auto named = [&](std::size_t at) {
        return std::all_of(b.begin() + at, b.begin() + at + 4, [](std::uint8_t c) { return std::isalnum(c) || c == ' '; });
    };
    *frames = 0;
    if (!FourCc(b, 0, "RIFF") || !FourCc(b, 8, "AVI ")) return 0;
    std::size_t at = 12;
    while (at + 8 <= b.size() && named(at)) {
        const std::uint32_t size = U32(b, at + 4);
        if (FourCc(b, at, "LIST")) {
            if (at + 12 > b.size()) break;
            at += 12;
            continue;
        }
        const std::size_t end = at + 8 + static_cast<std::size_t>(size) + (size & 1);
        if (end > b.size()) break;
        *frames += FourCc(b, at, "00dc") && size == frameBytes;
        at = end;
    }
    return at;
}

// ffprobe's frame counts of the file's video stream, from its headers and by decoding every frame,
// with every complaint it makes on the way: "nb_frames=N\nnb_read_frames=N\n" for a whole file.
inline std::string ProbeFrames(const std::string& path)
{
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=nb_frames,nb_read_frames -of default=noprint_wrappers=1 '" + path + "' 2>&1";
    std::string said;
    std::FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return said;
    char line[512];
    while (std::fgets(line, sizeof line, out) != nullptr) said += line;
    pclose(out);
    return said;
}

}  // namespace avi_test
