// Pictures prepared for upload while the panel goes on answering: a selection marks at once
// and its figure fills in from the workers; unselecting, a folder change and the control's
// end stop them without a copy left behind; "立即上传" waits for them, or is cancelled.
#include "imaging/jpeg_writer.h"
#include "ui/main_panel_dlg.h"

#include "hosted_panel_fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kCameraWidth = 4000;
constexpr int kCameraHeight = 3000;

// A camera-sized JPEG of busy pixels (a slow decode, as a photograph's), written once and
// copied under each name.
void WriteCameraPictures(const CScratchFolder& folder, const std::vector<std::string>& arrNames) {
    std::vector<std::uint32_t> arrDib(10 + static_cast<std::size_t>(kCameraWidth) * kCameraHeight);
    BITMAPINFOHEADER bi{sizeof bi, kCameraWidth, -kCameraHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(arrDib.data(), &bi, sizeof bi);
    std::uint32_t n = 2463534242u;
    for (std::size_t i = 10; i < arrDib.size(); ++i) {
        n ^= n << 13;
        n ^= n >> 17;
        n ^= n << 5;
        arrDib[i] = (n & 0x3F3F3F) + static_cast<std::uint32_t>(i % kCameraWidth / 16);
    }
    const std::string strFirst = folder.File(arrNames.front());
    std::string strError;
    ASSERT_TRUE(WriteDibAsJpeg({reinterpret_cast<const std::uint8_t*>(arrDib.data()), arrDib.size() * 4}, 92,
                               AnsiToWide(strFirst).c_str(), strError))
        << strError;
    for (std::size_t i = 1; i < arrNames.size(); ++i)
        ASSERT_TRUE(CopyFileA(strFirst.c_str(), folder.File(arrNames[i]).c_str(), FALSE));
}

std::vector<std::string> CameraNames(int nCount) {
    std::vector<std::string> arrNames;
    for (int i = 0; i < nCount; ++i) arrNames.push_back("IMG_" + std::to_string(1000 + i) + ".jpg");
    return arrNames;
}

std::uint64_t FileBytes(const std::string& strPath) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

class PrepareInPanelTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        m_arrTempBefore = ControlTempFiles();
    }
    // A folder of camera pictures over the limits, one small enough to go as it is and a
    // damaged one, scanned, with auto compress on.
    void ScanCameraFolder(int nCameraPictures) {
        WriteCameraPictures(m_folder, CameraNames(nCameraPictures));
        CBackBuffer small(nullptr, 640, 480);
        ASSERT_TRUE(SaveRectAsJpeg(small.Get(), 0, 0, 640, 480, 85, AnsiToWide(m_folder.File("small.jpg")).c_str()));
        // The head of a camera picture: a JPEG that breaks off before its pixels.
        const std::vector<std::uint8_t> head = ReadBytes(m_folder.File(CameraNames(1).front()));
        m_folder.Write("damaged.jpg", std::vector<std::uint8_t>(head.begin(), head.begin() + 600));
        ASSERT_EQ(Scan(m_folder.Path()), 1);
        SetAutoCompress(true);
    }
    std::size_t IndexOf(const std::string& strName) {
        for (std::size_t i = 0; i < Panel().GetItems().size(); ++i)
            if (Caption(i) == strName) return i;
        return Panel().GetItems().size();
    }
    // The control's temporary files made since the test began.
    std::vector<std::string> NewCopies() const {
        std::vector<std::string> arrNew;
        for (const std::string& strFile : ControlTempFiles())
            if (std::find(m_arrTempBefore.begin(), m_arrTempBefore.end(), strFile) == m_arrTempBefore.end())
                arrNew.push_back(strFile);
        return arrNew;
    }
    bool EndsWithPending(const std::string& strText) {
        const std::string strPending = "正在计算…";
        return strText.size() > strPending.size() &&
               strText.compare(strText.size() - strPending.size(), strPending.size(), strPending) == 0;
    }

    CScratchFolder m_folder;
    std::vector<std::string> m_arrTempBefore;
};

TEST_F(PrepareInPanelTest, SelectAllMarksAtOnceAndTheFigureFillsInWithWhatIsSent) {
    ScanCameraFolder(6);
    Click(IDC_SELECT_ALL);
    // Marked at once, each counted with its file while it is being prepared.
    double dFilesKB = 0;
    for (const auto& item : Panel().GetItems()) {
        EXPECT_TRUE(item->bSelected);
        dFilesKB += item->nFileSize / 1024.0;
    }
    ASSERT_TRUE(Panel().IsAnyPreparing());
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), dFilesKB);
    EXPECT_TRUE(EndsWithPending(SpaceText())) << SpaceText();

    ASSERT_TRUE(PumpUntilPrepared());
    EXPECT_FALSE(EndsWithPending(SpaceText())) << SpaceText();
    // The figure is what the batch will send: copies for the camera pictures, the small
    // picture itself, nothing for the damaged one.
    double dSentKB = 0;
    for (std::size_t i = 0; i < Panel().GetItems().size(); ++i) {
        UploadSource source;
        ASSERT_TRUE(Panel().GetUploadSource(static_cast<int>(i), source));
        SCOPED_TRACE(source.strCaption);
        if (source.strCaption == "damaged.jpg") {
            EXPECT_EQ(source.nUploadSize, 0u);
            EXPECT_FALSE(source.bKeptAsIs);
            continue;
        }
        EXPECT_EQ(source.bKeptAsIs, source.strCaption == "small.jpg");
        EXPECT_EQ(FileBytes(source.strUploadPath), source.nUploadSize);
        dSentKB += source.nUploadSize / 1024.0;
    }
    EXPECT_NEAR(Panel().GetSelectedKB(), dSentKB, 1e-6);
}

TEST_F(PrepareInPanelTest, ClicksDuringPreparationCountOnceAndUnselectingDiscardsTheCopy) {
    ScanCameraFolder(8);
    const std::size_t nLast = IndexOf(CameraNames(8).back());
    const std::size_t nFirst = IndexOf(CameraNames(8).front());
    Panel().OnPictureClicked(nFirst);
    Panel().OnPictureClicked(nLast);   // queued behind the first
    Panel().OnPictureClicked(nLast);   // and unselected before it is made
    Panel().OnPictureClicked(nFirst);  // unselected while it is made
    Panel().OnPictureClicked(nFirst);  // and selected again
    ASSERT_TRUE(PumpUntilPrepared());
    PumpFor(300);  // any late result of the discarded preparations
    const ThumbItem& last = *Panel().GetItems()[nLast];
    EXPECT_FALSE(last.bSelected);
    EXPECT_EQ(last.nUploadSize, 0u) << "its preparation was discarded";
    const ThumbItem& first = *Panel().GetItems()[nFirst];
    ASSERT_TRUE(first.uploadCopy);
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), first.nUploadSize / 1024.0);
    EXPECT_EQ(NewCopies(), std::vector<std::string>{first.uploadCopy.GetPath()}) << "the one copy kept";
}

TEST_F(PrepareInPanelTest, AFolderChangeOrTheControlsEndStopsThePreparationsWithoutACopyLeft) {
    for (const bool bDestroy : {false, true}) {
        SCOPED_TRACE(bDestroy ? "control destroyed" : "folder changed");
        ScanCameraFolder(12);
        Click(IDC_SELECT_ALL);
        PumpFor(200);  // some made, some under way, most still queued
        if (bDestroy) {
            m_host.Close();
            EXPECT_TRUE(PumpUntil([] { return CPrepareWorkers::GetRunningCount() == 0; }, 1000))
                << "the workers end with the control";
        } else {
            CScratchFolder other;
            ASSERT_EQ(Scan(other.Path()), 1);
            EXPECT_FALSE(Panel().IsAnyPreparing());
        }
        EXPECT_EQ(NewCopies(), std::vector<std::string>{});
        PumpFor(300);
        EXPECT_EQ(NewCopies(), std::vector<std::string>{}) << "nothing made after the stop";
    }
}

TEST_F(PrepareInPanelTest, UploadNowWaitsForThePreparationsAndCancelSendsNothing) {
    ScanCameraFolder(6);
    Click(IDC_SELECT_ALL);
    const HWND hProgress = [&] {
        Click(IDC_UPLOAD_NOW);
        return Panel().GetUploader().ProgressDialog().m_hWnd;
    }();
    ASSERT_TRUE(hProgress && IsWindowVisible(hProgress));
    char szFileLine[256] = {};
    GetDlgItemTextA(hProgress, IDC_PROGRESS_FILE, szFileLine, sizeof szFileLine);
    EXPECT_STREQ(szFileLine, "正在准备图片…");
    EXPECT_FALSE(IsWindowEnabled(Panel().m_hWnd));
    SendMessageA(hProgress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(hProgress));
    EXPECT_TRUE(IsWindowEnabled(Panel().m_hWnd));
    // The preparations go on for the figure; no batch follows them.
    CWindowAnswerer summary("上传结果", IDCANCEL, {}, 3000);
    ASSERT_TRUE(PumpUntilPrepared());
    PumpFor(500);
    EXPECT_FALSE(summary.Done()) << "cancelled: nothing sent";

    // Once more, waited out: the batch starts on the prepared pictures (and, the page
    // having set no address, lists each as failed).
    Click(IDC_SELECT_NONE);
    Click(IDC_SELECT_ALL);
    CWindowAnswerer result("上传结果", IDCANCEL);
    Click(IDC_UPLOAD_NOW);
    ASSERT_TRUE(PumpUntil([&] { return result.Done(); }, 20000));
    EXPECT_EQ(result.Result().rows.size(), Panel().GetItems().size());
}

}  // namespace
