// Win32 status codes as the program compares them, and the calling thread's last error.
#pragma once

#include "platform/kernel/win_types.h"

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_DATA 13L
#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L

DWORD GetLastError();
void SetLastError(DWORD error);

namespace platform::kernel {

// The Win32 code closest to a POSIX errno value, for the layer's functions that end in a system call.
DWORD ErrorFromErrno(int err);

}  // namespace platform::kernel
