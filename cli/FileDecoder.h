#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "common/Types.h"
#include "engine/SymbolResult.h"
#include "platform/PictureFile.h"

namespace vornak {
class TVornak;
}

namespace vornak::cli {

// The outcome for one file on the command line.
struct TFileResult {
  std::string File;
  bool Readable = false;  // the picture loaded and the region fits it
  bool Ok = false;        // a symbol was decoded
  std::string Bytes;      // the engine's text, unchanged
  std::string Text;       // the same as UTF-8
  std::string Error;      // UTF-8; empty on success
  std::string Exception;  // message of an exception the decode ended in
  std::string Pass;       // the pass that decoded; empty on failure
  std::string Kind;       // "QR Code", "Micro QR Code"; empty on failure
  int32_t Version = 0;
  int32_t Level = -1;
  int32_t Mask = -1;
  int32_t Eci = -1;
  bool HasStructuredAppend = false;
  int32_t AppendIndex = 0;
  int32_t AppendTotal = 0;
  double Milliseconds = 0;    // the decode alone, loading excluded
  std::string Stage;          // how far the decode got (JSON and --annotate only)
  std::string AnnotateError;  // why the annotated picture could not be written
  // With --all: every symbol in reading order, and each one's text as UTF-8.
  std::vector<TSymbolResult> Symbols;
  std::vector<std::string> SymbolTexts;
};

// Loads, crops and decodes files with one component, which it owns.
// The file name that stands for standard input.
inline constexpr const char* kStandardInput = "-";

class TFileDecoder {
 public:
  explicit TFileDecoder(const TOptions& options);
  ~TFileDecoder();
  TFileDecoder(const TFileDecoder&) = delete;
  TFileDecoder& operator=(const TFileDecoder&) = delete;

  TFileResult DecodeFile(const std::string& file);

  // The part of the picture inside region; empty when they do not overlap.
  static TBitmap Crop(const TBitmap& bitmap, const TRegion& region);

 private:
  TFileResult DecodeFileUnguarded(const std::string& file);
  // The picture a pipe or redirection gives (the file name "-").
  static TPictureFile::TResult LoadStandardInput();

  const TOptions& FOptions;
  std::unique_ptr<TVornak> FVornak;
};

// Decodes every file of the options, Jobs at a time, one component per
// thread, and hands each result to report in the order of the arguments as
// soon as it and all before it are done.
void DecodeAll(const TOptions& options, const std::function<void(const TFileResult&)>& report);

}  // namespace vornak::cli
