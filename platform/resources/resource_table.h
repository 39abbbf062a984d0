// The table of the program's resources, generated at build time from res/resources.txt.
#pragma once

#include <cstddef>

namespace platform::resources {

struct ResourceEntry {
    unsigned id;
    unsigned typeId;        // a numbered type (2 bitmap, 5 dialog, 14 icon group), else 0
    const char* typeName;   // a named type ("PNG", "WAVE") when typeId is 0
    const unsigned char* data;  // followed by a NUL byte not counted in size
    std::size_t size;
};

struct StringEntry {
    unsigned id;
    const char* text;  // UTF-8
};

extern const ResourceEntry kResourceTable[];
extern const std::size_t kResourceTableSize;
extern const StringEntry kStringTable[];
extern const std::size_t kStringTableSize;

}  // namespace platform::resources
