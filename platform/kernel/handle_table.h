// The process's table of kernel handles. Every HANDLE the layer gives out (events, threads, later
// files) names a KernelObject here; CloseHandle removes the name, and the object lives on while a
// call that looked it up still uses it.
#pragma once

#include <memory>

#include "platform/kernel/win_types.h"

namespace platform::kernel {

class KernelObject {
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;
};

// A new handle for the object; never NULL or INVALID_HANDLE_VALUE.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
// The object, or nullptr for a handle that is not open.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

}  // namespace platform::kernel

// FALSE (ERROR_INVALID_HANDLE) for a handle that is not open.
BOOL CloseHandle(HANDLE handle);
