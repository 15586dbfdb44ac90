// The control object: the automation interface a page scripts, in front of the main panel.
#pragma once
#include "control/site_lock.h"
#include "framework/ole_control.h"
#include "ui/main_panel_dlg.h"

#include <optional>

class CTessalineCtrl : public COleControl {
public:
    CTessalineCtrl();

    static HRESULT CreateObject(REFIID riid, void** ppv);
    static bool UpdateRegistry(bool bRegister);
    // The pages the controls of this module may be scripted from, as the build compiled them
    // in (the module's start-up sets it); an empty list allows every page.
    static void SetModuleSiteList(const char* pszList);
    // This control's list, in place of the module's.
    void SetSiteLock(std::optional<CSiteLock> siteLock) { m_siteLock = std::move(siteLock); }

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
    // Refused (E_ACCESSDENIED) for an address whose site is not on the control's list.
    HRESULT SetUploadCGI(BSTR bstrValue);
    void AboutBox();

    CMainPanelDlg& GetPanel() { return m_dlgPanel; }
    // The one-line notice shown instead of the panel on a page that may not use the control.
    CWnd& GetNotice() { return m_wndNotice; }

    // The container offers each key message first: the panel's keyboard interface takes it.
    STDMETHODIMP TranslateAccelerator(LPMSG lpmsg) override;

protected:
    std::span<const DispatchEntry> GetDispatchMap() const override;
    bool IsPageAllowed() const override;

    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    LRESULT OnOfferResume(WPARAM wParam, LPARAM lParam);

    // Posted once the panel shows and the page has named the user and the album: the page's
    // script sets the rest of its properties before the question comes.
    static constexpr UINT WM_CTRL_OFFER_RESUME = WM_APP + 0x30;

    BEGIN_MESSAGE_MAP(CTessalineCtrl, COleControl)
        ON_WM_CREATE()
        ON_WM_SIZE()
        ON_MESSAGE(WM_CTRL_OFFER_RESUME, OnOfferResume)
    END_MESSAGE_MAP()

private:
    // Whichever fills the control's area: the panel, or the notice.
    CWnd& Content() { return m_dlgPanel.m_hWnd ? static_cast<CWnd&>(m_dlgPanel) : m_wndNotice; }
    // A batch that an earlier page of this user and album left unfinished is offered once.
    void ScheduleResumeOffer();
    // Yes: its folder opens and the pictures left go up, with what cannot go listed.
    void ResumeBatch(CPassRecorder& recorder, const CPassJournal& journal);

    // Null when the compiled list could not be read: then no page is allowed.
    std::optional<CSiteLock> m_siteLock;
    CMainPanelDlg m_dlgPanel;
    CWnd m_wndNotice;
    bool m_bInAboutBox = false;
    bool m_bResumeOffered = false;
    long m_nSpaceSize = 10240;
    long m_nSpaceUsedSize = 0;
};
