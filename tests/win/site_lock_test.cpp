// A control locked to its site's pages, in a site that tells the page's address as a browser
// does: on the list it is scripted as always; off it, or with no address, it is neither
// scripted nor initialised and shows a notice instead of the panel.
#include "control/site_lock.h"
#include "dispatch_helpers.h"
#include "framework/text.h"
#include "hosted_control.h"
#include "page_site.h"
#include "res/resource.h"
#include "tessaline_h.h"
#include "test_support.h"

#include <objsafe.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const char kSites[] = "https://album.example.com https://*.example.com";

// The control locked to kSites, in place in a page site of a test window.
class CLockedPage {
public:
    explicit CLockedPage(std::optional<std::wstring> url) {
        m_disp = CreateFromFactory<IDispatch>(CLSID_TessalineCtrl, IID_IDispatch);
        if (!m_disp) return;
        Control().SetSiteLock(CSiteLock::Parse(kSites));
        m_hSite = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 360, m_window.Get(), nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        m_site = CPageSite::Create(m_hSite, std::move(url));
        m_hrActivate = m_site->Activate(m_disp.Get());
    }
    ~CLockedPage() {
        if (m_site) m_site->Close();
    }
    CTessalineCtrl& Control() const { return *static_cast<CTessalineCtrl*>(m_disp.Get()); }
    IDispatch* Dispatch() const { return m_disp.Get(); }
    HRESULT Activation() const { return m_hrActivate; }

    HRESULT SetSafety() const {
        CComPtrT<IObjectSafety> safety;
        if (FAILED(m_disp.QueryInterface(safety))) return E_NOINTERFACE;
        constexpr DWORD kOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
        return safety->SetInterfaceSafetyOptions(IID_IDispatch, kOptions, kOptions);
    }
    HRESULT AboutBox() const {
        DISPPARAMS none{};
        return m_disp->Invoke(DISPID_ABOUTBOX, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                              nullptr);
    }

private:
    CTestWindow m_window{640, 400};
    CComPtrT<IDispatch> m_disp;
    HWND m_hSite = nullptr;
    CComPtrT<CPageSite> m_site;
    HRESULT m_hrActivate = E_FAIL;
};

std::string WindowText(HWND hWnd) {
    char text[256] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

TEST(SiteLock, PagesOnTheListAndOff) {
    CTestApartment apartment;
    struct Case {
        std::optional<std::wstring> url;
        bool bAllowed;
    } cases[] = {
        {L"https://album.example.com/upload.html", true}, {L"https://photos.example.com/a/b?c", true},  // the wildcard
        {L"http://album.example.com/upload.html", false}, {L"https://album.example.com:8443/upload.html", false},
        {L"https://evil.example.net/upload.html", false}, {std::nullopt, false},  // a container that tells no address
    };
    for (const Case& c : cases) {
        const std::string name = c.url ? WideToAnsi(c.url->data(), c.url->size()) : "(no address)";
        CLockedPage page(c.url);
        ASSERT_EQ(page.Activation(), S_OK) << name;
        CTessalineCtrl& ctrl = page.Control();
        CVariant uin(10001L);
        if (c.bAllowed) {
            EXPECT_EQ(page.SetSafety(), S_OK) << name;
            EXPECT_NE(ctrl.GetPanel().m_hWnd, nullptr) << name;
            EXPECT_EQ(ctrl.GetNotice().m_hWnd, nullptr) << name;
            EXPECT_EQ(PutProperty(page.Dispatch(), L"KXUin", uin.Ref()), S_OK) << name;
            EXPECT_EQ(GetNumber(page.Dispatch(), L"KXUin"), 10001) << name;
            continue;
        }
        EXPECT_EQ(page.SetSafety(), E_FAIL) << name;
        // Nothing that reads the disk was made: no panel, so no folder tree and no thumbnails.
        EXPECT_EQ(ctrl.GetPanel().m_hWnd, nullptr) << name;
        ASSERT_NE(ctrl.GetNotice().m_hWnd, nullptr) << name;
        EXPECT_TRUE(GetWindowLongA(ctrl.GetNotice().m_hWnd, GWL_STYLE) & WS_VISIBLE) << name;
        EXPECT_EQ(WindowText(ctrl.GetNotice().m_hWnd), LoadResString(IDS_PAGE_NOT_ALLOWED)) << name;
        EXPECT_EQ(PutProperty(page.Dispatch(), L"KXUin", uin.Ref()), E_ACCESSDENIED) << name;
        EXPECT_EQ(GetNumber(page.Dispatch(), L"KXUin"), 0) << name;
        EXPECT_EQ(page.AboutBox(), E_ACCESSDENIED) << name;
    }
}

TEST(SiteLock, TheUploadAddressMustBeOnTheListToo) {
    CTestApartment apartment;
    CLockedPage page(L"https://album.example.com/upload.html");
    ASSERT_EQ(page.Activation(), S_OK);
    CVariant good(std::wstring(L"https://photos.example.com/cgi/upload"));
    EXPECT_EQ(PutProperty(page.Dispatch(), L"UploadCGI", good.Ref()), S_OK);
    for (const wchar_t* address : {L"http://album.example.com/cgi/upload", L"https://evil.net/upload", L""}) {
        CVariant bad(std::wstring{address});
        EXPECT_EQ(PutProperty(page.Dispatch(), L"UploadCGI", bad.Ref()), E_ACCESSDENIED);
    }
    EXPECT_EQ(GetString(page.Dispatch(), L"UploadCGI"), L"https://photos.example.com/cgi/upload");
}

}  // namespace
