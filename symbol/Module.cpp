#include "symbol/Module.h"

#include <stdexcept>
#include <string>

#include "symbol/StandardTables.h"

namespace vornak {

TModule::TModule(int32_t version) {
  if (!IsValidVersion(version))
    throw std::invalid_argument("QR Code version out of range 1..40: " + std::to_string(version));
  FWidth = SymbolSide(version);
  FHeight = FWidth;
  FCells.assign(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight) * kLayers, 0);
}

TModule::TModule(int32_t width, int32_t height) : FWidth(width), FHeight(height) {
  if (width < 1 || height < 1 || width > 1000 || height > 1000)
    throw std::invalid_argument("module matrix size out of range: " + std::to_string(width) +
                                " x " + std::to_string(height));
  FCells.assign(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight) * kLayers, 0);
}

}  // namespace vornak
