// Layout rules of the main panel: where its children go for a client size, and how a
// splitter drag changes the tree's width. The panel measures, this decides, the panel moves.
// Its figures are pixels at 96 dpi, scaled to the dpi the panel draws at.
#pragma once
#include "base/dpi_scale.h"
#include "base/geometry.h"

// Controls that keep the place dialog template 201 gave them, in pixels. Taken once right
// after the dialog is created: read back from the windows later, a size that a tiny client
// had clipped to nothing would stay lost.
struct PanelTemplate {
    int nUploadTop = 0;         // top of button 202; the buttons 204 and 205 share it
    PixelRect rcCompressLabel;  // label 218, "自动压缩"
    PixelRect rcCompressBox;    // check box 203
};

// What may change from one layout to the next.
struct PanelMeasures {
    PixelSize szClient;
    PixelSize szSpaceCaption;  // text extent of label 215 in its font
    PixelSize szSpaceText;     // text extent of label 201 (the current space text)
    int nHintHeight = 0;       // height of the hint's text broken at HintWidth
};

// Client rectangles of every child, all inside the client area, none inside out.
struct PanelPlacement {
    PixelRect rcSpaceCaption;        // label 215
    PixelRect rcGauge;               // CSpaceGauge, child 2
    PixelRect rcUpload;              // button 202
    PixelRect rcSelectNone;          // button 205
    PixelRect rcSelectAll;           // button 204
    PixelRect rcCompressLabel;       // label 218; becomes m_rcCompressLabel
    PixelRect rcCompressBox;         // check box 203
    PixelRect rcSpaceText;           // label 201
    bool bSpaceTextWrapped = false;  // on the second row, under the buttons
    PixelRect rcHint;                // static 225
    PixelRect rcTree;                // CShellTree, child 0
    PixelRect rcSplitter;            // CSplitterBar, child 3
    PixelRect rcThumbs;              // CThumbView, child 1
    int nRowBottom = 0;              // bottom of the top row(s), before clipping

    // The four background bands that WM_ERASEBKGND fills with the skin colour; together
    // with the tree, the splitter and the view they cover the whole client area.
    PixelRect rcTopBand;
    PixelRect rcLeftMargin;
    PixelRect rcRightMargin;
    PixelRect rcBottomBand;
};

class CPanelLayout {
public:
    static constexpr int kDefaultTreeWidth = 200;  // at 96 dpi
    // The splitter keeps the mouse this far from the panel's left and right edges (96 dpi).
    static constexpr int kSplitterLeftLimit = 140;
    static constexpr int kSplitterRightLimit = 170;

    CPanelLayout() = default;
    // The tree starts at its default width at that dpi.
    explicit CPanelLayout(CDpiScale scale) : m_scale(scale), m_nTreeWidth(scale.Scale(kDefaultTreeWidth)) {}
    const CDpiScale& GetScale() const { return m_scale; }

    void SetTemplate(const PanelTemplate& tpl) { m_tpl = tpl; }
    const PanelTemplate& GetTemplate() const { return m_tpl; }

    // RecalcLayout(delta): the splitter's signed move is added to the tree width first
    // (no bound here: the splitter bounds the drag), then everything is placed.
    PanelPlacement Recalc(const PanelMeasures& measures, int nDelta);
    // The same placement without a move, for painting the background.
    PanelPlacement Place(const PanelMeasures& measures) const;

    // The width the hint's text is broken at, for a client cxClient wide.
    int HintWidth(int cxClient) const;

    // The width the user asked for; the tree is drawn narrower when the client is too small
    // to hold it, and gets it back when the client grows again.
    int GetTreeWidth() const { return m_nTreeWidth; }

private:
    PanelTemplate m_tpl;
    CDpiScale m_scale;
    int m_nTreeWidth = kDefaultTreeWidth;
};
