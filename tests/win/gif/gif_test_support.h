// Helpers of the GIF player's tests: the control's animation, window pixels, counts of the
// process's threads and handles.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The animation the progress dialog shows, as a Windows path.
std::string UploadGifPath();

// The client area of a window as drawn, 0x00RRGGBB, rows top to bottom.
std::vector<uint32_t> GrabClient(HWND hWnd, int& nWidth, int& nHeight);

// Threads of this process now.
int CountThreads();
// Kernel handles of this process, or -1 when the system cannot say.
int CountHandles();
