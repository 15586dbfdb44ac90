#include "ui/panel_layout.h"

#include <algorithm>
#include <cstdint>

namespace {

// Any figure beyond this is nonsense from the caller; bounding it keeps every sum below
// in range of int.
constexpr int kMaxExtent = 1 << 20;

constexpr int Bound(int n) { return std::clamp(n, 0, kMaxExtent); }

// Pixels at 96 dpi.
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
constexpr int kSpaceTextGap = 3;  // between the gauge and the space text
constexpr int kSpaceTextRightGap = 6;
constexpr int kWrappedTextGap = 3;

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

int CPanelLayout::HintWidth(int cxClient) const { return std::max(0, Bound(cxClient) - 2 * m_scale.Scale(kHintInset)); }

PanelPlacement CPanelLayout::Place(const PanelMeasures& measures) const {
    const auto S = [this](int n) { return m_scale.Scale(n); };
    const int cx = Bound(measures.szClient.cx);
    const int cy = Bound(measures.szClient.cy);
    const int w1 = Bound(measures.szSpaceCaption.cx);
    const int h1 = Bound(measures.szSpaceCaption.cy);
    const int w2 = Bound(measures.szSpaceText.cx);
    const int h2 = Bound(measures.szSpaceText.cy);
    const int nHint = std::max(S(kHintHeight), Bound(measures.nHintHeight));
    const int nTop = Bound(m_tpl.nUploadTop);
    const int nButtonHeight = S(kButtonHeight);
    const int nButtonsBottom = nTop + nButtonHeight;
    const int nMargin = S(kMargin);

    PanelPlacement p;
    p.rcSpaceCaption = PixelRect::FromOriginSize(nMargin, nMargin, w1, h1);
    p.rcGauge = PixelRect::FromOriginSize(nMargin + w1, nMargin, S(kGaugeWidth), S(kGaugeHeight));

    // The group right of the space text hangs from the right edge, each piece left of the
    // one before.
    p.rcUpload =
        PixelRect::FromOriginSize(cx - S(kUploadRightGap) - S(kUploadWidth), nTop, S(kUploadWidth), nButtonHeight);
    p.rcSelectNone =
        PixelRect::FromOriginSize(p.rcUpload.left - S(kSelectNoneWidth), nTop, S(kSelectNoneWidth), nButtonHeight);
    p.rcSelectAll =
        PixelRect::FromOriginSize(p.rcSelectNone.left - S(kSelectAllWidth), nTop, S(kSelectAllWidth), nButtonHeight);
    const PixelRect rcLabel = Sized(m_tpl.rcCompressLabel);
    p.rcCompressLabel =
        rcLabel.Offset(p.rcSelectAll.left - S(kLabelGap) - rcLabel.right, Bound(m_tpl.rcCompressLabel.top));
    const PixelRect rcBox = Sized(m_tpl.rcCompressBox);
    p.rcCompressBox = rcBox.Offset(p.rcCompressLabel.left - rcBox.right, Bound(m_tpl.rcCompressBox.top));

    // A panel too narrow for both ends would lay the buttons over the gauge; they stop at
    // the gauge instead and the client edge cuts them.
    const int nGroupMin = p.rcGauge.right + S(kLabelGap);
    if (p.rcCompressBox.left < nGroupMin) {
        const int nShift = nGroupMin - p.rcCompressBox.left;
        for (PixelRect* pRect : {&p.rcUpload, &p.rcSelectNone, &p.rcSelectAll, &p.rcCompressLabel, &p.rcCompressBox})
            *pRect = pRect->Offset(nShift, 0);
    }

    // The first row ends under the buttons, or lower when the template's label or box (a
    // larger font) reaches further down, so that nothing of the row sits on the tree.
    const int nRowOneBottom = std::max(
        {nButtonsBottom, p.rcSpaceCaption.bottom, p.rcGauge.bottom, p.rcCompressLabel.bottom, p.rcCompressBox.bottom});
    const int nAvail = p.rcCompressBox.left - p.rcGauge.right - S(kSpaceTextRightGap);
    if (nAvail >= w2) {
        p.rcSpaceText = PixelRect::FromOriginSize(p.rcGauge.right + S(kSpaceTextGap), nMargin, w2,
                                                  std::max(nButtonsBottom - nMargin, h2));
        p.nRowBottom = std::max(nRowOneBottom, p.rcSpaceText.bottom);
    } else {
        const int nGap = S(kWrappedTextGap);
        p.rcSpaceText = PixelRect::FromOriginSize(S(kWrappedTextLeft), nRowOneBottom + nGap, w2, h2);
        p.bSpaceTextWrapped = true;
        p.nRowBottom = nRowOneBottom + nGap + h2;
    }

    // The content band never turns inside out: a client lower than the top row and the
    // bottom band leaves it empty rather than negative.
    // The bottom band holds the hint whole: a hint broken into more lines than the band was
    // drawn for (a narrow panel, a larger font) pushes the band up.
    const int nBandTop = p.nRowBottom + S(kBandGap);
    const int nBottomBand = std::max(S(kBottomBand), nHint + S(kBottomBand - kHintHeight));
    const int nBandBottom = std::max(nBandTop, cy - nBottomBand);
    const int nSplitter = S(kSplitterWidth);
    const int nTree = std::clamp(m_nTreeWidth, 0, std::max(0, cx - 2 * nMargin - nSplitter));
    const int x = nMargin + nTree;
    p.rcTree = {nMargin, nBandTop, x, nBandBottom};
    p.rcSplitter = {x, nBandTop, x + nSplitter, nBandBottom};
    p.rcThumbs = {x + nSplitter, nBandTop, cx - nMargin, nBandBottom};
    p.rcHint = {S(kHintInset), std::max(cy - nHint, nBandBottom), cx - S(kHintInset), cy};

    p.rcTopBand = {0, 0, cx, nBandTop};
    p.rcLeftMargin = {0, nBandTop, nMargin, nBandBottom};
    p.rcRightMargin = {cx - nMargin, nBandTop, cx, nBandBottom};
    p.rcBottomBand = {0, nBandBottom, cx, cy};

    const PixelRect rcClient{0, 0, cx, cy};
    for (PixelRect* pRect : {&p.rcSpaceCaption, &p.rcGauge, &p.rcUpload, &p.rcSelectNone, &p.rcSelectAll,
                             &p.rcCompressLabel, &p.rcCompressBox, &p.rcSpaceText, &p.rcHint, &p.rcTree, &p.rcSplitter,
                             &p.rcThumbs, &p.rcTopBand, &p.rcLeftMargin, &p.rcRightMargin, &p.rcBottomBand})
        *pRect = ClippedTo(*pRect, rcClient);
    return p;
}
