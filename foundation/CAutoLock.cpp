#include "foundation/CAutoLock.h"

CAutoLock::CAutoLock(CMyLock* lock) : m_pLock(lock) { m_pLock->lock(); }

CAutoLock::~CAutoLock() { m_pLock->unLock(); }
