// The panel's space figures in kilobytes: the album's total and used space from the page,
// the size of the current selection shown in the space text, and the quota check of "立即上传".
#pragma once
#include <string>
#include <string_view>

class CSpaceAccount {
public:
    // SetTotalSpace / SetUsedSpace keep only values above 2^-20 KB; anything else,
    // including NaN, is ignored. True when the value was taken (the caller then runs
    // UpdateSpaceLabel).
    static constexpr double kMinSpaceKB = 1.0 / (1 << 20);
    static bool IsAcceptedSpace(double dKB) { return dKB > kMinSpaceKB; }

    bool SetTotalSpace(double dKB);
    bool SetUsedSpace(double dKB);
    double GetTotalSpace() const { return m_dTotalKB; }
    double GetUsedSpace() const { return m_dUsedKB; }

    // The selection's size, changed as the user selects and deselects; it never drops
    // below 0, so a deselect that would (rounding, a file grown meanwhile) stops at 0.
    double GetSelected() const { return m_dSelectedKB; }
    void SetSelected(double dKB) { m_dSelectedKB = dKB >= 0 ? dKB : 0.0; }
    void AddSelected(double dKB) { SetSelected(m_dSelectedKB + dKB); }
    void SubtractSelected(double dKB) { SetSelected(m_dSelectedKB - dKB); }

    // Used plus the pictures to upload beyond the total blocks the upload (string 206);
    // reaching the total exactly is allowed.
    bool IsOverQuota(double dUploadKB) const { return m_dUsedKB + dUploadKB > m_dTotalKB; }

    // How full the album would be with the selection, in whole percent from 0 to 100; 0
    // without a total.
    int GetFilledPercent() const;

    // The text of label 201 from string 208.
    std::string FormatText(std::string_view strFormat) const;

private:
    double m_dTotalKB = 10240.0;
    double m_dUsedKB = 0.0;
    double m_dSelectedKB = 0.0;
};
