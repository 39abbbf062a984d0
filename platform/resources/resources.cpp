#include "platform/resources/resources.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "platform/kernel/win_errors.h"
#include "platform/user/dialog_template.h"
#include "platform/user/window.h"
#include "platform/resources/resource_table.h"

namespace platform::resources {
namespace {

// The id of an integer resource or of a "#123" string; 0 when it is neither.
unsigned IdOf(LPCSTR name)
{
    if (name == nullptr)
        return 0;
    if (IS_INTRESOURCE(name))
        return static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
    if (name[0] != '#' || name[1] == '\0')
        return 0;
    char* end = nullptr;
    unsigned long id = std::strtoul(name + 1, &end, 10);
    return (*end == '\0' && id <= 0xFFFF) ? static_cast<unsigned>(id) : 0;
}

bool TypeMatches(const ResourceEntry& entry, LPCSTR type)
{
    unsigned id = IdOf(type);
    if (id != 0)
        return entry.typeId == id;
    return entry.typeId == 0 && type != nullptr && strcasecmp(entry.typeName, type) == 0;
}

const ResourceEntry* Find(LPCSTR name, LPCSTR type)
{
    unsigned id = IdOf(name);
    bool typeSeen = false;
    for (std::size_t i = 0; i < kResourceTableSize; ++i) {
        const ResourceEntry& entry = kResourceTable[i];
        if (!TypeMatches(entry, type))
            continue;
        typeSeen = true;
        if (id != 0 && entry.id == id)
            return &entry;
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

const ResourceEntry* EntryOf(HRSRC resource) { return reinterpret_cast<const ResourceEntry*>(resource); }

}  // namespace

const char* FindString(UINT id)
{
    for (std::size_t i = 0; i < kStringTableSize; ++i)
        if (kStringTable[i].id == id)
            return kStringTable[i].text;
    return nullptr;
}

ResourceBytes FindResourceBytes(LPCSTR name, LPCSTR type)
{
    const ResourceEntry* entry = Find(name, type);
    if (entry == nullptr)
        return {};
    return {entry->data, entry->size};
}

bool DialogTemplateText(UINT id, std::string* text)
{
    ResourceBytes bytes = FindResourceBytes(MAKEINTRESOURCE(id), RT_DIALOG);
    if (bytes.data == nullptr || text == nullptr)
        return false;
    text->assign(reinterpret_cast<const char*>(bytes.data), bytes.size);
    return true;
}

// Dialogs find their templates, and LoadIcon the program's icons, among the resources as soon as
// the resources are in the program.
const bool kDialogSource = (platform::user::SetDialogTemplateSource(DialogTemplateText), true);
const bool kIconLoader = (platform::user::SetIconLoader([](LPCSTR name) { return LoadIconResource(name, GetSystemMetrics(SM_CXICON)); }), true);

HINSTANCE ProgramModule()
{
    static char module;
    return reinterpret_cast<HINSTANCE>(&module);
}

}  // namespace platform::resources

HINSTANCE AfxGetResourceHandle() { return platform::resources::ProgramModule(); }

using namespace platform::resources;

HRSRC FindResource(HMODULE, LPCSTR name, LPCSTR type)
{
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(Find(name, type)));
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    if (resource == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<HGLOBAL>(const_cast<unsigned char*>(EntryOf(resource)->data));
}

LPVOID LockResource(HGLOBAL data) { return reinterpret_cast<LPVOID>(data); }

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    if (resource == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(EntryOf(resource)->size);
}

int LoadString(HINSTANCE, UINT id, LPSTR buffer, int bufferMax)
{
    if (buffer == nullptr || bufferMax < 1)
        return 0;
    const char* text = FindString(id);
    if (text == nullptr) {
        buffer[0] = '\0';
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    std::size_t length = std::strlen(text);
    std::size_t room = static_cast<std::size_t>(bufferMax - 1);
    if (length > room) {
        length = room;
        // Step back over continuation bytes so that no character is cut in half.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

