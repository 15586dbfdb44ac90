// Shows Upload.gif playing, at its own size and stretched to twice it, pauses both on a
// known frame and says where they are, so that a screenshot taken from outside can be
// compared with the frames another decoder makes.
//   gif_player_shot.exe GIF INFO GATE [FRAME]
// INFO receives "face-colour client-x client-y client-w client-h" and then "x y w h frame"
// per player, in screen pixels; the program waits for the file GATE, resumes the players,
// checks that they go on, and exits 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/gif_player.h"
#include "tests/win/test_support.h"

namespace {
const char kTitle[] = "TESSALINE GIF player";

HWND CreateFaceWindow(int x, int y, int nWidth, int nHeight) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "TessalineGifShot";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, kTitle, WS_POPUP | WS_CLIPCHILDREN, x, y, nWidth, nHeight, nullptr,
                                nullptr, wc.hInstance, nullptr);
    CreateWindowExA(0, "STATIC", "Upload.gif, 272 x 56", WS_CHILD | WS_VISIBLE, 330, 34, 200, 18, hWnd, nullptr,
                    wc.hInstance, nullptr);
    CreateWindowExA(0, "STATIC", "stretched to 544 x 112", WS_CHILD | WS_VISIBLE, 45, 204, 300, 18, hWnd, nullptr,
                    wc.hInstance, nullptr);
    for (HWND hChild = GetWindow(hWnd, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT))
        SendMessageA(hChild, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hWnd);
    return hWnd;
}

bool PauseOn(CGifPlayer& player, int nFrame) {
    const bool bSeen = PumpUntil([&] { return player.FramesShown() > 12 && player.CurrentFrame() == nFrame; }, 10000);
    player.Pause();
    return bSeen;
}

RECT ScreenRect(HWND hWnd) {
    RECT rc{};
    GetClientRect(hWnd, &rc);
    MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string strInfo = argv[2];
    const std::string strGate = argv[3];
    const int nFrame = argc > 4 ? std::atoi(argv[4]) : 5;

    // Away from the corner where other tests put their windows.
    HWND hWnd = CreateFaceWindow(360, 470, 640, 240);
    CGifPlayer natural, stretched;
    const COLORREF crFace = GetSysColor(COLOR_BTNFACE);
    for (CGifPlayer* player : {&natural, &stretched}) {
        player->SetBackdrop(crFace);
        if (!player->Load(argv[1])) return 3;
    }
    natural.Play(hWnd, 45, 14);
    stretched.Play(hWnd, 45, 86, 544, 112);
    if (!PauseOn(natural, nFrame) || !PauseOn(stretched, nFrame)) return 4;
    PumpFor(400);  // the display catches up with the last frames drawn

    const RECT rcClient = ScreenRect(hWnd);
    const std::string strTemp = strInfo + ".part";
    FILE* f = std::fopen(strTemp.c_str(), "w");
    if (!f) return 5;
    std::fprintf(f, "%02x%02x%02x %ld %ld %ld %ld\n", GetRValue(crFace), GetGValue(crFace), GetBValue(crFace),
                 rcClient.left, rcClient.top, rcClient.right - rcClient.left, rcClient.bottom - rcClient.top);
    for (CGifPlayer* player : {&natural, &stretched}) {
        const RECT rc = ScreenRect(player->m_hWnd);
        std::fprintf(f, "%ld %ld %ld %ld %d\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     player->CurrentFrame());
    }
    std::fclose(f);
    if (!MoveFileExA(strTemp.c_str(), strInfo.c_str(), MOVEFILE_REPLACE_EXISTING)) return 5;

    if (!PumpUntil([&] { return GetFileAttributesA(strGate.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000)) return 6;
    const uint64_t nBefore = natural.FramesShown() + stretched.FramesShown();
    natural.Resume();
    stretched.Resume();
    if (!PumpUntil([&] { return natural.FramesShown() + stretched.FramesShown() >= nBefore + 4; }, 2000)) return 7;
    DestroyWindow(hWnd);  // the players stop with it
    return 0;
}
