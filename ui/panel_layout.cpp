#include "ui/panel_layout.h"

#include <algorithm>
#include <cstdint>

namespace {

// Any figure beyond this is nonsense from the caller; bounding it keeps every sum below
// in range of int.
constexpr int kMaxExtent = 1 << 20;

constexpr int Bound(int n) { return std::clamp(n, 0, kMaxExtent); }

constexpr int kMargin = 10;  // left and right of the tree and the view, and the top row
constexpr int kGaugeWidth = 100;
constexpr int kGaugeHeight = 12;
constexpr int kButtonHeight = 25;
constexpr int kUploadWidth = 72;
constexpr int kUploadRightGap = 20;
constexpr int kSelectNoneWidth = 45;
constexpr int kSelectAllWidth = 46;
constexpr int kLabelGap = 3;  // between label 218 and button 204
constexpr int kSplitterWidth = 5;
constexpr int kBandGap = 5;      // between the top row and the tree
constexpr int kBottomBand = 50;  // below the tree: room for the hint
constexpr int kHintHeight = 40;
constexpr int kHintInset = 5;
constexpr int kWrappedTextLeft = 72;

// The size of a template rectangle, measured in 64 bits: its corners come from the caller.
PixelRect Sized(const PixelRect& rc) {
    auto extent = [](int nLow, int nHigh) {
        return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{nHigh} - nLow, 0, kMaxExtent));
    };
    return {0, 0, extent(rc.left, rc.right), extent(rc.top, rc.bottom)};
}

}  // namespace

PanelPlacement CPanelLayout::Recalc(const PanelMeasures& measures, int nDelta) {
    const std::int64_t nWidth = std::int64_t{m_nTreeWidth} + nDelta;
    m_nTreeWidth = static_cast<int>(std::clamp<std::int64_t>(nWidth, -kMaxExtent, kMaxExtent));
    return Place(measures);
}

PanelPlacement CPanelLayout::Place(const PanelMeasures& measures) const {
    const int cx = Bound(measures.szClient.cx);
    const int cy = Bound(measures.szClient.cy);
    const int w1 = Bound(measures.szSpaceCaption.cx);
    const int h1 = Bound(measures.szSpaceCaption.cy);
    const int w2 = Bound(measures.szSpaceText.cx);
    const int h2 = Bound(measures.szSpaceText.cy);
    const int nTop = Bound(m_tpl.nUploadTop);
    const int nButtonsBottom = nTop + kButtonHeight;

    PanelPlacement p;
    p.rcSpaceCaption = PixelRect::FromOriginSize(kMargin, kMargin, w1, h1);
    p.rcGauge = PixelRect::FromOriginSize(kMargin + w1, kMargin, kGaugeWidth, kGaugeHeight);

    // The group right of the space text hangs from the right edge, each piece left of the
    // one before.
    p.rcUpload = PixelRect::FromOriginSize(cx - kUploadRightGap - kUploadWidth, nTop, kUploadWidth, kButtonHeight);
    p.rcSelectNone =
        PixelRect::FromOriginSize(p.rcUpload.left - kSelectNoneWidth, nTop, kSelectNoneWidth, kButtonHeight);
    p.rcSelectAll =
        PixelRect::FromOriginSize(p.rcSelectNone.left - kSelectAllWidth, nTop, kSelectAllWidth, kButtonHeight);
    const PixelRect rcLabel = Sized(m_tpl.rcCompressLabel);
    p.rcCompressLabel =
        rcLabel.Offset(p.rcSelectAll.left - kLabelGap - rcLabel.right, Bound(m_tpl.rcCompressLabel.top));
    const PixelRect rcBox = Sized(m_tpl.rcCompressBox);
    p.rcCompressBox = rcBox.Offset(p.rcCompressLabel.left - rcBox.right, Bound(m_tpl.rcCompressBox.top));

    // A panel too narrow for both ends would lay the buttons over the gauge; they stop at
    // the gauge instead and the client edge cuts them.
    const int nGroupMin = p.rcGauge.right + kLabelGap;
    if (p.rcCompressBox.left < nGroupMin) {
        const int nShift = nGroupMin - p.rcCompressBox.left;
        for (PixelRect* pRect : {&p.rcUpload, &p.rcSelectNone, &p.rcSelectAll, &p.rcCompressLabel, &p.rcCompressBox})
            *pRect = pRect->Offset(nShift, 0);
    }

    // The first row ends under the buttons, or lower when the template's label or box (a
    // larger font) reaches further down, so that nothing of the row sits on the tree.
    const int nRowOneBottom = std::max(
        {nButtonsBottom, p.rcSpaceCaption.bottom, p.rcGauge.bottom, p.rcCompressLabel.bottom, p.rcCompressBox.bottom});
    const int nAvail = p.rcCompressBox.left - (w1 + 110) - 6;
    if (nAvail >= w2) {
        p.rcSpaceText = PixelRect::FromOriginSize(w1 + 113, kMargin, w2, nButtonsBottom - kMargin);
        p.nRowBottom = nRowOneBottom;
    } else {
        p.rcSpaceText = PixelRect::FromOriginSize(kWrappedTextLeft, nRowOneBottom + 3, w2, h2);
        p.bSpaceTextWrapped = true;
        p.nRowBottom = nRowOneBottom + 3 + h2;
    }

    // The content band never turns inside out: a client lower than the top row and the
    // bottom band leaves it empty rather than negative.
    const int nBandTop = p.nRowBottom + kBandGap;
    const int nBandBottom = std::max(nBandTop, cy - kBottomBand);
    const int nTree = std::clamp(m_nTreeWidth, 0, std::max(0, cx - 2 * kMargin - kSplitterWidth));
    const int x = kMargin + nTree;
    p.rcTree = {kMargin, nBandTop, x, nBandBottom};
    p.rcSplitter = {x, nBandTop, x + kSplitterWidth, nBandBottom};
    p.rcThumbs = {x + kSplitterWidth, nBandTop, cx - kMargin, nBandBottom};
    p.rcHint = {kHintInset, std::max(cy - kHintHeight, nBandBottom), cx - kHintInset, cy};

    p.rcTopBand = {0, 0, cx, nBandTop};
    p.rcLeftMargin = {0, nBandTop, kMargin, nBandBottom};
    p.rcRightMargin = {cx - kMargin, nBandTop, cx, nBandBottom};
    p.rcBottomBand = {0, nBandBottom, cx, cy};

    const PixelRect rcClient{0, 0, cx, cy};
    for (PixelRect* pRect : {&p.rcSpaceCaption, &p.rcGauge, &p.rcUpload, &p.rcSelectNone, &p.rcSelectAll,
                             &p.rcCompressLabel, &p.rcCompressBox, &p.rcSpaceText, &p.rcHint, &p.rcTree, &p.rcSplitter,
                             &p.rcThumbs, &p.rcTopBand, &p.rcLeftMargin, &p.rcRightMargin, &p.rcBottomBand})
        *pRect = ClippedTo(*pRect, rcClient);
    return p;
}
