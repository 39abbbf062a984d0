// The file search: the entries of one folder whose names match a pattern, one at a time.
#pragma once

#include "platform/files/files.h"

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

#define ERROR_NO_MORE_FILES 18L

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;      // as GetFileAttributesA gives them
    char cFileName[MAX_PATH];    // the name without its folder
};
using WIN32_FIND_DATA = WIN32_FIND_DATAA;
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// Starts a search of "<folder>/<pattern>"; the pattern's '*' matches any run of characters and
// '?' any one, letters match either case, and "*.*" matches every name, dotted or not. Entries come in the order the file
// system gives them, "." and ".." included. The first match goes to `data`; INVALID_HANDLE_VALUE
// with GetLastError ERROR_PATH_NOT_FOUND when the folder cannot be read, ERROR_FILE_NOT_FOUND when
// nothing matches.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
// The next match; FALSE with ERROR_NO_MORE_FILES after the last one.
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
// Ends a search; FALSE (ERROR_INVALID_HANDLE) for a handle that is not one.
BOOL FindClose(HANDLE find);

#define FindFirstFile FindFirstFileA
#define FindNextFile FindNextFileA
