#include "platform/kernel/handle_table.h"

#include <mutex>
#include <unordered_map>

#include "platform/kernel/win_errors.h"

namespace platform::kernel {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
    std::uintptr_t next = 0x1000;
};

Table& table()
{
    static Table* t = new Table;  // never destroyed: threads may close handles during static destruction
    return *t;
}

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    t.next += 4;
    HANDLE h = reinterpret_cast<HANDLE>(t.next);
    t.objects.emplace(h, std::move(object));
    return h;
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

}  // namespace platform::kernel

BOOL CloseHandle(HANDLE handle)
{
    auto& t = platform::kernel::table();
    std::shared_ptr<platform::kernel::KernelObject> object;  // destroyed outside the table's lock
    {
        std::lock_guard lock(t.mutex);
        auto it = t.objects.find(handle);
        if (it == t.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(it->second);
        t.objects.erase(it);
    }
    return TRUE;
}
