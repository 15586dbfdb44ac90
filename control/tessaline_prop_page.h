// The control's one property page: a placeholder page that changes no property.
#pragma once
#include "framework/ole_property_page.h"

extern const CLSID CLSID_TessalinePropPage;

class CTessalinePropPage : public COlePropertyPage {
public:
    CTessalinePropPage();

    static HRESULT CreateObject(REFIID riid, void** ppv);
    static bool UpdateRegistry(bool bRegister);

protected:
    void DoDataExchange(bool bSaveAndValidate) override;
};
