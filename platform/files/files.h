// Files and folders: the program's data folder and the directory and attribute calls it uses.
#pragma once

#include "platform/kernel/CString.h"
#include "platform/kernel/win_errors.h"
#include "platform/kernel/win_types.h"

#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

// Creates one folder (not the ones above it). FALSE with GetLastError ERROR_ALREADY_EXISTS when
// something of that name exists, ERROR_PATH_NOT_FOUND when the folder above is missing.
BOOL CreateDirectoryA(LPCSTR path, void* securityAttributes);
// FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_READONLY (not writable by its owner), FILE_ATTRIBUTE_HIDDEN
// (name begins with '.'), or FILE_ATTRIBUTE_NORMAL for a plain file; INVALID_FILE_ATTRIBUTES with
// GetLastError set when the path does not exist.
DWORD GetFileAttributesA(LPCSTR path);
// Deletes a file; FALSE for a folder (ERROR_ACCESS_DENIED) or a missing file (ERROR_FILE_NOT_FOUND).
BOOL DeleteFileA(LPCSTR path);

// TRUE when a file or folder of that name exists.
BOOL PathFileExistsA(LPCSTR path);

#define DeleteFile DeleteFileA
#define PathFileExists PathFileExistsA

namespace platform::files {

// The folder of snapshots and recordings, ending in '/': $VANTREL_DATA_DIR when set and not empty,
// else ~/IRData/. It is not created here.
CString DataFolder();

}  // namespace platform::files
