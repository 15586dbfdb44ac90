// What the upload batch needs of the panel that owns it: the pictures as plain data, the
// queue, the page's settings and the space figures. The panel implements it; the batch
// never sees a window of the panel.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One picture as the batch reads it (the panel's record, copied out).
struct UploadSource {
    std::string strPath;            // the picture file
    std::string strUploadPath;      // the prepared file: strPath, a temporary JPEG, or empty
    std::string strCaption;         // the file-name part of strPath
    std::uint32_t nFileSize = 0;    // bytes of strPath
    std::uint32_t nUploadSize = 0;  // bytes of strUploadPath; 0 = not prepared
    bool bKeptAsIs = false;
};

// The page's properties and the "自动压缩" box, read when a picture is sent.
struct UploadSettings {
    std::string strSignature;
    std::string strAlbumName;
    std::string strUploadCGI;
    long nKXUin = 0;
    bool bAutoCompress = true;
};

class CUploadPanel {
public:
    virtual ~CUploadPanel() = default;
    // False for an index that names no picture (the list changed under the queue).
    virtual bool GetUploadSource(int nIndex, UploadSource& source) const = 0;
    // The panel's queue of item indices (m_selIndex); the batch takes pictures off its head
    // and never copies it.
    virtual std::vector<int>& UploadQueue() = 0;
    virtual UploadSettings GetUploadSettings() const = 0;
    virtual double GetUsedSpace() const = 0;
    virtual void SetUsedSpace(double dKB) = 0;
    virtual void UpdateSpaceLabel() = 0;
    // The panel takes no input while a pass runs.
    virtual void EnableInput(bool bEnable) = 0;
    // The batch is over (the summary dismissed without a new pass): the page hears of it.
    virtual void FireUploadFinished() = 0;
};
