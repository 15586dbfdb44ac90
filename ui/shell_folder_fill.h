// Lists one folder's subfolders on a worker thread, with everything the tree shows for each,
// in the shell's order, so that the user-interface thread only inserts finished records.
#pragma once
#include "ui/shell_child_record.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CShellFolderFill {
public:
    using DriveTypeQuery = UINT(WINAPI*)(LPCSTR);
    // Called on the worker for each folder listed, with the count so far.
    using Progress = std::function<void(int)>;

    // hNotify gets nMsg posted when records are ready and when the listing has ended.
    CShellFolderFill(CShellPidl parent, HWND hNotify, UINT nMsg, DriveTypeQuery pfnDriveType, Progress progress);
    // Cancels the listing and waits for the worker.
    ~CShellFolderFill();
    CShellFolderFill(const CShellFolderFill&) = delete;
    CShellFolderFill& operator=(const CShellFolderFill&) = delete;

    void Start();
    // User-interface thread: up to nMax records in the shell's order.
    std::vector<ShellChildRecord> Take(size_t nMax);
    // The worker has ended and every record has been taken.
    bool IsDone();
    // Whether an empty result stands (see CLazyTreeCtrl::EndPopulate); valid once done.
    bool Keeps() const { return m_bKeep.load(); }

private:
    void Run();
    void List();
    void Publish(std::vector<ShellChildRecord> records, bool bKeep);

    CShellPidl m_parent;
    HWND m_hNotify;
    UINT m_nMsg;
    DriveTypeQuery m_pfnDriveType;
    Progress m_progress;
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bKeep{true};
    std::mutex m_lock;
    std::deque<ShellChildRecord> m_ready;
    bool m_bFinished = false;
    std::thread m_thread;
};
