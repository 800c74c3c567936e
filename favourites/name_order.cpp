#include "favourites/name_order.h"

#include "favourites/display_text.h"
#include "favourites/hash_slots.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <glib.h>

namespace driftway::favourites {

namespace {

// The collation wants valid UTF-8: the shown form is. Names that differ only
// in stray bytes keep an order by their raw bytes.
void append_key(std::string& keys, std::string_view name)
{
    gchar* key =
        shows_as_is(name)
            ? g_utf8_collate_key_for_filename(name.data(), static_cast<gssize>(name.size()))
            : [&] {
                  const std::string shown = display_name(name);
                  return g_utf8_collate_key_for_filename(shown.data(), static_cast<gssize>(shown.size()));
              }();
    keys.append(key);
    g_free(key);
}

// Collation keys of chosen names, held in one buffer so that comparing them
// reads memory in a few runs rather than chasing one allocation per key.
class Keys {
public:
    explicit Keys(std::span<const std::string_view> names) : m_names(names) {}

    struct Keyed {
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t name;
    };

    Keyed make(std::uint32_t name)
    {
        const std::size_t offset = m_buffer.size();
        append_key(m_buffer, m_names[name]);
        return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(m_buffer.size() - offset),
                name};
    }

    bool less(const Keyed& a, const Keyed& b) const
    {
        const std::string_view ka(m_buffer.data() + a.offset, a.length);
        const std::string_view kb(m_buffer.data() + b.offset, b.length);
        if (const int c = ka.compare(kb); c != 0)
            return c < 0;
        return m_names[a.name] < m_names[b.name];
    }

    void sort(std::vector<Keyed>& keyed) const
    {
        std::sort(keyed.begin(), keyed.end(), [this](const Keyed& a, const Keyed& b) { return less(a, b); });
    }

private:
    std::span<const std::string_view> m_names;
    std::string m_buffer;
};

std::vector<std::uint32_t> full_order(std::span<const std::string_view> names)
{
    Keys keys(names);
    std::vector<Keys::Keyed> keyed;
    keyed.reserve(names.size());
    for (std::uint32_t i = 0; i < names.size(); ++i)
        keyed.push_back(keys.make(i));
    keys.sort(keyed);
    std::vector<std::uint32_t> order;
    order.reserve(names.size());
    for (const Keys::Keyed& k : keyed)
        order.push_back(k.name);
    return order;
}

// Where each earlier name stood, found by hashing.
class EarlierPlaces {
public:
    explicit EarlierPlaces(std::span<const std::string_view> before) : m_before(before)
    {
        m_slots.reset(before.size());
        for (std::uint32_t i = 0; i < before.size(); ++i)
            m_slots.insert(i + 1, hash(before[i]));
    }

    // The earlier place of `name`, or -1 when it is new.
    std::int64_t find(std::string_view name) const
    {
        const std::uint32_t position =
            m_slots.find(hash(name), [&](std::uint32_t p) { return m_before[p - 1] == name; });
        return static_cast<std::int64_t>(position) - 1;
    }

private:
    static std::size_t hash(std::string_view s) { return std::hash<std::string_view>{}(s); }

    std::span<const std::string_view> m_before;
    HashSlots m_slots;
};

} // namespace

std::vector<std::uint32_t> name_order(std::span<const std::string_view> names,
                                      std::span<const std::string_view> before)
{
    if (before.empty() || names.size() < 2)
        return full_order(names);

    // Names still there keep their earlier order; it was made by the same
    // comparison, so any subsequence of it is in order.
    const EarlierPlaces places(before);
    std::vector<std::uint32_t> at_place(before.size(), UINT32_MAX);
    std::vector<std::uint32_t> fresh;
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        const std::int64_t place = places.find(names[i]);
        if (place < 0)
            fresh.push_back(i);
        else
            at_place[static_cast<std::size_t>(place)] = i;
    }
    // Each new name costs about log2(n) keys to place; past a point,
    // keying everything is cheaper.
    if (fresh.size() * (std::bit_width(names.size()) + 1) >= names.size())
        return full_order(names);

    std::vector<std::uint32_t> kept;
    kept.reserve(names.size() - fresh.size());
    for (const std::uint32_t i : at_place) {
        if (i != UINT32_MAX)
            kept.push_back(i);
    }

    Keys keys(names);
    std::vector<Keys::Keyed> fresh_keyed;
    fresh_keyed.reserve(fresh.size());
    for (const std::uint32_t i : fresh)
        fresh_keyed.push_back(keys.make(i));
    keys.sort(fresh_keyed);

    // Merge: each new name goes before the first kept name that sorts after
    // it, found by bisection over the kept names not yet passed.
    std::vector<std::uint32_t> order;
    order.reserve(names.size());
    std::size_t next = 0;
    for (const Keys::Keyed& f : fresh_keyed) {
        std::size_t low = next, high = kept.size();
        while (low < high) {
            const std::size_t mid = low + (high - low) / 2;
            if (keys.less(keys.make(kept[mid]), f))
                low = mid + 1;
            else
                high = mid;
        }
        order.insert(order.end(), kept.begin() + static_cast<std::ptrdiff_t>(next),
                     kept.begin() + static_cast<std::ptrdiff_t>(low));
        order.push_back(f.name);
        next = low;
    }
    order.insert(order.end(), kept.begin() + static_cast<std::ptrdiff_t>(next), kept.end());
    return order;
}

} // namespace driftway::favourites
