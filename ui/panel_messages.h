// The private messages between the panel and its children. A program that stands in for the
// tree (a host opening a folder) needs this header alone.
#pragma once
#include <windows.h>

// Tree (or a host) to panel, sent: lParam is the folder's path (ANSI), valid during the call,
// "" for an item outside the file system. The panel shows that folder's pictures.
constexpr UINT WM_PANEL_SCANFOLDER = 0x464;
// Splitter to panel, at the end of a drag: wParam 0, lParam the signed move in pixels.
constexpr UINT WM_PANEL_SPLITMOVED = 0x590;
// Preparation workers to panel, posted once a picture's preparation is finished.
constexpr UINT WM_PANEL_PREPARED = 0x591;
// The upload journal's writer to panel, posted once a change of the journal is on the disk.
constexpr UINT WM_PANEL_JOURNAL_WRITTEN = 0x592;
// Panel to grid, posted once it has listed a new folder.
constexpr UINT WM_THUMBS_NEWLIST = 0x464;
// The grid to itself after scrolling: lParam is the old position minus the new one.
constexpr UINT WM_THUMBS_SCROLLED = 0x465;
