// The INF that `make dist` ships, read by the platform's own INF parser, against the control
// beside it: the class it names is the one in the control's type library, its file version is
// the one in the control's version resource, and it lists the files the cabinet holds; and the
// example page asks for that class and version.
#include "../win/test_support.h"
#include "framework/com_ptr.h"
#include "framework/ole_registry.h"
#include "tessaline_h.h"

#include <gtest/gtest.h>
#include <oleauto.h>
#include <setupapi.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string DistFile(const char* name) {
    const char* dist = std::getenv("TESSALINE_DIST");
    return dist ? WindowsPathOf(std::string(dist) + "/" + name) : std::string();
}

class CInf {
public:
    explicit CInf(const std::string& path)
        : m_hInf(SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr)) {}
    ~CInf() {
        if (Ok()) SetupCloseInfFile(m_hInf);
    }
    CInf(const CInf&) = delete;
    CInf& operator=(const CInf&) = delete;
    bool Ok() const { return m_hInf != INVALID_HANDLE_VALUE; }

    // The whole value of KEY in SECTION (all its fields, as written), "<missing>" when there
    // is none.
    std::string Value(const char* section, const char* key) const {
        INFCONTEXT line{};
        char text[512] = {};
        if (!SetupFindFirstLineA(m_hInf, section, key, &line) ||
            !SetupGetLineTextA(&line, nullptr, nullptr, nullptr, text, sizeof text, nullptr))
            return "<missing>";
        return text;
    }
    // The first field of every line of SECTION.
    std::set<std::string> Entries(const char* section) const {
        std::set<std::string> out;
        INFCONTEXT line{};
        for (BOOL more = SetupFindFirstLineA(m_hInf, section, nullptr, &line); more;
             more = SetupFindNextLine(&line, &line)) {
            char text[512] = {};
            if (SetupGetStringFieldA(&line, 0, text, sizeof text, nullptr) && text[0])
                out.insert(text);
            else if (SetupGetStringFieldA(&line, 1, text, sizeof text, nullptr))
                out.insert(text);
        }
        return out;
    }

private:
    HINF m_hInf;
};

// The class of the first coclass in the module's embedded type library.
bool CoclassOf(const std::string& module, GUID& guid) {
    CComPtrT<ITypeLib> lib;
    const std::wstring path(module.begin(), module.end());
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Receive()))) return false;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        TYPEKIND kind{};
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        CComPtrT<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(lib->GetTypeInfo(i, info.Receive())) || FAILED(info->GetTypeAttr(&attr))) return false;
        guid = attr->guid;
        info->ReleaseTypeAttr(attr);
        return true;
    }
    return false;
}

// "1,3,101,20" from the module's fixed file version.
std::string FileVersionOf(const std::string& module) {
    DWORD dwHandle = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(module.c_str(), &dwHandle));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT nSize = 0;
    if (data.empty() || !GetFileVersionInfoA(module.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &nSize) || !fixed)
        return "<none>";
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "," + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "," +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "," + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

TEST(DistInf, NamesTheControlsClassVersionAndFiles) {
    CTestApartment apartment;
    const std::string ocx = DistFile("tessaline.ocx");
    ASSERT_FALSE(ocx.empty()) << "TESSALINE_DIST is not set";
    CInf inf(DistFile("tessaline.inf"));
    ASSERT_TRUE(inf.Ok()) << "the INF does not parse: " << GetLastError();

    GUID shipped{};
    ASSERT_TRUE(CoclassOf(ocx, shipped));
    EXPECT_EQ(inf.Value("tessaline.ocx", "clsid"), GuidToRegistryString(shipped));
    EXPECT_EQ(inf.Value("tessaline.ocx", "clsid"), GuidToRegistryString(CLSID_TessalineCtrl));
    EXPECT_EQ(inf.Value("tessaline.ocx", "FileVersion"), FileVersionOf(ocx));
    EXPECT_EQ(FileVersionOf(ocx), "1,3,101,20");
    EXPECT_EQ(inf.Value("tessaline.ocx", "RegisterServer"), "yes");
    EXPECT_EQ(inf.Value("tessaline.ocx", "file-win32-x86"), "thiscab");
    EXPECT_EQ(inf.Value("Upload.gif", "file-win32-x86"), "thiscab");

    const std::set<std::string> files{"tessaline.ocx", "Upload.gif"};
    EXPECT_EQ(inf.Entries("Add.Code"), files);
    EXPECT_EQ(inf.Entries("Tessaline.Files"), files);
    EXPECT_EQ(inf.Entries("SourceDisksFiles"), files);
    EXPECT_EQ(inf.Value("DefaultInstall", "CopyFiles"), "Tessaline.Files");
    EXPECT_EQ(inf.Value("DefaultInstall", "RegisterDlls"), "Tessaline.Register");
}

TEST(DistInf, TheExamplePageAsksForTheShippedControl) {
    std::ifstream in(TESSALINE_SOURCE_DIR "/examples/upload.html");
    ASSERT_TRUE(in);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string clsid = GuidToRegistryString(CLSID_TessalineCtrl);
    clsid = clsid.substr(1, clsid.size() - 2);
    EXPECT_NE(page.find("classid=\"clsid:" + clsid + "\""), std::string::npos);
    EXPECT_NE(page.find("codebase=\"/tessaline.cab#Version=" + FileVersionOf(DistFile("tessaline.ocx")) + "\""),
              std::string::npos);
}

}  // namespace
