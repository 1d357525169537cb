// The real photographs: each decodes to exactly its expected text or fails;
// never a wrong text, a crash or a hang.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/DisplayText.h"
#include "tests/cli/CliRun.h"

namespace vornak::test {
namespace {

namespace fs = std::filesystem;

struct TPhoto {
  std::string Name;
  std::string Expected;
  // The picture holds more than one symbol and the expected text is one
  // of them.
  bool SeveralSymbols = false;
};

std::vector<TPhoto> ReadManifest(const fs::path& dir) {
  std::vector<TPhoto> photos;
  std::ifstream manifest(dir / "manifest.tsv");
  std::string line;
  std::getline(manifest, line);  // column names
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string file, set, expected, width, height, notes;
    if (!std::getline(fields, file, '\t') || !std::getline(fields, set, '\t') ||
        !std::getline(fields, expected, '\t'))
      continue;
    std::getline(fields, width, '\t');
    std::getline(fields, height, '\t');
    std::getline(fields, notes);
    photos.push_back({file, ReadFile((dir / expected).string()),
                      notes.find("multi-symbol") != std::string::npos});
  }
  return photos;
}

// Decodes every photo in one run of the program and checks each result;
// returns the number decoded.
int CheckAll(const fs::path& dir, const std::vector<TPhoto>& photos, const std::string& mode,
             const std::vector<std::string>& options) {
  std::vector<std::string> arguments = {"--json", "--jobs", "2"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  for (const TPhoto& photo : photos) arguments.push_back((dir / photo.Name).string());
  const TCliOutput run = RunDecoder(arguments, 800);
  EXPECT_NE(run.Status, 124) << "the decoder hung";
  EXPECT_TRUE(run.Status == 0 || run.Status == 1) << run.Status << " " << run.Err;
  const auto lines = ParseJsonLines(run.Out);
  EXPECT_EQ(lines.size(), photos.size());
  if (lines.size() != photos.size()) return 0;

  int decoded = 0;
  for (size_t i = 0; i < photos.size(); ++i) {
    const auto& line = lines[i];
    EXPECT_EQ(line.at("readable"), "true") << photos[i].Name << ": " << line.at("error");
    if (line.at("ok") != "true") {
      std::cout << "  " << mode << ": failed " << photos[i].Name << ": " << line.at("error")
                << "\n";
      continue;
    }
    ++decoded;
    const std::string bytes = Unhex(line.at("bytes"));
    const std::string& expected = photos[i].Expected;
    // The expected payloads are Unicode text; the engine gives bytes (Kanji
    // as Shift JIS), so either form may match. A part of a structured-append
    // sequence carries its share of the merged text.
    const bool exact = bytes == expected || line.at("text") == expected;
    const bool part = line.count("append") && !bytes.empty() &&
                      (expected.find(bytes) != std::string::npos ||
                       expected.find(line.at("text")) != std::string::npos);
    if (!exact && !part && photos[i].SeveralSymbols) {
      std::cout << "  " << mode << ": decoded another symbol of " << photos[i].Name << ": \""
                << line.at("text") << "\"\n";
      continue;
    }
    EXPECT_TRUE(exact || part) << mode << ": wrong text for " << photos[i].Name << ": \""
                               << line.at("text") << "\" instead of \"" << expected << "\"";
  }
  std::cout << "corpus, " << mode << ": " << decoded << " of " << photos.size()
            << " photos decoded\n";
  return decoded;
}

TEST(CorpusTest, EveryPhotoGivesItsTextOrFails) {
  // The corpus is left out only on purpose (VORNAK_CORPUS empty): a path
  // that holds none is a set-up fault, not a pass.
  const fs::path corpus = VORNAK_CORPUS_DIR;
  if (corpus.empty()) GTEST_SKIP() << "VORNAK_CORPUS is empty";
  const fs::path dir = corpus / "photos";
  ASSERT_TRUE(fs::exists(dir / "manifest.tsv")) << "no photo corpus at " << dir;
  ASSERT_TRUE(fs::exists(DecoderPath())) << "build vornak-decode first: " << DecoderPath();
  const std::vector<TPhoto> photos = ReadManifest(dir);
  ASSERT_FALSE(photos.empty());
  const int classic = CheckAll(dir, photos, "classic pipeline", {"--classic"});
  const int defaults = CheckAll(dir, photos, "window's defaults", {});
  // The passes run only after the classic pipeline fails.
  EXPECT_GE(defaults, classic);
}

}  // namespace
}  // namespace vornak::test
