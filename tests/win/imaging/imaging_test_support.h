// Helpers of the picture tests: their fixture, test pictures written with libjpeg itself,
// packed DIBs with the pixels they stand for, decoding through djpeg.exe, PSNR, and
// fingerprints of files that must not change.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/gdi.h"
#include "imaging/picture_names.h"
#include "imaging/thumbnail.h"
#include "test_support.h"

// Whole paths, in any folders, as the thumbnail producer takes a list: no common folder.
std::shared_ptr<const CPictureNames> PictureNames(const std::vector<std::string>& arrPaths);

struct RgbImage {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<std::uint8_t> arrRgb;  // rows top-down, red, green, blue

    const std::uint8_t* Pixel(int x, int y) const { return &arrRgb[(static_cast<std::size_t>(y) * nWidth + x) * 3]; }
};

// A picture test as the picture code runs: OLE on the thread, the screen's device context,
// and a scratch folder for the files.
class CPictureTest : public ::testing::Test {
protected:
    CTestApartment m_apartment;
    CScratchFolder m_folder;
    const CWindowDC m_screen{nullptr};
    const HDC m_hdc = m_screen.Get();
};

// Smooth colour gradients with a few soft shapes: photograph-like content that a correct
// JPEG round trip keeps well and a channel, row or palette mix-up ruins.
RgbImage MakeTestPattern(int nWidth, int nHeight);
// The pattern flipped upside down: what a writer that ignores bottom-up rows would give.
RgbImage FlippedVertically(const RgbImage& image);

enum class JpegKind { Baseline, Progressive, Cmyk, Grey };
// Writes a JPEG of the test pattern with libjpeg directly, row by row (so even a huge one
// needs little memory). A grey picture of a plain level when bFlat, for speed.
bool WriteTestJpeg(const std::string& strPath, int nWidth, int nHeight, JpegKind kind, int nQuality = 85,
                   bool bFlat = false);

// A packed DIB of the given depth (1, 4, 8, 16, 24, 32) holding the source reduced to that
// depth: a palette for 8 bits or fewer, 5-5-5 for 16. pExpected receives the colours the
// DIB really holds (the palette entry, the 5-bit value widened as the writer does).
std::vector<std::uint8_t> MakeDib(int nBitCount, const RgbImage& source, bool bBottomUp, RgbImage* pExpected);

// Runs a program of the same libjpeg-turbo build as the control's (djpeg.exe, jpegtran.exe)
// with the arguments; true when it exited 0 within a minute.
bool RunJpegTool(const std::string& strTool, const std::string& strArgs);
// The JPEG decoded by djpeg.exe of the same libjpeg-turbo build.
std::optional<RgbImage> DecodeWithDjpeg(const std::string& strJpegPath);

// What some work cost: the most the process's private bytes grew while it ran (sampled
// every millisecond by a thread of its own) and the time it took.
struct CCost {
    std::uint64_t nPeakPrivateBytes = 0;
    DWORD dwMs = 0;
};
CCost MeasureCost(const std::function<void()>& work);

// A GIF of nSide by nSide pixels of 256-colour noise: the system's decoder takes a while
// over it (a quarter of a second for 3000 by 3000 under Wine, more with every pixel) and
// cannot be interrupted.
bool WriteSlowGif(const std::string& strPath, int nSide);
// A binary PPM (P6, 8 bits), as djpeg and ImageMagick write them.
std::optional<RgbImage> ReadPpm(const std::string& strPath);

// The PSNR a quality-90 JPEG of a test DIB must reach against the DIB's own colours.
// Measured: 41 dB at 24 and 32 bits, 38.6 at 16 (smooth content, 4:2:0 chroma); 30 to 36.5
// at 8 bits and fewer, whose flat palette regions meet at hard colour edges that chroma
// subsampling and the decoder's interpolating upsampling smear by a pixel (4 bits, the
// most saturated palette, 28.5). The bounds leave 2 to 5 dB of room below those, while
// any mistake of the conversion scores far lower: rows upside down measured 8 to 11 dB,
// and swapped channels, a shifted stride or a wrong palette entry give the same kind of
// numbers (see kMaxWrongPsnr).
inline double MinJpegPsnr(int nBitCount) { return nBitCount <= 8 ? 26.0 : 36.0; }
inline constexpr double kMaxWrongPsnr = 16.0;

// Peak signal-to-noise ratio of two pictures of the same size, in dB (99 when equal).
double Psnr(const RgbImage& a, const RgbImage& b);

// The pixels an OLE picture shows when rendered at its own pixel size on white.
RgbImage RenderPicture(IPicture* pPicture, int nWidth, int nHeight);

struct FileFingerprint {
    std::uint64_t nSize = 0;
    std::uint64_t nHash = 0;
    FILETIME ftWrite{};
    bool bExists = false;
    friend bool operator==(const FileFingerprint& a, const FileFingerprint& b) {
        return a.bExists == b.bExists && a.nSize == b.nSize && a.nHash == b.nHash &&
               CompareFileTime(&a.ftWrite, &b.ftWrite) == 0;
    }
};
FileFingerprint Fingerprint(const std::string& strPath);

// The thumbnails of the paths, made by a producer of its own as the grid's would, in list
// order. False when it could not start, did not finish within dwTimeoutMs, or did not end
// in time when stopped.
bool ProduceThumbnails(const std::vector<std::string>& arrPaths, DWORD dwTimeoutMs, std::vector<CThumbResult>& results);

// The SOF marker of a JPEG file (0xC0 baseline, 0xC2 progressive) and its size.
struct JpegFrame {
    int nMarker = 0;
    int nWidth = 0;
    int nHeight = 0;
};
std::optional<JpegFrame> ReadJpegFrame(const std::string& strPath);

// Small real files made by ImageMagick: a 4 × 3 GIF and a 5 × 4 PNG.
extern const std::vector<std::uint8_t> kSmallGif;
extern const std::vector<std::uint8_t> kSmallPng;
// A GIF with a logical screen and a colour table but no image at all.
extern const std::vector<std::uint8_t> kGifWithoutFrame;
