#include "control/tessaline_prop_page.h"
#include "dispatch_helpers.h"
#include "hosted_control.h"
#include "tessaline_h.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <objsafe.h>
#include <olectl.h>

#include <thread>

namespace {

class TessalineCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_disp = CreateFromFactory<IDispatch>(CLSID_TessalineCtrl, IID_IDispatch);
        ASSERT_TRUE(m_disp);
    }
    // The C++ object behind the automation interface (the test links the control in).
    CTessalineCtrl& Control() { return *static_cast<CTessalineCtrl*>(m_disp.Get()); }

    HRESULT Put(const wchar_t* name, CVariant& value, UINT* argErr = nullptr) {
        return PutProperty(m_disp.Get(), name, value.Ref(), argErr);
    }
    HRESULT PutLong(const wchar_t* name, long value) {
        CVariant v(value);
        return Put(name, v);
    }
    HRESULT PutText(const wchar_t* name, const std::wstring& text) {
        CVariant v(text);
        return Put(name, v);
    }

    CTestApartment m_apartment;
    CComPtrT<IDispatch> m_disp;
};

TEST_F(TessalineCtrlTest, FreshControlHasTheDocumentedDefaults) {
    IDispatch* d = m_disp.Get();
    EXPECT_EQ(GetNumber(d, L"SpaceSize"), 10240);
    EXPECT_EQ(GetNumber(d, L"SpaceUsedSize"), 0);
    EXPECT_EQ(GetNumber(d, L"LimitXSize"), 800);
    EXPECT_EQ(GetNumber(d, L"LimitYSize"), 600);
    EXPECT_EQ(GetNumber(d, L"KXUin"), 0);
    EXPECT_EQ(static_cast<COLORREF>(GetNumber(d, L"SkinColor")), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetString(d, L"Signature"), L"");
    EXPECT_EQ(GetString(d, L"AlbumName"), L"");
    EXPECT_EQ(GetString(d, L"UploadCGI"), L"");
    EXPECT_DOUBLE_EQ(Control().GetPanel().GetTotalSpace(), 10240.0);
    EXPECT_DOUBLE_EQ(Control().GetPanel().GetUsedSpace(), 0.0);
}

TEST_F(TessalineCtrlTest, NumbersRoundTripWithoutClamping) {
    struct Case {
        const wchar_t* name;
        long value;
    } cases[] = {
        {L"SpaceSize", -5},
        {L"SpaceSize", 2147483647},
        {L"SpaceUsedSize", -2147483647 - 1},
        {L"KXUin", 123456789},
        {L"KXUin", -1},
        {L"LimitXSize", -32768},
        {L"LimitXSize", 32767},
        {L"LimitYSize", -1},
        {L"LimitYSize", 0},
        {L"SkinColor", -1},
        {L"SkinColor", 0x00123456},
        {L"SkinColor", static_cast<long>(0x80000005)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(PutLong(c.name, c.value), S_OK) << c.value;
        EXPECT_EQ(GetNumber(m_disp.Get(), c.name), c.value);
    }
    // The panel keeps limits sign-extended, as the picture preparation reads them.
    EXPECT_EQ(Control().GetPanel().GetLimitX(), 32767);
    EXPECT_EQ(Control().GetPanel().GetLimitY(), 0);
}

TEST_F(TessalineCtrlTest, ConvertibleVariantsAreAccepted) {
    EXPECT_EQ(PutText(L"SpaceSize", L"2048"), S_OK);
    EXPECT_EQ(GetNumber(m_disp.Get(), L"SpaceSize"), 2048);
    CVariant real(1023.6);
    EXPECT_EQ(Put(L"LimitXSize", real), S_OK);
    EXPECT_EQ(GetNumber(m_disp.Get(), L"LimitXSize"), 1024);
    CVariant number(42L);
    EXPECT_EQ(Put(L"Signature", number), S_OK);
    EXPECT_EQ(GetString(m_disp.Get(), L"Signature"), L"42");
    CVariant byRef;
    CVariant target(77L);
    byRef.Ref().vt = VT_VARIANT | VT_BYREF;
    byRef.Ref().pvarVal = &target.Ref();
    EXPECT_EQ(Put(L"KXUin", byRef), S_OK);
    byRef.Ref().vt = VT_EMPTY;  // borrowed, not owned
    EXPECT_EQ(GetNumber(m_disp.Get(), L"KXUin"), 77);
}

TEST_F(TessalineCtrlTest, UnconvertibleVariantsAreTypeMismatchesAndChangeNothing) {
    ASSERT_EQ(PutLong(L"SpaceSize", 500), S_OK);
    ASSERT_EQ(PutLong(L"LimitXSize", 640), S_OK);
    UINT argErr = 0xdeadbeef;
    CVariant text(std::wstring(L"not a number"));
    EXPECT_EQ(Put(L"SpaceSize", text, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    CVariant huge(1e20);
    EXPECT_EQ(Put(L"SpaceSize", huge), DISP_E_TYPEMISMATCH);
    CVariant tooWide(70000L);
    EXPECT_EQ(Put(L"LimitXSize", tooWide), DISP_E_TYPEMISMATCH);
    CEventCounter object(IID_IDispatch);
    CVariant unknown;
    unknown.Ref().vt = VT_UNKNOWN;
    unknown.Ref().punkVal = &object;
    object.AddRef();
    EXPECT_EQ(Put(L"AlbumName", unknown), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(GetNumber(m_disp.Get(), L"SpaceSize"), 500);
    EXPECT_EQ(GetNumber(m_disp.Get(), L"LimitXSize"), 640);
    EXPECT_EQ(GetString(m_disp.Get(), L"AlbumName"), L"");
}

TEST_F(TessalineCtrlTest, StringsKeepTheirLengthAndChineseText) {
    const std::wstring chinese = L"\u6211\u7684\u76f8\u518c \u6625\u8282";  // "我的相册 春节"
    std::wstring big(65536, L'x');
    big[100] = L'\u56fe';
    const std::wstring withNul(L"a\0b", 3);
    for (const std::wstring& text : {std::wstring(), chinese, big, withNul}) {
        for (const wchar_t* name : {L"Signature", L"AlbumName", L"UploadCGI"}) {
            ASSERT_EQ(PutText(name, text), S_OK);
            EXPECT_EQ(GetString(m_disp.Get(), name), text) << name << " of length " << text.size();
        }
    }
    // Stored as code page 936 multibyte text.
    ASSERT_EQ(PutText(L"AlbumName", chinese), S_OK);
    EXPECT_EQ(Control().GetPanel().GetAlbumName(), "我的相册 春节");
    CVariant nullString;
    nullString.Ref().vt = VT_BSTR;
    nullString.Ref().bstrVal = nullptr;
    EXPECT_EQ(Put(L"Signature", nullString), S_OK);
    EXPECT_EQ(GetString(m_disp.Get(), L"Signature"), L"");
}

TEST_F(TessalineCtrlTest, SpaceFiguresReachThePanelOnlyWhenPositive) {
    CMainPanelDlg& panel = Control().GetPanel();
    ASSERT_EQ(PutLong(L"SpaceSize", 0), S_OK);
    EXPECT_EQ(GetNumber(m_disp.Get(), L"SpaceSize"), 0);
    EXPECT_DOUBLE_EQ(panel.GetTotalSpace(), 10240.0);
    ASSERT_EQ(PutLong(L"SpaceSize", 51200), S_OK);
    EXPECT_DOUBLE_EQ(panel.GetTotalSpace(), 51200.0);
    ASSERT_EQ(PutLong(L"SpaceSize", -3), S_OK);
    EXPECT_EQ(GetNumber(m_disp.Get(), L"SpaceSize"), -3);
    EXPECT_DOUBLE_EQ(panel.GetTotalSpace(), 51200.0);
    ASSERT_EQ(PutLong(L"SpaceUsedSize", 1), S_OK);
    EXPECT_DOUBLE_EQ(panel.GetUsedSpace(), 1.0);
    ASSERT_EQ(PutLong(L"SpaceUsedSize", 0), S_OK);
    EXPECT_DOUBLE_EQ(panel.GetUsedSpace(), 1.0);
}

TEST_F(TessalineCtrlTest, UnknownNamesIdsAndCallShapesGetStandardErrors) {
    DISPID id = 0x1234;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"NoSuchProperty")};
    EXPECT_EQ(m_disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    LPOLESTR anyCase[] = {const_cast<LPOLESTR>(L"albumname")};
    EXPECT_EQ(m_disp->GetIDsOfNames(IID_NULL, anyCase, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 3);
    DISPPARAMS none{};
    CVariant result;
    EXPECT_EQ(m_disp->Invoke(42, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.Receive(), nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(m_disp->Invoke(1, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, result.Receive(), nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    CVariant args[2];
    DISPPARAMS two{&args[0].Ref(), nullptr, 2, 0};
    EXPECT_EQ(m_disp->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYGET, &two, result.Receive(), nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    CVariant value(5L);
    DISPPARAMS unnamed{&value.Ref(), nullptr, 1, 0};
    EXPECT_EQ(m_disp->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
              DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(m_disp->Invoke(DISPID_ABOUTBOX, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    UINT count = 0;
    EXPECT_EQ(m_disp->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0xdeadbeef);
    EXPECT_EQ(m_disp->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
}

TEST_F(TessalineCtrlTest, SettersMarkTheControlModified) {
    CComPtrT<IPersistStreamInit> persist;
    ASSERT_EQ(m_disp.QueryInterface(persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(PutLong(L"KXUin", 7), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
}

// A property bag as a page's object tag would give: initial parameters that must be ignored.
class CParamBag : public IPropertyBag {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = (riid == IID_IUnknown || riid == IID_IPropertyBag) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        ++m_nReads;
        if (lstrcmpW(name, L"_Version") == 0) return E_INVALIDARG;
        v->vt = VT_I4;
        v->lVal = 99;
        return S_OK;
    }
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return S_OK; }
    int m_nReads = 0;
};

TEST_F(TessalineCtrlTest, PersistenceCarriesOnlyTheVersion) {
    CComPtrT<IPersistStreamInit> persist;
    ASSERT_EQ(m_disp.QueryInterface(persist), S_OK);
    CComPtrT<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    ASSERT_EQ(PutLong(L"SpaceSize", 77), S_OK);
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 4u);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    DWORD version = 0;
    stream->Read(&version, sizeof version, nullptr);
    EXPECT_EQ(version, 0x00010000u);

    CComPtrT<IPersistPropertyBag> bagPersist;
    ASSERT_EQ(m_disp.QueryInterface(bagPersist), S_OK);
    CParamBag bag;
    ASSERT_EQ(bagPersist->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(bag.m_nReads, 1);  // the version only
    EXPECT_EQ(GetNumber(m_disp.Get(), L"SpaceSize"), 77);
    EXPECT_EQ(GetNumber(m_disp.Get(), L"LimitXSize"), 800);
}

TEST_F(TessalineCtrlTest, DeclaresSafetyClassInfoAndItsPropertyPage) {
    CComPtrT<IObjectSafety> safety;
    ASSERT_EQ(m_disp.QueryInterface(safety), S_OK);
    DWORD supported = 0, enabled = 0;
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, DWORD(INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA));
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                INTERFACESAFE_FOR_UNTRUSTED_CALLER),
              S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistPropertyBag, &supported, &enabled), S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled), E_NOINTERFACE);

    CComPtrT<IProvideClassInfo2> classInfo;
    ASSERT_EQ(m_disp.QueryInterface(classInfo), S_OK);
    GUID events{};
    ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
    EXPECT_TRUE(IsEqualGUID(events, DIID_TessalineEvents));
    CComPtrT<ITypeInfo> coclass;
    ASSERT_EQ(classInfo->GetClassInfo(coclass.Receive()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_TessalineCtrl));
    coclass->ReleaseTypeAttr(attr);

    CComPtrT<ISpecifyPropertyPages> pages;
    ASSERT_EQ(m_disp.QueryInterface(pages), S_OK);
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_TRUE(IsEqualGUID(list.pElems[0], CLSID_TessalinePropPage));
    CoTaskMemFree(list.pElems);

    CComPtrT<IOleObject> ole;
    ASSERT_EQ(m_disp.QueryInterface(ole), S_OK);
    DWORD misc = 0;
    ASSERT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, 0x30191u);
    void* none = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(m_disp->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

HWND WaitForTopLevelWindow(const char* title, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (HWND w = FindWindowA(nullptr, title)) return w;
        Sleep(20);
    }
    return nullptr;
}

TEST_F(TessalineCtrlTest, AboutBoxReturnsOnlyAfterTheUserClosesIt) {
    bool sawBox = false;
    bool callStillRunning = false;
    bool returned = false;
    std::string button, version;
    std::thread user([&] {
        HWND box = WaitForTopLevelWindow("About Halvane Media Tools", 10000);
        sawBox = box != nullptr;
        Sleep(300);
        callStillRunning = !returned;
        if (box) {
            char text[128] = {};
            GetWindowTextA(GetDlgItem(box, IDOK), text, sizeof text);
            button = text;
            HWND child = FindWindowExA(box, nullptr, "Static", "Halvane Media Tools, Version 1.3.101.020");
            version = child ? "found" : "missing";
            SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        }
    });
    DISPPARAMS none{};
    HRESULT hr = m_disp->Invoke(DISPID_ABOUTBOX, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    returned = true;
    user.join();
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(sawBox);
    EXPECT_TRUE(callStillRunning);
    EXPECT_EQ(button, "OK");
    EXPECT_EQ(version, "found");
}

}  // namespace
