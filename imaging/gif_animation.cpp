#include "imaging/gif_animation.h"

GifError CGifAnimation::Open(std::span<const uint8_t> arrFile, uint32_t crBackdrop) {
    Close();
    m_crBackdrop = crBackdrop;
    GifError result = m_decoder.Open(arrFile);
    if (result != GifError::None) return result;
    if (m_decoder.Width() == 0 || m_decoder.Height() == 0) return GifError::NotGif;
    result = m_canvas.Create(m_decoder.Width(), m_decoder.Height(), m_crBackdrop);
    if (result != GifError::None) return result;
    m_bOpen = true;
    return GifError::None;
}

void CGifAnimation::Close() {
    m_bOpen = false;
    m_canvas.Create(0, 0, 0);
    m_nFrameIndex = -1;
    m_nFramesShown = 0;
}

void CGifAnimation::SetBackdrop(uint32_t crBackdrop) {
    m_crBackdrop = crBackdrop;
    if (!m_bOpen) return;
    m_canvas.Create(m_decoder.Width(), m_decoder.Height(), m_crBackdrop);
    Restart();
}

void CGifAnimation::Restart() {
    m_decoder.Rewind();
    m_canvas.Reset();
    m_nFrameIndex = -1;
}

GifStep CGifAnimation::Step() {
    GifStep step;
    if (!m_bOpen) return step;
    // Each decoder call consumes a byte or ends the pass, so this loop ends; a second end
    // without an image in between means the file holds none.
    bool bRestarted = false;
    for (;;) {
        const GifError result = m_decoder.DecodeNextFrame(m_frame);
        switch (result) {
        case GifError::None:
        case GifError::ShortData:
        case GifError::BadCode:
            // A damaged frame keeps the pixels decoded before the damage; the rest of it
            // shows the canvas through, as the decoder leaves it.
            step.bDamaged |= result != GifError::None;
            m_canvas.Compose(m_frame);
            ++m_nFrameIndex;
            ++m_nFramesShown;
            step.bFrame = true;
            step.nHoldMs = m_frame.m_nDelay > 0 ? m_frame.m_nDelay * 10 : kDefaultDelayMs;
            return step;
        case GifError::TooLarge:
        case GifError::BadCodeSize: step.bDamaged = true; break;
        case GifError::End:
            if (bRestarted || m_nFrameIndex < 0) return step;  // nHoldMs -1: a whole pass without an image
            Restart();
            bRestarted = true;
            break;
        default:  // UnknownBlock, Truncated: go on, the decoder has moved
            break;
        }
    }
}
