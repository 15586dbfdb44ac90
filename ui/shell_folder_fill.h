// Lists one folder's subfolders on a worker thread, with everything the tree shows for each,
// in the shell's order, so that the user-interface thread only inserts finished records.
#pragma once
#include "framework/scoped_handle.h"
#include "ui/shell_child_record.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CShellFolderFill {
public:
    using DriveTypeQuery = UINT(WINAPI*)(LPCSTR);
    // Called on the worker for each folder listed, with the count so far; never after the
    // fill has been destroyed.
    using Progress = std::function<void(int)>;

    // hNotify owns the shell's dialogs of the listing and gets nMsg posted when records are
    // ready and when the listing has ended.
    CShellFolderFill(CShellPidl parent, HWND hNotify, UINT nMsg, DriveTypeQuery pfnDriveType, Progress progress);
    // Cancels the listing without waiting: a shell that takes its time over an unreachable
    // share must not hold the page. The worker ends on its own, reporting nothing more.
    ~CShellFolderFill();
    CShellFolderFill(const CShellFolderFill&) = delete;
    CShellFolderFill& operator=(const CShellFolderFill&) = delete;

    // When no worker can be started the fill is done at once, empty, and stands. The worker's
    // thread, for an owner that waits for it to end; none when no worker was started.
    [[nodiscard]] CScopedHandle Start();
    // User-interface thread: up to nMax records in the shell's order.
    std::vector<ShellChildRecord> Take(size_t nMax);
    // The worker has ended and every record has been taken.
    bool IsDone();
    // Whether an empty result stands (see CLazyTreeCtrl::EndPopulate); valid once done.
    bool Keeps();

private:
    // What the worker owns with this object, and keeps once this object is gone.
    struct Shared {
        CShellPidl parent;
        HMODULE hModule = nullptr;
        HWND hNotify = nullptr;
        UINT nMsg = 0;
        DriveTypeQuery pfnDriveType = nullptr;
        Progress progress;
        std::mutex lock;  // guards everything below, and the calls out while it is not cancelled
        bool bCancel = false;
        bool bFinished = false;
        bool bKeep = true;
        std::deque<ShellChildRecord> ready;
    };
    static DWORD WINAPI ThreadProc(void* pParam);
    static void Run(Shared& shared);
    static void List(Shared& shared);
    static void Publish(Shared& shared, std::vector<ShellChildRecord> records, bool bKeep);

    std::shared_ptr<Shared> m_pShared;
};
