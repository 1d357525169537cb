#include "tests/support/RenderedViews.h"

namespace vornak::test {

std::vector<TRenderedView> FlatViews(double smallModule) {
  std::vector<TRenderedView> views;
  auto add = [&views](const std::string& name, TRenderOptions o) { views.push_back({name, o}); };
  TRenderOptions o;
  o.ModuleSize = 5;
  add("upright", o);
  for (double degrees : {17.0, 90.0, 145.0, 180.0, 250.0, 303.0}) {
    o.RotationDegrees = degrees;
    add("turned " + std::to_string(static_cast<int>(degrees)), o);
  }
  o.RotationDegrees = 30;
  o.Mirror = true;
  add("mirrored", o);
  o.Mirror = false;
  o.RotationDegrees = 8;
  o.ModuleSize = smallModule;
  add("small", o);
  o.ModuleSize = 6;
  o.BlurSigma = 1.2;
  o.NoiseSigma = 12;
  add("blurred", o);
  return views;
}

TRenderOptions HeavilyBlurred(double degrees, double module) {
  TRenderOptions o;
  o.ModuleSize = module;
  o.RotationDegrees = degrees;
  o.BlurSigma = 0.45 * module;
  o.NoiseSigma = 10;
  return o;
}

}  // namespace vornak::test
