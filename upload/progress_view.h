// The progress dialog as the upload batch drives it: texts, title and bar during a pass, the
// summary at its end. The dialog reports the user's cancel back through CProgressCommands;
// what follows from it is the batch's decision.
#pragma once
#include <string>
#include <vector>

// The five texts of the dialog, pushed into its controls together.
struct ProgressTexts {
    std::string strFileName;
    std::string strRemaining;
    std::string strSpeed;
    std::string strCount;
    std::string strBytes;
};

// One row of the result list: the picture's name and what became of it.
struct ResultRow {
    std::string strName;
    std::string strStatus;
};

// What the end of a pass, or a cancel, shows: a message box when there is no list, else the
// result dialog with these rows.
struct SummaryRequest {
    std::string strMessage;
    bool bShowList = false;
    bool bCancelMode = false;   // the list shows uploaded pictures and there is no re-upload
    bool bCanReupload = false;  // failure mode: some pictures may be sent again
    // The second column says what became of each picture ("上传情况"), not why it failed:
    // a cancel's list, and a resumed batch's that has no failure of its own.
    bool bStatusColumn = false;
    std::string strListLabel;
    std::vector<ResultRow> rows;
};

enum class SummaryChoice { Done, Reupload };

// The dialog's reports to its owner.
class CProgressCommands {
public:
    virtual ~CProgressCommands() = default;
    // "取消", or the close box confirmed.
    virtual void OnCancelRequested() = 0;
    // Closing the dialog then needs the user's confirmation.
    virtual bool IsPassRunning() const = 0;
    // A tick of the clock while ticking is on (SetTicking), about four times a second.
    virtual void OnTick() = 0;
};

class CProgressView {
public:
    virtual ~CProgressView() = default;
    // Makes the window the first time (it is kept, hidden, between batches); false when it
    // cannot be had.
    virtual bool Open() = 0;
    virtual void Show() = 0;
    virtual void SetTexts(const ProgressTexts& texts) = 0;
    virtual void SetTitle(const std::string& strTitle) = 0;
    virtual void SetProgressPos(int nPercent) = 0;
    // Before each picture: resumes the animation, or starts the bar and the animation over.
    virtual void StartProgressDisplay() = 0;
    // A line in the row of the speed: what the pass waits for while no byte moves (a retry's
    // countdown, the server's answer). An empty note takes the line away.
    virtual void SetNote(const std::string& strNote) = 0;
    // While on, the dialog reports OnTick to its commands.
    virtual void SetTicking(bool bOn) = 0;
    // Pauses the animation and runs the summary modally over the dialog.
    virtual SummaryChoice ShowSummary(const SummaryRequest& summary) = 0;
    // Ends a summary that is still up (the batch is being torn down).
    virtual void AbortSummary() = 0;
    // Hides the dialog and pauses its animation; the window stays for the next batch.
    virtual void Close() = 0;
};
