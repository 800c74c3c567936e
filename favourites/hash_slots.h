#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace driftway::favourites {

// An index from hashes to 1-based positions in a list of keys kept elsewhere:
// open addressing, sized a power of two and at most half full. Each slot keeps
// part of its key's hash beside the position, so that a probe reads a key only
// when it very likely is the one asked for.
class HashSlots {
public:
    // Empties the index and sizes it for `count` positions.
    void reset(std::size_t count)
    {
        m_slots.assign(std::bit_ceil(std::max<std::size_t>(32, 2 * count)), Slot{});
    }
    // Empties the index and keeps its size.
    void clear() { std::fill(m_slots.begin(), m_slots.end(), Slot{}); }
    // Whether `count` positions would fill it past half.
    bool too_small_for(std::size_t count) const { return m_slots.size() < 2 * count; }

    // The caller keeps it at most half full (too_small_for, reset).
    void insert(std::uint32_t position, std::size_t hash)
    {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (m_slots[i].position != 0)
            i = (i + 1) & mask;
        m_slots[i] = {position, tag(hash)};
    }

    // The position with this hash whose key `is_key` accepts; 0 for none.
    template <class IsKey> std::uint32_t find(std::size_t hash, IsKey&& is_key) const
    {
        if (m_slots.empty())
            return 0;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask; m_slots[i].position != 0; i = (i + 1) & mask) {
            if (m_slots[i].tag == tag(hash) && is_key(m_slots[i].position))
                return m_slots[i].position;
        }
        return 0;
    }

    std::size_t memory_bytes() const { return m_slots.capacity() * sizeof(Slot); }

private:
    struct Slot {
        std::uint32_t position = 0; // 0: free
        std::uint32_t tag = 0;
    };
    static std::uint32_t tag(std::size_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

    std::vector<Slot> m_slots;
};

} // namespace driftway::favourites
