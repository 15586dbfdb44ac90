#include "hosted_panel_fixture.h"

#include <ole2.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

// A CF_HDROP block of ANSI paths, as Explorer hands it over; the caller owns it.
HGLOBAL MakeHDrop(const std::vector<std::string>& arrPaths) {
    std::string list;
    for (const std::string& path : arrPaths) list += path + '\0';
    list += '\0';
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    if (!h) return nullptr;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(h));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(h);
    return h;
}

// The data object of a drag from Explorer: the dropped paths as CF_HDROP, nothing else.
class CFileDropData final : public IDataObject {
public:
    explicit CFileDropData(std::vector<std::string> arrPaths) : m_arrPaths(std::move(arrPaths)) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IDataObject) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    // Lives on the test's stack.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetData(FORMATETC* pFormat, STGMEDIUM* pMedium) override {
        if (QueryGetData(pFormat) != S_OK) return DV_E_FORMATETC;
        pMedium->tymed = TYMED_HGLOBAL;
        pMedium->hGlobal = MakeHDrop(m_arrPaths);
        pMedium->pUnkForRelease = nullptr;
        return pMedium->hGlobal ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* pFormat) override {
        return pFormat && pFormat->cfFormat == CF_HDROP && (pFormat->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<std::string> m_arrPaths;
};

class PanelDropTest : public PanelTest {
protected:
    // Drags the paths over the grid and drops them, as OLE calls the registered target;
    // the effect the target answered on entering.
    DWORD Drop(const std::vector<std::string>& arrPaths) {
        IDropTarget* target = Panel().GetDropTarget();
        if (!target) return DROPEFFECT_NONE;
        CFileDropData data(arrPaths);
        RECT rc{};
        GetWindowRect(Panel().GetThumbView().m_hWnd, &rc);
        const POINTL pt{rc.left + 20, rc.top + 20};
        DWORD dwEnter = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        target->DragEnter(&data, MK_LBUTTON, pt, &dwEnter);
        DWORD dwOver = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        target->DragOver(MK_LBUTTON, pt, &dwOver);
        EXPECT_EQ(dwOver, dwEnter) << "the cursor keeps its answer over the window";
        DWORD dwDrop = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        target->Drop(&data, 0, pt, &dwDrop);
        EXPECT_EQ(dwDrop, dwEnter);
        PumpFor(50);
        return dwEnter;
    }
    std::set<std::string> SelectedNames() {
        std::set<std::string> names;
        for (std::size_t i = 0; i < Panel().GetItems().size(); ++i)
            if (Panel().GetItems()[i]->bSelected) names.insert(Caption(i));
        return names;
    }
};

TEST_F(PanelDropTest, TheTargetIsRegisteredForTheTreeAndTheGrid) {
    ASSERT_NE(Panel().GetDropTarget(), nullptr);
    // Both are the panel's children: OLE and WM_DROPFILES find the panel from either.
    for (HWND child : {Panel().GetTreeWindow(), Panel().GetThumbView().m_hWnd})
        EXPECT_EQ(GetParent(child), Panel().m_hWnd);
    EXPECT_EQ(RegisterDragDrop(Panel().m_hWnd, Panel().GetDropTarget()), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_TRUE(GetWindowLongA(Panel().m_hWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(PanelDropTest, AFolderOpensAsATreeClickWould) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 1024);
    folder.Fill("b.gif", 2048);
    const std::string hint = Panel().GetHintText();
    EXPECT_EQ(Drop({folder.Path()}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Listed(), (std::set<std::string>{"a.jpg", "b.gif"}));
    EXPECT_TRUE(SelectedNames().empty());
    EXPECT_TRUE(Enabled(IDC_SELECT_ALL));
    EXPECT_EQ(Panel().GetHintText(), hint);
}

TEST_F(PanelDropTest, PicturesOfOneFolderOpenItAndAreSelectedAsClicksWould) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 1024);
    folder.Fill("b.jpg", 2048);
    folder.Fill("c.gif", 3072);
    SetAutoCompress(false);
    EXPECT_EQ(Drop({folder.File("a.jpg"), folder.File("c.gif")}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Listed(), (std::set<std::string>{"a.jpg", "b.jpg", "c.gif"}));
    EXPECT_EQ(SelectedNames(), (std::set<std::string>{"a.jpg", "c.gif"}));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 4.0);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW));
}

// A resumed batch opens its folder as a drop does: the named pictures chosen as clicks would
// choose them (fractions of a kilobyte counted), whatever the case of their names; a name
// the folder lacks is told, and one given twice chooses its picture once.
TEST_F(PanelDropTest, AFolderOpenedWithNamesChoosesThemAsADropDoes) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 1024);
    folder.Fill("b.jpg", 2048);
    folder.Fill("c.gif", 1536);
    SetAutoCompress(false);
    const std::vector<int> found = Panel().OpenFolderWith(folder.Path(), {"A.JPG", "gone.jpg", "c.gif", "c.gif"});
    ASSERT_EQ(found.size(), 4u);
    ASSERT_GE(found[0], 0);
    ASSERT_GE(found[2], 0);
    EXPECT_EQ(Caption(static_cast<std::size_t>(found[0])), "a.jpg");
    EXPECT_EQ(found[1], -1);
    EXPECT_EQ(Caption(static_cast<std::size_t>(found[2])), "c.gif");
    EXPECT_EQ(found[3], found[2]);
    EXPECT_EQ(SelectedNames(), (std::set<std::string>{"a.jpg", "c.gif"}));
    EXPECT_DOUBLE_EQ(Panel().GetSelectedKB(), 2.5);
    EXPECT_TRUE(Enabled(IDC_UPLOAD_NOW));
}

TEST_F(PanelDropTest, WhatIsLeftOutIsSaidInOneLineUntilTheNextFolder) {
    CScratchFolder first;
    CScratchFolder second;
    first.Fill("a.jpg", 1024);
    first.Fill("notes.txt", 10);
    first.Fill("readme.txt", 10);
    second.Fill("b.jpg", 1024);
    const std::string hint = Panel().GetHintText();
    EXPECT_EQ(Drop({first.File("a.jpg"), second.File("b.jpg"), first.File("notes.txt"), first.File("readme.txt")}),
              static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Listed(), (std::set<std::string>{"a.jpg"}));
    EXPECT_EQ(SelectedNames(), (std::set<std::string>{"a.jpg"}));
    EXPECT_EQ(Panel().GetHintText(), "2 个文件不是图片，没有加入；1 个文件不在同一个文件夹里，没有加入");
    Scan(second.Path());
    EXPECT_EQ(Panel().GetHintText(), hint);
}

TEST_F(PanelDropTest, NothingUsableOrAPassRefusesTheDrop) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 1024);
    folder.Fill("notes.txt", 10);
    ASSERT_EQ(Scan(folder.Path()), 1);
    Click(IDC_SELECT_ALL);
    EXPECT_EQ(Drop({folder.File("notes.txt")}), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(SelectedNames(), (std::set<std::string>{"a.jpg"})) << "a refused drop changes nothing";

    CScratchFolder other;
    other.Fill("b.jpg", 1024);
    // A pass holds the panel's input off until it ends.
    Panel().EnableInput(false);
    EXPECT_EQ(Drop({other.Path()}), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(Listed(), (std::set<std::string>{"a.jpg"}));
    Panel().EnableInput(true);
    EXPECT_EQ(Drop({other.Path()}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Listed(), (std::set<std::string>{"b.jpg"}));
}

TEST_F(PanelDropTest, TheOldDropFilesMessageIsTakenToo) {
    CScratchFolder folder;
    folder.Fill("a.jpg", 1024);
    folder.Fill("b.jpg", 1024);
    // The system hands WM_DROPFILES to the first window that accepts files, from the grid up.
    HWND target = Panel().GetThumbView().m_hWnd;
    while (target && !(GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) target = GetParent(target);
    ASSERT_NE(target, nullptr);
    SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeHDrop({folder.File("b.jpg")})), 0);
    PumpFor(50);
    EXPECT_EQ(Listed(), (std::set<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(SelectedNames(), (std::set<std::string>{"b.jpg"}));
}

}  // namespace
