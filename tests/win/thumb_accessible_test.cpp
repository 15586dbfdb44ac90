#include "hosted_panel_fixture.h"
#include "win_event_log.h"

#include <oleacc.h>

#include <string>
#include <vector>

namespace {

VARIANT Child(long nId) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = nId;
    return v;
}

// The grid read as a screen reader reads it: through the object its window hands out.
class ThumbAccessibleTest : public PanelTest {
protected:
    CComPtrT<IAccessible> Open(HWND hWnd, LONG idObject = OBJID_CLIENT) {
        CComPtrT<IAccessible> acc;
        AccessibleObjectFromWindow(hWnd, static_cast<DWORD>(idObject), IID_IAccessible, acc.ReceiveVoid());
        return acc;
    }
    static std::string Name(IAccessible* acc, long nId) {
        BSTR name = nullptr;
        if (FAILED(acc->get_accName(Child(nId), &name)) || !name) return "<none>";
        CScopedBstr owned(name);
        return BstrToAnsi(name);
    }
    static long Number(IAccessible* acc, long nId, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
        VARIANT v;
        VariantInit(&v);
        return SUCCEEDED((acc->*get)(Child(nId), &v)) && v.vt == VT_I4 ? v.lVal : -1;
    }
    static long Role(IAccessible* acc, long nId) { return Number(acc, nId, &IAccessible::get_accRole); }
    static long State(IAccessible* acc, long nId) { return Number(acc, nId, &IAccessible::get_accState); }
    HWND Grid() { return Panel().GetThumbView().m_hWnd; }
};

TEST_F(ThumbAccessibleTest, TheGridIsAListOfItsPicturesNamedByFile) {
    CScratchFolder folder;
    for (int i = 0; i < 30; ++i) folder.Fill("p" + std::to_string(100 + i) + ".jpg", 1024);
    ASSERT_EQ(Scan(folder.Path()), 1);
    MoveWindow(Grid(), 200, 50, 380, 300, TRUE);
    Panel().GetThumbView().Layout();
    CComPtrT<IAccessible> acc = Open(Grid());
    ASSERT_TRUE(acc);

    long nCount = 0;
    ASSERT_EQ(acc->get_accChildCount(&nCount), S_OK);
    EXPECT_EQ(nCount, 30);
    EXPECT_EQ(Role(acc.Get(), CHILDID_SELF), ROLE_SYSTEM_LIST);
    for (long id = 1; id <= nCount; ++id) {
        EXPECT_EQ(Role(acc.Get(), id), ROLE_SYSTEM_LISTITEM);
        EXPECT_EQ(Name(acc.Get(), id), Caption(static_cast<std::size_t>(id - 1)));
    }
    const long first = State(acc.Get(), 1);
    EXPECT_TRUE(first & STATE_SYSTEM_SELECTABLE);
    EXPECT_FALSE(first & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_OFFSCREEN));
    EXPECT_TRUE(State(acc.Get(), 30) & STATE_SYSTEM_OFFSCREEN) << "the last row is below the screen";

    // Where the first picture is, and what is found there.
    long x = 0, y = 0, cx = 0, cy = 0;
    ASSERT_EQ(acc->accLocation(&x, &y, &cx, &cy, Child(1)), S_OK);
    EXPECT_EQ(cx, 102);
    VARIANT hit;
    ASSERT_EQ(acc->accHitTest(x + cx / 2, y + cy / 2, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, 1);

    BSTR action = nullptr;
    ASSERT_EQ(acc->get_accDefaultAction(Child(2), &action), S_OK);
    CScopedBstr ownedAction(action);
    EXPECT_EQ(BstrToAnsi(action), "toggle");
}

TEST_F(ThumbAccessibleTest, TheDefaultActionTogglesAsAClickAndEventsFollow) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 1024);
    folder.Fill("b.jpg", 2048);
    ASSERT_EQ(Scan(folder.Path()), 1);
    SetAutoCompress(false);
    CComPtrT<IAccessible> acc = Open(Grid());
    ASSERT_TRUE(acc);
    CWinEventLog log;
    ASSERT_TRUE(log.Hooked());

    ASSERT_EQ(acc->accDoDefaultAction(Child(2)), S_OK);
    EXPECT_TRUE(Panel().GetItems()[1]->bSelected);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 2.0);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW));
    EXPECT_TRUE(State(acc.Get(), 2) & STATE_SYSTEM_SELECTED);
    VARIANT selection;
    ASSERT_EQ(acc->get_accSelection(&selection), S_OK);
    EXPECT_EQ(selection.lVal, 2);

    ASSERT_EQ(acc->accSelect(SELFLAG_TAKEFOCUS, Child(1)), S_OK);
    EXPECT_EQ(GetFocus(), Grid());
    EXPECT_TRUE(State(acc.Get(), 1) & STATE_SYSTEM_FOCUSED);
    EXPECT_FALSE(State(acc.Get(), 2) & STATE_SYSTEM_FOCUSED);
    ASSERT_EQ(acc->accDoDefaultAction(Child(2)), S_OK);
    EXPECT_FALSE(Panel().GetItems()[1]->bSelected);

    using E = CWinEventLog::Event;
    const std::vector<E> events = log.Take(Grid());
    const std::vector<E> expected{{EVENT_OBJECT_SELECTIONADD, Grid(), 2},
                                  {EVENT_OBJECT_FOCUS, Grid(), 1},
                                  {EVENT_OBJECT_SELECTIONREMOVE, Grid(), 2}};
    std::vector<E> heard;
    for (const E& e : events)
        if (e.dwEvent != EVENT_OBJECT_FOCUS || heard.empty() || !(heard.back() == e)) heard.push_back(e);
    EXPECT_EQ(heard, expected);

    Click(IDC_SELECT_ALL);
    const std::vector<E> after = log.Take(Grid());
    EXPECT_NE(std::find(after.begin(), after.end(), E{EVENT_OBJECT_SELECTIONWITHIN, Grid(), CHILDID_SELF}),
              after.end());
}

TEST_F(ThumbAccessibleTest, ButtonsAndLabelsAnswerWithTheirOwnTexts) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 1024);
    ASSERT_EQ(Scan(folder.Path()), 1);
    const std::pair<int, const char*> named[] = {{IDC_SELECT_ALL, "全选"},
                                                 {IDC_SELECT_NONE, "全否"},
                                                 {IDC_UPLOAD_NOW, "立即上传"},
                                                 {IDC_SPACE_CAPTION, "相册空间："}};
    for (const auto& [id, text] : named) {
        CComPtrT<IAccessible> acc = Open(Item(id));
        ASSERT_TRUE(acc) << text;
        EXPECT_EQ(Name(acc.Get(), CHILDID_SELF), text);
    }
}

TEST_F(ThumbAccessibleTest, TheSpaceGaugeIsAProgressBarNamedByTheSpaceText) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 50 * 1024);
    SetAutoCompress(false);
    Panel().SetTotalSpace(1000);
    Panel().SetUsedSpace(250);
    ASSERT_EQ(Scan(folder.Path()), 1);
    const HWND gauge = GetDlgItem(Panel().m_hWnd, 2);
    CComPtrT<IAccessible> acc = Open(gauge);
    ASSERT_TRUE(acc);
    const auto value = [&] {
        BSTR text = nullptr;
        if (FAILED(acc->get_accValue(Child(CHILDID_SELF), &text)) || !text) return std::string("<none>");
        CScopedBstr owned(text);
        return BstrToAnsi(text);
    };
    EXPECT_EQ(Role(acc.Get(), CHILDID_SELF), ROLE_SYSTEM_PROGRESSBAR);
    EXPECT_EQ(value(), "25%");
    EXPECT_EQ(Name(acc.Get(), CHILDID_SELF), SpaceText());

    CWinEventLog events(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE);
    ASSERT_TRUE(events.Hooked());
    Panel().GetThumbView().ToggleItem(0);
    EXPECT_EQ(value(), "30%");
    EXPECT_EQ(Name(acc.Get(), CHILDID_SELF), SpaceText());
    EXPECT_NE(SpaceText().find("0.05M"), std::string::npos) << SpaceText();
    using E = CWinEventLog::Event;
    EXPECT_EQ(events.Take(gauge), (std::vector<E>{E{EVENT_OBJECT_VALUECHANGE, gauge, CHILDID_SELF}}));
    // The place and the parent are the system's answers for the window.
    long x = 0, y = 0, cx = 0, cy = 0;
    ASSERT_EQ(acc->accLocation(&x, &y, &cx, &cy, Child(CHILDID_SELF)), S_OK);
    RECT rc{};
    GetWindowRect(gauge, &rc);
    EXPECT_EQ((std::vector<long>{x, y, x + cx, y + cy}), (std::vector<long>{rc.left, rc.top, rc.right, rc.bottom}));
}

}  // namespace
