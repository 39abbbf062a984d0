// A mutual-exclusion lock over one critical section; re-entrant for the thread that holds it.
#pragma once

#include "platform/kernel/sync.h"

class CMyLock {
public:
    CMyLock();
    ~CMyLock();
    CMyLock(const CMyLock&) = delete;
    CMyLock& operator=(const CMyLock&) = delete;

    void lock();
    void unLock();

private:
    CRITICAL_SECTION m_cs;
};
