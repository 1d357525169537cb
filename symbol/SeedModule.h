#pragma once

#include <cstdint>
#include <vector>

namespace vornak {

// The alignment-pattern centre coordinates of one version (the same list
// serves as column and as row coordinates).
class TSeedModule {
 public:
  // Throws std::invalid_argument for a version outside 1..40.
  explicit TSeedModule(int32_t version);

  int32_t Version() const { return FVersion; }
  int32_t Count() const { return FCount; }
  // Coordinate number index (0 .. Count() - 1); throws std::out_of_range
  // outside that range.
  int32_t Coordinate(int32_t index) const;
  // All of them, ascending.
  std::vector<int32_t> Coordinates() const;

 private:
  int32_t FVersion = 0;
  int32_t FCount = 0;
};

}  // namespace vornak
