// Shows the whole control in a window with its tree opened on a folder and that folder clicked,
// then waits for the gate file to appear so that a screenshot can be taken.
//   tree_shot.exe FOLDER READY_FILE GATE_FILE
#include "control/tessaline_ctrl.h"
#include "dispatch_helpers.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"
#include "tessaline_h.h"
#include "test_support.h"
#include "tree_test_support.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: tree_shot FOLDER READY_FILE GATE_FILE\n", stderr);
        return 2;
    }
    CTestApartment apartment;
    AtlAxApi atl;
    if (!atl.Load()) return 3;
    CTestWindow window(760, 520, "tree shot", true);
    CComPtrT<IClassFactory> factory;
    CComPtrT<IDispatch> disp;
    COleObjectFactory::GetClassObject(CLSID_TessalineCtrl, IID_IClassFactory, factory.ReceiveVoid());
    if (!factory || FAILED(factory->CreateInstance(nullptr, IID_IDispatch, disp.ReceiveVoid()))) return 4;
    RECT rc{};
    GetClientRect(window.Get(), &rc);
    HWND site = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom, window.Get(),
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    CComPtrT<IUnknown> container;
    if (FAILED(atl.AttachControl(disp.Get(), site, container.Receive()))) return 5;
    CMainPanelDlg& panel = static_cast<CTessalineCtrl*>(disp.Get())->GetPanel();
    if (!PumpUntil([&] { return panel.m_hWnd != nullptr; }, 5000)) return 6;
    CVariant total(51200L), used(12288L);
    PutProperty(disp.Get(), L"SpaceSize", total.Ref());
    PutProperty(disp.Get(), L"SpaceUsedSize", used.Ref());
    auto* tree = static_cast<CShellTree*>(CWnd::FromHandlePermanent(panel.GetTreeWindow()));
    HTREEITEM item = tree ? ExpandToPath(*tree, argv[1]) : nullptr;
    if (!item) {
        std::fprintf(stderr, "tree_shot: %s not reached in the tree\n", argv[1]);
        return 7;
    }
    ExpandAndWait(*tree, item);
    ClickItem(*tree, item);
    // Its subfolders in view under it, as after a user's click.
    std::vector<HTREEITEM> kids = Children(*tree, item);
    if (!kids.empty()) tree->EnsureVisible(kids.back());
    tree->EnsureVisible(item);
    PumpFor(3000);  // thumbnails
    std::ofstream(argv[2]) << panel.GetItems().size() << "\n";
    PumpUntil([&] { return GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES; }, 30000);
    return 0;
}
