#include "control/tessaline_ctrl.h"
#include "control/tessaline_prop_page.h"
#include "dispatch_helpers.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"
#include "tessaline_h.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <olectl.h>

namespace {

template <class T>
CComPtrT<T> CreateFromFactory(const CLSID& clsid, const IID& iid) {
    CComPtrT<IClassFactory> factory;
    CComPtrT<T> object;
    if (SUCCEEDED(COleObjectFactory::GetClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid())))
        factory->CreateInstance(nullptr, iid, object.ReceiveVoid());
    return object;
}

RECT ClientRect(HWND w) {
    RECT rc{};
    GetClientRect(w, &rc);
    return rc;
}

bool SameSize(const RECT& a, const RECT& b) {
    return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

// The control placed in a child window of a test window by Wine's ATL container.
class HostedCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_atl.Load());
        m_disp = CreateFromFactory<IDispatch>(CLSID_TessalineCtrl, IID_IDispatch);
        ASSERT_TRUE(m_disp);
        m_site = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 600, 360, m_window.Get(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_site, nullptr);
    }
    void TearDown() override {
        if (m_site) DestroyWindow(m_site);
        m_container.Release();
        PumpFor(50);
    }
    void Attach() {
        ASSERT_EQ(m_atl.AttachControl(m_disp.Get(), m_site, m_container.Receive()), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return Control().m_hWnd != nullptr; }, 5000));
    }
    CTessalineCtrl& Control() { return *static_cast<CTessalineCtrl*>(m_disp.Get()); }

    CTestApartment m_apartment;
    AtlAxApi m_atl;
    CTestWindow m_window{640, 400};
    HWND m_site = nullptr;
    CComPtrT<IDispatch> m_disp;
    CComPtrT<IUnknown> m_container;
};

TEST_F(HostedCtrlTest, InPlaceActivationPutsThePanelOverTheWholeControl) {
    Attach();
    CTessalineCtrl& ctrl = Control();
    EXPECT_TRUE(ctrl.IsInPlaceActive());
    EXPECT_EQ(GetParent(ctrl.m_hWnd), m_site);
    ASSERT_NE(ctrl.GetPanel().m_hWnd, nullptr);
    EXPECT_EQ(GetParent(ctrl.GetPanel().m_hWnd), ctrl.m_hWnd);
    EXPECT_TRUE(GetWindowLongA(ctrl.GetPanel().m_hWnd, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(SameSize(ClientRect(ctrl.m_hWnd), ClientRect(m_site)));
    EXPECT_TRUE(SameSize(ClientRect(ctrl.GetPanel().m_hWnd), ClientRect(ctrl.m_hWnd)));

    // The container passes its new size on; the panel follows the control.
    MoveWindow(m_site, 0, 0, 420, 250, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return ClientRect(ctrl.m_hWnd).right == 420; }, 3000));
    PumpFor(50);
    EXPECT_TRUE(SameSize(ClientRect(ctrl.GetPanel().m_hWnd), RECT{0, 0, 420, 250}));
}

TEST_F(HostedCtrlTest, AlbumNameBecomesThePanelsWindowText) {
    CVariant before(std::wstring(L"\u6625\u8282"));  // "春节", set before the window exists
    ASSERT_EQ(PutProperty(m_disp.Get(), L"AlbumName", before.Ref()), S_OK);
    Attach();
    char text[64] = {};
    GetWindowTextA(Control().GetPanel().m_hWnd, text, sizeof text);
    EXPECT_STREQ(text, "春节");
    CVariant after(std::wstring(L"Holiday"));
    ASSERT_EQ(PutProperty(m_disp.Get(), L"AlbumName", after.Ref()), S_OK);
    GetWindowTextA(Control().GetPanel().m_hWnd, text, sizeof text);
    EXPECT_STREQ(text, "Holiday");
}

TEST_F(HostedCtrlTest, UploadFinishedReachesConnectedSinks) {
    CComPtrT<IConnectionPointContainer> cpc;
    ASSERT_EQ(m_disp.QueryInterface(cpc), S_OK);
    CComPtrT<IConnectionPoint> other;
    EXPECT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, other.Receive()), CONNECT_E_NOCONNECTION);
    CComPtrT<IConnectionPoint> cp;
    ASSERT_EQ(cpc->FindConnectionPoint(DIID_TessalineEvents, cp.Receive()), S_OK);
    IID iid{};
    ASSERT_EQ(cp->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualGUID(iid, DIID_TessalineEvents));

    CEventCounter sink(DIID_TessalineEvents);
    DWORD cookie = 0;
    ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);

    // Without a control window there is nothing to fire through.
    Control().GetPanel().FireUploadFinished();
    EXPECT_EQ(sink.Count(1), 0);

    Attach();
    Control().GetPanel().FireUploadFinished();
    EXPECT_EQ(sink.Count(1), 1);

    CComPtrT<IOleControl> oleControl;
    ASSERT_EQ(m_disp.QueryInterface(oleControl), S_OK);
    oleControl->FreezeEvents(TRUE);
    Control().GetPanel().FireUploadFinished();
    EXPECT_EQ(sink.Count(1), 1);
    oleControl->FreezeEvents(FALSE);
    Control().GetPanel().FireUploadFinished();
    EXPECT_EQ(sink.Count(1), 2);

    EXPECT_EQ(cp->Unadvise(cookie), S_OK);
    EXPECT_EQ(cp->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    Control().GetPanel().FireUploadFinished();
    EXPECT_EQ(sink.Count(1), 2);
    EXPECT_EQ(sink.RefCount(), 1u);  // the control let go of the sink
}

TEST_F(HostedCtrlTest, ClosingTheContainerDestroysTheControlWindows) {
    Attach();
    HWND control = Control().m_hWnd;
    HWND panel = Control().GetPanel().m_hWnd;
    CComPtrT<IOleObject> ole;
    ASSERT_EQ(m_disp.QueryInterface(ole), S_OK);
    ASSERT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_FALSE(IsWindow(control));
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_FALSE(Control().IsInPlaceActive());
    EXPECT_EQ(Control().GetPanel().m_hWnd, nullptr);
}

TEST(TessalinePropPage, ShowsTheGeneralPageAndChangesNothing) {
    CTestApartment apartment;
    CTestWindow frame(400, 200, "property frame");
    auto control = CreateFromFactory<IPersistStreamInit>(CLSID_TessalineCtrl, IID_IPersistStreamInit);
    ASSERT_TRUE(control);
    control->InitNew();
    auto page = CreateFromFactory<IPropertyPage>(CLSID_TessalinePropPage, IID_IPropertyPage);
    ASSERT_TRUE(page);

    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"General");
    EXPECT_GT(info.size.cx, 0);
    EXPECT_GT(info.size.cy, 0);
    CoTaskMemFree(info.pszTitle);

    IUnknown* objects[] = {control.Get()};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    RECT rc{0, 0, info.size.cx, info.size.cy};
    ASSERT_EQ(page->Activate(frame.Get(), &rc, FALSE), S_OK);
    HWND pageWnd = GetWindow(frame.Get(), GW_CHILD);
    ASSERT_NE(pageWnd, nullptr);
    char text[160] = {};
    GetWindowTextA(GetWindow(pageWnd, GW_CHILD), text, sizeof text);
    EXPECT_STREQ(text, "TODO: Place controls to manipulate properties of Tessaline Control on this dialog.");
    EXPECT_EQ(page->Show(SW_SHOW), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(control->IsDirty(), S_FALSE);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_FALSE(IsWindow(pageWnd));
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
}

}  // namespace
