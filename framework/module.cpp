#include "framework/module.h"

#include <vector>

namespace {
// Before DllMain runs (a program that links the control in), the program is the module.
HINSTANCE g_hInstance = nullptr;
}  // namespace

std::atomic<long> CModule::s_nObjects{0};
std::atomic<long> CModule::s_nLocks{0};

HINSTANCE CModule::Instance() { return g_hInstance ? g_hInstance : GetModuleHandleA(nullptr); }

void CModule::SetInstance(HINSTANCE instance) { g_hInstance = instance; }

std::string CModule::FileName() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD len = GetModuleFileNameA(Instance(), path.data(), static_cast<DWORD>(path.size()));
        if (len == 0) return std::string();
        if (len < path.size()) return std::string(path.data(), len);
        path.resize(path.size() * 2);
    }
}

void CModule::AddObject() { ++s_nObjects; }
void CModule::ReleaseObject() { --s_nObjects; }
void CModule::Lock(bool lock) {
    if (lock)
        ++s_nLocks;
    else
        --s_nLocks;
}
bool CModule::CanUnload() { return s_nObjects == 0 && s_nLocks == 0; }
