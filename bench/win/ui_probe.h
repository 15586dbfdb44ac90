// How soon a user-interface thread answers a message posted to it: a hidden window on the
// thread that makes the probe, and a thread of the probe's own that posts to it every period
// once the last message was answered. A probe that waits keeps its sending time, so each
// delay is measured from when it was posted.
#pragma once
#include <atomic>
#include <functional>
#include <stop_token>
#include <thread>
#include <utility>

#include "bench_clock.h"
#include "framework/wnd.h"

class CUiProbe : public CWnd {
public:
    // onWorse, when given, runs on this thread at each new worst delay, with the time
    // (Seconds()) that probe was posted.
    explicit CUiProbe(DWORD dwPeriodMs, std::function<void(double sentAt)> onWorse = {})
        : m_onWorse(std::move(onWorse)) {
        CreateEx(0, RegisterWndClass(0), "", WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0);
        m_prober = std::jthread([this, dwPeriodMs](std::stop_token stop) {
            while (!stop.stop_requested()) {
                if (m_bAnswered.exchange(false)) {
                    m_sentAt = Seconds();
                    PostMessage(kProbeMessage);
                }
                Sleep(dwPeriodMs);
            }
        });
    }
    // Posts no more probes; the last one may still be queued.
    void Stop() {
        m_prober.request_stop();
        if (m_prober.joinable()) m_prober.join();
    }
    double WorstMs() const { return m_worst * 1000.0; }
    long Samples() const { return m_nSamples; }

protected:
    LRESULT OnProbe(WPARAM, LPARAM) {
        const double sentAt = m_sentAt.load();
        const double latency = Seconds() - sentAt;
        if (latency > m_worst) {
            m_worst = latency;
            if (m_onWorse) m_onWorse(sentAt);
        }
        ++m_nSamples;
        m_bAnswered = true;
        return 0;
    }
    BEGIN_MESSAGE_MAP(CUiProbe, CWnd)
        ON_MESSAGE(kProbeMessage, OnProbe)
    END_MESSAGE_MAP()

private:
    static constexpr UINT kProbeMessage = WM_APP;
    std::function<void(double)> m_onWorse;
    std::atomic<double> m_sentAt{0};
    std::atomic<bool> m_bAnswered{true};
    double m_worst = 0;
    long m_nSamples = 0;
    // Last: it is started once the members it reads exist, and joined before they go.
    std::jthread m_prober;
};
