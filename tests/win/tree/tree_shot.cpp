// Shows the whole control in a window with its tree opened on a folder and that folder clicked,
// then waits for the gate file to appear so that a screenshot can be taken.
//   tree_shot.exe FOLDER READY_FILE GATE_FILE
#include "dispatch_helpers.h"
#include "hosted_control.h"
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
    CTestWindow window(760, 520, "tree shot", true);
    RECT rc{};
    GetClientRect(window.Get(), &rc);
    CHostedControl host;
    if (!host.Create(window.Get(), rc)) return 4;
    if (!host.Attach()) return 5;
    CMainPanelDlg& panel = host.Panel();
    CVariant total(51200L), used(12288L);
    PutProperty(host.Dispatch().Get(), L"SpaceSize", total.Ref());
    PutProperty(host.Dispatch().Get(), L"SpaceUsedSize", used.Ref());
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
