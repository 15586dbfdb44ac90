// The control object: the automation interface a page scripts, in front of the main panel.
#pragma once
#include "framework/ole_control.h"
#include "ui/main_panel_dlg.h"

class CTessalineCtrl : public COleControl {
public:
    CTessalineCtrl();

    static HRESULT CreateObject(REFIID riid, void** ppv);
    static bool UpdateRegistry(bool bRegister);

    // Automation members, in dispatch-id order.
    BSTR GetSignature();
    void SetSignature(BSTR bstrValue);
    long GetSpaceSize();
    void SetSpaceSize(long nNewValue);
    BSTR GetAlbumName();
    void SetAlbumName(BSTR bstrValue);
    long GetSpaceUsedSize();
    void SetSpaceUsedSize(long nNewValue);
    long GetKXUin();
    void SetKXUin(long nNewValue);
    short GetLimitXSize();
    void SetLimitXSize(short nNewValue);
    short GetLimitYSize();
    void SetLimitYSize(short nNewValue);
    long GetSkinColor();
    void SetSkinColor(long nNewValue);
    BSTR GetUploadCGI();
    void SetUploadCGI(BSTR bstrValue);
    void AboutBox();

    CMainPanelDlg& GetPanel() { return m_dlgPanel; }

    // The container offers each key message first: the panel's keyboard interface takes it.
    STDMETHODIMP TranslateAccelerator(LPMSG lpmsg) override;

protected:
    std::span<const DispatchEntry> GetDispatchMap() const override;

    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);

    BEGIN_MESSAGE_MAP(CTessalineCtrl, COleControl)
        ON_WM_CREATE()
        ON_WM_SIZE()
    END_MESSAGE_MAP()

private:
    CMainPanelDlg m_dlgPanel;
    long m_nSpaceSize = 10240;
    long m_nSpaceUsedSize = 0;
};
