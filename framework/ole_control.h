// Base of an in-place activated OLE control: the OLE embedding, view, persistence,
// automation and event interfaces around a child window of the container.
#pragma once
#include "framework/com_ptr.h"
#include "framework/connection_point.h"
#include "framework/dispatch_map.h"
#include "framework/modal_scope.h"
#include "framework/module.h"
#include "framework/prop_exchange.h"
#include "framework/wnd.h"

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <span>
#include <string>

// MinGW's objsafe.h declares the interface without its __uuidof binding.
__CRT_UUID_DECL(IObjectSafety, 0xcb5bdc81, 0x93c1, 0x11cf, 0x8f, 0x20, 0x00, 0x80, 0x5f, 0x2c, 0xd0, 0x64)

struct OleControlClass {
    const CLSID* pClsid;
    const GUID* pLibid;
    const IID* pDispIid;
    const IID* pEventIid;
    const CLSID* pPropPages;
    ULONG nPropPages;
    DWORD dwMiscStatus;
    WORD wVerMajor;
    WORD wVerMinor;
};

class COleControl : public CWnd,
                    public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObject2,
                    public IPersistStreamInit,
                    public IPersistPropertyBag,
                    public IDispatch,
                    public IProvideClassInfo2,
                    public IConnectionPointContainer,
                    public ISpecifyPropertyPages,
                    public IObjectSafety,
                    public CModalHost {
public:
    explicit COleControl(const OleControlClass& info);
    ~COleControl() override;

    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }
    bool IsModified() const { return m_bModified; }
    // Calls the event's sinks unless the container froze events.
    void FireEvent(DISPID dispid);
    size_t GetEventSinkCount() const { return m_cpEvents.GetSinkCount(); }
    bool IsInPlaceActive() const { return m_pInPlaceSite.Get() != nullptr; }
    // The address of the page that hosts the control, as UTF-8, through the client site: the
    // browser's location, else the container's document. "" when the container tells none.
    std::string GetPageUrl() const;

    // CModalHost: the control is held, and the container's frame told, for each modal loop.
    void BeginModal() override;
    void EndModal() override;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* pClientSite) override;
    STDMETHODIMP GetClientSite(IOleClientSite** ppClientSite) override;
    STDMETHODIMP SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHODIMP Close(DWORD dwSaveOption) override;
    STDMETHODIMP SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
    STDMETHODIMP GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    STDMETHODIMP InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    STDMETHODIMP GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                        LPCRECT lprcPosRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* pClsid) override;
    STDMETHODIMP GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    STDMETHODIMP SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHODIMP Unadvise(DWORD dwConnection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    STDMETHODIMP GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* pLogpal) override;

    // IOleWindow (both in-place interfaces)
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;
    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    STDMETHODIMP ReactivateAndUndo() override;
    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG lpmsg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL fActivate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL fActivate) override;
    STDMETHODIMP ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fFrameWindow) override;
    STDMETHODIMP EnableModeless(BOOL fEnable) override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* pCI) override;
    STDMETHODIMP OnMnemonic(MSG* pMsg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID dispID) override;
    STDMETHODIMP FreezeEvents(BOOL bFreeze) override;

    // IViewObject2
    STDMETHODIMP Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
                      HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                      BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR), ULONG_PTR dwContinue) override;
    STDMETHODIMP GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hicTargetDev,
                             LOGPALETTE** ppColorSet) override;
    STDMETHODIMP Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) override;
    STDMETHODIMP Unfreeze(DWORD dwFreeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
    STDMETHODIMP GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;
    STDMETHODIMP GetExtent(DWORD dwDrawAspect, LONG lindex, DVTARGETDEVICE* ptd, LPSIZEL lpsizel) override;

    // IPersist, IPersistStreamInit, IPersistPropertyBag
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM pStm) override;
    STDMETHODIMP Save(LPSTREAM pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pCbSize) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    STDMETHODIMP Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** ppTI) override;
    STDMETHODIMP GetGUID(DWORD dwGuidKind, GUID* pGUID) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pPages) override;

    // IObjectSafety
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions, DWORD* pdwEnabledOptions) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask, DWORD dwEnabledOptions) override;

protected:
    virtual std::span<const DispatchEntry> GetDispatchMap() const = 0;
    virtual void DoPropExchange(CPropExchange& px);
    virtual void OnResetState() {}
    virtual void OnDraw(HDC hdc, const RECT& rcBounds);
    // Whether the page that hosts the control may script and initialise it; when not, the
    // container's safety options, property puts and methods are refused.
    virtual bool IsPageAllowed() const { return true; }
    // Shows the property frame with the control's pages (the Properties verb).
    void OnProperties(HWND hWndParent);

    DWORD GetVersion() const { return m_dwVersion; }

private:
    HRESULT InPlaceActivate(LONG iVerb, HWND hwndParent, LPCRECT lprcPosRect);
    HRESULT UIActivate();
    HRESULT LoadTypeInfo(REFGUID guid, ITypeInfo** ppTI);
    HRESULT InvokeEntry(const DispatchEntry& entry, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                        UINT* puArgErr);
    void ResetState();

    const OleControlClass& m_info;
    CModuleObjectCount m_objectCount;
    LONG m_nRef = 1;
    bool m_bModified = false;
    bool m_bUIActive = false;
    int m_nFreezeEvents = 0;
    DWORD m_dwVersion;
    DWORD m_dwSafety = 0;
    SIZEL m_sizeExtent;
    CComPtrT<IOleClientSite> m_pClientSite;
    CComPtrT<IOleInPlaceSite> m_pInPlaceSite;
    CComPtrT<IOleInPlaceFrame> m_pInPlaceFrame;
    CComPtrT<IOleInPlaceUIWindow> m_pInPlaceDoc;
    CComPtrT<IOleAdviseHolder> m_pOleAdviseHolder;
    CComPtrT<IAdviseSink> m_pViewAdviseSink;
    DWORD m_dwViewAdviseAspects = 0;
    DWORD m_dwViewAdviseFlags = 0;
    CComPtrT<ITypeInfo> m_pDispTypeInfo;
    CConnectionPoint m_cpEvents;
    // The frame told at the start of the outermost modal loop: it is told again at its end
    // even when the control was deactivated meanwhile.
    CComPtrT<IOleInPlaceFrame> m_pModalFrame;
    int m_nModalDepth = 0;
};
