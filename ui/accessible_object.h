// What every accessible object of the panel shares: its reference count, its interfaces
// (IAccessible and the IDispatch under it, which clients reach only through IAccessible),
// and the refusal to be renamed or given a value by a client.
#pragma once
#include <oleacc.h>

class CAccessibleObject : public IAccessible {
public:
    CAccessibleObject(const CAccessibleObject&) = delete;
    CAccessibleObject& operator=(const CAccessibleObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

protected:
    CAccessibleObject() = default;
    // Only Release deletes.
    virtual ~CAccessibleObject() = default;

private:
    LONG m_nRefs = 1;
};
