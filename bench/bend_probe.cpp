// A developer's look at why rendered hard photographs fail: every grid the
// photograph locators offer for one picture, compared with the symbol the
// picture was rendered from (module errors, codeword errors per block
// against what the block corrects, and how far the grid's module centres
// lie from where the modules really show).
//
//   bench_bend_probe GROUP INDEX...
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/AdaptiveBinarizer.h"
#include "engine/Decorder.h"
#include "engine/FrontImage.h"
#include "engine/GlobalBinarizer.h"
#include "photo/GridReader.h"
#include "photo/HomographyLocator.h"
#include "symbol/Arrangement.h"
#include "symbol/StandardTables.h"
#include "tests/support/HardPhotos.h"

using namespace vornak;
using vornak::test::THardGroup;

namespace {

// Codeword index of each module of a version's symbol, -1 outside the data.
std::vector<int32_t> CodewordMap(int32_t version) {
  const TArrangement arrangement(version);
  const int32_t n = SymbolSide(version);
  std::vector<int32_t> map(static_cast<size_t>(n * n), -1);
  int32_t bit = 0;
  bool up = true;
  for (int32_t right = n - 1; right > 0; right -= 2) {
    if (right == 6) right = 5;
    for (int32_t k = 0; k < n; ++k) {
      const int32_t y = up ? n - 1 - k : k;
      for (int32_t x : {right, right - 1}) {
        if (arrangement.IsFunctionModule(x, y)) continue;
        map[static_cast<size_t>(y * n + x)] = bit / 8;
        ++bit;
      }
    }
    up = !up;
  }
  const int32_t count = arrangement.CodewordCount();
  for (int32_t& m : map)
    if (m >= count) m = -1;
  return map;
}

// Block of each codeword in the interleaved order.
std::vector<int32_t> BlockOf(int32_t version, int32_t level, int32_t& ecPerBlock, int32_t& blocks) {
  const int32_t total = TArrangement(version).CodewordCount();
  blocks = ECBlocks[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
  const int32_t ec = ECCodewords[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
  ecPerBlock = ec / blocks;
  const int32_t shortLength = total / blocks;
  const int32_t longBlocks = total % blocks;
  const int32_t shortData = shortLength - ecPerBlock;
  std::vector<int32_t> owner;
  for (int32_t i = 0; i <= shortData; ++i)
    for (int32_t b = 0; b < blocks; ++b) {
      const bool isLong = b >= blocks - longBlocks;
      if (i < shortData || isLong) owner.push_back(b);
    }
  for (int32_t i = 0; i < ecPerBlock; ++i)
    for (int32_t b = 0; b < blocks; ++b) owner.push_back(b);
  return owner;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_bend_probe GROUP INDEX...\n");
    return 2;
  }
  const std::string groupName = argv[1];
  THardGroup group = THardGroup::Cylinder;
  for (THardGroup g : vornak::test::HardGroups())
    if (groupName == vornak::test::HardGroupName(g)) group = g;
  for (int a = 2; a < argc; ++a) {
    const int32_t index = std::atoi(argv[a]);
    const vornak::test::THardPhoto photo = vornak::test::HardPhoto(group, index);
    std::printf("== %s %s\n", photo.Name.c_str(), photo.Notes.c_str());
    const int32_t n = photo.Matrix.Width();
    const int32_t version = (n - 17) / 4;
    const char levelLetter = photo.Notes[photo.Notes.find('-') + 1];
    const int32_t level = levelLetter == 'L'   ? 0
                          : levelLetter == 'M' ? 1
                          : levelLetter == 'Q' ? 2
                                               : 3;
    int32_t ecPerBlock = 0, blocks = 0;
    const std::vector<int32_t> codeword = CodewordMap(version);
    const std::vector<int32_t> owner = BlockOf(version, level, ecPerBlock, blocks);

    TFrontImage front;
    TPlaneBoolean global;
    front.Binarize(photo.Photo.Bitmap, global);
    TDecodeSettings settings;
    settings.Warp = 6;
    std::vector<std::pair<std::string, TPlaneBoolean>> planes;
    planes.emplace_back("global", global);
    TPlaneBoolean adaptive;
    TAdaptiveBinarizer().Binarize(front.Grey(), settings, adaptive);
    planes.emplace_back("adaptive", adaptive);
    for (const auto& [planeName, plane] : planes)
      for (auto finders :
           {THomographyLocator::TFinders::Runs, THomographyLocator::TFinders::Shapes}) {
        THomographyLocator locator(finders);
        TDecorder decorder;
        int32_t offer = 0;
        int32_t best = 1 << 30;
        std::vector<std::string> bestMap;
        locator.Locate(plane, &front.Grey(), settings, [&](const TLocation& location) {
          ++offer;
          std::string text;
          TDecorder::TMatrixOptions options;
          options.Confidence = location.Confidence;
          options.SearchFormat = true;
          const bool read =
              decorder.DecodeMatrix(*location.Matrix, location.Size, text, options) == 0;
          std::printf("  %-8s %-10s #%-2d v%-2d", planeName.c_str(), locator.Name(), offer,
                      location.Version);
          if (location.Size != n) {
            std::printf(" wrong size%s\n", read ? " READ" : "");
            return read;
          }
          const TModuleGrid& grid = locator.Grid();
          if (std::getenv("PROBE_MAP") != nullptr) {
            const vornak::test::TPointF t0 = photo.ModuleToPixel(3.5, 3.5),
                                        t1 = photo.ModuleToPixel(n - 3.5, 3.5),
                                        t2 = photo.ModuleToPixel(3.5, n - 3.5);
            std::printf(" finders (%d,%d)/(%.1f,%.1f) (%d,%d)/(%.1f,%.1f) (%d,%d)/(%.1f,%.1f)",
                        location.Finders[0].X, location.Finders[0].Y, t0.X, t0.Y,
                        location.Finders[1].X, location.Finders[1].Y, t1.X, t1.Y,
                        location.Finders[2].X, location.Finders[2].Y, t2.X, t2.Y);
          }
          const TGridReader reader(plane, grid);
          int32_t wrong = 0, wrongData = 0;
          std::vector<int32_t> blockErrors(static_cast<size_t>(blocks), 0);
          std::vector<uint8_t> cwWrong(owner.size(), 0);
          double sum = 0, worst = 0;
          std::vector<std::string> map(static_cast<size_t>(n),
                                       std::string(static_cast<size_t>(n), '.'));
          // Position error per tenth of the symbol across x and across y.
          std::vector<double> bandX(5, 0), bandY(5, 0);
          std::vector<int32_t> bandN(5, 0);
          std::vector<int32_t> wrongX(5, 0);
          for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
              const bool bad = ((*location.Matrix)(x, y) != 0) != (photo.Matrix(x, y) != 0);
              const int32_t c = codeword[static_cast<size_t>(y * n + x)];
              if (bad) {
                ++wrong;
                wrongX[static_cast<size_t>(x * 5 / n)]++;
                if (c >= 0) {
                  ++wrongData;
                  cwWrong[static_cast<size_t>(c)] = 1;
                }
              }
              double px = 0, py = 0;
              reader.ReaderOf(x, y).Map(x + 0.5, y + 0.5, px, py);
              const auto truth = photo.ModuleToPixel(x + 0.5, y + 0.5);
              const auto right = photo.ModuleToPixel(x + 1.5, y + 0.5);
              const auto below = photo.ModuleToPixel(x + 0.5, y + 1.5);
              const double mx = std::hypot(right.X - truth.X, right.Y - truth.Y);
              const double my = std::hypot(below.X - truth.X, below.Y - truth.Y);
              // Error in modules along the local module axes.
              const double ex =
                  ((px - truth.X) * (right.X - truth.X) + (py - truth.Y) * (right.Y - truth.Y)) /
                  (mx * mx);
              const double ey =
                  ((px - truth.X) * (below.X - truth.X) + (py - truth.Y) * (below.Y - truth.Y)) /
                  (my * my);
              const double e = std::hypot(ex, ey);
              // Tenths of a module, X past 0.9, lower case where misread.
              const int32_t t = std::min(10, static_cast<int32_t>(e * 10));
              char ch = t >= 10 ? 'X' : static_cast<char>('0' + t);
              if (bad) ch = t >= 10 ? 'x' : static_cast<char>('a' + t);
              map[static_cast<size_t>(y)][static_cast<size_t>(x)] = ch;
              sum += e;
              worst = std::max(worst, e);
              bandX[static_cast<size_t>(x * 5 / n)] += std::fabs(ex);
              bandY[static_cast<size_t>(x * 5 / n)] += std::fabs(ey);
              bandN[static_cast<size_t>(x * 5 / n)]++;
            }
          for (size_t c = 0; c < owner.size(); ++c)
            if (cwWrong[c]) blockErrors[static_cast<size_t>(owner[c])]++;
          const int32_t worstBlock = *std::max_element(blockErrors.begin(), blockErrors.end());
          std::printf(
              " mod %3d data %3d cw/block max %2d of %2d (cap %d)  grid mean %.2f max %.2f |",
              wrong, wrongData, worstBlock, blocks, ecPerBlock / 2, sum / (n * n), worst);
          for (size_t b = 0; b < 5; ++b)
            std::printf(" %.2f/%.2f:%d", bandX[b] / bandN[b], bandY[b] / bandN[b], wrongX[b]);
          std::printf("%s%s\n", grid.Bend.Active() ? " bent" : "",
                      grid.Cells.empty() ? "" : " cells");
          if (std::getenv("PROBE_MAP") != nullptr && wrong < best) {
            best = wrong;
            bestMap = map;
          }
          return read;
        });
        for (const std::string& row : bestMap) std::printf("    %s\n", row.c_str());
      }
  }
  return 0;
}
