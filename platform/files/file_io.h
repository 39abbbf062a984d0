// File handles: CreateFileA, ReadFile, WriteFile, SetFilePointerEx, GetFileSizeEx, SetEndOfFile
// and SetFileInformationByHandle (room for the file) over POSIX descriptors. A handle is closed
// with CloseHandle. Only regular files are opened, and opening never waits: a folder, FIFO, socket
// or device is refused. Sharing: an open without any FILE_SHARE_ flag holds the file exclusively
// (an advisory lock, seen by every other handle of this or another process); any other open shares
// it with the others that share.
#pragma once

#include "platform/kernel/handle_table.h"
#include "platform/kernel/win_errors.h"
#include "platform/kernel/win_types.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u

#ifndef FILE_ATTRIBUTE_NORMAL
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#endif

#define ERROR_SHARING_VIOLATION 32L
#define ERROR_HANDLE_EOF 38L
#define ERROR_FILE_EXISTS 80L
#define ERROR_DISK_FULL 112L

#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

// INVALID_HANDLE_VALUE with GetLastError set on failure: ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_ACCESS_DENIED (also for anything but a regular file), ERROR_FILE_EXISTS (CREATE_NEW),
// ERROR_SHARING_VIOLATION. A file held by another handle is neither created anew nor truncated.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Reads up to toRead bytes; TRUE with *read short of toRead only at the end of the file.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void* overlapped);
// Writes all bytes or fails: FALSE with *written the bytes that did reach the file and
// GetLastError ERROR_DISK_FULL when the disk (or the process's file-size limit) is full.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void* overlapped);
// Moves the file pointer by distance from the start, the current place or the end (FILE_BEGIN,
// FILE_CURRENT, FILE_END) and gives where it now is; FALSE (ERROR_INVALID_PARAMETER) for a place
// before the start.
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPointer, DWORD moveMethod);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
// Ends the file at the file pointer, giving back any room taken past it.
BOOL SetEndOfFile(HANDLE file);

// Of the information set by handle, only the room a file takes on the disk.
enum FILE_INFO_BY_HANDLE_CLASS { FileAllocationInfo = 5 };
struct FILE_ALLOCATION_INFO {
    LARGE_INTEGER AllocationSize;
};
// FileAllocationInfo: takes room on the disk for the file up to AllocationSize bytes without moving
// its end, so that writes up to there find room; a size within the file takes nothing and never
// shortens it. FALSE with ERROR_DISK_FULL when the disk, the quota or the process's file-size limit
// has no room for it. Where the file system cannot take room ahead, the disk's free room is only
// looked at: writes may still meet a disk that others filled meanwhile.
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD infoBytes);
