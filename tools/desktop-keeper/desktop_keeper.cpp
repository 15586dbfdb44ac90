// Keeps the tree's Wine desktop up for a whole run. Wine's server closes a desktop a second
// after its last program has gone, and the next program to need one starts its desktop
// process anew, handing it its own standard output: a test's output pipe then stays open as
// long as the desktop lives, and whoever reads the test waits for ever. Started once with
// nothing open, this program is a lasting user of the desktop; the server's end ends it.
//   desktop_keeper.exe [READY_FILE]   READY_FILE is made once the desktop is up, so that the
//   caller can wait for it: a test started before then would start the desktop itself.
#include <windows.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int) {
    // Never shown: a hidden window is enough to count among the desktop's users. Its making
    // starts the desktop, with this program's standard output (none).
    HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return 1;
    if (lpCmdLine && *lpCmdLine) {
        HANDLE hReady =
            CreateFileA(lpCmdLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hReady != INVALID_HANDLE_VALUE) CloseHandle(hReady);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(hWnd);
    return 0;
}
