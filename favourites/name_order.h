#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace driftway::favourites {

// The order in which the desktop's file manager shows `names`, as indexes
// into it. `before` may hold the names of the same folder in the order an
// earlier call gave them: names found there keep that order, and only the
// names new since then are compared, so a refresh of a large folder that
// hardly changed costs little more than reading it.
std::vector<std::uint32_t> name_order(std::span<const std::string_view> names,
                                      std::span<const std::string_view> before = {});

} // namespace driftway::favourites
