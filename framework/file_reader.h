// Every read of a file goes through here, with one sharing: read, write and delete. A picture
// that an editor or viewer holds open is still read, and our read never locks it against them.
#pragma once
#include "framework/scoped_handle.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Opens an existing file for sequential reading; none when it is missing or held exclusively.
CScopedHandle OpenFileForReading(const std::string& strPath);

// The length of an open file, none when the system cannot tell.
std::optional<std::uint64_t> OpenFileLength(HANDLE hFile);

// The length of a file by path, none when it cannot be opened for reading.
std::optional<std::uint64_t> FileLengthOf(const std::string& strPath);

// Reads up to nBytes, over as many reads as the system needs (a share, a file still being
// written); the count read, fewer at the end of the file or on a failure.
std::size_t ReadFileFully(HANDLE hFile, void* pBuffer, std::size_t nBytes);
