// Keyboard focus in the thumbnail grid: where a navigation key moves the focused item, and
// how far the grid scrolls to keep it on the screen.
#pragma once

enum class ThumbFocusKey { Left, Right, Up, Down, Home, End, PageUp, PageDown };

// The item a key moves the focus to from nFocus, in a list of nCount items laid out in
// nColumns columns of which nPageRows rows fill the screen. The focus stays in the list
// and on the row it was on when an arrow would leave it; a page moves a screen's rows.
int MoveThumbFocus(ThumbFocusKey key, int nFocus, int nCount, int nColumns, int nPageRows);

// The change of the scroll offset that brings an item drawn from nTop to nBottom (client
// coordinates) whole into a client nHeight high; 0 when it is in view already. An item
// taller than the client shows its top.
int ScrollToShow(int nTop, int nBottom, int nHeight);
