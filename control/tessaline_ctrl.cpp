#include "control/tessaline_ctrl.h"

#include "control/tessaline_prop_page.h"
#include "framework/dialog.h"
#include "framework/ole_object_factory.h"
#include "framework/ole_registry.h"
#include "framework/text.h"
#include "res/resource.h"
#include "tessaline_h.h"
#include "upload/text_source.h"

#include <algorithm>

namespace {

// Recompose on resize, no links inside, inside-out, active when visible, simple frame,
// client site first.
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SIMPLEFRAME | OLEMISC_SETCLIENTSITEFIRST;
static_assert(kMiscStatus == 0x30191);

const char kProgID[] = "TESSALINE.TessalineCtrl.1";

const OleControlClass kControlClass = {
    &CLSID_TessalineCtrl,
    &LIBID_TESSALINELib,
    &DIID_Tessaline,
    &DIID_TessalineEvents,
    &CLSID_TessalinePropPage,
    1,
    kMiscStatus,
    1,
    0,
};

// The module's list of pages; a program that links the control in keeps the empty one.
std::string& ModuleSiteList() {
    static std::string list;
    return list;
}

COleObjectFactory g_factory(CLSID_TessalineCtrl, kProgID, &CTessalineCtrl::CreateObject,
                            &CTessalineCtrl::UpdateRegistry);

}  // namespace

CTessalineCtrl::CTessalineCtrl() : COleControl(kControlClass), m_siteLock(CSiteLock::Parse(ModuleSiteList())) {
    // The panel's boxes, summaries and the close box's question hold the control, and tell
    // the container.
    m_dlgPanel.SetModalHost(this);
    // The page hears of a finished batch only while the control is in place.
    m_dlgPanel.SetUploadFinishedHandler([this] {
        if (m_hWnd) FireEvent(1);
    });
}

HRESULT CTessalineCtrl::CreateObject(REFIID riid, void** ppv) {
    auto* control = new CTessalineCtrl;
    HRESULT hr = control->QueryInterface(riid, ppv);
    control->Release();
    return hr;
}

void CTessalineCtrl::SetModuleSiteList(const char* pszList) { ModuleSiteList() = pszList ? pszList : ""; }

bool CTessalineCtrl::IsPageAllowed() const {
    if (!m_siteLock) return false;
    return m_siteLock->IsEmpty() || m_siteLock->Allows(GetPageUrl());
}

bool CTessalineCtrl::UpdateRegistry(bool bRegister) {
    if (!bRegister) return AfxOleUnregisterClass(CLSID_TessalineCtrl, kProgID);
    return AfxOleRegisterControlClass(CModule::Instance(), CLSID_TessalineCtrl, kProgID, IDS_TESSALINE, IDB_TESSALINE,
                                      afxRegInsertable | afxRegApartmentThreading, kMiscStatus, LIBID_TESSALINELib, 1,
                                      0);
}

std::span<const DispatchEntry> CTessalineCtrl::GetDispatchMap() const {
    static const DispatchEntry map[] = {
        DISP_PROPERTY_BSTR(CTessalineCtrl, 1, GetSignature, SetSignature),
        DISP_PROPERTY_LONG(CTessalineCtrl, 2, GetSpaceSize, SetSpaceSize),
        DISP_PROPERTY_BSTR(CTessalineCtrl, 3, GetAlbumName, SetAlbumName),
        DISP_PROPERTY_LONG(CTessalineCtrl, 4, GetSpaceUsedSize, SetSpaceUsedSize),
        DISP_PROPERTY_LONG(CTessalineCtrl, 5, GetKXUin, SetKXUin),
        DISP_PROPERTY_SHORT(CTessalineCtrl, 6, GetLimitXSize, SetLimitXSize),
        DISP_PROPERTY_SHORT(CTessalineCtrl, 7, GetLimitYSize, SetLimitYSize),
        DISP_PROPERTY_LONG(CTessalineCtrl, 8, GetSkinColor, SetSkinColor),
        DISP_PROPERTY_BSTR(CTessalineCtrl, 9, GetUploadCGI, SetUploadCGI),
        DISP_METHOD(CTessalineCtrl, DISPID_ABOUTBOX, AboutBox),
    };
    return map;
}

STDMETHODIMP CTessalineCtrl::TranslateAccelerator(LPMSG lpmsg) {
    return m_dlgPanel.TranslateKey(lpmsg) ? S_OK : COleControl::TranslateAccelerator(lpmsg);
}

BSTR CTessalineCtrl::GetSignature() { return AnsiToBstr(m_dlgPanel.GetSignature()); }

void CTessalineCtrl::SetSignature(BSTR bstrValue) {
    m_dlgPanel.SetSignature(BstrToAnsi(bstrValue));
    SetModifiedFlag();
}

long CTessalineCtrl::GetSpaceSize() { return m_nSpaceSize; }

void CTessalineCtrl::SetSpaceSize(long nNewValue) {
    m_nSpaceSize = nNewValue;
    m_dlgPanel.SetTotalSpace(static_cast<double>(nNewValue));
    SetModifiedFlag();
}

BSTR CTessalineCtrl::GetAlbumName() { return AnsiToBstr(m_dlgPanel.GetAlbumName()); }

void CTessalineCtrl::SetAlbumName(BSTR bstrValue) {
    m_dlgPanel.SetAlbumName(BstrToAnsi(bstrValue));
    SetModifiedFlag();
    ScheduleResumeOffer();
}

long CTessalineCtrl::GetSpaceUsedSize() { return m_nSpaceUsedSize; }

void CTessalineCtrl::SetSpaceUsedSize(long nNewValue) {
    m_nSpaceUsedSize = nNewValue;
    m_dlgPanel.SetUsedSpace(static_cast<double>(nNewValue));
    SetModifiedFlag();
}

long CTessalineCtrl::GetKXUin() { return m_dlgPanel.GetKXUin(); }

void CTessalineCtrl::SetKXUin(long nNewValue) {
    m_dlgPanel.SetKXUin(nNewValue);
    SetModifiedFlag();
    ScheduleResumeOffer();
}

short CTessalineCtrl::GetLimitXSize() { return static_cast<short>(m_dlgPanel.GetLimitX() & 0xFFFF); }

void CTessalineCtrl::SetLimitXSize(short nNewValue) {
    m_dlgPanel.SetLimitX(nNewValue);
    SetModifiedFlag();
}

short CTessalineCtrl::GetLimitYSize() { return static_cast<short>(m_dlgPanel.GetLimitY() & 0xFFFF); }

void CTessalineCtrl::SetLimitYSize(short nNewValue) {
    m_dlgPanel.SetLimitY(nNewValue);
    SetModifiedFlag();
}

long CTessalineCtrl::GetSkinColor() { return static_cast<long>(m_dlgPanel.GetSkinColor()); }

void CTessalineCtrl::SetSkinColor(long nNewValue) {
    m_dlgPanel.SetSkinColor(static_cast<COLORREF>(nNewValue));
    SetModifiedFlag();
}

BSTR CTessalineCtrl::GetUploadCGI() { return AnsiToBstr(m_dlgPanel.GetUploadCGI()); }

HRESULT CTessalineCtrl::SetUploadCGI(BSTR bstrValue) {
    const std::string strAddress = BstrToAnsi(bstrValue);
    // The pictures go only to a site the control was built for, whatever page set the address.
    if (!m_siteLock || !m_siteLock->Allows(strAddress)) return E_ACCESSDENIED;
    m_dlgPanel.SetUploadCGI(strAddress);
    SetModifiedFlag();
    return S_OK;
}

void CTessalineCtrl::AboutBox() {
    // A page calling again from a timer while the box is up gets no second box.
    if (m_bInAboutBox) return;
    m_bInAboutBox = true;
    {
        CModalScope modal(this);
        // Owned by the container's top-level window, which it disables like any modal box.
        CDialog dlgAbout(IDD_ABOUTBOX_TESSALINE);
        dlgAbout.DoModal(m_hWnd ? GetAncestor(m_hWnd, GA_ROOT) : nullptr);
    }
    m_bInAboutBox = false;
}

int CTessalineCtrl::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (DefWindowProc(WM_CREATE, 0, reinterpret_cast<LPARAM>(lpCreateStruct)) == -1) return -1;
    // On a page the control may not serve, nothing that reads the disk is made: a notice
    // takes the panel's place.
    if (IsPageAllowed())
        m_dlgPanel.Create(IDD_MAIN_PANEL, this);
    else
        m_wndNotice.CreateEx(0, "STATIC", LoadResString(IDS_PAGE_NOT_ALLOWED).c_str(),
                             WS_CHILD | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, RECT{}, m_hWnd, 0);
    CWnd& content = Content();
    RECT rc = GetClientRect();
    content.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    content.ShowWindow(SW_SHOW);
    ScheduleResumeOffer();
    return 0;
}

void CTessalineCtrl::OnSize(UINT nType, int cx, int cy) {
    DefWindowProc(WM_SIZE, nType, MAKELPARAM(cx, cy));
    CWnd& content = Content();
    if (!content.m_hWnd) return;
    RECT rc = GetClientRect();
    content.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void CTessalineCtrl::ScheduleResumeOffer() {
    if (m_bResumeOffered || !m_hWnd || !m_dlgPanel.m_hWnd) return;
    if (m_dlgPanel.GetKXUin() == 0 || m_dlgPanel.GetAlbumName().empty()) return;
    m_bResumeOffered = true;
    PostMessage(WM_CTRL_OFFER_RESUME, 0, 0);
}

LRESULT CTessalineCtrl::OnOfferResume(WPARAM, LPARAM) {
    CUploader& uploader = m_dlgPanel.GetUploader();
    if (!m_dlgPanel.m_hWnd || uploader.IsUploading()) return 0;
    CPassRecorder& recorder = uploader.Recorder();
    const std::optional<CPassJournal> journal =
        recorder.FindUnfinished(m_dlgPanel.GetKXUin(), m_dlgPanel.GetAlbumName());
    if (!journal) return 0;
    int nAnswer = IDNO;
    {
        // The page may let go of the control while the question is up.
        CModalScope modal(this);
        nAnswer = MessageBoxA(
            m_dlgPanel.m_hWnd,
            FormatText(LoadResString(IDS_RESUME_QUESTION), static_cast<int>(journal->PendingCount())).c_str(),
            LoadResString(IDS_NOTE_CAPTION).c_str(), MB_YESNO | MB_ICONQUESTION);
    }
    // Gone meanwhile: the claim goes with the control, and the journal waits for the next page.
    if (!m_dlgPanel.m_hWnd) return 0;
    if (nAnswer == IDYES)
        ResumeBatch(recorder, *journal);
    else
        recorder.Discard();
    return 0;
}

void CTessalineCtrl::ResumeBatch(CPassRecorder& recorder, const CPassJournal& journal) {
    const ResumePlan plan = recorder.PlanResume(journal);
    PassNotes notes;
    for (const auto& [strName, why] : plan.arrNotResumed)
        notes.arrNotSent.push_back(ResultRow{
            strName, LoadResString(why == NotResumedWhy::Changed ? IDS_REASON_CHANGED_SINCE : IDS_REASON_GONE_SINCE)});
    const std::vector<int> arrFound = m_dlgPanel.OpenFolderWith(plan.strFolder, plan.arrNames);
    for (std::size_t i = 0; i < arrFound.size(); ++i) {
        const std::string& strName = plan.arrNames[i];
        // Listed a moment ago and not found now: gone as well.
        if (arrFound[i] < 0)
            notes.arrNotSent.push_back(ResultRow{strName, LoadResString(IDS_REASON_GONE_SINCE)});
        else if (std::find(plan.arrMaybeStored.begin(), plan.arrMaybeStored.end(), strName) !=
                 plan.arrMaybeStored.end())
            notes.arrMaybeStored.push_back(arrFound[i]);
    }
    if (std::none_of(arrFound.begin(), arrFound.end(), [](int n) { return n >= 0; })) {
        CModalScope modal(this);
        MessageBoxA(
            m_dlgPanel.m_hWnd,
            FormatText(LoadResString(IDS_RESUME_NOTHING_LEFT), static_cast<int>(journal.PendingCount())).c_str(),
            LoadResString(IDS_NOTE_CAPTION).c_str(), MB_ICONINFORMATION);
        recorder.Discard();
        return;
    }
    m_dlgPanel.UploadSelection(std::move(notes));
    // Refused (the album is full): the journal stays for a later page.
    if (!m_dlgPanel.GetUploader().IsUploading()) recorder.Release();
}
