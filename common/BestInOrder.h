#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vornak {

// The indices 0..count-1 of the best most records, in the order a stable
// sort would give them: better(x, y) says record x ranks before record y,
// and records that tie keep the order of their indices. Many records are
// ranked so without moving them.
template <typename Better>
std::vector<size_t> BestInOrder(size_t count, size_t most, Better better) {
  std::vector<size_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = i;
  const size_t kept = std::min(count, most);
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept), order.end(),
                    [&better](size_t x, size_t y) {
                      if (better(x, y)) return true;
                      if (better(y, x)) return false;
                      return x < y;
                    });
  order.resize(kept);
  return order;
}

}  // namespace vornak
