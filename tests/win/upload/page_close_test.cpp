// The page closed under the control hosted by Wine's ATL container: its top-level window
// destroyed after a batch, during a pass and while each summary is up. The container's
// top-level window owns the progress dialog and the summaries, and destroys them before its
// children; the destruction must come back at once, and the control end with it.
#include "hosted_panel_fixture.h"
#include "framework/text.h"
#include "transport/transport_test_support.h"
#include "upload/journal_folder.h"
#include "upload/pass_journal.h"

#include <string_view>

namespace {

// What a timer procedure destroys once a window of this title is up; it has no context.
struct CloseWhenShown {
    const char* pszTitle = nullptr;
    HWND hTop = nullptr;
    // Also waits until the fault server holds the first picture's request.
    bool bInFlight = false;
    bool bClosed = false;
};
CloseWhenShown g_close;

BOOL CALLBACK ListShown(HWND hWnd, LPARAM lParam) {
    char title[128] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    if (IsWindowVisible(hWnd)) *reinterpret_cast<std::string*>(lParam) += std::string(title) + "|";
    return TRUE;
}

// What this thread shows, for a failure's message.
std::string ShownWindows() {
    std::string titles;
    EnumThreadWindows(GetCurrentThreadId(), ListShown, reinterpret_cast<LPARAM>(&titles));
    return titles;
}

// Other programs on the display may show windows of the same title: only this thread's count.
// The progress dialog's title leads with its percentage once the first bytes are out.
BOOL CALLBACK FindShown(HWND hWnd, LPARAM lParam) {
    char title[128] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    const std::string_view shown(title), wanted(g_close.pszTitle);
    if (!IsWindowVisible(hWnd) || !shown.ends_with(wanted)) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

void CALLBACK DestroyTopWhenShown(HWND, UINT, UINT_PTR nTimer, DWORD) {
    HWND w = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShown, reinterpret_cast<LPARAM>(&w));
    if (!w || (g_close.bInFlight && FaultLog().empty())) return;
    KillTimer(nullptr, nTimer);
    DestroyWindow(g_close.hTop);
    g_close.bClosed = true;
}

class PageCloseTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.Create(m_top, RECT{0, 0, 800, 600}));
        ASSERT_TRUE(m_host.Attach());
        CMainPanelDlg& panel = m_host.Panel();
        panel.SetSignature(AlbumSignature());
        panel.SetAlbumName("Travel");
        panel.SetKXUin(10001);
        panel.SetTotalSpace(4194304);
        panel.SetUploadCGI(AlbumUrl("/cgi-bin/upload"));
        for (int i = 0; i < 2; ++i) m_folder.Fill("close" + std::to_string(i) + ".jpg", 3000);
        ASSERT_EQ(SendMessageA(panel.m_hWnd, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(m_folder.Path().c_str())),
                  1);
        PumpFor(30);
        Button_SetCheck(GetDlgItem(panel.m_hWnd, IDC_AUTO_COMPRESS), BST_UNCHECKED);
        SendMessageA(GetDlgItem(panel.m_hWnd, IDC_SELECT_ALL), BM_CLICK, 0, 0);
    }
    void TearDown() override {
        if (IsWindow(m_top)) DestroyWindow(m_top);
        m_journals.Remove(kJournal);
    }
    // What the pass left for a later page, once the page is gone.
    std::optional<CPassJournal> LeftJournal() {
        const auto bytes = m_journals.Read(kJournal, CPassJournal::kMaxBytes);
        return bytes ? CPassJournal::Parse(*bytes, IsAnsiLeadByte) : std::nullopt;
    }
    void Upload() { SendMessageA(GetDlgItem(m_host.Panel().m_hWnd, IDC_UPLOAD_NOW), BM_CLICK, 0, 0); }

    CTestApartment m_apartment;
    CScratchFolder m_folder;
    HWND m_top = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 820, 640, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    CHostedControl m_host;
    CJournalFolder m_journals;
    const std::string kJournal = CPassJournal::FileNameFor(10001, "Travel");
};

TEST_F(PageCloseTest, TheTopLevelWindowClosedAfterABatch) {
    CMessageBoxAnswerer done;
    Upload();
    ASSERT_TRUE(PumpUntil([&] { return done.Done() && !m_host.Panel().GetUploader().IsUploading(); }, 30000));
    PumpFor(50);
    const HWND control = m_host.Control().m_hWnd;
    DestroyWindow(m_top);
    EXPECT_FALSE(IsWindow(control));
}

TEST_P(PageCloseTest, TheTopLevelWindowClosedWhileUp) {
    const bool bMidPass = std::string(GetParam()) == "上传进度";
    if (bMidPass) {
        ClearFaultLog();
        m_host.Panel().SetUploadCGI(FaultUrl("/stall"));
    }
    if (std::string(GetParam()) == "上传结果") m_host.Panel().SetSignature("wrong");
    g_close = CloseWhenShown{GetParam(), m_top, bMidPass};
    const UINT_PTR nTimer = SetTimer(nullptr, 0, 20, DestroyTopWhenShown);
    Upload();
    ASSERT_TRUE(PumpUntil([] { return g_close.bClosed; }, 30000))
        << GetParam() << " never showed; shown: " << ShownWindows();
    KillTimer(nullptr, nTimer);
    PumpFor(50);
    EXPECT_FALSE(IsWindow(m_top));
    EXPECT_FALSE(m_host.Panel().GetUploader().IsUploading());
    // Closed in the middle of the pass, the page leaves both pictures to a later page: the
    // first one in flight. Closed over the summary of a pass that stored both, nothing.
    const auto journal = LeftJournal();
    if (bMidPass) {
        ASSERT_TRUE(journal.has_value());
        ASSERT_EQ(journal->Pictures().size(), 2u);
        EXPECT_EQ(journal->Pictures()[0].state, JournalState::Sending);
        EXPECT_EQ(journal->Pictures()[1].state, JournalState::Waiting);
    } else if (std::string(GetParam()) == "提示") {
        // Its removal is the journal writer's, which may still be on its way.
        EXPECT_TRUE(PumpUntil([&] { return !LeftJournal().has_value(); }, 5000));
    }
}

// The pass to a server that never answers goes last: the connection it leaves behind counts
// against WinINet's connections to 127.0.0.1 in the tests that follow.
INSTANTIATE_TEST_SUITE_P(EachWindow, PageCloseTest, ::testing::Values("提示", "上传结果", "上传进度"));

}  // namespace
