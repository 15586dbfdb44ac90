#include "transport/engine_registry.h"

#include <set>

namespace {

CCriticalSection s_registryLock;

std::set<const void*>& Engines() {
    static std::set<const void*> engines;
    return engines;
}

}  // namespace

CCriticalSection& CEngineRegistry::Lock() { return s_registryLock; }

void CEngineRegistry::Add(const void* pEngine) {
    CCriticalSection::CLock lock(s_registryLock);
    Engines().insert(pEngine);
}

void CEngineRegistry::Remove(const void* pEngine) {
    CCriticalSection::CLock lock(s_registryLock);
    Engines().erase(pEngine);
}

bool CEngineRegistry::Contains(const void* pEngine) {
    CCriticalSection::CLock lock(s_registryLock);
    return Engines().count(pEngine) != 0;
}

size_t CEngineRegistry::Count() {
    CCriticalSection::CLock lock(s_registryLock);
    return Engines().size();
}
