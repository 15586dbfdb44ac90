// Self-registration of the built .ocx through regsvr32, and its unload rule.
#include "../test_support.h"
#include "framework/com_ptr.h"
#include "framework/ole_registry.h"
#include "tessaline_h.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <string>

namespace {

const char kControlKey[] = "CLSID\\{28EB7AEB-B609-4F9F-9CDF-2A54C9FD2680}";
const char kPageKey[] = "CLSID\\{72B4BAC6-8E77-4C53-A235-7B645AB0F291}";
const char kTypeLibKey[] = "TypeLib\\{8CAE057A-4519-4EC2-A566-3C6BABF6DEE2}";
const char kDispatchKey[] = "Interface\\{E5426535-A07C-46FC-874F-E9F6CED52213}";
const char kEventsKey[] = "Interface\\{B2C67768-5F8E-4557-81DF-D3DC3B129695}";
const char kProgIDKey[] = "TESSALINE.TessalineCtrl.1";
const CLSID kPageClsid = {0x72b4bac6, 0x8e77, 0x4c53, {0xa2, 0x35, 0x7b, 0x64, 0x5a, 0xb0, 0xf2, 0x91}};

bool KeyExists(const std::string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

std::string ReadValue(const std::string& key, const char* name = nullptr) {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

DWORD RunRegsvr32(const std::string& flags) {
    std::string command = "regsvr32.exe " + flags + " \"" + OcxPath() + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(OcxPath().empty()) << "TESSALINE_OCX is not set"; }
    void TearDown() override {
        RunRegsvr32("/u /s");
        CoFreeUnusedLibraries();
    }
    CTestApartment m_apartment;
};

TEST_F(RegistrationTest, Regsvr32RoundTripLeavesNoKeyBehind) {
    ASSERT_EQ(RunRegsvr32("/s"), 0u);
    ASSERT_EQ(RunRegsvr32("/s"), 0u) << "registering again must succeed too";

    const std::string control = kControlKey;
    EXPECT_EQ(ReadValue(control), "Halvane Media Tools");
    EXPECT_TRUE(EqualNoCase(ReadValue(control + "\\InprocServer32"), OcxPath()))
        << ReadValue(control + "\\InprocServer32");
    EXPECT_EQ(ReadValue(control + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ReadValue(control + "\\ProgID"), kProgIDKey);
    EXPECT_EQ(ReadValue(control + "\\MiscStatus\\1"), "197009");  // 0x30191
    EXPECT_EQ(ReadValue(control + "\\TypeLib"), "{8CAE057A-4519-4EC2-A566-3C6BABF6DEE2}");
    EXPECT_EQ(ReadValue(control + "\\Version"), "1.0");
    EXPECT_TRUE(KeyExists(control + "\\Control"));
    EXPECT_TRUE(KeyExists(control + "\\Insertable"));
    EXPECT_TRUE(KeyExists(control + "\\ToolboxBitmap32"));
    EXPECT_TRUE(KeyExists(control + "\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
    EXPECT_TRUE(KeyExists(control + "\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}"));
    EXPECT_EQ(ReadValue(std::string(kProgIDKey) + "\\CLSID"), "{28EB7AEB-B609-4F9F-9CDF-2A54C9FD2680}");
    EXPECT_EQ(ReadValue(kPageKey), "Halvane Media Tools Property Page");
    EXPECT_EQ(ReadValue(std::string(kPageKey) + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(KeyExists(std::string(kTypeLibKey) + "\\1.0\\0\\" + kModuleSysKindKey));
    EXPECT_TRUE(KeyExists(kDispatchKey));
    EXPECT_TRUE(KeyExists(kEventsKey));

    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(L"TESSALINE.TessalineCtrl.1", &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_TessalineCtrl));
    {
        CComPtrT<IDispatch> control;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.ReceiveVoid()), S_OK);
        CComPtrT<IUnknown> page;
        EXPECT_EQ(CoCreateInstance(kPageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, page.ReceiveVoid()),
                  S_OK);
    }
    CoFreeUnusedLibraries();

    ASSERT_EQ(RunRegsvr32("/u /s"), 0u);
    for (const char* key : {kControlKey, kPageKey, kTypeLibKey, kDispatchKey, kEventsKey, kProgIDKey})
        EXPECT_FALSE(KeyExists(key)) << key << " is left behind";
    EXPECT_EQ(CLSIDFromProgID(L"TESSALINE.TessalineCtrl.1", &clsid), CO_E_CLASSSTRING);
    void* object = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(CoCreateInstance(CLSID_TessalineCtrl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

// The module's exports, called directly on the loaded DLL.
class ModuleExports {
public:
    ModuleExports() : m_module(LoadLibraryA(OcxPath().c_str())) {
        if (!m_module) return;
        GetClassObject = ProcAddress<decltype(GetClassObject)>(m_module, "DllGetClassObject");
        CanUnloadNow = ProcAddress<decltype(CanUnloadNow)>(m_module, "DllCanUnloadNow");
        Register = ProcAddress<decltype(Register)>(m_module, "DllRegisterServer");
        Unregister = ProcAddress<decltype(Unregister)>(m_module, "DllUnregisterServer");
    }
    ~ModuleExports() {
        if (m_module) FreeLibrary(m_module);
    }
    ModuleExports(const ModuleExports&) = delete;
    ModuleExports& operator=(const ModuleExports&) = delete;
    bool Loaded() const { return GetClassObject && CanUnloadNow && Register && Unregister; }

    HRESULT(STDAPICALLTYPE* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* CanUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* Register)() = nullptr;
    HRESULT(STDAPICALLTYPE* Unregister)() = nullptr;

private:
    HMODULE m_module;
};

TEST_F(RegistrationTest, UnregisteringWithoutTypeLibraryFailsFirstAndKeepsTheClasses) {
    ModuleExports dll;
    ASSERT_TRUE(dll.Loaded());
    ASSERT_EQ(dll.Register(), S_OK);
    ASSERT_EQ(UnRegisterTypeLib(LIBID_TESSALINELib, 1, 0, 0, kModuleSysKind), S_OK);
    EXPECT_EQ(dll.Unregister(), SELFREG_E_TYPELIB);
    EXPECT_TRUE(KeyExists(kControlKey));
    EXPECT_TRUE(KeyExists(kProgIDKey));
    EXPECT_EQ(dll.Register(), S_OK);  // so that the clean-up can take everything away again
}

TEST_F(RegistrationTest, CanUnloadOnlyWithoutLiveObjectsOrLocks) {
    ModuleExports dll;
    ASSERT_TRUE(dll.Loaded());
    void* none = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(dll.GetClassObject(IID_IDispatch, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);

    CComPtrT<IClassFactory> factory;
    ASSERT_EQ(dll.GetClassObject(CLSID_TessalineCtrl, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
    {
        CComPtrT<IDispatch> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, control.ReceiveVoid()), S_OK);
        EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
        CComPtrT<IUnknown> second;
        ASSERT_EQ(control.QueryInterface(second), S_OK);
        control.Release();
        EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "one reference is still held";
    }
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);

    CComPtrT<IClassFactory> pageFactory;
    ASSERT_EQ(dll.GetClassObject(kPageClsid, IID_IClassFactory, pageFactory.ReceiveVoid()), S_OK);
    {
        CComPtrT<IUnknown> page;
        ASSERT_EQ(pageFactory->CreateInstance(nullptr, IID_IPropertyPage, page.ReceiveVoid()), S_OK);
        EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
    void* aggregated = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(aggregated, nullptr);
}

TEST(ModuleResources, VersionAndTypeLibraryAreEmbedded) {
    std::string path = OcxPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD(MAKELONG(3, 1)));
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(20, 101)));
    EXPECT_EQ(fixed->dwProductVersionMS, DWORD(MAKELONG(3, 1)));
    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT n = 0;
        std::string key = std::string("\\StringFileInfo\\080403a8\\") + name;
        return VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &n) && value
                   ? std::string(value)
                   : std::string("<missing>");
    };
    EXPECT_EQ(text("FileVersion"), "1, 3, 101, 20");
    EXPECT_EQ(text("ProductName"), "Halvane Media Tools");
    EXPECT_EQ(text("OriginalFilename"), "Halvane Media Tools.ocx");
    EXPECT_EQ(text("Comments"), "ActiveX Control Module");
    EXPECT_EQ(text("OLESelfRegister"), "");

    CTestApartment apartment;
    std::wstring wide(path.begin(), path.end());
    CComPtrT<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(wide.c_str(), REGKIND_NONE, lib.Receive()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TESSALINELib));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr, doc = nullptr, help = nullptr;
    ASSERT_EQ(lib->GetDocumentation(-1, &name, &doc, nullptr, &help), S_OK);
    EXPECT_STREQ(name, L"TESSALINELib");
    EXPECT_STREQ(doc, L"Tessaline ActiveX Control module");
    EXPECT_NE(std::wstring(help ? help : L"").find(L"Tessaline.hlp"), std::wstring::npos);
    SysFreeString(name);
    SysFreeString(doc);
    SysFreeString(help);
    EXPECT_EQ(lib->GetTypeInfoCount(), 3u);
}

}  // namespace
