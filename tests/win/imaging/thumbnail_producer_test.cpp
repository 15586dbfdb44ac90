#include "imaging/thumbnail_producer.h"

#include <gtest/gtest.h>

#include "imaging/fit_picture.h"
#include "imaging/load_picture.h"
#include "imaging_test_support.h"
#include "test_support.h"

#include <map>

namespace {

// A window that counts how often it was painted: the producer's only sign to the grid.
class CPaintCountWindow {
public:
    CPaintCountWindow() {
        static const ATOM s_atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &WndProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TessalinePaintCount";
            return RegisterClassA(&wc);
        }();
        (void)s_atom;
        m_hWnd = CreateWindowExA(0, "TessalinePaintCount", "grid", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        UpdateWindow(m_hWnd);
        PumpFor(20);
        m_nPaints = 0;
    }
    ~CPaintCountWindow() { DestroyWindow(m_hWnd); }
    CPaintCountWindow(const CPaintCountWindow&) = delete;
    CPaintCountWindow& operator=(const CPaintCountWindow&) = delete;
    HWND Get() const { return m_hWnd; }
    int Paints() const { return m_nPaints; }
    void ResetPaints() { m_nPaints = 0; }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
        auto* pSelf = reinterpret_cast<CPaintCountWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        if (nMsg == WM_PAINT && pSelf) ++pSelf->m_nPaints;
        return DefWindowProcA(hWnd, nMsg, wParam, lParam);
    }
    HWND m_hWnd = nullptr;
    int m_nPaints = 0;
};

// Side of a GIF whose decoding by the system (about 0.6 s) outlasts the short waits of the
// stop tests several times over.
constexpr int kSlowGifSide = 4500;

struct PictureFile {
    std::string strName;
    int nWidth = 0, nHeight = 0;  // 0: not a picture the grid shows with a thumbnail
};

class ThumbnailProducerTest : public ::testing::Test {
protected:
    std::vector<std::string> Paths(const std::vector<PictureFile>& files) const {
        std::vector<std::string> arrPaths;
        for (const PictureFile& f : files) arrPaths.push_back(m_folder.File(f.strName));
        return arrPaths;
    }

    // Pumps messages and takes results until nCount have come or the time is up.
    std::map<std::size_t, CThumbResult> Collect(CThumbnailProducer& producer, std::size_t nCount, DWORD dwTimeoutMs) {
        std::map<std::size_t, CThumbResult> results;
        std::size_t nExpectNext = 0;
        PumpUntil(
            [&] {
                producer.TakeResults([&](std::size_t i, CThumbResult& r) {
                    EXPECT_EQ(i, nExpectNext++) << "in list order, each once";
                    results[i] = std::move(r);
                });
                return results.size() >= nCount;
            },
            dwTimeoutMs);
        return results;
    }

    static void ExpectFitsTheBox(const CThumbResult& r, int nWidth, int nHeight, const std::string& strName) {
        ASSERT_TRUE(r.pThumb) << strName;
        PixelRect rc{0, 0, 100, 100};
        FitPictureRect(rc, nWidth, nHeight);
        EXPECT_EQ(r.sizeThumb.cx, rc.Width()) << strName;
        EXPECT_EQ(r.sizeThumb.cy, rc.Height()) << strName;
        HDC hdc = GetDC(nullptr);
        const SIZE size = PictureSizeInPixels(r.pThumb.Get(), hdc);
        ReleaseDC(nullptr, hdc);
        EXPECT_EQ(size.cx, r.sizeThumb.cx) << strName << ": the picture is the size it says";
        EXPECT_EQ(size.cy, r.sizeThumb.cy) << strName;
        EXPECT_LE(size.cx, 100);
        EXPECT_LE(size.cy, 100);
    }

    static bool WaitForNoProducer(DWORD dwTimeoutMs) {
        return PumpUntil([] { return CThumbnailProducer::GetRunningCount() == 0; }, dwTimeoutMs);
    }

    CTestApartment m_apartment;
    CScratchFolder m_folder;
};

TEST_F(ThumbnailProducerTest, EveryPictureGetsAThumbnailFittingTheBoxInListOrder) {
    const std::vector<PictureFile> files = {{"land.jpg", 400, 300},  {"port.jpg", 300, 400}, {"square.jpg", 256, 256},
                                            {"wide.jpg", 1000, 100}, {"one.jpg", 1, 1},      {"small.gif", 4, 3},
                                            {"prog.jpg", 640, 480},  {"grey.jpg", 320, 240}, {"cmyk.jpg", 200, 100}};
    for (const PictureFile& f : files) {
        const std::string strPath = m_folder.File(f.strName);
        const JpegKind kind = f.strName == "prog.jpg"   ? JpegKind::Progressive
                              : f.strName == "grey.jpg" ? JpegKind::Grey
                              : f.strName == "cmyk.jpg" ? JpegKind::Cmyk
                                                        : JpegKind::Baseline;
        if (f.strName == "small.gif")
            ASSERT_TRUE(WriteBytes(strPath, kSmallGif.data(), kSmallGif.size()));
        else
            ASSERT_TRUE(WriteTestJpeg(strPath, f.nWidth, f.nHeight, kind));
    }
    std::map<std::string, FileFingerprint> before;
    for (const PictureFile& f : files) before[f.strName] = Fingerprint(m_folder.File(f.strName));
    const std::vector<std::string> arrTempBefore = ControlTempFiles();

    CPaintCountWindow window;
    CThumbnailProducer producer;
    ASSERT_TRUE(producer.Start(PictureNames(Paths(files)), window.Get()));
    const auto results = Collect(producer, files.size(), 30000);
    ASSERT_EQ(results.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        ExpectFitsTheBox(results.at(i), files[i].nWidth, files[i].nHeight, files[i].strName);
    }
    PumpFor(50);
    EXPECT_GT(window.Paints(), 0) << "the grid was told to repaint";

    EXPECT_TRUE(producer.IsRunning()) << "waiting for more to be wanted";
    EXPECT_TRUE(producer.Stop()) << "a waiting producer ends at once";
    EXPECT_TRUE(WaitForNoProducer(5000));
    for (const PictureFile& f : files)
        EXPECT_EQ(Fingerprint(m_folder.File(f.strName)), before[f.strName]) << f.strName << " only read";
    EXPECT_EQ(ControlTempFiles(), arrTempBefore);
}

TEST_F(ThumbnailProducerTest, BadInputGetsPlaceholdersAndTheProducerStillEnds) {
    ASSERT_TRUE(WriteBytes(m_folder.File("empty.jpg"), "", 0));
    const std::string strText = "GIF? JPEG? neither.\n";
    ASSERT_TRUE(WriteBytes(m_folder.File("text.jpg"), strText.data(), strText.size()));
    ASSERT_TRUE(WriteBytes(m_folder.File("png.jpg"), kSmallPng.data(), kSmallPng.size()));
    ASSERT_TRUE(WriteBytes(m_folder.File("noframe.gif"), kGifWithoutFrame.data(), kGifWithoutFrame.size()));
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("whole.jpg"), 640, 480, JpegKind::Baseline));
    std::vector<std::uint8_t> half = ReadBytes(m_folder.File("whole.jpg"));
    half.resize(half.size() * 2 / 5);
    ASSERT_TRUE(WriteBytes(m_folder.File("truncated.jpg"), half.data(), half.size()));
    std::vector<std::uint8_t> header = ReadBytes(m_folder.File("whole.jpg"));
    header.resize(200);  // the tables and frame header, no scan
    ASSERT_TRUE(WriteBytes(m_folder.File("headeronly.jpg"), header.data(), header.size()));
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("cmyk.jpg"), 120, 90, JpegKind::Cmyk));
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("prog.jpg"), 120, 90, JpegKind::Progressive));
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("one.jpg"), 1, 1, JpegKind::Baseline));
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("huge.jpg"), 20000, 20000, JpegKind::Grey, 20, true));

    // name, expect a thumbnail (1), none (0), or either (-1), and the size it must report
    struct Case {
        const char* pszName;
        int nThumb;
        int nWidth, nHeight;
    };
    const std::vector<Case> cases = {{"empty.jpg", 0, 0, 0},
                                     {"text.jpg", 0, 0, 0},
                                     {"missing.jpg", 0, 0, 0},
                                     {"png.jpg", 0, 0, 0},
                                     {"noframe.gif", 0, 0, 0},
                                     {"truncated.jpg", -1, 640, 480},
                                     {"headeronly.jpg", -1, 640, 480},
                                     {"cmyk.jpg", 1, 120, 90},
                                     {"prog.jpg", 1, 120, 90},
                                     {"one.jpg", 1, 1, 1},
                                     {"huge.jpg", 0, 0, 0},
                                     {"whole.jpg", 1, 640, 480}};
    std::vector<std::string> arrPaths;
    std::map<std::string, FileFingerprint> before;
    for (const Case& c : cases) {
        arrPaths.push_back(m_folder.File(c.pszName));
        before[c.pszName] = Fingerprint(arrPaths.back());
    }
    const std::vector<std::string> arrTempBefore = ControlTempFiles();

    CThumbnailProducer producer;
    ASSERT_TRUE(producer.Start(PictureNames(arrPaths), nullptr));
    const auto results = Collect(producer, cases.size(), 60000);
    ASSERT_EQ(results.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const CThumbResult& r = results.at(i);
        if (c.nThumb == 0) {
            EXPECT_FALSE(r.pThumb) << c.pszName;
        }
        if (c.nThumb == 1 || (c.nThumb == -1 && r.pThumb)) {
            ExpectFitsTheBox(r, c.nWidth, c.nHeight, c.pszName);
        }
        if (!r.pThumb) {
            EXPECT_EQ(r.sizeThumb.cx, 0) << c.pszName;
            EXPECT_EQ(r.sizeThumb.cy, 0) << c.pszName;
        }
    }
    EXPECT_TRUE(producer.Stop());
    EXPECT_TRUE(WaitForNoProducer(5000));
    for (const Case& c : cases)
        EXPECT_EQ(Fingerprint(m_folder.File(c.pszName)), before[c.pszName]) << c.pszName << " only read";
    EXPECT_EQ(ControlTempFiles(), arrTempBefore);
}

TEST_F(ThumbnailProducerTest, StopsWithinTheBoundDuringFiveHundredPictures) {
    const std::string strSource = m_folder.File("source.jpg");
    ASSERT_TRUE(WriteTestJpeg(strSource, 1600, 1200, JpegKind::Baseline));
    std::vector<std::string> arrPaths;
    for (int i = 0; i < 500; ++i) {
        arrPaths.push_back(m_folder.File("p" + std::to_string(i) + ".jpg"));
        ASSERT_TRUE(CopyFileA(strSource.c_str(), arrPaths.back().c_str(), FALSE));
    }
    const CTestWindow window(200, 200);
    CThumbnailProducer producer;
    ASSERT_TRUE(producer.Start(PictureNames(arrPaths), window.Get()));
    const auto results = Collect(producer, 5, 30000);
    ASSERT_GE(results.size(), 5u) << "production under way";
    ASSERT_LT(results.size(), 500u);

    const DWORD dwStart = GetTickCount();
    EXPECT_TRUE(producer.Stop(CThumbnailProducer::kStopWaitMs)) << "ended in time";
    EXPECT_LE(GetTickCount() - dwStart, CThumbnailProducer::kStopWaitMs);
    EXPECT_FALSE(producer.IsRunning());
    EXPECT_EQ(producer.TakeResults([](std::size_t, CThumbResult&) {}), 0u);
    EXPECT_TRUE(WaitForNoProducer(2000));
}

TEST_F(ThumbnailProducerTest, LateProducerIsCutLooseAndNeverHeardOfAgain) {
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("first.jpg"), 64, 48, JpegKind::Baseline));
    // A GIF is decoded by the system in one call that nothing interrupts.
    ASSERT_TRUE(WriteSlowGif(m_folder.File("big.gif"), kSlowGifSide));
    CPaintCountWindow window;
    CThumbnailProducer producer;
    // Enough big pictures that the worker is still on one whatever the machine's speed.
    std::vector<std::string> arrPaths{m_folder.File("first.jpg")};
    arrPaths.resize(9, m_folder.File("big.gif"));
    ASSERT_TRUE(producer.Start(PictureNames(arrPaths), window.Get()));
    ASSERT_EQ(Collect(producer, 1, 10000).size(), 1u);
    // Time for the worker to get past its stop check and into a big picture.
    Sleep(300);

    EXPECT_FALSE(producer.Stop(1)) << "still on the big picture";
    EXPECT_EQ(CThumbnailProducer::GetRunningCount(), 1);
    EXPECT_FALSE(producer.IsRunning()) << "forgotten";
    PumpFor(20);
    window.ResetPaints();

    // It finishes the picture it is on, starts no other, and leaves the window alone.
    ASSERT_TRUE(WaitForNoProducer(20000));
    PumpFor(50);
    EXPECT_EQ(window.Paints(), 0);
    EXPECT_EQ(producer.TakeResults([](std::size_t, CThumbResult&) {}), 0u);
}

// Clicking from folder to folder while slow pictures load: a producer that does not end in
// time is cut loose, and the next one makes nothing until that one has ended, so that no
// more than one goes on working for a folder that was left.
TEST_F(ThumbnailProducerTest, ClickingThroughFoldersLeavesAtMostOneProducerCutLoose) {
    ASSERT_TRUE(WriteSlowGif(m_folder.File("slow.gif"), kSlowGifSide));
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("small.jpg"), 64, 48, JpegKind::Baseline));
    const std::vector<std::string> arrSlow(4, m_folder.File("slow.gif"));
    CThumbnailProducer producer;
    for (int nClick = 0; nClick < 4; ++nClick) {
        ASSERT_TRUE(producer.Start(PictureNames(arrSlow), nullptr));
        Sleep(100);  // into a slow picture, or waiting for the one cut loose before
        producer.Stop(50);
        // A producer that was only waiting needs a moment to be gone.
        EXPECT_TRUE(PumpUntil([] { return CThumbnailProducer::GetRunningCount() <= 1; }, 50))
            << "click " << nClick << ": " << CThumbnailProducer::GetRunningCount() << " producers alive";
    }
    // The last folder's pictures still come, once the one cut loose has ended.
    ASSERT_TRUE(producer.Start(PictureNames({m_folder.File("small.jpg")}), nullptr));
    const auto results = Collect(producer, 1, 30000);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results.at(0).pThumb);
    EXPECT_TRUE(producer.Stop());
    EXPECT_TRUE(WaitForNoProducer(5000));
}

TEST_F(ThumbnailProducerTest, ResultsScrolledPastBeforeTheGridTookThemGoAndAreMadeAgain) {
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("p.jpg"), 300, 200, JpegKind::Baseline));
    CPaintCountWindow window;
    CThumbnailProducer producer;
    ASSERT_TRUE(producer.Start(PictureNames(std::vector<std::string>(30, m_folder.File("p.jpg"))), window.Get()));
    producer.Want(0, 1, 0);
    ASSERT_EQ(Collect(producer, 1, 10000).size(), 1u);
    auto taken = [&] {
        std::vector<std::size_t> arrIndices;
        producer.TakeResults([&](std::size_t i, CThumbResult&) { arrIndices.push_back(i); });
        return arrIndices;
    };
    // A paint is the sign that a result waits: 20 is made, then the screen moves on before
    // the grid takes it.
    window.ResetPaints();
    producer.Want(20, 21, 0);
    ASSERT_TRUE(PumpUntil([&] { return window.Paints() > 0; }, 10000));
    producer.Want(25, 26, 0);
    window.ResetPaints();
    ASSERT_TRUE(PumpUntil([&] { return window.Paints() > 0; }, 10000));
    EXPECT_EQ(taken(), std::vector<std::size_t>{25});

    producer.Want(20, 21, 0);
    std::vector<std::size_t> arrAgain;
    EXPECT_TRUE(PumpUntil(
        [&] {
            for (std::size_t i : taken()) arrAgain.push_back(i);
            return !arrAgain.empty();
        },
        10000));
    EXPECT_EQ(arrAgain, std::vector<std::size_t>{20}) << "made again once wanted again";
    EXPECT_TRUE(producer.Stop());
}

TEST_F(ThumbnailProducerTest, StartsAgainForANewList) {
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("a.jpg"), 300, 200, JpegKind::Baseline));
    ASSERT_TRUE(WriteTestJpeg(m_folder.File("b.jpg"), 200, 300, JpegKind::Baseline));
    CThumbnailProducer producer;
    ASSERT_TRUE(producer.Start(PictureNames({m_folder.File("a.jpg")}), nullptr));
    ASSERT_EQ(Collect(producer, 1, 10000).size(), 1u);

    // A new folder: only its own pictures come back, indexed from 0.
    ASSERT_TRUE(producer.Start(PictureNames({m_folder.File("b.jpg"), m_folder.File("a.jpg")}), nullptr));
    const auto results = Collect(producer, 2, 10000);
    ASSERT_EQ(results.size(), 2u);
    ExpectFitsTheBox(results.at(0), 200, 300, "b.jpg");
    ExpectFitsTheBox(results.at(1), 300, 200, "a.jpg");
    EXPECT_TRUE(producer.Stop());
}

TEST_F(ThumbnailProducerTest, GoingAwayStopsTheProducer) {
    const std::string strSource = m_folder.File("source.jpg");
    ASSERT_TRUE(WriteTestJpeg(strSource, 1024, 768, JpegKind::Baseline));
    std::vector<std::string> arrPaths(200, strSource);
    DWORD dwStart = 0;
    {
        CThumbnailProducer producer;
        ASSERT_TRUE(producer.Start(PictureNames(arrPaths), nullptr));
        ASSERT_GE(Collect(producer, 2, 10000).size(), 2u);
        dwStart = GetTickCount();
    }
    EXPECT_LE(GetTickCount() - dwStart, CThumbnailProducer::kStopWaitMs + 50);
    EXPECT_TRUE(WaitForNoProducer(5000));
}

}  // namespace
