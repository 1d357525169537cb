#pragma once

#include <string>
#include <vector>

#include "tests/support/Renderer.h"

namespace vornak::test {

// One way a test draws a symbol: its name and the renderer's options.
struct TRenderedView {
  std::string Name;
  TRenderOptions Options;
};

// The flat views the one-finder symbol tests draw: upright at 5 px a
// module, turned six ways, mirrored, small (smallModule px a module,
// turned 8 degrees) and blurred with noise.
std::vector<TRenderedView> FlatViews(double smallModule);

// Turned by degrees at module px a module and blurred so far (sigma 0.45
// module, noise 10) that a one-module light ring reads dark in a two-level
// plane.
TRenderOptions HeavilyBlurred(double degrees, double module);

}  // namespace vornak::test
