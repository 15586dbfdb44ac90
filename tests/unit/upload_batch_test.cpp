#include "upload/upload_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include "memory_journal_disk.h"
#include "rc_strings.h"
#include "upload/pass_recorder.h"
#include "transport/header_lookup.h"

namespace {

// The panel's side: pictures as records, the queue, the space figures, the event.
class CFakePanel : public CUploadPanel {
public:
    bool GetUploadSource(int nIndex, UploadSource& source) const override {
        if (nIndex < 0 || static_cast<size_t>(nIndex) >= items.size()) return false;
        source = items[static_cast<size_t>(nIndex)];
        return true;
    }
    std::vector<int>& UploadQueue() override { return queue; }
    UploadSettings GetUploadSettings() const override { return settings; }
    double GetUsedSpace() const override { return dUsedKB; }
    void SetUsedSpace(double dKB) override { dUsedKB = dKB; }
    void UpdateSpaceLabel() override {}
    void EnableInput(bool bEnable) override { bEnabled = bEnable; }
    void FireUploadFinished() override { ++nFinished; }

    std::vector<UploadSource> items;
    std::vector<int> queue;
    UploadSettings settings{"sig", "Travel", "http://127.0.0.1/upload", 10001, true};
    double dUsedKB = 100;
    bool bEnabled = true;
    int nFinished = 0;
};

// The transfer's side: records what each request carried; the test answers it.
class CFakeRequest : public CUploadRequest {
public:
    struct Sent {
        std::vector<std::pair<std::string, std::string>> fields;
        std::string fileField, url, path;
    };
    void ResetForm() override {
        bInFlight = false;
        strHeaders.clear();
        fields.clear();
    }
    void AddField(const std::string& name, const std::string& value) override { fields.emplace_back(name, value); }
    StartRefusal StartUpload(const std::string& fileField, const std::string& url, const std::string& path) override {
        if (refusal != StartRefusal::None) return refusal;
        if (onStart) onStart();
        sent.push_back(Sent{fields, fileField, url, path});
        bInFlight = true;
        return StartRefusal::None;
    }
    void Cancel() override {
        bInFlight = false;
        ++nCancels;
    }
    // The number after "HTTP/1.1 ", as the engine reads it.
    uint32_t AnswerStatus() const override {
        return strHeaders.empty() ? 0 : static_cast<uint32_t>(std::atol(strHeaders.c_str() + 9));
    }
    bool GetHeaderNumber(const std::string& name, uint32_t& n) const override {
        return ::GetHeaderNumber(strHeaders, name, n);
    }
    bool GetHeaderString(const std::string& name, std::string& s, bool bTrim) const override {
        return ::GetHeaderString(strHeaders, name, s, bTrim);
    }
    void DiscardAnswer() override {
        bInFlight = false;
        ++nDiscarded;
    }

    std::vector<std::pair<std::string, std::string>> fields;
    std::vector<Sent> sent;
    std::string strHeaders;
    int nDiscarded = 0;
    StartRefusal refusal = StartRefusal::None;
    bool bInFlight = false;
    std::function<void()> onStart;
    int nCancels = 0;
};

// The progress dialog's side: what it was told to show; the summary answers as told.
class CFakeView : public CProgressView {
public:
    bool Open() override { return bCanOpen; }
    void Show() override { bShown = true; }
    void SetTexts(const ProgressTexts& t) override { texts = t; }
    void SetTitle(const std::string& s) override { strTitle = s; }
    void SetProgressPos(int n) override { nPos = n; }
    void StartProgressDisplay() override { ++nStarts; }
    void SetNote(const std::string& s) override {
        strNote = s;
        ++nNotes;
    }
    void SetTicking(bool bOn) override { bTicking = bOn; }
    SummaryChoice ShowSummary(const SummaryRequest& s) override {
        summaries.push_back(s);
        return onSummary ? onSummary(s) : SummaryChoice::Done;
    }
    void AbortSummary() override { ++nAborts; }
    void Close() override { bShown = false; }

    bool bCanOpen = true;
    bool bShown = false;
    ProgressTexts texts;
    std::string strTitle;
    int nPos = -1;
    int nStarts = 0;
    int nAborts = 0;
    std::string strNote;
    int nNotes = 0;
    bool bTicking = false;
    std::vector<SummaryRequest> summaries;
    std::function<SummaryChoice(const SummaryRequest&)> onSummary;
};

std::string Answer(const std::string& retCode, const std::string& errorInfo = "") {
    return "HTTP/1.1 200 OK\r\nAlbum-RetCode: " + retCode + "\r\nError-Info: " + errorInfo + "\r\n\r\n";
}
const std::string kStoredAnswer = Answer("100", "上传成功");

class UploadBatchTest : public testing::Test {
protected:
    void SetUp() override { batch.SetPanel(&panel); }

    // Pictures p01.jpg ... of nBytes each, kept as they are, all queued.
    void AddPictures(int n, uint32_t nBytes) {
        for (int i = 0; i < n; ++i) {
            const std::string name = (i < 9 ? "p0" : "p") + std::to_string(i + 1) + ".jpg";
            UploadSource s{"C:\\pics\\" + name, "C:\\pics\\" + name, name, nBytes, nBytes, true};
            panel.queue.push_back(static_cast<int>(panel.items.size()));
            panel.items.push_back(s);
        }
    }
    // The picture in flight ends with this answer (headers empty: no answer at all).
    void Finish(const std::string& headers, TransferCode code = TransferCode::Complete) {
        ASSERT_TRUE(request.bInFlight) << "no picture in flight";
        request.bInFlight = false;
        nTick += 150;  // a picture's time: the dialog shows what follows
        request.strHeaders = headers;
        batch.OnFinished(code, "C:\\temp\\ANSWER00");
    }
    std::vector<std::string> Captions(const std::vector<int>& indices) const {
        std::vector<std::string> names;
        for (int i : indices) names.push_back(panel.items[static_cast<size_t>(i)].strCaption);
        return names;
    }
    std::string Field(size_t nRequest, const std::string& name) const {
        for (const auto& [n, v] : request.sent.at(nRequest).fields)
            if (n == name) return v;
        return "<none>";
    }

    CRcStrings texts;
    CFakeRequest request;
    CFakeView view;
    CFakePanel panel;
    uint32_t nTick = 1000;
    // The strings read from the resource script are UTF-8 here, which has no double-byte
    // characters; the tests of GBK text make a batch of their own.
    static bool NoLeadBytes(unsigned char) { return false; }
    CUploadBatch batch{request, view, texts, [this] { return nTick; }, NoLeadBytes};
};

using Names = std::vector<std::string>;

TEST_F(UploadBatchTest, ThirteenPicturesWithMixedVerdictsThenTheFailuresAgain) {
    AddPictures(13, 2048);
    view.onSummary = [](const SummaryRequest& s) {
        return s.bCanReupload ? SummaryChoice::Reupload : SummaryChoice::Done;
    };
    batch.StartBatch();
    EXPECT_EQ(view.texts.strCount, "已上传 0 个，共 13 个");
    EXPECT_EQ(view.texts.strBytes, "已上传 0 KB，共 26.00 KB");
    EXPECT_EQ(view.texts.strSpeed, "0 KB/秒");
    EXPECT_EQ(view.texts.strRemaining, "0.433秒");
    EXPECT_FALSE(panel.bEnabled);
    EXPECT_TRUE(batch.IsUploading());

    for (int i = 0; i < 13; ++i) {
        switch (i) {
        case 3: Finish(Answer("999", "签名错误")); break;
        case 6: Finish(Answer("1", "  上传数据不完整 ")); break;
        case 8: Finish("HTTP/1.1 200 OK\r\nError-Info: \r\n\r\n"); break;  // no verdict
        case 11: Finish("", TransferCode::Failed); break;                  // connection reset
        default: Finish(kStoredAnswer); break;
        }
        if (i == 0) EXPECT_EQ(view.texts.strCount, "已上传 1 个，共 13 个");
    }
    ASSERT_EQ(view.summaries.size(), 1u);
    const SummaryRequest& first = view.summaries[0];
    EXPECT_EQ(first.strMessage, "上传完毕，共 9 个成功，4 个失败。其中被服务器拒绝的文件将不予重新上传。");
    EXPECT_EQ(first.strListLabel, "上传失败文件列表：");
    ASSERT_EQ(first.rows.size(), 4u);
    EXPECT_EQ(first.rows[0].strName, "p04.jpg");
    EXPECT_EQ(first.rows[0].strStatus, "被服务器拒绝，原因：签名错误");
    EXPECT_EQ(first.rows[1].strStatus, "上传数据不完整");
    EXPECT_EQ(first.rows[2].strStatus, "未知，可能网络中断或服务器忙！");
    EXPECT_EQ(first.rows[3].strStatus, "网络连接中断，服务器没有应答");
    EXPECT_TRUE(first.bCanReupload);

    // The re-upload pass sends exactly the three failures that were not rejected.
    for (const char* name : {"p07.jpg", "p09.jpg", "p12.jpg"}) {
        EXPECT_EQ(request.sent.back().path, std::string("C:\\pics\\") + name);
        Finish(kStoredAnswer);
    }
    EXPECT_EQ(request.sent.size(), 16u);

    ASSERT_EQ(view.summaries.size(), 2u);
    EXPECT_EQ(view.summaries[1].strMessage, "上传完毕，共 12 个成功，0 个失败。");
    EXPECT_FALSE(view.summaries[1].bShowList) << "nothing failed: a message box, no list";
    EXPECT_EQ(Captions(batch.Succeeded()), (Names{"p07.jpg", "p09.jpg", "p12.jpg"}));
    EXPECT_TRUE(batch.Rejected().empty()) << "the rejected picture is not listed again";
    EXPECT_DOUBLE_EQ(panel.dUsedKB, 100 + 12 * 2);
    EXPECT_EQ(panel.nFinished, 1);
    EXPECT_TRUE(panel.bEnabled);
    EXPECT_FALSE(view.bShown);
    EXPECT_FALSE(batch.IsUploading());
    EXPECT_EQ(request.nDiscarded, 2) << "each pass lets its answer file go";
    EXPECT_EQ(view.strTitle, "已完成 100％ - 上传进度");
    EXPECT_EQ(view.texts.strBytes, "已上传 6.00 KB，共 6.00 KB");
    EXPECT_EQ(view.texts.strRemaining, "0 秒");
    EXPECT_EQ(view.nPos, 100);
}

TEST_F(UploadBatchTest, FormFieldsOfOnePicture) {
    AddPictures(1, 1946);  // 1.9 KB
    panel.items[0].strCaption = "IMG_01.JPG";
    batch.StartBatch();
    ASSERT_EQ(request.sent.size(), 1u);
    const auto& sent = request.sent[0];
    std::vector<std::string> names;
    for (const auto& f : sent.fields) names.push_back(f.first);
    EXPECT_EQ(names, (Names{"signature", "albumname", "imgfile", "filesize", "kxuin"}));
    EXPECT_EQ(Field(0, "signature"), "sig");
    EXPECT_EQ(Field(0, "albumname"), "Travel");
    EXPECT_EQ(Field(0, "imgfile"), "img_01.jpg");
    EXPECT_EQ(Field(0, "filesize"), "1.90");
    EXPECT_EQ(Field(0, "kxuin"), "10001");
    EXPECT_EQ(sent.fileField, "album");
    EXPECT_EQ(sent.url, "http://127.0.0.1/upload");
    Finish(kStoredAnswer);
    EXPECT_DOUBLE_EQ(panel.dUsedKB, 101) << "whole kilobytes of what was stored";
    EXPECT_EQ(view.summaries.at(0).strMessage, "上传完毕，共 1 个成功，0 个失败。");
}

TEST_F(UploadBatchTest, FileSentFollowsTheAutoCompressBox) {
    AddPictures(1, 500 * 1024);
    panel.items[0].bKeptAsIs = false;
    panel.items[0].strUploadPath = "C:\\temp\\DORivav1.tmp";
    panel.items[0].nUploadSize = 100 * 1024;
    batch.StartBatch();
    EXPECT_EQ(request.sent.at(0).path, "C:\\temp\\DORivav1.tmp");
    EXPECT_EQ(Field(0, "filesize"), "100.00");
    EXPECT_EQ(Field(0, "imgfile"), "p01.jpg");
    Finish(kStoredAnswer);

    panel.settings.bAutoCompress = false;
    panel.queue = {0};
    batch.StartBatch();
    EXPECT_EQ(request.sent.at(1).path, "C:\\pics\\p01.jpg");
    EXPECT_EQ(Field(1, "filesize"), "500.00");
}

TEST_F(UploadBatchTest, SettingsChangedDuringAPassWaitForTheNextPass) {
    AddPictures(3, 2048);
    view.onSummary = [](const SummaryRequest& s) {
        return s.bCanReupload ? SummaryChoice::Reupload : SummaryChoice::Done;
    };
    batch.StartBatch();
    // A script retargets the control while the first picture is in flight.
    panel.settings = UploadSettings{"other", "Elsewhere", "http://127.0.0.2/steal", 666, false};
    Finish("", TransferCode::Failed);
    Finish(kStoredAnswer);
    ASSERT_EQ(request.sent.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(request.sent[i].url, "http://127.0.0.1/upload") << i;
        EXPECT_EQ(Field(i, "signature"), "sig") << i;
        EXPECT_EQ(Field(i, "albumname"), "Travel") << i;
        EXPECT_EQ(Field(i, "kxuin"), "10001") << i;
    }
    // "重新上传" is the user's click again: that pass takes the settings as they are then.
    Finish(kStoredAnswer);
    ASSERT_EQ(request.sent.size(), 4u);
    EXPECT_EQ(request.sent[3].url, "http://127.0.0.2/steal");
    EXPECT_EQ(Field(3, "signature"), "other");
}

TEST_F(UploadBatchTest, ImageFieldNameIsTheLowerCasedCaption) {
    struct Case {
        const char* caption;
        const char* file;
        const char* field;
    } cases[] = {
        {"IMG_01.JPG", "C:\\pics\\IMG_01.JPG", "img_01.jpg"},
        {"IMG_01.JPG", "C:\\temp\\DORivav2.tmp", "img_01.jpg"},
        {"Anim.GIF", "C:\\pics\\Anim.GIF", "anim.gif"},
        // A GIF sent as some other file went up as a JPEG copy.
        {"Anim.GIF", "C:\\temp\\DORivav3.tmp", "anim.jpg"},
        // A trail byte that looks like a capital letter is not one.
        {"\x81\x41\xB0\x5A.GIF", "C:\\pics\\\x81\x41\xB0\x5A.GIF", "\x81\x41\xB0\x5A.gif"},
    };
    const CUploadBatch gbkBatch{request, view, texts, [] { return 0u; }, IsGbkLeadByte};
    for (const Case& c : cases) {
        UploadItem item;
        item.strName = c.caption;
        item.strFile = c.file;
        EXPECT_EQ(gbkBatch.ImageFieldName(item), c.field) << c.caption << " sent as " << c.file;
    }
}

TEST_F(UploadBatchTest, RetCodeValuesAreReadAsDecimalNumbers) {
    enum Kind { Stored, Rejected, Failed };
    const std::pair<std::string, Kind> cases[] = {
        {"100", Stored},   {" 100 ", Stored},  {"+100", Stored},       {"100abc", Stored},
        {"999", Rejected}, {"0999", Rejected}, {"-1", Failed},         {"99999999999", Failed},
        {"", Failed},      {"abc", Failed},    {"4294967396", Failed}, {"-4294967196", Failed},
    };
    AddPictures(static_cast<int>(std::size(cases)), 1024);
    batch.StartBatch();
    for (const auto& c : cases) Finish(Answer(c.first, "x"));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const int n = static_cast<int>(i);
        auto in = [n](const std::vector<int>& v) { return std::find(v.begin(), v.end(), n) != v.end(); };
        const Kind got = in(batch.Succeeded()) ? Stored : in(batch.Rejected()) ? Rejected : Failed;
        EXPECT_EQ(got, cases[i].second) << "Album-RetCode: \"" << cases[i].first << "\"";
    }
}

TEST_F(UploadBatchTest, ErrorInfoIsTheReasonTrimmedAndCutToWholeCharacters) {
    const std::string gbk = "\xC7\xA9\xC3\xFB\xB4\xED\xCE\xF3";  // GBK text
    const std::string invalid = "\xFF\xFE\x81";                  // no valid multibyte text
    const std::string huge(10240, 'e');
    // Cut to 1 KiB of whole characters: the lead byte at 1023 goes with its character.
    const std::string cutInCharacter = std::string(1023, 'a') + gbk;
    const std::string reasons[] = {gbk, invalid, huge, cutInCharacter};
    AddPictures(5, 1024);
    CUploadBatch gbkBatch{request, view, texts, [] { return 0u; }, IsGbkLeadByte};
    gbkBatch.SetPanel(&panel);
    gbkBatch.StartBatch();
    for (const std::string& r : reasons) {
        request.strHeaders = Answer("999", "\t" + r + "  ");
        gbkBatch.OnFinished(TransferCode::Complete, "");
    }
    request.strHeaders = "HTTP/1.1 200 OK\r\nAlbum-RetCode: 999\r\n\r\n";
    gbkBatch.OnFinished(TransferCode::Complete, "");
    EXPECT_EQ(gbkBatch.RejectedWhy(),
              (Names{gbk, invalid, huge.substr(0, 1024), std::string(1023, 'a'), "未知，可能网络中断或服务器忙！"}));
}

TEST_F(UploadBatchTest, JobsThatEndWithoutAnAnswerFailWithTheirReason) {
    const std::pair<TransferCode, const char*> cases[] = {
        {TransferCode::LocalFileError, "无法读取文件，它可能已被删除、改名或正被其他程序独占"},
        {TransferCode::AnswerFileError, "无法写入临时文件夹，没有上传"},
        {TransferCode::HostNotFound, "找不到服务器"},
        {TransferCode::Failed, "网络连接中断，服务器没有应答"},
        {TransferCode::Incomplete, "网络连接中断，服务器没有应答"},
    };
    AddPictures(static_cast<int>(std::size(cases)) + 3, 1024);
    batch.StartBatch();
    Finish(kStoredAnswer);
    for (const auto& c : cases) Finish("", c.first);
    // An answer that is no 200 never stores a picture, whatever its headers say.
    Finish("HTTP/1.1 503 Unavailable\r\nAlbum-RetCode: 100\r\n\r\n", TransferCode::Unavailable);
    Finish("HTTP/1.1 503 Unavailable\r\nServer: x\r\n\r\n", TransferCode::Unavailable);
    Names expected;
    for (const auto& c : cases) expected.push_back(c.second);
    expected.push_back("服务器应答出错，图片没有保存");
    expected.push_back("服务器暂时不可用，请稍后重试");
    EXPECT_EQ(batch.FailedWhy(), expected);
    EXPECT_EQ(batch.Succeeded().size(), 1u) << "the first answer's 100 is not the others' verdict";
}

TEST_F(UploadBatchTest, AStoredVerdictCountsWhateverBecameOfTheAnswersBody) {
    // Cut short or reset, not written to the temporary folder, longer than is kept.
    const TransferCode bodyFates[] = {TransferCode::Incomplete, TransferCode::AnswerFileError, TransferCode::Failed};
    AddPictures(static_cast<int>(std::size(bodyFates)), 1024);
    batch.StartBatch();
    for (TransferCode code : bodyFates) Finish(kStoredAnswer, code);
    EXPECT_EQ(batch.Succeeded().size(), std::size(bodyFates)) << testing::PrintToString(batch.FailedWhy());
    EXPECT_EQ(view.summaries.at(0).strMessage, "上传完毕，共 3 个成功，0 个失败。");
}

// The transfer would not go on: its own reason stands, even where the answer it refused (a
// redirect, a 401) carried verdict headers.
TEST_F(UploadBatchTest, TransferRefusalsFailWithTheirOwnReason) {
    const std::pair<TransferCode, const char*> cases[] = {
        {TransferCode::CertificateUntrusted, "服务器的安全证书不受信任，没有上传"},
        {TransferCode::CertificateWrongHost, "服务器的安全证书与网站名称不符，没有上传"},
        {TransferCode::CertificateExpired, "服务器的安全证书已过期或尚未生效，没有上传"},
        {TransferCode::SecureConnectionFailed, "无法与服务器建立安全连接，没有上传"},
        {TransferCode::InsecureRedirect, "服务器要把图片转到不加密的地址，为安全起见没有转发"},
        {TransferCode::RedirectRefused, "服务器要把图片转到别的网站，为安全起见没有转发"},
        {TransferCode::AuthenticationRequired, "服务器要求输入用户名和密码，图片没有保存"},
    };
    AddPictures(static_cast<int>(std::size(cases)), 1024);
    batch.StartBatch();
    for (const auto& c : cases) Finish("HTTP/1.1 302 Found\r\nAlbum-RetCode: 999\r\nError-Info: x\r\n\r\n", c.first);
    Names expected;
    for (const auto& c : cases) expected.push_back(c.second);
    EXPECT_EQ(batch.FailedWhy(), expected);
    EXPECT_TRUE(batch.RejectedWhy().empty()) << "offered again once the site is mended";
}

TEST_F(UploadBatchTest, PicturesThatCannotBeSentFailAtOnceAndThePassGoesOn) {
    struct Spoil {
        const char* what;
        void (*apply)(CFakePanel&, CFakeRequest&);
        const char* reason;
        bool bEveryPicture = false;
    } cases[] = {
        {"not prepared",
         [](CFakePanel& p, CFakeRequest&) {
             p.items[0].bKeptAsIs = false;
             p.items[0].strUploadPath.clear();
             p.items[0].nUploadSize = 0;
         },
         "无法处理这张图片，没有上传"},
        {"empty copy",
         [](CFakePanel& p, CFakeRequest&) {
             p.items[0].bKeptAsIs = false;
             p.items[0].strUploadPath = "C:\\temp\\DORivav4.tmp";
             p.items[0].nUploadSize = 0;
         },
         "文件是空的，没有上传"},
        {"empty file", [](CFakePanel& p, CFakeRequest&) { p.items[0].nFileSize = 0; }, "文件是空的，没有上传"},
        {"no address", [](CFakePanel& p, CFakeRequest&) { p.settings.strUploadCGI.clear(); }, "上传地址无效，没有上传",
         true},
        {"refused address", [](CFakePanel&, CFakeRequest& r) { r.refusal = StartRefusal::BadAddress; },
         "上传地址无效，没有上传", true},
        {"no worker", [](CFakePanel&, CFakeRequest& r) { r.refusal = StartRefusal::NoWorker; },
         "系统资源不足，没有上传", true},
        {"gone from the list", [](CFakePanel& p, CFakeRequest&) { p.queue[0] = 99; }, "无法处理这张图片，没有上传"},
    };
    for (const Spoil& c : cases) {
        SCOPED_TRACE(c.what);
        CFakePanel p;
        CFakeRequest r;
        CFakeView v;
        CUploadBatch b{r, v, texts, [] { return 0u; }, IsGbkLeadByte};
        b.SetPanel(&p);
        for (int i = 0; i < 2; ++i) {
            const std::string name = "q" + std::to_string(i) + ".jpg";
            p.items.push_back(UploadSource{"C:\\" + name, "C:\\" + name, name, 2048, 2048, true});
            p.queue.push_back(i);
        }
        c.apply(p, r);
        b.StartBatch();
        if (c.bEveryPicture) {
            EXPECT_EQ(b.FailedWhy(), (Names{c.reason, c.reason}));
            EXPECT_EQ(v.summaries.size(), 1u) << "every picture failed at once: the summary follows";
            continue;
        }
        ASSERT_EQ(b.FailedWhy(), (Names{c.reason}));
        ASSERT_TRUE(r.bInFlight) << "the next picture is on its way";
        EXPECT_EQ(r.sent.back().path, "C:\\q1.jpg");
    }
}

TEST_F(UploadBatchTest, CancelDuringTheLastPicture) {
    AddPictures(5, 3072);
    batch.StartBatch();
    for (int i = 0; i < 4; ++i) Finish(kStoredAnswer);
    batch.OnCancelRequested();
    EXPECT_EQ(request.nCancels, 1);
    ASSERT_EQ(view.summaries.size(), 1u);
    const SummaryRequest& s = view.summaries[0];
    EXPECT_EQ(s.strMessage, "上传已被取消，您已成功上传了4个文件，剩余1个文件被取消了。");
    EXPECT_TRUE(s.bCancelMode);
    EXPECT_FALSE(s.bCanReupload);
    EXPECT_EQ(s.strListLabel, "已成功上传的文件列表：");
    ASSERT_EQ(s.rows.size(), 4u);
    EXPECT_EQ(s.rows[3].strName, "p04.jpg");
    EXPECT_EQ(s.rows[3].strStatus, "该文件已上传");
    EXPECT_DOUBLE_EQ(panel.dUsedKB, 100 + 4 * 3);
    EXPECT_TRUE(panel.bEnabled);
    EXPECT_FALSE(view.bShown);
    EXPECT_EQ(panel.nFinished, 0) << "a cancelled batch fires nothing";
    EXPECT_EQ(panel.queue, (std::vector<int>{4})) << "the unsent picture stays queued";

    // A late completion of the cancelled job changes nothing; the next batch works.
    batch.OnFinished(TransferCode::Complete, "");
    EXPECT_EQ(batch.Succeeded().size(), 4u);
    batch.StartBatch();
    Finish(kStoredAnswer);
    EXPECT_EQ(panel.nFinished, 1);
}

TEST_F(UploadBatchTest, CancelInTheFirstPictureListsNothing) {
    AddPictures(3, 1024);
    batch.StartBatch();
    batch.OnCancelRequested();
    const SummaryRequest& s = view.summaries.at(0);
    EXPECT_EQ(s.strMessage, "上传已被取消，您已成功上传了0个文件，剩余3个文件被取消了。");
    EXPECT_TRUE(s.bShowList);
    EXPECT_TRUE(s.rows.empty());
}

TEST_F(UploadBatchTest, ProgressTextsTitleAndBar) {
    AddPictures(2, 10 * 1024);
    batch.StartBatch();
    nTick = 2000;
    batch.OnProgress(5 * 1024, 0);
    EXPECT_EQ(view.texts.strBytes, "已上传 5.00 KB，共 20.00 KB");
    EXPECT_EQ(view.strTitle, "已完成 25％ - 上传进度");
    EXPECT_EQ(view.nPos, 25);
    EXPECT_EQ(view.texts.strSpeed, "0 KB/秒") << "the first report only sets the reference";
    nTick = 2020;
    batch.OnProgress(6 * 1024, 0);
    // Every report sets the texts, the title and the bar, however soon after the last.
    EXPECT_EQ(view.texts.strBytes, "已上传 6.00 KB，共 20.00 KB");
    EXPECT_EQ(view.strTitle, "已完成 30％ - 上传进度");
    EXPECT_EQ(view.nPos, 30);
    EXPECT_EQ(view.texts.strSpeed, "0 KB/秒") << "no speed is measured over 20 ms";
    nTick = 2520;
    batch.OnProgress(11 * 1024, 0);  // framing takes the amount past the picture
    EXPECT_EQ(view.texts.strSpeed, "10.00 KB/秒");
    EXPECT_EQ(view.texts.strRemaining, "0.900秒");
    Finish(kStoredAnswer);
    nTick = 3020;
    batch.OnProgress(21 * 1024, 0);  // 10 + 21 KB of a 20 KB pass
    EXPECT_EQ(view.strTitle, "已完成 55％ - 上传进度") << "100 % and more never shows before the end";
    EXPECT_EQ(view.nPos, 100);
}

TEST_F(UploadBatchTest, AbortWhileTheSummaryIsUp) {
    AddPictures(2, 1024);
    view.onSummary = [this](const SummaryRequest&) {
        batch.Abort();  // the folder changes, or the control goes, under the summary
        return SummaryChoice::Reupload;
    };
    batch.StartBatch();
    Finish(Answer("5"));
    Finish(kStoredAnswer);
    EXPECT_EQ(view.nAborts, 1);
    EXPECT_EQ(panel.nFinished, 0);
    EXPECT_TRUE(panel.bEnabled);
    EXPECT_EQ(request.sent.size(), 2u) << "no re-upload after an abort";
}

TEST_F(UploadBatchTest, AbortDuringAPassCancelsTheJobAndCountsWhatWasStored) {
    AddPictures(3, 2048);
    batch.StartBatch();
    Finish(kStoredAnswer);
    batch.Abort();
    EXPECT_EQ(request.nCancels, 1);
    EXPECT_FALSE(batch.IsUploading());
    EXPECT_TRUE(panel.queue.empty());
    EXPECT_DOUBLE_EQ(panel.dUsedKB, 102);
    EXPECT_TRUE(view.summaries.empty());
    EXPECT_EQ(panel.nFinished, 0);
}

// The batch as its journal sees it: each picture is on disk as sent before its request starts
// (the request waits for the recorder), each verdict with the next picture's start or right
// after the pass; a batch with nothing left, or whose end the user saw, removes it.
TEST_F(UploadBatchTest, TheJournalFollowsEveryPictureAndGoesWithTheBatch) {
    CMemoryJournalDisk disk;
    CPassRecorder recorder(disk, NoLeadBytes, [] {});
    recorder.SetRecordedHandler([this] { batch.OnSendingRecorded(); });
    batch.SetObserver(&recorder);
    // What the panel's message does once the writer's wake comes.
    const auto written = [&] {
        ASSERT_TRUE(recorder.Flush(5000));
        recorder.OnWritten();
    };
    AddPictures(3, 1024);
    for (const UploadSource& item : panel.items) disk.pictures[item.strPath] = FileStamp{1024, 5};
    const std::string name = CPassJournal::FileNameFor(10001, "Travel");
    const auto states = [&] {
        std::string text;
        if (const auto bytes = disk.Read(name, CPassJournal::kMaxBytes))
            if (const auto journal = CPassJournal::Parse(*bytes, NoLeadBytes))
                for (const JournalPicture& p : journal->Pictures()) text += static_cast<char>(p.state);
        return text;
    };
    std::vector<std::string> atEachRequest;
    request.onStart = [&] { atEachRequest.push_back(states()); };
    view.onSummary = [&](const SummaryRequest& s) {
        EXPECT_TRUE(recorder.Flush(5000));
        atEachRequest.push_back("summary " + states());
        return s.bCanReupload ? SummaryChoice::Reupload : SummaryChoice::Done;
    };
    batch.StartBatch();
    for (const char* answer : {"100", "5", "100", "100"}) {
        written();
        Finish(Answer(answer));
    }
    // Each request starts with its own picture recorded as sending; later changes may still
    // be on their way to the disk.
    ASSERT_EQ(atEachRequest.size(), 6u);
    const int arrSent[] = {0, 1, 2, -1, 1};
    for (int i = 0; i < 5; ++i)
        if (arrSent[i] >= 0) EXPECT_EQ(atEachRequest[i].at(arrSent[i]), 's') << "request " << i;
    EXPECT_EQ(atEachRequest[3], "summary kfk");
    EXPECT_EQ(atEachRequest[5], "summary ");
    ASSERT_TRUE(recorder.Flush(5000));
    EXPECT_FALSE(disk.files.count(name));
    EXPECT_TRUE(disk.claimed.empty());
    EXPECT_EQ(panel.nFinished, 1);

    // Torn down with the page: what is left stays. Cancelled, even while a request waits for
    // the disk: the user has seen the end, and the request never starts.
    panel.queue = {0, 1};
    batch.StartBatch();
    written();
    Finish(kStoredAnswer);
    batch.Abort();
    ASSERT_TRUE(recorder.Flush(5000));
    EXPECT_EQ(states(), "ks");
    panel.queue = {0, 1};
    request.sent.clear();
    view.onSummary = nullptr;
    disk.Hold();
    batch.StartBatch();
    batch.OnCancelRequested();
    disk.Release();
    written();
    EXPECT_TRUE(request.sent.empty());
    ASSERT_TRUE(recorder.Flush(5000));
    EXPECT_FALSE(disk.files.count(name));
    EXPECT_TRUE(disk.claimed.empty());
}

// A resumed batch's first summary lists the picture that may be in the album already and
// those that could not be sent again, even when every picture sent was stored.
TEST_F(UploadBatchTest, AResumedBatchsSummaryCarriesItsNotes) {
    AddPictures(3, 1024);
    PassNotes notes;
    notes.arrMaybeStored = {0, 2};
    notes.arrNotSent = {ResultRow{"gone.jpg", "文件已被删除或移走，没有上传"}};
    view.onSummary = [](const SummaryRequest& s) {
        return s.bCanReupload ? SummaryChoice::Reupload : SummaryChoice::Done;
    };
    batch.StartBatch(notes);
    Finish(kStoredAnswer);
    Finish(kStoredAnswer);
    Finish(Answer("1", "忙"));
    Finish(kStoredAnswer);  // the re-upload pass
    ASSERT_EQ(view.summaries.size(), 2u);
    const SummaryRequest& first = view.summaries[0];
    EXPECT_EQ(first.strMessage, "上传完毕，共 2 个成功，2 个失败。其中被服务器拒绝的文件将不予重新上传。");
    EXPECT_TRUE(first.bShowList);
    EXPECT_TRUE(first.bCanReupload);
    ASSERT_EQ(first.rows.size(), 3u);
    EXPECT_EQ(first.rows[0].strName, "p03.jpg");
    EXPECT_EQ(first.rows[0].strStatus, "忙 可能已保存，请在相册中检查");
    EXPECT_EQ(first.rows[1].strName, "p01.jpg");
    EXPECT_EQ(first.rows[1].strStatus, "可能已保存，请在相册中检查");
    EXPECT_EQ(first.rows[2].strName, "gone.jpg");
    EXPECT_FALSE(first.bStatusColumn) << "with failures of its own the column gives reasons";
    EXPECT_FALSE(view.summaries[1].bShowList) << "the notes belong to the first summary only";

    // All stored, one note: the list has its own label.
    view.summaries.clear();
    panel.queue = {1};
    batch.StartBatch(PassNotes{{1}, {}});
    Finish(kStoredAnswer);
    ASSERT_EQ(view.summaries.size(), 1u);
    EXPECT_EQ(view.summaries[0].strListLabel, "继续上传的文件列表：");
    EXPECT_TRUE(view.summaries[0].bStatusColumn);
    EXPECT_FALSE(view.summaries[0].bCanReupload);
}

// While a picture waits for a retry the note counts down in whole seconds; the bar and the
// bytes stay where they were, and the next attempt takes the note away.
TEST_F(UploadBatchTest, RetryWaitCountsDownInTheNote) {
    AddPictures(1, 20480);
    batch.StartBatch();
    EXPECT_TRUE(view.bTicking) << "the clock runs for the pass";
    batch.OnProgress(10240, 20666);
    const int nPos = view.nPos;
    const std::string strBytes = view.texts.strBytes;
    struct Step {
        uint32_t nAfterMs;  // since the wait was heard
        const char* note;
    };
    batch.OnRetryWait(12000, RetryWait::Busy);
    const uint32_t nStart = nTick;
    EXPECT_EQ(view.strNote, "服务器繁忙，12 秒后重试…");
    for (const Step& step : {Step{250, "服务器繁忙，12 秒后重试…"}, Step{1000, "服务器繁忙，11 秒后重试…"},
                             Step{11001, "服务器繁忙，1 秒后重试…"}, Step{12500, "服务器繁忙，1 秒后重试…"}}) {
        nTick = nStart + step.nAfterMs;
        batch.OnTick();
        EXPECT_EQ(view.strNote, step.note) << step.nAfterMs;
    }
    EXPECT_EQ(view.nPos, nPos);
    EXPECT_EQ(view.texts.strBytes, strBytes);
    batch.OnConnecting("127.0.0.1");
    EXPECT_EQ(view.strNote, "");

    batch.OnRetryWait(1000, RetryWait::Broken);
    EXPECT_EQ(view.strNote, "网络连接中断，1 秒后重试…");
    batch.OnCancelRequested();
    EXPECT_EQ(view.strNote, "") << "a cancel ends the wait and its note";
    EXPECT_FALSE(view.bTicking);
}

// After the last byte the picture waits for the server's answer: said after half a second,
// and gone as soon as the answer comes.
TEST_F(UploadBatchTest, AnswerAwaitedAfterTheLastByteIsSaid) {
    AddPictures(2, 20480);
    batch.StartBatch();
    batch.OnProgress(20666, 20666);
    nTick += CUploadBatch::kAnswerNoteDelayMs - 1;
    batch.OnTick();
    EXPECT_EQ(view.strNote, "") << "a prompt answer never shows the note";
    nTick += 1;
    batch.OnTick();
    EXPECT_EQ(view.strNote, "正在等待服务器确认…");
    EXPECT_EQ(view.strTitle, "已完成 50％ - 上传进度") << "the title still shows the bytes";
    batch.OnResponse();
    EXPECT_EQ(view.strNote, "");

    // An answer that ends the picture takes the note away too, before the next is sent.
    Finish(kStoredAnswer);
    batch.OnProgress(20666, 20666);
    nTick += 5000;
    batch.OnTick();
    EXPECT_EQ(view.strNote, "正在等待服务器确认…");
    const int nNotes = view.nNotes;
    batch.OnTick();
    EXPECT_EQ(view.nNotes, nNotes) << "an unchanged note is not set again";
    Finish(kStoredAnswer);
    EXPECT_EQ(view.strNote, "");
    EXPECT_FALSE(view.bTicking) << "the clock stops with the pass";
}

}  // namespace
