// Bounded reads over the bytes of a GIF: each read succeeds whole or consumes the rest and
// reports the shortage, so that a damaged file can never be read past its end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CGifReader {
public:
    explicit CGifReader(std::span<const uint8_t> bytes, size_t nPos = 0)
        : m_arrBytes(bytes), m_nPos(nPos < bytes.size() ? nPos : bytes.size()) {}

    size_t Position() const { return m_nPos; }
    size_t Remaining() const { return m_arrBytes.size() - m_nPos; }

    bool ReadByte(uint8_t& n) {
        if (m_nPos >= m_arrBytes.size()) return false;
        n = m_arrBytes[m_nPos++];
        return true;
    }

    // Little-endian, as every GIF field is.
    bool ReadWord(uint16_t& n) {
        const std::span<const uint8_t> b = Take(2);
        if (b.empty()) return false;
        n = static_cast<uint16_t>(b[0] | (b[1] << 8));
        return true;
    }

    // The next nCount bytes, or an empty span (and the rest consumed) when fewer are left.
    std::span<const uint8_t> Take(size_t nCount) {
        if (nCount > Remaining()) {
            m_nPos = m_arrBytes.size();
            return {};
        }
        const std::span<const uint8_t> b = m_arrBytes.subspan(m_nPos, nCount);
        m_nPos += nCount;
        return b;
    }

    bool Skip(size_t nCount) {
        if (nCount > Remaining()) {
            m_nPos = m_arrBytes.size();
            return false;
        }
        m_nPos += nCount;
        return true;
    }

    // Walks data sub-blocks (a length byte, then that many bytes) up to and including the
    // zero-length terminator. False when the data ends first.
    bool SkipSubBlocks() {
        for (;;) {
            uint8_t nLength = 0;
            if (!ReadByte(nLength)) return false;
            if (nLength == 0) return true;
            if (!Skip(nLength)) return false;
        }
    }

    // As SkipSubBlocks, appending the payloads to arrOut; a sub-block cut by the end of the
    // data still contributes the bytes that are there.
    bool AppendSubBlocks(std::vector<uint8_t>& arrOut) {
        for (;;) {
            uint8_t nLength = 0;
            if (!ReadByte(nLength)) return false;
            if (nLength == 0) return true;
            const size_t nHave = nLength < Remaining() ? nLength : Remaining();
            const uint8_t* p = m_arrBytes.data() + m_nPos;
            arrOut.insert(arrOut.end(), p, p + nHave);
            m_nPos += nHave;
            if (nHave < nLength) return false;
        }
    }

private:
    std::span<const uint8_t> m_arrBytes;
    size_t m_nPos;
};
