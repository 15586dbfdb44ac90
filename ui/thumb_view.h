// The grid of the current folder's pictures: square cells with captions, selection by
// click, opening by double click, vertical scrolling. It reads the pictures through its
// owner's narrow view and reports clicks to it; the thumbnails are its own, made on demand
// for the cells on and around the screen and kept in a bounded cache.
#pragma once
#include "framework/com_ptr.h"
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "imaging/picture_names.h"
#include "imaging/thumb_cache.h"
#include "imaging/thumbnail_producer.h"
#include "ui/panel_messages.h"
#include "ui/thumb_accessible.h"
#include "ui/thumb_grid_layout.h"
#include "ui/thumb_scroll.h"
#include "ui/window_back_buffer.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// What the grid needs of its owner: the pictures, read by their index in the list, and
// where it reports what the user did with them. The owner decides what a click means.
class CThumbGridOwner {
public:
    virtual std::size_t GetPictureCount() const = 0;
    // The caption; and all the names, for the thumbnail producer to share.
    virtual std::string_view GetPictureName(std::size_t nIndex) const = 0;
    virtual std::shared_ptr<const CPictureNames> GetPictureNames() const = 0;
    virtual bool IsPictureSelected(std::size_t nIndex) const = 0;
    virtual void OnPictureClicked(std::size_t nIndex) = 0;
    virtual void OnPictureDoubleClicked(std::size_t nIndex) = 0;
    // The keyboard's way to "全选".
    virtual void OnAllPicturesChosen() = 0;
    // The grid shows a new list (it is at its top, its thumbnails on their way).
    virtual void OnPicturesShown() = 0;

protected:
    ~CThumbGridOwner() = default;
};

class CThumbView : public CWnd {
public:
    BOOL Create(CWnd* pParent, UINT nID, CThumbGridOwner* pOwner);
    void Layout();
    // Before the owner changes its list: the producer stops and the thumbnails go.
    void ForgetPictures();

    int GetScrollOffset() const { return m_nScrollOffset; }
    int GetContentHeight() const { return m_grid.GetContentHeight(); }
    // Where item nIndex is drawn now; its thumbnail goes in PictureRect.
    ThumbCellRects CellRects(std::size_t nIndex) const;
    PixelRect PictureRect(std::size_t nIndex) const;
    ThumbRange VisibleItems() const { return m_grid.VisibleItems(); }
    // The item's thumbnail, or null while it has none.
    const CThumbResult* FindThumbnail(std::size_t nIndex) const;
    // The item the keyboard acts on; a click moves it too.
    std::size_t GetFocusedItem() const { return m_nFocus; }
    // Moves the keyboard's focus to the item and scrolls it into view.
    void FocusItem(std::size_t nIndex);
    // Toggles the item's selection as a click on it does.
    void ToggleItem(std::size_t nIndex);
    // The item drawn at the client point.
    std::optional<std::size_t> ItemAt(POINT pt) const;
    // The owner changed many selections at once.
    void NotifySelectionChanged();
    // Everything the grid shows is drawn afresh at the next paint.
    void RepaintAll();

    // The owner's pictures, for the grid's accessible object.
    std::size_t GetPictureCount() const { return m_pOwner ? m_pOwner->GetPictureCount() : 0; }
    std::string_view GetPictureName(std::size_t nIndex) const { return m_pOwner->GetPictureName(nIndex); }
    bool IsPictureSelected(std::size_t nIndex) const { return m_pOwner->IsPictureSelected(nIndex); }
    // The thumbnails held now, and the most the cache holds.
    std::size_t GetThumbnailCount() const { return m_cache.GetThumbnailCount(); }
    std::size_t GetThumbnailCapacity() const { return m_cache.GetCapacity(); }

protected:
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnDestroy();
    void OnPaint();
    // Draws into the given DC as a paint would: the system taking the window's picture.
    LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
    void OnSize(UINT nType, int cx, int cy);
    LRESULT OnVScroll(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    LRESULT OnNewList(WPARAM wParam, LPARAM lParam);
    LRESULT OnScrolled(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetDlgCode(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnFocusChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
    BOOL OnEraseBkgnd(HDC) { return TRUE; }  // painting covers everything

    BEGIN_MESSAGE_MAP(CThumbView, CWnd)
        ON_WM_CREATE()
        ON_WM_DESTROY()
        ON_WM_PAINT()
        ON_MESSAGE(WM_PRINTCLIENT, OnPrintClient)
        ON_WM_SIZE()
        ON_WM_ERASEBKGND()
        ON_MESSAGE(WM_VSCROLL, OnVScroll)
        ON_MESSAGE(WM_MOUSEWHEEL, OnMouseWheel)
        ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
        ON_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
        ON_MESSAGE(WM_THUMBS_NEWLIST, OnNewList)
        ON_MESSAGE(WM_THUMBS_SCROLLED, OnScrolled)
        ON_MESSAGE(WM_TIMER, OnTimer)
        ON_MESSAGE(WM_GETDLGCODE, OnGetDlgCode)
        ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
        ON_MESSAGE(WM_SETFOCUS, OnFocusChange)
        ON_MESSAGE(WM_KILLFOCUS, OnFocusChange)
        ON_MESSAGE(WM_GETOBJECT, OnGetObject)
    END_MESSAGE_MAP()

private:
    void Scroll(ThumbScrollAction action);
    void Draw(HDC hdc);
    // How far an item's drawing reaches beyond its cell and caption: the selection's frame,
    // the focus rectangle (at 96 dpi; m_nItemMargin at the grid's).
    static constexpr int kItemMargin = 6;
    static constexpr UINT_PTR kScrollBarTimer = 0x5B01;
    static constexpr UINT kScrollBarDelayMs = 100;
    // The item with its frames and the focus rectangle around it.
    RECT ItemRect(std::size_t nIndex) const;
    void RepaintItem(std::size_t nIndex);
    // The back buffer holds the grid as it is to be seen, except in m_arrStale: a paint brings
    // that part up to date, then copies what the screen lacks. Whatever changes what the grid
    // shows marks its part stale through Repaint, which also has the screen take it.
    void Repaint(const RECT& rc);
    // Stale in the back buffer only: the screen is told apart, or already knows.
    void MarkStale(const RECT& rc);
    // The grid's content moved by nDy pixels (down when positive): what the back buffer holds
    // moves with it, and only what comes into view is drawn.
    void ScrollContent(int nDy);
    // After a change of the scroll offset: the layout follows, and the content with it.
    void ApplyScrollOffset(int nOffset);
    // Paints the items that reach into rcPaint, over white, and nothing outside it.
    void PaintItems(HDC hdc, const RECT& rcPaint);
    void PaintItemsClipped(HDC hdc, const RECT& rcPaint);
    // The thumbnail into rc, through the paint's memory DC (made at the first one).
    void DrawThumbnail(HDC hdc, const CThumbResult& thumb, const PixelRect& rc, std::optional<CMemoryDC>& thumbs) const;
    std::optional<std::size_t> HitTest(LPARAM lParam) const;
    // Tells assistive technology about a picture (child ids count from 1).
    void NotifyItem(DWORD dwEvent, std::size_t nIndex) const;

    CThumbGridOwner* m_pOwner = nullptr;
    int m_nScrollOffset = 0;  // 0 or negative: minus the scroll position
    std::size_t m_nFocus = 0;
    bool m_bScrollBarDue = false;  // the scroll bar is drawn when kScrollBarTimer comes
    ThumbGridMetrics m_metrics;
    int m_nItemMargin = kItemMargin;
    CThumbGridLayout m_grid{PixelSize{}, 0, 0};
    CThumbnailProducer m_producer;
    CThumbCache m_cache;
    CScopedFont m_fontCaption;
    CScopedFont m_fontMessage;
    CWindowBackBuffer m_back;
    bool m_bBackValid = false;
    std::vector<RECT> m_arrStale;
    static constexpr std::size_t kMaxStaleParts = 16;
    CScopedPen m_penSelected;
    CScopedPen m_penNormal;
    CComPtrT<CThumbAccessible> m_pAccessible;  // made at the first WM_GETOBJECT
};
