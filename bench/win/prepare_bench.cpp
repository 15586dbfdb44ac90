// Times the preparation workers over every .jpg of a folder, with the album's usual limits
// of 800 × 600, as the panel hands them a folder selected whole.
//   bench_prepare.exe FOLDER      pictures=N copies=M total_ms=T
#include "imaging/prepare_workers.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

std::vector<std::string> ListPictures(const std::string& strFolder) {
    std::vector<std::string> arrPaths;
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((strFolder + "\\*.jpg").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE) return arrPaths;
    do {
        arrPaths.push_back(strFolder + "\\" + fd.cFileName);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return arrPaths;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_prepare.exe FOLDER\n");
        return 2;
    }
    const std::vector<std::string> arrPaths = ListPictures(argv[1]);
    if (arrPaths.empty()) {
        std::fprintf(stderr, "no pictures\n");
        return 2;
    }
    std::size_t nDone = 0, nCopies = 0;
    // The copies are kept until the end, as the panel keeps them.
    std::vector<CPreparedUpload> arrKept;
    CPrepareWorkers workers;
    const double t0 = Millis();
    for (std::size_t i = 0; i < arrPaths.size(); ++i) workers.Prepare(i, arrPaths[i], PictureType::Jpeg, 800, 600);
    while (nDone < arrPaths.size()) {
        const std::size_t nTaken = workers.TakeResults([&](std::size_t, CPreparedUpload& result) {
            if (result.bWritten && result.nUploadSize > 0) ++nCopies;
            arrKept.push_back(std::move(result));
        });
        nDone += nTaken;
        if (nTaken == 0) Sleep(1);
    }
    const double t1 = Millis();
    std::printf("pictures=%zu copies=%zu total_ms=%.1f\n", arrPaths.size(), nCopies, t1 - t0);
    return nCopies == arrPaths.size() ? 0 : 1;
}
