#include "platform/crash/debug_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

void OutputDebugStringA(LPCSTR text)
{
    if (text == nullptr)
        return;
    std::size_t left = std::strlen(text);
    while (left > 0) {
        ssize_t n = write(STDERR_FILENO, text, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}
