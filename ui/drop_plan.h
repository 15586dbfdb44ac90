// What the panel makes of files and folders dropped on it: one folder to open and the
// pictures to select in it, and what it leaves out, counted by reason, for its one-line hint.
#pragma once
#include "base/mbcs_text.h"

#include <string>
#include <vector>

struct DroppedItem {
    std::string strPath;
    bool bFolder = false;
};

struct DropPlan {
    std::string strFolder;              // the folder to open; empty when nothing is usable
    std::vector<std::string> arrNames;  // the pictures to select there; empty for a dropped folder
    int nNotPictures = 0;               // files that are not GIF or JPEG pictures
    int nOtherFolder = 0;               // pictures in another folder than the one opened
    int nFoldersLeft = 0;               // folders not opened: one opens at a time
    bool IsUsable() const { return !strFolder.empty(); }
};

// Pictures win over folders: the folder of the first dropped picture opens with every
// dropped picture it holds selected. Without pictures the first dropped folder opens.
DropPlan PlanDrop(const std::vector<DroppedItem>& arrItems, LeadByteTest pfnIsLead);

// The string table's texts for what a drop left out, each with one "%d", and what goes
// between two of them.
struct DropLeftOutTexts {
    std::string strSeparator;
    std::string strNotPictures;
    std::string strOtherFolder;
    std::string strFoldersLeft;
};
// One line naming each reason with its count, in that order; empty when nothing was left out.
std::string DescribeLeftOut(const DropPlan& plan, const DropLeftOutTexts& texts);
