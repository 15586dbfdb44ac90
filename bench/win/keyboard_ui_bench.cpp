// The grid under a held arrow key: the panel hosted as a page hosts it lists a folder, the
// grid takes the focus, and a thread posts Down at the keyboard's fastest repeat until the
// focus has passed every row, the thumbnails being made meanwhile. A probe measures how
// long the user-interface thread leaves a posted message waiting all the while.
//   bench_keyboard_ui.exe FOLDER   pictures=N keys=K reached_end=0|1 worst_ms=W samples=S
#include "hosted_control.h"
#include "test_support.h"
#include "ui_probe.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// The fastest typematic rate a keyboard offers: about 30 characters a second.
constexpr DWORD kRepeatMs = 33;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_keyboard_ui.exe FOLDER\n");
        return 2;
    }
    int status = 1;
    CTestApartment apartment;
    {
        CTestWindow frame(820, 640, "tessaline bench", true);
        CHostedControl host;
        if (!host.Create(frame.Get(), RECT{0, 0, 800, 600}) || !host.Attach()) return 1;
        CMainPanelDlg& panel = host.Panel();
        SendMessageA(panel.m_hWnd, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(argv[1]));
        PumpFor(50);
        CThumbView& view = panel.GetThumbView();
        const std::size_t nPictures = panel.GetItems().size();
        SetFocus(view.m_hWnd);
        std::atomic<bool> bDone{false};
        std::atomic<long> nKeys{0};
        CUiProbe probe(2);
        std::jthread typist([&] {
            // After the first press a held key repeats, with the repeat bit set.
            for (LPARAM lParam = 1; !bDone; lParam = 0x40000001) {
                PostMessageA(view.m_hWnd, WM_KEYDOWN, VK_DOWN, lParam);
                ++nKeys;
                Sleep(kRepeatMs);
            }
        });
        // Down stops on the last row.
        const auto atLastRow = [&] {
            const std::size_t nFocus = view.GetFocusedItem();
            return nPictures > 0 && view.CellRects(nFocus).rcCell.top == view.CellRects(nPictures - 1).rcCell.top;
        };
        const bool bReached = PumpUntil(atLastRow, 600000, 1);
        bDone = true;
        typist.join();
        probe.Stop();
        std::printf("pictures=%zu keys=%ld reached_end=%d worst_ms=%.1f samples=%ld\n", nPictures, nKeys.load(),
                    bReached ? 1 : 0, probe.WorstMs(), probe.Samples());
        // The walk went through the whole list and the probe saw it: the run did its work.
        status = nPictures > 0 && bReached && probe.Samples() > 0 ? 0 : 1;
        host.Close();
    }
    return status;
}
