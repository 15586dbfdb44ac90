// The GIF player in a real window: timing, pause and resume, stretching, bad files, and
// the stop protocol when its window goes.
#include "imaging/gif_player.h"

#include <gtest/gtest.h>

#include <memory>
#include <unordered_set>

#include "gif_test_support.h"
#include "imaging/gif_animation.h"
#include "tests/unit/gif_writer.h"
#include "tests/win/suite_window.h"
#include "tests/win/test_support.h"

namespace {
using namespace gif_test;

// Milliseconds from the performance counter (<chrono> does not build with the GBK
// execution character set).
double NowMs() {
    static const double dPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / dPerMs;
}

const std::vector<uint32_t> kColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

// Frames are timed to the millisecond: the messages are pumped in steps that short.
constexpr DWORD kFrameStepMs = 1;

// The canvas the player must show after n frames, from an animation of its own.
CGifCanvas CanvasAfter(const std::vector<uint8_t>& file, uint64_t nFrames, uint32_t crBackdrop) {
    CGifAnimation animation;
    EXPECT_EQ(animation.Open(file, crBackdrop), GifError::None);
    while (animation.FramesShown() < nFrames) animation.Step();
    return animation.Canvas();
}

uint32_t CanvasColour(COLORREF cr) { return (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr); }
}  // namespace

class GifPlayer : public CSuiteWindowTest<640, 300> {
protected:
    // Holds of consecutive frames measured on screen: the index on show and how long it stayed.
    static std::vector<std::pair<int, double>> MeasureHolds(CGifPlayer& player, size_t nCount) {
        std::vector<std::pair<int, double>> holds;
        uint64_t nLast = player.FramesShown();
        int nIndex = player.CurrentFrame();
        double tLast = NowMs();
        bool bFirst = true;  // the frame on show when measuring starts was not seen arriving
        PumpUntil(
            [&] {
                const uint64_t n = player.FramesShown();
                if (n == nLast) return false;
                const double t = NowMs();
                if (!bFirst) holds.emplace_back(nIndex, t - tLast);
                bFirst = false;
                EXPECT_EQ(n, nLast + 1) << "a frame went by unseen";
                nLast = n;
                nIndex = player.CurrentFrame();
                tLast = t;
                return holds.size() >= nCount;
            },
            10000, kFrameStepMs);
        return holds;
    }

    CScratchFolder m_folder;
};

TEST_F(GifPlayer, LoadRefusesMissingShortAndForeignFiles) {
    CGifPlayer player;
    EXPECT_FALSE(player.Load("Z:\\no\\such\\folder\\Upload.gif"));
    EXPECT_FALSE(player.Load(m_folder.Write("empty.gif", {})));
    auto good = BuildGif(4, 4, kColours, {SolidFrame(4, 4, 0, 5)});
    EXPECT_FALSE(player.Load(m_folder.Write("twelve.gif", {good.begin(), good.begin() + 12})));
    for (const char* version : {"GIF89b", "GIF88a", "gif89a", "PNG\r\n\x1a"}) {
        auto file = good;
        std::copy(version, version + 6, file.begin());
        EXPECT_FALSE(player.Load(m_folder.Write("version.gif", file))) << version;
    }
    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
    EXPECT_FALSE(player.Load(m_folder.Write("noise.gif", noise)));
    EXPECT_FALSE(player.IsLoaded());

    // Nothing to play: no window, no thread.
    player.Play(Window(), 0, 0);
    EXPECT_EQ(player.m_hWnd, nullptr);
    EXPECT_FALSE(player.HasStarted());

    EXPECT_TRUE(player.Load(m_folder.Write("good87.gif", BuildGif(4, 4, kColours, {SolidFrame(4, 4, 0, 5)}, true))));
    EXPECT_TRUE(player.Load(UploadGifPath()));
    EXPECT_EQ(player.ImageWidth(), 272);
    EXPECT_EQ(player.ImageHeight(), 56);
}

TEST_F(GifPlayer, GarbageAfterAValidHeaderPlaysWithoutHarm) {
    auto file = BuildGif(40, 20, kColours, {});
    file.pop_back();  // the trailer
    for (int i = 0; i < 20000; ++i) file.push_back(static_cast<uint8_t>((i * 2654435761u) >> 13));
    CTestWindow parent(100, 100);
    CGifPlayer player;
    ASSERT_TRUE(player.Load(m_folder.Write("garbage.gif", file)));
    player.Play(parent.Get(), 0, 0);
    ASSERT_NE(player.m_hWnd, nullptr);
    PumpFor(300);
    EXPECT_TRUE(player.HasStarted());
}

TEST_F(GifPlayer, UploadGifCutShortPlaysWhatItHas) {
    const auto whole = ReadBytes(UploadGifPath());
    CTestWindow parent(300, 100);
    for (size_t nCut : {whole.size() / 5, whole.size() / 2, whole.size() - 1}) {
        CGifPlayer player;
        ASSERT_TRUE(player.Load(m_folder.Write("cut.gif", {whole.begin(), whole.begin() + nCut})));
        player.Play(parent.Get(), 0, 0);
        PumpFor(200);
        EXPECT_GT(player.FramesShown(), 0u) << "cut at " << nCut;
    }
}

TEST_F(GifPlayer, FramesAdvanceAtTheDelaysOfUploadGif) {
    CGifPlayer player;
    ASSERT_TRUE(player.Load(UploadGifPath()));
    player.Play(Window(), 10, 10);
    // Upload.gif holds frames 0 to 10 for 80 ms and the last for 400 ms.
    const auto holds = MeasureHolds(player, 26);
    ASSERT_EQ(holds.size(), 26u);
    double dTotal = 0, dExpected = 0;
    for (const auto& [nIndex, dMs] : holds) {
        const double dWant = nIndex == 11 ? 400 : 80;
        EXPECT_GE(dMs, dWant - 8) << "frame " << nIndex;
        EXPECT_LE(dMs, dWant + 60) << "frame " << nIndex;
        dTotal += dMs;
        dExpected += dWant;
    }
    EXPECT_NEAR(dTotal, dExpected, dExpected * 0.08);
}

TEST_F(GifPlayer, ZeroDelayHolds50MsAnd25Holds250) {
    const auto file =
        BuildGif(8, 8, kColours, {SolidFrame(8, 8, 0, 0), SolidFrame(8, 8, 1, 25), SolidFrame(8, 8, 2, 3)});
    CGifPlayer player;
    ASSERT_TRUE(player.Load(m_folder.Write("delays.gif", file)));
    player.Play(Window(), 300, 10);
    const auto holds = MeasureHolds(player, 9);
    ASSERT_EQ(holds.size(), 9u);
    const double want[] = {50, 250, 30};
    for (const auto& [nIndex, dMs] : holds) {
        EXPECT_GE(dMs, want[nIndex] - 8) << "frame " << nIndex;
        EXPECT_LE(dMs, want[nIndex] + 60) << "frame " << nIndex;
    }
}

TEST_F(GifPlayer, PauseHoldsTheFrameAndResumeGoesOn) {
    CGifPlayer player;
    ASSERT_TRUE(player.Load(UploadGifPath()));
    player.Play(Window(), 10, 80);
    ASSERT_TRUE(PumpUntil([&] { return player.FramesShown() >= 3; }, 2000, kFrameStepMs));
    player.Pause();
    EXPECT_TRUE(player.IsPaused());
    const uint64_t nFrames = player.FramesShown();
    PumpFor(100);
    int w = 0, h = 0;
    const auto before = GrabClient(player.m_hWnd, w, h);
    PumpFor(600);  // more than six frames' delays
    EXPECT_EQ(player.FramesShown(), nFrames);
    EXPECT_EQ(GrabClient(player.m_hWnd, w, h), before);

    player.Resume();
    EXPECT_FALSE(player.IsPaused());
    EXPECT_TRUE(PumpUntil([&] { return player.FramesShown() >= nFrames + 3; }, 1000, kFrameStepMs));
}

TEST_F(GifPlayer, PausedBeforePlayStartsPaused) {
    CGifPlayer player;
    ASSERT_TRUE(player.Load(UploadGifPath()));
    player.Pause();
    player.Play(Window(), 10, 150);
    PumpFor(300);
    EXPECT_EQ(player.FramesShown(), 0u);
    player.Resume();
    EXPECT_TRUE(PumpUntil([&] { return player.FramesShown() >= 2; }, 1000, kFrameStepMs));
}

// The window shows the canvas, at its logical size or stretched to the window.
TEST_F(GifPlayer, DrawsTheCanvasAndStretchesItToItsWindow) {
    const auto file = ReadBytes(UploadGifPath());
    const COLORREF crFace = RGB(0xD4, 0xD0, 0xC8);
    struct Case {
        int nWidth, nHeight;
    };
    for (const Case c : {Case{-1, -1}, Case{544, 112}, Case{200, 41}}) {
        CGifPlayer player;
        player.SetBackdrop(crFace);
        ASSERT_TRUE(player.Load(UploadGifPath()));
        player.Play(Window(), 40, 120, c.nWidth, c.nHeight);
        ASSERT_TRUE(PumpUntil([&] { return player.FramesShown() >= 4; }, 2000, kFrameStepMs));
        player.Pause();
        PumpFor(100);
        int w = 0, h = 0;
        const auto shown = GrabClient(player.m_hWnd, w, h);
        ASSERT_EQ(w, c.nWidth < 0 ? 272 : c.nWidth);
        ASSERT_EQ(h, c.nHeight < 0 ? 56 : c.nHeight);
        const CGifCanvas canvas = CanvasAfter(file, player.FramesShown(), CanvasColour(crFace));
        if (w % 272 == 0 && h % 56 == 0) {
            // Whole multiples: each canvas pixel becomes a block of the window.
            const int k = w / 272;
            int nWrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    nWrong += shown[static_cast<size_t>(y) * w + x] != canvas.Pixel(x / k, y / k);
            EXPECT_EQ(nWrong, 0) << w << " x " << h;
        } else {
            // Shrunk: nearest pixels, so every colour shown is one of the canvas's.
            std::unordered_set<uint32_t> colours(canvas.Pixels().begin(), canvas.Pixels().end());
            int nForeign = 0;
            for (uint32_t px : shown) nForeign += !colours.count(px);
            EXPECT_EQ(nForeign, 0);
        }
    }
}

TEST_F(GifPlayer, RepaintsFromTheCanvasWhilePaused) {
    const auto file = ReadBytes(UploadGifPath());
    CGifPlayer player;
    ASSERT_TRUE(player.Load(UploadGifPath()));
    player.Play(Window(), 300, 200);
    ASSERT_TRUE(PumpUntil([&] { return player.FramesShown() >= 2; }, 2000, kFrameStepMs));
    player.Pause();
    // Scribble over it, then have it repaint: WM_PAINT draws the canvas, not the thread.
    HDC hdc = GetDC(player.m_hWnd);
    RECT rc = player.GetClientRect();
    FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(player.m_hWnd, hdc);
    player.Play(Window(), 300, 200);
    PumpFor(100);
    int w = 0, h = 0;
    const auto shown = GrabClient(player.m_hWnd, w, h);
    const CGifCanvas canvas = CanvasAfter(file, player.FramesShown(), CanvasColour(GetSysColor(COLOR_BTNFACE)));
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), canvas.Pixels().begin()));
}

TEST_F(GifPlayer, LoadWhilePlayingSwitchesToTheNewFile) {
    CTestWindow parent(300, 100);
    CGifPlayer player;
    ASSERT_TRUE(player.Load(UploadGifPath()));
    player.Play(parent.Get(), 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return player.FramesShown() >= 2; }, 2000, kFrameStepMs));
    // A one-frame GIF87a loops on itself, drawn anew every 50 ms.
    ASSERT_TRUE(player.Load(m_folder.Write("one.gif", BuildGif(3, 3, kColours, {SolidFrame(3, 3, 1, 0)}, true))));
    EXPECT_EQ(player.ImageWidth(), 3);
    EXPECT_TRUE(PumpUntil([&] { return player.FramesShown() >= 6; }, 1000, kFrameStepMs));
    EXPECT_EQ(player.CurrentFrame(), 0);
    // A failed load leaves the backdrop on show and the thread idle.
    EXPECT_FALSE(player.Load("Z:\\no\\such.gif"));
    PumpFor(100);
    EXPECT_EQ(player.FramesShown(), 0u);
}

TEST_F(GifPlayer, TellsItsParentOfBadFramesAndOfClosing) {
    GifFrameSpec bad = SolidFrame(4, 4, 1, 2);
    bad.nMinCodeSize = 12;
    const auto file = BuildGif(4, 4, kColours, {SolidFrame(4, 4, 0, 2), bad});
    CTestWindow parent(100, 100);
    MSG msg;
    {
        CGifPlayer player;
        ASSERT_TRUE(player.Load(m_folder.Write("bad.gif", file)));
        player.Play(parent.Get(), 0, 0);
        constexpr UINT kFailed = CGifPlayer::kMsgFrameFailed;
        EXPECT_TRUE(PumpUntil([&] { return PeekMessageA(&msg, parent.Get(), kFailed, kFailed, PM_REMOVE) != FALSE; },
                              1000, 10, kFailed));
    }
    EXPECT_TRUE(PeekMessageA(&msg, parent.Get(), CGifPlayer::kMsgClosed, CGifPlayer::kMsgClosed, PM_REMOVE));
}

// No thread left behind and no handle leaked, whether the player or its parent goes first.
TEST_F(GifPlayer, StopsWhenItsWindowIsDestroyed) {
    auto cycle = [](bool bParentFirst) {
        auto parent = std::make_unique<CTestWindow>(300, 100);
        CGifPlayer player;
        ASSERT_TRUE(player.Load(UploadGifPath()));
        player.Play(parent->Get(), 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return player.FramesShown() >= 1; }, 2000, kFrameStepMs));
        if (bParentFirst) {
            const int nThreads = CountThreads();
            parent.reset();
            EXPECT_EQ(player.m_hWnd, nullptr);
            EXPECT_EQ(CountThreads(), nThreads - 1);
            // A new parent: it plays again there.
            CTestWindow again(300, 100);
            player.Play(again.Get(), 0, 0);
            EXPECT_TRUE(PumpUntil([&] { return player.FramesShown() >= 3; }, 2000, kFrameStepMs));
        }
    };
    cycle(false);
    cycle(true);  // warm-up: the runtime makes some handles of its own once
    const int nThreads = CountThreads();
    const int nHandles = CountHandles();
    for (int i = 0; i < 10; ++i) cycle(i % 2 == 0);
    EXPECT_EQ(CountThreads(), nThreads);
    if (nHandles >= 0) {
        EXPECT_EQ(CountHandles(), nHandles);
    }
}
