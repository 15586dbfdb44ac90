#include "ui/gauge_accessible.h"

#include "framework/text.h"
#include "ui/space_gauge.h"

#include <string>

HRESULT CGaugeAccessible::CheckSelf(const VARIANT& varChild) const {
    if (!m_pGauge) return RPC_E_DISCONNECTED;
    return varChild.vt == VT_I4 && varChild.lVal == CHILDID_SELF ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CGaugeAccessible::get_accName(VARIANT varChild, BSTR* pszName) {
    if (!pszName) return E_POINTER;
    *pszName = nullptr;
    if (const HRESULT hr = CheckSelf(varChild); FAILED(hr)) return hr;
    *pszName = AnsiToBstr(m_pGauge->GetWindowText());
    return S_OK;
}

STDMETHODIMP CGaugeAccessible::get_accValue(VARIANT varChild, BSTR* pszValue) {
    if (!pszValue) return E_POINTER;
    *pszValue = nullptr;
    if (const HRESULT hr = CheckSelf(varChild); FAILED(hr)) return hr;
    *pszValue = AnsiToBstr(std::to_string(m_pGauge->GetFilledPercent()) + "%");
    return S_OK;
}

STDMETHODIMP CGaugeAccessible::get_accRole(VARIANT varChild, VARIANT* pvarRole) {
    if (!pvarRole) return E_POINTER;
    VariantInit(pvarRole);
    if (const HRESULT hr = CheckSelf(varChild); FAILED(hr)) return hr;
    pvarRole->vt = VT_I4;
    pvarRole->lVal = ROLE_SYSTEM_PROGRESSBAR;
    return S_OK;
}
