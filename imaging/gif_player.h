// Plays an animated GIF file in a child window of its own: a playback thread decodes each
// frame, composes it and draws it at the file's delays, looping until paused or destroyed;
// with the reading of the file whole and the drawing of a composed canvas.
#pragma once
#include <windows.h>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <cstddef>
#include <vector>

#include "framework/wnd.h"
#include "imaging/gif_animation.h"
#include "imaging/gif_canvas.h"

class CGifPlayer : public CWnd {
public:
    // Posted to the parent (wParam 0, lParam 0); nothing needs to handle them.
    static constexpr UINT kMsgFrameFailed = 0x84B;  // an image of the file could not be decoded whole
    static constexpr UINT kMsgClosed = 0xFBA;       // the player has been destroyed

    CGifPlayer();

    // Reads the file (ANSI path, read only) and checks that it is a GIF87a / GIF89a that
    // can be played. Whatever was loaded before is dropped either way; a player that is
    // already playing goes on with the new file from its first frame, or shows only the
    // backdrop when the load failed.
    bool Load(const std::string& strPath);

    // The first call creates the player's window in hParent at (x, y), nWidth by nHeight
    // (negative: the picture's logical size; other sizes stretch it), and starts the
    // playback thread. Later calls move and resize the window and repaint it. Nothing
    // happens without a loaded file or a valid parent. After the parent has been destroyed
    // a call starts over in the new parent.
    void Play(HWND hParent, int x, int y, int nWidth = -1, int nHeight = -1);

    // Holds the frame on show; when Pause returns, nothing more is drawn until Resume.
    // Either may come before Play: a paused player starts paused.
    void Pause();
    void Resume();

    // The colour under transparent pixels, normally the parent's face colour; the
    // animation restarts from its first frame.
    void SetBackdrop(COLORREF cr);

    bool IsLoaded() const;
    bool IsPaused() const;
    // Play has started a playback thread (the progress dialog resumes instead of reloading).
    bool HasStarted() const { return m_bStarted; }
    // The logical screen of the loaded file, 0 when none.
    int ImageWidth() const;
    int ImageHeight() const;
    // Frames drawn since the last Load, and the index within the loop of the one on show
    // (-1 before the first).
    uint64_t FramesShown() const;
    int CurrentFrame() const;

protected:
    BEGIN_MESSAGE_MAP(CGifPlayer, CWnd)
        ON_WM_PAINT()
        ON_WM_ERASEBKGND()
        ON_WM_DESTROY()
    END_MESSAGE_MAP()

private:
    void OnPaint();
    BOOL OnEraseBkgnd(HDC hdc);
    void OnDestroy();

    void Run(std::stop_token stop, HWND hWnd);
    // With m_lock held.
    void DrawLocked(HDC hdc, const RECT& rc);
    void StopThread();

    // m_lock guards the animation (decoder and canvas) and the flags below it; the playback
    // thread holds it while it decodes and draws, and lets go of it for the frame's delay.
    mutable std::mutex m_lock;
    std::condition_variable_any m_cvWake;
    CGifAnimation m_animation;
    uint32_t m_crBackdrop;  // 0x00RRGGBB, the canvas's order
    bool m_bPaused = false;
    bool m_bReloaded = false;  // Load or SetBackdrop during a delay: draw at once

    HWND m_hParent = nullptr;  // for the notifications; only ever posted to
    bool m_bStarted = false;
    // Joined in OnDestroy, while the window it draws in still exists.
    std::jthread m_thread;
};

// A file larger than this is refused: the player lives in someone else's process, and an
// upload animation is a few kilobytes.
inline constexpr size_t kGifMaxFileBytes = 16u << 20;

// The file at strPath (ANSI), opened for reading only and shared with readers. False when it
// cannot be opened or read, is empty, or is larger than nMaxBytes.
bool ReadGifFile(const std::string& strPath, std::vector<uint8_t>& arrBytes, size_t nMaxBytes = kGifMaxFileBytes);

// Draws a GIF canvas (0x00RRGGBB pixels, the layout of a top-down 32-bit DIB) into a
// rectangle of a device context, stretched when the sizes differ. False when there is
// nothing to draw or GDI refused.
bool PaintGifCanvas(HDC hdc, const RECT& rcTarget, const CGifCanvas& canvas);
