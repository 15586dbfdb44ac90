// The control's own upload batch over a folder of pictures, for bench/batch.sh:
//   bench_batch.exe URL SIGNATURE ALBUM KXUIN FOLDER
// The control is hosted in Wine's ATL container as a page would host it, configured through
// its panel, and driven by clicks: the folder is scanned, everything selected (originals, no
// compression), "upload now" pressed, and the summary box answered from another thread.
// Timed from the click until the batch is over and its summary answered. Meanwhile a probe
// thread measures how soon the user-interface thread answers a message posted to it.
// Prints one line of key=value pairs.
//   bench_batch.exe URL SIGNATURE ALBUM KXUIN FOLDER MARK
// A long pass: also the process's private bytes (KB), handles and GDI objects once MARK
// pictures are stored, once all but MARK are (late_), each the least seen over the next few
// pictures, and when the pass is over and its summary answered (end_; the summary's first
// showing adds what the system then keeps).
#include "bench_clock.h"
#include "hosted_control.h"
#include "res/resource.h"
#include "test_support.h"
#include "transport/transport_test_support.h"
#include "transport/worker_thread.h"
#include "ui_probe.h"

#include <psapi.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

constexpr DWORD kProbePeriodMs = 5;
// A batch that takes longer than this is stuck, not slow.
constexpr DWORD kBatchTimeoutMs = 15 * 60 * 1000;

// Answers the batch's last window from another thread: the summary box ("提示", OK) when
// every picture went up, the result dialog ("上传结果") otherwise, closed with its plain
// OK button (IDCANCEL) so that no second pass starts.
class CSummaryAnswerer {
public:
    CSummaryAnswerer() : m_thread([this] { Run(); }) {}
    ~CSummaryAnswerer() {
        m_bStop = true;
        m_thread.join();
    }
    bool Done() const { return m_bDone; }
    bool SawResultList() const { return m_bResultList; }
    // When the window was found (Seconds()), 0 before.
    double FoundAt() const { return m_foundAt; }

private:
    void Run() {
        while (!m_bStop) {
            if (Answer("提示", IDOK)) return;
            if (Answer("上传结果", IDCANCEL)) {
                m_bResultList = true;
                return;
            }
            Sleep(2);
        }
    }
    bool Answer(const char* pszTitle, int nButton) {
        HWND w = FindWindowA("#32770", pszTitle);
        if (!w || !IsWindowVisible(w)) return false;
        m_foundAt = Seconds();
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, nButton)));
        m_bDone = true;
        return true;
    }
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bResultList{false};
    std::atomic<double> m_foundAt{0};
    std::thread m_thread;
};

// What a long pass must not let grow.
struct Footprint {
    unsigned long nPrivateKB = 0;
    unsigned long nHandles = 0;
    unsigned long nGdi = 0;
};

// GetGuiResources' count where the system keeps one. Wine keeps none (it says 0), but its GDI
// handles are indices into one table of 65536 entries, and a bare index names the live entry
// whatever its generation: the process's objects are the indices GetObjectType knows.
unsigned long CountGdiObjects() {
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    unsigned long nLive = 0;
    for (ULONG_PTR nIndex = 1; nIndex < 0x10000; ++nIndex)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(nIndex))) ++nLive;
    return nLive;
}

// A mark's figures are taken over this many pictures, the least of each kept: WinINet's
// threads and connections come and go from picture to picture.
constexpr size_t kMarkWindow = 20;

Footprint TakeFootprint() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Wine keeps the commit charge in PagefileUsage and leaves PrivateUsage 0.
    const SIZE_T nPrivate = std::max(pmc.PagefileUsage, pmc.PrivateUsage);
    return Footprint{static_cast<unsigned long>(nPrivate / 1024), CurrentResourceCounts().nHandles, CountGdiObjects()};
}

void Sample(std::optional<Footprint>& least) {
    const Footprint now = TakeFootprint();
    if (!least) {
        least = now;
        return;
    }
    least->nPrivateKB = std::min(least->nPrivateKB, now.nPrivateKB);
    least->nHandles = std::min(least->nHandles, now.nHandles);
    least->nGdi = std::min(least->nGdi, now.nGdi);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: bench_batch URL SIGNATURE ALBUM KXUIN FOLDER [MARK]\n");
        return 2;
    }
    const size_t nMark = argc == 7 ? static_cast<size_t>(std::atol(argv[6])) : 0;
    const std::string url = argv[1], signature = argv[2], album = argv[3], folder = argv[5];
    const long nKXUin = std::atol(argv[4]);

    const CTestApartment apartment;
    // The page: visible, as the control is when a user presses its button.
    const CTestWindow page(820, 640, "batch bench", true);
    CHostedControl host;
    if (!host.Create(page.Get(), RECT{0, 0, 800, 600}) || !host.Attach()) {
        std::fprintf(stderr, "the control could not be hosted\n");
        return 2;
    }
    CMainPanelDlg& panel = host.Panel();

    panel.SetSignature(signature);
    panel.SetAlbumName(album);
    panel.SetKXUin(nKXUin);
    panel.SetUploadCGI(url);
    panel.SetTotalSpace(4194304.0);  // 4 GiB: the quota never stops this batch

    SendMessageA(panel.m_hWnd, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    // Lets the grid take the new list and its thumbnail producer run, as it would before a
    // user got to the buttons.
    PumpFor(1000);
    const int nListed = static_cast<int>(panel.GetItems().size());
    Button_SetCheck(GetDlgItem(panel.m_hWnd, IDC_AUTO_COMPRESS), BST_UNCHECKED);
    SendMessageA(GetDlgItem(panel.m_hWnd, IDC_SELECT_ALL), BM_CLICK, 0, 0);
    PumpFor(100);

    // Where in the batch the worst delay began: seconds after the click, pictures done.
    double dStartedAt = 0, dWorstAt = 0;
    int nWorstAtPicture = -1;
    const CUploadBatch* pBatch = nullptr;
    CUiProbe probe(kProbePeriodMs, [&](double sentAt) {
        // A probe sent just before the click counts from the click.
        dWorstAt = std::max(0.0, sentAt - dStartedAt);
        if (pBatch) nWorstAtPicture = static_cast<int>(pBatch->Succeeded().size());
    });

    std::optional<Footprint> atMark, atLateMark;
    bool bOver = false;
    double dSeconds = 0;
    bool bResultList = false;
    double dSummaryAt = 0;
    {
        CSummaryAnswerer answerer;
        pBatch = &panel.GetUploader().Batch();
        const double dStart = Seconds();
        dStartedAt = dStart;
        SendMessageA(GetDlgItem(panel.m_hWnd, IDC_UPLOAD_NOW), BM_CLICK, 0, 0);
        bOver = PumpUntil(
            [&] {
                const size_t nStored = pBatch->Succeeded().size();
                const size_t nLate = static_cast<size_t>(nListed) > 2 * nMark ? nListed - nMark : SIZE_MAX;
                if (nMark && nStored >= nMark && nStored < nMark + kMarkWindow) Sample(atMark);
                if (nMark && nStored >= nLate && nStored < nLate + kMarkWindow) Sample(atLateMark);
                return !panel.GetUploader().IsUploading() && answerer.Done();
            },
            kBatchTimeoutMs);
        dSeconds = Seconds() - dStart;
        bResultList = answerer.SawResultList();
        dSummaryAt = answerer.FoundAt() - dStart;
    }
    probe.Stop();
    // The last probe may still be queued.
    PumpFor(20);

    const CUploadBatch& batch = panel.GetUploader().Batch();
    std::printf(
        "over=%d listed=%d seconds=%.4f succeeded=%d failed=%u rejected=%u result_list=%d ui_worst_ms=%.2f "
        "ui_samples=%ld ui_worst_at_s=%.3f ui_worst_at_picture=%d summary_at_s=%.3f\n",
        bOver ? 1 : 0, nListed, dSeconds, batch.SucceededTotal(), static_cast<unsigned>(batch.Failed().size()),
        static_cast<unsigned>(batch.Rejected().size()), bResultList ? 1 : 0, probe.WorstMs(), probe.Samples(), dWorstAt,
        nWorstAtPicture, dSummaryAt);
    if (nMark) {
        // The summary box is gone, and the idle worker after it.
        PumpFor(CWorkerThread::kIdleMs + 500);
        const Footprint mark = atMark.value_or(Footprint{});
        const Footprint late = atLateMark.value_or(Footprint{});
        const Footprint end = TakeFootprint();
        std::printf(
            "mark_private_kb=%lu mark_handles=%lu mark_gdi=%lu late_private_kb=%lu late_handles=%lu late_gdi=%lu "
            "end_private_kb=%lu end_handles=%lu end_gdi=%lu\n",
            mark.nPrivateKB, mark.nHandles, mark.nGdi, late.nPrivateKB, late.nHandles, late.nGdi, end.nPrivateKB,
            end.nHandles, end.nGdi);
    }
    std::fflush(stdout);

    host.Close();
    return bOver && !bResultList ? 0 : 1;
}
