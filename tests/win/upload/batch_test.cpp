// The real control uploads: the hosted panel's batch, its dialogs and WinINet against the
// album server and the fault server on 127.0.0.1.
#include "hosted_panel_fixture.h"
#include "transport/transport_test_support.h"

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <set>

namespace {

const char kResultTitle[] = "上传结果";
const char kNoteTitle[] = "提示";
const std::string kLocalFileReason = "无法读取文件，它可能已被删除、改名或正被其他程序独占";

// Names of the answer files a batch could have left: 8 letters or digits, no extension.
std::set<std::string> AnswerLikeFiles() {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((TempFolder() + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name.size() == 8 && name.find('.') == std::string::npos) names.insert(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class UploadBatchTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        if (HasFatalFailure()) return;
        CComPtrT<IConnectionPointContainer> cpc;
        ASSERT_EQ(m_host.Dispatch().QueryInterface(cpc), S_OK);
        ASSERT_EQ(cpc->FindConnectionPoint(DIID_TessalineEvents, m_cp.Receive()), S_OK);
        ASSERT_EQ(m_cp->Advise(&m_events, &m_dwCookie), S_OK);
        Panel().SetSignature(AlbumSignature());
        Panel().SetAlbumName("Travel");
        Panel().SetKXUin(10001);
        Panel().SetTotalSpace(4194304);
        Panel().SetUploadCGI(AlbumUrl("/cgi-bin/upload"));
        m_answersBefore = AnswerLikeFiles();
    }
    void TearDown() override {
        if (m_cp) m_cp->Unadvise(m_dwCookie);
        EXPECT_EQ(AnswerLikeFiles(), m_answersBefore) << "an answer file was left behind";
        PanelTest::TearDown();
    }

    // Files of patterned bytes, sent as they are ("自动压缩" off).
    std::string Picture(const std::string& name, uint64_t nBytes, uint32_t nSeed) {
        std::vector<std::uint8_t> bytes(nBytes);
        for (uint64_t i = 0; i < nBytes; ++i) bytes[i] = static_cast<std::uint8_t>(PatternByte(i, nSeed));
        return m_folder.Write(name, bytes);
    }
    void SelectAll() {
        ASSERT_EQ(Scan(m_folder.Path()), 1);
        SetAutoCompress(false);
        Click(IDC_SELECT_ALL);
    }
    CUploadBatch& Batch() { return Panel().GetUploader().Batch(); }
    HWND ProgressWindow() { return Panel().GetUploader().ProgressDialog().m_hWnd; }
    std::string ProgressText(int id) {
        char text[512] = {};
        GetDlgItemTextA(ProgressWindow(), id, text, sizeof text);
        return text;
    }
    // Clicks "立即上传" and pumps until the batch is over (every answerer has answered).
    void UploadAndWait(std::initializer_list<CWindowAnswerer*> answerers) {
        Click(IDC_UPLOAD_NOW);
        ASSERT_TRUE(PumpUntil(
            [&] {
                for (CWindowAnswerer* a : answerers)
                    if (!a->Done()) return false;
                return !Batch().IsUploading();
            },
            60000));
        PumpFor(50);
    }
    // Presses the progress dialog's "取消" and answers the cancel summary with "确定"; how long
    // the summary took to show goes to pdwShownMs.
    void CancelPass(AnsweredWindow& shown, DWORD* pdwShownMs = nullptr) {
        const DWORD dwStart = GetTickCount();
        CWindowAnswerer cancelled(kResultTitle, IDCANCEL, [&] {
            if (pdwShownMs) *pdwShownMs = GetTickCount() - dwStart;
        });
        SendMessageA(GetDlgItem(ProgressWindow(), IDCANCEL), BM_CLICK, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return cancelled.Done(); }, 5000));
        PumpFor(100);
        shown = cancelled.Result();
    }
    std::string StoredPath(const std::string& name) { return AlbumFolder() + name; }
    // The note in the speed's row, "" while it is hidden.
    std::string ShownNote() {
        const HWND hNote = GetDlgItem(ProgressWindow(), IDC_PROGRESS_NOTE);
        return IsWindowVisible(hNote) ? ProgressText(IDC_PROGRESS_NOTE) : std::string();
    }
    int BarPos() {
        return static_cast<int>(SendMessageA(GetDlgItem(ProgressWindow(), IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
    }

    CScratchFolder m_folder;
    CEventCounter m_events{DIID_TessalineEvents};
    CComPtrT<IConnectionPoint> m_cp;
    DWORD m_dwCookie = 0;
    std::set<std::string> m_answersBefore;
};

TEST_F(UploadBatchTest, ThirteenPicturesWithMixedVerdictsThenTheFailuresAgain) {
    // Through the fault server to the album: three pictures meet a fault on their first
    // upload (a reset on every attempt of it), and the album itself refuses one name.
    Panel().SetUploadCGI(FaultUrl("/relay/cgi-bin/upload"));
    for (const char* plan : {"/_fault-name/mixfail.jpg/1/retcode/1", "/_fault-name/mixmissing.jpg/1/retcode-missing",
                             "/_fault-name/mixreset.jpg/3/reset-after/100"})
        ASSERT_EQ(RawHttpGet(FaultPort(), plan), "ok\n");
    std::vector<std::string> sent;
    for (int i = 1; i <= 7; ++i) sent.push_back(Picture("mix" + std::to_string(i) + ".jpg", 3000 + 997 * i, i));
    for (const char* name : {"mixfail.jpg", "mixmissing.jpg", "mixreset.jpg"}) sent.push_back(Picture(name, 4500, 9));
    Picture(".mixhidden.jpg", 2048, 20);  // the album refuses names that start with a dot
    const std::string gone = Picture("mixgone.jpg", 5000, 21);
    const std::string locked = Picture("mixlocked.jpg", 6000, 22);
    sent.push_back(gone);
    sent.push_back(locked);
    SelectAll();
    ASSERT_EQ(Panel().GetItems().size(), 13u);
    Panel().SetUsedSpace(1000);

    // Between selection and upload one picture goes away and another is held by a program
    // that shares it with nobody.
    std::string goneBytes;
    ASSERT_TRUE(ReadWholeFile(gone, goneBytes));
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);

    // The failure list; before "重新上传" the two pictures are back.
    CWindowAnswerer failures(kResultTitle, IDOK, [&] {
        std::ofstream(gone, std::ios::binary) << goneBytes;
        CloseHandle(hold);
    });
    CMessageBoxAnswerer done;
    UploadAndWait({&failures, &done});

    const AnsweredWindow& list = failures.Result();
    EXPECT_EQ(list.strText, "上传完毕，共 7 个成功，6 个失败。其中被服务器拒绝的文件将不予重新上传。");
    EXPECT_EQ(list.strListLabel, "上传失败文件列表：");
    EXPECT_EQ(list.strColumn1, "失败原因");
    ASSERT_EQ(list.rows.size(), 6u);
    EXPECT_EQ(list.rows[0], (std::vector<std::string>{".mixhidden.jpg", "被服务器拒绝，原因：文件名无效"}));
    const std::set<std::vector<std::string>> failedRows(list.rows.begin() + 1, list.rows.end());
    EXPECT_EQ(failedRows, (std::set<std::vector<std::string>>{
                              {"mixfail.jpg", "x"},
                              {"mixmissing.jpg", "上传成功"},  // the reason the server sent, verdict or not
                              {"mixreset.jpg", "网络连接中断，服务器没有应答"},
                              {"mixgone.jpg", kLocalFileReason},
                              {"mixlocked.jpg", kLocalFileReason}}));
    EXPECT_TRUE(list.bReuploadEnabled);

    EXPECT_EQ(done.Text(), "上传完毕，共 12 个成功，0 个失败。");
    EXPECT_EQ(m_events.Count(1), 1) << "UploadFinished once, after the last summary";
    EXPECT_TRUE(IsWindowEnabled(Panel().m_hWnd));
    EXPECT_FALSE(IsWindowVisible(ProgressWindow()));
    EXPECT_EQ(ProgressText(IDC_PROGRESS_COUNT), "已上传 5 个，共 5 个");
    EXPECT_EQ(ProgressText(IDC_PROGRESS_BYTES).rfind("已上传 ", 0), 0u);

    // The album holds each stored picture once, byte for byte, and never the refused one.
    double dStoredKB = 0;
    for (const std::string& path : sent) {
        const std::string name = path.substr(path.rfind('\\') + 1);
        EXPECT_TRUE(FilesEqual(path, StoredPath(name))) << name;
        const std::string stem = name.substr(0, name.size() - 4);
        EXPECT_EQ(GetFileAttributesA(StoredPath(stem + "-2.jpg").c_str()), INVALID_FILE_ATTRIBUTES) << name;
        WIN32_FILE_ATTRIBUTE_DATA info{};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info);
        dStoredKB += static_cast<int>(info.nFileSizeLow / 1024);
    }
    EXPECT_EQ(GetFileAttributesA(StoredPath(".mixhidden.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_DOUBLE_EQ(Panel().GetUsedSpace(), 1000 + dStoredKB) << "whole kilobytes of each stored picture";
}

std::string PercentEncoded(const std::string& text) {
    std::string out;
    char hex[4];
    for (unsigned char c : text) {
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        out += hex;
    }
    return out;
}

// One picture against one behaviour of the fault server: what the user reads in the list.
struct FaultCase {
    std::string path;
    std::string reason;        // empty: stored, the summary is a message box
    bool bExactReason = true;  // false: bytes the list cannot hold as they are, shown somehow
};

TEST_F(UploadBatchTest, EachFaultOfTheServerShowsItsReason) {
    const std::string rejected = "被服务器拒绝，原因：";
    std::string longReason;
    for (int i = 0; i < 512; ++i) longReason += "长";  // the first 1 KiB of 10 KiB of GBK text
    const FaultCase cases[] = {
        {"/retcode/1", "x"},
        {"/retcode-missing", "上传成功"},
        {"/retcode/%20100%20", ""},
        {"/verdict/+100/ok", ""},
        {"/verdict/999/" + PercentEncoded("签名错误"), rejected + "签名错误"},
        {"/verdict/999/" + PercentEncoded("长") + "/5120", rejected + longReason},
        {"/verdict/7/%FF%FE%81", "?", false},
        {"/verdict/-1/%20%20", "未知，可能网络中断或服务器忙！"},
        {"/verdict/99999999999/x", "x"},
        {"/reset-after/100", "网络连接中断，服务器没有应答"},
        {"/close-before-headers", "网络连接中断，服务器没有应答"},
        {"/status/503", "服务器应答出错，图片没有保存"},
        // Busy on all three attempts, with a wait before the second and the third.
        {"/busy/503", "服务器暂时不可用，请稍后重试"},
        {"/status/404", "服务器应答出错，图片没有保存"},
    };
    Picture("fault.jpg", 4000, 7);
    SelectAll();
    HWND dialog = nullptr;
    int nBatches = 0;
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 40));
        Panel().SetUploadCGI(FaultUrl(c.path));
        const bool bStored = c.reason.empty();
        CWindowAnswerer answer(bStored ? kNoteTitle : kResultTitle, bStored ? IDOK : IDCANCEL);
        UploadAndWait({&answer});
        const AnsweredWindow& shown = answer.Result();
        ASSERT_TRUE(shown.bFound);
        if (!bStored) {
            ASSERT_EQ(shown.rows.size(), 1u);
            const std::string& got = shown.rows[0][1];
            if (!c.bExactReason)
                EXPECT_FALSE(got.empty());
            else if (c.reason.size() > 200)  // compared without printing 10 KiB
                EXPECT_TRUE(got == c.reason) << got.size() << " bytes shown of " << c.reason.size();
            else
                EXPECT_EQ(got, c.reason);
        }
        EXPECT_EQ(m_events.Count(1), ++nBatches);
        if (!dialog) dialog = ProgressWindow();
        EXPECT_EQ(ProgressWindow(), dialog) << "one progress dialog, shown again for every batch";
    }
}

TEST_F(UploadBatchTest, AnAnswerCutShortAfterItsVerdictStoresThePictureOnce) {
    // The album stores the picture; its answer comes back with the verdict and 10 of the 500
    // bytes it announces, then the connection ends: by a close, then by a reset.
    Panel().SetUploadCGI(FaultUrl("/relay/cgi-bin/upload"));
    const std::string closed = Picture("cutclose.jpg", 5000, 31);
    const std::string reset = Picture("cutreset.jpg", 6000, 32);
    for (const char* plan :
         {"/_fault-name/cutclose.jpg/3/lie-longer/500", "/_fault-name/cutreset.jpg/3/lie-longer/500/reset"})
        ASSERT_EQ(RawHttpGet(FaultPort(), plan), "ok\n");
    SelectAll();
    CMessageBoxAnswerer done;
    UploadAndWait({&done});
    EXPECT_EQ(done.Text(), "上传完毕，共 2 个成功，0 个失败。");
    for (const std::string& path : {closed, reset}) {
        const std::string name = path.substr(path.rfind('\\') + 1);
        EXPECT_TRUE(FilesEqual(path, StoredPath(name))) << name;
        const std::string second = StoredPath(name.substr(0, name.size() - 4) + "-2.jpg");
        EXPECT_EQ(GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES) << name << " was stored twice";
    }
}

TEST_F(UploadBatchTest, AReadOnlyTemporaryFolderIsBlamedAndNothingIsSent) {
    Picture("tmpro.jpg", 3000, 33);
    SelectAll();
    const size_t nRequests = FaultLog().size();
    Panel().SetUploadCGI(FaultUrl("/ok"));
    CWindowAnswerer answer(kResultTitle, IDCANCEL);
    {
        const CReadOnlyTempFolder readOnly;
        ASSERT_TRUE(readOnly.RefusesFiles()) << "no folder that refuses files (see run-with-servers.sh)";
        UploadAndWait({&answer});
    }
    ASSERT_EQ(answer.Result().rows.size(), 1u);
    EXPECT_EQ(answer.Result().rows[0][1], "无法写入临时文件夹，没有上传");
    EXPECT_EQ(FaultLog().size(), nRequests) << "nothing was sent";
}

TEST_F(UploadBatchTest, TheLastStateOfAPictureShowsWhileTheServerWorks) {
    Picture("whole.jpg", 300 * 1024, 34);
    SelectAll();
    const size_t nRequests = FaultLog().size();
    Panel().SetUploadCGI(FaultUrl("/stall"));
    Click(IDC_UPLOAD_NOW);
    // The server has read the whole picture and says nothing yet.
    ASSERT_TRUE(PumpUntil([&] { return FaultLog().size() > nRequests; }, 20000));
    PumpFor(300);
    EXPECT_EQ(BarPos(), 100);
    EXPECT_EQ(ProgressText(IDC_PROGRESS_FILE), "whole.jpg");
    AnsweredWindow shown;
    ASSERT_NO_FATAL_FAILURE(CancelPass(shown));
}

TEST_F(UploadBatchTest, ABusyServerIsCountedDownAndCancelEndsTheWaitAtOnce) {
    Picture("busy.jpg", 30 * 1024, 41);
    SelectAll();
    const size_t nRequests = FaultLog().size();
    Panel().SetUploadCGI(FaultUrl("/busy/503/30"));
    Click(IDC_UPLOAD_NOW);
    ASSERT_TRUE(PumpUntil([&] { return !ShownNote().empty(); }, 10000));
    EXPECT_EQ(ShownNote(), "服务器繁忙，30 秒后重试…");
    // The lines' last texts are in once their gap is up.
    PumpFor(CUploadProgressDlg::kTextGapMs + 50);
    const int nPos = BarPos();
    const std::string strBytes = ProgressText(IDC_PROGRESS_BYTES);
    EXPECT_TRUE(PumpUntil([&] { return ShownNote() == "服务器繁忙，29 秒后重试…"; }, 2000)) << ShownNote();
    EXPECT_EQ(BarPos(), nPos) << "the bar keeps its place while the pass waits";
    EXPECT_EQ(ProgressText(IDC_PROGRESS_BYTES), strBytes);

    // The cancel's summary comes at once, long before the countdown would have ended.
    AnsweredWindow shown;
    ASSERT_NO_FATAL_FAILURE(CancelPass(shown));
    EXPECT_EQ(shown.strText, "上传已被取消，您已成功上传了0个文件，剩余1个文件被取消了。");
    PumpFor(300);
    EXPECT_EQ(FaultLog().size(), nRequests + 1) << "nothing was sent again";
    EXPECT_EQ(ShownNote(), "");
}

TEST_F(UploadBatchTest, AnAnswerThatTakesItsTimeIsAwaitedInTheNote) {
    Picture("slow.jpg", 200 * 1024, 42);
    SelectAll();
    // The answer's 120-odd bytes come one every 25 ms: the headers take about three seconds.
    Panel().SetUploadCGI(FaultUrl("/slow/25"));
    Click(IDC_UPLOAD_NOW);
    ASSERT_TRUE(PumpUntil([&] { return !ShownNote().empty(); }, 10000));
    EXPECT_EQ(ShownNote(), "正在等待服务器确认…");
    // The bar and the title still show the bytes: all of them sent.
    EXPECT_EQ(BarPos(), 100);
    char szTitle[128] = {};
    GetWindowTextA(ProgressWindow(), szTitle, sizeof szTitle);
    EXPECT_EQ(std::string(szTitle).rfind("已完成 ", 0), 0u) << szTitle;
    CMessageBoxAnswerer done;
    UploadAndWait({&done});
    EXPECT_EQ(done.Text(), "上传完毕，共 1 个成功，0 个失败。");
    EXPECT_EQ(ShownNote(), "");
}

TEST_F(UploadBatchTest, AnAddressThatIsNotHttpFailsAtOnce) {
    Picture("ftp.jpg", 1000, 3);
    SelectAll();
    Panel().SetUploadCGI("ftp://127.0.0.1/upload");
    CWindowAnswerer answer(kResultTitle, IDCANCEL);
    UploadAndWait({&answer});
    ASSERT_EQ(answer.Result().rows.size(), 1u);
    EXPECT_EQ(answer.Result().rows[0][1], "上传地址无效，没有上传");
}

TEST_F(UploadBatchTest, APictureAnEditorHoldsOpenStillUploads) {
    const std::string path = Picture("open.jpg", 7000, 4);
    // As editors and viewers hold a file: open for writing, shared for reading and writing.
    CScopedHandle editor(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(editor);
    SelectAll();
    CMessageBoxAnswerer done;
    UploadAndWait({&done});
    EXPECT_EQ(done.Text(), "上传完毕，共 1 个成功，0 个失败。");
    editor.Reset();
    EXPECT_TRUE(FilesEqual(path, StoredPath("open.jpg")));
}

TEST_F(UploadBatchTest, CancelWhileTheServerNeverAnswers) {
    for (int i = 0; i < 3; ++i) Picture("stall" + std::to_string(i) + ".jpg", 2000, i);
    SelectAll();
    Panel().SetUploadCGI(FaultUrl("/stall"));
    Click(IDC_UPLOAD_NOW);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(ProgressWindow()) != FALSE; }, 5000));
    EXPECT_FALSE(IsWindowEnabled(Panel().m_hWnd)) << "the panel takes no input during a pass";
    PumpFor(300);
    EXPECT_TRUE(Batch().IsUploading());

    AnsweredWindow shown;
    ASSERT_NO_FATAL_FAILURE(CancelPass(shown));
    EXPECT_EQ(shown.strText, "上传已被取消，您已成功上传了0个文件，剩余3个文件被取消了。");
    EXPECT_EQ(shown.strListLabel, "已成功上传的文件列表：");
    EXPECT_EQ(shown.strColumn1, "上传情况");
    EXPECT_TRUE(shown.rows.empty());
    EXPECT_FALSE(shown.bReuploadVisible);
    EXPECT_FALSE(Batch().IsUploading());
    EXPECT_FALSE(IsWindowVisible(ProgressWindow()));
    EXPECT_TRUE(IsWindowEnabled(Panel().m_hWnd));
    EXPECT_EQ(m_events.Count(1), 0) << "a cancelled batch fires nothing";

    // The control is usable at once: the next batch goes to the album.
    Panel().SetUploadCGI(AlbumUrl("/cgi-bin/upload"));
    CMessageBoxAnswerer done;
    UploadAndWait({&done});
    EXPECT_EQ(done.Text(), "上传完毕，共 3 个成功，0 个失败。");
    EXPECT_EQ(m_events.Count(1), 1);
}

// A line that drops in the middle of a picture, here for a few seconds (a user's may be down
// for half a minute): the relay takes the first part of the body, then nothing passes either
// way until the line is back.
class LineDropTest : public UploadBatchTest {
protected:
    static constexpr DWORD kDropMs = 5000;

    // Three pictures through the relay to the album, the middle one of nMiddleBytes; its first
    // upload meets the drop after 5000 bytes of its body.
    void Prepare(const std::string& stem, uint64_t nMiddleBytes) {
        Panel().SetUploadCGI(FaultUrl("/relay/cgi-bin/upload"));
        for (int i = 0; i < 3; ++i) {
            m_names.push_back(stem + static_cast<char>('a' + i) + ".jpg");
            m_paths.push_back(Picture(m_names.back(), i == 1 ? nMiddleBytes : 20 * 1024, 50 + i));
        }
        ASSERT_EQ(RawHttpGet(FaultPort(), "/_fault-name/" + m_names[1] + "/1/drop/5000/" + std::to_string(kDropMs)),
                  "ok\n");
        SelectAll();
        m_nStoredBefore = AlbumStats()["stored"];
        m_nRequestsBefore = FaultLog().size();
    }
    // The line is back and what it held has been dealt with: nothing comes later.
    void WaitOutTheDrop(DWORD dwDropStart) {
        const DWORD dwSince = GetTickCount() - dwDropStart;
        if (dwSince < kDropMs + 500) PumpFor(kDropMs + 500 - dwSince);
    }
    bool IsStored(size_t i) { return GetFileAttributesA(StoredPath(m_names[i]).c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::vector<std::string> m_names;
    std::vector<std::string> m_paths;
    long m_nStoredBefore = 0;
    size_t m_nRequestsBefore = 0;
};

// The middle picture is far larger than the socket buffers take: when the line drops, the
// worker is inside a write that nothing but the line's return or the send time-out ends.
TEST_F(LineDropTest, CancelDuringTheDropEndsAtOnceAndStoresNothingMore) {
    ASSERT_NO_FATAL_FAILURE(Prepare("cut", 24u << 20));
    Click(IDC_UPLOAD_NOW);
    // The first went through; the second's line is down.
    ASSERT_TRUE(PumpUntil([&] { return FaultLog().size() >= m_nRequestsBefore + 2; }, 20000));
    const DWORD dwDropStart = GetTickCount();
    PumpFor(500);
    ASSERT_TRUE(Batch().IsUploading());

    DWORD dwShownMs = 0;
    AnsweredWindow shown;
    ASSERT_NO_FATAL_FAILURE(CancelPass(shown, &dwShownMs));
    EXPECT_LT(dwShownMs, 1000u) << "the cancel waits for nothing";
    EXPECT_EQ(shown.strText, "上传已被取消，您已成功上传了1个文件，剩余2个文件被取消了。");

    WaitOutTheDrop(dwDropStart);
    EXPECT_EQ(AlbumStats()["stored"], m_nStoredBefore + 1);
    EXPECT_TRUE(FilesEqual(m_paths[0], StoredPath(m_names[0])));
    EXPECT_FALSE(IsStored(1));
    EXPECT_FALSE(IsStored(2));
    EXPECT_EQ(FaultLog().size(), m_nRequestsBefore + 2) << "nothing was sent again";
}

TEST_F(LineDropTest, TheAttemptEndsByTheTimeoutIsTriedAgainAndThePassGoesOn) {
    ASSERT_NO_FATAL_FAILURE(Prepare("late", 20 * 1024));
    // Shorter than the drop, so that the attempt ends by the time-out, not by the line's return.
    Panel().GetUploader().Request().Upload().SetTimeouts(2000, 2000, 2000);
    // Until the summary shows, not until the windows are hidden (Wine without a window manager
    // waits out every hide).
    DWORD dwPassMs = 0;
    const DWORD dwStart = GetTickCount();
    CWindowAnswerer done(kNoteTitle, IDOK, [&] { dwPassMs = GetTickCount() - dwStart; });
    UploadAndWait({&done});
    EXPECT_EQ(done.Result().strText, "上传完毕，共 3 个成功，0 个失败。");
    // The time-out, then a second's wait before the next attempt.
    EXPECT_GE(dwPassMs, 3000u);
    EXPECT_LT(dwPassMs, kDropMs) << "the pass went on before the line came back";
    EXPECT_EQ(FaultLog().size(), m_nRequestsBefore + 4) << "the middle one twice, the others once";

    // Each picture is in the album once, whole, also after the line has given up what it held.
    WaitOutTheDrop(dwStart);
    EXPECT_EQ(AlbumStats()["stored"], m_nStoredBefore + 3);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(FilesEqual(m_paths[i], StoredPath(m_names[i]))) << m_names[i];
        const std::string second = m_names[i].substr(0, m_names[i].size() - 4) + "-2.jpg";
        EXPECT_EQ(GetFileAttributesA(StoredPath(second).c_str()), INVALID_FILE_ATTRIBUTES) << second;
    }
}

TEST_F(UploadBatchTest, AFolderChangeOrTheControlsEndStopsARunningPass) {
    for (int i = 0; i < 2; ++i) Picture("end" + std::to_string(i) + ".jpg", 2000, i);
    SelectAll();
    Panel().SetUploadCGI(FaultUrl("/stall"));
    auto startPass = [&] {
        Click(IDC_UPLOAD_NOW);
        return PumpUntil([&] { return Batch().IsUploading() && IsWindowVisible(ProgressWindow()); }, 5000);
    };
    ASSERT_TRUE(startPass());
    CScratchFolder other;
    other.Fill("other.jpg", 1);
    ASSERT_EQ(Scan(other.Path()), 1) << "the panel lists the new folder";
    EXPECT_FALSE(Batch().IsUploading());
    EXPECT_FALSE(IsWindowVisible(ProgressWindow()));
    EXPECT_TRUE(IsWindowEnabled(Panel().m_hWnd));
    EXPECT_EQ(Listed(), (std::set<std::string>{"other.jpg"}));

    ASSERT_EQ(Scan(m_folder.Path()), 1);
    Click(IDC_SELECT_ALL);
    ASSERT_TRUE(startPass());
    DestroyWindow(m_host.Site());  // the page goes away under the pass
    PumpFor(100);
    EXPECT_FALSE(Batch().IsUploading());
    EXPECT_TRUE(Panel().GetItems().empty());
    EXPECT_EQ(m_events.Count(1), 0);
}

TEST_F(UploadBatchTest, CancelAfterTwoOfFourStoresNothingHalfWay) {
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) paths.push_back(Picture("big" + std::to_string(i) + ".jpg", 24 << 20, 40 + i));
    SelectAll();
    Click(IDC_UPLOAD_NOW);
    ASSERT_TRUE(PumpUntil([&] { return ProgressText(IDC_PROGRESS_COUNT) == "已上传 2 个，共 4 个"; }, 60000));
    AnsweredWindow shown;
    ASSERT_NO_FATAL_FAILURE(CancelPass(shown));
    EXPECT_EQ(shown.strText, "上传已被取消，您已成功上传了2个文件，剩余2个文件被取消了。");
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[0], (std::vector<std::string>{"big0.jpg", "该文件已上传"}));
    EXPECT_EQ(m_events.Count(1), 0);
    EXPECT_TRUE(IsWindowEnabled(Panel().m_hWnd));

    // What the album holds is whole: the two stored, and never a part of the third.
    ASSERT_TRUE(PumpUntil([&] { return AlbumStats()["uploads"] >= 2; }, 5000));
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(FilesEqual(paths[i], StoredPath("big" + std::to_string(i) + ".jpg")));
    for (int i = 2; i < 4; ++i) {
        const std::string stored = StoredPath("big" + std::to_string(i) + ".jpg");
        if (GetFileAttributesA(stored.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_TRUE(FilesEqual(paths[i], stored)) << "a picture stored in part";
        }
    }
}

}  // namespace
