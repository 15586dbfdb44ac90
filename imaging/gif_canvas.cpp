#include "imaging/gif_canvas.h"

#include <algorithm>

namespace {

bool RestoresArea(int nDisposal) { return nDisposal == kGifDisposeBackground || nDisposal == kGifDisposePrevious; }

}  // namespace

GifError CGifCanvas::Create(int nWidth, int nHeight, uint32_t crBackdrop) {
    m_nWidth = m_nHeight = 0;
    m_arrPixels.clear();
    m_arrBackdrop.clear();
    m_arrSaved.clear();
    m_rcPending = {};
    m_nPendingDisposal = kGifDisposeNone;
    if (nWidth < 0 || nHeight < 0 || static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight) > kGifMaxCanvasPixels)
        return GifError::TooLarge;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    m_arrBackdrop.assign(static_cast<size_t>(nWidth) * nHeight, crBackdrop);
    m_arrPixels = m_arrBackdrop;
    return GifError::None;
}

bool CGifCanvas::SetBackdrop(std::span<const uint32_t> arrPixels) {
    if (arrPixels.size() != m_arrBackdrop.size()) return false;
    m_arrBackdrop.assign(arrPixels.begin(), arrPixels.end());
    Reset();
    return true;
}

void CGifCanvas::Reset() {
    m_arrPixels = m_arrBackdrop;
    m_rcPending = {};
    m_nPendingDisposal = kGifDisposeNone;
}

CGifCanvas::CRectArea CGifCanvas::ClipFrame(const CGifFrame& frame) const {
    // Only a frame whose buffer really holds its rows is drawn.
    if (frame.m_nStride < frame.m_nWidth ||
        frame.m_arrPixels.size() < static_cast<size_t>(frame.m_nStride) * frame.m_nHeight)
        return {};
    CRectArea rc;
    rc.nLeft = std::min(frame.m_nLeft, m_nWidth);
    rc.nTop = std::min(frame.m_nTop, m_nHeight);
    rc.nRight = std::min(frame.m_nLeft + frame.m_nWidth, m_nWidth);
    rc.nBottom = std::min(frame.m_nTop + frame.m_nHeight, m_nHeight);
    return rc;
}

void CGifCanvas::CopyArea(const CRectArea& rc, const std::vector<uint32_t>& arrFrom,
                          std::vector<uint32_t>& arrTo) const {
    if (rc.IsEmpty()) return;
    for (int y = rc.nTop; y < rc.nBottom; ++y) {
        const size_t nRow = static_cast<size_t>(y) * m_nWidth;
        std::copy(arrFrom.begin() + nRow + rc.nLeft, arrFrom.begin() + nRow + rc.nRight,
                  arrTo.begin() + nRow + rc.nLeft);
    }
}

void CGifCanvas::Compose(const CGifFrame& frame) {
    if (RestoresArea(m_nPendingDisposal)) CopyArea(m_rcPending, m_arrSaved, m_arrPixels);

    const CRectArea rc = ClipFrame(frame);
    m_rcPending = rc;
    m_nPendingDisposal = frame.m_nDisposal;
    if (RestoresArea(frame.m_nDisposal)) {
        // Whole-canvas copy, so that the saved rows line up with the canvas's; it is reused.
        m_arrSaved.resize(m_arrPixels.size());
        CopyArea(rc, m_arrPixels, m_arrSaved);
    }
    if (rc.IsEmpty()) return;

    const uint32_t* pColors = frame.m_arrColors.data();
    const int nSkip = frame.m_bTransparent ? frame.m_nTransparentIndex : -1;
    for (int y = rc.nTop; y < rc.nBottom; ++y) {
        const uint8_t* pSrc = frame.m_arrPixels.data() + static_cast<size_t>(y - frame.m_nTop) * frame.m_nStride +
                              (rc.nLeft - frame.m_nLeft);
        uint32_t* pDst = m_arrPixels.data() + static_cast<size_t>(y) * m_nWidth + rc.nLeft;
        const int nCount = rc.nRight - rc.nLeft;
        if (nSkip < 0) {
            for (int x = 0; x < nCount; ++x) pDst[x] = pColors[pSrc[x]];
        } else {
            for (int x = 0; x < nCount; ++x)
                if (pSrc[x] != nSkip) pDst[x] = pColors[pSrc[x]];
        }
    }
}
