// One temporary file per fuzz process, rewritten with each input (the readers take a file name).
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzTempFile {
public:
    explicit FuzzTempFile(const char* extension)
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vantrel-fuzz-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd >= 0) {
            close(fd);
            unlink(pattern.c_str());
        }
        m_path = pattern + "." + extension;
    }
    ~FuzzTempFile() { unlink(m_path.c_str()); }
    bool Write(const std::uint8_t* data, std::size_t size)
    {
        std::FILE* f = std::fopen(m_path.c_str(), "wb");
        if (!f)
            return false;
        const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }
    const char* Path() const { return m_path.c_str(); }

private:
    std::string m_path;
};
