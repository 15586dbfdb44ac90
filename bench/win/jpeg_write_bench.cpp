// Times WriteDibAsJpeg on the pixels of a PPM file, as packed DIBs of several depths.
//   bench_jpeg_write.exe IN.ppm OUT.jpg
//   prints: width=W height=H mp_s_32=.. mp_s_24=.. mp_s_16=.. mp_s_8=..
#include "imaging/jpeg_writer.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

bool ReadPpm(const char* pszPath, int& nWidth, int& nHeight, std::vector<unsigned char>& rgb) {
    FILE* f = std::fopen(pszPath, "rb");
    if (!f) return false;
    int nMax = 0;
    const bool bHeader = std::fscanf(f, "P6 %d %d %d", &nWidth, &nHeight, &nMax) == 3 && nMax == 255;
    std::fgetc(f);
    rgb.resize(static_cast<std::size_t>(nWidth) * nHeight * 3);
    const bool bOk = bHeader && std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
    std::fclose(f);
    return bOk;
}

// A bottom-up packed DIB: BGR(X) at 24 and 32 bits, 5-5-5 at 16, 3-3-2 levels at 8.
std::vector<unsigned char> MakeDib(int nBits, int w, int h, const std::vector<unsigned char>& rgb) {
    const int nEntries = nBits == 8 ? 256 : 0;
    const std::size_t nStride = (static_cast<std::size_t>(w) * nBits + 31) / 32 * 4;
    const std::size_t nOffset = 40 + 4 * static_cast<std::size_t>(nEntries);
    std::vector<unsigned char> dib(nOffset + nStride * h);
    BITMAPINFOHEADER bi{};
    bi.biSize = 40;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<WORD>(nBits);
    std::memcpy(dib.data(), &bi, sizeof(bi));
    for (int i = 0; i < nEntries; ++i) {
        dib[40 + 4 * i] = static_cast<unsigned char>((i & 3) * 85);
        dib[41 + 4 * i] = static_cast<unsigned char>(((i >> 2) & 7) * 255 / 7);
        dib[42 + 4 * i] = static_cast<unsigned char>((i >> 5) * 255 / 7);
    }
    for (int y = 0; y < h; ++y) {
        unsigned char* row = dib.data() + nOffset + nStride * (h - 1 - y);
        const unsigned char* src = rgb.data() + static_cast<std::size_t>(y) * w * 3;
        for (int x = 0; x < w; ++x, src += 3) {
            switch (nBits) {
            case 32:
                row[4 * x] = src[2];
                row[4 * x + 1] = src[1];
                row[4 * x + 2] = src[0];
                break;
            case 24:
                row[3 * x] = src[2];
                row[3 * x + 1] = src[1];
                row[3 * x + 2] = src[0];
                break;
            case 16: {
                const unsigned v = (src[0] >> 3) << 10 | (src[1] >> 3) << 5 | src[2] >> 3;
                row[2 * x] = static_cast<unsigned char>(v);
                row[2 * x + 1] = static_cast<unsigned char>(v >> 8);
                break;
            }
            default: row[x] = static_cast<unsigned char>((src[0] >> 5) << 5 | (src[1] >> 5) << 2 | src[2] >> 6); break;
            }
        }
    }
    return dib;
}

// Best of several runs, in megapixels a second.
double Rate(const std::vector<unsigned char>& dib, const std::wstring& strOut, int w, int h) {
    double dBest = 1e30;
    for (int i = 0; i < 5; ++i) {
        std::string strError;
        const double t0 = Millis();
        if (!WriteDibAsJpeg({dib.data(), dib.size()}, 90, strOut.c_str(), strError)) {
            std::fprintf(stderr, "write failed: %s\n", strError.c_str());
            return 0;
        }
        const double dMs = Millis() - t0;
        if (dMs < dBest) dBest = dMs;
    }
    return static_cast<double>(w) * h / 1e6 / (dBest / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_jpeg_write.exe IN.ppm OUT.jpg\n");
        return 2;
    }
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    if (!ReadPpm(argv[1], w, h, rgb)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::wstring strOut(argv[2], argv[2] + std::strlen(argv[2]));
    std::printf("width=%d height=%d", w, h);
    for (const int nBits : {32, 24, 16, 8}) {
        const std::vector<unsigned char> dib = MakeDib(nBits, w, h, rgb);
        std::printf(" mp_s_%d=%.1f", nBits, Rate(dib, strOut, w, h));
    }
    std::printf("\n");
    return 0;
}
