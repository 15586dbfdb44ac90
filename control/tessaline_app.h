// The module object: start-up and shutdown of the control's DLL.
#pragma once
#include <windows.h>

class CTessalineApp {
public:
    BOOL InitInstance(HINSTANCE hInstance);
    int ExitInstance();
};
