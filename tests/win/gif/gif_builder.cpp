#include "gif_builder.h"

#include <algorithm>

namespace {
void Put16(std::vector<uint8_t>& out, int n) {
    out.push_back(static_cast<uint8_t>(n & 0xFF));
    out.push_back(static_cast<uint8_t>((n >> 8) & 0xFF));
}

// Codes packed least significant bit first into sub-blocks of at most 255 bytes.
class CCodeWriter {
public:
    void Put(int nCode, int nBits) {
        m_nBuffer |= static_cast<uint32_t>(nCode) << m_nCount;
        m_nCount += nBits;
        while (m_nCount >= 8) {
            m_arrBytes.push_back(static_cast<uint8_t>(m_nBuffer & 0xFF));
            m_nBuffer >>= 8;
            m_nCount -= 8;
        }
    }
    void Finish(std::vector<uint8_t>& out) {
        if (m_nCount > 0) m_arrBytes.push_back(static_cast<uint8_t>(m_nBuffer & 0xFF));
        for (size_t i = 0; i < m_arrBytes.size(); i += 255) {
            const size_t n = std::min<size_t>(255, m_arrBytes.size() - i);
            out.push_back(static_cast<uint8_t>(n));
            out.insert(out.end(), m_arrBytes.begin() + i, m_arrBytes.begin() + i + n);
        }
        out.push_back(0);
    }

private:
    std::vector<uint8_t> m_arrBytes;
    uint32_t m_nBuffer = 0;
    int m_nCount = 0;
};

// Every pixel its own code, with a clear code well before the table would widen the codes.
void WriteImageData(std::vector<uint8_t>& out, const GifFrameSpec& frame) {
    out.push_back(static_cast<uint8_t>(frame.nMinCodeSize));
    const int m = std::clamp(frame.nMinCodeSize, 2, 8);
    const int nClear = 1 << m;
    const int nBits = m + 1;
    const int nPerRun = (1 << m) - 2;  // entries added before next free reaches 2^(m+1)
    CCodeWriter writer;
    int nRun = nPerRun;
    for (uint8_t index : frame.arrPixels) {
        if (nRun == nPerRun) {
            writer.Put(nClear, nBits);
            nRun = 0;
        }
        writer.Put(index & (nClear - 1), nBits);
        ++nRun;
    }
    writer.Put(nClear + 1, nBits);
    writer.Finish(out);
}
}  // namespace

std::vector<uint8_t> BuildGif(int nWidth, int nHeight, const std::vector<uint32_t>& arrColors,
                              const std::vector<GifFrameSpec>& arrFrames, bool bGif87) {
    const char* signature = bGif87 ? "GIF87a" : "GIF89a";
    std::vector<uint8_t> out(signature, signature + 6);
    Put16(out, nWidth);
    Put16(out, nHeight);
    int nSizeBits = 0;
    while ((2 << nSizeBits) < static_cast<int>(arrColors.size()) && nSizeBits < 7) ++nSizeBits;
    out.push_back(static_cast<uint8_t>(0x80 | nSizeBits));
    out.push_back(0);  // background index
    out.push_back(0);  // aspect
    for (int i = 0; i < (2 << nSizeBits); ++i) {
        const uint32_t cr = i < static_cast<int>(arrColors.size()) ? arrColors[i] : 0;
        out.push_back(static_cast<uint8_t>(cr >> 16));
        out.push_back(static_cast<uint8_t>(cr >> 8));
        out.push_back(static_cast<uint8_t>(cr));
    }
    for (const GifFrameSpec& frame : arrFrames) {
        if (frame.bControl) {
            out.insert(out.end(), {0x21, 0xF9, 0x04});
            out.push_back(static_cast<uint8_t>(((frame.nDisposal & 7) << 2) | (frame.nTransparent >= 0 ? 1 : 0)));
            Put16(out, frame.nDelay);
            out.push_back(static_cast<uint8_t>(std::max(frame.nTransparent, 0)));
            out.push_back(0);
        }
        out.push_back(0x2C);
        Put16(out, frame.nLeft);
        Put16(out, frame.nTop);
        Put16(out, frame.nWidth);
        Put16(out, frame.nHeight);
        out.push_back(0);
        WriteImageData(out, frame);
    }
    out.push_back(0x3B);
    return out;
}
