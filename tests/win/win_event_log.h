// What a screen reader would hear from this process: the object events of windows, taken
// through an out-of-context hook while the log lives.
#pragma once
#include "test_support.h"

#include <windows.h>

#include <utility>
#include <vector>

// The events a reader would hear from this process while the object lives.
class CWinEventLog {
public:
    explicit CWinEventLog(DWORD dwFirst = EVENT_OBJECT_FOCUS, DWORD dwLast = EVENT_OBJECT_SELECTIONWITHIN) {
        s_pLog = this;
        m_hHook = SetWinEventHook(dwFirst, dwLast, nullptr, &CWinEventLog::OnEvent, GetCurrentProcessId(), 0,
                                  WINEVENT_OUTOFCONTEXT);
    }
    ~CWinEventLog() {
        if (m_hHook) UnhookWinEvent(m_hHook);
        s_pLog = nullptr;
    }
    bool Hooked() const { return m_hHook != nullptr; }
    struct Event {
        DWORD dwEvent;
        HWND hWnd;
        LONG idChild;
        friend bool operator==(const Event&, const Event&) = default;
    };
    // The events of hWnd heard so far (after the queued ones come in); all are let go.
    std::vector<Event> Take(HWND hWnd) {
        std::vector<Event> events;
        for (const Event& e : TakeAll())
            if (e.hWnd == hWnd) events.push_back(e);
        return events;
    }
    std::vector<Event> TakeAll() {
        PumpFor(50);
        return std::exchange(m_events, {});
    }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD dwEvent, HWND hWnd, LONG idObject, LONG idChild, DWORD, DWORD) {
        if (s_pLog && idObject == OBJID_CLIENT) s_pLog->m_events.push_back(Event{dwEvent, hWnd, idChild});
    }
    static inline CWinEventLog* s_pLog = nullptr;
    HWINEVENTHOOK m_hHook = nullptr;
    std::vector<Event> m_events;
};
