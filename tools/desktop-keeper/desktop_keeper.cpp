// Keeps the tree's Wine desktop up for a whole run. Wine's server closes a desktop a second
// after its last program has gone, and the next program to need one starts its desktop
// process anew, handing it its own standard output: a test's output pipe then stays open as
// long as the desktop lives, and whoever reads the test waits for ever. Started once with
// nothing open, this program is a lasting user of the desktop; the server's end ends it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    // Never shown: a hidden window is enough to count among the desktop's users.
    HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(hWnd);
    return 0;
}
