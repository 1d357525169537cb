#include "engine/SymbolSearch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <string>

#include "engine/Decorder.h"
#include "engine/PassChain.h"
#include "locate/Coordinates.h"
#include "photo/KnownArea.h"
#include "photo/MicroLocator.h"
#include "symbol/MicroTables.h"
#include "symbol/RectTables.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

struct TXY {
  double X = 0;
  double Y = 0;
};

TXY Of(const TPoint& p) { return {static_cast<double>(p.X), static_cast<double>(p.Y)}; }

// Whether the symbol's version is one of its kind's, and its modules across
// and down.
bool Sized(const TSymbolResult& symbol) {
  switch (symbol.Kind) {
    case TSymbolKind::kMicro:
      return micro::IsValidVersion(symbol.Version);
    case TSymbolKind::kRect:
      return rmqr::IsValidVersion(symbol.Version);
    case TSymbolKind::kModel1:
    case TSymbolKind::kModel2:
      break;
  }
  return symbol.Version >= 1 && symbol.Version <= 40;
}
double ColumnsOf(const TSymbolResult& symbol) {
  switch (symbol.Kind) {
    case TSymbolKind::kMicro:
      return micro::SymbolSide(symbol.Version);
    case TSymbolKind::kRect:
      return rmqr::SizeOf(symbol.Version).Width;
    case TSymbolKind::kModel1:
    case TSymbolKind::kModel2:
      break;
  }
  return SymbolSide(symbol.Version);
}
double RowsOf(const TSymbolResult& symbol) {
  return symbol.Kind == TSymbolKind::kRect ? rmqr::SizeOf(symbol.Version).Height
                                           : ColumnsOf(symbol);
}

// The pixel of module point (u, v) of symbol, bilinear between its four
// corners: near enough a projective map over a finder's few modules.
TXY ModuleToPixel(const TSymbolResult& symbol, double u, double v) {
  const double s = u / ColumnsOf(symbol), t = v / RowsOf(symbol);
  const TXY c0 = Of(symbol.Corners[0]), c1 = Of(symbol.Corners[1]);
  const TXY c2 = Of(symbol.Corners[2]), c3 = Of(symbol.Corners[3]);
  return {c0.X + s * (c1.X - c0.X) + t * (c2.X - c0.X) + s * t * (c3.X - c1.X - c2.X + c0.X),
          c0.Y + s * (c1.Y - c0.Y) + t * (c2.Y - c0.Y) + s * t * (c3.Y - c1.Y - c2.Y + c0.Y)};
}

// Reading and painting the planes and the packed rows alike.
uint8_t Pixel(const TPlaneGrey& grey, int32_t x, int32_t y) { return grey(x, y); }
uint8_t Pixel(const TBitRows& rows, int32_t x, int32_t y) { return rows.Dark(x, y) ? 1 : 0; }
template <typename TPlane>
void FillSpan(TPlane& plane, int32_t y, int32_t x0, int32_t x1, uint8_t colour) {
  uint8_t* row = plane.Row(y);
  for (int32_t x = x0; x <= x1; ++x) row[x] = colour;
}
void FillSpan(TBitRows& rows, int32_t y, int32_t x0, int32_t x1, uint8_t colour) {
  rows.Fill(y, x0, x1, colour != 0);
}

// Paints the convex quadrilateral q (corners in turn) and a pixel round it
// (the blur of its edges), row by row.
template <typename TPlane>
void FillQuad(const std::array<TXY, 4>& q, uint8_t colour, TPlane& grey) {
  const int32_t width = grey.Width(), height = grey.Height();
  double top = q[0].Y, bottom = q[0].Y;
  for (const TXY& p : q) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(top)) - 1);
  const int32_t y1 = std::min(height - 1, static_cast<int32_t>(std::ceil(bottom)) + 1);
  for (int32_t y = y0; y <= y1; ++y) {
    // The span of the row, the rows just beyond taking the nearest one's.
    const double at = std::clamp(static_cast<double>(y), top, bottom);
    double left = 1e300, right = -1e300;
    for (size_t i = 0; i < 4; ++i) {
      const TXY& a = q[i];
      const TXY& b = q[(i + 1) % 4];
      if (at < std::min(a.Y, b.Y) || at > std::max(a.Y, b.Y)) continue;
      const double x = a.Y == b.Y ? a.X : a.X + (at - a.Y) * (b.X - a.X) / (b.Y - a.Y);
      const double other = a.Y == b.Y ? b.X : x;
      left = std::min({left, x, other});
      right = std::max({right, x, other});
    }
    if (left > right) continue;
    const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(left)) - 1);
    const int32_t x1 = std::min(width - 1, static_cast<int32_t>(std::ceil(right)) + 1);
    FillSpan(grey, y, x0, x1, colour);
  }
}

// The corners of a symbol in turn round it: corner finder, axis A end,
// fourth, axis B end.
std::array<TXY, 4> Outline(const TSymbolResult& s) {
  return {Of(s.Corners[0]), Of(s.Corners[1]), Of(s.Corners[3]), Of(s.Corners[2])};
}

TXY Centre(const TSymbolResult& s) {
  TXY c;
  for (const TPoint& p : s.Corners) {
    c.X += p.X / 4.0;
    c.Y += p.Y / 4.0;
  }
  return c;
}

// Mean length of the four sides.
double Extent(const TSymbolResult& s) {
  const std::array<TXY, 4> q = Outline(s);
  double sum = 0;
  for (size_t i = 0; i < 4; ++i)
    sum += std::hypot(q[(i + 1) % 4].X - q[i].X, q[(i + 1) % 4].Y - q[i].Y);
  return sum / 4;
}

// The symbol's area for the finder search, its module the mean of both
// axes' (none when its size is unknown).
TKnownArea AreaOf(const TSymbolResult& s) {
  const std::array<TXY, 4> q = Outline(s);
  std::array<TKnownArea::TCorner, 4> corners;
  for (size_t i = 0; i < 4; ++i) corners[i] = {q[i].X, q[i].Y};
  return TKnownArea(corners, Sized(s) ? Extent(s) / ((ColumnsOf(s) + RowsOf(s)) / 2) : 0);
}

// The areas of the symbols of known size among found.
std::vector<TKnownArea> AreasOf(const std::vector<TSymbolResult>& found) {
  std::vector<TKnownArea> areas;
  for (const TSymbolResult& symbol : found)
    if (Sized(symbol)) areas.push_back(AreaOf(symbol));
  return areas;
}

}  // namespace

TSymbolSearch::TSymbolSearch()
    : FPasses(std::make_unique<TPassChain>()), FDecorder(std::make_unique<TDecorder>()) {}

TSymbolSearch::~TSymbolSearch() = default;

namespace {

template <typename TPlane>
void EraseIn(const TSymbolResult& symbol, bool whole, TPlane& grey) {
  if (!Sized(symbol)) return;
  const double columns = ColumnsOf(symbol), rows = RowsOf(symbol);
  // Top left module of each finder (Micro QR and rMQR have the first only).
  const std::array<TXY, 3> all = {TXY{0, 0}, TXY{columns - 7, 0}, TXY{0, rows - 7}};
  const bool oneFinder = symbol.Kind == TSymbolKind::kMicro || symbol.Kind == TSymbolKind::kRect;
  const std::vector<TXY> origins(all.begin(), all.begin() + (oneFinder ? 1 : 3));
  const int32_t width = grey.Width(), height = grey.Height();
  for (const TXY& origin : origins) {
    // The light ring, two modules from the centre on each side: the colour
    // round the symbol, whichever way round its colours are.
    std::array<int32_t, 4> ring{};
    const std::array<TXY, 4> steps = {TXY{2, 0}, TXY{-2, 0}, TXY{0, 2}, TXY{0, -2}};
    for (size_t i = 0; i < 4; ++i) {
      const TXY p = ModuleToPixel(symbol, origin.X + 3.5 + steps[i].X, origin.Y + 3.5 + steps[i].Y);
      const auto x = std::clamp(static_cast<int32_t>(std::lround(p.X)), 0, std::max(width - 1, 0));
      const auto y = std::clamp(static_cast<int32_t>(std::lround(p.Y)), 0, std::max(height - 1, 0));
      ring[i] = width > 0 && height > 0 ? Pixel(grey, x, y) : 0;
    }
    std::sort(ring.begin(), ring.end());
    const auto colour = static_cast<uint8_t>((ring[1] + ring[2] + 1) / 2);

    // The finder with its separator, not beyond the symbol (a neighbour
    // touching it keeps its modules); or the symbol and a module round it.
    const double u0 = whole ? -1 : std::max(origin.X - 1, 0.0);
    const double u1 = whole ? columns + 1 : std::min(origin.X + 8, columns);
    const double v0 = whole ? -1 : std::max(origin.Y - 1, 0.0);
    const double v1 = whole ? rows + 1 : std::min(origin.Y + 8, rows);
    const std::array<TXY, 4> q = {ModuleToPixel(symbol, u0, v0), ModuleToPixel(symbol, u1, v0),
                                  ModuleToPixel(symbol, u1, v1), ModuleToPixel(symbol, u0, v1)};
    FillQuad(q, colour, grey);
    if (whole) break;
    if (origin.X != 0 || origin.Y != 0) continue;
    // The modules along the edges too, so that a symbol touching this one
    // gets back the light its finders need round them.
    const std::array<std::array<double, 4>, 4> strips = {{{0, 0, columns, 1},
                                                          {0, rows - 1, columns, rows},
                                                          {0, 0, 1, rows},
                                                          {columns - 1, 0, columns, rows}}};
    for (const std::array<double, 4>& r : strips)
      FillQuad(
          std::array<TXY, 4>{ModuleToPixel(symbol, r[0], r[1]), ModuleToPixel(symbol, r[2], r[1]),
                             ModuleToPixel(symbol, r[2], r[3]), ModuleToPixel(symbol, r[0], r[3])},
          colour, grey);
  }
}

}  // namespace

void TSymbolSearch::Erase(const TSymbolResult& symbol, bool whole, TPlaneGrey& grey) {
  EraseIn(symbol, whole, grey);
}

void TSymbolSearch::Erase(const TSymbolResult& symbol, bool whole, TBitRows& rows) {
  EraseIn(symbol, whole, rows);
}

bool TSymbolSearch::SameSymbol(const TSymbolResult& a, const TSymbolResult& b) {
  const double ea = Extent(a), eb = Extent(b);
  if (std::max(ea, eb) > 1.5 * std::min(ea, eb)) return false;
  const TXY ca = Centre(a), cb = Centre(b);
  return AreaOf(a).Inside(cb.X, cb.Y, 0) && AreaOf(b).Inside(ca.X, ca.Y, 0);
}

void TSymbolSearch::SortReadingOrder(std::vector<TSymbolResult>& symbols) {
  std::stable_sort(
      symbols.begin(), symbols.end(),
      [](const TSymbolResult& a, const TSymbolResult& b) { return Centre(a).Y < Centre(b).Y; });
  size_t start = 0;
  while (start < symbols.size()) {
    // A row: every symbol whose centre lies within half the smaller height
    // of the row's first one.
    size_t end = start + 1;
    const TXY first = Centre(symbols[start]);
    const double firstExtent = Extent(symbols[start]);
    while (end < symbols.size() &&
           Centre(symbols[end]).Y - first.Y < 0.5 * std::min(firstExtent, Extent(symbols[end])))
      ++end;
    std::stable_sort(
        symbols.begin() + static_cast<std::ptrdiff_t>(start),
        symbols.begin() + static_cast<std::ptrdiff_t>(end),
        [](const TSymbolResult& a, const TSymbolResult& b) { return Centre(a).X < Centre(b).X; });
    start = end;
  }
}

int32_t TSymbolSearch::Midpoint(const TSymbolResult& symbol, const TPlaneGrey& grey) {
  const int32_t width = grey.Width(), height = grey.Height();
  if (width < 1 || height < 1 || !Sized(symbol)) return 128;
  auto level = [&](double u, double v) {
    const TXY p = ModuleToPixel(symbol, u, v);
    const auto x = std::clamp(static_cast<int32_t>(std::lround(p.X)), 0, width - 1);
    const auto y = std::clamp(static_cast<int32_t>(std::lround(p.Y)), 0, height - 1);
    return static_cast<int32_t>(grey(x, y));
  };
  // The corner finder's core and its light ring.
  const int32_t core = level(3.5, 3.5);
  const int32_t ring = (level(5.5, 3.5) + level(1.5, 3.5) + level(3.5, 5.5) + level(3.5, 1.5)) / 4;
  return (core + ring + 1) / 2;
}

void TSymbolSearch::Threshold(const TPlaneGrey& grey, int32_t threshold) {
  if (FPlane.Width() != grey.Width() || FPlane.Height() != grey.Height())
    FPlane.Resize(grey.Width(), grey.Height());
  const uint8_t* in = grey.Data().data();
  uint8_t* out = FPlane.Data().data();
  const size_t count = grey.Data().size();
  const auto bound = static_cast<uint8_t>(std::clamp(threshold, 0, 255));
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(in[i] < bound);
}

bool TSymbolSearch::Explained(const TFinderCandidate& finder,
                              const std::vector<TSymbolResult>& found) {
  return std::any_of(found.begin(), found.end(), [&finder](const TSymbolResult& symbol) {
    return Sized(symbol) &&
           AreaOf(symbol).Covers(static_cast<double>(finder.X), static_cast<double>(finder.Y),
                                 static_cast<double>(finder.Module));
  });
}

bool TSymbolSearch::AnyTriple(const std::vector<TSymbolResult>& found) {
  auto open = [&](const std::vector<TFinderTriple>& triples) {
    return std::any_of(triples.begin(), triples.end(), [&](const TFinderTriple& triple) {
      return std::none_of(triple.Finders.begin(), triple.Finders.end(),
                          [&](const TFinderCandidate& f) { return Explained(f, found); });
    });
  };
  // One scan finds the finders of both polarities, passing over the
  // symbols read but for finders small enough to be nested in them.
  FFinders.SetKnown(AreasOf(found));
  FFinders.Find(FRows, &FLightFinders);
  FLoneFinder = std::any_of(
      FFinders.Candidates().begin(), FFinders.Candidates().end(), [&](const TFinderCandidate& f) {
        // A finder's core is three modules tall: a finder is seen on
        // about three modules' worth of rows, a speck of texture that
        // passes for one on fewer.
        return f.Count >= std::max(3.0L, 2 * f.Module) && !Explained(f, found);
      });
  for (const TFinderTriples* finders : {&FFinders, &FLightFinders})
    if (open(finders->Triples()) || open(finders->PerspectiveTriples())) return true;
  return false;
}

bool TSymbolSearch::ReadClassic(TSymbolResult& symbol) {
  std::string text;
  try {
    if (FDecorder->DecodePlane(FPlane, FPlane.Width(), FPlane.Height(), text) != 0) return false;
  } catch (const std::exception&) {
    return false;
  }
  symbol.Text = std::move(text);
  const TCoordinates& where = FDecorder->Reader().Coordinates();
  for (int32_t i = 0; i < 3; ++i) symbol.Finders[static_cast<size_t>(i)] = where.Finder(i);
  for (int32_t i = 0; i < 4; ++i) symbol.Corners[static_cast<size_t>(i)] = where.Corner(i);
  symbol.Pass = "classic";
  return true;
}

bool TSymbolSearch::ReadPasses(TSymbolResult& symbol, const std::vector<TSymbolResult>& found) {
  // The symbols read are not searched for finders again.
  FPasses->SetKnown(AreasOf(found));
  std::string text;
  try {
    if (!FPasses->Run(FWork, *FDecorder, text)) return false;
  } catch (const std::exception&) {
    return false;
  }
  symbol.Text = std::move(text);
  symbol.Finders = FPasses->Finders();
  symbol.Corners = FPasses->Corners();
  symbol.Pass = FPasses->Pass();
  symbol.Mirrored = FPasses->Mirrored();
  return true;
}

void TSymbolSearch::Run(const TPlaneGrey& grey, const TDecodeSettings& settings,
                        std::vector<TSymbolResult>& found, const TPlaneBoolean* plane,
                        const TBitRows* packed) {
  if (plane != nullptr && plane->Width() == grey.Width() && plane->Height() == grey.Height()) {
    if (packed != nullptr && packed->Width() == plane->Width() &&
        packed->Height() == plane->Height())
      FRows = *packed;
    else
      FRows.Pack(*plane, plane->Width(), plane->Height());
    for (const TSymbolResult& symbol : found) Erase(symbol, false, FRows);
    if (!AnyTriple(found) && !FLoneFinder) {
      SortReadingOrder(found);
      return;
    }
  }
  FWork = grey;
  FPasses->SetSettings(settings);
  FDecorder->SetWarp(settings.Warp);
  FDecorder->SetForceVersion(settings.ForceVersion);
  // The picture's own rule takes its threshold from the middle row, which
  // on a sheet of symbols may cross paper alone; the symbol read shows
  // the picture's dark and light.
  const int32_t threshold = found.empty() ? 128 : Midpoint(found.front(), grey);
  size_t erased = 0, erasedWhole = 0;
  // Each round reads a symbol or erases one read twice, so it ends.
  for (int32_t round = 0;
       round < 2 * kMaxSymbols && found.size() < static_cast<size_t>(kMaxSymbols); ++round) {
    for (; erased < found.size(); ++erased) Erase(found[erased], false, FWork);
    // Whether anything is left to read: a finder triple none of whose
    // finders lies in a symbol read (false finders in its data).
    Threshold(FWork, threshold);
    FRows.Pack(FPlane, FPlane.Width(), FPlane.Height());
    TSymbolResult symbol;
    if (AnyTriple(found)) {
      // The classic pipeline, then the passes.
      if (erasedWhole == 0) FWhole = grey;
      for (; erasedWhole < found.size(); ++erasedWhole) Erase(found[erasedWhole], true, FWhole);
      Threshold(FWhole, threshold);
      if (!ReadClassic(symbol) && !ReadPasses(symbol, found)) break;
    } else {
      // A finder alone: only the locator of one-finder symbols can read it.
      if (!FLoneFinder) break;
      FPasses->SetOnlyLocator(TMicroLocator::kName);
      const bool read = ReadPasses(symbol, found);
      FPasses->SetOnlyLocator("");
      if (!read) break;
    }
    FDecorder->Describe(symbol);
    // A symbol read again: its erased finders did not keep the locators
    // off it (one found where glare broke a finder, say). It goes whole.
    if (std::any_of(found.begin(), found.end(),
                    [&](const TSymbolResult& s) { return SameSymbol(s, symbol); })) {
      Erase(symbol, true, FWork);
      continue;
    }
    found.push_back(std::move(symbol));
  }
  SortReadingOrder(found);
}

}  // namespace vornak
