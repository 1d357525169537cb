// The real photographs through the component, with the passes and with the
// classic pipeline alone: exact text or a failure, never a wrong text; the
// passes keep every classic decode and add to them. Prints the counts per
// kind of picture (the "seen:" note of the manifest) and per pass.

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/SymbolResult.h"
#include "engine/Vornak.h"
#include "tests/support/BmpFile.h"

namespace vornak {
namespace {

namespace fs = std::filesystem;
using test::LoadBmp;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TPhoto {
  std::string File;
  std::string Expected;
  std::string Kind;  // the "seen:" note: photo, synthetic, screenshot, ...
  bool SeveralSymbols = false;
};

std::vector<TPhoto> ReadManifest(const fs::path& dir) {
  std::vector<TPhoto> photos;
  std::ifstream manifest(dir / "manifest.tsv");
  std::string line;
  std::getline(manifest, line);  // column names
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (fields.size() < 3) continue;
    TPhoto photo;
    photo.File = fields[0];
    photo.Expected = ReadAll(dir / fields[2]);
    const std::string notes = fields.size() > 5 ? fields[5] : "";
    const size_t seen = notes.find("seen: ");
    if (seen != std::string::npos) {
      const size_t end = notes.find(';', seen);
      photo.Kind = notes.substr(seen + 6, end == std::string::npos ? end : end - seen - 6);
    }
    photo.SeveralSymbols = notes.find("multi-symbol") != std::string::npos;
    photos.push_back(photo);
  }
  return photos;
}

// The expected texts are UTF-8; the engine gives Kanji and half-width kana
// as Shift JIS bytes and Hanzi as GB 2312 bytes. Empty when the text has no
// such form.
std::string Encoded(const std::string& utf8, const char* charset) {
  iconv_t convert = iconv_open(charset, "UTF-8");
  if (convert == reinterpret_cast<iconv_t>(-1)) return "";
  std::string in = utf8;
  std::string out(utf8.size() * 2 + 4, '\0');
  char* source = in.data();
  char* target = out.data();
  size_t left = in.size();
  size_t room = out.size();
  const size_t done = iconv(convert, &source, &left, &target, &room);
  iconv_close(convert);
  if (done == static_cast<size_t>(-1)) return "";
  out.resize(out.size() - room);
  return out;
}

// Exact text; a symbol of a structured-append sequence may carry its part.
bool Exact(const TVornak& vornak, const TPhoto& photo) {
  const std::string& text = vornak.ResultText();
  if (text.empty()) return false;
  const std::string local = Encoded(photo.Expected, vornak.Hanzi() ? "GB18030" : "CP932");
  for (const std::string& expected : {photo.Expected, local}) {
    if (text == expected) return true;
    if (vornak.HasStructuredAppend() && expected.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(PassesCorpusTest, PhotosDecodeExactlyWithAndWithoutThePasses) {
  // The corpus is left out only on purpose (VORNAK_CORPUS empty): a path
  // that holds none is a set-up fault, not a pass.
  const fs::path corpus = VORNAK_CORPUS_DIR;
  if (corpus.empty()) GTEST_SKIP() << "VORNAK_CORPUS is empty";
  const fs::path dir = corpus / "photos";
  ASSERT_TRUE(fs::exists(dir / "manifest.tsv")) << "no photo corpus at " << dir;
  const std::vector<TPhoto> photos = ReadManifest(dir);
  ASSERT_FALSE(photos.empty());

  struct TCount {
    int Total = 0;
    int Classic = 0;
    int Passes = 0;
  };
  std::map<std::string, TCount> kinds;
  std::map<std::string, int> byPass;
  TCount all;
  TVornak classic;
  classic.SetClassic(true);
  classic.SetWarp(6);  // the window's and the command line's default
  TVornak vornak;
  vornak.SetWarp(6);
  for (const TPhoto& photo : photos) {
    TBitmap bitmap;
    ASSERT_TRUE(LoadBmp(dir / photo.File, bitmap)) << photo.File;
    const bool classicRead = classic.Decode(bitmap);
    const bool passesRead = vornak.Decode(bitmap);
    const bool classicExact = classicRead && Exact(classic, photo);
    const bool passesExact = passesRead && Exact(vornak, photo);
    if (!photo.SeveralSymbols) {
      EXPECT_EQ(classicRead, classicExact) << "wrong classic text for " << photo.File;
      EXPECT_EQ(passesRead, passesExact)
          << "wrong text for " << photo.File << " from pass " << vornak.Pass();
    }
    // The classic pass runs first and unchanged.
    if (classicRead) {
      EXPECT_TRUE(passesRead) << photo.File;
      EXPECT_EQ(vornak.Pass(), "classic") << photo.File;
      EXPECT_EQ(vornak.ResultText(), classic.ResultText()) << photo.File;
    }
    TCount& kind = kinds[photo.Kind];
    ++kind.Total;
    ++all.Total;
    kind.Classic += classicExact ? 1 : 0;
    all.Classic += classicExact ? 1 : 0;
    kind.Passes += passesExact ? 1 : 0;
    all.Passes += passesExact ? 1 : 0;
    if (passesExact) ++byPass[vornak.Pass()];
    if (!passesExact)
      std::cout << "  not read: " << photo.File << " (" << vornak.ErrorText() << " "
                << vornak.ExceptionText() << ")\n";
  }
  std::cout << "  kind: total, classic, with the passes\n";
  for (const auto& [kind, count] : kinds)
    std::cout << "  " << kind << ": " << count.Total << ", " << count.Classic << ", "
              << count.Passes << "\n";
  std::cout << "  all: " << all.Total << ", " << all.Classic << ", " << all.Passes << "\n ";
  for (const auto& [pass, count] : byPass) std::cout << " " << pass << "=" << count;
  std::cout << "\n";
  // The passes exist for these pictures: they must add decodes.
  EXPECT_GT(all.Passes, all.Classic);
}

// Every symbol of each photograph: the expected text counts read when it is
// among them (a picture of several symbols expects one of them), and no
// symbol of a picture of one symbol may be other than the expected text.
// The one-symbol figures above stay as they are; these are reported beside.
TEST(PassesCorpusTest, EverySymbolOfThePhotosIsExact) {
  const fs::path corpus = VORNAK_CORPUS_DIR;
  if (corpus.empty()) GTEST_SKIP() << "VORNAK_CORPUS is empty";
  const fs::path dir = corpus / "photos";
  ASSERT_TRUE(fs::exists(dir / "manifest.tsv")) << "no photo corpus at " << dir;
  const std::vector<TPhoto> photos = ReadManifest(dir);
  ASSERT_FALSE(photos.empty());
  TVornak one;
  one.SetWarp(6);
  TVornak every;
  every.SetWarp(6);
  int single = 0, among = 0, several = 0;
  for (const TPhoto& photo : photos) {
    TBitmap bitmap;
    ASSERT_TRUE(LoadBmp(dir / photo.File, bitmap)) << photo.File;
    const bool read = one.Decode(bitmap);
    const std::vector<TSymbolResult> symbols = every.DecodeAll(bitmap);
    // The first decode is the one of today, whatever follows it.
    EXPECT_EQ(read, !symbols.empty()) << photo.File;
    EXPECT_EQ(every.ResultText(), one.ResultText()) << photo.File;
    EXPECT_EQ(every.Pass(), one.Pass()) << photo.File;
    single += read && Exact(one, photo) ? 1 : 0;
    bool found = false;
    for (const TSymbolResult& symbol : symbols) {
      bool exact = false;
      const std::string local = Encoded(photo.Expected, symbol.Hanzi ? "GB18030" : "CP932");
      for (const std::string& expected : {photo.Expected, local})
        exact = exact || symbol.Text == expected ||
                (symbol.HasStructuredAppend && expected.find(symbol.Text) != std::string::npos);
      found = found || exact;
      if (!photo.SeveralSymbols) {
        EXPECT_TRUE(exact) << "wrong symbol in " << photo.File;
      }
    }
    among += found ? 1 : 0;
    if (photo.SeveralSymbols) {
      ++several;
      EXPECT_GE(symbols.size(), 2U) << photo.File;
      EXPECT_TRUE(found) << "the expected symbol is not among those of " << photo.File;
    }
  }
  std::cout << "  one symbol: " << single << " of " << photos.size()
            << "; expected text among every symbol: " << among << " (" << several
            << " pictures of several symbols)\n";
  EXPECT_GE(among, single);
}

}  // namespace
}  // namespace vornak
