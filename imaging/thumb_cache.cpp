#include "imaging/thumb_cache.h"

#include "imaging/thumbnail_producer.h"

#include <algorithm>

void CThumbCache::SetCapacity(std::size_t nCapacity) { m_nCapacity = std::max(nCapacity, kMinCapacity); }

void CThumbCache::Adopt(CThumbnailProducer& producer, const std::function<void(std::size_t)>& onAdopted) {
    producer.TakeResults([&](std::size_t nIndex, CThumbResult& result) {
        m_mapThumbs[nIndex] = std::move(result);
        onAdopted(nIndex);
    });
    TrimToCapacity(producer);
}

void CThumbCache::TrimToCapacity(CThumbnailProducer& producer) {
    while (m_mapThumbs.size() > m_nCapacity) {
        auto farthest = m_mapThumbs.begin();
        std::size_t nFarthest = producer.DistanceFromScreen(farthest->first);
        for (auto it = std::next(m_mapThumbs.begin()); it != m_mapThumbs.end(); ++it) {
            const std::size_t nDistance = producer.DistanceFromScreen(it->first);
            if (nDistance > nFarthest) {
                farthest = it;
                nFarthest = nDistance;
            }
        }
        producer.Forget(farthest->first);
        m_mapThumbs.erase(farthest);
    }
}

const CThumbResult* CThumbCache::Find(std::size_t nIndex) const {
    const auto it = m_mapThumbs.find(nIndex);
    return it == m_mapThumbs.end() ? nullptr : &it->second;
}

std::size_t CThumbCache::GetThumbnailCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_mapThumbs.begin(), m_mapThumbs.end(), [](const auto& entry) { return entry.second.pThumb; }));
}
