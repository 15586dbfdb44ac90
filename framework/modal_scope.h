// Modal loops run by a control on its container's thread. While one runs, the page may let
// go of the control (a tab closed, a navigation, the object removed from a timer): whoever
// runs the loop holds the control through a CModalScope, which keeps it alive and tells the
// container to hold back its own modeless windows until the loop ends.
#pragma once
#include <unknwn.h>

class CModalHost {
public:
    // A modal loop starts: keep the object alive and tell the container.
    virtual void BeginModal() = 0;
    // It ended: tell the container, and let the object go once the stack is unwound.
    virtual void EndModal() = 0;

protected:
    ~CModalHost() = default;
};

// One modal loop's duration; a null host (a window used outside a control) does nothing.
class CModalScope {
public:
    explicit CModalScope(CModalHost* pHost) : m_pHost(pHost) {
        if (m_pHost) m_pHost->BeginModal();
    }
    ~CModalScope() {
        if (m_pHost) m_pHost->EndModal();
    }
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;

private:
    CModalHost* m_pHost;
};

// Releases the object from this thread's message loop, once every frame now on the stack has
// returned: the code that ran a modal loop may still use the object after the loop ends, and
// the reference it held may be the last. Releases at once when no message can be posted.
void ReleaseWhenIdle(IUnknown* pUnknown);
