#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/DecodeSettings.h"
#include "common/Types.h"
#include "locate/Locator.h"
#include "photo/FinderCache.h"

namespace vornak {

class TBinarizer;
class TDecorder;
class TDecodeTrace;
class TLocalThreshold;

// The passes that run after the classic pipeline has failed, cheapest first.
// Each pass pairs a binarizer (engine/) with a locator (locate/, photo/); every
// candidate matrix a locator offers goes through the one shared tail,
// TDecorder::DecodeMatrix, so a pass counts only when the format corrects,
// every block corrects within its capacity and the data parses. When a
// candidate cannot be read, its transposed matrix is tried as well: a
// mirrored symbol reads as the transpose of itself.
//
// A new pass is one AddPass call in the constructor (PassChain.cpp), placed
// by cost; its name is "<binarizer>+<locator>". Planes are built once per
// binarizer and picture, only when a pass needs them.
class TPassChain {
 public:
  TPassChain();
  ~TPassChain();
  TPassChain(const TPassChain&) = delete;
  TPassChain& operator=(const TPassChain&) = delete;

  // Adds a pass pairing the binarizer of the given name with locator.
  // Returns false (and drops the locator) when no such binarizer exists.
  bool AddPass(const std::string& binarizer, std::unique_ptr<TLocator> locator);

  // The user's settings, handed to every binarizer and locator of a run.
  void SetSettings(const TDecodeSettings& settings) { FSettings = settings; }
  // Runs only the pass of this name; empty runs them all (the default). For
  // measuring passes one by one.
  void SetOnly(const std::string& name) { FOnly = name; }
  // Runs only the passes of this locator (by its Name()); empty runs them
  // all (the default).
  void SetOnlyLocator(const std::string& name) { FOnlyLocator = name; }
  // Areas of symbols read already, which the finder searches of the next
  // runs pass over (see TFinderTriples::SetKnown); none by default.
  void SetKnown(std::vector<TKnownArea> known) { FFinderCache.SetKnown(std::move(known)); }

  // Runs the passes on grey (levels 0..255) until one decodes. True then,
  // with the text in text, the decorder holding version, level, mask and
  // headers, and the findings below; false when none decodes (text keeps
  // what the caller passed). global, when given, is the plane the classic
  // pipeline made of the same grey with the same resolver: the global
  // binarizer's plane, which then is not built again (nor copied: it must
  // stay as it is while the findings and the trace are read). located
  // false says the classic locator found no symbol on global.
  //
  // A plane identical to one built before it in the run (a small or plain
  // picture whose local threshold agrees with the global one everywhere)
  // is not searched again by a locator of a kind that already searched the
  // other: locators are deterministic, so it would offer the same
  // candidates, which did not read.
  bool Run(const TPlaneGrey& grey, TDecorder& decorder, std::string& text,
           const TPlaneBoolean* global = nullptr, bool located = true);

  // Where each run records what its passes found: the decoding candidate,
  // else the first candidate that did not read, else the finders of the
  // first plane searched. nullptr (the default): nothing is recorded.
  void SetTrace(TDecodeTrace* trace) { FTrace = trace; }

  int32_t PassCount() const { return static_cast<int32_t>(FPasses.size()); }
  const std::string& PassName(int32_t index) const;

  // Findings of the last successful Run.
  const std::string& Pass() const { return FPass; }
  // The plane the reading pass worked on; empty after a Run that read
  // nothing. Valid until the next Run.
  const TPlaneBoolean& Plane() const;
  // That plane packed, when a finder search packed it; else nullptr. Valid
  // until the next Run.
  const TBitRows* PackedPlane() const;
  bool Mirrored() const { return FMirrored; }
  const std::array<TPoint, 3>& Finders() const { return FFinders; }
  const std::array<TPoint, 4>& Corners() const { return FCorners; }

 private:
  struct TPass {
    size_t Binarizer = 0;
    std::unique_ptr<TLocator> Locator;
    std::string Name;
  };
  // The tail on one candidate's modules as sampled, then (when the locator
  // read their grey levels) as those levels decide them.
  bool TryLocation(const TLocation& location, TDecorder& decorder, std::string& text);
  // The tail on one matrix, then on its transpose when that could not be
  // read.
  bool TryMatrix(const TLocation& location, TDecorder& decorder, std::string& text);

  // The local threshold's window sums, shared by its two polarities.
  std::unique_ptr<TLocalThreshold> FLocalThreshold;
  // One finder search per plane, shared by its locators (which refer to it).
  TFinderCache FFinderCache;
  std::vector<std::unique_ptr<TBinarizer>> FBinarizers;
  // The binarizer of the classic rule, whose plane a run may be given.
  size_t FGlobal = 0;
  std::vector<TPass> FPasses;
  std::vector<TPlaneBoolean> FPlanes;
  // Each binarizer's plane of this run: its own in FPlanes, or the given one.
  std::vector<const TPlaneBoolean*> FSources;
  std::vector<bool> FBuilt;
  // Per binarizer, the first built binarizer whose plane is identical (its
  // own index when none is).
  std::vector<size_t> FSameAs;
  TPlaneBoolean FTransposed;
  TPlaneConfidence FTransposedConfidence;
  // A candidate's modules as their grey levels decide them, and how sure.
  TPlaneBoolean FGreyRead;
  TPlaneConfidence FGreyConfidence;
  std::string FOnly;
  std::string FOnlyLocator;
  std::string FPass;
  const TPlaneBoolean* FPlane = nullptr;  // one of FSources: not copied
  bool FMirrored = false;
  std::array<TPoint, 3> FFinders{};
  std::array<TPoint, 4> FCorners{};
  TDecodeSettings FSettings;
  TDecodeTrace* FTrace = nullptr;
};

}  // namespace vornak
