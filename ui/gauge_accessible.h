// The space gauge as assistive technology sees it: a progress bar whose value is how full the
// album would be with the selection and whose name is the space text. Everything else (place,
// parent, states, navigation) is the system's own answer for the window.
#pragma once
#include "framework/com_ptr.h"
#include "ui/accessible_object.h"

#include <utility>

class CSpaceGauge;

class CGaugeAccessible final : public CAccessibleObject {
public:
    // pStandard: the system's client object of the gauge's window.
    CGaugeAccessible(const CSpaceGauge* pGauge, CComPtrT<IAccessible> pStandard)
        : m_pGauge(pGauge), m_pStandard(std::move(pStandard)) {}
    // The gauge goes: its name and value are asked of nobody from then on.
    void Detach() { m_pGauge = nullptr; }

    // The gauge's own answers.
    STDMETHODIMP get_accName(VARIANT varChild, BSTR* pszName) override;
    STDMETHODIMP get_accValue(VARIANT varChild, BSTR* pszValue) override;
    STDMETHODIMP get_accRole(VARIANT varChild, VARIANT* pvarRole) override;

    // The system's.
    STDMETHODIMP get_accParent(IDispatch** ppdisp) override { return m_pStandard->get_accParent(ppdisp); }
    STDMETHODIMP get_accChildCount(long* pcount) override { return m_pStandard->get_accChildCount(pcount); }
    STDMETHODIMP get_accChild(VARIANT v, IDispatch** ppdisp) override { return m_pStandard->get_accChild(v, ppdisp); }
    STDMETHODIMP get_accDescription(VARIANT v, BSTR* p) override { return m_pStandard->get_accDescription(v, p); }
    STDMETHODIMP get_accState(VARIANT v, VARIANT* p) override { return m_pStandard->get_accState(v, p); }
    STDMETHODIMP get_accHelp(VARIANT v, BSTR* p) override { return m_pStandard->get_accHelp(v, p); }
    STDMETHODIMP get_accHelpTopic(BSTR* p, VARIANT v, long* n) override {
        return m_pStandard->get_accHelpTopic(p, v, n);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT v, BSTR* p) override {
        return m_pStandard->get_accKeyboardShortcut(v, p);
    }
    STDMETHODIMP get_accFocus(VARIANT* p) override { return m_pStandard->get_accFocus(p); }
    STDMETHODIMP get_accSelection(VARIANT* p) override { return m_pStandard->get_accSelection(p); }
    STDMETHODIMP get_accDefaultAction(VARIANT v, BSTR* p) override { return m_pStandard->get_accDefaultAction(v, p); }
    STDMETHODIMP accSelect(long flags, VARIANT v) override { return m_pStandard->accSelect(flags, v); }
    STDMETHODIMP accLocation(long* x, long* y, long* cx, long* cy, VARIANT v) override {
        return m_pStandard->accLocation(x, y, cx, cy, v);
    }
    STDMETHODIMP accNavigate(long dir, VARIANT v, VARIANT* p) override { return m_pStandard->accNavigate(dir, v, p); }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* p) override { return m_pStandard->accHitTest(x, y, p); }
    STDMETHODIMP accDoDefaultAction(VARIANT v) override { return m_pStandard->accDoDefaultAction(v); }

private:
    ~CGaugeAccessible() override = default;
    // The gauge itself (CHILDID_SELF) is the one element it answers for.
    HRESULT CheckSelf(const VARIANT& varChild) const;

    const CSpaceGauge* m_pGauge;
    CComPtrT<IAccessible> m_pStandard;
};
