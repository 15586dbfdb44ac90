#include "framework/wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A window object whose WM_DESTROY handling reads its own member, as real teardown does.
class CRecordingWnd : public CWnd {
public:
    CRecordingWnd(std::vector<std::string>& log, std::string name) : m_log(log), m_strName(std::move(name)) {}
    bool Create() { return CreateEx(0, RegisterWndClass(0), "", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0) != FALSE; }

protected:
    void OnDestroy() { m_log.push_back("destroy " + m_strName); }

    BEGIN_MESSAGE_MAP(CRecordingWnd, CWnd)
        ON_WM_DESTROY()
    END_MESSAGE_MAP()

private:
    std::vector<std::string>& m_log;
    std::string m_strName;
};

// Adds members but no map of its own.
class CPlainDerivedWnd : public CRecordingWnd {
public:
    using CRecordingWnd::CRecordingWnd;
    std::string m_strExtra = "extra";
};

TEST(Wnd, ObjectDestroyedWithItsWindowAliveStillHandlesWmDestroy) {
    std::vector<std::string> log;
    HWND hWnd = nullptr;
    {
        CRecordingWnd wnd(log, "recording");
        ASSERT_TRUE(wnd.Create());
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(log, std::vector<std::string>{"destroy recording"});

    log.clear();
    {
        CPlainDerivedWnd wnd(log, "plain");
        ASSERT_TRUE(wnd.Create());
    }
    EXPECT_EQ(log, std::vector<std::string>{"destroy plain"});
}

TEST(Wnd, WindowDestroyedFirstLeavesTheObjectReusable) {
    std::vector<std::string> log;
    CRecordingWnd wnd(log, "again");
    ASSERT_TRUE(wnd.Create());
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    ASSERT_TRUE(wnd.Create());
    EXPECT_NE(wnd.m_hWnd, nullptr);
    EXPECT_EQ(log.size(), 1u);
}

}  // namespace
