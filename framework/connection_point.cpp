#include "framework/connection_point.h"
#include "framework/com_boundary.h"

#include "framework/qi_table.h"

#include <olectl.h>

CConnectionPoint::CConnectionPoint(IConnectionPointContainer* pContainer, const IID& iid)
    : m_pContainer(pContainer), m_iid(iid) {}

void CConnectionPoint::FireEvent(DISPID dispid) {
    // A sink may unadvise (or release the control) from inside its handler: call a copy.
    std::vector<Sink> sinks = m_arrSinks;
    for (const Sink& sink : sinks) {
        DISPPARAMS params{};
        sink.pDispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                               nullptr);
    }
}

STDMETHODIMP CConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    static const QITableEntry table[] = {QI_ENTRY(CConnectionPoint, IConnectionPoint), QI_END()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP CConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (!pIID) return E_POINTER;
    *pIID = m_iid;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (!ppCPC) return E_POINTER;
    *ppCPC = m_pContainer;
    m_pContainer->AddRef();
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    return ComBoundary([&]() -> HRESULT {
        if (!pdwCookie) return E_POINTER;
        *pdwCookie = 0;
        if (!pUnkSink) return E_POINTER;
        // Event sinks of a dispinterface answer its id; many script hosts' sinks only IDispatch.
        CComPtrT<IDispatch> dispatch;
        if (FAILED(pUnkSink->QueryInterface(m_iid, dispatch.ReceiveVoid())) &&
            FAILED(pUnkSink->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid())))
            return CONNECT_E_CANNOTCONNECT;
        DWORD cookie = m_dwNextCookie++;
        m_arrSinks.push_back(Sink{cookie, std::move(dispatch)});
        *pdwCookie = cookie;
        return S_OK;
    });
}

STDMETHODIMP CConnectionPoint::Unadvise(DWORD dwCookie) {
    for (auto it = m_arrSinks.begin(); it != m_arrSinks.end(); ++it) {
        if (it->dwCookie == dwCookie) {
            Sink removed = std::move(*it);  // released after the list is consistent again
            m_arrSinks.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP CConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return E_NOTIMPL;
}
