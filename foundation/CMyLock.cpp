#include "foundation/CMyLock.h"

CMyLock::CMyLock() { InitializeCriticalSection(&m_cs); }

CMyLock::~CMyLock() { DeleteCriticalSection(&m_cs); }

void CMyLock::lock() { EnterCriticalSection(&m_cs); }

void CMyLock::unLock() { LeaveCriticalSection(&m_cs); }
