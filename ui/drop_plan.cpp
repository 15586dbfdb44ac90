#include "ui/drop_plan.h"

#include "imaging/picture_file.h"

#include <string_view>

namespace {

bool IsPicture(const std::string& strName, LeadByteTest pfnIsLead) {
    const PictureType type = ClassifyPictureFile(strName, pfnIsLead);
    return type == PictureType::Gif || type == PictureType::Jpeg;
}

// The folder holding the file: its path without the name and the backslash before it.
std::string FolderOf(const std::string& strPath, const std::string& strName) {
    std::string strFolder = strPath.substr(0, strPath.size() - strName.size());
    // "C:\" keeps its backslash: "C:" alone is the drive's current folder.
    if (strFolder.size() > 3 && strFolder.back() == '\\') strFolder.pop_back();
    return strFolder;
}

std::string FillCount(std::string strText, int nCount) {
    const std::size_t nAt = strText.find("%d");
    if (nAt != std::string::npos) strText.replace(nAt, 2, std::to_string(nCount));
    return strText;
}

}  // namespace

DropPlan PlanDrop(const std::vector<DroppedItem>& arrItems, LeadByteTest pfnIsLead) {
    DropPlan plan;
    int nFolders = 0;
    std::string strFirstFolder;
    for (const DroppedItem& item : arrItems) {
        if (item.bFolder) {
            if (nFolders++ == 0) strFirstFolder = item.strPath;
            continue;
        }
        const std::string strName = GetFileNamePart(item.strPath, pfnIsLead);
        if (!IsPicture(strName, pfnIsLead)) {
            ++plan.nNotPictures;
            continue;
        }
        const std::string strFolder = FolderOf(item.strPath, strName);
        if (plan.strFolder.empty()) plan.strFolder = strFolder;
        if (strFolder == plan.strFolder) {
            plan.arrNames.push_back(strName);
        } else {
            ++plan.nOtherFolder;
        }
    }
    if (plan.strFolder.empty() && nFolders > 0) {
        plan.strFolder = strFirstFolder;
        plan.nFoldersLeft = nFolders - 1;
    } else {
        plan.nFoldersLeft = nFolders;
    }
    return plan;
}

std::string DescribeLeftOut(const DropPlan& plan, const DropLeftOutTexts& texts) {
    std::string strLine;
    const std::pair<int, const std::string*> reasons[] = {{plan.nNotPictures, &texts.strNotPictures},
                                                          {plan.nOtherFolder, &texts.strOtherFolder},
                                                          {plan.nFoldersLeft, &texts.strFoldersLeft}};
    for (const auto& [nCount, pText] : reasons) {
        if (nCount == 0) continue;
        if (!strLine.empty()) strLine += texts.strSeparator;
        strLine += FillCount(*pText, nCount);
    }
    return strLine;
}
