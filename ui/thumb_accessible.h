// The grid as assistive technology sees it: a list whose children are the pictures, each
// named by its file name, selectable, with "toggle" as its default action (a click's).
#pragma once
#include "ui/accessible_object.h"

#include <cstddef>

class CThumbView;

class CThumbAccessible final : public CAccessibleObject {
public:
    explicit CThumbAccessible(CThumbView* pView) : m_pView(pView) {}
    // The grid goes: a client still holding this object is told it is gone.
    void Detach() { m_pView = nullptr; }

    STDMETHODIMP get_accParent(IDispatch** ppdispParent) override;
    STDMETHODIMP get_accChildCount(long* pcountChildren) override;
    STDMETHODIMP get_accChild(VARIANT varChild, IDispatch** ppdispChild) override;
    STDMETHODIMP get_accName(VARIANT varChild, BSTR* pszName) override;
    STDMETHODIMP get_accValue(VARIANT, BSTR*) override { return DISP_E_MEMBERNOTFOUND; }
    STDMETHODIMP get_accDescription(VARIANT, BSTR*) override { return DISP_E_MEMBERNOTFOUND; }
    STDMETHODIMP get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    STDMETHODIMP get_accState(VARIANT varChild, VARIANT* pvarState) override;
    STDMETHODIMP get_accHelp(VARIANT, BSTR*) override { return DISP_E_MEMBERNOTFOUND; }
    STDMETHODIMP get_accHelpTopic(BSTR*, VARIANT, long*) override { return DISP_E_MEMBERNOTFOUND; }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR*) override { return DISP_E_MEMBERNOTFOUND; }
    STDMETHODIMP get_accFocus(VARIANT* pvarChild) override;
    STDMETHODIMP get_accSelection(VARIANT* pvarChildren) override;
    STDMETHODIMP get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override;
    STDMETHODIMP accSelect(long flagsSelect, VARIANT varChild) override;
    STDMETHODIMP accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight, VARIANT varChild) override;
    STDMETHODIMP accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override;
    STDMETHODIMP accHitTest(long xLeft, long yTop, VARIANT* pvarChild) override;
    STDMETHODIMP accDoDefaultAction(VARIANT varChild) override;

private:
    ~CThumbAccessible() override = default;
    // A picture's index for a child id (1-based), or false for the list itself or a bad id.
    bool ItemOf(const VARIANT& varChild, std::size_t& nIndex) const;
    bool IsSelf(const VARIANT& varChild) const;

    CThumbView* m_pView;
};
