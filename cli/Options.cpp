#include "cli/Options.h"

#include <algorithm>

#include <charconv>
#include <functional>

namespace vornak::cli {

namespace {

bool ParseInteger(const std::string& text, int32_t& value) {
  if (text.empty()) return false;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  if (*begin == '+') ++begin;
  const auto [stop, error] = std::from_chars(begin, end, value);
  return error == std::errc() && stop == end;
}

bool ParseRegion(const std::string& text, TRegion& region) {
  int32_t parts[4];
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',', start);
    if ((i < 3) != (comma != std::string::npos)) return false;
    const std::string part = text.substr(start, i < 3 ? comma - start : std::string::npos);
    if (!ParseInteger(part, parts[i])) return false;
    start = comma + 1;
  }
  region = {parts[0], parts[1], parts[2], parts[3]};
  return region.X >= 0 && region.Y >= 0 && region.Width > 0 && region.Height > 0;
}

TOptions Usage(std::string message) {
  TOptions options;
  options.Action = TOptions::TAction::UsageError;
  options.Error = std::move(message);
  return options;
}

}  // namespace

std::string TOptions::HelpText() {
  return "Usage: vornak-decode [OPTION]... FILE...\n"
         "Reads the QR Code (Model 2 or Model 1), Micro QR Code or rMQR Code symbol\n"
         "in each picture (BMP, JPEG, PNG, GIF, TIFF, WebP, PBM, PGM or PPM, told by\n"
         "its content) and prints its text.\n"
         "\n"
         "Options:\n"
         "  --warp N           search radius for the fourth corner, 1..6 (default 6)\n"
         "  --resolver N       binarization offset, 1..255 (default 7)\n"
         "  --force-version N  assume symbol version N, 1..40; 0 detects it (default 0)\n"
         "  --region X,Y,W,H   decode only this rectangle of each picture (cut at its\n"
         "                     edges)\n"
         "  --raw              write the decoded bytes unchanged instead of UTF-8 text\n"
         "  --json             one JSON object per file and line: file, ok, text, error,\n"
         "                     kind (QR Code, Micro QR Code, rMQR Code, QR Code\n"
         "                     Model 1), version (rMQR: 1 R7x43 to 32 R17x139),\n"
         "                     level, mask, eci, ms (decode time), pass and more\n"
         "  --classic          run the classic pipeline alone, without the passes for\n"
         "                     photographs that follow it when it fails\n"
         "  --all              every symbol of each picture, in reading order (top to\n"
         "                     bottom, left to right), each under its number; with\n"
         "                     --json one object per symbol, with index and corners\n"
         "  --merge            as --all, and join the parts of structured-append\n"
         "                     sequences across all the files into their messages,\n"
         "                     printed after the files; a missing part is named, a\n"
         "                     wrong parity refused\n"
         "  --jobs N           decode N files at a time (default 1)\n"
         "  --annotate OUT.png write the decoded picture (the region, when given) as PNG\n"
         "                     with what the decode found marked: finder candidates\n"
         "                     (orange), chosen finders (red), outline (blue) and\n"
         "                     sampled module centres (green); one FILE only; with\n"
         "                     --all every symbol outlined and numbered\n"
         "  -h, --help         show this help and exit\n"
         "  --version          show the version and exit\n"
         "\n"
         "A FILE of - reads the picture from standard input.\n"
         "With several files each result is prefixed by its file name. Decoded text goes\n"
         "to standard output, errors to standard error. With --raw and one file nothing\n"
         "is added to the bytes.\n"
         "\n"
         "Exit status: 0 when every file decoded, 1 when any did not, 2 for a usage\n"
         "error or a file that could not be read (or whose picture the region misses).\n";
}

TOptions TOptions::Parse(const std::vector<std::string>& arguments) {
  TOptions options;
  bool onlyFiles = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
      options.Files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      onlyFiles = true;
      continue;
    }
    if (argument == "-h" || argument == "--help") {
      options.Action = TAction::Help;
      return options;
    }
    if (argument == "--version") {
      options.Action = TAction::Version;
      return options;
    }
    if (argument == "--raw") {
      options.Raw = true;
      continue;
    }
    if (argument == "--json") {
      options.Json = true;
      continue;
    }
    if (argument == "--all") {
      options.All = true;
      continue;
    }
    if (argument == "--merge") {
      options.All = true;
      options.Merge = true;
      continue;
    }
    if (argument == "--classic") {
      options.Classic = true;
      continue;
    }

    // Options with a value: "--name value" or "--name=value".
    std::string name = argument;
    std::string value;
    const size_t equals = argument.find('=');
    if (equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    struct TNumber {
      const char* Name;
      int32_t* Target;
      int32_t Low;
      int32_t High;
    };
    const TNumber numbers[] = {{"--warp", &options.Warp, 1, 6},
                               {"--resolver", &options.Resolver, 1, 255},
                               {"--force-version", &options.ForceVersion, 0, 40},
                               {"--jobs", &options.Jobs, 1, 256}};
    if (name == "--annotate") {
      if (equals == std::string::npos) {
        if (i + 1 >= arguments.size()) return Usage("option '" + name + "' needs a value");
        value = arguments[++i];
      }
      if (value.empty()) return Usage("--annotate needs the name of the picture to write");
      options.Annotate = value;
      continue;
    }
    const bool isRegion = name == "--region";
    const TNumber* number = nullptr;
    for (const TNumber& candidate : numbers)
      if (name == candidate.Name) number = &candidate;
    if (!isRegion && number == nullptr) return Usage("unknown option '" + name + "'");
    if (equals == std::string::npos) {
      if (i + 1 >= arguments.size()) return Usage("option '" + name + "' needs a value");
      value = arguments[++i];
    }
    if (isRegion) {
      if (!ParseRegion(value, options.Region))
        return Usage("--region needs X,Y,W,H with X, Y >= 0 and W, H > 0, not '" + value + "'");
      options.HasRegion = true;
      continue;
    }
    int32_t parsed = 0;
    if (!ParseInteger(value, parsed) || parsed < number->Low || parsed > number->High)
      return Usage(name + " needs a whole number from " + std::to_string(number->Low) + " to " +
                   std::to_string(number->High) + ", not '" + value + "'");
    *number->Target = parsed;
  }
  if (options.Files.empty()) return Usage("no picture file given");
  if (std::count(options.Files.begin(), options.Files.end(), "-") > 1)
    return Usage("standard input ('-') can be read only once");
  if (!options.Annotate.empty() && options.Files.size() != 1)
    return Usage("--annotate takes exactly one picture file");
  return options;
}

}  // namespace vornak::cli
