// The panel over one big folder: lists it, then scrolls the grid from the top to the
// bottom, stopping every few pages until the visible cells have their thumbnails.
//   bench_big_folder.exe FOLDER   pictures=N stops=S shown=T before_mb=B listed_mb=L peak_private_mb=M
//                                 peak_gdi=G gdi_source=K
// (private memory, as PagefileUsage: before the listing, right after it, and at its peak)
// peak_gdi is GetGuiResources' count when the system keeps one, else (gdi_source=cache) the
// most thumbnails the grid held at once, each one bitmap.
#include "control/tessaline_ctrl.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"
#include "tessaline_h.h"
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

double PeakPrivateMb() {
    const PROCESS_MEMORY_COUNTERS_EX pmc = Memory();
    return Mb(std::max<SIZE_T>(pmc.PeakPagefileUsage, pmc.PrivateUsage));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_big_folder.exe FOLDER\n");
        return 2;
    }
    OleInitialize(nullptr);
    int status = 1;
    {
        CComPtrT<IClassFactory> factory;
        COleObjectFactory::GetClassObject(CLSID_TessalineCtrl, IID_IClassFactory, factory.ReceiveVoid());
        CComPtrT<IOleObject> control;
        factory->CreateInstance(nullptr, IID_IOleObject, control.ReceiveVoid());
        CMainPanelDlg& panel = static_cast<CTessalineCtrl*>(control.Get())->GetPanel();
        // A visible frame: the grid paints, and so asks for thumbnails, only when shown.
        HWND frame =
            CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        panel.Create(IDD_MAIN_PANEL, frame);
        MoveWindow(panel.m_hWnd, 0, 0, 800, 600, TRUE);
        ShowWindow(panel.m_hWnd, SW_SHOW);
        const double dBeforeMb = Mb(Memory().PagefileUsage);
        SendMessageA(panel.m_hWnd, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(argv[1]));
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
        std::printf(
            "pictures=%zu stops=%d shown=%d before_mb=%.1f listed_mb=%.1f peak_private_mb=%.1f peak_gdi=%lu "
            "gdi_source=%s\n",
            nPictures, nStops + 1, nShown, dBeforeMb, dListedMb, PeakPrivateMb(), static_cast<unsigned long>(dwPeakGdi),
            bSystemCounts ? "system" : "cache");
        // Every stop shown: the run did the work it measures.
        status = nPictures > 0 && nShown == nStops + 1 ? 0 : 1;
        panel.DestroyWindow();
        DestroyWindow(frame);
    }
    OleUninitialize();
    return status;
}
