// The settings file's reader on arbitrary bytes: it refuses what is not a settings file, saying
// why, never reads or writes outside its buffers, and what it reads, written out again, reads
// back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform::registry;
    std::string why;
    const auto keys = parseFile(reinterpret_cast<const char*>(data), size, why);
    if (!keys) {
        if (why.empty())
            std::abort();
        return 0;
    }
    const std::string text = serialise(*keys);
    const auto again = parseFile(text.data(), text.size(), why);
    if (!again || *again != *keys)
        std::abort();
    return 0;
}
