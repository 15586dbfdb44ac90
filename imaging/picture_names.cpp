#include "imaging/picture_names.h"

void CPictureNames::Add(std::string_view name) {
    m_strNames.append(name);
    m_arrEnds.push_back(static_cast<std::uint32_t>(m_strNames.size()));
}

void CPictureNames::Shrink() {
    m_strNames.shrink_to_fit();
    m_arrEnds.shrink_to_fit();
}

std::string_view CPictureNames::GetName(std::size_t nIndex) const {
    const std::size_t nBegin = nIndex == 0 ? 0 : m_arrEnds[nIndex - 1];
    return std::string_view(m_strNames).substr(nBegin, m_arrEnds[nIndex] - nBegin);
}

std::string CPictureNames::GetPath(std::size_t nIndex) const {
    const std::string_view name = GetName(nIndex);
    std::string strPath;
    strPath.reserve(m_strFolder.size() + name.size());
    return strPath.append(m_strFolder).append(name);
}
