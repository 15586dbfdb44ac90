// The folder temporary files and answer files go to, with its trailing backslash.
#pragma once
#include <string>

// The system's temporary folder; when it cannot be had (or its path is too long for the
// 260-character buffer), "c:\temp\" if that exists or can be made, else "c:\".
std::string GetTempFolder();
