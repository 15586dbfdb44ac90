// The control's About box in a page site: owned by the container's top-level window, one box
// however often a page asks, and the frame told when the modal loop starts and ends.
#include "dispatch_helpers.h"
#include "hosted_control.h"
#include "page_site.h"
#include "tessaline_h.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const char kAboutTitle[] = "About Halvane Media Tools";

HRESULT CallAboutBox(IDispatch* disp) {
    DISPPARAMS none{};
    return disp->Invoke(DISPID_ABOUTBOX, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                        nullptr);
}

// This thread's About boxes on screen: other programs on the display may show theirs.
BOOL CALLBACK CollectIfAboutBox(HWND hWnd, LPARAM lParam) {
    char title[128] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    if (IsWindowVisible(hWnd) && std::string(title) == kAboutTitle)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> AboutBoxes() {
    std::vector<HWND> boxes;
    EnumThreadWindows(GetCurrentThreadId(), CollectIfAboutBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

// What the page's timer saw while the box was up; a timer procedure has no context of its own.
struct AboutSeen {
    IDispatch* pDisp = nullptr;
    CPageSite* pSite = nullptr;
    bool bSeen = false;
    HWND hOwner = nullptr;
    int nModelessDisabled = -1;
    HRESULT hrAgain = E_FAIL;
    int nBoxes = 0;
};
AboutSeen g_seen;

// The page's timer: calls AboutBox again while the box is up, then closes the box.
void CALLBACK WhileTheBoxIsUp(HWND, UINT, UINT_PTR nTimer, DWORD) {
    const std::vector<HWND> boxes = AboutBoxes();
    if (boxes.empty()) return;
    HWND box = boxes.front();
    KillTimer(nullptr, nTimer);
    g_seen.bSeen = true;
    g_seen.hOwner = GetWindow(box, GW_OWNER);
    g_seen.nModelessDisabled = g_seen.pSite->ModelessDisabled();
    g_seen.hrAgain = CallAboutBox(g_seen.pDisp);
    g_seen.nBoxes = static_cast<int>(AboutBoxes().size());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST(ModalLoops, AboutBoxIsOwnedByTheTopLevelWindowTellsTheFrameAndDoesNotNest) {
    CTestApartment apartment;
    CTestWindow window(640, 400);
    HWND hSite = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 360, window.Get(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    auto disp = CreateFromFactory<IDispatch>(CLSID_TessalineCtrl, IID_IDispatch);
    ASSERT_TRUE(disp);
    CComPtrT<CPageSite> site = CPageSite::Create(hSite, std::nullopt);
    ASSERT_EQ(site->Activate(disp.Get()), S_OK);

    g_seen = AboutSeen{disp.Get(), site.Get()};
    const UINT_PTR nTimer = SetTimer(nullptr, 0, 20, WhileTheBoxIsUp);
    ASSERT_NE(nTimer, 0u);
    EXPECT_EQ(CallAboutBox(disp.Get()), S_OK);
    KillTimer(nullptr, nTimer);
    PumpFor(20);  // the loop's hold on the control is let go from the message loop
    ASSERT_TRUE(g_seen.bSeen) << "the box never showed";
    EXPECT_EQ(g_seen.hOwner, window.Get());
    EXPECT_EQ(g_seen.nModelessDisabled, 1) << "the frame hears of the loop";
    EXPECT_EQ(g_seen.hrAgain, S_OK) << "a second call returns at once";
    EXPECT_EQ(g_seen.nBoxes, 1);
    EXPECT_EQ(site->ModelessDisabled(), 0) << "and of its end";
    EXPECT_TRUE(AboutBoxes().empty());
    site->Close();
}

}  // namespace
