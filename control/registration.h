// What the module's self-registration writes and removes.
#pragma once
#include <windows.h>

// The classes, the type library and the control's safety categories.
HRESULT RegisterTessalineServer();
HRESULT UnregisterTessalineServer();
