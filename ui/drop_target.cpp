#include "ui/drop_target.h"

#include "framework/qi_table.h"

#include <string>

namespace {

// The CF_HDROP list of a data object; empty when it offers none.
std::vector<DroppedItem> ReadDataObject(IDataObject* pDataObj) {
    if (!pDataObj) return {};
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(pDataObj->GetData(&format, &medium))) return {};
    std::vector<DroppedItem> arrItems;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal)
        arrItems = ReadDroppedFiles(static_cast<HDROP>(medium.hGlobal));
    ReleaseStgMedium(&medium);
    return arrItems;
}

}  // namespace

std::vector<DroppedItem> ReadDroppedFiles(HDROP hDrop) {
    std::vector<DroppedItem> arrItems;
    if (!hDrop) return arrItems;
    const UINT nFiles = DragQueryFileA(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < nFiles; ++i) {
        std::string strPath(DragQueryFileA(hDrop, i, nullptr, 0), '\0');
        if (strPath.empty()) continue;
        DragQueryFileA(hDrop, i, strPath.data(), static_cast<UINT>(strPath.size() + 1));
        const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
        // Gone since the drag began: not a folder, and not a picture the list will show.
        const bool bFolder = dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
        arrItems.push_back(DroppedItem{std::move(strPath), bFolder});
    }
    return arrItems;
}

STDMETHODIMP CDropTarget::QueryInterface(REFIID riid, void** ppv) {
    static const QITableEntry table[] = {QI_ENTRY(CDropTarget, IDropTarget), QI_END()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP_(ULONG) CDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRefs)); }

STDMETHODIMP_(ULONG) CDropTarget::Release() {
    const LONG nRefs = InterlockedDecrement(&m_nRefs);
    if (nRefs == 0) delete this;
    return static_cast<ULONG>(nRefs);
}

DWORD CDropTarget::EffectFor(const std::vector<DroppedItem>& arrItems, DWORD dwAllowed) const {
    const bool bTaken = m_pOwner && (dwAllowed & DROPEFFECT_COPY) && m_pOwner->CanTakeDrop(arrItems);
    return bTaken ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

STDMETHODIMP CDropTarget::DragEnter(IDataObject* pDataObj, DWORD, POINTL, DWORD* pdwEffect) {
    if (!pdwEffect) return E_INVALIDARG;
    m_arrDragged = ReadDataObject(pDataObj);
    *pdwEffect = EffectFor(m_arrDragged, *pdwEffect);
    return S_OK;
}

STDMETHODIMP CDropTarget::DragOver(DWORD, POINTL, DWORD* pdwEffect) {
    if (!pdwEffect) return E_INVALIDARG;
    // Asked again each time: a pass may have begun since the drag came in.
    *pdwEffect = EffectFor(m_arrDragged, *pdwEffect);
    return S_OK;
}

STDMETHODIMP CDropTarget::DragLeave() {
    m_arrDragged.clear();
    return S_OK;
}

STDMETHODIMP CDropTarget::Drop(IDataObject* pDataObj, DWORD, POINTL, DWORD* pdwEffect) {
    if (!pdwEffect) return E_INVALIDARG;
    m_arrDragged.clear();
    const std::vector<DroppedItem> arrItems = ReadDataObject(pDataObj);
    *pdwEffect = EffectFor(arrItems, *pdwEffect);
    if (*pdwEffect != DROPEFFECT_NONE) m_pOwner->OnFilesDropped(arrItems);
    return S_OK;
}
