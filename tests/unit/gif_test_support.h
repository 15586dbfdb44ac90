// Shared by the native GIF tests: a scratch folder, ImageMagick runs, giflib's reading of a
// file as the reference, and our decoder's frames. The files themselves come from the GIF
// writer (gif_writer.h).
#pragma once
#include <gif_lib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "gif_writer.h"
#include "imaging/gif_decoder.h"
#include "imaging/gif_frame.h"

namespace gif_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    bool IsValid() const { return !m_path.empty(); }
    std::string File(const std::string& strName) const { return (m_path / strName).string(); }

private:
    std::filesystem::path m_path;
};

// The real ImageMagick: a stand-in of the same name sits earlier in PATH on this machine.
bool RunConvert(const std::string& strArgs, const std::string& strOutput);

std::vector<uint8_t> ReadFileBytes(const std::string& strPath);

// One frame as giflib's DGifSlurp sees it: pixels de-interlaced, width × height, unpadded.
struct CRefFrame {
    int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    bool bInterlaced = false;
    bool bLocalColors = false;
    std::vector<uint32_t> arrColors;  // 0x00RRGGBB
    int nDisposalMode = 0;            // 0..7
    int nDelay = 0;
    int nTransparent = NO_TRANSPARENT_COLOR;
    std::vector<uint8_t> arrPixels;
};

struct CRefImage {
    int nWidth = 0, nHeight = 0;
    std::vector<CRefFrame> arrFrames;
};

// False when giflib refuses the file.
bool GiflibDecode(std::span<const uint8_t> bytes, CRefImage& image);

// Our decoder over a whole file: every frame up to End (or nMaxCalls), with each call's code.
struct COurImage {
    GifError openResult = GifError::None;
    int nWidth = 0, nHeight = 0;
    std::vector<GifError> arrResults;
    std::vector<CGifFrame> arrFrames;  // one per call that returned a frame (None, ShortData, BadCode)
    bool bReachedEnd = false;
};

bool HasPixels(GifError result);

COurImage OurDecode(std::span<const uint8_t> bytes, size_t nMaxPixelBytes = kGifMaxPixelBytes,
                    size_t nMaxCalls = 1u << 20);

// Pixels of our frame without the row padding, for comparing with giflib's.
std::vector<uint8_t> Unpadded(const CGifFrame& frame);

// Every frame, pixel for pixel, and everything giflib tells about it.
void ExpectSameAsGiflib(std::span<const uint8_t> bytes, size_t nMaxPixelBytes = kGifMaxPixelBytes);

// Deterministic pseudo-random pixels and colours (tests must not depend on the clock).
class CTestRandom {
public:
    explicit CTestRandom(uint32_t nSeed) : m_nState(nSeed * 2654435761u + 1) {}
    uint32_t Next();
    std::vector<uint8_t> Pixels(size_t nCount, uint32_t nColors);
    std::vector<uint32_t> Colors(size_t nCount);

private:
    uint32_t m_nState;
};

}  // namespace gif_test
