#include "engine/PassChain.h"

#include <exception>
#include <set>
#include <utility>

#include "engine/AdaptiveBinarizer.h"
#include "engine/DecodeTrace.h"
#include "engine/Decorder.h"
#include "engine/GlobalBinarizer.h"
#include "engine/LocalThreshold.h"
#include "engine/MidwayBinarizer.h"
#include "locate/ClassicLocator.h"
#include "photo/HomographyLocator.h"
#include "photo/MicroLocator.h"
#include "photo/ModuleConfidence.h"
#include "photo/TripleLocator.h"

namespace vornak {

TPassChain::TPassChain() : FLocalThreshold(std::make_unique<TLocalThreshold>()) {
  using TPolarity = TAdaptiveBinarizer::TPolarity;
  FGlobal = FBinarizers.size();
  FBinarizers.push_back(std::make_unique<TGlobalBinarizer>());
  FBinarizers.push_back(std::make_unique<TAdaptiveBinarizer>(TPolarity::Plain, *FLocalThreshold));
  FBinarizers.push_back(
      std::make_unique<TAdaptiveBinarizer>(TPolarity::Inverted, *FLocalThreshold));
  FBinarizers.push_back(std::make_unique<TMidwayBinarizer>(*FLocalThreshold));
  FPlanes.resize(FBinarizers.size());
  FSources.resize(FBinarizers.size(), nullptr);

  // Cheapest first: everything the classic plane can give before a new
  // threshold is made. (The classic locator itself on the local threshold
  // reads nothing the locators below do not, at the cost of a second
  // classic search on every picture without a symbol.) Finder triples mend false finders, large
  // versions and a symbol away from the middle row; a transform anchored on the alignment patterns,
  // sampled by neighbourhood majority, reads perspective and curved labels; finders found as nested
  // shapes, whose corners fix the grid, read steep perspective, blur, glare and odd styles. Then
  // the same on the local threshold, which mends uneven light, and on its inverse, for
  // light-on-dark symbols (whose finders the runs find well enough: shapes there would cost a
  // picture without a symbol much and read nothing more).
  using TFinders = THomographyLocator::TFinders;
  AddPass("global", std::make_unique<TTripleLocator>(FFinderCache));
  AddPass("global", std::make_unique<THomographyLocator>(FFinderCache));
  AddPass("adaptive", std::make_unique<TTripleLocator>(FFinderCache));
  AddPass("adaptive", std::make_unique<THomographyLocator>(FFinderCache));
  AddPass("global", std::make_unique<THomographyLocator>(FFinderCache, TFinders::Shapes));
  AddPass("adaptive", std::make_unique<THomographyLocator>(FFinderCache, TFinders::Shapes));
  AddPass("adaptive-inverted", std::make_unique<TTripleLocator>(FFinderCache));
  AddPass("adaptive-inverted", std::make_unique<THomographyLocator>(FFinderCache));
  // Small blurred symbols in large photographs, on the local threshold
  // lowered round them; the runs find their finders, and elsewhere the
  // plane is light and costs little.
  AddPass("adaptive-midway", std::make_unique<TTripleLocator>(FFinderCache));
  AddPass("adaptive-midway", std::make_unique<THomographyLocator>(FFinderCache));
  // Micro QR last, on the shapes the passes above searched already: a QR
  // Code picture reaches it only when nothing read, and a picture without a
  // symbol pays only the timing reads of its shapes.
  AddPass("global", std::make_unique<TMicroLocator>(FFinderCache));
  AddPass("adaptive", std::make_unique<TMicroLocator>(FFinderCache));
}

TPassChain::~TPassChain() = default;

bool TPassChain::AddPass(const std::string& binarizer, std::unique_ptr<TLocator> locator) {
  for (size_t i = 0; i < FBinarizers.size(); ++i) {
    if (binarizer != FBinarizers[i]->Name()) continue;
    TPass pass;
    pass.Binarizer = i;
    pass.Name = binarizer + "+" + locator->Name();
    pass.Locator = std::move(locator);
    FPasses.push_back(std::move(pass));
    return true;
  }
  return false;
}

const TPlaneBoolean& TPassChain::Plane() const {
  static const TPlaneBoolean none;
  return FPlane != nullptr ? *FPlane : none;
}

const TBitRows* TPassChain::PackedPlane() const {
  return FPlane != nullptr ? FFinderCache.PackedRows(*FPlane) : nullptr;
}

const std::string& TPassChain::PassName(int32_t index) const {
  static const std::string none;
  if (index < 0 || index >= PassCount()) return none;
  return FPasses[static_cast<size_t>(index)].Name;
}

bool TPassChain::TryLocation(const TLocation& location, TDecorder& decorder, std::string& text) {
  if (location.Matrix == nullptr) return false;
  if (TryMatrix(location, decorder, text)) return true;
  // The plane is thresholded pixel by pixel, against a level taken over an
  // area many modules wide: where blur or glare pulls small modules towards
  // their neighbours' level it reads them wrong, though each is still darker
  // or lighter than the modules round it. Read as the plane gave them, the
  // modules did not decode: each is read again from its own grey level
  // against theirs.
  const TPlaneInteger* levels = location.Levels;
  if (levels == nullptr || levels->Width() != location.Matrix->Width() ||
      levels->Height() != location.Matrix->Height() ||
      !TModuleConfidence::Decide(*levels, *location.Matrix, FGreyRead))
    return false;
  TModuleConfidence::Rate(*levels, FGreyRead, FGreyConfidence);
  TLocation grey = location;
  grey.Matrix = &FGreyRead;
  grey.Confidence = &FGreyConfidence;
  return TryMatrix(grey, decorder, text);
}

bool TPassChain::TryMatrix(const TLocation& location, TDecorder& decorder, std::string& text) {
  std::string work;
  // With the locator's confidence a block that does not correct is tried
  // again with its least sure codewords erased; an unreadable format is
  // searched for.
  TDecorder::TMatrixOptions options;
  options.Confidence = location.Confidence;
  options.SearchFormat = true;
  // A rectangle comes in its own frame, mirrored or not: no transpose of it
  // is a symbol.
  if (location.Rows > 0 && location.Rows != location.Size) {
    if (decorder.DecodeMatrix(*location.Matrix, location.Size, location.Rows, work, options) != 0)
      return false;
    FMirrored = location.Mirrored;
    text = std::move(work);
    return true;
  }
  if (decorder.DecodeMatrix(*location.Matrix, location.Size, work, options) == 0) {
    FMirrored = false;
    text = std::move(work);
    return true;
  }
  if (decorder.ErrorCode() != TDecorder::kReadError) return false;
  // A mirrored symbol reads transposed. Its format bits, read in the wrong
  // order, may still land within reach of some other format word, so the
  // transpose is tried after any read failure, not only when no copy
  // corrected.
  const int32_t size = location.Size;
  FTransposed.Resize(size, size);
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x) FTransposed(x, y) = (*location.Matrix)(y, x);
  options.Confidence = nullptr;
  if (location.Confidence != nullptr) {
    FTransposedConfidence.Resize(size, size);
    for (int32_t y = 0; y < size; ++y)
      for (int32_t x = 0; x < size; ++x)
        FTransposedConfidence(x, y) = location.Confidence->At(y, x, 0);
    options.Confidence = &FTransposedConfidence;
  }
  if (decorder.DecodeMatrix(FTransposed, size, work, options) != 0) return false;
  FMirrored = true;
  text = std::move(work);
  return true;
}

bool TPassChain::Run(const TPlaneGrey& grey, TDecorder& decorder, std::string& text,
                     const TPlaneBoolean* global, bool located) {
  FPass.clear();
  FPlane = nullptr;
  FMirrored = false;
  FBuilt.assign(FBinarizers.size(), false);
  FSameAs.resize(FBinarizers.size());
  // (plane, locator kind) pairs searched in this run, planes named by
  // their first identical binarizer.
  std::set<std::pair<size_t, std::string>> searched;
  FFinderCache.Clear();
  FLocalThreshold->Forget();

  for (TPass& pass : FPasses) {
    if (!FOnly.empty() && pass.Name != FOnly) continue;
    if (!FOnlyLocator.empty() && FOnlyLocator != pass.Locator->Name()) continue;
    const size_t b = pass.Binarizer;
    if (!FBuilt[b]) {
      const bool given = global != nullptr && global->Width() == grey.Width() &&
                         global->Height() == grey.Height() && b == FGlobal;
      // The classic plane is read where it lies, not copied.
      if (given) {
        FSources[b] = global;
      } else {
        FBinarizers[b]->Binarize(grey, FSettings, FPlanes[b]);
        FSources[b] = &FPlanes[b];
      }
      FBuilt[b] = true;
      FSameAs[b] = b;
      for (size_t o = 0; o < b && FSameAs[b] == b; ++o)
        if (FBuilt[o] && FSameAs[o] == o && *FSources[o] == *FSources[b]) FSameAs[b] = o;
      // The classic pipeline ran the classic locator on the given plane.
      if (given && !located) searched.emplace(b, TClassicLocator::kName);
    }
    if (FBinarizers[b]->Blank()) continue;
    const size_t same = FSameAs[b];
    if (!searched.emplace(same, pass.Locator->Name()).second) continue;
    // An identical plane is read where it was first built, so that its
    // finder search is shared too.
    const TPlaneBoolean& plane = *FSources[same];

    bool decoded = false;
    try {
      decoded = pass.Locator->Locate(plane, &grey, FSettings, [&](const TLocation& location) {
        if (!TryLocation(location, decorder, text)) {
          if (FTrace != nullptr)
            FTrace->RecordLocation(pass.Name, plane, location, false, FSettings.ForceVersion,
                                   &FFinderCache);
          return false;
        }
        if (FTrace != nullptr)
          FTrace->RecordLocation(pass.Name, plane, location, true, FSettings.ForceVersion,
                                 &FFinderCache);
        FFinders = location.Finders;
        FCorners = location.Corners;
        return true;
      });
    } catch (const std::exception&) {
      // A pass that breaks down on this picture yields nothing; the next
      // one still runs.
      decoded = false;
    }
    if (decoded) {
      FPass = pass.Name;
      FPlane = &plane;
      return true;
    }
  }
  // Nothing read: the first plane whose finder search found something
  // shows how far the passes got.
  if (FTrace != nullptr) {
    for (const TPass& pass : FPasses)
      if (FBuilt[pass.Binarizer])
        FTrace->RecordFinders(pass.Name, *FSources[pass.Binarizer], FFinderCache);
  }
  return false;
}

}  // namespace vornak
