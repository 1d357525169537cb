#include "photo/Components.h"

#include <algorithm>

namespace vornak {

int32_t TComponents::Find(int32_t run) {
  auto* root = FRoot.data();
  while (root[run] != run) {
    root[run] = root[root[run]];  // path halving
    run = root[run];
  }
  return run;
}

void TComponents::Unite(int32_t a, int32_t b) {
  a = Find(a);
  b = Find(b);
  // The earliest run in raster order stays the root: it holds the
  // component's first pixel, which tells the component round it.
  if (a < b)
    FRoot[static_cast<size_t>(b)] = a;
  else if (b < a)
    FRoot[static_cast<size_t>(a)] = b;
}

void TComponents::Label(const TPlaneBoolean& plane) {
  FWidth = plane.Width();
  FHeight = plane.Height();
  FRuns.clear();
  FDark.clear();
  FRoot.clear();
  FAbove.clear();
  FComponents.clear();
  FRowStart.assign(static_cast<size_t>(std::max(FHeight, 0)) + 1, 0);
  if (FWidth < 1 || FHeight < 1) return;
  FBits.Pack(plane, FWidth, FHeight);

  for (int32_t y = 0; y < FHeight; ++y) {
    FRowStart[static_cast<size_t>(y)] = static_cast<int32_t>(FRuns.size());
    const uint64_t* row = FBits.Row(y);
    bool dark = FBits.Dark(0, y);
    int32_t start = 0;
    EachColourChange(row, FWidth, dark, [&](int32_t x) {
      FRuns.push_back(TRun{start, x, 0});
      FDark.push_back(dark ? 1 : 0);
      start = x;
      dark = !dark;
    });
    FRuns.push_back(TRun{start, FWidth, 0});
    FDark.push_back(dark ? 1 : 0);
  }
  FRowStart[static_cast<size_t>(FHeight)] = static_cast<int32_t>(FRuns.size());

  const auto runs = static_cast<int32_t>(FRuns.size());
  FRoot.resize(static_cast<size_t>(runs));
  for (int32_t i = 0; i < runs; ++i) FRoot[static_cast<size_t>(i)] = i;
  FAbove.assign(static_cast<size_t>(runs), -1);
  for (int32_t y = 1; y < FHeight; ++y) {
    const int32_t prevBegin = FRowStart[static_cast<size_t>(y) - 1];
    const int32_t prevEnd = FRowStart[static_cast<size_t>(y)];
    const int32_t end = FRowStart[static_cast<size_t>(y) + 1];
    int32_t first = prevBegin;  // the first run above that may still touch
    int32_t over = prevBegin;   // the run above the current run's first pixel
    for (int32_t i = prevEnd; i < end; ++i) {
      const TRun& r = FRuns[static_cast<size_t>(i)];
      const bool dark = FDark[static_cast<size_t>(i)] != 0;
      while (FRuns[static_cast<size_t>(over)].X1 <= r.X0) ++over;
      FAbove[static_cast<size_t>(i)] = over;
      // Dark runs touch diagonally too; light runs only edge to edge.
      while (first < prevEnd && FRuns[static_cast<size_t>(first)].X1 < r.X0) ++first;
      for (int32_t j = first; j < prevEnd && FRuns[static_cast<size_t>(j)].X0 <= r.X1; ++j) {
        if ((FDark[static_cast<size_t>(j)] != 0) != dark) continue;
        const TRun& p = FRuns[static_cast<size_t>(j)];
        const bool touch = dark ? (p.X1 >= r.X0 && p.X0 <= r.X1) : (p.X1 > r.X0 && p.X0 < r.X1);
        if (touch) Unite(i, j);
      }
    }
  }

  for (int32_t y = 0; y < FHeight; ++y) {
    for (int32_t i = FRowStart[static_cast<size_t>(y)]; i < FRowStart[static_cast<size_t>(y) + 1];
         ++i) {
      TRun& r = FRuns[static_cast<size_t>(i)];
      const int32_t root = Find(i);
      if (root == i) {
        TComponent c;
        c.Dark = FDark[static_cast<size_t>(i)] != 0;
        c.X0 = r.X0;
        c.X1 = r.X1 - 1;
        c.Y0 = c.Y1 = y;
        const int32_t above = FAbove[static_cast<size_t>(i)];
        c.Parent = above < 0 ? -1 : FRuns[static_cast<size_t>(above)].Component;
        r.Component = static_cast<int32_t>(FComponents.size());
        FComponents.push_back(c);
      } else {
        r.Component = FRuns[static_cast<size_t>(root)].Component;
      }
      TComponent& c = FComponents[static_cast<size_t>(r.Component)];
      const int64_t length = r.X1 - r.X0;
      c.Area += length;
      c.SumX += length * (r.X0 + r.X1 - 1) / 2;
      c.SumY += length * y;
      c.X0 = std::min(c.X0, r.X0);
      c.X1 = std::max(c.X1, r.X1 - 1);
      c.Y1 = y;
      if (y == 0 || y == FHeight - 1 || r.X0 == 0 || r.X1 == FWidth) c.TouchesBorder = true;
    }
  }
  for (size_t i = 0; i < FComponents.size(); ++i) {
    const TComponent& c = FComponents[i];
    if (c.Parent < 0) continue;
    TComponent& parent = FComponents[static_cast<size_t>(c.Parent)];
    ++parent.Children;
    parent.ChildArea += c.Area;
    if (parent.LargestChild < 0 ||
        FComponents[static_cast<size_t>(parent.LargestChild)].Area < c.Area)
      parent.LargestChild = static_cast<int32_t>(i);
  }
}

int32_t TComponents::At(int32_t x, int32_t y) const {
  const TRun* begin = RowBegin(y);
  const TRun* end = RowEnd(y);
  const TRun* run =
      std::upper_bound(begin, end, x, [](int32_t value, const TRun& r) { return value < r.X1; });
  return run == end ? -1 : run->Component;
}

}  // namespace vornak
