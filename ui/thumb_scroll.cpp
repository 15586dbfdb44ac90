#include "ui/thumb_scroll.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

int Saturate(long long n) { return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX)); }

}  // namespace

int RequestedScrollPos(ThumbScrollAction action, const ThumbScrollState& state, int nLineStep) {
    const long long nPos = state.nPos;
    switch (action) {
    case ThumbScrollAction::LineUp: return Saturate(nPos - nLineStep);
    case ThumbScrollAction::LineDown: return Saturate(nPos + nLineStep);
    case ThumbScrollAction::PageUp: return Saturate(nPos - state.nPage);
    case ThumbScrollAction::PageDown: return Saturate(nPos + state.nPage);
    case ThumbScrollAction::ThumbTrack: return state.nTrackPos;
    case ThumbScrollAction::Top: return state.nMin;
    case ThumbScrollAction::Bottom: return state.nMax;
    case ThumbScrollAction::Other: break;
    }
    return state.nPos;
}

int ClampScrollPos(int nPos, const ThumbScrollState& state) {
    const long long nHigh =
        std::max<long long>(state.nMin, static_cast<long long>(state.nMax) - std::max(state.nPage - 1, 0));
    return Saturate(std::clamp<long long>(nPos, state.nMin, nHigh));
}

ThumbWheelScroll WheelToScroll(int nDelta, int nLines) {
    const bool bDown = nDelta <= 0;
    if (nLines == -1) return {bDown ? ThumbScrollAction::PageDown : ThumbScrollAction::PageUp, 1};
    const long long nNotches = std::llabs(static_cast<long long>(nDelta)) / 120;
    const long long nSteps = nNotches * std::max(nLines, 0) / 3;
    return {bDown ? ThumbScrollAction::LineDown : ThumbScrollAction::LineUp,
            static_cast<int>(std::clamp<long long>(nSteps, 1, kMaxWheelSteps))};
}
