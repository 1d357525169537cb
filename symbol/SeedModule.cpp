#include "symbol/SeedModule.h"

#include <stdexcept>
#include <string>

#include "symbol/StandardTables.h"

namespace vornak {

TSeedModule::TSeedModule(int32_t version) : FVersion(version) {
  if (!IsValidVersion(version))
    throw std::invalid_argument("QR Code version out of range 1..40: " + std::to_string(version));
  FCount = AlignmentCount[static_cast<size_t>(version - 1)];
}

int32_t TSeedModule::Coordinate(int32_t index) const {
  if (index < 0 || index >= FCount)
    throw std::out_of_range("alignment coordinate index out of range: " + std::to_string(index));
  return AlignmentCentres[static_cast<size_t>(FVersion - 1)][static_cast<size_t>(index)];
}

std::vector<int32_t> TSeedModule::Coordinates() const {
  const auto& row = AlignmentCentres[static_cast<size_t>(FVersion - 1)];
  return std::vector<int32_t>(row.begin(), row.begin() + FCount);
}

}  // namespace vornak
