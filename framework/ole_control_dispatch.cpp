// Automation of COleControl: names and type information come from the type library,
// calls are served from the control's dispatch map.
#include "framework/ole_control.h"

#include "framework/com_boundary.h"
#include "framework/variant.h"

HRESULT COleControl::LoadTypeInfo(REFGUID guid, ITypeInfo** ppTI) {
    *ppTI = nullptr;
    CComPtrT<ITypeLib> lib;
    HRESULT hr = LoadRegTypeLib(*m_info.pLibid, m_info.wVerMajor, m_info.wVerMinor, 0, lib.Receive());
    if (FAILED(hr)) {
        // Not registered (a program that links the control in): the module's own resource.
        std::wstring path(MAX_PATH, L'\0');
        DWORD len = GetModuleFileNameW(CModule::Instance(), path.data(), MAX_PATH);
        if (len == 0 || len >= MAX_PATH) return hr;
        path.resize(len);
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Receive());
        if (FAILED(hr)) return hr;
    }
    return lib->GetTypeInfoOfGuid(guid, ppTI);
}

STDMETHODIMP COleControl::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

STDMETHODIMP COleControl::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    if (!m_pDispTypeInfo) {
        HRESULT hr = LoadTypeInfo(*m_info.pDispIid, m_pDispTypeInfo.Receive());
        if (FAILED(hr)) return hr;
    }
    *ppTInfo = m_pDispTypeInfo.Get();
    (*ppTInfo)->AddRef();
    return S_OK;
}

STDMETHODIMP COleControl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId) return E_POINTER;
    CComPtrT<ITypeInfo> info;
    HRESULT hr = GetTypeInfo(0, lcid, info.Receive());
    if (FAILED(hr)) return hr;
    return info->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

STDMETHODIMP COleControl::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                 VARIANT* pVarResult, EXCEPINFO*, UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!pDispParams) return E_POINTER;
    const DispatchEntry* entry = nullptr;
    for (const DispatchEntry& e : GetDispatchMap())
        if (e.dispid == dispIdMember) entry = &e;
    if (!entry) return DISP_E_MEMBERNOTFOUND;
    // A page the control may not serve reads what it likes and changes and runs nothing.
    if ((wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) || (entry->call && (wFlags & DISPATCH_METHOD)))
        if (!IsPageAllowed()) return E_ACCESSDENIED;
    // The call may run a modal loop (the About box) in which the page drops the control.
    AddRef();
    HRESULT hr = ComBoundary([&] { return InvokeEntry(*entry, wFlags, pDispParams, pVarResult, puArgErr); });
    Release();
    return hr;
}

HRESULT COleControl::InvokeEntry(const DispatchEntry& entry, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                 UINT* puArgErr) {
    const UINT cArgs = pDispParams->cArgs;
    if (cArgs > 0 && !pDispParams->rgvarg) return E_INVALIDARG;
    if (entry.call) {
        if (!(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (cArgs != 0) return DISP_E_BADPARAMCOUNT;
        entry.call(*this);
        if (pVarResult) VariantInit(pVarResult);
        return S_OK;
    }
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (pDispParams->cNamedArgs != 1 || !pDispParams->rgdispidNamedArgs ||
            pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTOPTIONAL;
        CVariant value;
        // Whatever converts is taken; anything else (an object, an overflow, text that is
        // not a number) is the caller's type mismatch.
        if (FAILED(VariantChangeType(value.Receive(), &pDispParams->rgvarg[0], 0, entry.vt))) {
            if (puArgErr) *puArgErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        return entry.put(*this, value.Ref());
    }
    if (wFlags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) {
        if (cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!pVarResult) return S_OK;
        VariantInit(pVarResult);
        entry.get(*this, *pVarResult);
        if (pVarResult->vt == VT_BSTR && !pVarResult->bstrVal) {
            pVarResult->vt = VT_EMPTY;
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP COleControl::GetClassInfo(ITypeInfo** ppTI) {
    if (!ppTI) return E_POINTER;
    return LoadTypeInfo(*m_info.pClsid, ppTI);
}

STDMETHODIMP COleControl::GetGUID(DWORD dwGuidKind, GUID* pGUID) {
    if (!pGUID) return E_POINTER;
    if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *pGUID = GUID_NULL;
        return E_INVALIDARG;
    }
    *pGUID = *m_info.pEventIid;
    return S_OK;
}
