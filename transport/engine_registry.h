// The engines that hold an open internet handle, and the lock that keeps WinINet's status
// callbacks apart from the closing of handles.
#pragma once
#include <cstddef>

#include "transport/critical_section.h"

class CEngineRegistry {
public:
    // Held by a status callback from its lookup to the end of its dispatch, and by an engine
    // while it cuts a context loose: once that returns, no callback reaches the engine.
    static CCriticalSection& Lock();
    static void Add(const void* pEngine);
    static void Remove(const void* pEngine);
    static bool Contains(const void* pEngine);
    // Engines with an open internet handle, for tests (0 when every job has ended).
    static size_t Count();
};
