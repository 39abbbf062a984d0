// The basic Windows data types, handles and constants shared by every concern of the layer.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using COLORREF = DWORD;
using __time64_t = std::int64_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles are opaque pointers to distinct incomplete types, as on Windows.
#define VANTREL_DECLARE_HANDLE(name) \
    struct name##__;                 \
    using name = name##__*
VANTREL_DECLARE_HANDLE(HWND);
VANTREL_DECLARE_HANDLE(HINSTANCE);
VANTREL_DECLARE_HANDLE(HKEY);
VANTREL_DECLARE_HANDLE(HDC);
VANTREL_DECLARE_HANDLE(HBITMAP);
VANTREL_DECLARE_HANDLE(HBRUSH);
VANTREL_DECLARE_HANDLE(HPEN);
VANTREL_DECLARE_HANDLE(HFONT);
VANTREL_DECLARE_HANDLE(HICON);
VANTREL_DECLARE_HANDLE(HCURSOR);
VANTREL_DECLARE_HANDLE(HMENU);
VANTREL_DECLARE_HANDLE(HRGN);
VANTREL_DECLARE_HANDLE(HGLRC);
VANTREL_DECLARE_HANDLE(HRSRC);
VANTREL_DECLARE_HANDLE(HGLOBAL);
VANTREL_DECLARE_HANDLE(HMONITOR);
VANTREL_DECLARE_HANDLE(HDEVNOTIFY);
using HANDLE = void*;
using HGDIOBJ = void*;
using HMODULE = HINSTANCE;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define INFINITE 0xFFFFFFFFu

#define WM_USER 0x0400u

inline constexpr WORD LOWORD(DWORD_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
inline constexpr WORD HIWORD(DWORD_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
inline constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
inline constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b)
{
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};
