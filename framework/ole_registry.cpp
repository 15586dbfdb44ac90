#include "framework/ole_registry.h"
#include "framework/com_ptr.h"

#include "framework/module.h"
#include "framework/scoped_handle.h"
#include "framework/text.h"

#include <oleauto.h>

#include <cstdio>

namespace {

HINSTANCE ModuleOf(HINSTANCE hInstance) { return hInstance ? hInstance : CModule::Instance(); }

std::string ModulePath(HINSTANCE hInstance) {
    char path[MAX_PATH * 4];
    DWORD len = GetModuleFileNameA(ModuleOf(hInstance), path, sizeof path);
    return len > 0 && len < sizeof path ? std::string(path, len) : std::string();
}

// Creates key\subKey (subKey may be empty) and sets its default value (or a named one).
bool SetKeyValue(HKEY root, const std::string& key, const char* valueName, const std::string& value) {
    CScopedRegKey hKey;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, hKey.Receive(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(hKey.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool CreateKey(HKEY root, const std::string& key) {
    CScopedRegKey hKey;
    return RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, hKey.Receive(), nullptr) ==
           ERROR_SUCCESS;
}

bool DeleteTree(HKEY root, const std::string& key) {
    LSTATUS rc = RegDeleteTreeA(root, key.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    rc = RegDeleteKeyA(root, key.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::string GuidToRegistryString(REFGUID g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool AfxOleRegisterTypeLib(HINSTANCE hInstance, REFGUID tlid, LPCSTR pszFileName, LPCSTR pszHelpDir) {
    (void)pszHelpDir;  // the help file sits beside the module; no separate folder is registered
    std::string path = pszFileName ? pszFileName : ModulePath(hInstance);
    if (path.empty()) return false;
    std::wstring widePath = AnsiToWide(path);
    CComPtrT<ITypeLib> lib;
    if (FAILED(LoadTypeLibEx(widePath.c_str(), REGKIND_REGISTER, lib.Receive())) || !lib) return false;
    TLIBATTR* attr = nullptr;
    bool matches = SUCCEEDED(lib->GetLibAttr(&attr)) && attr && attr->guid == tlid;
    if (attr) lib->ReleaseTLibAttr(attr);
    return matches;
}

bool AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor, WORD wVerMinor, LCID lcid) {
    return SUCCEEDED(UnRegisterTypeLib(tlid, wVerMajor, wVerMinor, lcid, kModuleSysKind));
}

bool AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID, UINT idTypeName, UINT idBitmap,
                                int nRegFlags, DWORD dwMiscStatus, REFGUID tlid, WORD wVerMajor, WORD wVerMinor) {
    const std::string path = ModulePath(hInstance);
    const std::string typeName = LoadResString(idTypeName);
    const std::string key = "CLSID\\" + GuidToRegistryString(clsid);
    char misc[16], bitmap[16], version[16];
    std::snprintf(misc, sizeof misc, "%lu", static_cast<unsigned long>(dwMiscStatus));
    std::snprintf(bitmap, sizeof bitmap, ", %u", idBitmap);
    std::snprintf(version, sizeof version, "%u.%u", wVerMajor, wVerMinor);

    bool ok = !path.empty() && SetKeyValue(HKEY_CLASSES_ROOT, key, nullptr, typeName) &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, path) &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\ProgID", nullptr, pszProgID) &&
              CreateKey(HKEY_CLASSES_ROOT, key + "\\Control") &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\MiscStatus", nullptr, "0") &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\MiscStatus\\1", nullptr, misc) &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\ToolboxBitmap32", nullptr, path + bitmap) &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, GuidToRegistryString(tlid)) &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\Version", nullptr, version) &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\Verb\\0", nullptr, "&Edit,0,2") &&
              SetKeyValue(HKEY_CLASSES_ROOT, key + "\\Verb\\1", nullptr, "&Properties,0,2") &&
              SetKeyValue(HKEY_CLASSES_ROOT, pszProgID, nullptr, typeName) &&
              SetKeyValue(HKEY_CLASSES_ROOT, std::string(pszProgID) + "\\CLSID", nullptr, GuidToRegistryString(clsid));
    if (ok && (nRegFlags & afxRegApartmentThreading))
        ok = SetKeyValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", "Apartment");
    if (ok && (nRegFlags & afxRegInsertable))
        ok = CreateKey(HKEY_CLASSES_ROOT, key + "\\Insertable") &&
             CreateKey(HKEY_CLASSES_ROOT, std::string(pszProgID) + "\\Insertable");
    return ok;
}

bool AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName) {
    const std::string path = ModulePath(hInstance);
    const std::string key = "CLSID\\" + GuidToRegistryString(clsid);
    return !path.empty() && SetKeyValue(HKEY_CLASSES_ROOT, key, nullptr, LoadResString(idTypeName)) &&
           SetKeyValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, path) &&
           SetKeyValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", "Apartment");
}

bool AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID) {
    bool ok = DeleteTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToRegistryString(clsid));
    if (pszProgID && *pszProgID) ok = DeleteTree(HKEY_CLASSES_ROOT, pszProgID) && ok;
    return ok;
}
