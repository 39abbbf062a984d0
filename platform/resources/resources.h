// The program's resources: pictures, icons, bitmaps, sounds, strings and dialog templates, compiled
// into the program and found by id and type. There is one resource module, the program itself:
// every module handle (NULL included) names it.
#pragma once

#include "platform/kernel/win_types.h"
#include <cstddef>
#include <string>

#include "platform/user/user_types.h"

#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)

#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// The resource `name` of `type`. Each may be an integer resource (MAKEINTRESOURCE), a "#123"
// string, or (for types) a name such as "PNG" or "WAVE", compared without regard to case.
// NULL with the last error ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND.
HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type);
// The resource's data handle; NULL for a NULL resource. Resource data is never freed.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The first byte of the resource's data (read-only); NULL for a NULL handle. A NUL byte follows
// the data, so a text resource can be read as a C string.
LPVOID LockResource(HGLOBAL data);
// The size of the resource's data in bytes; 0 for a NULL resource.
DWORD SizeofResource(HMODULE module, HRSRC resource);

// Copies string resource `id` (UTF-8) into buffer, cut to bufferMax - 1 bytes at a character
// boundary and terminated; returns the number of bytes copied. A missing string gives 0 and an
// empty buffer; a NULL buffer or a bufferMax below 1 gives 0 and writes nothing.
int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);

// The module the program's resources come from (the program itself).
HINSTANCE AfxGetResourceHandle();

namespace platform::resources {

// The program's module handle: what AfxGetResourceHandle and AfxGetInstanceHandle give.
HINSTANCE ProgramModule();

// String resource `id`, or nullptr when there is none (for CString::LoadString).
const char* FindString(UINT id);

// The resource's data and size as one view; nullptr and 0 when it is missing.
struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};
ResourceBytes FindResourceBytes(LPCSTR name, LPCSTR type);

// The text of dialog template `id` (RT_DIALOG); false when there is none. Dialogs look their
// templates up here.
bool DialogTemplateText(UINT id, std::string* text);

// Icon resource `name` (an icon file under RT_GROUP_ICON) at the size of its image nearest to
// `size` pixels, as a new icon (DestroyIcon frees it); NULL when there is none or it cannot be
// decoded. LoadIcon for a program icon comes here.
HICON LoadIconResource(LPCSTR name, int size = 32);

}  // namespace platform::resources
