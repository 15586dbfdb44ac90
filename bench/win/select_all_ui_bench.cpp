// How long the user-interface thread leaves a posted message waiting while "全选" marks a
// folder of camera pictures with auto compress on and the workers prepare them, until the
// last copy is in.
//   bench_select_all_ui.exe FOLDER   pictures=N prepared=P worst_ms=W worst_at_ms=A samples=S total_ms=T
#include "bench_panel.h"
#include "test_support.h"
#include "ui_probe.h"

#include <ole2.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_select_all_ui.exe FOLDER\n");
        return 2;
    }
    OleInitialize(nullptr);
    int status = 1;
    {
        // Shown: the grid makes its thumbnails meanwhile.
        CBenchPanel shown;
        CMainPanelDlg& panel = shown.Panel();
        shown.Scan(argv[1]);
        PumpFor(200);
        const std::size_t nPictures = panel.GetItems().size();

        const double t0 = Millis();
        // When the worst wait began, from the click: the click itself, or a result later.
        double dWorstAtMs = 0;
        CUiProbe probe(5, [&](double sentAt) { dWorstAtMs = 1000.0 * sentAt - t0; });
        PostMessageA(GetDlgItem(panel.m_hWnd, IDC_SELECT_ALL), BM_CLICK, 0, 0);
        PumpFor(50);
        const bool bDone = PumpUntil([&] { return !panel.IsAnyPreparing(); }, 600000);
        const double t1 = Millis();
        probe.Stop();
        std::size_t nPrepared = 0;
        for (const auto& item : panel.GetItems())
            if (item->bSelected && item->nUploadSize > 0) ++nPrepared;
        std::printf("pictures=%zu prepared=%zu worst_ms=%.1f worst_at_ms=%.0f samples=%ld total_ms=%.0f\n", nPictures,
                    nPrepared, probe.WorstMs(), dWorstAtMs, probe.Samples(), t1 - t0);
        status = bDone && nPictures > 0 && nPictures == nPrepared ? 0 : 1;
    }
    OleUninitialize();
    return status;
}
