#include "ui/thumb_focus.h"

#include <algorithm>

int MoveThumbFocus(ThumbFocusKey key, int nFocus, int nCount, int nColumns, int nPageRows) {
    if (nCount <= 0) return 0;
    const int nLast = nCount - 1;
    const int nColumnsAtLeast1 = std::max(nColumns, 1);
    const int nPage = std::max(nPageRows, 1) * nColumnsAtLeast1;
    nFocus = std::clamp(nFocus, 0, nLast);
    switch (key) {
    case ThumbFocusKey::Left: return std::max(nFocus - 1, 0);
    case ThumbFocusKey::Right: return std::min(nFocus + 1, nLast);
    case ThumbFocusKey::Up: return nFocus >= nColumnsAtLeast1 ? nFocus - nColumnsAtLeast1 : nFocus;
    case ThumbFocusKey::Down: return nFocus + nColumnsAtLeast1 <= nLast ? nFocus + nColumnsAtLeast1 : nFocus;
    case ThumbFocusKey::Home: return 0;
    case ThumbFocusKey::End: return nLast;
    case ThumbFocusKey::PageUp: return nFocus >= nPage ? nFocus - nPage : nFocus % nColumnsAtLeast1;
    case ThumbFocusKey::PageDown: {
        if (nFocus + nPage <= nLast) return nFocus + nPage;
        // The last row, in the focus's column where the row reaches it.
        const int nLastRowStart = nLast - nLast % nColumnsAtLeast1;
        return std::min(nLastRowStart + nFocus % nColumnsAtLeast1, nLast);
    }
    }
    return nFocus;
}

int ScrollToShow(int nTop, int nBottom, int nHeight) {
    if (nTop < 0) return -nTop;
    if (nBottom > nHeight) return std::max(nHeight - nBottom, -nTop);
    return 0;
}
