// The upload batch: the queue of pictures the panel hands over when "立即上传" passes its
// checks. Sending them is the transfer engine's job; until it is connected the batch only
// takes the queue.
#pragma once
#include <vector>

class CMainPanelDlg;

class CUploadBatch {
public:
    void SetPanel(CMainPanelDlg* pPanel) { m_pPanel = pPanel; }
    // Takes the panel's selected indices (m_selIndex) as the new queue.
    void StartBatch();
    const std::vector<int>& GetQueue() const { return m_arrQueue; }

private:
    CMainPanelDlg* m_pPanel = nullptr;
    std::vector<int> m_arrQueue;
};
