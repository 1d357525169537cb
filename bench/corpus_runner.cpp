// Decode rate on folders of pictures with expected payloads (manifest.tsv,
// <name>.bmp or .jpg, <name>.txt): for Vornak and zxing-cpp side by side, how
// many pictures decode to exactly the expected text, how many fail and how
// many give a wrong text, per category of the manifest's notes and overall,
// with the median decode time of each; one table per folder. Beside, how
// many pictures hold the expected text among every symbol DecodeAll reads
// (a picture of several symbols expects one of them); the figures above
// are the one-symbol Decode's.
//
//   bench_corpus <folder>... [--list]   --list also prints every picture
//
// A folder without a manifest stands for its subfolders that have one (the
// parent of several corpora).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/PeerRead.h"
#include "common/Types.h"
#include "engine/Vornak.h"
#include "platform/DisplayText.h"
#include "platform/PictureFile.h"

namespace {

enum class TOutcome { Exact, Failed, Wrong };

struct TTally {
  int32_t Exact = 0;
  int32_t Failed = 0;
  int32_t Wrong = 0;
  void Add(TOutcome outcome) {
    if (outcome == TOutcome::Exact) ++Exact;
    if (outcome == TOutcome::Failed) ++Failed;
    if (outcome == TOutcome::Wrong) ++Wrong;
  }
};

struct TRow {
  TTally Ours;
  TTally Peer;
  int32_t Count = 0;
};

struct TEntry {
  std::string File;
  std::string ExpectedFile;
  std::string Notes;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Notes read "...; seen: <kind>; <pose>; <feature>; ...". Remarks in
// parentheses are dropped (they may hold semicolons of their own).
std::vector<std::string> Categories(const std::string& notes) {
  std::string plain;
  int depth = 0;
  for (char c : notes) {
    if (c == '(') ++depth;
    if (depth == 0) plain.push_back(c);
    if (c == ')' && depth > 0) --depth;
  }
  std::vector<std::string> categories;
  const size_t seen = plain.find("seen:");
  if (seen == std::string::npos) return {"kind: unknown"};
  std::stringstream parts(plain.substr(seen + 5));
  std::string part;
  int index = 0;
  while (std::getline(parts, part, ';')) {
    part = Trim(part);
    if (part.empty()) continue;
    const char* prefix = index == 0 ? "kind: " : (index == 1 ? "pose: " : "feature: ");
    categories.push_back(prefix + part);
    ++index;
  }
  return categories;
}

std::vector<TEntry> ReadManifest(const std::string& folder) {
  std::ifstream in(folder + "/manifest.tsv");
  if (!in) throw std::runtime_error("cannot read " + folder + "/manifest.tsv");
  std::vector<TEntry> entries;
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream columns(line);
    std::string field;
    while (std::getline(columns, field, '\t')) fields.push_back(field);
    if (fields.size() < 6) continue;
    entries.push_back(TEntry{fields[0], fields[2], fields[5]});
  }
  return entries;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

const char* Name(TOutcome outcome) {
  return outcome == TOutcome::Exact ? "exact" : (outcome == TOutcome::Failed ? "failed" : "wrong");
}

void PrintRow(const std::string& name, const TRow& row, bool peer) {
  std::printf("%-44s %5d | %5d %6d %5d", name.substr(0, 44).c_str(), row.Count, row.Ours.Exact,
              row.Ours.Failed, row.Ours.Wrong);
  if (peer) std::printf(" | %5d %6d %5d", row.Peer.Exact, row.Peer.Failed, row.Peer.Wrong);
  std::printf("\n");
}

// The corpora named: each folder with a manifest, else its subfolders that
// have one, in name order.
std::vector<std::string> Corpora(const std::vector<std::string>& named) {
  namespace fs = std::filesystem;
  std::vector<std::string> corpora;
  for (const std::string& folder : named) {
    if (fs::exists(fs::path(folder) / "manifest.tsv")) {
      corpora.push_back(folder);
      continue;
    }
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
      if (entry.is_directory() && fs::exists(entry.path() / "manifest.tsv"))
        found.push_back(entry.path().string());
    std::sort(found.begin(), found.end());
    if (found.empty()) throw std::runtime_error("no manifest.tsv in or below " + folder);
    corpora.insert(corpora.end(), found.begin(), found.end());
  }
  return corpora;
}

// Decodes every picture of one corpus and prints its table; false when a
// picture could not be loaded.
bool RunCorpus(const std::string& folder, bool list, vornak::TVornak& component) {
#ifdef VORNAK_HAVE_ZXING
  const bool peer = true;
  const ZXing::DecodeHints hints = vornak::bench::PeerHints();
#else
  const bool peer = false;
#endif
  const std::vector<TEntry> entries = ReadManifest(folder);
  std::map<std::string, TRow> rows;
  TRow overall;
  std::vector<double> oursMs, peerMs;
  int32_t unreadable = 0;
  int32_t allExact = 0;
  vornak::TVornak every;
  every.SetWarp(component.Warp());
  every.SetResolver(component.Resolver());
  every.SetForceVersion(component.ForceVersion());
  for (const TEntry& entry : entries) {
    const vornak::TPictureFile::TResult picture =
        vornak::TPictureFile::Load(folder + "/" + entry.File);
    if (!picture.Ok) {
      std::cerr << picture.Error << "\n";
      ++unreadable;
      continue;
    }
    const std::string expected = ReadAll(folder + "/" + entry.ExpectedFile);

    // Exact means the bytes, or their display form, equal the expected text.
    auto start = std::chrono::steady_clock::now();
    const bool ok = component.Decode(picture.Bitmap);
    oursMs.push_back(Milliseconds(start));
    TOutcome ours = TOutcome::Failed;
    if (ok) {
      const std::string& bytes = component.ResultText();
      ours = bytes == expected || vornak::TDisplayText::ToUtf8(bytes, component.Eci(),
                                                               component.Hanzi()) == expected
                 ? TOutcome::Exact
                 : TOutcome::Wrong;
    }

    TOutcome theirs = TOutcome::Failed;
#ifdef VORNAK_HAVE_ZXING
    start = std::chrono::steady_clock::now();
    const ZXing::Result result = vornak::bench::PeerRead(picture.Bitmap, hints);
    peerMs.push_back(Milliseconds(start));
    if (result.isValid()) {
      const std::string bytes(result.bytes().begin(), result.bytes().end());
      theirs = bytes == expected || result.text() == expected ? TOutcome::Exact : TOutcome::Wrong;
    }
#endif

    // Every symbol, beside: read when the expected text is among them.
    const std::string single = ok ? component.Pass() : component.ErrorText();
    bool among = false;
    for (const vornak::TSymbolResult& symbol : every.DecodeAll(picture.Bitmap))
      among = among || symbol.Text == expected ||
              vornak::TDisplayText::ToUtf8(symbol.Text, symbol.Eci, symbol.Hanzi) == expected;
    allExact += among ? 1 : 0;

    if (list)
      std::printf("%-40s Vornak %-6s %8.2f ms%s %s\n", entry.File.c_str(), Name(ours),
                  oursMs.back(),
                  peer ? (std::string(" zxing ") + Name(theirs) + " " +
                          std::to_string(peerMs.empty() ? 0.0 : peerMs.back()) + " ms")
                             .c_str()
                       : "",
                  single.c_str());
    for (const std::string& category : Categories(entry.Notes)) {
      TRow& row = rows[category];
      ++row.Count;
      row.Ours.Add(ours);
      row.Peer.Add(theirs);
    }
    ++overall.Count;
    overall.Ours.Add(ours);
    overall.Peer.Add(theirs);
  }

  std::printf("== %s\n", folder.c_str());
  std::printf("%-44s %5s | %-18s", "", "", "Vornak");
  if (peer) std::printf(" | %-18s", "zxing-cpp");
  std::printf("\n%-44s %5s | %5s %6s %5s", "category", "n", "exact", "failed", "wrong");
  if (peer) std::printf(" | %5s %6s %5s", "exact", "failed", "wrong");
  std::printf("\n");
  for (const auto& [name, row] : rows) PrintRow(name, row, peer);
  PrintRow("overall", overall, peer);
  std::printf("median decode time: Vornak %.2f ms", Median(oursMs));
  if (peer) std::printf(", zxing-cpp %.2f ms", Median(peerMs));
  std::printf(" (%d pictures", overall.Count);
  if (unreadable > 0) std::printf(", %d unreadable", unreadable);
  std::printf(")\n");
  std::printf("every symbol (DecodeAll): expected text among them in %d of %d pictures\n", allExact,
              overall.Count);
  return unreadable == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> named;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--list")
      list = true;
    else
      named.push_back(argument);
  }
  if (named.empty()) {
    std::cerr << "usage: bench_corpus <folder>... [--list]\n";
    return 2;
  }
  vornak::TVornak component;
  component.SetWarp(6);
  component.SetResolver(7);
  component.SetForceVersion(0);
  bool loaded = true;
  try {
    for (const std::string& corpus : Corpora(named))
      loaded = RunCorpus(corpus, list, component) && loaded;
  } catch (const std::exception& e) {
    std::cerr << "bench_corpus: " << e.what() << "\n";
    return 1;
  }
  return loaded ? 0 : 1;
}
