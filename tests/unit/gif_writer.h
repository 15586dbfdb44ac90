// A small GIF writer for the tests, with its own LZW encoder for the streams that ordinary
// encoders never make: CGifWriter block by block, and BuildGif for whole animations of
// plain frames. No Windows header, no giflib: the native and the Windows tests share it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace gif_test {

// How the LZW encoder of CGifWriter behaves around its table.
struct CLzwOptions {
    int nMinCodeSize = 8;
    bool bClearFirst = true;     // a clear code opens the stream
    bool bClearWhenFull = true;  // false: keep coding with the full table (a deferred clear)
    bool bEndCode = true;
    size_t nSubBlock = 255;  // payload bytes per data sub-block
};

// Codes packed least-significant bit first, as GIF wants them.
class CBitPacker {
public:
    void Put(uint32_t nCode, int nBits);
    std::vector<uint8_t> Finish();

private:
    std::vector<uint8_t> m_arrBytes;
    uint64_t m_nBuffer = 0;
    int m_nCount = 0;
};

// A plain LZW encoder. Its code size grows one code later than the decoder's table, as
// the decoder only learns of an entry with the code after it.
std::vector<uint8_t> LzwEncode(std::span<const uint8_t> pixels, const CLzwOptions& options);

// Writes GIF files block by block; no checks, so that it can also write wrong ones.
class CGifWriter {
public:
    // arrGlobalColors: empty for none, else 2, 4, ... 256 entries of 0x00RRGGBB.
    CGifWriter(int nWidth, int nHeight, const std::vector<uint32_t>& arrGlobalColors, const char* pszVersion = "89a");

    // nDisposalMethod 0..7; nTransparent < 0 for none.
    void Control(int nDisposalMethod, int nDelay, int nTransparent = -1);

    struct CImage {
        int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
        std::vector<uint8_t> arrPixels;  // width × height, rows top to bottom
        std::vector<uint32_t> arrLocalColors;
        bool bInterlaced = false;
        CLzwOptions lzw;
    };
    void Image(const CImage& image);

    void Descriptor(int nLeft, int nTop, int nWidth, int nHeight, int nPacked);
    void SubBlocks(const std::vector<uint8_t>& arrData, size_t nSubBlock = 255, bool bTerminate = true);
    void Raw(std::initializer_list<uint8_t> bytes) { m_arrBytes.insert(m_arrBytes.end(), bytes); }
    void Raw(const std::vector<uint8_t>& bytes) { m_arrBytes.insert(m_arrBytes.end(), bytes.begin(), bytes.end()); }
    void Word(int n);
    void Trailer() { m_arrBytes.push_back(0x3B); }

    const std::vector<uint8_t>& Bytes() const { return m_arrBytes; }

private:
    void Colors(const std::vector<uint32_t>& arrColors);

    std::vector<uint8_t> m_arrBytes;
};

// One frame of BuildGif.
struct GifFrameSpec {
    int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    int nDelay = 0;                  // hundredths of a second
    int nDisposal = 0;               // the method, 0 to 3 (stored shifted into bits 2 to 4)
    int nTransparent = -1;           // index, or -1 for none
    int nMinCodeSize = 8;            // written as is; outside 2..8 makes a frame no decoder takes
    bool bControl = true;            // write a graphic control extension
    std::vector<uint8_t> arrPixels;  // nWidth × nHeight indices, rows top to bottom
};

// A frame of one colour at (0, 0).
GifFrameSpec SolidFrame(int nWidth, int nHeight, uint8_t nIndex, int nDelay);

// A whole file: colours are 0x00RRGGBB; the global table is padded to a power of two (at
// least 2).
std::vector<uint8_t> BuildGif(int nWidth, int nHeight, const std::vector<uint32_t>& arrColors,
                              const std::vector<GifFrameSpec>& arrFrames, bool bGif87 = false);

}  // namespace gif_test
