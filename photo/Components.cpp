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

void TComponents::Label(const TPlaneBoolean& plane, const TBitRows* packed) {
  FWidth = plane.Width();
  FHeight = plane.Height();
  FRuns.clear();
  FRoot.clear();
  FComponents.clear();
  FRowStart.assign(static_cast<size_t>(std::max(FHeight, 0)) + 1, 0);
  FRowDark.assign(static_cast<size_t>(std::max(FHeight, 0)), 0);
  if (FWidth < 1 || FHeight < 1) return;
  // A picture like the last one has as many runs again.
  FRuns.reserve(FRoot.capacity());
  const TBitRows* bits = &FBits;
  if (packed != nullptr && packed->Width() == FWidth && packed->Height() == FHeight)
    bits = packed;
  else
    FBits.Pack(plane, FWidth, FHeight);

  // Runs alternate in colour along a row: the colour of its first one
  // gives every run's.
  for (int32_t y = 0; y < FHeight; ++y) {
    FRowStart[static_cast<size_t>(y)] = static_cast<int32_t>(FRuns.size());
    const bool dark = bits->Dark(0, y);
    FRowDark[static_cast<size_t>(y)] = dark ? 1 : 0;
    int32_t start = 0;
    EachColourChange(bits->Row(y), FWidth, dark, [&](int32_t x) {
      FRuns.push_back(TRun{start, x, 0});
      start = x;
    });
    FRuns.push_back(TRun{start, FWidth, 0});
  }
  FRowStart[static_cast<size_t>(FHeight)] = static_cast<int32_t>(FRuns.size());

  const auto runs = static_cast<int32_t>(FRuns.size());
  FRoot.resize(static_cast<size_t>(runs));
  FComponents.reserve(static_cast<size_t>(runs) / 2 + 1);
  for (int32_t i = 0; i < runs; ++i) FRoot[static_cast<size_t>(i)] = i;
  const TRun* run = FRuns.data();
  for (int32_t y = 1; y < FHeight; ++y) {
    const int32_t prevBegin = FRowStart[static_cast<size_t>(y) - 1];
    const int32_t prevEnd = FRowStart[static_cast<size_t>(y)];
    const int32_t end = FRowStart[static_cast<size_t>(y) + 1];
    // Run j of the row above has the colour of run i of this row when
    // their places in their rows differ by this parity.
    const int32_t shift =
        (FRowDark[static_cast<size_t>(y)] != FRowDark[static_cast<size_t>(y) - 1] ? 1 : 0) +
        prevBegin - prevEnd;
    int32_t first = prevBegin;  // the first run above that may still touch
    for (int32_t i = prevEnd; i < end; ++i) {
      const TRun& r = run[i];
      const bool dark = (FRowDark[static_cast<size_t>(y)] != 0) != (((i - prevEnd) & 1) != 0);
      // Dark runs touch diagonally too; light runs only edge to edge. The
      // run joins the set of the first run above it touches (all of them
      // earlier, so that set's root stays the earliest run); further ones
      // merge their sets with it.
      while (first < prevEnd && run[first].X1 < r.X0) ++first;
      int32_t j = first + (((first - i - shift) & 1) != 0 ? 1 : 0);
      int32_t mine = -1;
      for (; j < prevEnd && run[j].X0 <= r.X1; j += 2) {
        const TRun& p = run[j];
        const bool touch = dark ? (p.X1 >= r.X0 && p.X0 <= r.X1) : (p.X1 > r.X0 && p.X0 < r.X1);
        if (!touch) continue;
        const int32_t root = Find(j);
        if (mine < 0) {
          mine = root;
          FRoot[static_cast<size_t>(i)] = root;
        } else if (root < mine) {
          FRoot[static_cast<size_t>(mine)] = root;
          mine = root;
          FRoot[static_cast<size_t>(i)] = root;
        } else if (mine < root) {
          FRoot[static_cast<size_t>(root)] = mine;
        }
      }
    }
  }

  std::vector<TExtent>& extents = FExtents;
  extents.clear();
  auto fill = [](TComponent& c, const TExtent& e) {
    if (e.Row < 0) return;
    const int64_t length = e.Right - e.Left;
    c.Filled += length;
    c.FilledSumX2 += length * (e.Left + e.Right);
    c.FilledSumY2 += length * (2 * static_cast<int64_t>(e.Row) + 1);
  };
  for (int32_t y = 0; y < FHeight; ++y) {
    const int32_t begin = FRowStart[static_cast<size_t>(y)];
    const int32_t end = FRowStart[static_cast<size_t>(y) + 1];
    const bool rowDark = FRowDark[static_cast<size_t>(y)] != 0;
    const bool edgeRow = y == 0 || y == FHeight - 1;
    // The run of the row above that holds the column a new component
    // starts at; those columns grow along the row.
    const TRun* above = y == 0 ? nullptr : RowBegin(y - 1);
    for (int32_t i = begin; i < end; ++i) {
      TRun& r = FRuns[static_cast<size_t>(i)];
      // Every run's set points to an earlier run, whose root is known by
      // now: one step finds it.
      int32_t& root = FRoot[static_cast<size_t>(i)];
      root = FRoot[static_cast<size_t>(root)];
      if (root == i) {
        TComponent c;
        c.Dark = rowDark != (((i - begin) & 1) != 0);
        c.X0 = r.X0;
        c.X1 = r.X1 - 1;
        c.Y0 = c.Y1 = y;
        // The component round it holds the pixel above its first one.
        if (above != nullptr) {
          while (above->X1 <= r.X0) ++above;
          c.Parent = above->Component;
        }
        r.Component = static_cast<int32_t>(FComponents.size());
        FComponents.push_back(c);
        extents.emplace_back();
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
      if (edgeRow || r.X0 == 0 || r.X1 == FWidth) c.TouchesBorder = true;
      TExtent& e = extents[static_cast<size_t>(r.Component)];
      if (e.Row != y) {
        fill(c, e);
        e = TExtent{y, r.X0, r.X1};
      } else {
        e.Right = r.X1;
      }
    }
  }
  for (size_t i = 0; i < FComponents.size(); ++i) fill(FComponents[i], extents[i]);
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

const TComponents::TRun* TComponents::RunAt(int32_t x, int32_t y) const {
  return std::upper_bound(RowBegin(y), RowEnd(y), x,
                          [](int32_t value, const TRun& r) { return value < r.X1; });
}

}  // namespace vornak
