// Scrolling rules of the thumbnail grid: the position a scroll-bar code asks for, the
// clamping the system applies to it, and how many steps a mouse-wheel turn makes.
#pragma once

// The scroll-bar codes the grid acts on (SB_LINEUP and so on); Other covers the codes
// that leave the position alone, such as SB_THUMBPOSITION and SB_ENDSCROLL.
enum class ThumbScrollAction { LineUp, LineDown, PageUp, PageDown, ThumbTrack, Top, Bottom, Other };

// GetScrollInfo's figures of the vertical bar.
struct ThumbScrollState {
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// A line's step at 96 dpi; the grid scales it with its other figures.
constexpr int kThumbLineStep = 30;

// The position the grid sets for the action, before the system clamps it.
int RequestedScrollPos(ThumbScrollAction action, const ThumbScrollState& state, int nLineStep = kThumbLineStep);
// What SetScrollInfo makes of a position: min .. max - (page - 1).
int ClampScrollPos(int nPos, const ThumbScrollState& state);

// One wheel message: repeat nSteps times the scroll handling with action.
struct ThumbWheelScroll {
    ThumbScrollAction action = ThumbScrollAction::Other;
    int nSteps = 0;
};

// nLines is SPI_GETWHEELSCROLLLINES, -1 for a page per notch. A turn toward the user
// (delta 0 or less) scrolls down. Steps are (|delta| / 120) × lines / 3 in integers, at
// least 1, and at most kMaxWheelSteps (some two million pixels): an absurd wheel setting
// cannot keep the interface thread scrolling for long.
constexpr int kMaxWheelSteps = 1 << 16;
ThumbWheelScroll WheelToScroll(int nDelta, int nLines);
