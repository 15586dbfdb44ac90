// Folder scan of the panel over a folder of 10,000 files, against a bare FindFirstFileA loop
// over the same folder in the same run.
#include "control/tessaline_ctrl.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"
#include "tessaline_h.h"
#include "bench_clock.h"

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int PlainLoop(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &data);
    int n = 0;
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return n;
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "tessaline-scan-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const char* kinds[] = {".jpg", ".gif", ".JPG", ".txt", ".png"};
    for (int i = 0; i < 10000; ++i) {
        std::string path = folder + "\\picture" + std::to_string(i) + kinds[i % 5];
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(f);
    }

    CComPtrT<IClassFactory> factory;
    COleObjectFactory::GetClassObject(CLSID_TessalineCtrl, IID_IClassFactory, factory.ReceiveVoid());
    CComPtrT<IOleObject> control;
    factory->CreateInstance(nullptr, IID_IOleObject, control.ReceiveVoid());
    auto* ctrl = static_cast<CTessalineCtrl*>(control.Get());
    CMainPanelDlg& panel = ctrl->GetPanel();
    // The panel is a child dialog: a hidden frame holds it.
    HWND frame = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    panel.Create(IDD_MAIN_PANEL, frame);

    std::vector<double> ours, plain;
    int listed = 0, files = 0;
    for (int round = 0; round < 7; ++round) {
        double t0 = Seconds();
        SendMessageA(panel.m_hWnd, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        double t1 = Seconds();
        files = PlainLoop(folder);
        double t2 = Seconds();
        listed = static_cast<int>(panel.GetItems().size());
        ours.push_back(t1 - t0);
        plain.push_back(t2 - t1);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    double ratio = Median(ours) / Median(plain);
    std::printf("folder-scan: panel %.1f ms (%d pictures listed), FindFirstFileA loop %.1f ms (%d files)\n",
                Median(ours) * 1000, listed, Median(plain) * 1000, files);
    std::printf("bench folder-scan: ratio %.2f (target <= 1.5)\n", ratio);
    panel.DestroyWindow();
    DestroyWindow(frame);
    control.Release();

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do DeleteFileA((folder + "\\" + data.cFileName).c_str());
        while (FindNextFileA(h, &data));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
    OleUninitialize();
    // Three of the five kinds are pictures: a panel that listed anything else measured nothing.
    return listed == 6000 && files == 10000 ? 0 : 1;
}
