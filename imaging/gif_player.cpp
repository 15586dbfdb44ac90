#include "imaging/gif_player.h"

#include <windows.h>

#include <condition_variable>  // std::chrono's clocks too: <chrono> itself holds a
                               // literal that the GBK execution character set cannot take
#include <system_error>
#include <vector>

#include "framework/file_reader.h"
#include "framework/gdi.h"

namespace {
// The canvas keeps 0x00RRGGBB (an RGBQUAD's memory order); a COLORREF is 0x00BBGGRR.
uint32_t CanvasColour(COLORREF cr) {
    return (static_cast<uint32_t>(GetRValue(cr)) << 16) | (static_cast<uint32_t>(GetGValue(cr)) << 8) | GetBValue(cr);
}

COLORREF ColourRef(uint32_t cr) { return RGB((cr >> 16) & 0xFF, (cr >> 8) & 0xFF, cr & 0xFF); }
}  // namespace

CGifPlayer::CGifPlayer() : m_crBackdrop(CanvasColour(GetSysColor(COLOR_BTNFACE))) {}

bool CGifPlayer::Load(const std::string& strPath) {
    // The file is read without the lock: the playback thread goes on meanwhile.
    std::vector<uint8_t> arrBytes;
    const bool bRead = ReadGifFile(strPath, arrBytes);
    bool bLoaded = false;
    {
        std::lock_guard lock(m_lock);
        bLoaded = bRead && m_animation.Open(arrBytes, m_crBackdrop) == GifError::None;
        if (!bLoaded) m_animation.Close();
        m_bReloaded = true;
    }
    m_cvWake.notify_all();
    if (m_hWnd) Invalidate(FALSE);
    return bLoaded;
}

void CGifPlayer::Play(HWND hParent, int x, int y, int nWidth, int nHeight) {
    if (!hParent || !IsWindow(hParent)) return;
    {
        std::lock_guard lock(m_lock);
        if (!m_animation.IsOpen()) return;
        if (nWidth < 0) nWidth = m_animation.Width();
        if (nHeight < 0) nHeight = m_animation.Height();
    }
    if (m_hWnd) {
        MoveWindow(x, y, nWidth, nHeight, FALSE);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    }

    const RECT rc{x, y, x + nWidth, y + nHeight};
    if (!CreateEx(0, RegisterWndClass(CS_HREDRAW | CS_VREDRAW), "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rc,
                  hParent, 0))
        return;
    m_hParent = hParent;
    try {
        m_thread = std::jthread([this, hWnd = m_hWnd](std::stop_token stop) { Run(stop, hWnd); });
        m_bStarted = true;
    } catch (const std::system_error&) {
        // No thread: the window shows the backdrop; nothing else goes wrong.
    }
}

void CGifPlayer::Pause() {
    // Taken under the lock, so that a frame being drawn is finished before Pause returns
    // and the thread sees the flag before it decodes the next. The thread is never
    // suspended: it could be holding the heap's or GDI's locks at that moment.
    std::lock_guard lock(m_lock);
    m_bPaused = true;
}

void CGifPlayer::Resume() {
    {
        std::lock_guard lock(m_lock);
        // Playing already (the next picture of a pass): its thread is not woken for nothing.
        if (!m_bPaused) return;
        m_bPaused = false;
    }
    m_cvWake.notify_all();
}

void CGifPlayer::SetBackdrop(COLORREF cr) {
    {
        std::lock_guard lock(m_lock);
        m_crBackdrop = CanvasColour(cr);
        m_animation.SetBackdrop(m_crBackdrop);
        m_bReloaded = true;
    }
    m_cvWake.notify_all();
    if (m_hWnd) Invalidate(FALSE);
}

bool CGifPlayer::IsLoaded() const {
    std::lock_guard lock(m_lock);
    return m_animation.IsOpen();
}

bool CGifPlayer::IsPaused() const {
    std::lock_guard lock(m_lock);
    return m_bPaused;
}

int CGifPlayer::ImageWidth() const {
    std::lock_guard lock(m_lock);
    return m_animation.Width();
}

int CGifPlayer::ImageHeight() const {
    std::lock_guard lock(m_lock);
    return m_animation.Height();
}

uint64_t CGifPlayer::FramesShown() const {
    std::lock_guard lock(m_lock);
    return m_animation.FramesShown();
}

int CGifPlayer::CurrentFrame() const {
    std::lock_guard lock(m_lock);
    return m_animation.FrameIndex();
}

void CGifPlayer::OnPaint() {
    CPaintDC paint(m_hWnd);
    // Waiting is safe: the thread holds the lock only to decode and draw one frame and
    // never waits for this thread meanwhile.
    std::lock_guard lock(m_lock);
    DrawLocked(paint.Get(), GetClientRect());
}

BOOL CGifPlayer::OnEraseBkgnd(HDC) {
    return TRUE;  // WM_PAINT covers the whole client area
}

void CGifPlayer::OnDestroy() {
    // The window still exists here, so the thread can finish a frame it is drawing.
    StopThread();
    if (m_hParent && IsWindow(m_hParent)) ::PostMessageA(m_hParent, kMsgClosed, 0, 0);
}

void CGifPlayer::StopThread() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void CGifPlayer::DrawLocked(HDC hdc, const RECT& rc) {
    if (PaintGifCanvas(hdc, rc, m_animation.Canvas())) return;
    FillSolidRect(hdc, rc, ColourRef(m_crBackdrop));
}

void CGifPlayer::Run(std::stop_token stop, HWND hWnd) {
    using Clock = std::chrono::steady_clock;
    try {
        std::unique_lock lock(m_lock);
        while (!stop.stop_requested()) {
            if (m_bPaused || !m_animation.IsOpen()) {
                m_cvWake.wait(lock, stop, [this] { return !m_bPaused && m_animation.IsOpen(); });
                continue;
            }
            // A frame's delay counts from the start of its decoding.
            const Clock::time_point t0 = Clock::now();
            m_bReloaded = false;
            const GifStep step = m_animation.Step();
            if (step.bDamaged) ::PostMessageA(m_hParent, kMsgFrameFailed, 0, 0);
            if (step.bFrame) {
                if (HDC hdc = GetDC(hWnd)) {
                    RECT rc{};
                    ::GetClientRect(hWnd, &rc);
                    DrawLocked(hdc, rc);
                    GdiFlush();
                    ReleaseDC(hWnd, hdc);
                }
            }
            // The lock is let go for the delay, so WM_PAINT, Pause and Load get through.
            const auto reloaded = [this] { return m_bReloaded; };
            if (step.nHoldMs < 0)
                m_cvWake.wait(lock, stop, reloaded);  // nothing in the file will ever show
            else
                m_cvWake.wait_until(lock, stop, t0 + std::chrono::milliseconds(step.nHoldMs), reloaded);
        }
    } catch (...) {
        // Out of memory or a lock error: the animation stops; nothing may leave the thread.
    }
}

bool ReadGifFile(const std::string& strPath, std::vector<uint8_t>& arrBytes, size_t nMaxBytes) {
    arrBytes.clear();
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file) return false;
    const auto nSize = OpenFileLength(file.Get());
    if (!nSize || *nSize == 0 || *nSize > nMaxBytes) return false;
    arrBytes.resize(static_cast<size_t>(*nSize));
    const size_t nDone = ReadFileFully(file.Get(), arrBytes.data(), arrBytes.size());
    // A file that shrank while read is played as far as it went; the decoder copes with a cut.
    arrBytes.resize(nDone);
    return nDone > 0;
}

bool PaintGifCanvas(HDC hdc, const RECT& rcTarget, const CGifCanvas& canvas) {
    const int nWidth = rcTarget.right - rcTarget.left;
    const int nHeight = rcTarget.bottom - rcTarget.top;
    if (!hdc || nWidth <= 0 || nHeight <= 0 || canvas.Width() <= 0 || canvas.Height() <= 0) return false;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = canvas.Width();
    bmi.bmiHeader.biHeight = -canvas.Height();  // rows top to bottom, as the canvas keeps them
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    // Nearest pixel: an animation's hard edges and flat colours stay as drawn.
    const int nOldMode = SetStretchBltMode(hdc, COLORONCOLOR);
    const int nLines = StretchDIBits(hdc, rcTarget.left, rcTarget.top, nWidth, nHeight, 0, 0, canvas.Width(),
                                     canvas.Height(), canvas.Pixels().data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
    if (nOldMode) SetStretchBltMode(hdc, nOldMode);
    return nLines > 0;
}
