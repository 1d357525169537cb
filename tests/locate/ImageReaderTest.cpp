// The grid sampler on pictures of encoder-made symbols: location, version
// fixing and version information, forced versions, warp, pictures cut by
// their border, and what a failed read leaves behind.

#include <gtest/gtest.h>

#include <qrcodegen/qrcodegen.hpp>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "common/Errors.h"
#include "common/Types.h"
#include "locate/ImageReader.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

using test::ReferenceSymbol;
using test::TPointF;
using test::TRenderOptions;

// A level-M symbol of exactly that version, with the mask the encoder picks
// for it (the one a real encoder would print).
ReferenceSymbol EncoderSymbol(int32_t version, const std::string& text = "VORNAK LOCATE") {
  const auto segments = qrcodegen::QrSegment::makeSegments(text.c_str());
  const int mask = qrcodegen::QrCode::encodeSegments(segments, qrcodegen::QrCode::Ecc::MEDIUM,
                                                     version, version, -1, false)
                       .getMask();
  return test::Make(text, version, 1, mask);
}

// Modules of the reader's matrix that differ from the expected one; -1 when
// the sides differ.
int32_t Differing(const TImageReader& reader, const TPlaneBoolean& expected) {
  if (reader.Size() != expected.Width() || reader.Matrix().Width() != expected.Width() ||
      reader.Matrix().Height() != expected.Height())
    return -1;
  int32_t count = 0;
  for (int32_t y = 0; y < expected.Height(); ++y)
    for (int32_t x = 0; x < expected.Width(); ++x)
      count += (reader.Matrix()(x, y) != 0) != (expected(x, y) != 0);
  return count;
}

struct TOutcome {
  int32_t Code = -1;
  std::string Error;
  int32_t Differing = -1;
};

TOutcome ReadPicture(TImageReader& reader, const TPlaneBoolean& picture,
                     const TPlaneBoolean& expected) {
  TOutcome outcome;
  try {
    outcome.Code = reader.Read(picture, picture.Width(), picture.Height());
  } catch (const EMathError& error) {
    outcome.Error = error.what();
    return outcome;
  }
  if (outcome.Code == 0) outcome.Differing = Differing(reader, expected);
  return outcome;
}

// Reads the symbol drawn with those options on a fresh reader.
TOutcome ReadRendered(const TPlaneBoolean& modules, const TRenderOptions& options,
                      int32_t forceVersion = 0, int32_t warp = 6) {
  TImageReader reader;
  reader.SetWarp(warp);
  reader.SetForceVersion(forceVersion);
  return ReadPicture(reader, test::RenderPlane(modules, options), modules);
}

std::string Describe(const TOutcome& outcome) {
  if (!outcome.Error.empty()) return "raised " + outcome.Error;
  if (outcome.Code != 0) return "code " + std::to_string(outcome.Code);
  return std::to_string(outcome.Differing) + " modules differ";
}

constexpr const char* kExact = "0 modules differ";

// Where a sweep read ended. The finder search and the timing-pattern
// version search come before this sampler; their misses are counted apart so
// that the sampler is judged on every picture they got right.
enum class TStage { Exact, Sampler, Finders, Version };

struct TSweep {
  int32_t Reads = 0;
  int32_t Exact = 0;
  int32_t Finders = 0;
  int32_t Version = 0;
  std::vector<std::string> SamplerFailures;
  std::vector<int32_t> Differing;  // of every located read

  int32_t Located() const { return Reads - Finders - Version; }
  std::string Summary() const {
    int32_t worst = 0;
    for (const int32_t d : Differing) worst = std::max(worst, d);
    return std::to_string(Reads) + " reads: " + std::to_string(Exact) + " exact, " +
           std::to_string(SamplerFailures.size()) + " with differing modules (worst " +
           std::to_string(worst) + "), " + std::to_string(Finders) + " finder misses, " +
           std::to_string(Version) + " version misses";
  }
};

// Reads one rendered symbol and files the outcome. With the version forced
// (7 and above) the version comes from this reader's version information
// read, so a wrong version is the sampler's failure.
TStage Sweep(TSweep& sweep, const ReferenceSymbol& symbol, const TRenderOptions& options,
             int32_t forceVersion = 0) {
  ++sweep.Reads;
  const std::string where = "version " + std::to_string(symbol.Version) + ", " +
                            std::to_string(options.ModuleSize) + " px, " +
                            std::to_string(options.RotationDegrees) + " degrees";
  TImageReader reader;
  reader.SetWarp(6);
  reader.SetForceVersion(forceVersion);
  const TPlaneBoolean picture = test::RenderPlane(symbol.Matrix, options);
  int32_t code = -1;
  try {
    code = reader.Read(picture, picture.Width(), picture.Height());
  } catch (const EMathError& error) {
    sweep.SamplerFailures.push_back(where + ": raised " + error.what());
    return TStage::Sampler;
  }
  const int32_t side = symbol.Side();
  const double far = side - 3.5;
  const TPointF expected[3] = {test::ModuleToPixel(side, options, 3.5, 3.5),
                               test::ModuleToPixel(side, options, far, 3.5),
                               test::ModuleToPixel(side, options, 3.5, far)};
  for (int32_t k = 0; k < 3; ++k) {
    const TPoint found = reader.Coordinates().Finder(k);
    if (std::hypot(found.X + 0.5 - expected[k].X, found.Y + 0.5 - expected[k].Y) >
        0.75 * options.ModuleSize + 1.0) {
      ++sweep.Finders;
      return TStage::Finders;
    }
  }
  if (code != 0 || reader.Size() != side) {
    if (forceVersion > 6) {
      sweep.SamplerFailures.push_back(where + ": code " + std::to_string(code) + ", side " +
                                      std::to_string(reader.Size()));
      return TStage::Sampler;
    }
    ++sweep.Version;
    return TStage::Version;
  }
  const int32_t differing = Differing(reader, symbol.Matrix);
  sweep.Differing.push_back(differing);
  if (differing != 0) {
    sweep.SamplerFailures.push_back(where + ": " + std::to_string(differing) + " modules differ");
    return TStage::Sampler;
  }
  ++sweep.Exact;
  return TStage::Exact;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Every version 1 to 14 located automatically, upright at 3 to 10 pixels per
// module and turned by quarter turns.
TEST(AutomaticVersionSweep, UprightAtThreeToTenPixelsPerModule) {
  TSweep sweep;
  for (int32_t version = 1; version <= 14; ++version) {
    const ReferenceSymbol symbol = EncoderSymbol(version);
    for (int32_t size = 3; size <= 10; ++size) {
      TRenderOptions options;
      options.ModuleSize = size;
      Sweep(sweep, symbol, options);
    }
    for (const int32_t degrees : {90, 180, 270}) {
      TRenderOptions options;
      options.ModuleSize = 3 + (version + degrees / 90) % 8;
      options.RotationDegrees = degrees;
      Sweep(sweep, symbol, options);
    }
  }
  std::cout << "upright: " << sweep.Summary() << "\n";
  EXPECT_TRUE(sweep.SamplerFailures.empty()) << Join(sweep.SamplerFailures);
  EXPECT_GE(sweep.Located() * 10, sweep.Reads * 8) << sweep.Summary();
}

// Turned every 15 degrees at 6 to 10 pixels per module.
TEST(AutomaticVersionSweep, RotatedEveryFifteenDegrees) {
  TSweep sweep;
  for (int32_t version = 1; version <= 14; ++version) {
    const ReferenceSymbol symbol = EncoderSymbol(version);
    for (int32_t degrees = 15; degrees < 360; degrees += 15) {
      TRenderOptions options;
      options.ModuleSize = 6 + (version + degrees / 15) % 5;
      options.RotationDegrees = degrees;
      Sweep(sweep, symbol, options);
    }
  }
  std::cout << "rotated: " << sweep.Summary() << "\n";
  EXPECT_TRUE(sweep.SamplerFailures.empty()) << Join(sweep.SamplerFailures);
  EXPECT_GE(sweep.Located() * 10, sweep.Reads * 8) << sweep.Summary();
}

// At 4 and 5 pixels per module a turned symbol's corners are found only to a
// pixel or two, and modules near the fourth corner can go astray; they stay
// few, well within what error correction repairs.
TEST(AutomaticVersionSweep, RotatedAtFourAndFivePixelsPerModule) {
  TSweep sweep;
  for (const int32_t version : {1, 3, 6, 9, 12, 14}) {
    const ReferenceSymbol symbol = EncoderSymbol(version);
    const int32_t modules = symbol.Side() * symbol.Side();
    for (int32_t degrees = 15; degrees < 360; degrees += 15) {
      TRenderOptions options;
      options.ModuleSize = 4 + degrees / 15 % 2;
      options.RotationDegrees = degrees;
      if (Sweep(sweep, symbol, options) == TStage::Sampler) {
        ASSERT_FALSE(sweep.Differing.empty()) << Join(sweep.SamplerFailures);
        EXPECT_LE(sweep.Differing.back() * 50, modules) << sweep.SamplerFailures.back();
      }
    }
  }
  std::cout << "rotated, 4-5 px: " << sweep.Summary() << "\n";
  EXPECT_GE(sweep.Exact * 10, sweep.Located() * 8) << sweep.Summary();
  EXPECT_GE(sweep.Located() * 10, sweep.Reads * 7) << sweep.Summary();
}

// Versions 15 to 40 are read with the version forced; the version
// information in the symbol still decides.
TEST(ForcedVersionSweep, VersionsFifteenToFortyUprightAndRotated) {
  TSweep sweep;
  for (int32_t version = 15; version <= 40; ++version) {
    const ReferenceSymbol symbol = EncoderSymbol(version);
    TRenderOptions upright;
    upright.ModuleSize = 3 + version % 3;
    upright.RotationDegrees = 90 * (version % 4);
    Sweep(sweep, symbol, upright, version);
    TRenderOptions rotated;
    rotated.ModuleSize = 6 + version % 2;
    rotated.RotationDegrees = 15 * (1 + version % 23);
    Sweep(sweep, symbol, rotated, version);
  }
  std::cout << "forced 15-40: " << sweep.Summary() << "\n";
  EXPECT_TRUE(sweep.SamplerFailures.empty()) << Join(sweep.SamplerFailures);
  EXPECT_GE(sweep.Located() * 10, sweep.Reads * 7) << sweep.Summary();
}

// Version information blocks: beside finder 1 (columns N-11..N-9, rows
// 0..5) and beside finder 2 (columns 0..5, rows N-11..N-9); bit 3i + j.
TPoint BlockModule(int32_t side, int32_t block, int32_t bit) {
  const int32_t i = bit / 3;
  const int32_t j = bit % 3;
  return block == 1 ? TPoint{side - 11 + j, i} : TPoint{i, side - 11 + j};
}

void FlipBits(TPlaneBoolean& matrix, int32_t block, const std::vector<int32_t>& bits) {
  for (const int32_t bit : bits) {
    const TPoint m = BlockModule(matrix.Width(), block, bit);
    matrix(m.X, m.Y) = matrix(m.X, m.Y) != 0 ? 0 : 1;
  }
}

void WriteCodeword(TPlaneBoolean& matrix, int32_t block, int32_t codeword) {
  for (int32_t bit = 0; bit < 18; ++bit) {
    const TPoint m = BlockModule(matrix.Width(), block, bit);
    matrix(m.X, m.Y) = (codeword >> bit) & 1;
  }
}

TEST(ForcedVersionTest, AutomaticSearchStopsAtFourteen) {
  for (const int32_t version : {15, 22, 40}) {
    TRenderOptions options;
    options.ModuleSize = 4;
    EXPECT_EQ(Describe(ReadRendered(EncoderSymbol(version).Matrix, options)), "code 1")
        << "version " << version;
  }
}

TEST(ForcedVersionTest, OneToSixIsTakenWithoutCheck) {
  TRenderOptions options;
  options.ModuleSize = 6;
  // A version-3 symbol read as version 2 and 5: a grid of the forced size
  // over the located corners.
  const TPlaneBoolean version3 = test::RenderPlane(EncoderSymbol(3).Matrix, options);
  for (const int32_t forced : {1, 2, 5, 6}) {
    TImageReader reader;
    reader.SetForceVersion(forced);
    EXPECT_EQ(reader.Read(version3, version3.Width(), version3.Height()), 0);
    EXPECT_EQ(reader.Size(), 4 * forced + 17);
    EXPECT_EQ(reader.Coordinates().Version(), forced);
  }
  // A version-9 symbol forced to 6: its version information is not read.
  const TPlaneBoolean version9 = test::RenderPlane(EncoderSymbol(9).Matrix, options);
  TImageReader reader;
  reader.SetForceVersion(6);
  EXPECT_EQ(reader.Read(version9, version9.Width(), version9.Height()), 0);
  EXPECT_EQ(reader.Size(), 41);
}

TEST(ForcedVersionTest, SevenAndAboveGiveWayToTheVersionInformation) {
  const ReferenceSymbol symbol = EncoderSymbol(9);
  TRenderOptions options;
  options.ModuleSize = 6;
  // Forced 8 puts the pitch close enough to find the version modules, which
  // say 9; forced 7 and 10 miss them by more than a module, and a forced
  // version is no fallback.
  for (const int32_t forced : {8, 9}) {
    EXPECT_EQ(Describe(ReadRendered(symbol.Matrix, options, forced)), kExact)
        << "forced " << forced;
  }
  for (const int32_t forced : {7, 10, 40}) {
    EXPECT_EQ(Describe(ReadRendered(symbol.Matrix, options, forced)), "code 1")
        << "forced " << forced;
  }
  TPlaneBoolean broken = symbol.Matrix;
  FlipBits(broken, 1, {0, 1, 2, 3});
  FlipBits(broken, 2, {0, 1, 2, 3});
  EXPECT_EQ(Describe(ReadRendered(broken, options, 9)), "code 1");
}

TEST(VersionInformationSweep, NearestCodewordWithinThreeModulesInEitherBlock) {
  const ReferenceSymbol symbol = EncoderSymbol(10);
  TRenderOptions options;
  options.ModuleSize = 6;
  options.RotationDegrees = 30;
  const std::vector<int32_t> three = {0, 7, 17};
  const std::vector<int32_t> four = {1, 5, 9, 14};
  struct Case {
    std::vector<int32_t> Block1, Block2;
    const char* Expected;
  };
  const Case cases[] = {
      {three, four, kExact},   // three wrong still match beside finder 1
      {four, {}, kExact},      // four wrong: the block beside finder 2 decides
      {four, three, kExact},   // ... also with three wrong of its own
      {four, four, "code 1"},  // both broken
      {{}, four, kExact},
  };
  for (const Case& c : cases) {
    TPlaneBoolean matrix = symbol.Matrix;
    FlipBits(matrix, 1, c.Block1);
    FlipBits(matrix, 2, c.Block2);
    EXPECT_EQ(Describe(ReadRendered(matrix, options)), c.Expected)
        << c.Block1.size() << " and " << c.Block2.size() << " wrong";
    // The same with the version forced: the information still decides.
    EXPECT_EQ(Describe(ReadRendered(matrix, options, 10)), c.Expected)
        << c.Block1.size() << " and " << c.Block2.size() << " wrong, forced";
  }
}

TEST(VersionInformationTest, BlockBesideFinderOneIsReadFirst) {
  // Beside finder 1 a clean codeword of version 12, beside finder 2 that of
  // version 10: the grid is sampled as version 12.
  TPlaneBoolean matrix = EncoderSymbol(10).Matrix;
  WriteCodeword(matrix, 1, 0x0C762);  // version 12
  TRenderOptions options;
  options.ModuleSize = 6;
  TImageReader reader;
  const TPlaneBoolean picture = test::RenderPlane(matrix, options);
  ASSERT_EQ(reader.Read(picture, picture.Width(), picture.Height()), 0);
  EXPECT_EQ(reader.Size(), 65);
  EXPECT_EQ(reader.Coordinates().Version(), 12);
}

// Picture of a symbol turned 45 degrees whose bottom tip (the fourth
// corner) is cut off by the picture's lower border.
struct TCutPicture {
  ReferenceSymbol Symbol = EncoderSymbol(2);
  TPlaneBoolean Picture;
  int32_t Height = 0;  // rows that belong to the picture
};

TCutPicture CutPicture(int32_t rowsCut) {
  TCutPicture cut;
  TRenderOptions options;
  options.ModuleSize = 5;
  options.RotationDegrees = 45;
  cut.Picture = test::RenderPlane(cut.Symbol.Matrix, options);
  const TPointF tip =
      test::ModuleToPixel(cut.Symbol.Side(), options, cut.Symbol.Side(), cut.Symbol.Side());
  cut.Height = static_cast<int32_t>(tip.Y) - rowsCut;
  return cut;
}

TEST(PictureBorderTest, ModulesOutsideThePictureReadLightWhateverWasReadBefore) {
  const TCutPicture cut = CutPicture(15);
  const int32_t side = cut.Symbol.Side();

  // A reader that has just read a picture in which every module is dark
  // but those the symbol needs for location, and a fresh one.
  TPlaneBoolean darkened = cut.Symbol.Matrix;
  for (int32_t y = 9; y < side; ++y)
    for (int32_t x = 9; x < side; ++x) darkened(x, y) = 1;
  TRenderOptions options;
  options.ModuleSize = 5;
  const TPlaneBoolean darkPicture = test::RenderPlane(darkened, options);
  TImageReader used;
  used.SetWarp(6);
  ASSERT_EQ(used.Read(darkPicture, darkPicture.Width(), darkPicture.Height()), 0);
  ASSERT_EQ(Differing(used, darkened), 0);
  TImageReader fresh;
  fresh.SetWarp(6);

  for (TImageReader* reader : {&used, &fresh}) {
    // The rows below Height are still in the plane but not in the picture.
    ASSERT_EQ(reader->Read(cut.Picture, cut.Picture.Width(), cut.Height), 0);
    ASSERT_EQ(reader->Size(), side);
    int32_t outside = 0;
    int32_t differing = 0;
    for (int32_t y = 0; y < side; ++y) {
      for (int32_t x = 0; x < side; ++x) {
        const TPoint p = reader->Coordinates().GetModulePoint(x, y);
        const bool inside = p.X >= 0 && p.Y >= 0 && p.X < cut.Picture.Width() && p.Y < cut.Height;
        if (!inside) {
          ++outside;
          EXPECT_EQ(reader->Matrix()(x, y), 0) << "module " << x << "," << y;
          // Dark in the symbol and in the earlier read: only the border
          // makes it light.
          if (cut.Symbol.Matrix(x, y) != 0) ++differing;
        } else {
          EXPECT_EQ(reader->Matrix()(x, y) != 0, cut.Symbol.Matrix(x, y) != 0)
              << "module " << x << "," << y;
        }
      }
    }
    EXPECT_GE(outside, 6);
    EXPECT_GE(differing, 3);
  }
  EXPECT_EQ(used.Matrix(), fresh.Matrix());
}

TEST(PictureBorderTest, EdgesMeetingBeyondTheBorderGiveTheCorner) {
  // A few rows cut: the two edges still meet just below the last row, and
  // that crossing, outside the picture, becomes the fourth corner.
  const TCutPicture cut = CutPicture(3);
  TImageReader reader;
  reader.SetWarp(6);
  ASSERT_EQ(reader.Read(cut.Picture, cut.Picture.Width(), cut.Height), 0);
  EXPECT_GE(reader.Coordinates().Corner(3).Y, cut.Height);
  // Only modules whose centre fell outside differ.
  EXPECT_LE(Differing(reader, cut.Symbol.Matrix), 2);
}

TEST(FailedReadTest, LeavesMatrixAndSizeAsTheyWere) {
  const ReferenceSymbol symbol = EncoderSymbol(4);
  TRenderOptions options;
  options.ModuleSize = 4;
  const TPlaneBoolean picture = test::RenderPlane(symbol.Matrix, options);
  TImageReader reader;
  EXPECT_EQ(reader.Size(), 0);
  ASSERT_EQ(reader.Read(picture, picture.Width(), picture.Height()), 0);
  ASSERT_EQ(Differing(reader, symbol.Matrix), 0);

  // Nothing to locate: the finder search fails before anything changes.
  const TPlaneBoolean blank(200, 200, 0);
  const TCoordinates& located = reader.Coordinates();
  const TPoint corners[4] = {located.Corner(0), located.Corner(1), located.Corner(2),
                             located.Corner(3)};
  EXPECT_EQ(reader.Read(blank, blank.Width(), blank.Height()), 1);
  EXPECT_EQ(Differing(reader, symbol.Matrix), 0);
  EXPECT_EQ(located.Version(), 4);
  for (int32_t k = 0; k < 4; ++k) EXPECT_EQ(located.Corner(k), corners[k]);
  // A picture smaller than the size given: only the plane counts.
  EXPECT_EQ(reader.Read(blank, 5000, -3), 1);
  EXPECT_EQ(Differing(reader, symbol.Matrix), 0);

  // A version read from broken version information fails as well.
  TPlaneBoolean broken = EncoderSymbol(8).Matrix;
  FlipBits(broken, 1, {0, 1, 2, 3});
  FlipBits(broken, 2, {4, 5, 6, 7});
  const TPlaneBoolean brokenPicture = test::RenderPlane(broken, options);
  EXPECT_EQ(reader.Read(brokenPicture, brokenPicture.Width(), brokenPicture.Height()), 1);
  EXPECT_EQ(Differing(reader, symbol.Matrix), 0);

  // Corner geometry that breaks down: three finder patterns drawn 3 pixels
  // per module, the one below the corner finder so close that pitch B is
  // tiny, and a lone dark pixel that both corner 1 and the fourth corner
  // search settle on.
  TPlaneBoolean finders(200, 120, 0);
  auto drawFinder = [&](int32_t left, int32_t top) {
    for (int32_t y = 0; y < 21; ++y) {
      for (int32_t x = 0; x < 21; ++x) {
        const int32_t ring = std::min(std::min(x, 20 - x), std::min(y, 20 - y)) / 3;
        finders(left + x, top + y) = ring != 1 ? 1 : 0;
      }
    }
  };
  drawFinder(20, 20);
  drawFinder(104, 20);
  drawFinder(20, 44);
  finders(147, 36) = 1;
  reader.SetForceVersion(1);
  reader.SetWarp(6);
  try {
    reader.Read(finders, finders.Width(), finders.Height());
    ADD_FAILURE() << "no error raised";
  } catch (const EMathError& error) {
    EXPECT_STREQ(error.what(), kBaseAngleError);
  }
  EXPECT_EQ(reader.Coordinates().Corner(1), reader.Coordinates().Corner(3));
  EXPECT_EQ(Differing(reader, symbol.Matrix), 0);
}

// Version 2, upright at 6 pixels per module, with the 2 x 2 modules at the
// fourth corner set as given (last row and column first).
struct TCornerCase {
  TPlaneBoolean Matrix;
  TPlaneBoolean Picture;
  TPoint Last;       // the symbol's last pixel, bottom right
  TPoint Predicted;  // one module inside the fourth corner
};

TCornerCase CornerCase(uint8_t corner, uint8_t besideCorner, uint8_t inner) {
  TCornerCase c;
  c.Matrix = EncoderSymbol(2).Matrix;
  const int32_t n = c.Matrix.Width();
  c.Matrix(n - 1, n - 1) = corner;
  c.Matrix(n - 2, n - 1) = besideCorner;
  c.Matrix(n - 1, n - 2) = besideCorner;
  c.Matrix(n - 2, n - 2) = inner;
  TRenderOptions options;
  options.ModuleSize = 6;
  c.Picture = test::RenderPlane(c.Matrix, options);
  const TPointF end = test::ModuleToPixel(n, options, n, n);
  const TPointF inside = test::ModuleToPixel(n, options, n - 1, n - 1);
  c.Last = TPoint{static_cast<int32_t>(std::lround(end.X)) - 1,
                  static_cast<int32_t>(std::lround(end.Y)) - 1};
  c.Predicted = TPoint{static_cast<int32_t>(std::lround(inside.X)),
                       static_cast<int32_t>(std::lround(inside.Y))};
  return c;
}

TEST(FourthCornerTest, LightCornerModuleGivesWayToTheEdgeIntersection) {
  for (const uint8_t corner : {0, 1}) {
    const TCornerCase c = CornerCase(corner, 1, 1);
    for (const int32_t warp : {1, 6}) {
      TImageReader reader;
      reader.SetWarp(warp);
      ASSERT_EQ(reader.Read(c.Picture, c.Picture.Width(), c.Picture.Height()), 0);
      EXPECT_EQ(Differing(reader, c.Matrix), 0);
      // Dark: the farthest dark pixel is the corner. Light: the two outer
      // edges meet on it.
      EXPECT_EQ(reader.Coordinates().Corner(3), c.Last)
          << "corner module " << int{corner} << ", warp " << warp;
    }
  }
}

TEST(FourthCornerTest, NoDarkPixelWithinWarpPitchesLeavesThePrediction) {
  // Light 2 x 2 modules at the corner: nothing dark within one pitch of the
  // prediction, so Warp 1 keeps it, one module inside the true corner, and
  // the grid is squeezed towards it. Warp 6 reaches the dark modules beyond.
  const TCornerCase c = CornerCase(0, 0, 0);
  TImageReader narrow;
  narrow.SetWarp(1);
  ASSERT_EQ(narrow.Read(c.Picture, c.Picture.Width(), c.Picture.Height()), 0);
  EXPECT_EQ(narrow.Coordinates().Corner(3), c.Predicted);
  EXPECT_GT(Differing(narrow, c.Matrix), 0);

  TImageReader wide;
  wide.SetWarp(6);
  ASSERT_EQ(wide.Read(c.Picture, c.Picture.Width(), c.Picture.Height()), 0);
  EXPECT_EQ(wide.Coordinates().Corner(3), c.Last);
  EXPECT_EQ(Differing(wide, c.Matrix), 0);
}

// Perspective views: the symbol's outer corners go to given pixels, the
// fourth one moved by (dx, dy) pitches off the parallelogram of the others.
TPlaneBoolean PerspectivePicture(const TPlaneBoolean& matrix, double pitch, double dx, double dy) {
  TRenderOptions options;
  options.ModuleSize = pitch;
  options.UseCorners = true;
  const double origin = 40;
  const double side = matrix.Width() * pitch;
  options.Corners = {TPointF{origin, origin}, TPointF{origin + side, origin},
                     TPointF{origin + side + dx * pitch, origin + side + dy * pitch},
                     TPointF{origin, origin + side}};
  return test::RenderPlane(matrix, options);
}

TEST(WarpSweep, FourthCornerMovedUpToAPitchIsFollowed) {
  const double moves[][2] = {{-1, -1},   {-1, 0}, {0, -1}, {-0.5, -0.5},
                             {0.5, 0.5}, {1, 0},  {0, 1},  {1, 1}};
  for (const int32_t version : {2, 5, 10, 14}) {
    const ReferenceSymbol symbol = EncoderSymbol(version);
    for (const auto& move : moves) {
      const TPlaneBoolean picture = PerspectivePicture(symbol.Matrix, 6, move[0], move[1]);
      TImageReader reader;
      reader.SetWarp(6);
      EXPECT_EQ(Describe(ReadPicture(reader, picture, symbol.Matrix)), kExact)
          << "version " << version << ", moved " << move[0] << ", " << move[1];
    }
  }
}

TEST(WarpTest, WarpOneMissesAFourthCornerMovedOutward) {
  // The prediction lies one module inside the corner; moved out by one
  // pitch the corner is two pitches away, beyond Warp 1's square.
  const ReferenceSymbol symbol = EncoderSymbol(7);
  const TPlaneBoolean picture = PerspectivePicture(symbol.Matrix, 6, 1, 1);
  const double corner = 40 + symbol.Side() * 6 + 6;  // continuous, both axes
  auto offCorner = [&](const TImageReader& reader) {
    const TPoint c = reader.Coordinates().Corner(3);
    return std::hypot(c.X + 0.5 - corner, c.Y + 0.5 - corner);
  };
  TImageReader narrow;
  narrow.SetWarp(1);
  ASSERT_EQ(narrow.Read(picture, picture.Width(), picture.Height()), 0);
  EXPECT_GT(offCorner(narrow), 6.0);
  EXPECT_GT(Differing(narrow, symbol.Matrix), 0);
  TImageReader wide;
  wide.SetWarp(6);
  ASSERT_EQ(wide.Read(picture, picture.Width(), picture.Height()), 0);
  EXPECT_LT(offCorner(wide), 2.0);
  EXPECT_EQ(Differing(wide, symbol.Matrix), 0);
}

}  // namespace
}  // namespace vornak
