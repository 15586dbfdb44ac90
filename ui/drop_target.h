// The panel's OLE drop target, and the reading of a drop's file list (CF_HDROP, which the
// old WM_DROPFILES carries too). The owner decides whether a drop is taken and what it means.
#pragma once
#include "ui/drop_plan.h"

#include <ole2.h>
#include <shellapi.h>

#include <vector>

// The dropped paths, each marked a folder or not; empty when there are none.
std::vector<DroppedItem> ReadDroppedFiles(HDROP hDrop);

class CDropTargetOwner {
public:
    // Whether the drop would be taken now.
    virtual bool CanTakeDrop(const std::vector<DroppedItem>& arrItems) const = 0;
    virtual void OnFilesDropped(const std::vector<DroppedItem>& arrItems) = 0;

protected:
    ~CDropTargetOwner() = default;
};

class CDropTarget final : public IDropTarget {
public:
    explicit CDropTarget(CDropTargetOwner* pOwner) : m_pOwner(pOwner) {}
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;
    // The owner goes: a drag the system still holds a reference for gets "no" from now on.
    void Detach() { m_pOwner = nullptr; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    STDMETHODIMP DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

private:
    ~CDropTarget() = default;
    // Copy when the owner takes these items and the source allows a copy; otherwise none.
    DWORD EffectFor(const std::vector<DroppedItem>& arrItems, DWORD dwAllowed) const;

    LONG m_nRefs = 1;
    CDropTargetOwner* m_pOwner;
    std::vector<DroppedItem> m_arrDragged;  // what the drag in progress holds
};
