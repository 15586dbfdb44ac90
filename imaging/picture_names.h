// CPictureNames: the pictures of one folder listing by file name, in listing order, packed
// back to back in one buffer: a folder of tens of thousands of pictures costs their names'
// bytes and an offset each, not a string object and a heap block each. Filled once by the
// panel's listing, then shared read-only with the thumbnail producer, which may outlive the
// panel's list when it is cut loose.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CPictureNames {
public:
    // A path is strFolder followed by a name: strFolder ends with its separator (or is empty,
    // and the names are whole paths).
    explicit CPictureNames(std::string strFolder) : m_strFolder(std::move(strFolder)) {}

    void Add(std::string_view name);
    // After the last Add: lets go of the room the buffers grew into and did not fill.
    void Shrink();

    std::size_t GetCount() const { return m_arrEnds.size(); }
    const std::string& GetFolder() const { return m_strFolder; }
    std::string_view GetName(std::size_t nIndex) const;
    std::string GetPath(std::size_t nIndex) const;

private:
    std::string m_strFolder;
    std::string m_strNames;                // every name, back to back
    std::vector<std::uint32_t> m_arrEnds;  // where each name ends in m_strNames
};
