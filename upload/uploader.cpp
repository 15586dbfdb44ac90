#include "upload/uploader.h"

#include "framework/text.h"

std::string CResourceTexts::Load(unsigned nID) const { return LoadResString(nID); }

CUploader::CUploader()
    : m_recorder(m_journalFolder, IsAnsiLeadByte,
                 [this] {
                     if (const HWND hWnd = m_hwndJournal.load()) PostMessageA(hWnd, m_nJournalMsg, 0, 0);
                 }),
      m_batch(
          m_request, m_dlgProgress, m_texts, [] { return GetTickCount(); }, IsAnsiLeadByte) {
    m_request.SetListener(&m_batch);
    m_batch.SetObserver(&m_recorder);
    m_recorder.SetRecordedHandler([this] { m_batch.OnSendingRecorded(); });
    m_dlgProgress.SetCommands(&m_batch);
}

void CUploader::Attach(CUploadPanel* pPanel, HWND hOwner, UINT nJournalMsg) {
    m_nJournalMsg = nJournalMsg;
    m_hwndJournal = hOwner;
    m_batch.SetPanel(pPanel);
    m_dlgProgress.SetOwnerWindow(hOwner);
    m_dlgProgress.SetAnimationFile(CUploadProgressDlg::GetControlFolder() + "Upload.gif");
}

void CUploader::Detach() {
    m_recorder.EndWrites();
    m_hwndJournal = nullptr;
}

void CUploader::BeginPreparingWait(const std::string& strFileLine, std::function<void()> onCancel) {
    m_wait.Begin(std::move(onCancel));
    m_dlgProgress.SetCommands(&m_wait);
    if (!m_dlgProgress.Open()) return;
    ProgressTexts texts;
    texts.strFileName = strFileLine;
    m_dlgProgress.SetTexts(texts);
    m_dlgProgress.SetProgressPos(0);
    m_dlgProgress.Show();
}

void CUploader::EndPreparingWait() {
    m_wait.End();
    m_dlgProgress.SetCommands(&m_batch);
    m_dlgProgress.Close();
}
