// Helpers of the GIF player's tests: files in a scratch folder, window pixels, waiting.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The animation the progress dialog shows, as a Windows path.
std::string UploadGifPath();
std::vector<uint8_t> ReadBytes(const std::string& strPath);
// Writes bytes to a file of that name in the temporary folder; returns its path.
std::string WriteScratchFile(const std::string& strName, const std::vector<uint8_t>& arrBytes);

// The client area of a window as drawn, 0x00RRGGBB, rows top to bottom.
std::vector<uint32_t> GrabClient(HWND hWnd, int& nWidth, int& nHeight);

// Threads of this process now.
int CountThreads();
// Kernel handles of this process, or -1 when the system cannot say.
int CountHandles();
