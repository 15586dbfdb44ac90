// The module's own state: its instance handle and the counts that decide DllCanUnloadNow.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

class CModule {
public:
    static HINSTANCE Instance();
    static void SetInstance(HINSTANCE instance);
    // Full path of the module file (the .ocx, or the program that links the control in).
    static std::string FileName();

    // Live COM objects and IClassFactory::LockServer locks.
    static void AddObject();
    static void ReleaseObject();
    static void Lock(bool lock);
    static bool CanUnload();

private:
    static std::atomic<long> s_nObjects;
    static std::atomic<long> s_nLocks;
};

// Counts one live object for as long as it exists.
class CModuleObjectCount {
public:
    CModuleObjectCount() { CModule::AddObject(); }
    ~CModuleObjectCount() { CModule::ReleaseObject(); }
    CModuleObjectCount(const CModuleObjectCount&) = delete;
    CModuleObjectCount& operator=(const CModuleObjectCount&) = delete;
};
