#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/PhotoFinish.h"
#include "tests/support/Renderer.h"

namespace vornak::test {

// The fixed groups of rendered hard photographs: labels bent round
// cylinders, wrinkled, creased, symbols photographed off screens, flat
// labels under a glare spot, flat labels turned about 35 to 65 degrees
// away from the camera, and the scenes of the first four without a symbol.
// Every picture's parameters are drawn from a seed made of its group and
// index, so picture 17 of a group is always the same picture.
enum class THardGroup { Cylinder, Wrinkles, Crease, Screen, NoSymbol, Glare, Steep };

struct THardPhoto {
  std::string Name;      // "cylinder-017"
  std::string Notes;     // the parameters drawn, for a reader
  std::string Expected;  // the symbol's text; empty when there is no symbol
  TPhoto Photo;
  // The symbol's modules as encoded (the decoy's for a picture without a
  // symbol), and where module-space point (mx, my) shows in the picture:
  // the truth a probe compares a sampled grid with.
  TPlaneBoolean Matrix;
  std::function<TPointF(double, double)> ModuleToPixel;
};

std::vector<THardGroup> HardGroups();
const char* HardGroupName(THardGroup group);
int32_t HardGroupSize(THardGroup group);
THardPhoto HardPhoto(THardGroup group, int32_t index);

}  // namespace vornak::test
