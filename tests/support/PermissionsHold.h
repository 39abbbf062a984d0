// For the object's life, file permissions hold for the calling thread even when it runs as root:
// the thread's own capabilities to override them are set aside (capabilities are per thread, so
// the rest of the process keeps its own). With them, a file without write permission refuses a
// write open to this thread, as it does to a user who may only read it.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class PermissionsHold {
public:
    PermissionsHold()
    {
        m_held = syscall(SYS_capget, &m_header, m_old) == 0;
        __user_cap_data_struct lowered[2] = {m_old[0], m_old[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_held = m_held && syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~PermissionsHold() { syscall(SYS_capset, &m_header, m_old); }
    PermissionsHold(const PermissionsHold&) = delete;
    PermissionsHold& operator=(const PermissionsHold&) = delete;

    // Whether the overriding capabilities could be set aside (or were never there).
    bool Held() const { return m_held; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_old[2]{};
    bool m_held = false;
};
