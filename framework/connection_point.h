// The control's one outgoing interface: the sinks that asked for its events.
#pragma once
#include "framework/com_ptr.h"

#include <ocidl.h>

#include <vector>

class CConnectionPoint : public IConnectionPoint {
public:
    // The container owns this object; references to it are references to the container.
    CConnectionPoint(IConnectionPointContainer* pContainer, const IID& iid);
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;

    // Calls the method with that id, without arguments, on every sink.
    void FireEvent(DISPID dispid);
    void UnadviseAll() { m_arrSinks.clear(); }
    size_t GetSinkCount() const { return m_arrSinks.size(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_pContainer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pContainer->Release(); }
    STDMETHODIMP GetConnectionInterface(IID* pIID) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    STDMETHODIMP Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    STDMETHODIMP Unadvise(DWORD dwCookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) override;

private:
    struct Sink {
        DWORD dwCookie;
        CComPtrT<IDispatch> pDispatch;
    };
    IConnectionPointContainer* m_pContainer;
    IID m_iid;
    std::vector<Sink> m_arrSinks;
    DWORD m_dwNextCookie = 1;
};
