#include "locate/Lines.h"

#include <stdexcept>
#include <utility>

namespace vornak {

namespace {

// +1 when a sorts after b (smaller group), -1 when before, 0 when equal.
int32_t CompareGroupSize(int32_t a, int32_t b) {
  if (a < b) return 1;
  if (a > b) return -1;
  return 0;
}

}  // namespace

void TLines::Clear() { FList.clear(); }

int32_t TLines::Add(const TLine& line) {
  FList.push_back(line);
  return static_cast<int32_t>(FList.size()) - 1;
}

void TLines::Get(int32_t index, TLine& line) const { line = Get(index); }

TLine TLines::Get(int32_t index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("TLines index out of range");
  return FList[static_cast<size_t>(index)];
}

void TLines::Put(int32_t index, const TLine& line) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TLines index out of range");
  FList[static_cast<size_t>(index)] = line;
}

void TLines::Sort() {
  if (FList.empty()) return;
  // The partition-exchange sort keeps its recursion on the left part and loops
  // on the right one. The two parts are disjoint, so sorting them from an
  // explicit stack (left first) leaves exactly the same order while keeping
  // the call depth bounded on adversarial input.
  std::vector<std::pair<int32_t, int32_t>> pending;
  pending.emplace_back(0, Count() - 1);
  while (!pending.empty()) {
    auto [l, r] = pending.back();
    pending.pop_back();
    // One iteration of the outer loop handles [l, r]; its left part is sorted
    // before the right remainder, matching the recursive order.
    int32_t i = l;
    int32_t j = r;
    const int32_t pivot = FList[static_cast<size_t>((l + r) / 2)].GroupSize;
    do {
      while (CompareGroupSize(FList[static_cast<size_t>(i)].GroupSize, pivot) < 0) ++i;
      while (CompareGroupSize(FList[static_cast<size_t>(j)].GroupSize, pivot) > 0) --j;
      if (i <= j) {
        std::swap(FList[static_cast<size_t>(i)], FList[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (i < r) pending.emplace_back(i, r);
    if (l < j) pending.emplace_back(l, j);
  }
}

}  // namespace vornak
