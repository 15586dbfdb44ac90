// The server's "stopping" flag, with a sleep that ends early when it is raised.
#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

class CStopSignal {
public:
    void Raise() {
        {
            std::lock_guard guard(m_lock);
            m_bRaised = true;
        }
        m_wake.notify_all();
    }
    bool Raised() const {
        std::lock_guard guard(m_lock);
        return m_bRaised;
    }
    // False when the signal was raised before the time was up.
    bool SleepFor(std::chrono::milliseconds duration) {
        std::unique_lock guard(m_lock);
        return !m_wake.wait_for(guard, duration, [this] { return m_bRaised; });
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_bRaised = false;
};
