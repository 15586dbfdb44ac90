// Times the thumbnail producer over every .jpg of a folder, or watches its memory.
//   bench_thumbnails.exe FOLDER                first_ms=F total_ms=T pictures=N thumbnails=M
//   bench_thumbnails.exe --memory FOLDER       peak working set at a tenth, half and all
//                                              of the run, keeping the thumbnails as the
//                                              grid does
//   bench_thumbnails.exe --memory-drop FOLDER  the same, letting each thumbnail go at once:
//                                              the producer's own memory alone
#include "imaging/thumbnail_producer.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

std::shared_ptr<CPictureNames> ListPictures(const std::string& strFolder) {
    auto pNames = std::make_shared<CPictureNames>(strFolder + "\\");
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((strFolder + "\\*.jpg").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE) return pNames;
    do {
        pNames->Add(fd.cFileName);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return pNames;
}

PROCESS_MEMORY_COUNTERS_EX Memory() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc;
}

double Mb(SIZE_T n) { return static_cast<double>(n) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
    const bool bKeep = argc >= 3 && std::strcmp(argv[1], "--memory") == 0;
    const bool bDrop = argc >= 3 && std::strcmp(argv[1], "--memory-drop") == 0;
    const bool bMemory = bKeep || bDrop;
    if (argc < 2 || (argv[1][0] == '-' && !bMemory)) {
        std::fprintf(stderr, "usage: bench_thumbnails.exe [--memory | --memory-drop] FOLDER\n");
        return 2;
    }
    const std::shared_ptr<CPictureNames> pNames = ListPictures(argv[bMemory ? 2 : 1]);
    const std::size_t nPictures = pNames->GetCount();
    if (nPictures == 0) {
        std::fprintf(stderr, "no pictures\n");
        return 2;
    }
    // The pictures are kept as the grid keeps them.
    std::vector<CComPtrT<IPicture>> arrThumbs(nPictures);
    std::size_t nDone = 0, nThumbs = 0;
    const std::size_t nSteps[] = {nPictures / 10, nPictures / 2, nPictures};
    std::size_t nNextStep = 0;
    std::vector<double> arrPeakMb;

    CThumbnailProducer producer;
    const double t0 = Millis();
    double tFirst = -1;
    if (!producer.Start(pNames, nullptr)) return 1;
    while (nDone < nPictures) {
        const std::size_t n = producer.TakeResults([&](std::size_t i, CThumbResult& r) {
            if (r.pThumb) ++nThumbs;
            if (bDrop)
                r.pThumb.Release();
            else
                arrThumbs[i] = std::move(r.pThumb);
        });
        if (n && tFirst < 0) tFirst = Millis() - t0;
        nDone += n;
        while (nNextStep < 3 && nDone >= nSteps[nNextStep]) {
            arrPeakMb.push_back(Mb(Memory().PeakWorkingSetSize));
            ++nNextStep;
        }
        if (!n) Sleep(1);
    }
    const double tTotal = Millis() - t0;
    producer.Stop();

    if (!bMemory) {
        std::printf("first_ms=%.1f total_ms=%.1f pictures=%zu thumbnails=%zu\n", tFirst, tTotal, nPictures, nThumbs);
        return 0;
    }
    std::printf("pictures=%zu steps=%zu,%zu,%zu peak_mb=%.1f,%.1f,%.1f\n", nPictures, nSteps[0], nSteps[1], nSteps[2],
                arrPeakMb[0], arrPeakMb[1], arrPeakMb[2]);
    return 0;
}
