// The modal result dialog at the end of a pass: the pictures that failed and why, or after a
// cancel those that were uploaded. It only shows the rows it is given; how it ends (IDOK for
// "重新上传", IDCANCEL otherwise) is its answer.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "upload/progress_view.h"

class CUploadResultDlg : public CDialog {
public:
    // The request must outlive the dialog's run.
    CUploadResultDlg(const SummaryRequest& request, CWnd* pParent);

protected:
    BOOL OnInitDialog() override;
    // Only an enabled, visible re-upload button may end the dialog with IDOK.
    void OnOK() override;

private:
    void InsertColumns();
    void FillRows();
    bool CanReupload() const;

    const SummaryRequest& m_request;
    CWnd m_wndList;  // control 223
};
