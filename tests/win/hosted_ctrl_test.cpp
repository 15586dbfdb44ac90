#include "control/tessaline_prop_page.h"
#include "dispatch_helpers.h"
#include "hosted_control.h"
#include "tessaline_h.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <olectl.h>

namespace {

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
    void SetUp() override { ASSERT_TRUE(m_host.Create(m_window.Get(), RECT{10, 10, 610, 370})); }
    void Attach() { ASSERT_TRUE(m_host.Attach()); }
    CTessalineCtrl& Control() { return m_host.Control(); }

    CTestApartment m_apartment;
    CTestWindow m_window{640, 400};
    CHostedControl m_host;
};

TEST_F(HostedCtrlTest, InPlaceActivationPutsThePanelOverTheWholeControl) {
    Attach();
    CTessalineCtrl& ctrl = Control();
    EXPECT_TRUE(ctrl.IsInPlaceActive());
    EXPECT_EQ(GetParent(ctrl.m_hWnd), m_host.Site());
    ASSERT_NE(ctrl.GetPanel().m_hWnd, nullptr);
    EXPECT_EQ(GetParent(ctrl.GetPanel().m_hWnd), ctrl.m_hWnd);
    EXPECT_TRUE(GetWindowLongA(ctrl.GetPanel().m_hWnd, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(SameSize(ClientRect(ctrl.m_hWnd), ClientRect(m_host.Site())));
    EXPECT_TRUE(SameSize(ClientRect(ctrl.GetPanel().m_hWnd), ClientRect(ctrl.m_hWnd)));

    // The container passes its new size on; the panel follows the control.
    MoveWindow(m_host.Site(), 0, 0, 420, 250, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return ClientRect(ctrl.m_hWnd).right == 420; }, 3000));
    PumpFor(50);
    EXPECT_TRUE(SameSize(ClientRect(ctrl.GetPanel().m_hWnd), RECT{0, 0, 420, 250}));
}

TEST_F(HostedCtrlTest, AlbumNameBecomesThePanelsWindowText) {
    CVariant before(std::wstring(L"\u6625\u8282"));  // "春节", set before the window exists
    ASSERT_EQ(PutProperty(m_host.Dispatch().Get(), L"AlbumName", before.Ref()), S_OK);
    Attach();
    char text[64] = {};
    GetWindowTextA(Control().GetPanel().m_hWnd, text, sizeof text);
    EXPECT_STREQ(text, "春节");
    CVariant after(std::wstring(L"Holiday"));
    ASSERT_EQ(PutProperty(m_host.Dispatch().Get(), L"AlbumName", after.Ref()), S_OK);
    GetWindowTextA(Control().GetPanel().m_hWnd, text, sizeof text);
    EXPECT_STREQ(text, "Holiday");
}

TEST_F(HostedCtrlTest, UploadFinishedReachesConnectedSinks) {
    CComPtrT<IConnectionPointContainer> cpc;
    ASSERT_EQ(m_host.Dispatch().QueryInterface(cpc), S_OK);
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
    ASSERT_EQ(m_host.Dispatch().QueryInterface(oleControl), S_OK);
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
    ASSERT_EQ(m_host.Dispatch().QueryInterface(ole), S_OK);
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
