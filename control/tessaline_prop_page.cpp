#include "control/tessaline_prop_page.h"

#include "framework/ole_object_factory.h"
#include "framework/ole_registry.h"
#include "res/resource.h"

// {72B4BAC6-8E77-4C53-A235-7B645AB0F291}
const CLSID CLSID_TessalinePropPage = {0x72b4bac6, 0x8e77, 0x4c53, {0xa2, 0x35, 0x7b, 0x64, 0x5a, 0xb0, 0xf2, 0x91}};

namespace {
COleObjectFactory g_factory(CLSID_TessalinePropPage, "TESSALINE.TessalinePropPage.1", &CTessalinePropPage::CreateObject,
                            &CTessalinePropPage::UpdateRegistry);
}  // namespace

CTessalinePropPage::CTessalinePropPage() : COlePropertyPage(IDD_PROPPAGE_TESSALINE, IDS_TESSALINE_PPG_CAPTION) {}

HRESULT CTessalinePropPage::CreateObject(REFIID riid, void** ppv) {
    auto* page = new CTessalinePropPage;
    HRESULT hr = page->QueryInterface(riid, ppv);
    page->Release();
    return hr;
}

bool CTessalinePropPage::UpdateRegistry(bool bRegister) {
    if (!bRegister) return AfxOleUnregisterClass(CLSID_TessalinePropPage, nullptr);
    return AfxOleRegisterPropertyPageClass(CModule::Instance(), CLSID_TessalinePropPage, IDS_TESSALINE_PPG);
}

void CTessalinePropPage::DoDataExchange(bool bSaveAndValidate) { DDP_PostProcessing(bSaveAndValidate); }
