// A container site such as a browser gives a control on a page: the control in place in a
// window of the program, the frame it tells about its modal loops, and the page's address
// through the site's services (the browser's location), or no address at all.
#pragma once
#include <exdisp.h>
#include <ocidl.h>
#include <servprov.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/com_ptr.h"

class CPageSite final : public IOleClientSite,
                        public IOleInPlaceSite,
                        public IOleInPlaceFrame,
                        public IServiceProvider {
public:
    // The site fills hWnd; a page without an address (url empty) answers no service.
    static CComPtrT<CPageSite> Create(HWND hWnd, std::optional<std::wstring> url);

    // Sets itself as the control's site and activates it in place.
    HRESULT Activate(IUnknown* pControl);
    // Deactivates and lets go of the control, as a page that goes away does.
    void Close();
    // Told with FALSE when the control starts a modal loop and with TRUE when it ends.
    void SetModelessHandler(std::function<void(bool)> handler) { m_onEnableModeless = std::move(handler); }
    int ModelessDisabled() const { return m_nModelessDisabled; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow, for the site and the frame
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL fEnable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
    // IServiceProvider: the browser, for a page with an address.
    STDMETHODIMP QueryService(REFGUID guidService, REFIID riid, void** ppv) override;

private:
    // The browser as a control on the page sees it: only its location is told.
    class CBrowser;

    CPageSite(HWND hWnd, std::optional<std::wstring> url);
    ~CPageSite();

    LONG m_nRef = 1;
    HWND m_hWnd;
    std::optional<std::wstring> m_url;
    std::unique_ptr<CBrowser> m_pBrowser;
    CComPtrT<IOleObject> m_pControl;
    std::function<void(bool)> m_onEnableModeless;
    int m_nModelessDisabled = 0;
};
