// CTempFile: owner of one temporary file of this control, deleted when the owner goes.
#pragma once
#include <string>

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

    // A new, empty file in the system's temporary folder with a name the system chose;
    // an empty owner when either step fails.
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
