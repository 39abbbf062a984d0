// Holds a CMyLock for the lifetime of a scope.
#pragma once

#include "foundation/CMyLock.h"

class CAutoLock {
public:
    explicit CAutoLock(CMyLock* lock);
    ~CAutoLock();
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CMyLock* const m_pLock;
};
