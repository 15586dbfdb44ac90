// Self-registration helpers: control, property page and type library entries under
// HKEY_CLASSES_ROOT, and their removal.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

enum OleRegFlags : int {
    afxRegInsertable = 0x0001,
    afxRegApartmentThreading = 0x0002,
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case, as the registry names classes.
std::string GuidToRegistryString(REFGUID guid);

// The platform this module's type library is registered for (its TypeLib subkey).
#ifdef _WIN64
constexpr SYSKIND kModuleSysKind = SYS_WIN64;
constexpr char kModuleSysKindKey[] = "win64";
#else
constexpr SYSKIND kModuleSysKind = SYS_WIN32;
constexpr char kModuleSysKindKey[] = "win32";
#endif

bool AfxOleRegisterTypeLib(HINSTANCE hInstance, REFGUID tlid, LPCSTR pszFileName = nullptr,
                           LPCSTR pszHelpDir = nullptr);
bool AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor = 1, WORD wVerMinor = 0, LCID lcid = 0);

bool AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID, UINT idTypeName, UINT idBitmap,
                                int nRegFlags, DWORD dwMiscStatus, REFGUID tlid, WORD wVerMajor, WORD wVerMinor);
bool AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName);
// Removes the class key with everything under it, and the ProgID key when one is given.
bool AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID);
