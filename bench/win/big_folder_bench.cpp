// The panel over one big folder: lists it, then scrolls the grid from the top to the
// bottom, stopping every few pages until the visible cells have their thumbnails.
//   bench_big_folder.exe FOLDER   pictures=N stops=S shown=T before_mb=B listed_mb=L peak_private_mb=M
//                                 peak_gdi=G gdi_source=K
// (private memory, as PagefileUsage: before the listing, right after it, and at its peak,
// the most a sampling thread saw while the panel listed and scrolled)
// peak_gdi is GetGuiResources' count when the system keeps one, else (gdi_source=cache) the
// most thumbnails the grid held at once, each one bitmap.
#include "bench_panel.h"
#include "test_support.h"

#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

PROCESS_MEMORY_COUNTERS_EX Memory() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    return pmc;
}

double Mb(SIZE_T n) { return static_cast<double>(n) / (1024.0 * 1024.0); }

SIZE_T PrivateBytes(const PROCESS_MEMORY_COUNTERS_EX& pmc) { return std::max(pmc.PagefileUsage, pmc.PrivateUsage); }

// The most private memory the process held while this lived. Windows keeps the peak itself;
// Wine's PeakPagefileUsage is only the present figure (its anonymous resident memory), so a
// thread reads that every millisecond and keeps the largest.
class CPeakSampler {
public:
    CPeakSampler() : m_evStop(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        m_hThread = CreateThread(nullptr, 0, &CPeakSampler::Run, this, 0, nullptr);
    }
    ~CPeakSampler() { Stop(); }
    CPeakSampler(const CPeakSampler&) = delete;
    CPeakSampler& operator=(const CPeakSampler&) = delete;

    // Ends the sampling; the peak in MB, Windows' own figure included.
    double Stop() {
        if (m_hThread) {
            SetEvent(m_evStop);
            WaitForSingleObject(m_hThread, INFINITE);
            CloseHandle(m_hThread);
            CloseHandle(m_evStop);
            m_hThread = nullptr;
            const PROCESS_MEMORY_COUNTERS_EX pmc = Memory();
            m_nPeak = std::max({m_nPeak, pmc.PeakPagefileUsage, PrivateBytes(pmc)});
        }
        return Mb(m_nPeak);
    }

private:
    static DWORD WINAPI Run(void* pParam) {
        auto* self = static_cast<CPeakSampler*>(pParam);
        do self->m_nPeak = std::max(self->m_nPeak, PrivateBytes(Memory()));
        while (WaitForSingleObject(self->m_evStop, 1) == WAIT_TIMEOUT);
        return 0;
    }

    HANDLE m_evStop;
    HANDLE m_hThread = nullptr;
    SIZE_T m_nPeak = 0;  // the thread's alone until Stop has joined it
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_big_folder.exe FOLDER\n");
        return 2;
    }
    OleInitialize(nullptr);
    int status = 1;
    {
        CBenchPanel shown;
        CMainPanelDlg& panel = shown.Panel();
        const double dBeforeMb = Mb(Memory().PagefileUsage);
        CPeakSampler peak;
        shown.Scan(argv[1]);
        PumpFor(50);
        const double dListedMb = Mb(Memory().PagefileUsage);
        CThumbView& view = panel.GetThumbView();

        const std::size_t nPictures = panel.GetItems().size();
        const bool bSystemCounts = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) > 0;
        DWORD dwPeakGdi = 0;
        const int nStops = 10;
        int nShown = 0;
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(view.m_hWnd, SB_VERT, &si);
        const int nPages = si.nPage ? (si.nMax - static_cast<int>(si.nPage) + 1) / static_cast<int>(si.nPage) + 1 : 0;
        for (int stop = 0; stop <= nStops && nPictures; ++stop) {
            const ThumbRange visible = view.VisibleItems();
            if (PumpUntil(
                    [&] {
                        UpdateWindow(view.m_hWnd);
                        for (int i = visible.nFirst; i < visible.nEnd; ++i)
                            if (!view.FindThumbnail(static_cast<std::size_t>(i))) return false;
                        return true;
                    },
                    20000))
                ++nShown;
            const DWORD dwGdi = bSystemCounts ? GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)
                                              : static_cast<DWORD>(view.GetThumbnailCount());
            dwPeakGdi = std::max(dwPeakGdi, dwGdi);
            for (int page = 0; page < nPages / nStops + 1; ++page)
                SendMessageA(view.m_hWnd, WM_VSCROLL, SB_PAGEDOWN, 0);
        }
        const double dPeakMb = peak.Stop();
        std::printf(
            "pictures=%zu stops=%d shown=%d before_mb=%.1f listed_mb=%.1f peak_private_mb=%.1f peak_gdi=%lu "
            "gdi_source=%s\n",
            nPictures, nStops + 1, nShown, dBeforeMb, dListedMb, dPeakMb, static_cast<unsigned long>(dwPeakGdi),
            bSystemCounts ? "system" : "cache");
        // Every stop shown: the run did the work it measures.
        status = nPictures > 0 && nShown == nStops + 1 ? 0 : 1;
    }
    OleUninitialize();
    return status;
}
