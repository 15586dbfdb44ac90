#include "test_support.h"
#include "suite_window.h"
#include "tree_test_support.h"
#include "framework/scoped_handle.h"
#include "framework/text.h"
#include "ui/shell_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

namespace {

// Counts what the progress thread reports.
class CCountingTree : public CShellTree {
public:
    std::atomic<int> m_nTicks{0};
    std::atomic<int> m_nStarts{0};
    std::atomic<int> m_nEnds{0};

protected:
    void OnLoadingStart(HTREEITEM) override { ++m_nStarts; }
    void OnLoadingProgress(bool bTick, int, int) override {
        if (bTick) ++m_nTicks;
    }
    void OnLoadingEnd() override { ++m_nEnds; }
};

UINT WINAPI AsOpticalDrive(LPCSTR) { return DRIVE_CDROM; }

class ShellTreeTest : public CSuiteWindowTest<420, 700> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(Window(), RECT{0, 0, 400, 660}));
        ASSERT_TRUE(m_tree.CreateEx(WS_EX_CLIENTEDGE, "SysTreeView32", "ShellTree Control", 0x50000007,
                                    RECT{0, 0, 400, 660}, m_parent.m_hWnd, 0));
        m_tree.InitRoot();
        m_tree.m_bShowLoading = 1;
        ASSERT_TRUE(WaitFilled(m_tree));
    }
    void TearDown() override {
        m_tree.DestroyWindow();
        m_parent.DestroyWindow();
        PumpFor(10);
    }
    // A scratch folder's item, its parent expanded down to it.
    HTREEITEM Reach(const std::string& path) {
        HTREEITEM item = ExpandToPath(m_tree, path);
        EXPECT_NE(item, nullptr) << path;
        return item;
    }

    CTestApartment m_apartment;
    CRecorderWnd m_parent;
    CCountingTree m_tree;
};

TEST_F(ShellTreeTest, TheDesktopIsTheOneExpandedRootWithTheDrivesWineMaps) {
    HTREEITEM root = m_tree.GetRootItem();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(m_tree.GetNextSiblingItem(root), nullptr);
    EXPECT_TRUE(m_tree.GetItemState(root, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_NE(m_tree.GetImageList(TVSIL_NORMAL), nullptr) << "the system's small icons";
    HTREEITEM computer = ComputerItem(m_tree);
    ASSERT_NE(computer, nullptr);
    EXPECT_EQ(m_tree.PathOf(computer), "");
    ASSERT_TRUE(ExpandAndWait(m_tree, computer));
    std::set<std::string> listed;
    for (HTREEITEM c : Children(m_tree, computer)) listed.insert(m_tree.PathOf(c));
    DWORD mask = GetLogicalDrives();
    int drives = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!(mask & (1u << (letter - 'A')))) continue;
        ++drives;
        std::string root3 = std::string(1, letter) + ":\\";
        EXPECT_TRUE(listed.count(root3)) << root3 << " is mapped but not listed";
    }
    EXPECT_GE(drives, 2) << "Wine maps at least C: and Z:";
    EXPECT_EQ(m_tree.GetLoadingText(), "装载中...");
}

TEST_F(ShellTreeTest, FoldersOnlySortedInTheShellsOrderWithChineseNames) {
    CScratchFolder dir;
    dir.Sub("beta");
    dir.Sub("Alpha");
    dir.Sub("春节照片");
    dir.Sub(".hidden");
    CloseHandle(CreateFileA((dir.Path() + "\\file.jpg").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    HTREEITEM item = Reach(dir.Path());
    ASSERT_TRUE(ExpandAndWait(m_tree, item));
    std::vector<std::string> names;
    for (HTREEITEM c : Children(m_tree, item)) names.push_back(TextOf(m_tree, c));
    ASSERT_EQ(names.size(), 3u) << "folders only, no hidden ones";
    EXPECT_EQ(names[0], "Alpha");
    EXPECT_EQ(names[1], "beta");
    EXPECT_EQ(names[2], "春节照片");
    HTREEITEM chinese = Children(m_tree, item)[2];
    EXPECT_EQ(m_tree.PathOf(chinese), dir.Path() + "\\春节照片");
    ClickItem(m_tree, chinese);
    ASSERT_FALSE(m_parent.m_folders.empty());
    EXPECT_EQ(m_parent.m_folders.back(), dir.Path() + "\\春节照片");
}

TEST_F(ShellTreeTest, ExpandButtonRulesOnFixedAndOtherDrives) {
    CScratchFolder dir;
    std::string empty = dir.Sub("empty");
    std::string onlyHidden = dir.Sub("only-hidden");
    CreateDirectoryA((onlyHidden + "\\.inner").c_str(), nullptr);
    std::string disc = dir.Sub("disc");
    CreateDirectoryA((disc + "\\DCIM").c_str(), nullptr);
    HTREEITEM parent = Reach(dir.Path());
    ASSERT_TRUE(ExpandAndWait(m_tree, parent));
    auto child = [&](const char* name) {
        for (HTREEITEM c : Children(m_tree, parent))
            if (TextOf(m_tree, c) == name) return c;
        return HTREEITEM{};
    };
    // On a fixed disk, an empty folder and one with hidden subfolders only lose their buttons.
    for (const char* name : {"empty", "only-hidden"}) {
        HTREEITEM c = child(name);
        ASSERT_NE(c, nullptr) << name;
        ASSERT_TRUE(ExpandAndWait(m_tree, c));
        EXPECT_EQ(ChildrenFlag(m_tree, c), 0) << name;
        EXPECT_EQ(m_tree.GetChildItem(c), nullptr) << name;
    }
    // On an optical (or removable, or network) drive the button stays, collapsed, to try again.
    m_tree.SetDriveTypeQuery(AsOpticalDrive);
    HTREEITEM c = child("disc");
    ASSERT_EQ(ChildrenFlag(m_tree, c), 1);
    RemoveDirectoryA((disc + "\\DCIM").c_str());  // the disc is taken out before the user expands
    ASSERT_TRUE(ExpandAndWait(m_tree, c));
    EXPECT_EQ(ChildrenFlag(m_tree, c), 1);
    EXPECT_FALSE(m_tree.GetItemState(c, TVIS_EXPANDED) & TVIS_EXPANDED);
    CreateDirectoryA((disc + "\\DCIM").c_str(), nullptr);  // the disc goes in
    ASSERT_TRUE(ExpandAndWait(m_tree, c));
    ASSERT_EQ(Children(m_tree, c).size(), 1u);
    EXPECT_EQ(TextOf(m_tree, m_tree.GetChildItem(c)), "DCIM");
    m_tree.SetDriveTypeQuery(GetDriveTypeA);
}

TEST_F(ShellTreeTest, ClicksReportPathsButNotFromTheExpandButton) {
    CScratchFolder dir;
    dir.Sub("inner");
    HTREEITEM item = Reach(dir.Path());
    m_parent.m_folders.clear();
    ClickItem(m_tree, item, true);
    EXPECT_TRUE(m_parent.m_folders.empty()) << "the expand button reports nothing";
    ASSERT_TRUE(WaitFilled(m_tree));
    ClickItem(m_tree, item);
    ClickItem(m_tree, item);
    ASSERT_EQ(m_parent.m_folders.size(), 2u) << "each click reports again";
    EXPECT_EQ(m_parent.m_folders[0], dir.Path());
    EXPECT_EQ(m_tree.GetNextItem(nullptr, TVGN_CARET), item) << "the opened folder is marked";
    EXPECT_EQ(GetFocus(), m_tree.m_hWnd) << "and the keyboard stays in the tree";
    m_parent.m_folders.clear();
    ClickItem(m_tree, ComputerItem(m_tree));
    ASSERT_EQ(m_parent.m_folders.size(), 1u);
    EXPECT_EQ(m_parent.m_folders[0], "") << "outside the file system";
}

TEST_F(ShellTreeTest, AClickNeverRemovesAFolder) {
    CScratchFolder dir;
    std::string gone = dir.Sub("gone");
    std::string renamed = dir.Sub("renamed");
    // A Thai letter and an emoji: names code page 936 cannot carry.
    for (const wchar_t* name : {L"\\\u0e01", L"\\\U0001F600"})
        ASSERT_TRUE(CreateDirectoryW((AnsiToWide(dir.Path()) + name).c_str(), nullptr));
    HTREEITEM parent = Reach(dir.Path());
    ASSERT_TRUE(ExpandAndWait(m_tree, parent));
    ASSERT_EQ(Children(m_tree, parent).size(), 4u);
    RemoveDirectoryA(gone.c_str());
    MoveFileA(renamed.c_str(), (dir.Path() + "\\new-name").c_str());
    m_parent.m_folders.clear();
    for (HTREEITEM c : Children(m_tree, parent)) ClickItem(m_tree, c);
    PumpFor(50);
    EXPECT_EQ(Children(m_tree, parent).size(), 4u) << "every folder stays in the tree";
    std::set<std::string> reported(m_parent.m_folders.begin(), m_parent.m_folders.end());
    // What the code page lacks comes as '?', which no folder name holds: the panel lists nothing there.
    EXPECT_EQ(reported, (std::set<std::string>{gone, renamed, dir.Path() + "\\?", dir.Path() + "\\??"}));
}

// A drive letter whose target is missing, for the life of one test.
class CMissingDrive {
public:
    CMissingDrive() {
        const DWORD mask = GetLogicalDrives();
        for (char letter = 'Q'; letter <= 'Y' && m_strRoot.empty(); ++letter) {
            const std::string device = std::string(1, letter) + ":";
            if (!(mask & (1u << (letter - 'A'))) && DefineDosDeviceA(0, device.c_str(), "C:\\no-such-target"))
                m_strRoot = device + "\\";
        }
    }
    ~CMissingDrive() {
        if (!m_strRoot.empty()) DefineDosDeviceA(DDD_REMOVE_DEFINITION, m_strRoot.substr(0, 2).c_str(), nullptr);
    }
    const std::string& Root() const { return m_strRoot; }

private:
    std::string m_strRoot;
};

TEST_F(ShellTreeTest, ADriveWithoutItsMediumStaysWithItsButton) {
    CMissingDrive drive;
    ASSERT_FALSE(drive.Root().empty());
    HTREEITEM computer = ComputerItem(m_tree);
    ASSERT_TRUE(ExpandAndWait(m_tree, computer));
    HTREEITEM item = nullptr;
    for (HTREEITEM c : Children(m_tree, computer))
        if (m_tree.PathOf(c) == drive.Root()) item = c;
    ASSERT_NE(item, nullptr) << drive.Root() << " is not listed";
    m_parent.m_folders.clear();
    ClickItem(m_tree, item);
    ClickItem(m_tree, item);
    EXPECT_EQ(m_parent.m_folders, (std::vector<std::string>{drive.Root(), drive.Root()}));
    ASSERT_TRUE(ExpandAndWait(m_tree, item));
    EXPECT_EQ(ChildrenFlag(m_tree, item), 1) << "the button stays, to try again";
    const std::vector<HTREEITEM> drives = Children(m_tree, computer);
    EXPECT_NE(std::find(drives.begin(), drives.end(), item), drives.end()) << "still listed";
}

// A shell that takes its time over a drive: the query holds until the test lets it go.
HANDLE g_hQueryEntered = nullptr;
HANDLE g_hQueryRelease = nullptr;
std::atomic<bool> g_bQueryReturned{false};
UINT WINAPI AsSlowDrive(LPCSTR) {
    SetEvent(g_hQueryEntered);
    WaitForSingleObject(g_hQueryRelease, 10000);
    g_bQueryReturned = true;
    return DRIVE_REMOTE;
}

TEST_F(ShellTreeTest, ClosingTheTreeDoesNotWaitForTheShell) {
    CScratchFolder dir;
    dir.Sub("inner");
    HTREEITEM item = Reach(dir.Path());
    CScopedHandle entered(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_hQueryEntered = entered.Get();
    g_hQueryRelease = release.Get();
    g_bQueryReturned = false;
    m_tree.SetDriveTypeQuery(AsSlowDrive);
    m_tree.Expand(item, TVE_EXPAND);
    ASSERT_EQ(WaitForSingleObject(entered.Get(), 10000), WAIT_OBJECT_0);
    const long pidls = CShellPidl::LiveCount();
    m_tree.DestroyWindow();
    EXPECT_FALSE(g_bQueryReturned) << "the close waited for the listing";
    EXPECT_LT(CShellPidl::LiveCount(), pidls) << "the tree let its items go";
    // Let go, the worker ends on its own and reports to nobody.
    SetEvent(release.Get());
    EXPECT_TRUE(PumpUntil([] { return g_bQueryReturned.load(); }, 10000));
    PumpFor(50);
}

std::atomic<bool> g_bBriefQueryEntered{false};
std::atomic<bool> g_bBriefQueryReturned{false};
UINT WINAPI AsBrieflySlowDrive(LPCSTR) {
    g_bBriefQueryEntered = true;
    Sleep(300);
    g_bBriefQueryReturned = true;
    return DRIVE_FIXED;
}

TEST_F(ShellTreeTest, ClosingTheTreeLetsAListingAboutToEndFinishFirst) {
    // A host that ends right after the close would otherwise cut the worker off inside the
    // shell, and its own end could then wait for ever on what the worker held.
    CScratchFolder dir;
    dir.Sub("inner");
    HTREEITEM item = Reach(dir.Path());
    g_bBriefQueryEntered = false;
    g_bBriefQueryReturned = false;
    m_tree.SetDriveTypeQuery(AsBrieflySlowDrive);
    m_tree.Expand(item, TVE_EXPAND);
    // A listing cancelled before it reached the shell rightly never calls it: close mid-call.
    ASSERT_TRUE(PumpUntil([] { return g_bBriefQueryEntered.load(); }, 10000));
    m_tree.DestroyWindow();
    EXPECT_TRUE(g_bBriefQueryReturned) << "the close left the listing running";
}

TEST_F(ShellTreeTest, APathNearTheLimitIsListedAndReported) {
    CScratchFolder dir;
    std::string deep = dir.Path();
    while (deep.size() < 235) deep = deep + "\\" + std::string(std::min<size_t>(30, 240 - deep.size()), 'd');
    std::string built = dir.Path();
    for (size_t at = dir.Path().size() + 1; at <= deep.size();) {
        size_t end = deep.find('\\', at);
        if (end == std::string::npos) end = deep.size();
        built = deep.substr(0, end);
        CreateDirectoryA(built.c_str(), nullptr);
        at = end + 1;
    }
    ASSERT_NE(GetFileAttributesA(deep.c_str()), INVALID_FILE_ATTRIBUTES);
    HTREEITEM item = Reach(deep);
    ASSERT_NE(item, nullptr);
    m_parent.m_folders.clear();
    ClickItem(m_tree, item);
    ASSERT_EQ(m_parent.m_folders.size(), 1u);
    EXPECT_EQ(m_parent.m_folders[0], deep);
    ASSERT_TRUE(ExpandAndWait(m_tree, item));
    EXPECT_EQ(ChildrenFlag(m_tree, item), 0);
}

TEST_F(ShellTreeTest, AThousandExpandAndCollapseCyclesLeakNothing) {
    CScratchFolder dir;
    for (int i = 0; i < 5; ++i) dir.Sub("sub" + std::to_string(i));
    HTREEITEM item = Reach(dir.Path());
    ASSERT_TRUE(ExpandAndWait(m_tree, item));
    m_tree.Expand(item, TVE_COLLAPSE);
    const size_t items = m_tree.ItemDataCount();
    const long pidls = CShellPidl::LiveCount();
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD handles = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    // From the keyboard, as a user does: the tree view notifies every time, not only the first.
    m_tree.SelectItem(item);
    for (int i = 0; i < 1000; ++i) {
        m_tree.SendMessage(WM_KEYDOWN, VK_ADD, 0);
        m_tree.SendMessage(WM_KEYDOWN, VK_SUBTRACT, 0);
    }
    ASSERT_TRUE(WaitFilled(m_tree));
    EXPECT_EQ(Children(m_tree, item).size(), 5u) << "children once produced stay";
    EXPECT_EQ(m_tree.ItemDataCount(), items);
    EXPECT_EQ(CShellPidl::LiveCount(), pidls);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handles + 2);
    // And every item's data goes exactly once with the items.
    m_tree.DeleteAllItems();
    EXPECT_EQ(m_tree.ItemDataCount(), 0u);
    EXPECT_EQ(CShellPidl::LiveCount(), pidls - static_cast<long>(items));
}

TEST_F(ShellTreeTest, FiveThousandSubfoldersFillWithoutFreezingTheUserInterface) {
    CScratchFolder dir;
    char name[32];
    for (int i = 0; i < 5000; ++i) {
        std::snprintf(name, sizeof name, "f%04d", i);
        dir.Sub(name);
    }
    HTREEITEM item = Reach(dir.Path());
    ASSERT_NE(item, nullptr);
    m_tree.SetTickPeriod(10);
    const int startsBefore = m_tree.m_nStarts.load(), endsBefore = m_tree.m_nEnds.load();

    // Another thread keeps asking the tree's thread for an answer: the longest wait is how
    // long the user-interface thread was blocked.
    std::atomic<bool> stop{false};
    std::atomic<DWORD> worst{0};
    std::atomic<int> answers{0};
    HWND hTree = m_tree.m_hWnd;
    std::thread probe([&] {
        while (!stop) {
            DWORD t0 = GetTickCount();
            DWORD_PTR result = 0;
            SendMessageTimeoutA(hTree, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            DWORD took = GetTickCount() - t0;
            if (took > worst) worst = took;
            ++answers;
            Sleep(5);
        }
    });
    const DWORD t0 = GetTickCount();
    m_tree.Expand(item, TVE_EXPAND);
    const DWORD expandCall = GetTickCount() - t0;
    const bool filled = WaitFilled(m_tree, 60000);
    const DWORD total = GetTickCount() - t0;
    stop = true;
    probe.join();
    ASSERT_TRUE(filled);
    std::printf("5000 subfolders: filled in %lu ms, expand call %lu ms, longest UI block %lu ms, %d probes\n",
                static_cast<unsigned long>(total), static_cast<unsigned long>(expandCall),
                static_cast<unsigned long>(worst.load()), answers.load());
    EXPECT_LT(expandCall, 250u);
    EXPECT_LT(worst.load(), 250u) << "the user-interface thread was blocked too long";
    std::vector<HTREEITEM> kids = Children(m_tree, item);
    ASSERT_EQ(kids.size(), 5000u);
    EXPECT_EQ(TextOf(m_tree, kids.front()), "f0000");
    EXPECT_EQ(TextOf(m_tree, kids[1234]), "f1234");
    EXPECT_EQ(TextOf(m_tree, kids.back()), "f4999");
    EXPECT_EQ(m_tree.m_nStarts.load(), startsBefore + 1);
    EXPECT_EQ(m_tree.m_nEnds.load(), endsBefore + 1) << "the progress thread ends with the fill";
    const int ticks = m_tree.m_nTicks.load();
    EXPECT_GT(ticks, 0) << "the multimedia timer woke the progress thread";
    PumpFor(60);
    EXPECT_EQ(m_tree.m_nTicks.load(), ticks) << "no timer after the fill";
    m_tree.SetTickPeriod(0);
}

}  // namespace
