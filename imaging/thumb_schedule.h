// CThumbSchedule: which picture of a list the thumbnail producer makes next. The grid says
// which items are on screen; those come first, then the ones around them, nearest first,
// alternating below and above. Each item is handed out once until it is forgotten (its
// thumbnail dropped), when it may be made again.
#pragma once
#include <cstddef>
#include <optional>
#include <vector>

class CThumbSchedule {
public:
    explicit CThumbSchedule(std::size_t nCount);

    std::size_t GetCount() const { return m_arrMade.size(); }

    // Items [nFirst, nEnd) are on screen; nAround items on either side are made after them.
    // The range is cut to the list.
    void Want(std::size_t nFirst, std::size_t nEnd, std::size_t nAround);
    // The next item to make, now marked as made; none when every wanted item is.
    std::optional<std::size_t> Next();
    // The item's thumbnail is gone: hand it out again when it is wanted.
    void Forget(std::size_t nIndex);

    // Whether the item lies on screen or around it.
    bool IsWanted(std::size_t nIndex) const { return nIndex >= WantFirst() && nIndex < WantEnd(); }
    // How many items lie between this one and the screen: 0 on screen.
    std::size_t DistanceFromScreen(std::size_t nIndex) const;

private:
    std::size_t WantFirst() const { return m_nFirst > m_nAround ? m_nFirst - m_nAround : 0; }
    std::size_t WantEnd() const;
    bool TakeIfFree(std::size_t nIndex);

    std::vector<bool> m_arrMade;  // a bit an item: handed out and not forgotten since
    std::size_t m_nFirst = 0;
    std::size_t m_nEnd = 0;
    std::size_t m_nAround = 0;
};
