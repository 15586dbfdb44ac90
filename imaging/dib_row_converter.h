// Turns the pixel rows of a packed DIB (BITMAPINFOHEADER, colour table, rows padded to
// 4 bytes) into top-down rows of 8-bit red, green, blue for the JPEG compressor.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CDibRowConverter {
public:
    // Reads and checks the header against the buffer, which must outlive the converter.
    // Bit depths 1, 4 and 8 (with a full table of 2, 16 or 256 entries), 16 (5-5-5), 24
    // and 32, uncompressed; rows bottom-up for a positive height, top-down for a negative.
    explicit CDibRowConverter(std::span<const std::uint8_t> dib);

    bool IsValid() const { return m_strError.empty(); }
    // "Invalid input data" or "Invalid bitmap bit count" when the DIB cannot be converted.
    const std::string& GetError() const { return m_strError; }

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetBitCount() const { return m_nBitCount; }

    // Writes picture row nRow (0 is the top) as GetWidth() × 3 bytes at pRgb.
    // For a valid converter and 0 <= nRow < GetHeight() only. Converting a few rows at a time
    // just before the compressor reads them keeps them in the cache; a whole picture at once
    // runs at the speed of memory instead.
    void ConvertRow(int nRow, std::uint8_t* pRgb) const;

    // The stored bytes of picture row nRow (0 is the top), for a compressor that reads blue,
    // green, red (and a spare byte at 32 bits) itself, as libjpeg-turbo's extended colour
    // spaces do: then 24- and 32-bit rows need no conversion at all.
    const std::uint8_t* GetStoredRow(int nRow) const;

private:
    // One routine per bit depth, chosen once, so that the pixel loops carry no test of it.
    using RowFn = void (*)(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst);
    static void Row1(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst);
    static void Row4(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst);
    static void Row8(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst);
    static void Row16(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst);
    static void Row24(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst);
    static void Row32(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst);

    bool Check(std::span<const std::uint8_t> dib);
    void BuildTables(const std::uint8_t* pColourTable);

    std::string m_strError;
    const std::uint8_t* m_pRows = nullptr;  // first stored row
    std::size_t m_nStride = 0;              // bytes per stored row
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitCount = 0;
    bool m_bBottomUp = true;
    RowFn m_pfnRow = nullptr;
    // RGB of the pixels one source byte holds: 8 pixels for 1 bit, 2 for 4 bits, 1 (in 4
    // bytes) for 8 bits; for 16 bits the 32 widened 5-bit values.
    std::vector<std::uint8_t> m_arrLut;
};

// DibToRgbRows: converts the whole DIB into the rows pRows[0 .. height - 1], each at least
// width × 3 bytes (nRowBytes). False, with strError set, when the DIB or nRowBytes is
// unusable; strError is emptied on success.
bool DibToRgbRows(std::span<const std::uint8_t> dib, int nRowBytes, std::uint8_t* const* pRows, std::string& strError);
