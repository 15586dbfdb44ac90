// CThumbCache: the thumbnails a grid holds at one time. Each is a bitmap, a GDI object of
// the process, so only those on and around the screen are kept: past the capacity the one
// farthest from the screen goes, and the producer is told, to make it again when wanted.
#pragma once
#include <cstddef>
#include <functional>
#include <unordered_map>

#include "imaging/thumbnail.h"

class CThumbnailProducer;

class CThumbCache {
public:
    // Never fewer than this: a large screen's worth with a screen above and below it.
    static constexpr std::size_t kMinCapacity = 200;

    // At least kMinCapacity.
    void SetCapacity(std::size_t nCapacity);
    std::size_t GetCapacity() const { return m_nCapacity; }

    // Takes the thumbnails the producer finished since the last call (a picture that gave
    // none is kept too, as a known failure), telling onAdopted each one's index.
    void Adopt(CThumbnailProducer& producer, const std::function<void(std::size_t)>& onAdopted);
    // The item's entry, or null when it has not been made or was let go.
    const CThumbResult* Find(std::size_t nIndex) const;
    // Lets every thumbnail go, for a new list.
    void Clear() { m_mapThumbs.clear(); }

    // Thumbnails held now, each one bitmap.
    std::size_t GetThumbnailCount() const;

private:
    void TrimToCapacity(CThumbnailProducer& producer);

    std::unordered_map<std::size_t, CThumbResult> m_mapThumbs;
    std::size_t m_nCapacity = kMinCapacity;
};
