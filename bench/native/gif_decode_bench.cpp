// Decode throughput of CGifDecoder against giflib's DGifSlurp on the same files, in one run:
// a large still (1024 x 768, the largest frame the player takes) and 100 frames of 320 x 240.
// Prints one line; with --verbose also the figures per file on stderr.
#include <gif_lib.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/gif_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;

class CScratchDir {
public:
    CScratchDir() {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "tessaline-bench-XXXXXX").string();
        if (mkdtemp(strTemplate.data())) m_path = strTemplate;
    }
    ~CScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    bool IsValid() const { return !m_path.empty(); }
    std::string File(const char* pszName) const { return (m_path / pszName).string(); }

private:
    std::filesystem::path m_path;
};

// The real ImageMagick, not the stand-in earlier in PATH.
bool Convert(const std::string& strArgs) {
    return std::system(("/usr/bin/convert " + strArgs + " 2>/dev/null").c_str()) == 0;
}

std::vector<uint8_t> ReadFileBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct CMemoryInput {
    const std::vector<uint8_t>* pBytes;
    size_t nPos;
};

int ReadFromMemory(GifFileType* pGif, GifByteType* pOut, int nWanted) {
    auto* pIn = static_cast<CMemoryInput*>(pGif->UserData);
    const size_t n = std::min(pIn->pBytes->size() - pIn->nPos, static_cast<size_t>(nWanted < 0 ? 0 : nWanted));
    std::memcpy(pOut, pIn->pBytes->data() + pIn->nPos, n);
    pIn->nPos += n;
    return static_cast<int>(n);
}

// Pixels decoded, or 0 on failure.
uint64_t DecodeWithGiflib(const std::vector<uint8_t>& bytes) {
    CMemoryInput input{&bytes, 0};
    int nError = 0;
    GifFileType* pGif = DGifOpen(&input, ReadFromMemory, &nError);
    if (!pGif) return 0;
    uint64_t nPixels = 0;
    if (DGifSlurp(pGif) == GIF_OK)
        for (int i = 0; i < pGif->ImageCount; ++i)
            nPixels +=
                static_cast<uint64_t>(pGif->SavedImages[i].ImageDesc.Width) * pGif->SavedImages[i].ImageDesc.Height;
    DGifCloseFile(pGif, &nError);
    return nPixels;
}

// As the player does it: one decoder, one frame buffer reused from frame to frame.
uint64_t DecodeWithOurs(const std::vector<uint8_t>& bytes) {
    CGifDecoder decoder;
    if (decoder.Open(bytes) != GifError::None) return 0;
    CGifFrame frame;
    uint64_t nPixels = 0;
    while (decoder.DecodeNextFrame(frame) == GifError::None)
        nPixels += static_cast<uint64_t>(frame.m_nWidth) * frame.m_nHeight;
    return nPixels;
}

// Best of several timed rounds, each long enough to outlast the clock's granularity.
template <typename F>
double BestSeconds(F decode, const std::vector<uint8_t>& bytes, uint64_t& nPixels) {
    double dBest = 1e30;
    for (int nRound = 0; nRound < 7; ++nRound) {
        const auto t0 = Clock::now();
        int nRuns = 0;
        double dElapsed = 0;
        do {
            nPixels = decode(bytes);
            ++nRuns;
            dElapsed = std::chrono::duration<double>(Clock::now() - t0).count();
        } while (dElapsed < 0.05);
        dBest = std::min(dBest, dElapsed / nRuns);
    }
    return dBest;
}

}  // namespace

int main(int argc, char** argv) {
    const bool bVerbose = argc > 1 && std::strcmp(argv[1], "--verbose") == 0;
    CScratchDir dir;
    if (!dir.IsValid()) {
        std::printf("bench gif-decode: no scratch folder (target >= 1.0)\n");
        return 1;
    }
    const std::string strStill = dir.File("still.gif");
    const std::string strBase = dir.File("base.png");
    const std::string strAnim = dir.File("anim.gif");
    std::string strFrames;
    for (int i = 0; i < 100; ++i)
        strFrames +=
            " \\( -clone 0 -crop 320x240+" + std::to_string(3 * i) + "+" + std::to_string(2 * i) + " +repage \\)";
    if (!Convert("-seed 7 -size 1024x768 plasma:fractal -colors 256 '" + strStill + "'") ||
        !Convert("-seed 8 -size 640x480 plasma:fractal '" + strBase + "'") ||
        !Convert("'" + strBase + "'" + strFrames + " -delete 0 -delay 5 -loop 0 '" + strAnim + "'")) {
        std::printf("bench gif-decode: ImageMagick failed (target >= 1.0)\n");
        return 1;
    }

    double dOurSeconds = 0, dRefSeconds = 0;
    uint64_t nTotalPixels = 0;
    for (const std::string& strPath : {strStill, strAnim}) {
        const std::vector<uint8_t> bytes = ReadFileBytes(strPath);
        uint64_t nOurPixels = 0, nRefPixels = 0;
        const double dRef = BestSeconds(DecodeWithGiflib, bytes, nRefPixels);
        const double dOurs = BestSeconds(DecodeWithOurs, bytes, nOurPixels);
        if (nOurPixels == 0 || nOurPixels != nRefPixels) {
            std::printf("bench gif-decode: decoders disagree on %s (target >= 1.0)\n",
                        std::filesystem::path(strPath).filename().c_str());
            return 1;
        }
        if (bVerbose)
            std::fprintf(stderr, "%s: %zu bytes, %.2f Mpixel; ours %.1f Mpixel/s, giflib %.1f Mpixel/s\n",
                         std::filesystem::path(strPath).filename().c_str(), bytes.size(), nOurPixels / 1e6,
                         nOurPixels / dOurs / 1e6, nRefPixels / dRef / 1e6);
        dOurSeconds += dOurs;
        dRefSeconds += dRef;
        nTotalPixels += nOurPixels;
    }
    // Throughput over both files together; the pixel counts are the same for both sides.
    const double dRatio = (nTotalPixels / dOurSeconds) / (nTotalPixels / dRefSeconds);
    std::printf("bench gif-decode: ratio %.2f (target >= 1.0)\n", dRatio);
    return dRatio >= 1.0 ? 0 : 1;
}
