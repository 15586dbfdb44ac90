// Persistence of COleControl: only the version number travels; no property is stored.
#include "framework/ole_control.h"

#include "framework/com_boundary.h"
#include "framework/variant.h"

namespace {

class CStreamPropExchange : public CPropExchange {
public:
    CStreamPropExchange(IStream* pStream, bool bLoading) : CPropExchange(bLoading), m_pStream(pStream) {}
    bool ExchangeVersion(DWORD& dwVersion, DWORD dwDefault) override {
        if (IsLoading()) {
            DWORD value = 0;
            ULONG read = 0;
            bool ok = SUCCEEDED(m_pStream->Read(&value, sizeof value, &read)) && read == sizeof value;
            dwVersion = ok ? value : dwDefault;
            return ok;
        }
        ULONG written = 0;
        return SUCCEEDED(m_pStream->Write(&dwVersion, sizeof dwVersion, &written)) && written == sizeof dwVersion;
    }

private:
    IStream* m_pStream;
};

class CBagPropExchange : public CPropExchange {
public:
    CBagPropExchange(IPropertyBag* pBag, IErrorLog* pLog, bool bLoading)
        : CPropExchange(bLoading), m_pBag(pBag), m_pLog(pLog) {}
    bool ExchangeVersion(DWORD& dwVersion, DWORD dwDefault) override {
        if (IsLoading()) {
            CVariant v(0L);
            bool ok = SUCCEEDED(m_pBag->Read(L"_Version", &v.Ref(), m_pLog)) &&
                      SUCCEEDED(VariantChangeType(&v.Ref(), &v.Ref(), 0, VT_I4));
            dwVersion = ok ? static_cast<DWORD>(v.Get().lVal) : dwDefault;
            return ok;
        }
        CVariant v(static_cast<long>(dwVersion));
        return SUCCEEDED(m_pBag->Write(L"_Version", &v.Ref()));
    }

private:
    IPropertyBag* m_pBag;
    IErrorLog* m_pLog;
};

}  // namespace

void COleControl::DoPropExchange(CPropExchange& px) {
    DWORD dwDefault = MAKELONG(m_info.wVerMinor, m_info.wVerMajor);
    px.ExchangeVersion(m_dwVersion, dwDefault);
}

void COleControl::ResetState() {
    m_dwVersion = MAKELONG(m_info.wVerMinor, m_info.wVerMajor);
    OnResetState();
}

STDMETHODIMP COleControl::GetClassID(CLSID* pClassID) {
    if (!pClassID) return E_POINTER;
    *pClassID = *m_info.pClsid;
    return S_OK;
}

STDMETHODIMP COleControl::IsDirty() { return m_bModified ? S_OK : S_FALSE; }

STDMETHODIMP COleControl::Load(LPSTREAM pStm) {
    return ComBoundary([&]() -> HRESULT {
        if (!pStm) return E_POINTER;
        ResetState();
        CStreamPropExchange px(pStm, true);
        DoPropExchange(px);
        m_bModified = false;
        return S_OK;
    });
}

STDMETHODIMP COleControl::Save(LPSTREAM pStm, BOOL fClearDirty) {
    return ComBoundary([&]() -> HRESULT {
        if (!pStm) return E_POINTER;
        CStreamPropExchange px(pStm, false);
        DoPropExchange(px);
        if (fClearDirty) m_bModified = false;
        return S_OK;
    });
}

STDMETHODIMP COleControl::GetSizeMax(ULARGE_INTEGER* pCbSize) {
    if (!pCbSize) return E_POINTER;
    pCbSize->QuadPart = sizeof(DWORD);
    return S_OK;
}

STDMETHODIMP COleControl::InitNew() {
    return ComBoundary([&]() -> HRESULT {
        ResetState();
        m_bModified = false;
        return S_OK;
    });
}

STDMETHODIMP COleControl::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
    return ComBoundary([&]() -> HRESULT {
        if (!pPropBag) return E_POINTER;
        ResetState();
        CBagPropExchange px(pPropBag, pErrorLog, true);
        DoPropExchange(px);
        m_bModified = false;
        return S_OK;
    });
}

STDMETHODIMP COleControl::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
    return ComBoundary([&]() -> HRESULT {
        if (!pPropBag) return E_POINTER;
        CBagPropExchange px(pPropBag, nullptr, false);
        DoPropExchange(px);
        if (fClearDirty) m_bModified = false;
        return S_OK;
    });
}
