#include "engine/Vornak.h"

#include <algorithm>
#include <exception>

#include "engine/DecodeTrace.h"
#include "engine/Decorder.h"
#include "engine/FrontImage.h"
#include "engine/PassChain.h"
#include "engine/SymbolSearch.h"
#include "locate/Coordinates.h"
#include "locate/ImageReader.h"

namespace vornak {

TVornak::TVornak()
    : FFrontImage(std::make_unique<TFrontImage>()),
      FDecorder(std::make_unique<TDecorder>()),
      FPasses(std::make_unique<TPassChain>()),
      FTrace(std::make_unique<TDecodeTrace>()),
      FSearch(std::make_unique<TSymbolSearch>()) {}

TVornak::~TVornak() = default;

void TVornak::SetWarp(int32_t value) {
  FWarp = std::clamp(value, 1, 6);
  FDecorder->SetWarp(FWarp);
}

void TVornak::SetResolver(int32_t value) {
  FResolver = std::clamp(value, 1, 255);
  FFrontImage->SetResolver(FResolver);
}

void TVornak::SetForceVersion(int32_t value) {
  // Versions above 40 lie outside the symbol tables.
  FForceVersion = std::min(value, 40);
}

void TVornak::ResetFindings() {
  FResultText.clear();
  FErrorText.clear();
  FExceptionText.clear();
  FErrorCode = kNoError;
  FRead = TSymbolResult{};
  FHasGeometry = false;
  FFinderCentres = {};
  FCorners = {};
  FPass.clear();
  FMirrored = false;
  FTrace->Clear();
}

bool TVornak::Fail(int32_t code) {
  FResultText.clear();
  FErrorCode = code;
  FErrorText = TDecorder::Message(code);
  return false;
}

void TVornak::TakeGeometry() {
  const TCoordinates& where = FDecorder->Reader().Coordinates();
  FHasGeometry = true;
  for (int32_t i = 0; i < 3; ++i) FFinderCentres[static_cast<size_t>(i)] = where.Finder(i);
  for (int32_t i = 0; i < 4; ++i) FCorners[static_cast<size_t>(i)] = where.Corner(i);
}

bool TVornak::RunPasses() {
  FPasses->SetSettings(TDecodeSettings{FWarp, FResolver, FForceVersion});
  FPasses->SetTrace(FTrace.get());
  std::string text;
  bool decoded = false;
  try {
    // The classic plane is the global binarizer's plane: not built twice.
    decoded =
        FPasses->Run(FFrontImage->Grey(), *FDecorder, text, &FPlane, FErrorCode != kNotLocated);
  } catch (...) {
    // Nothing may leave Decode; a failed pass is one more failure.
    decoded = false;
  }
  // A failure keeps what the classic pipeline reported.
  if (!decoded) return false;
  FResultText = std::move(text);
  FErrorText.clear();
  FExceptionText.clear();
  FErrorCode = kNoError;
  FPass = FPasses->Pass();
  FMirrored = FPasses->Mirrored();
  FPlane = FPasses->Plane();
  FHasGeometry = true;
  FFinderCentres = FPasses->Finders();
  FCorners = FPasses->Corners();
  return true;
}

bool TVornak::Decode(const TBitmap& bitmap) {
  ResetFindings();
  const int32_t width = bitmap.Width();
  const int32_t height = bitmap.Height();
  FFrontImage->Binarize(bitmap, FPlane);

  bool ok;
  if (width < 2 || height < 1) {
    // Nothing can be dark in such a picture, so no symbol can be located.
    ok = Fail(kNotLocated);
  } else {
    try {
      FDecorder->SetForceVersion(FForceVersion);
      std::string text;
      const int32_t code = FDecorder->DecodePlane(FPlane, width, height, text);
      // The sampler located the symbol unless it said so; a symbol whose
      // format, blocks or data cannot be read still has its place.
      if (code != kNotLocated) TakeGeometry();
      if (code != kNoError) {
        ok = Fail(code);
      } else {
        FResultText = std::move(text);
        ok = true;
      }
    } catch (const std::exception& error) {
      FExceptionText = error.what();
      ok = Fail(kReadFailure);
    } catch (...) {
      FExceptionText = "Unknown exception";
      ok = Fail(kReadFailure);
    }
  }

  // The trace points at the geometry the grid sampler keeps anyway.
  FTrace->RecordClassic(FPlane,
                        width < 2 || height < 1 ? nullptr : &FDecorder->Reader().Coordinates(),
                        FErrorCode, !FExceptionText.empty(), FForceVersion);

  // The further passes run only where the classic pipeline did not locate
  // or could not read the symbol; a picture it reads costs what it did.
  if (ok) {
    FPass = "classic";
  } else if (!FClassic && width >= 2 && height >= 1 &&
             (FErrorCode == kNotLocated || FErrorCode == kReadFailure)) {
    ok = RunPasses();
  }

  if (ok) {
    FDecorder->Describe(FRead);
  }

  if (ok) {
    if (OnDecoded) OnDecoded(*this);
  } else {
    if (OnError) OnError(*this);
  }
  return ok;
}

TSymbolResult TVornak::Result() const {
  if (FErrorCode != kNoError || FPass.empty()) return {};
  TSymbolResult result = FRead;
  result.Text = FResultText;
  result.Finders = FFinderCentres;
  result.Corners = FCorners;
  result.Pass = FPass;
  result.Mirrored = FMirrored;
  return result;
}

std::vector<TSymbolResult> TVornak::DecodeAll(const TBitmap& bitmap) {
  std::vector<TSymbolResult> found;
  // Where Decode read nothing, the passes would find nothing more on the
  // same picture.
  if (!Decode(bitmap)) return found;
  found.push_back(Result());
  if (FClassic) return found;
  try {
    // The classic pipeline or the reading pass packed the plane read on
    // the way: the search for more starts from that packing.
    const TBitRows* packed = FPass == "classic" ? &FDecorder->Reader().Coordinates().PackedRows()
                                                : FPasses->PackedPlane();
    FSearch->Run(FFrontImage->Grey(), TDecodeSettings{FWarp, FResolver, FForceVersion}, found,
                 &FPlane, packed);
  } catch (...) {
    // Memory running out on a huge picture ends the search, not the call:
    // what was read so far stands.
    TSymbolSearch::SortReadingOrder(found);
  }
  return found;
}

}  // namespace vornak
