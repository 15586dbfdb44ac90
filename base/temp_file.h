// The temporary folder of this control's files, and CTempFile: owner of one temporary file,
// deleted when the owner goes.
#pragma once
#include <string>

// The system's temporary folder with its trailing backslash; when it cannot be had (or its
// path is too long for the 260-character buffer), "c:\temp\" if that exists or can be made,
// else "c:\".
std::string GetTempFolder();

class CTempFile {
public:
    // The three letters of this prefix that GetTempFileNameA uses start every name.
    static constexpr char kPrefix[] = "DORivav";

    CTempFile() = default;
    ~CTempFile() { Delete(); }
    CTempFile(CTempFile&& other) noexcept : m_strPath(std::move(other.m_strPath)) { other.m_strPath.clear(); }
    CTempFile& operator=(CTempFile&& other) noexcept;
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // A new, empty file in GetTempFolder() with a name the system chose; an empty owner
    // when that fails.
    static CTempFile Create();

    explicit operator bool() const { return !m_strPath.empty(); }
    const std::string& GetPath() const { return m_strPath; }

    // Deletes the file now (if it still exists and is a file) and owns nothing after.
    void Delete();
    // Stops owning the file without deleting it; returns its path.
    [[nodiscard]] std::string Release();

private:
    explicit CTempFile(std::string strPath) : m_strPath(std::move(strPath)) {}
    std::string m_strPath;
};
