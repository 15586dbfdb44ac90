#include "control/registration.h"

#include "framework/module.h"
#include "framework/ole_object_factory.h"
#include "framework/ole_registry.h"
#include "framework/scoped_handle.h"
#include "tessaline_h.h"

#include <olectl.h>

namespace {

const char kSafeForScripting[] = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const char kSafeForInitializing[] = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

// Declares the control safe for scripting and for initialising. Failures are silent: the
// classes are registered either way.
void AddControlCategories() {
    CScopedRegKey clsidRoot;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, clsidRoot.Receive()) != ERROR_SUCCESS) return;
    CScopedRegKey control;
    if (RegOpenKeyExA(clsidRoot.Get(), GuidToRegistryString(CLSID_TessalineCtrl).c_str(), 0, KEY_READ | KEY_WRITE,
                      control.Receive()) != ERROR_SUCCESS)
        return;
    CScopedRegKey categories;
    if (RegCreateKeyExA(control.Get(), "Implemented Categories", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        categories.Receive(), nullptr) != ERROR_SUCCESS)
        return;
    for (const char* category : {kSafeForScripting, kSafeForInitializing}) {
        CScopedRegKey key;
        RegCreateKeyExA(categories.Get(), category, 0, nullptr, 0, KEY_READ, nullptr, key.Receive(), nullptr);
    }
}

}  // namespace

HRESULT RegisterTessalineServer() {
    if (!AfxOleRegisterTypeLib(CModule::Instance(), LIBID_TESSALINELib)) return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(true)) return SELFREG_E_CLASS;
    AddControlCategories();
    return S_OK;
}

HRESULT UnregisterTessalineServer() {
    if (!AfxOleUnregisterTypeLib(LIBID_TESSALINELib, 1, 0)) return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(false)) return SELFREG_E_CLASS;
    return S_OK;
}
