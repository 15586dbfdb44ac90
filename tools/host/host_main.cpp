// A container program for the control: creates it by ProgID in Wine's ATL control window,
// sets its properties by name through IDispatch as a page's script would, and reports
// its events. Stands in for the web page in tests, demos and screenshots.
#include "event_sink.h"
#include "page_site.h"
#include "framework/com_ptr.h"
#include "framework/text.h"
#include "property_text.h"
#include "res/resource.h"
#include "tessaline_h.h"
#include "ui/panel_messages.h"

#include <objsafe.h>
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

enum ExitCode { kOk = 0, kFailed = 1, kNotRegistered = 2, kUnknownProperty = 3, kBadValue = 4, kUsage = 5 };

struct Options {
    std::string strProgID = "TESSALINE.TessalineCtrl.1";
    int nWidth = 800;
    int nHeight = 600;
    std::vector<PropertyAssignment> arrSets;
    std::vector<std::string> arrPrints;
    DWORD dwCloseAfterMs = 0;
    bool bAbout = false;
    // The control's property frame, the way a design-time container opens it.
    enum class PropertyFrame { None, Pages, Verb } propertyFrame = PropertyFrame::None;
    std::string strOpenFolder;
    bool bUpload = false;
    // The page's address, told through the host's own site; without it the control sits
    // in Wine's ATL container, which tells none.
    std::optional<std::string> pageUrl;
    DWORD dwReleaseAfterMs = 0;
    bool bCloseOnFinish = false;
    struct Watch {
        enum class Action { Report, Close, CloseHost, Release } action;
        std::string strTitle;
    };
    std::vector<Watch> arrWatches;
};

const char kUsageText[] =
    "usage: host [--progid ID] [--size WxH] [--set Name=Value]... [--file FILE]\n"
    "            [--print Name]... [--about] [--properties | --properties-verb]\n"
    "            [--open-folder DIR [--upload]] [--close-after MS] [--page-url URL]\n"
    "            [--release-after MS] [--close-on-finish]\n"
    "  --set     sets a property by name; numbers go as integers, \"quoted\" or other text as strings\n"
    "  --file    reads one Name=Value per line (# starts a comment)\n"
    "  --print   reads a property back after the sets and prints it\n"
    "  --open-folder  shows DIR's pictures, as a click on that folder in the control's tree does\n"
    "  --upload  then selects them all and presses the upload button, as a person would\n"
    "  --properties  shows the property frame with the pages the control lists\n"
    "            (ISpecifyPropertyPages); --properties-verb asks the control to show it\n"
    "            (its Properties verb); either prints a line when the frame has closed\n"
    "  --report-window TEXT  prints \"window shown: N\" (N counts from 1 in the order given) once\n"
    "            a window whose title holds TEXT is on screen, for scripts that wait for it\n"
    "  --close-window TEXT  sends that window WM_CLOSE once it is on screen (its close box)\n"
    "  --close-host-on-window TEXT  closes the host's window once that window is on screen\n"
    "  --release-on-window TEXT  lets go of the control once that window is on screen, as a\n"
    "            page that goes away does; --release-after MS does so after MS milliseconds\n"
    "  --close-on-finish  closes the host's window when the control fires UploadFinished\n"
    "  --page-url URL  hosts the control in a site of the host's own that tells this address\n"
    "            as the page's (the browser's location) and reports the modal loops the\n"
    "            control announces to its frame\n";

bool ReadAssignmentsFile(const std::string& path, std::vector<PropertyAssignment>& out) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        PropertyAssignment a;
        if (!ParseAssignment(line, a)) return false;
        out.push_back(a);
    }
    return true;
}

int ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&](std::string& value) {
            if (i + 1 >= argc) return false;
            value = argv[++i];
            return true;
        };
        std::string value;
        if (arg == "--progid" && next(value)) {
            o.strProgID = value;
        } else if (arg == "--size" && next(value)) {
            if (std::sscanf(value.c_str(), "%dx%d", &o.nWidth, &o.nHeight) != 2 || o.nWidth <= 0 || o.nHeight <= 0)
                return kUsage;
        } else if (arg == "--set" && next(value)) {
            PropertyAssignment a;
            if (!ParseAssignment(value, a)) {
                std::fprintf(stderr, "host: \"%s\" is not Name=Value\n", value.c_str());
                return kUsage;
            }
            o.arrSets.push_back(a);
        } else if (arg == "--file" && next(value)) {
            if (!ReadAssignmentsFile(value, o.arrSets)) {
                std::fprintf(stderr, "host: cannot read the assignments in %s\n", value.c_str());
                return kUsage;
            }
        } else if (arg == "--print" && next(value)) {
            o.arrPrints.push_back(value);
        } else if (arg == "--close-after" && next(value)) {
            o.dwCloseAfterMs = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (arg == "--open-folder" && next(value)) {
            o.strOpenFolder = value;
        } else if (arg == "--report-window" && next(value)) {
            o.arrWatches.push_back({Options::Watch::Action::Report, value});
        } else if (arg == "--close-window" && next(value)) {
            o.arrWatches.push_back({Options::Watch::Action::Close, value});
        } else if (arg == "--close-host-on-window" && next(value)) {
            o.arrWatches.push_back({Options::Watch::Action::CloseHost, value});
        } else if (arg == "--release-on-window" && next(value)) {
            o.arrWatches.push_back({Options::Watch::Action::Release, value});
        } else if (arg == "--release-after" && next(value)) {
            o.dwReleaseAfterMs = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (arg == "--close-on-finish") {
            o.bCloseOnFinish = true;
        } else if (arg == "--page-url" && next(value)) {
            o.pageUrl = value;
        } else if (arg == "--upload") {
            o.bUpload = true;
        } else if (arg == "--about") {
            o.bAbout = true;
        } else if (arg == "--properties") {
            o.propertyFrame = Options::PropertyFrame::Pages;
        } else if (arg == "--properties-verb") {
            o.propertyFrame = Options::PropertyFrame::Verb;
        } else {
            std::fputs(kUsageText, stderr);
            return kUsage;
        }
    }
    return kOk;
}

DISPID LookUp(IDispatch* disp, const std::string& name) {
    std::wstring wide = AnsiToWide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

int SetProperty(IDispatch* disp, const PropertyAssignment& a) {
    DISPID id = LookUp(disp, a.strName);
    if (id == DISPID_UNKNOWN) {
        std::fprintf(stderr, "host: the control has no property \"%s\"\n", a.strName.c_str());
        return kUnknownProperty;
    }
    CVariant value = ValueToVariant(a.strValue);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value.Ref(), &named, 1, 1};
    HRESULT hr =
        disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    if (hr == DISP_E_TYPEMISMATCH) {
        std::fprintf(stderr, "host: \"%s\" does not convert to the type of %s\n", a.strValue.c_str(),
                     a.strName.c_str());
        return kBadValue;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "host: setting %s failed (0x%08lx)\n", a.strName.c_str(), static_cast<unsigned long>(hr));
        return kFailed;
    }
    std::printf("set %s\n", a.strName.c_str());
    return kOk;
}

int PrintProperty(IDispatch* disp, const std::string& name) {
    DISPID id = LookUp(disp, name);
    if (id == DISPID_UNKNOWN) {
        std::fprintf(stderr, "host: the control has no property \"%s\"\n", name.c_str());
        return kUnknownProperty;
    }
    DISPPARAMS none{};
    CVariant result;
    HRESULT hr = disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.Receive(), nullptr,
                              nullptr);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&result.Ref(), &result.Ref(), 0, VT_BSTR);
    if (FAILED(hr)) return kFailed;
    std::printf("get %s = %s\n", name.c_str(), BstrToAnsi(result.Get().bstrVal).c_str());
    return kOk;
}

// What a container does for its "Properties..." command: a frame with the pages the
// control names, titled with the control's name, or the control's own Properties verb.
// Modal: returns when the frame has closed.
HRESULT ShowPropertyFrame(IUnknown* control, HWND hWndOwner, Options::PropertyFrame how) {
    if (how == Options::PropertyFrame::Verb) {
        CComPtrT<IOleObject> ole;
        HRESULT hr = control->QueryInterface(IID_IOleObject, ole.ReceiveVoid());
        if (FAILED(hr)) return hr;
        CComPtrT<IOleClientSite> site;
        ole->GetClientSite(site.Receive());
        RECT rc{};
        GetClientRect(hWndOwner, &rc);
        return ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, site.Get(), 0, hWndOwner, &rc);
    }
    CComPtrT<ISpecifyPropertyPages> specify;
    HRESULT hr = control->QueryInterface(IID_ISpecifyPropertyPages, specify.ReceiveVoid());
    if (FAILED(hr)) return hr;
    CAUUID pages{};
    if (FAILED(hr = specify->GetPages(&pages))) return hr;
    std::wstring caption = L"TESSALINE";
    CComPtrT<IOleObject> ole;
    LPOLESTR pszName = nullptr;
    if (SUCCEEDED(control->QueryInterface(IID_IOleObject, ole.ReceiveVoid())) &&
        SUCCEEDED(ole->GetUserType(USERCLASSTYPE_FULL, &pszName)) && pszName)
        caption = pszName;
    CoTaskMemFree(pszName);
    hr = OleCreatePropertyFrame(hWndOwner, 0, 0, caption.c_str(), 1, &control, pages.cElems, pages.pElems,
                                LOCALE_USER_DEFAULT, 0, nullptr);
    CoTaskMemFree(pages.pElems);
    return hr;
}

// The control as the host holds it, and how it lets go of it: through its own site, or by
// destroying Wine's ATL window, which releases the control it made.
struct HostedControl {
    HWND hWndSite = nullptr;
    CComPtrT<CPageSite> pageSite;
    CComPtrT<IUnknown> unknown;
    CComPtrT<IDispatch> disp;
    CComPtrT<IConnectionPoint> cp;
    DWORD dwCookie = 0;

    void Release() {
        if (!unknown) return;
        if (cp && dwCookie) cp->Unadvise(dwCookie);
        cp.Release();
        disp.Release();
        unknown.Release();
        if (pageSite) pageSite->Close();
        pageSite.Release();
        if (hWndSite) DestroyWindow(hWndSite);
        hWndSite = nullptr;
    }
};
HostedControl g_control;
HWND g_hWndFrame = nullptr;
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT_PTR kWatchTimer = 2;
constexpr UINT_PTR kReleaseTimer = 3;

void ReleaseControl() {
    const DWORD dwStart = GetTickCount();
    g_control.Release();
    std::printf("host: control released in %lu ms\n", static_cast<unsigned long>(GetTickCount() - dwStart));
    std::fflush(stdout);
}

// Titles to act on once when a window of this process shows one; cleared as they are seen.
struct WatchedTitle {
    Options::Watch watch;
    int nNumber;  // of a report, counted from 1
};
std::vector<WatchedTitle> g_arrWatched;

BOOL CALLBACK ActIfWatched(HWND hWnd, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    // Shown and painted: nothing is left to draw when the report goes out.
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hWnd) || GetUpdateRect(hWnd, nullptr, FALSE)) return TRUE;
    char title[512] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    for (auto it = g_arrWatched.begin(); it != g_arrWatched.end();) {
        if (std::string(title).find(it->watch.strTitle) == std::string::npos) {
            ++it;
            continue;
        }
        switch (it->watch.action) {
        case Options::Watch::Action::Report: std::printf("window shown: %d\n", it->nNumber); break;
        case Options::Watch::Action::Close: PostMessageA(hWnd, WM_CLOSE, 0, 0); break;
        case Options::Watch::Action::CloseHost: PostMessageA(g_hWndFrame, WM_CLOSE, 0, 0); break;
        // From this timer, inside whichever message loop is up, as a page's timer would.
        case Options::Watch::Action::Release: ReleaseControl(); break;
        }
        std::fflush(stdout);
        it = g_arrWatched.erase(it);
    }
    return TRUE;
}

LRESULT CALLBACK FrameProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (g_control.hWndSite) MoveWindow(g_control.hWndSite, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_TIMER:
        if (wParam == kWatchTimer) {
            EnumWindows(ActIfWatched, 0);
            if (g_arrWatched.empty()) KillTimer(hWnd, kWatchTimer);
        } else if (wParam == kReleaseTimer) {
            KillTimer(hWnd, kReleaseTimer);
            ReleaseControl();
        } else {
            PostMessageA(hWnd, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

template <class Fn>
Fn AtlExport(HMODULE atl, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(atl, name)));
}

// The control in Wine's ATL window, which creates it from its title as an object tag would.
HRESULT CreateInAtlWindow(const Options& o, HWND hWndFrame) {
    HMODULE atl = LoadLibraryA("atl.dll");
    auto axWinInit = atl ? AtlExport<BOOL(WINAPI*)()>(atl, "AtlAxWinInit") : nullptr;
    auto axGetControl = atl ? AtlExport<HRESULT(WINAPI*)(HWND, IUnknown**)>(atl, "AtlAxGetControl") : nullptr;
    if (!axWinInit || !axGetControl || !axWinInit()) {
        std::fprintf(stderr, "host: the ATL control container is not available\n");
        return E_FAIL;
    }
    g_control.hWndSite = CreateWindowExA(0, "AtlAxWin", o.strProgID.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, o.nWidth,
                                         o.nHeight, hWndFrame, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!g_control.hWndSite) return E_FAIL;
    return axGetControl(g_control.hWndSite, g_control.unknown.Receive());
}

// The control in the host's own site, which tells the page's address.
HRESULT CreateInPageSite(const Options& o, const CLSID& clsid, HWND hWndFrame) {
    g_control.hWndSite = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, o.nWidth,
                                         o.nHeight, hWndFrame, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!g_control.hWndSite) return E_FAIL;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, g_control.unknown.ReceiveVoid());
    if (FAILED(hr)) return hr;
    g_control.pageSite = CPageSite::Create(g_control.hWndSite, AnsiToWide(*o.pageUrl));
    g_control.pageSite->SetModelessHandler([](bool bEnable) {
        std::printf("host: frame modeless %s\n", bEnable ? "on" : "off");
        std::fflush(stdout);
    });
    return g_control.pageSite->Activate(g_control.unknown.Get());
}

// What a browser asks before it lets a page script the control.
void ReportScriptingSafety(IUnknown* control) {
    CComPtrT<IObjectSafety> safety;
    constexpr DWORD kOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    const bool bSafe = SUCCEEDED(control->QueryInterface(IID_IObjectSafety, safety.ReceiveVoid())) &&
                       SUCCEEDED(safety->SetInterfaceSafetyOptions(IID_IDispatch, kOptions, kOptions));
    std::printf("host: safe for scripting: %s\n", bSafe ? "yes" : "no");
}

// What fills the control's area: the class and text of the control window's child.
void ReportContent(HWND control) {
    HWND content = control ? GetWindow(control, GW_CHILD) : nullptr;
    char cls[64] = {}, text[256] = {};
    if (content) {
        GetClassNameA(content, cls, sizeof cls);
        GetWindowTextA(content, text, sizeof text);
    }
    std::printf("host: control shows %s \"%s\"\n", content ? cls : "nothing", text);
}

int RunHost(const Options& o) {
    std::wstring progId = AnsiToWide(o.strProgID);
    CLSID clsid{};
    CComPtrT<IClassFactory> probe;
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid)) ||
        FAILED(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, probe.ReceiveVoid()))) {
        std::fprintf(stderr, "host: %s is not registered; register it first with: regsvr32 tessaline.ocx\n",
                     o.strProgID.c_str());
        return kNotRegistered;
    }
    probe.Release();

    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "TessalineHostFrame";
    RegisterClassA(&wc);
    RECT frame{0, 0, o.nWidth, o.nHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hWnd =
        CreateWindowExA(0, wc.lpszClassName, "TESSALINE host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
    g_hWndFrame = hWnd;
    const HRESULT hrCreated = o.pageUrl ? CreateInPageSite(o, clsid, hWnd) : CreateInAtlWindow(o, hWnd);
    if (FAILED(hrCreated) || FAILED(g_control.unknown.QueryInterface(g_control.disp))) {
        std::fprintf(stderr, "host: the control could not be created in the container\n");
        g_control.Release();
        DestroyWindow(hWnd);
        return kFailed;
    }

    CEventLogSink sink(DIID_TessalineEvents);
    if (o.bCloseOnFinish)
        sink.SetOnEvent([hWnd](DISPID dispid) {
            if (dispid == 1) PostMessageA(hWnd, WM_CLOSE, 0, 0);
        });
    CComPtrT<IConnectionPointContainer> cpc;
    if (SUCCEEDED(g_control.unknown.QueryInterface(cpc)) &&
        SUCCEEDED(cpc->FindConnectionPoint(DIID_TessalineEvents, g_control.cp.Receive())))
        g_control.cp->Advise(&sink, &g_control.dwCookie);
    ReportScriptingSafety(g_control.unknown.Get());

    int result = kOk;
    for (const PropertyAssignment& a : o.arrSets)
        if ((result = SetProperty(g_control.disp.Get(), a)) != kOk) break;
    for (size_t i = 0; result == kOk && i < o.arrPrints.size(); ++i)
        result = PrintProperty(g_control.disp.Get(), o.arrPrints[i]);

    if (result == kOk) {
        ShowWindow(hWnd, SW_SHOW);
        UpdateWindow(hWnd);
        HWND control = GetWindow(g_control.hWndSite, GW_CHILD);
        std::printf("host: ready, control window %p, process %lu\n", static_cast<void*>(control),
                    static_cast<unsigned long>(GetCurrentProcessId()));
        ReportContent(control);
        if (!o.strOpenFolder.empty()) {
            // The panel is the control window's child dialog; the tree tells it about a
            // clicked folder with WM_PANEL_SCANFOLDER and the folder's path.
            HWND panel = control ? GetWindow(control, GW_CHILD) : nullptr;
            if (!panel ||
                !SendMessageA(panel, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(o.strOpenFolder.c_str())))
                std::fprintf(stderr, "host: the control did not take the folder %s\n", o.strOpenFolder.c_str());
            else if (o.bUpload) {
                // Posted: the clicks, and the upload's dialogs, run inside the message loop.
                PostMessageA(GetDlgItem(panel, IDC_SELECT_ALL), BM_CLICK, 0, 0);
                PostMessageA(GetDlgItem(panel, IDC_UPLOAD_NOW), BM_CLICK, 0, 0);
            }
        }
        std::fflush(stdout);
        if (o.dwReleaseAfterMs) SetTimer(hWnd, kReleaseTimer, o.dwReleaseAfterMs, nullptr);
        int nReports = 0;
        for (const Options::Watch& watch : o.arrWatches)
            g_arrWatched.push_back(
                WatchedTitle{watch, watch.action == Options::Watch::Action::Report ? ++nReports : 0});
        if (!g_arrWatched.empty()) SetTimer(hWnd, kWatchTimer, 100, nullptr);
        // The calls below run the control's modal loops, inside which these timers fire.
        if (o.bAbout) {
            DISPPARAMS none{};
            const HRESULT hr = CComPtrT<IDispatch>(g_control.disp)
                                   ->Invoke(DISPID_ABOUTBOX, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                            nullptr, nullptr, nullptr);
            std::printf("host: AboutBox returned 0x%08lx\n", static_cast<unsigned long>(hr));
            std::fflush(stdout);
        }
        if (o.propertyFrame != Options::PropertyFrame::None && g_control.unknown) {
            const CComPtrT<IUnknown> unknown = g_control.unknown;
            const HRESULT hr = ShowPropertyFrame(unknown.Get(), hWnd, o.propertyFrame);
            CComPtrT<IPersistStreamInit> persist;
            const bool bModified = SUCCEEDED(unknown.QueryInterface(persist)) && persist->IsDirty() == S_OK;
            std::printf("host: property frame closed (0x%08lx), control modified: %s\n", static_cast<unsigned long>(hr),
                        bModified ? "yes" : "no");
            std::fflush(stdout);
        }
        // Counted from here: a frame or box above is the test's to close.
        if (o.dwCloseAfterMs) SetTimer(hWnd, kCloseTimer, o.dwCloseAfterMs, nullptr);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        g_control.Release();
    } else {
        // A page whose script failed lets go of the control before its window goes, as a
        // page that navigates away does; the window never showed.
        g_control.Release();
        DestroyWindow(hWnd);
    }
    std::fflush(stdout);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (int rc = ParseOptions(argc, argv, options); rc != kOk) return rc;
    if (FAILED(OleInitialize(nullptr))) {
        std::fprintf(stderr, "host: OLE could not be initialised\n");
        return kFailed;
    }
    int rc = RunHost(options);
    OleUninitialize();
    return rc;
}
