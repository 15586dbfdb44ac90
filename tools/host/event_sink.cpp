#include "event_sink.h"

#include <cstdio>

STDMETHODIMP CEventLogSink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != m_iid) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    return S_OK;
}

STDMETHODIMP CEventLogSink::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP CEventLogSink::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CEventLogSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP CEventLogSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    if (dispIdMember == 1)
        std::printf("event UploadFinished\n");
    else
        std::printf("event %ld\n", static_cast<long>(dispIdMember));
    std::fflush(stdout);
    if (m_onEvent) m_onEvent(dispIdMember);
    return S_OK;
}
