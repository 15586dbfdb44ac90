#include "ui/accessible_object.h"

#include "framework/qi_table.h"

STDMETHODIMP CAccessibleObject::QueryInterface(REFIID riid, void** ppv) {
    static const QITableEntry table[] = {QI_ENTRY(CAccessibleObject, IAccessible),
                                         QI_ENTRY(CAccessibleObject, IDispatch), QI_END()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP_(ULONG) CAccessibleObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRefs)); }

STDMETHODIMP_(ULONG) CAccessibleObject::Release() {
    const LONG nRefs = InterlockedDecrement(&m_nRefs);
    if (nRefs == 0) delete this;
    return static_cast<ULONG>(nRefs);
}

STDMETHODIMP CAccessibleObject::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}
