// The four exports of the control's DLL, and its entry point.
#include "control/registration.h"
#include "control/tessaline_app.h"
#include "control/tessaline_ctrl.h"
#include "framework/module.h"
#include "framework/ole_object_factory.h"

// The pages a control built for one site may be scripted from (`make dist SITES=...`); a
// plain build serves every page.
#ifndef TESSALINE_ALLOWED_SITES
#define TESSALINE_ALLOWED_SITES ""
#endif

namespace {
CTessalineApp theApp;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(hInstance);
        CTessalineCtrl::SetModuleSiteList(TESSALINE_ALLOWED_SITES);
        return theApp.InitInstance(hInstance);
    }
    if (dwReason == DLL_PROCESS_DETACH) theApp.ExitInstance();
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return COleObjectFactory::GetClassObject(rclsid, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return CModule::CanUnload() ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return RegisterTessalineServer(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return UnregisterTessalineServer(); }
