#include "control/tessaline_app.h"

#include "framework/module.h"
#include "framework/wnd.h"

BOOL CTessalineApp::InitInstance(HINSTANCE hInstance) {
    CModule::SetInstance(hInstance);
    return TRUE;
}

int CTessalineApp::ExitInstance() {
    // The window procedure of this module's classes leaves with the module.
    CWnd::UnregisterWndClasses();
    return 0;
}
