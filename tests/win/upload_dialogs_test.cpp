// The progress and result dialogs on real windows: what they show, how they end, what they
// report. Modal runs are driven from a second thread while the test's thread sits in the
// dialog's loop.
#include "res/resource.h"
#include "test_support.h"
#include "win_event_log.h"
#include "upload/upload_progress_dlg.h"
#include "upload/upload_result_dlg.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::string ItemText(HWND hDlg, int nID) {
    char szText[512] = {};
    GetDlgItemTextA(hDlg, nID, szText, sizeof szText);
    return szText;
}

std::string WindowText(HWND hWnd) {
    char szText[512] = {};
    GetWindowTextA(hWnd, szText, sizeof szText);
    return szText;
}

// The text of a message box, in its static control of this id.
constexpr int kMessageBoxText = 0xFFFF;

bool HasStyle(HWND hWnd, DWORD dwStyle) { return (GetWindowLongA(hWnd, GWL_STYLE) & dwStyle) == dwStyle; }

// Waits, on its own thread, for a dialog that the given thread shows with the given title,
// hands it to the action, and closes it if it is still up five seconds later: a broken
// dialog fails its test instead of hanging it.
class CModalDriver {
public:
    using Action = std::function<void(HWND)>;
    CModalDriver(const char* pszTitle, Action act)
        : m_strTitle(pszTitle), m_act(std::move(act)), m_dwThread(GetCurrentThreadId()), m_thread([this] { Run(); }) {}
    ~CModalDriver() { m_thread.join(); }
    bool Found() const { return m_bFound; }

private:
    struct Search {
        const std::string* pTitle;
        HWND hFound;
    };
    static BOOL CALLBACK Match(HWND hWnd, LPARAM lParam) {
        auto* search = reinterpret_cast<Search*>(lParam);
        if (IsWindowVisible(hWnd) && WindowText(hWnd) == *search->pTitle) {
            search->hFound = hWnd;
            return FALSE;
        }
        return TRUE;
    }
    void Run() {
        Search search{&m_strTitle, nullptr};
        for (int i = 0; i < 500 && !search.hFound; ++i) {
            EnumThreadWindows(m_dwThread, Match, reinterpret_cast<LPARAM>(&search));
            if (!search.hFound) Sleep(10);
        }
        if (!search.hFound) return;
        m_bFound = true;
        m_act(search.hFound);
        for (int i = 0; i < 500 && IsWindow(search.hFound); ++i) Sleep(10);
        if (IsWindow(search.hFound)) {
            PostMessageA(search.hFound, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(search.hFound, WM_COMMAND, IDNO, 0);
        }
    }

    std::string m_strTitle;
    Action m_act;
    DWORD m_dwThread;
    std::atomic<bool> m_bFound{false};
    std::thread m_thread;
};

// The focus of another thread's dialog, where a key press would go.
HWND FocusOf(HWND hDlg) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(hDlg, nullptr), &info);
    return info.hwndFocus ? info.hwndFocus : hDlg;
}

void PressKey(HWND hDlg, UINT vk) {
    HWND hTarget = FocusOf(hDlg);
    PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
    PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
}

void ClickButton(HWND hDlg, int nID) {
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, nID)));
}

const std::string kLongReason(10240, 'x');

SummaryRequest ResultRequest(bool bCancelMode, bool bCanReupload) {
    SummaryRequest request;
    request.strMessage = bCancelMode ? "上传已被取消，您已成功上传了3个文件，剩余1个文件被取消了。"
                                     : "上传完毕，共 1 个成功，3 个失败。其中被服务器拒绝的文件将不予重新上传。";
    request.bShowList = true;
    request.bCancelMode = bCancelMode;
    request.bStatusColumn = bCancelMode;
    request.bCanReupload = bCanReupload;
    request.strListLabel = bCancelMode ? "已成功上传的文件列表：" : "上传失败文件列表：";
    request.rows = {{"海边.jpg", "被服务器拒绝，原因：空间不足"},
                    {"b.jpg", kLongReason},
                    // Not valid GBK: lead bytes with nothing after them.
                    {"坏\x81", "\xFE"}};
    return request;
}

// What the result dialog showed, read from its windows while it ran.
struct ResultView {
    std::string strMessage, strLabel;
    std::vector<std::string> arrHeaders;
    std::vector<int> arrWidths;
    std::vector<std::vector<std::string>> arrCells;
    bool bReuploadVisible = false;
    bool bReuploadEnabled = false;
    int nDefId = 0;
};

std::string CellText(HWND hList, int nRow, int nColumn) {
    std::string strText(16384, '\0');
    LVITEMA item{};
    item.iSubItem = nColumn;
    item.pszText = strText.data();
    item.cchTextMax = static_cast<int>(strText.size());
    const auto nLength =
        SendMessageA(hList, LVM_GETITEMTEXTA, static_cast<WPARAM>(nRow), reinterpret_cast<LPARAM>(&item));
    strText.resize(static_cast<size_t>(nLength));
    return strText;
}

ResultView ReadResult(HWND hDlg) {
    ResultView view;
    view.strMessage = ItemText(hDlg, IDC_RESULT_MESSAGE);
    view.strLabel = ItemText(hDlg, IDC_RESULT_LIST_LABEL);
    HWND hList = GetDlgItem(hDlg, IDC_RESULT_LIST);
    for (int nColumn = 0; nColumn < 2; ++nColumn) {
        char szHeader[64] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = szHeader;
        col.cchTextMax = sizeof szHeader;
        SendMessageA(hList, LVM_GETCOLUMNA, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&col));
        view.arrHeaders.push_back(szHeader);
        view.arrWidths.push_back(col.cx);
    }
    const int nRows = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int nRow = 0; nRow < nRows; ++nRow)
        view.arrCells.push_back({CellText(hList, nRow, 0), CellText(hList, nRow, 1)});
    HWND hReupload = GetDlgItem(hDlg, IDOK);
    view.bReuploadVisible = HasStyle(hReupload, WS_VISIBLE);
    view.bReuploadEnabled = IsWindowEnabled(hReupload) != FALSE;
    view.nDefId = LOWORD(SendMessageA(hDlg, DM_GETDEFID, 0, 0));
    return view;
}

struct ResultCase {
    const char* pszName;
    bool bCancelMode;
    bool bCanReupload;
    UINT vkEnd;  // the key that ends the run
    INT_PTR nExpected;
};

void PrintTo(const ResultCase& c, std::ostream* os) { *os << c.pszName; }

class UploadResultDlgTest : public ::testing::TestWithParam<ResultCase> {};

TEST_P(UploadResultDlgTest, ShowsTheRowsAndEndsAsTheButtonsAllow) {
    const ResultCase& c = GetParam();
    const SummaryRequest request = ResultRequest(c.bCancelMode, c.bCanReupload);
    const bool bReupload = c.bCanReupload && !c.bCancelMode;
    ResultView view;
    INT_PTR nResult = -1;
    {
        CModalDriver driver("上传结果", [&](HWND hDlg) {
            view = ReadResult(hDlg);
            // A re-upload that is not offered cannot be had by its command either.
            if (!bReupload) SendMessageA(hDlg, WM_COMMAND, IDOK, 0);
            PressKey(hDlg, c.vkEnd);
        });
        CUploadResultDlg dlg(request, nullptr);
        nResult = dlg.DoModal();
        PumpFor(0);
    }
    EXPECT_EQ(nResult, c.nExpected);
    EXPECT_EQ(view.strMessage, request.strMessage);
    EXPECT_EQ(view.strLabel, request.strListLabel);
    EXPECT_EQ(view.arrHeaders, (std::vector<std::string>{"文件名", c.bCancelMode ? "上传情况" : "失败原因"}));
    EXPECT_EQ(view.arrWidths, (std::vector<int>{100, 210}));
    ASSERT_EQ(view.arrCells.size(), 3u);
    EXPECT_EQ(view.arrCells[0], (std::vector<std::string>{"海边.jpg", "被服务器拒绝，原因：空间不足"}));
    EXPECT_EQ(view.arrCells[1], (std::vector<std::string>{"b.jpg", kLongReason}));
    EXPECT_EQ(view.bReuploadVisible, !c.bCancelMode);
    EXPECT_EQ(view.bReuploadEnabled, bReupload);
    EXPECT_EQ(view.nDefId, bReupload ? IDOK : IDCANCEL);
}

INSTANTIATE_TEST_SUITE_P(Modes, UploadResultDlgTest,
                         ::testing::Values(ResultCase{"FailureEnterReuploads", false, true, VK_RETURN, IDOK},
                                           ResultCase{"OnlyRejectedEnterIsOk", false, false, VK_RETURN, IDCANCEL},
                                           ResultCase{"CancelModeNeverReuploads", true, true, VK_RETURN, IDCANCEL},
                                           ResultCase{"EscapeIsOk", false, true, VK_ESCAPE, IDCANCEL}),
                         [](const auto& info) { return std::string(info.param.pszName); });

class CTestCommands : public CProgressCommands {
public:
    void OnCancelRequested() override { ++nCancels; }
    bool IsPassRunning() const override { return bRunning; }
    void OnTick() override { ++nTicks; }
    bool bRunning = true;
    int nCancels = 0;
    int nTicks = 0;
};

class UploadProgressDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dlg.SetOwnerWindow(m_owner.Get());
        m_dlg.SetCommands(&m_commands);
        ASSERT_TRUE(m_dlg.Open());
        ASSERT_NE(m_dlg.m_hWnd, nullptr);
    }
    HWND Dlg() const { return m_dlg.m_hWnd; }
    bool Shown() const { return IsWindowVisible(Dlg()) != FALSE; }

    CTestWindow m_owner{300, 200, "progress owner"};
    CTestCommands m_commands;
    CUploadProgressDlg m_dlg;
};

TEST_F(UploadProgressDlgTest, ShowsWhatItIsToldAndIsKeptWhenClosed) {
    const HWND hDlg = Dlg();
    EXPECT_EQ(GetWindow(hDlg, GW_OWNER), m_owner.Get());
    EXPECT_FALSE(Shown());
    m_dlg.SetTexts({"春节.jpg", "剩余 3 秒", "12.50 KB/秒", "已上传 1 个，共 3 个", "已上传 10.00 KB，共 30.00 KB"});
    m_dlg.SetTitle("已完成 33％ - 上传进度");
    const std::pair<int, std::string> texts[] = {{IDC_PROGRESS_FILE, "春节.jpg"},
                                                 {IDC_PROGRESS_REMAINING, "剩余 3 秒"},
                                                 {IDC_PROGRESS_SPEED, "12.50 KB/秒"},
                                                 {IDC_PROGRESS_COUNT, "已上传 1 个，共 3 个"},
                                                 {IDC_PROGRESS_BYTES, "已上传 10.00 KB，共 30.00 KB"}};
    for (const auto& [nID, strText] : texts) EXPECT_EQ(ItemText(hDlg, nID), strText) << nID;
    EXPECT_EQ(WindowText(hDlg), "已完成 33％ - 上传进度");

    m_dlg.StartProgressDisplay();  // the bar starts over at 0 of 0..100
    HWND hBar = GetDlgItem(hDlg, IDC_PROGRESS_BAR);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETPOS, 0, 0), 0);
    // The bar moves at once after a quiet while; moves closer together wait for their turn,
    // and the last one shows.
    m_dlg.SetProgressPos(42);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETPOS, 0, 0), 42);
    m_dlg.SetProgressPos(-5);
    m_dlg.SetProgressPos(150);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETPOS, 0, 0), 42);
    PumpFor(3 * CUploadProgressDlg::kTextGapMs);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETPOS, 0, 0), 100);
    m_dlg.SetProgressPos(-5);
    PumpFor(3 * CUploadProgressDlg::kTextGapMs);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETPOS, 0, 0), 0);

    m_dlg.Show();
    EXPECT_TRUE(Shown());
    m_dlg.Close();
    EXPECT_FALSE(Shown());
    EXPECT_TRUE(IsWindow(hDlg));
    EXPECT_TRUE(m_dlg.Open());
    m_dlg.Show();
    EXPECT_EQ(Dlg(), hDlg);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(ItemText(hDlg, IDC_PROGRESS_FILE), "春节.jpg");
}

TEST_F(UploadProgressDlgTest, AScreenReaderHearsTheBarAndTheFileAtMostOnceASecond) {
    CWinEventLog events(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE);
    ASSERT_TRUE(events.Hooked());
    m_dlg.StartProgressDisplay();
    const HWND hBar = GetDlgItem(Dlg(), IDC_PROGRESS_BAR);
    const HWND hFile = GetDlgItem(Dlg(), IDC_PROGRESS_FILE);
    // A pass of small pictures: a new file every 100 ms, the bar a step every 25 ms.
    const DWORD dwStart = GetTickCount();
    for (int i = 1; i <= 100; ++i) {
        m_dlg.SetProgressPos(i);
        if (i % 4 == 0) m_dlg.SetTexts({"第" + std::to_string(i / 4) + "张.jpg", "", "", "", ""});
        PumpFor(25);
    }
    const DWORD dwElapsed = GetTickCount() - dwStart;
    // How many of each were heard: the bar's value changes and the file line's name changes.
    const auto heard = [&] {
        std::pair<long, long> n{0, 0};
        for (const CWinEventLog::Event& e : events.TakeAll()) {
            if (e.idChild != CHILDID_SELF) continue;
            if (e.hWnd == hBar && e.dwEvent == EVENT_OBJECT_VALUECHANGE) ++n.first;
            if (e.hWnd == hFile && e.dwEvent == EVENT_OBJECT_NAMECHANGE) ++n.second;
        }
        return n;
    };
    const long nMost = static_cast<long>(dwElapsed / 1000) + 1;
    const auto [nBar, nFile] = heard();
    EXPECT_GE(nBar, 2);
    EXPECT_LE(nBar, nMost) << "in " << dwElapsed << " ms";
    EXPECT_GE(nFile, 2);
    EXPECT_LE(nFile, nMost) << "in " << dwElapsed << " ms";
    // After a quiet while a change is told at once; one right after it is held, told once
    // its turn comes, and nothing after it. The run's own held change is told first, and a
    // second passes after it.
    PumpFor(2600);
    heard();
    m_dlg.SetProgressPos(10);
    m_dlg.SetTexts({"甲.jpg", "", "", "", ""});
    m_dlg.SetProgressPos(20);
    m_dlg.SetTexts({"乙.jpg", "", "", "", ""});
    EXPECT_EQ(heard(), (std::pair<long, long>{1, 1}));
    PumpFor(1600);
    EXPECT_EQ(heard(), (std::pair<long, long>{1, 1}));
    PumpFor(1100);
    EXPECT_EQ(heard(), (std::pair<long, long>{0, 0}));
}

TEST_F(UploadProgressDlgTest, LinesChangingFasterThanTheGapShowTheirLastText) {
    const HWND hDlg = Dlg();
    m_dlg.SetTexts({"a.jpg", "", "", "已上传 1 个，共 300 个", ""});
    m_dlg.SetTitle("已完成 0％ - 上传进度");
    for (int n = 2; n <= 300; ++n) {
        const std::string name = "p" + std::to_string(n) + ".jpg";
        m_dlg.SetTexts({name, "", "", "已上传 " + std::to_string(n) + " 个，共 300 个", ""});
        m_dlg.SetTitle("已完成 " + std::to_string(n / 3) + "％ - 上传进度");
    }
    // The last texts show once the gap is up.
    EXPECT_TRUE(PumpUntil([&] { return ItemText(hDlg, IDC_PROGRESS_FILE) == "p300.jpg"; },
                          CUploadProgressDlg::kTextGapMs + 2000));
    EXPECT_EQ(ItemText(hDlg, IDC_PROGRESS_COUNT), "已上传 300 个，共 300 个");
    EXPECT_EQ(WindowText(hDlg), "已完成 100％ - 上传进度");

    // A change that comes after a quiet while shows at once, and the end of a pass shows
    // what waits.
    PumpFor(CUploadProgressDlg::kTextGapMs + 20);
    m_dlg.SetTexts({"last.jpg", "", "", "", ""});
    EXPECT_EQ(ItemText(hDlg, IDC_PROGRESS_FILE), "last.jpg");
    m_dlg.SetTexts({"after.jpg", "", "", "", ""});
    m_dlg.Close();
    EXPECT_EQ(ItemText(hDlg, IDC_PROGRESS_FILE), "after.jpg");
}

TEST_F(UploadProgressDlgTest, NoteTakesTheSpeedRowWhileItSaysSomething) {
    const HWND hNote = GetDlgItem(Dlg(), IDC_PROGRESS_NOTE);
    ASSERT_NE(hNote, nullptr);
    m_dlg.Show();
    EXPECT_FALSE(IsWindowVisible(hNote)) << "no note before the pass waits for anything";
    m_dlg.SetNote("服务器繁忙，12 秒后重试…");
    EXPECT_TRUE(IsWindowVisible(hNote));
    EXPECT_EQ(ItemText(Dlg(), IDC_PROGRESS_NOTE), "服务器繁忙，12 秒后重试…");
    // In the speed's row, left of the cancel button, clear of the bar and the texts above.
    RECT rcNote{}, rcSpeed{}, rcCancel{}, rcCount{};
    GetWindowRect(hNote, &rcNote);
    GetWindowRect(GetDlgItem(Dlg(), IDC_PROGRESS_SPEED), &rcSpeed);
    GetWindowRect(GetDlgItem(Dlg(), IDCANCEL), &rcCancel);
    GetWindowRect(GetDlgItem(Dlg(), IDC_PROGRESS_COUNT), &rcCount);
    EXPECT_TRUE(rcNote.top < rcSpeed.bottom && rcNote.bottom > rcSpeed.top) << "the speed's row";
    EXPECT_LT(rcNote.right, rcCancel.left);
    EXPECT_GE(rcNote.top, rcCount.bottom);
    m_dlg.SetNote("");
    EXPECT_FALSE(IsWindowVisible(hNote));
}

TEST_F(UploadProgressDlgTest, TicksReachTheCommandsOnlyWhileOn) {
    m_dlg.SetTicking(true);
    ASSERT_TRUE(PumpUntil([&] { return m_commands.nTicks >= 3; }, 5000)) << "about four ticks a second";
    m_dlg.SetTicking(false);
    PumpFor(50);
    const int nTicks = m_commands.nTicks;
    PumpFor(700);
    EXPECT_EQ(m_commands.nTicks, nTicks);
}

TEST_F(UploadProgressDlgTest, ClosingPausesTheAnimationUntilTheNextPicture) {
    const std::string ocx = OcxPath();
    m_dlg.SetAnimationFile(ocx.substr(0, ocx.rfind('\\') + 1) + "Upload.gif");
    m_dlg.Show();
    m_dlg.StartProgressDisplay();
    const CGifPlayer* pAnim = m_dlg.Animation();
    ASSERT_TRUE(pAnim && pAnim->IsLoaded());
    ASSERT_TRUE(PumpUntil([&] { return pAnim->FramesShown() >= 2; }, 5000)) << "the animation plays";
    // What the end of a pass, a folder change or the control's end does.
    m_dlg.Close();
    EXPECT_TRUE(pAnim->IsPaused());
    const uint64_t nShown = pAnim->FramesShown();
    PumpFor(600);
    EXPECT_EQ(pAnim->FramesShown(), nShown) << "nothing is drawn into the hidden window";
    ASSERT_TRUE(m_dlg.Open());
    m_dlg.Show();
    m_dlg.StartProgressDisplay();
    EXPECT_FALSE(pAnim->IsPaused());
    EXPECT_TRUE(PumpUntil([&] { return pAnim->FramesShown() > nShown; }, 5000)) << "the next pass plays on";
}

TEST_F(UploadProgressDlgTest, IsMadeAgainAfterItsOwnerHasGone) {
    {
        CTestWindow owner(300, 200, "short-lived owner");
        m_dlg.SetOwnerWindow(owner.Get());
        m_dlg.Close();
        DestroyWindow(Dlg());
        ASSERT_TRUE(m_dlg.Open());
        m_dlg.StartProgressDisplay();
        m_dlg.SetTexts({"a.jpg", "", "", "1/2", ""});
    }
    EXPECT_EQ(Dlg(), nullptr);
    m_dlg.SetOwnerWindow(m_owner.Get());
    ASSERT_TRUE(m_dlg.Open());
    EXPECT_EQ(GetWindow(Dlg(), GW_OWNER), m_owner.Get());
    // The new window shows the last texts, and the display starts over: a player left from
    // the old window would only have been resumed, the bar left where it was.
    EXPECT_EQ(ItemText(Dlg(), IDC_PROGRESS_COUNT), "1/2");
    m_dlg.SetProgressPos(50);
    m_dlg.StartProgressDisplay();
    EXPECT_EQ(SendMessageA(GetDlgItem(Dlg(), IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0), 0);
}

TEST_F(UploadProgressDlgTest, CancelReportsARunningPassAndEnterDoesNothing) {
    struct Case {
        int nCommand;
        bool bRunning;
        int nCancels;
        bool bShownAfter;
    };
    for (const Case& c : {Case{IDOK, true, 0, true}, Case{IDCANCEL, true, 1, true}, Case{IDCANCEL, false, 0, false}}) {
        m_commands = CTestCommands{};
        m_commands.bRunning = c.bRunning;
        m_dlg.Show();
        SendMessageA(Dlg(), WM_COMMAND, MAKEWPARAM(c.nCommand, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Dlg(), c.nCommand)));
        EXPECT_EQ(m_commands.nCancels, c.nCancels) << c.nCommand << " " << c.bRunning;
        EXPECT_EQ(Shown(), c.bShownAfter) << c.nCommand << " " << c.bRunning;
        EXPECT_NE(Dlg(), nullptr);
    }
}

TEST_F(UploadProgressDlgTest, CloseBoxAsksWhileAPassRuns) {
    struct Case {
        bool bRunning;
        int nAnswer;  // 0: no question expected
        int nCancels;
        bool bShownAfter;
    };
    for (const Case& c : {Case{true, IDNO, 0, true}, Case{true, IDYES, 1, true}, Case{false, 0, 0, false}}) {
        m_commands = CTestCommands{};
        m_commands.bRunning = c.bRunning;
        m_dlg.Show();
        std::string strAsked;
        {
            std::optional<CModalDriver> driver;
            if (c.nAnswer)
                driver.emplace("提示", [&](HWND hBox) {
                    strAsked = ItemText(hBox, kMessageBoxText);
                    ClickButton(hBox, c.nAnswer);
                });
            SendMessageA(Dlg(), WM_CLOSE, 0, 0);
            EXPECT_TRUE(!driver || driver->Found());
        }
        if (c.nAnswer) {
            EXPECT_EQ(strAsked, "文件上传尚未完成，您确定要关闭吗？");
        }
        EXPECT_EQ(m_commands.nCancels, c.nCancels) << c.bRunning << " " << c.nAnswer;
        EXPECT_EQ(Shown(), c.bShownAfter) << c.bRunning << " " << c.nAnswer;
        EXPECT_NE(Dlg(), nullptr);
    }
}

// How the summary is ended: the message box's button, "重新上传" if it works and else "确定",
// or by the owner.
enum class SummaryEnd { PressOk, Reupload, Abort };

struct SummaryCase {
    const char* pszName;
    bool bShowList;
    bool bCancelMode;
    bool bCanReupload;
    SummaryEnd end;
    SummaryChoice expected;
};

void PrintTo(const SummaryCase& c, std::ostream* os) { *os << c.pszName; }

class UploadSummaryTest : public UploadProgressDlgTest, public ::testing::WithParamInterface<SummaryCase> {
protected:
    static inline CUploadProgressDlg* s_pAborting = nullptr;
    static void CALLBACK AbortLater(HWND, UINT, UINT_PTR idTimer, DWORD) {
        KillTimer(nullptr, idTimer);
        if (s_pAborting) s_pAborting->AbortSummary();
    }
};

TEST_P(UploadSummaryTest, EndsWithTheOwnersChoice) {
    const SummaryCase& c = GetParam();
    SummaryRequest request = ResultRequest(c.bCancelMode, c.bCanReupload);
    request.bShowList = c.bShowList;
    std::string strBoxText;
    SummaryChoice choice = SummaryChoice::Reupload;
    {
        // Ending the summary from its own thread: the timer fires inside the summary's loop.
        s_pAborting = &m_dlg;
        UINT_PTR idTimer = c.end == SummaryEnd::Abort ? SetTimer(nullptr, 0, 300, AbortLater) : 0;
        CModalDriver driver(c.bShowList ? "上传结果" : "提示", [&](HWND hDlg) {
            strBoxText = ItemText(hDlg, kMessageBoxText);
            if (c.end == SummaryEnd::PressOk) ClickButton(hDlg, IDOK);
            if (c.end == SummaryEnd::Reupload) {
                // What is not on offer does nothing; "确定" then ends the dialog.
                ClickButton(hDlg, IDOK);
                ClickButton(hDlg, IDCANCEL);
            }
        });
        const DWORD dwStart = GetTickCount();
        choice = m_dlg.ShowSummary(request);
        // Well before the driver's own closing, which would also answer Done.
        EXPECT_LT(GetTickCount() - dwStart, 5000u);
        if (idTimer) KillTimer(nullptr, idTimer);
        s_pAborting = nullptr;
        // An abort may come before the driver has seen the window.
        EXPECT_TRUE(driver.Found() || c.end == SummaryEnd::Abort);
    }
    EXPECT_EQ(choice, c.expected);
    if (c.end == SummaryEnd::PressOk) {
        EXPECT_EQ(strBoxText, request.strMessage);
    }
    EXPECT_NE(Dlg(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, UploadSummaryTest,
    ::testing::Values(SummaryCase{"MessageOnly", false, false, false, SummaryEnd::PressOk, SummaryChoice::Done},
                      SummaryCase{"Reupload", true, false, true, SummaryEnd::Reupload, SummaryChoice::Reupload},
                      SummaryCase{"OnlyRejected", true, false, false, SummaryEnd::Reupload, SummaryChoice::Done},
                      SummaryCase{"AfterCancel", true, true, true, SummaryEnd::Reupload, SummaryChoice::Done},
                      SummaryCase{"AbortMessage", false, false, false, SummaryEnd::Abort, SummaryChoice::Done},
                      SummaryCase{"AbortList", true, false, true, SummaryEnd::Abort, SummaryChoice::Done}),
    [](const auto& info) { return std::string(info.param.pszName); });

}  // namespace
