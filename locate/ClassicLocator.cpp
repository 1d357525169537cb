#include "locate/ClassicLocator.h"

#include <exception>

#include "locate/Coordinates.h"
#include "locate/ImageReader.h"

namespace vornak {

TClassicLocator::TClassicLocator() : FReader(std::make_unique<TImageReader>()) {}

TClassicLocator::~TClassicLocator() = default;

bool TClassicLocator::Locate(const TPlaneBoolean& plane, const TPlaneGrey* /*grey*/,
                             const TDecodeSettings& settings, const TLocationSink& sink) {
  FReader->SetWarp(settings.Warp);
  FReader->SetForceVersion(settings.ForceVersion > 0 ? settings.ForceVersion : 0);
  try {
    if (FReader->Read(plane, plane.Width(), plane.Height()) != 0) return false;
  } catch (const std::exception&) {
    // A corner geometry that breaks down is no candidate.
    return false;
  }
  const TCoordinates& where = FReader->Coordinates();
  TLocation location;
  location.Matrix = &FReader->Matrix();
  location.Size = FReader->Size();
  location.Version = where.Version();
  for (int32_t i = 0; i < 3; ++i) location.Finders[static_cast<size_t>(i)] = where.Finder(i);
  for (int32_t i = 0; i < 4; ++i) location.Corners[static_cast<size_t>(i)] = where.Corner(i);
  return sink(location);
}

}  // namespace vornak
