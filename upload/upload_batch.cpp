#include "upload/upload_batch.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "imaging/picture_file.h"
#include "base/mbcs_text.h"
#include "res/resource.h"

namespace {

constexpr uint32_t kStored = 100;
constexpr uint32_t kRejected = 999;
const char kRetCodeHeader[] = "Album-RetCode";
const char kErrorInfoHeader[] = "Error-Info";
const char kFileField[] = "album";
// The first estimate of a pass assumes this speed, in KB per second.
constexpr double kFirstSpeedKBps = 60.0;

// ASCII letters only, character by character: in a double-byte code page a trail byte may
// be a capital letter that is not one.
std::string ToLowerAscii(const std::string& text, LeadByteTest pfnIsLead) {
    std::string lower = text;
    for (size_t i = 0; i < lower.size(); ++i) {
        const auto c = static_cast<unsigned char>(lower[i]);
        if (pfnIsLead(c))
            ++i;
        else if (c >= 'A' && c <= 'Z')
            lower[i] = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// A '.' is never a trail byte, so a byte search finds only whole ".gif"s.
void ReplaceGifWithJpg(std::string& name) {
    for (size_t pos = name.find(".gif"); pos != std::string::npos; pos = name.find(".gif", pos + 4))
        name.replace(pos, 4, ".jpg");
}

double WholeKB(double dKB) { return std::floor(dKB); }

// The picture file itself goes up when "自动压缩" is clear or the picture is kept as it is;
// otherwise its prepared copy.
bool SendsPictureFile(const UploadSource& source, bool bAutoCompress) { return !bAutoCompress || source.bKeptAsIs; }
uint32_t SentBytes(const UploadSource& source, bool bPictureFile) {
    return bPictureFile ? source.nFileSize : source.nUploadSize;
}

// The transfer would not go on (a certificate, a redirect, a demand for a password): whatever
// headers came with the answer, the verdict is the transfer's own.
bool IsTransferRefusal(TransferCode nCode) {
    switch (nCode) {
    case TransferCode::CertificateUntrusted:
    case TransferCode::CertificateWrongHost:
    case TransferCode::CertificateExpired:
    case TransferCode::SecureConnectionFailed:
    case TransferCode::InsecureRedirect:
    case TransferCode::RedirectRefused:
    case TransferCode::AuthenticationRequired: return true;
    default: return false;
    }
}

// A server's reason is shown in one cell of a list: more than this helps nobody, and the
// lists of a long batch must not hold megabytes of headers.
constexpr size_t kMaxReasonBytes = 1024;

// At most nMax bytes of whole characters; a lead byte without its trail byte goes too.
std::string CutToCharacters(const std::string& text, size_t nMax, LeadByteTest pfnIsLead) {
    size_t nEnd = 0;
    while (nEnd < text.size()) {
        const size_t nNext = nEnd + (pfnIsLead(static_cast<unsigned char>(text[nEnd])) ? 2 : 1);
        if (nNext > text.size() || nNext > nMax) break;
        nEnd = nNext;
    }
    return text.substr(0, nEnd);
}

}  // namespace

CUploadBatch::CUploadBatch(CUploadRequest& request, CProgressView& progress, const CTextSource& texts, TickSource tick,
                           LeadByteTest pfnIsLead)
    : m_request(request), m_progress(progress), m_textSource(texts), m_tick(std::move(tick)), m_pfnIsLead(pfnIsLead) {}

CUploadBatch::~CUploadBatch() {
    // Nobody hears the end of a job that outlives its batch.
    if (m_bUploading) m_request.Cancel();
}

bool CUploadBatch::PeekHead(UploadItem& item) const {
    if (!m_pPanel) return false;
    const std::vector<int>& queue = m_pPanel->UploadQueue();
    if (queue.empty()) return false;
    UploadItem head;
    head.nIndex = queue.front();
    UploadSource source;
    if (m_pPanel->GetUploadSource(head.nIndex, source)) {
        const bool bOriginal = SendsPictureFile(source, IsAutoCompress());
        head.strFile = bOriginal ? source.strPath : source.strUploadPath;
        head.dSizeKB = SentBytes(source, bOriginal) / 1024.0;
        head.strName = source.strCaption;
    }
    item = std::move(head);
    return true;
}

double CUploadBatch::QueueTotalKB() const {
    if (!m_pPanel) return 0;
    const bool bAuto = IsAutoCompress();
    double dTotal = 0;
    for (int nIndex : m_pPanel->UploadQueue()) {
        UploadSource source;
        if (!m_pPanel->GetUploadSource(nIndex, source)) continue;
        dTotal += SentBytes(source, SendsPictureFile(source, bAuto)) / 1024.0;
    }
    return dTotal;
}

std::string CUploadBatch::ImageFieldName(const UploadItem& item) const {
    std::string name = ToLowerAscii(item.strName, m_pfnIsLead);
    if (ClassifyPictureFile(name, m_pfnIsLead) == PictureType::Jpeg) return name;
    if (GetFileNamePart(item.strFile, m_pfnIsLead) != item.strName) ReplaceGifWithJpg(name);
    return name;
}

void CUploadBatch::StartBatch(PassNotes notes) {
    if (!m_pPanel || m_bUploading || m_bInSummary || m_pPanel->UploadQueue().empty()) return;
    if (!m_progress.Open()) return;
    m_dDoneKB = 0;
    m_dSucceededKB = 0;
    m_nSucceededTotal = 0;
    m_notes = std::move(notes);
    if (m_pObserver) m_pObserver->OnBatchStarted(m_pPanel->GetUploadSettings(), QueuedPictures());
    StartPass();
}

std::vector<QueuedPicture> CUploadBatch::QueuedPictures() const {
    std::vector<QueuedPicture> pictures;
    for (int nIndex : m_pPanel->UploadQueue()) {
        UploadSource source;
        if (m_pPanel->GetUploadSource(nIndex, source)) pictures.push_back(QueuedPicture{nIndex, source.strPath});
    }
    return pictures;
}

void CUploadBatch::Reupload() {
    if (!m_pPanel || m_bUploading || m_arrFailed.empty()) return;
    std::vector<int>& queue = m_pPanel->UploadQueue();
    queue.insert(queue.end(), m_arrFailed.begin(), m_arrFailed.end());
    m_dDoneKB = 0;
    m_dSucceededKB = 0;
    StartPass();
}

void CUploadBatch::StartPass() {
    m_settings = m_pPanel->GetUploadSettings();
    UploadItem head;
    if (!PeekHead(head)) return;
    m_texts.strFileName = head.strName;
    m_dTotalKB = QueueTotalKB();
    m_texts.strBytes = FormatText(Text(IDS_BYTES_START), m_dTotalKB);
    m_nPassCount = static_cast<int>(m_pPanel->UploadQueue().size());
    m_texts.strCount = FormatText(Text(IDS_COUNT_START), m_nPassCount);
    m_texts.strRemaining = FormatRemainingTime(m_dTotalKB, kFirstSpeedKBps, m_textSource);
    m_texts.strSpeed = Text(IDS_SPEED_START);
    m_progress.Show();
    ShowTexts();
    m_pPanel->EnableInput(false);
    m_bUploading = true;
    m_progress.SetTicking(true);
    m_arrRejected.clear();
    m_arrRejectedWhy.clear();
    m_arrFailed.clear();
    m_arrFailedWhy.clear();
    m_arrSucceeded.clear();
    SendNext();
}

void CUploadBatch::SendNext() {
    UploadItem item;
    while (m_bUploading && PeekHead(item)) {
        m_texts.strFileName = item.strName;
        ShowTexts();
        m_progress.StartProgressDisplay();
        const std::vector<int>& queue = m_pPanel->UploadQueue();
        const int nFollowing = queue.size() > 1 ? queue[1] : -1;
        if (m_pObserver && !m_pObserver->OnSending(item.nIndex, nFollowing)) {
            m_bAwaitingRecord = true;
            return;
        }
        if (StartHead(item)) return;
    }
    if (m_bUploading) EndPass();
}

void CUploadBatch::OnSendingRecorded() {
    if (!m_bAwaitingRecord) return;
    m_bAwaitingRecord = false;
    UploadItem item;
    if (!m_bUploading || !PeekHead(item)) return;
    if (!StartHead(item)) SendNext();
}

bool CUploadBatch::StartHead(const UploadItem& item) {
    std::string strWhy;
    if (UploadOne(item, strWhy)) return true;
    FinishHead(Verdict::Failed, strWhy);
    return false;
}

bool CUploadBatch::UploadOne(const UploadItem& item, std::string& strWhy) {
    const UploadSettings& settings = m_settings;
    if (item.strFile.empty()) {
        strWhy = Text(IDS_REASON_NOT_PREPARED);
        return false;
    }
    // An empty file is no picture: the server would only store nothing under its name.
    if (item.dSizeKB <= 0) {
        strWhy = Text(IDS_REASON_FILE_EMPTY);
        return false;
    }
    if (settings.strUploadCGI.empty()) {
        strWhy = Text(IDS_REASON_NO_ADDRESS);
        return false;
    }
    m_request.ResetForm();
    m_request.AddField("signature", settings.strSignature);
    m_request.AddField("albumname", settings.strAlbumName);
    m_request.AddField("imgfile", ImageFieldName(item));
    m_request.AddField("filesize", FormatText("%.2f", item.dSizeKB));
    m_request.AddField("kxuin", FormatText("%ld", settings.nKXUin));
    switch (m_request.StartUpload(kFileField, settings.strUploadCGI, item.strFile)) {
    case StartRefusal::None: return true;
    case StartRefusal::BadAddress: strWhy = Text(IDS_REASON_NO_ADDRESS); break;
    case StartRefusal::NoWorker: strWhy = Text(IDS_REASON_NOT_STARTED); break;
    }
    return false;
}

void CUploadBatch::OnConnecting(const char*) {
    // An attempt begins: a retry's wait is over.
    if (m_bUploading) SetPause(Pause::None);
}

void CUploadBatch::OnResponse() {
    if (m_bUploading) SetPause(Pause::None);
}

void CUploadBatch::OnRetryWait(uint32_t nDelayMs, RetryWait why) {
    if (!m_bUploading) return;
    m_nRetryDelayMs = nDelayMs;
    m_retryWhy = why;
    SetPause(Pause::Retry);
}

void CUploadBatch::OnTick() {
    if (m_bUploading && m_pause != Pause::None) ShowNote();
}

void CUploadBatch::SetPause(Pause pause) {
    m_pause = pause;
    m_nPauseStartMs = m_tick();
    ShowNote();
}

void CUploadBatch::ShowNote() {
    const uint32_t nElapsedMs = m_tick() - m_nPauseStartMs;
    std::string strNote;
    if (m_pause == Pause::Retry) {
        // Whole seconds left, rounded up, and never 0 while the wait lasts: "0 秒后重试" would
        // promise something that has already not happened.
        const uint32_t nLeftMs = nElapsedMs < m_nRetryDelayMs ? m_nRetryDelayMs - nElapsedMs : 0;
        const int nSeconds = static_cast<int>(nLeftMs / 1000 + (nLeftMs % 1000 ? 1 : 0));
        strNote = FormatText(Text(m_retryWhy == RetryWait::Busy ? IDS_RETRY_BUSY : IDS_RETRY_BROKEN),
                             nSeconds < 1 ? 1 : nSeconds);
    } else if (m_pause == Pause::Answer && nElapsedMs >= kAnswerNoteDelayMs) {
        strNote = Text(IDS_WAITING_ANSWER);
    }
    if (strNote == m_strNote) return;
    m_strNote = strNote;
    m_progress.SetNote(m_strNote);
}

void CUploadBatch::StopPauseDisplay() {
    m_pause = Pause::None;
    m_progress.SetTicking(false);
    if (m_strNote.empty()) return;
    m_strNote.clear();
    m_progress.SetNote(m_strNote);
}

void CUploadBatch::OnProgress(uint32_t nDone, uint32_t nTotal) {
    if (!m_pPanel || !m_bUploading) return;
    // The last byte is out: from now on the picture waits for the server's answer.
    if (nTotal > 0 && nDone >= nTotal)
        SetPause(Pause::Answer);
    else if (m_pause != Pause::None)
        SetPause(Pause::None);
    const uint32_t nNow = m_tick();
    const double dCurrentKB = nDone / 1024.0;
    const double dAmountKB = dCurrentKB + m_dDoneKB;
    if (const auto speed = m_stats.Sample(nNow, dAmountKB)) {
        m_texts.strSpeed = FormatSpeed(*speed, m_textSource);
        m_texts.strRemaining = FormatRemainingTime(m_dTotalKB - m_dDoneKB - dCurrentKB, *speed, m_textSource);
    }
    m_texts.strBytes = FormatText(Text(IDS_BYTES_DONE), dAmountKB, m_dTotalKB);
    ShowTexts();
    // A pass of nothing has no percentage; the request's framing can take the amount past
    // the total at the end of a picture.
    if (m_dTotalKB > 0) {
        const double dPercent = std::trunc(dAmountKB / m_dTotalKB * 100);
        if (dPercent >= 0 && dPercent < 100)
            m_progress.SetTitle(FormatText(Text(IDS_TITLE_PERCENT), static_cast<int>(dPercent)));
        m_progress.SetProgressPos(dPercent >= 100 ? 100 : dPercent <= 0 ? 0 : static_cast<int>(dPercent));
    }
}

std::string CUploadBatch::ReasonWithoutAnswer(TransferCode nCode) const {
    switch (nCode) {
    case TransferCode::LocalFileError: return Text(IDS_REASON_FILE_UNREADABLE);
    case TransferCode::AnswerFileError: return Text(IDS_REASON_TEMP_FOLDER);
    case TransferCode::HostNotFound: return Text(IDS_REASON_HOST_NOT_FOUND);
    case TransferCode::NotFound: return Text(IDS_REASON_SCRIPT_NOT_FOUND);
    case TransferCode::Unavailable: return Text(IDS_REASON_UNAVAILABLE);
    case TransferCode::CertificateUntrusted: return Text(IDS_REASON_CERT_UNTRUSTED);
    case TransferCode::CertificateWrongHost: return Text(IDS_REASON_CERT_WRONG_HOST);
    case TransferCode::CertificateExpired: return Text(IDS_REASON_CERT_EXPIRED);
    case TransferCode::SecureConnectionFailed: return Text(IDS_REASON_SECURE_FAILED);
    case TransferCode::InsecureRedirect: return Text(IDS_REASON_INSECURE_REDIRECT);
    case TransferCode::RedirectRefused: return Text(IDS_REASON_REDIRECT_REFUSED);
    case TransferCode::AuthenticationRequired: return Text(IDS_REASON_AUTH_REQUIRED);
    default: return Text(IDS_REASON_NO_ANSWER);
    }
}

void CUploadBatch::OnFinished(TransferCode nCode, const char*) {
    if (!m_pPanel || !m_bUploading || m_pPanel->UploadQueue().empty()) return;
    SetPause(Pause::None);

    Verdict verdict = Verdict::Failed;
    std::string strWhy;
    const uint32_t nStatus = m_request.AnswerStatus();
    if (nStatus == 0 || IsTransferRefusal(nCode)) {
        strWhy = ReasonWithoutAnswer(nCode);
    } else {
        uint32_t nRetCode = 0;
        m_request.GetHeaderNumber(kRetCodeHeader, nRetCode);
        m_request.GetHeaderString(kErrorInfoHeader, strWhy, true);
        strWhy = CutToCharacters(strWhy, kMaxReasonBytes, m_pfnIsLead);
        // The verdict headers count when they came with a 200 answer, whatever became of its
        // body (cut, reset, too long, not stored); any other status never counts as stored.
        const bool bAnswerOk = nStatus == 200;
        if (nRetCode == kStored && bAnswerOk) {
            verdict = Verdict::Stored;
        } else if (nRetCode == kRejected) {
            verdict = Verdict::Rejected;
        } else if (nRetCode == kStored) {
            strWhy = Text(IDS_REASON_BAD_ANSWER);
        } else if (strWhy.empty()) {
            strWhy = bAnswerOk ? Text(IDS_REASON_UNKNOWN) : ReasonWithoutAnswer(nCode);
        }
    }
    if (verdict != Verdict::Stored && strWhy.empty()) strWhy = Text(IDS_REASON_UNKNOWN);
    FinishHead(verdict, strWhy);
    SendNext();
}

void CUploadBatch::FinishHead(Verdict verdict, const std::string& strWhy) {
    UploadItem head;
    if (!PeekHead(head)) return;
    const double dWholeKB = WholeKB(head.dSizeKB);
    m_dDoneKB += dWholeKB;
    JournalState state = JournalState::Failed;
    switch (verdict) {
    case Verdict::Stored:
        m_arrSucceeded.push_back(head.nIndex);
        m_dSucceededKB += dWholeKB;
        state = JournalState::Stored;
        break;
    case Verdict::Rejected:
        m_arrRejected.push_back(head.nIndex);
        m_arrRejectedWhy.push_back(strWhy);
        state = JournalState::Rejected;
        break;
    case Verdict::Failed:
        m_arrFailed.push_back(head.nIndex);
        m_arrFailedWhy.push_back(strWhy);
        break;
    }
    if (m_pObserver) m_pObserver->OnVerdict(head.nIndex, state);
    std::vector<int>& queue = m_pPanel->UploadQueue();
    queue.erase(queue.begin());
    // Shown with the next picture's name, or by the end of the pass.
    m_texts.strCount = FormatText(Text(IDS_COUNT_DONE), m_nPassCount - static_cast<int>(queue.size()), m_nPassCount);
}

std::string CUploadBatch::CaptionOf(int nIndex) const {
    UploadSource source;
    return m_pPanel && m_pPanel->GetUploadSource(nIndex, source) ? source.strCaption : std::string();
}

std::vector<ResultRow> CUploadBatch::Rows(const std::vector<int>& arrIndices, const std::vector<std::string>& arrWhy,
                                          const std::string& strPrefix) const {
    std::vector<ResultRow> rows;
    rows.reserve(arrIndices.size());
    for (size_t i = 0; i < arrIndices.size(); ++i)
        rows.push_back(
            ResultRow{CaptionOf(arrIndices[i]), strPrefix + (i < arrWhy.size() ? arrWhy[i] : std::string())});
    return rows;
}

void CUploadBatch::AddNotes(SummaryRequest& summary, int nFailures) {
    const std::string strNote = Text(IDS_MAYBE_STORED);
    const auto maybeStored = [this](int nIndex) {
        return std::find(m_notes.arrMaybeStored.begin(), m_notes.arrMaybeStored.end(), nIndex) !=
               m_notes.arrMaybeStored.end();
    };
    // The rows so far are the rejected pictures, then the failed ones.
    std::vector<int> arrListed = m_arrRejected;
    arrListed.insert(arrListed.end(), m_arrFailed.begin(), m_arrFailed.end());
    for (size_t i = 0; i < arrListed.size() && i < summary.rows.size(); ++i)
        if (maybeStored(arrListed[i])) summary.rows[i].strStatus += " " + strNote;
    for (int nIndex : m_arrSucceeded)
        if (maybeStored(nIndex)) summary.rows.push_back(ResultRow{CaptionOf(nIndex), strNote});
    summary.rows.insert(summary.rows.end(), m_notes.arrNotSent.begin(), m_notes.arrNotSent.end());
    summary.bShowList = true;
    if (nFailures) return;
    summary.strListLabel = Text(IDS_LIST_RESUMED);
    summary.bStatusColumn = true;
}

void CUploadBatch::EndPass() {
    m_bUploading = false;
    if (m_pObserver) m_pObserver->OnPassEnded();
    // Only the headers are read: the answers' file would otherwise be left in the temporary
    // folder over a long-lived page. One file serves the whole pass.
    m_request.DiscardAnswer();
    StopPauseDisplay();
    m_progress.SetTitle(Text(IDS_TITLE_DONE));
    m_texts.strBytes = FormatText(Text(IDS_BYTES_DONE), m_dTotalKB, m_dTotalKB);
    m_texts.strRemaining = Text(IDS_TIME_ZERO);
    ShowTexts();
    m_progress.SetProgressPos(100);

    const int nFailures = static_cast<int>(m_arrRejected.size() + m_arrFailed.size());
    m_nSucceededTotal += m_nPassCount - nFailures;
    if (m_nSucceededTotal < 0) m_nSucceededTotal = 0;
    CountStoredSpace();

    SummaryRequest summary;
    const int nNotSent = static_cast<int>(m_notes.arrNotSent.size());
    summary.strMessage = FormatText(Text(IDS_SUMMARY), m_nSucceededTotal, nFailures + nNotSent);
    if (nFailures) {
        summary.strMessage += Text(IDS_SUMMARY_REJECTED_NOTE);
        summary.bShowList = true;
        summary.bCanReupload = !m_arrFailed.empty();
        summary.strListLabel = Text(IDS_LIST_FAILED);
        summary.rows = Rows(m_arrRejected, m_arrRejectedWhy, Text(IDS_REJECTED_PREFIX));
        std::vector<ResultRow> failed = Rows(m_arrFailed, m_arrFailedWhy, std::string());
        summary.rows.insert(summary.rows.end(), failed.begin(), failed.end());
    }
    if (!m_notes.IsEmpty()) AddNotes(summary, nFailures);
    m_notes = PassNotes{};
    const unsigned nGeneration = m_nGeneration;
    const SummaryChoice choice = RunSummary(summary);
    if (nGeneration != m_nGeneration) return;  // aborted while the summary was up
    if (choice == SummaryChoice::Reupload && !m_arrFailed.empty()) {
        Reupload();
        return;
    }
    ++m_nGeneration;
    if (m_pObserver) m_pObserver->OnBatchEnded();
    m_pPanel->EnableInput(true);
    m_progress.Close();
    m_pPanel->FireUploadFinished();
}

void CUploadBatch::OnCancelRequested() {
    if (!m_pPanel || !m_bUploading) return;
    const int nRemaining = static_cast<int>(m_pPanel->UploadQueue().size());
    const int nSucceeded = static_cast<int>(m_arrSucceeded.size());
    m_request.Cancel();
    m_bUploading = false;
    m_bAwaitingRecord = false;
    if (m_pObserver) m_pObserver->OnBatchEnded();
    StopPauseDisplay();

    SummaryRequest summary;
    summary.strMessage = FormatText(Text(IDS_CANCELLED), nSucceeded, nRemaining);
    summary.bCancelMode = true;
    summary.bStatusColumn = true;
    summary.bShowList = nRemaining != 0;
    summary.strListLabel = Text(IDS_LIST_UPLOADED);
    summary.rows =
        Rows(m_arrSucceeded, std::vector<std::string>(m_arrSucceeded.size(), Text(IDS_STATUS_UPLOADED)), std::string());
    CountStoredSpace();
    const unsigned nGeneration = m_nGeneration;
    RunSummary(summary);
    if (nGeneration != m_nGeneration) return;
    ++m_nGeneration;
    m_pPanel->EnableInput(true);
    m_progress.Close();
}

SummaryChoice CUploadBatch::RunSummary(const SummaryRequest& summary) {
    m_bInSummary = true;
    const SummaryChoice choice = m_progress.ShowSummary(summary);
    m_bInSummary = false;
    return choice;
}

void CUploadBatch::CountStoredSpace() {
    m_pPanel->SetUsedSpace(m_pPanel->GetUsedSpace() + m_dSucceededKB);
    m_pPanel->UpdateSpaceLabel();
    // Counted once: a later cancel or abort of the same pass adds nothing more.
    m_dSucceededKB = 0;
}

void CUploadBatch::Abort() {
    if (!m_bUploading && !m_bInSummary) return;
    ++m_nGeneration;
    if (m_pObserver) m_pObserver->OnBatchAborted();
    if (m_bUploading) {
        m_request.Cancel();
        m_bUploading = false;
        m_bAwaitingRecord = false;
        StopPauseDisplay();
        if (m_pPanel) CountStoredSpace();
    }
    m_progress.AbortSummary();
    m_progress.Close();
    if (m_pPanel) {
        m_pPanel->EnableInput(true);
        // The indices name pictures that are about to go.
        m_pPanel->UploadQueue().clear();
    }
}
