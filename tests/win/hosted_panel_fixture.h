// The control hosted in Wine's ATL container for tests of its panel and grid, with an
// answerer for the panel's message boxes.
#pragma once
#include "base/mbcs_text.h"
#include "dispatch_helpers.h"
#include "framework/gdi.h"
#include "framework/text.h"
#include "hosted_control.h"
#include "imaging/jpeg_writer.h"
#include "res/resource.h"
#include "suite_window.h"
#include "tessaline_h.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <atomic>
#include <commctrl.h>
#include <olectl.h>
#include <functional>
#include <set>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What a modal window showed when it was answered.
struct AnsweredWindow {
    bool bFound = false;
    std::string strText;                         // a message box's text, or the result dialog's message
    std::string strListLabel;                    // the result dialog's list label
    std::string strColumn1;                      // the header of the list's second column
    std::vector<std::vector<std::string>> rows;  // the list's cells
    bool bReuploadVisible = false;               // the result dialog's "重新上传"
    bool bReuploadEnabled = false;
};

// Answers the next top-level window with this title from another thread: reads what it
// shows, runs onFound (to change the world before the answer), then presses the button.
class CWindowAnswerer {
public:
    // A modal window nobody answers holds its thread for good: however late it comes on a
    // loaded machine, it is answered, and the test fails on what it read, not by hanging.
    static constexpr DWORD kPatienceMs = 120000;
    CWindowAnswerer(std::string strTitle, int nButton, std::function<void()> onFound = {},
                    DWORD dwTimeoutMs = kPatienceMs)
        : m_strTitle(std::move(strTitle)),
          m_nButton(nButton),
          m_onFound(std::move(onFound)),
          m_dwTimeoutMs(dwTimeoutMs),
          m_thread([this] { Run(); }) {}
    ~CWindowAnswerer() {
        m_bStop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    bool Done() const { return m_bDone; }
    // Waits for the answer; the window's thread must be pumping meanwhile (it is, inside
    // its modal loop, once the window is up).
    const AnsweredWindow& Result() {
        if (m_thread.joinable()) m_thread.join();
        return m_result;
    }

private:
    static std::string TextOf(HWND h) {
        char text[4096] = {};
        GetWindowTextA(h, text, sizeof text);
        return text;
    }
    void Read(HWND w) {
        m_result.bFound = true;
        HWND message = GetDlgItem(w, 0xFFFF);
        m_result.strText = TextOf(message ? message : GetDlgItem(w, IDC_RESULT_MESSAGE));
        m_result.strListLabel = TextOf(GetDlgItem(w, IDC_RESULT_LIST_LABEL));
        if (HWND list = GetDlgItem(w, IDC_RESULT_LIST)) {
            char header[256] = {};
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT;
            column.pszText = header;
            column.cchTextMax = sizeof header;
            SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
            m_result.strColumn1 = header;
            const int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                std::vector<std::string> row;
                for (int c = 0; c < 2; ++c) {
                    std::string cell(16384, '\0');
                    LVITEMA item{};
                    item.iSubItem = c;
                    item.pszText = cell.data();
                    item.cchTextMax = static_cast<int>(cell.size());
                    cell.resize(static_cast<size_t>(
                        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))));
                    row.push_back(cell);
                }
                m_result.rows.push_back(row);
            }
        }
        HWND reupload = GetDlgItem(w, IDOK);
        m_result.bReuploadVisible = reupload && IsWindowVisible(reupload);
        m_result.bReuploadEnabled = reupload && IsWindowEnabled(reupload);
    }
    // Tests of other processes share the display and the prefix: only this one's dialogs count.
    HWND OwnVisibleDialog() const {
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", m_strTitle.c_str()));) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && IsWindowVisible(w)) return w;
        }
        return nullptr;
    }
    void Run() {
        const DWORD dwStart = GetTickCount();
        while (!m_bStop && GetTickCount() - dwStart < m_dwTimeoutMs) {
            HWND w = OwnVisibleDialog();
            if (w) {
                Read(w);
                if (m_onFound) m_onFound();
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(m_nButton, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(w, m_nButton)));
                m_bDone = true;
                return;
            }
            Sleep(10);
        }
    }
    std::string m_strTitle;
    int m_nButton;
    std::function<void()> m_onFound;
    DWORD m_dwTimeoutMs;
    AnsweredWindow m_result;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bDone{false};
    std::thread m_thread;
};

// Answers the next message box titled "提示" with its first button, keeping its text.
class CMessageBoxAnswerer : public CWindowAnswerer {
public:
    CMessageBoxAnswerer() : CWindowAnswerer("提示", IDOK) {}
    std::string Text() {
        const AnsweredWindow& r = Result();
        return r.bFound ? r.strText : "<no message box>";
    }
};

// A real JPEG of the given size, drawn and written by the control's own writer: its top half
// in one colour, its bottom half in another (the same by default).
inline void WriteJpeg(const std::string& path, int width, int height, COLORREF crTop = RGB(200, 60, 40),
                      std::optional<COLORREF> crBottom = std::nullopt) {
    CBackBuffer surface(nullptr, width, height);
    ASSERT_TRUE(surface);
    FillSolidRect(surface.Get(), RECT{0, 0, width, height / 2}, crTop);
    FillSolidRect(surface.Get(), RECT{0, height / 2, width, height}, crBottom.value_or(crTop));
    ASSERT_TRUE(SaveRectAsJpeg(surface.Get(), 0, 0, width, height, 85, AnsiToWide(path).c_str()));
}

// The pixel size of a thumbnail's bitmap.
inline SIZE BitmapSize(IPicture* picture) {
    OLE_HANDLE handle = 0;
    BITMAP bm{};
    if (FAILED(picture->get_Handle(&handle)) ||
        !GetObjectA(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof bm, &bm))
        return SIZE{};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

class PanelTest : public CSuiteWindowTest<820, 640> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.Create(Window(), RECT{0, 0, m_szSite.cx, m_szSite.cy}));
        ASSERT_TRUE(m_host.Attach());
        PumpFor(50);
    }
    void TearDown() override { m_host.Close(); }

    IDispatch* Dispatch() { return m_host.Dispatch().Get(); }
    CTessalineCtrl& Control() { return m_host.Control(); }
    CMainPanelDlg& Panel() { return m_host.Panel(); }
    HWND Item(int id) { return GetDlgItem(Panel().m_hWnd, id); }
    bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
    // Scans a folder as a click in the tree would, and lets the grid take the new list.
    LRESULT Scan(const std::string& folder) {
        LRESULT r = SendMessageA(Panel().m_hWnd, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        PumpFor(30);
        return r;
    }
    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (std::size_t i = 0; i < Panel().GetItems().size(); ++i) names.insert(Caption(i));
        return names;
    }
    std::string Caption(std::size_t nIndex) { return std::string(Panel().GetPictureName(nIndex)); }
    void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void SetAutoCompress(bool on) { Button_SetCheck(Item(IDC_AUTO_COMPRESS), on ? BST_CHECKED : BST_UNCHECKED); }
    // Runs the panel until no marked picture is being prepared any more.
    bool PumpUntilPrepared(DWORD dwTimeoutMs = 20000) {
        return PumpUntil([this] { return !Panel().IsAnyPreparing(); }, dwTimeoutMs);
    }
    // What automation reads, which is also what the label paints.
    std::string SpaceText() { return Panel().GetSpaceLabel().GetWindowText(); }

    // The control's size on the page, in pixels.
    SIZE m_szSite{800, 600};
    CTestApartment m_apartment;
    CHostedControl m_host;
};
