#include "upload/upload_batch.h"

#include "ui/main_panel_dlg.h"

void CUploadBatch::StartBatch() {
    if (!m_pPanel) return;
    m_arrQueue = m_pPanel->m_selIndex;
}
