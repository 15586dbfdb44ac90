// Receives the control's events and reports them on standard output.
#pragma once
#include <oaidl.h>

#include <functional>

class CEventLogSink : public IDispatch {
public:
    explicit CEventLogSink(const IID& eventIid) : m_iid(eventIid) {}
    // Called after each event is reported.
    void SetOnEvent(std::function<void(DISPID)> onEvent) { m_onEvent = std::move(onEvent); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives as long as the host's main
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    IID m_iid;
    std::function<void(DISPID)> m_onEvent;
};
