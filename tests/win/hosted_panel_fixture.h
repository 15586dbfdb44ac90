// The control hosted in Wine's ATL container for tests of its panel and grid, with a scratch
// folder of files and an answerer for the panel's message boxes.
#pragma once
#include "control/tessaline_ctrl.h"
#include "dispatch_helpers.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"
#include "res/resource.h"
#include "tessaline_h.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <atomic>
#include <fstream>
#include <set>
#include <string>
#include <thread>

// A folder of its own under the temporary folder, removed with everything in it.
class CScratchFolder {
public:
    CScratchFolder() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_strPath = std::string(temp) + "tessaline-panel-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(s_nNext++);
        CreateDirectoryA(m_strPath.c_str(), nullptr);
    }
    ~CScratchFolder() { RemoveTree(m_strPath); }
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name, size_t bytes) const {
        std::string path = m_strPath + "\\" + name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        return path;
    }

private:
    static inline int s_nNext = 0;
    std::string m_strPath;
};

// Answers the next message box titled "提示" from another thread, keeping its text.
class CMessageBoxAnswerer {
public:
    CMessageBoxAnswerer() : m_thread([this] { Run(); }) {}
    ~CMessageBoxAnswerer() {
        m_bStop = true;
        m_thread.join();
    }
    std::string Text() {
        m_bStop = true;
        m_thread.join();
        m_thread = std::thread([] {});
        return m_strText;
    }

private:
    void Run() {
        for (int i = 0; i < 500 && !m_bStop; ++i) {
            if (HWND box = FindWindowA("#32770", "提示")) {
                char text[256] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                m_strText = text;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    }
    std::atomic<bool> m_bStop{false};
    std::string m_strText = "<no message box>";
    std::thread m_thread;
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_atl.Load());
        CComPtrT<IClassFactory> factory;
        ASSERT_EQ(COleObjectFactory::GetClassObject(CLSID_TessalineCtrl, IID_IClassFactory, factory.ReceiveVoid()),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, m_disp.ReceiveVoid()), S_OK);
        RECT rc = {0, 0, 800, 600};
        m_site = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom, s_window->Get(),
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_EQ(m_atl.AttachControl(m_disp.Get(), m_site, m_container.Receive()), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return Panel().m_hWnd != nullptr; }, 5000));
        PumpFor(50);
    }
    void TearDown() override {
        if (m_site) DestroyWindow(m_site);
        m_container.Release();
        PumpFor(20);
    }
    static void SetUpTestSuite() { s_window = new CTestWindow(820, 640, "panel test", true); }
    static void TearDownTestSuite() {
        delete s_window;
        s_window = nullptr;
    }

    CTessalineCtrl& Control() { return *static_cast<CTessalineCtrl*>(m_disp.Get()); }
    CMainPanelDlg& Panel() { return Control().GetPanel(); }
    HWND Item(int id) { return GetDlgItem(Panel().m_hWnd, id); }
    bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
    // Scans a folder as a click in the tree would, and lets the grid take the new list.
    LRESULT Scan(const std::string& folder) {
        LRESULT r = SendMessageA(Panel().m_hWnd, 0x464, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        PumpFor(30);
        return r;
    }
    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (const auto& item : Panel().m_arrItems) names.insert(item->strCaption);
        return names;
    }
    void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void SetAutoCompress(bool on) { Button_SetCheck(Item(IDC_AUTO_COMPRESS), on ? BST_CHECKED : BST_UNCHECKED); }
    std::string SpaceText() { return Panel().GetSpaceLabel().GetText(); }

    static inline CTestWindow* s_window = nullptr;
    CTestApartment m_apartment;
    AtlAxApi m_atl;
    HWND m_site = nullptr;
    CComPtrT<IDispatch> m_disp;
    CComPtrT<IUnknown> m_container;
};

