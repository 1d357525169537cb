#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vornak::cli {

// A rectangle of the picture to decode, like the one dragged in the window.
struct TRegion {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// What the command line asks for. Defaults are the window's.
class TOptions {
 public:
  enum class TAction { Decode, Help, Version, UsageError };

  // Reads the arguments after the program name.
  static TOptions Parse(const std::vector<std::string>& arguments);
  static std::string HelpText();

  TAction Action = TAction::Decode;
  std::string Error;  // for UsageError
  int32_t Warp = 6;
  int32_t Resolver = 7;
  int32_t ForceVersion = 0;
  bool HasRegion = false;
  TRegion Region;
  bool Raw = false;
  bool Json = false;
  bool Classic = false;  // the classic pipeline alone, no further passes
  // Every symbol of each picture, not the first one read.
  bool All = false;
  // Structured-append parts joined across the files (implies All).
  bool Merge = false;
  int32_t Jobs = 1;
  // Where to write the decoded picture with the findings marked; one file
  // only. Empty: no such picture.
  std::string Annotate;
  std::vector<std::string> Files;
};

}  // namespace vornak::cli
