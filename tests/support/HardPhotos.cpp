#include "tests/support/HardPhotos.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>

#include "tests/support/BentLabel.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/ScreenPhoto.h"

namespace vornak::test {

namespace {

constexpr int32_t kGroupSize = 96;

// Parameters drawn from one picture's seed.
class TDraw {
 public:
  explicit TDraw(uint32_t seed) : FRandom(seed) {}
  double Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(FRandom);
  }
  int32_t Integer(int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(FRandom);
  }
  bool Chance(double p) { return Uniform(0, 1) < p; }
  double Signed(double low, double high) {
    const double v = Uniform(low, high);
    return Chance(0.5) ? v : -v;
  }
  uint32_t Seed() { return static_cast<uint32_t>(FRandom()); }
  std::mt19937& Random() { return FRandom; }

 private:
  std::mt19937 FRandom;
};

struct TSymbolChoice {
  ReferenceSymbol Symbol;
  std::string Text;
  std::string Notes;
};

// Versions 2 to 5 mostly, sometimes up to 10; level M mostly; a text of
// half to all of what the symbol holds.
TSymbolChoice DrawSymbol(TDraw& draw) {
  static const int32_t kVersions[] = {2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 7, 8, 10};
  static const int32_t kLevels[] = {1, 1, 1, 1, 1, 0, 0, 2, 2, 3};
  static const char kLevelNames[] = "LMQH";
  const int32_t version =
      kVersions[draw.Integer(0, static_cast<int32_t>(std::size(kVersions)) - 1)];
  const int32_t level = kLevels[draw.Integer(0, static_cast<int32_t>(std::size(kLevels)) - 1)];
  const int32_t mask = draw.Integer(0, 7);
  const int32_t kind = draw.Integer(0, 2);
  const char* alphabet = kind == 0   ? "abcdefghijklmnopqrstuvwxyz0123456789-./"
                         : kind == 1 ? "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 $%*+-./:"
                                     : "0123456789";
  std::string prefix = kind == 0 ? "https://vornak.test/" : (kind == 1 ? "VORNAK " : "");
  const size_t letters = std::char_traits<char>::length(alphabet);
  std::string tail;
  for (int32_t i = 0; i < 300; ++i)
    tail += alphabet[draw.Integer(0, static_cast<int32_t>(letters) - 1)];
  auto fits = [&](size_t length) {
    try {
      Make((prefix + tail).substr(0, length), version, level, mask);
      return true;
    } catch (const std::invalid_argument&) {
      return false;
    }
  };
  // Small symbols at high levels hold less than the prefix.
  if (!fits(prefix.size() + 4)) prefix.clear();
  // The longest text that fits (one mode throughout, so fitting is
  // monotonic in the length), then a share of it.
  size_t low = prefix.size() + 1, high = prefix.size() + tail.size();
  if (fits(high)) low = high;
  while (high - low > 1) {
    const size_t middle = (low + high) / 2;
    (fits(middle) ? low : high) = middle;
  }
  const double share = draw.Uniform(0.5, 1.0);
  const size_t length = std::max(prefix.size() + 1, static_cast<size_t>(std::lround(low * share)));
  const std::string text = (prefix + tail).substr(0, length);
  TSymbolChoice choice{Make(text, version, level, mask), text, ""};
  char notes[16];
  std::snprintf(notes, sizeof notes, "v%d-%c", version, kLevelNames[level]);
  choice.Notes = notes;
  return choice;
}

// The same side, no symbol: either random modules all over, or the finders,
// separators and timing lines of a symbol with random modules elsewhere, so
// that a reader finds a symbol and has to refuse what it reads.
TPlaneBoolean Decoy(const TPlaneBoolean& symbol, bool keepFinders, TDraw& draw) {
  const int32_t n = symbol.Width();
  TPlaneBoolean decoy(n, n, 0);
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      const bool finder = (x < 8 && y < 8) || (x >= n - 8 && y < 8) || (x < 8 && y >= n - 8);
      const bool timing = x == 6 || y == 6;
      decoy(x, y) =
          keepFinders && (finder || timing) ? symbol(x, y) : static_cast<uint8_t>(draw.Chance(0.5));
    }
  return decoy;
}

std::string Format(const char* format, double a, double b = 0, double c = 0, double d = 0) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, format, a, b, c, d);
  return buffer;
}

uint32_t Grey(double level, double warmth = 0) {
  auto clamp = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
  return TBitmap::Rgb(clamp(level + warmth), clamp(level), clamp(level - warmth));
}

uint32_t Colour(TDraw& draw, double low, double high) {
  return TBitmap::Rgb(static_cast<uint32_t>(draw.Uniform(low, high)),
                      static_cast<uint32_t>(draw.Uniform(low, high)),
                      static_cast<uint32_t>(draw.Uniform(low, high)));
}

// The camera's finish: 240 x 240, blurred, mild noise, uneven light, JPEG
// 60-90.
TFinishOptions DrawFinish(TDraw& draw, double blurLow, double blurHigh, double lighting,
                          std::string& notes) {
  TFinishOptions f;
  f.BlurSigma = draw.Uniform(blurLow, blurHigh);
  f.NoiseSigma = draw.Uniform(1.5, 5.0);
  f.Lighting = draw.Uniform(0.0, lighting);
  f.LightingAngleDegrees = draw.Uniform(0, 360);
  f.JpegQuality = draw.Integer(60, 90);
  f.Seed = draw.Seed();
  notes += Format(" blur %.2f q%.0f", f.BlurSigma, f.JpegQuality);
  return f;
}

// Paper, ink, light and the camera's distance, common to the bent labels.
TBentLabelOptions DrawLabel(TDraw& draw, std::string& notes) {
  TBentLabelOptions o;
  o.ModulePixels = draw.Uniform(4.0, 8.0);
  o.Supersample = 2;
  o.Margin = draw.Uniform(2.0, 5.0);
  o.Ink = Grey(draw.Uniform(20, 60), draw.Uniform(-6, 6));
  o.Paper = Grey(draw.Uniform(200, 245), draw.Uniform(-3, 10));
  o.Surface = Colour(draw, 40, 200);
  o.Background = Colour(draw, 30, 170);
  o.Texture = draw.Uniform(0.05, 0.25);
  TWarpOptions& w = o.Warp;
  w.QuietZone = draw.Chance(0.8) ? 4 : 2;
  w.Distance = draw.Chance(0.5) ? 0.0 : draw.Uniform(3.0, 8.0);
  w.LightAzimuthDegrees = draw.Uniform(0, 360);
  w.LightElevationDegrees = draw.Uniform(30, 75);
  w.Ambient = draw.Uniform(0.35, 0.8);
  if (draw.Chance(0.4)) {
    w.Gloss = draw.Uniform(0.05, 0.35);
    w.Shininess = draw.Uniform(8, 40);
  }
  notes += Format(" px %.1f", o.ModulePixels);
  if (w.Distance > 0) notes += Format(" dist %.1f", w.Distance);
  if (w.Gloss > 0) notes += Format(" gloss %.2f", w.Gloss);
  return o;
}

TBentLabelOptions DrawCylinder(TDraw& draw, int32_t index, std::string& notes) {
  static const double kSpans[] = {60, 90, 120};
  TBentLabelOptions o = DrawLabel(draw, notes);
  TWarpOptions& w = o.Warp;
  w.Surface = TSurface::Cylinder;
  w.SpanDegrees = kSpans[index % 3] + draw.Uniform(-5, 5);
  w.YawDegrees = draw.Uniform(-8, 8);
  // Half of them with the axis upright in the picture, half tilted.
  const bool tilted = (index / 3) % 2 == 1;
  w.PitchDegrees = tilted ? draw.Signed(8, 25) : 0.0;
  w.RollDegrees = tilted ? draw.Signed(5, 20) : draw.Uniform(-3, 3);
  notes += Format(" span %.0f yaw %.0f pitch %.0f roll %.0f", w.SpanDegrees, w.YawDegrees,
                  w.PitchDegrees, w.RollDegrees);
  return o;
}

TBentLabelOptions DrawWrinkles(TDraw& draw, int32_t side, std::string& notes) {
  static const double kWavelengths[] = {0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0};
  TBentLabelOptions o = DrawLabel(draw, notes);
  TWarpOptions& w = o.Warp;
  const int32_t count = draw.Chance(0.35) ? 2 : 1;
  for (int32_t i = 0; i < count; ++i) {
    TWrinkle wrinkle;
    wrinkle.Wavelength = kWavelengths[draw.Integer(0, 7)] * draw.Uniform(0.9, 1.1);
    // Up to about a module, and never so steep that the label folds over.
    const double steepest = 0.75 / count * wrinkle.Wavelength * side / (2 * std::numbers::pi);
    wrinkle.Amplitude = std::min(draw.Uniform(0.2, 1.1), steepest);
    wrinkle.AngleDegrees = draw.Uniform(0, 180);
    const int32_t shift = draw.Integer(0, 2);
    wrinkle.ShiftDegrees = wrinkle.AngleDegrees + (shift == 0 ? 90 : shift == 1 ? 0 : 45);
    wrinkle.Phase = draw.Uniform(0, 2 * std::numbers::pi);
    wrinkle.Shading = draw.Uniform(0.02, 0.12);
    w.Wrinkles.push_back(wrinkle);
    notes += Format(" wave %.2f amp %.2f angle %.0f shift %.0f", wrinkle.Wavelength,
                    wrinkle.Amplitude, wrinkle.AngleDegrees, wrinkle.ShiftDegrees);
  }
  w.YawDegrees = draw.Uniform(-15, 15);
  w.PitchDegrees = draw.Uniform(-15, 15);
  w.RollDegrees = draw.Uniform(-30, 30);
  notes += Format(" yaw %.0f pitch %.0f roll %.0f", w.YawDegrees, w.PitchDegrees, w.RollDegrees);
  return o;
}

TBentLabelOptions DrawCrease(TDraw& draw, int32_t side, std::string& notes) {
  TBentLabelOptions o = DrawLabel(draw, notes);
  TWarpOptions& w = o.Warp;
  w.Surface = TSurface::Crease;
  w.CreaseDegrees = draw.Uniform(0, 180);
  w.CreaseOffset = draw.Uniform(-0.3, 0.3) * side;
  w.FoldDegrees = draw.Signed(8, 30);
  w.YawDegrees = draw.Uniform(-20, 20);
  w.PitchDegrees = draw.Uniform(-20, 20);
  w.RollDegrees = draw.Uniform(-30, 30);
  notes += Format(" crease %.0f at %.1f fold %.0f", w.CreaseDegrees, w.CreaseOffset, w.FoldDegrees);
  notes += Format(" yaw %.0f pitch %.0f roll %.0f", w.YawDegrees, w.PitchDegrees, w.RollDegrees);
  return o;
}

// A flat label, a little turned from the camera, under a glare spot over
// some part of the symbol: from a haze that squeezes the contrast to a
// spot that washes modules (a finder, now and then) out.
TBentLabelOptions DrawGlare(TDraw& draw, std::string& notes) {
  TBentLabelOptions o = DrawLabel(draw, notes);
  TWarpOptions& w = o.Warp;
  w.Surface = TSurface::Flat;
  w.YawDegrees = draw.Uniform(-25, 25);
  w.PitchDegrees = draw.Uniform(-25, 25);
  w.RollDegrees = draw.Uniform(-30, 30);
  notes += Format(" yaw %.0f pitch %.0f roll %.0f", w.YawDegrees, w.PitchDegrees, w.RollDegrees);
  return o;
}

// A flat label seen at a steep angle: turned about 35 to 65 degrees from
// the camera, about an axis in any direction.
TBentLabelOptions DrawSteep(TDraw& draw, std::string& notes) {
  TBentLabelOptions o = DrawLabel(draw, notes);
  TWarpOptions& w = o.Warp;
  w.Surface = TSurface::Flat;
  const double tilt = draw.Uniform(35, 65);
  const double direction = draw.Uniform(0, 2 * std::numbers::pi);
  w.YawDegrees = tilt * std::cos(direction);
  w.PitchDegrees = tilt * std::sin(direction);
  w.RollDegrees = draw.Uniform(-180, 180);
  notes += Format(" yaw %.0f pitch %.0f roll %.0f", w.YawDegrees, w.PitchDegrees, w.RollDegrees);
  return o;
}

TScreenOptions DrawScreen(TDraw& draw, int32_t side, std::string& notes) {
  TScreenOptions o;
  o.ScreenPixelsPerModule =
      draw.Chance(0.5) ? draw.Integer(3, 8) : std::round(draw.Uniform(3.0, 8.0) * 4) / 4;
  o.QuietZone = draw.Chance(0.8) ? 4 : 2;
  o.LitMargin = draw.Uniform(1.0, 6.0);
  o.StripeFill = draw.Uniform(0.55, 0.9);
  o.RowFill = draw.Uniform(0.65, 0.95);
  o.White = draw.Uniform(190, 245);
  o.Black = draw.Uniform(0.01, 0.06);
  o.Glare = draw.Chance(0.5) ? draw.Uniform(3, 30) : 0.0;
  // Photograph pixels per module: small, and the symbol in the picture.
  const double fits = 230.0 / (side + 2 * o.QuietZone);
  const double module = std::min(draw.Uniform(2.4, 4.5), fits);
  o.CameraScale = module / o.ScreenPixelsPerModule;
  o.RotationDegrees = draw.Uniform(-6, 6);
  const double room = std::max(0.0, (240 - module * (side + 2 * o.QuietZone)) / 2);
  o.OffsetX = draw.Uniform(-room, room);
  o.OffsetY = draw.Uniform(-room, room);
  o.FringePixels = draw.Uniform(0.2, 1.2);
  if (draw.Chance(0.5)) {
    o.ScanDepth = draw.Uniform(0.1, 0.35);
    o.ScanPeriod = draw.Uniform(3, 20);
    o.ScanPhase = draw.Uniform(0, 2 * std::numbers::pi);
  }
  o.Finish = DrawFinish(draw, 0.4, 1.0, 0.2, notes);
  notes += Format(" screen %.2f px/module scale %.2f rot %.1f fringe %.1f", o.ScreenPixelsPerModule,
                  o.CameraScale, o.RotationDegrees, o.FringePixels);
  if (o.ScanDepth > 0) notes += Format(" scan %.2f/%.1f", o.ScanDepth, o.ScanPeriod);
  return o;
}

TPhoto RenderKind(THardGroup kind, TDraw& draw, int32_t index, const TPlaneBoolean& matrix,
                  std::string& notes, std::function<TPointF(double, double)>& toPixel) {
  const int32_t side = matrix.Width();
  if (kind == THardGroup::Screen) {
    const auto screen = std::make_shared<TScreenPhoto>(side, DrawScreen(draw, side, notes));
    toPixel = [screen](double mx, double my) { return screen->ModuleToPixel(mx, my); };
    return screen->Render(matrix);
  }
  TBentLabelOptions o;
  if (kind == THardGroup::Cylinder) o = DrawCylinder(draw, index, notes);
  if (kind == THardGroup::Wrinkles) o = DrawWrinkles(draw, side, notes);
  if (kind == THardGroup::Crease) o = DrawCrease(draw, side, notes);
  if (kind == THardGroup::Glare) o = DrawGlare(draw, notes);
  if (kind == THardGroup::Steep) o = DrawSteep(draw, notes);
  o.Finish = DrawFinish(draw, 0.5, 1.2, 0.35, notes);
  if (kind == THardGroup::Glare) {
    // The spot's place in module space, put into the picture through the
    // label as it is laid.
    const TPointF spot =
        TBentLabel(side, o).ModuleToPixel(draw.Uniform(0, side), draw.Uniform(0, side));
    const TPointF far = TBentLabel(side, o).ModuleToPixel(side, side);
    const TPointF near = TBentLabel(side, o).ModuleToPixel(0, 0);
    const double span = std::hypot(far.X - near.X, far.Y - near.Y) / std::numbers::sqrt2;
    o.Finish.GlareX = spot.X;
    o.Finish.GlareY = spot.Y;
    o.Finish.GlareSigma = draw.Uniform(0.08, 0.25) * span;
    o.Finish.GlareLevels = draw.Uniform(60, 260);
    notes += Format(" glare %.0f sigma %.2f", o.Finish.GlareLevels, o.Finish.GlareSigma / span);
  }
  const auto label = std::make_shared<TBentLabel>(side, o);
  toPixel = [label](double mx, double my) { return label->ModuleToPixel(mx, my); };
  return label->Render(matrix);
}

}  // namespace

std::vector<THardGroup> HardGroups() {
  return {THardGroup::Cylinder, THardGroup::Wrinkles, THardGroup::Crease,  THardGroup::Screen,
          THardGroup::Glare,    THardGroup::Steep,    THardGroup::NoSymbol};
}

const char* HardGroupName(THardGroup group) {
  switch (group) {
    case THardGroup::Cylinder:
      return "cylinder";
    case THardGroup::Wrinkles:
      return "wrinkles";
    case THardGroup::Crease:
      return "crease";
    case THardGroup::Screen:
      return "screen";
    case THardGroup::NoSymbol:
      return "no-symbol";
    case THardGroup::Glare:
      return "glare";
    case THardGroup::Steep:
      return "steep";
  }
  return "";
}

int32_t HardGroupSize(THardGroup) { return kGroupSize; }

THardPhoto HardPhoto(THardGroup group, int32_t index) {
  if (index < 0 || index >= HardGroupSize(group))
    throw std::out_of_range("HardPhoto: no such picture");
  TDraw draw(static_cast<uint32_t>(1000 * (static_cast<int32_t>(group) + 1) + index));
  THardPhoto photo;
  char name[48];
  std::snprintf(name, sizeof name, "%s-%03d", HardGroupName(group), index);
  photo.Name = name;
  TSymbolChoice symbol = DrawSymbol(draw);
  photo.Notes = symbol.Notes;
  if (group != THardGroup::NoSymbol) {
    photo.Expected = symbol.Text;
    photo.Matrix = symbol.Symbol.Matrix;
    photo.Photo =
        RenderKind(group, draw, index, symbol.Symbol.Matrix, photo.Notes, photo.ModuleToPixel);
    return photo;
  }
  // The four scenes in turn, each with either decoy.
  const auto kind = static_cast<THardGroup>(index % 4);
  const bool keepFinders = (index / 4) % 2 == 1;
  photo.Notes = HardGroupName(kind);
  photo.Notes += keepFinders ? " finders side " : " random side ";
  photo.Notes += std::to_string(symbol.Symbol.Side());
  photo.Matrix = Decoy(symbol.Symbol.Matrix, keepFinders, draw);
  photo.Photo = RenderKind(kind, draw, index / 4, photo.Matrix, photo.Notes, photo.ModuleToPixel);
  return photo;
}

}  // namespace vornak::test
