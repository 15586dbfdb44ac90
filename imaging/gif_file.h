// Reads a GIF file whole into memory, for the player's decoder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A file larger than this is refused: the player lives in someone else's process, and an
// upload animation is a few kilobytes.
inline constexpr size_t kGifMaxFileBytes = 16u << 20;

// The file at strPath (ANSI), opened for reading only and shared with readers. False when it
// cannot be opened or read, is empty, or is larger than nMaxBytes.
bool ReadGifFile(const std::string& strPath, std::vector<uint8_t>& arrBytes, size_t nMaxBytes = kGifMaxFileBytes);
