#include "ui/thumb_accessible.h"

#include "framework/text.h"
#include "res/resource.h"
#include "ui/thumb_view.h"

namespace {

// The object's answer once its grid is gone.
constexpr HRESULT kGone = RPC_E_DISCONNECTED;

VARIANT ChildVariant(std::size_t nIndex) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = static_cast<long>(nIndex + 1);
    return v;
}

bool Contains(const RECT& rcOuter, const PixelRect& rc) {
    return rc.left >= rcOuter.left && rc.top >= rcOuter.top && rc.right <= rcOuter.right && rc.bottom <= rcOuter.bottom;
}

// The cell with its caption: what a picture occupies on the screen.
PixelRect ItemRect(const ThumbCellRects& cell) {
    return PixelRect{cell.rcCell.left, cell.rcCell.top, cell.rcCell.right, cell.rcCaption.bottom};
}

}  // namespace

bool CThumbAccessible::IsSelf(const VARIANT& varChild) const {
    return varChild.vt == VT_I4 && varChild.lVal == CHILDID_SELF;
}

bool CThumbAccessible::ItemOf(const VARIANT& varChild, std::size_t& nIndex) const {
    if (!m_pView || varChild.vt != VT_I4 || varChild.lVal <= 0) return false;
    nIndex = static_cast<std::size_t>(varChild.lVal - 1);
    return nIndex < m_pView->GetPictureCount();
}

STDMETHODIMP CThumbAccessible::get_accParent(IDispatch** ppdispParent) {
    if (!ppdispParent) return E_POINTER;
    *ppdispParent = nullptr;
    if (!m_pView) return kGone;
    return AccessibleObjectFromWindow(m_pView->m_hWnd, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                      reinterpret_cast<void**>(ppdispParent));
}

STDMETHODIMP CThumbAccessible::get_accChildCount(long* pcountChildren) {
    if (!pcountChildren) return E_POINTER;
    if (!m_pView) return kGone;
    *pcountChildren = static_cast<long>(m_pView->GetPictureCount());
    return S_OK;
}

STDMETHODIMP CThumbAccessible::get_accChild(VARIANT, IDispatch** ppdispChild) {
    if (!ppdispChild) return E_POINTER;
    // The pictures are simple elements of the list, not objects of their own.
    *ppdispChild = nullptr;
    return m_pView ? S_FALSE : kGone;
}

STDMETHODIMP CThumbAccessible::get_accName(VARIANT varChild, BSTR* pszName) {
    if (!pszName) return E_POINTER;
    *pszName = nullptr;
    if (!m_pView) return kGone;
    std::size_t nIndex = 0;
    if (ItemOf(varChild, nIndex)) {
        *pszName = AnsiToBstr(std::string(m_pView->GetPictureName(nIndex)));
        return S_OK;
    }
    return IsSelf(varChild) ? S_FALSE : E_INVALIDARG;
}

STDMETHODIMP CThumbAccessible::get_accRole(VARIANT varChild, VARIANT* pvarRole) {
    if (!pvarRole) return E_POINTER;
    VariantInit(pvarRole);
    if (!m_pView) return kGone;
    std::size_t nIndex = 0;
    const bool bItem = ItemOf(varChild, nIndex);
    if (!bItem && !IsSelf(varChild)) return E_INVALIDARG;
    pvarRole->vt = VT_I4;
    pvarRole->lVal = bItem ? ROLE_SYSTEM_LISTITEM : ROLE_SYSTEM_LIST;
    return S_OK;
}

STDMETHODIMP CThumbAccessible::get_accState(VARIANT varChild, VARIANT* pvarState) {
    if (!pvarState) return E_POINTER;
    VariantInit(pvarState);
    if (!m_pView) return kGone;
    const bool bFocused = GetFocus() == m_pView->m_hWnd;
    long nState = STATE_SYSTEM_FOCUSABLE;
    std::size_t nIndex = 0;
    if (ItemOf(varChild, nIndex)) {
        nState |= STATE_SYSTEM_SELECTABLE;
        if (m_pView->IsPictureSelected(nIndex)) nState |= STATE_SYSTEM_SELECTED;
        if (bFocused && nIndex == m_pView->GetFocusedItem()) nState |= STATE_SYSTEM_FOCUSED;
        if (!Contains(m_pView->GetClientRect(), ItemRect(m_pView->CellRects(nIndex)))) nState |= STATE_SYSTEM_OFFSCREEN;
    } else if (IsSelf(varChild)) {
        if (bFocused) nState |= STATE_SYSTEM_FOCUSED;
    } else {
        return E_INVALIDARG;
    }
    pvarState->vt = VT_I4;
    pvarState->lVal = nState;
    return S_OK;
}

STDMETHODIMP CThumbAccessible::get_accFocus(VARIANT* pvarChild) {
    if (!pvarChild) return E_POINTER;
    VariantInit(pvarChild);
    if (!m_pView) return kGone;
    if (GetFocus() != m_pView->m_hWnd) return S_FALSE;
    if (m_pView->GetPictureCount() == 0) {
        pvarChild->vt = VT_I4;
        pvarChild->lVal = CHILDID_SELF;
    } else {
        *pvarChild = ChildVariant(m_pView->GetFocusedItem());
    }
    return S_OK;
}

STDMETHODIMP CThumbAccessible::get_accSelection(VARIANT* pvarChildren) {
    if (!pvarChildren) return E_POINTER;
    VariantInit(pvarChildren);
    if (!m_pView) return kGone;
    // One selected picture is named; several are left to the clients that walk the children
    // and read their states.
    std::size_t nSelected = 0;
    std::size_t nFirst = 0;
    for (std::size_t i = 0; i < m_pView->GetPictureCount(); ++i) {
        if (!m_pView->IsPictureSelected(i)) continue;
        if (nSelected++ == 0) nFirst = i;
    }
    if (nSelected == 0) return S_FALSE;
    if (nSelected > 1) return DISP_E_MEMBERNOTFOUND;
    *pvarChildren = ChildVariant(nFirst);
    return S_OK;
}

STDMETHODIMP CThumbAccessible::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) {
    if (!pszDefaultAction) return E_POINTER;
    *pszDefaultAction = nullptr;
    if (!m_pView) return kGone;
    std::size_t nIndex = 0;
    if (!ItemOf(varChild, nIndex)) return IsSelf(varChild) ? S_FALSE : E_INVALIDARG;
    *pszDefaultAction = AnsiToBstr(LoadResString(IDS_ACTION_TOGGLE));
    return S_OK;
}

STDMETHODIMP CThumbAccessible::accSelect(long flagsSelect, VARIANT varChild) {
    if (!m_pView) return kGone;
    std::size_t nIndex = 0;
    if (!ItemOf(varChild, nIndex)) return E_INVALIDARG;
    if (flagsSelect & SELFLAG_TAKEFOCUS) {
        SetFocus(m_pView->m_hWnd);
        m_pView->FocusItem(nIndex);
    }
    const bool bSelected = m_pView->IsPictureSelected(nIndex);
    if (((flagsSelect & SELFLAG_ADDSELECTION) && !bSelected) || ((flagsSelect & SELFLAG_REMOVESELECTION) && bSelected))
        m_pView->ToggleItem(nIndex);
    return S_OK;
}

STDMETHODIMP CThumbAccessible::accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight,
                                           VARIANT varChild) {
    if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight) return E_POINTER;
    if (!m_pView) return kGone;
    std::size_t nIndex = 0;
    RECT rc{};
    if (ItemOf(varChild, nIndex)) {
        const PixelRect item = ItemRect(m_pView->CellRects(nIndex));
        rc = RECT{item.left, item.top, item.right, item.bottom};
    } else if (IsSelf(varChild)) {
        rc = m_pView->GetClientRect();
    } else {
        return E_INVALIDARG;
    }
    MapWindowPoints(m_pView->m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    *pxLeft = rc.left;
    *pyTop = rc.top;
    *pcxWidth = rc.right - rc.left;
    *pcyHeight = rc.bottom - rc.top;
    return S_OK;
}

STDMETHODIMP CThumbAccessible::accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) {
    if (!pvarEndUpAt) return E_POINTER;
    VariantInit(pvarEndUpAt);
    if (!m_pView) return kGone;
    const std::size_t nCount = m_pView->GetPictureCount();
    std::size_t nIndex = 0;
    const bool bItem = ItemOf(varStart, nIndex);
    if (!bItem && !IsSelf(varStart)) return E_INVALIDARG;
    if (nCount == 0) return S_FALSE;
    switch (navDir) {
    case NAVDIR_FIRSTCHILD:
        if (bItem) return E_INVALIDARG;
        nIndex = 0;
        break;
    case NAVDIR_LASTCHILD:
        if (bItem) return E_INVALIDARG;
        nIndex = nCount - 1;
        break;
    case NAVDIR_NEXT:
        if (!bItem || nIndex + 1 >= nCount) return S_FALSE;
        ++nIndex;
        break;
    case NAVDIR_PREVIOUS:
        if (!bItem || nIndex == 0) return S_FALSE;
        --nIndex;
        break;
    default: return S_FALSE;
    }
    *pvarEndUpAt = ChildVariant(nIndex);
    return S_OK;
}

STDMETHODIMP CThumbAccessible::accHitTest(long xLeft, long yTop, VARIANT* pvarChild) {
    if (!pvarChild) return E_POINTER;
    VariantInit(pvarChild);
    if (!m_pView) return kGone;
    POINT pt{xLeft, yTop};
    ScreenToClient(m_pView->m_hWnd, &pt);
    RECT rcClient = m_pView->GetClientRect();
    if (!PtInRect(&rcClient, pt)) return S_FALSE;
    if (const std::optional<std::size_t> hit = m_pView->ItemAt(pt)) {
        *pvarChild = ChildVariant(*hit);
    } else {
        pvarChild->vt = VT_I4;
        pvarChild->lVal = CHILDID_SELF;
    }
    return S_OK;
}

STDMETHODIMP CThumbAccessible::accDoDefaultAction(VARIANT varChild) {
    if (!m_pView) return kGone;
    std::size_t nIndex = 0;
    if (!ItemOf(varChild, nIndex)) return IsSelf(varChild) ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
    m_pView->ToggleItem(nIndex);
    return S_OK;
}
