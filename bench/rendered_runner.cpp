// Decode rates on the rendered hard photographs (tests/support/HardPhotos):
// labels round cylinders, wrinkled, creased, symbols off screens, and the
// same scenes without a symbol. For Vornak and zxing-cpp side by side, per
// group: how many pictures decode to exactly the expected text, how many
// fail and how many give a wrong text (any text at all, for the pictures
// without a symbol), with the median decode time of each.
//
//   bench_rendered [--list] [--write DIR] [--group NAME]...
//
// --list prints every picture; --write DIR also writes them (the JPEG files
// that were decoded, their texts and a manifest.tsv that bench_corpus reads);
// --group limits the run to the groups named.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench/PeerRead.h"
#include "engine/Vornak.h"
#include "tests/support/HardPhotos.h"

namespace {

using vornak::test::THardGroup;
using vornak::test::THardPhoto;

enum class TOutcome { Exact, Failed, Wrong };

struct TTally {
  int32_t Exact = 0;
  int32_t Failed = 0;
  int32_t Wrong = 0;
  std::vector<double> Milliseconds;
  void Add(TOutcome outcome, double ms) {
    if (outcome == TOutcome::Exact) ++Exact;
    if (outcome == TOutcome::Failed) ++Failed;
    if (outcome == TOutcome::Wrong) ++Wrong;
    Milliseconds.push_back(ms);
  }
  double Median() const {
    if (Milliseconds.empty()) return 0;
    std::vector<double> v = Milliseconds;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
};

// A text where none was expected is wrong too.
TOutcome Judge(bool decoded, const std::string& text, const std::string& expected) {
  if (!decoded) return TOutcome::Failed;
  return !expected.empty() && text == expected ? TOutcome::Exact : TOutcome::Wrong;
}

const char* Name(TOutcome outcome) {
  return outcome == TOutcome::Exact ? "exact" : (outcome == TOutcome::Failed ? "failed" : "wrong");
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void PrintRow(const std::string& name, int32_t count, const TTally& ours, const TTally* peer) {
  std::printf("%-10s %4d | %5d %6d %5d %9.1f", name.c_str(), count, ours.Exact, ours.Failed,
              ours.Wrong, ours.Median());
  if (peer != nullptr)
    std::printf(" | %5d %6d %5d %9.1f", peer->Exact, peer->Failed, peer->Wrong, peer->Median());
  std::printf("\n");
}

// Writes one picture where bench_corpus can read it.
void Write(const std::filesystem::path& folder, const THardPhoto& photo, const char* group,
           std::ofstream& manifest) {
  std::ofstream(folder / (photo.Name + ".jpg"), std::ios::binary)
      .write(reinterpret_cast<const char*>(photo.Photo.Jpeg.data()),
             static_cast<std::streamsize>(photo.Photo.Jpeg.size()));
  std::ofstream(folder / (photo.Name + ".txt"), std::ios::binary) << photo.Expected;
  manifest << photo.Name << ".jpg\trendered\t" << photo.Name << ".txt\t"
           << photo.Photo.Bitmap.Width() << "\t" << photo.Photo.Bitmap.Height() << "\t"
           << photo.Notes << "; seen: " << group << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  bool list = false;
  std::string write;
  std::vector<std::string> only;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--list") {
      list = true;
    } else if (argument == "--write" && i + 1 < argc) {
      write = argv[++i];
    } else if (argument == "--group" && i + 1 < argc) {
      only.push_back(argv[++i]);
    } else {
      std::cerr << "usage: bench_rendered [--list] [--write DIR] [--group NAME]...\n";
      return 2;
    }
  }
  std::ofstream manifest;
  if (!write.empty()) {
    std::filesystem::create_directories(write);
    manifest.open(std::filesystem::path(write) / "manifest.tsv");
    manifest << "file\tset\texpected-file\twidth\theight\tnotes\n";
  }

  vornak::TVornak component;
  component.SetWarp(6);
  component.SetResolver(7);
  component.SetForceVersion(0);
#ifdef VORNAK_HAVE_ZXING
  const bool peer = true;
  const ZXing::DecodeHints hints = vornak::bench::PeerHints();
#else
  const bool peer = false;
#endif

  struct TRow {
    std::string Name;
    int32_t Count = 0;
    TTally Ours, Peer;
  };
  std::vector<TRow> rows;
  for (const THardGroup group : vornak::test::HardGroups()) {
    const std::string name = vornak::test::HardGroupName(group);
    if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
    TRow& row = rows.emplace_back();
    row.Name = name;
    for (int32_t i = 0; i < vornak::test::HardGroupSize(group); ++i) {
      const THardPhoto photo = vornak::test::HardPhoto(group, i);
      auto start = std::chrono::steady_clock::now();
      const bool ok = component.Decode(photo.Photo.Bitmap);
      const TOutcome ours = Judge(ok, component.ResultText(), photo.Expected);
      row.Ours.Add(ours, Since(start));
      TOutcome theirs = TOutcome::Failed;
#ifdef VORNAK_HAVE_ZXING
      start = std::chrono::steady_clock::now();
      const ZXing::Result result = vornak::bench::PeerRead(photo.Photo.Bitmap, hints);
      const std::string bytes(result.bytes().begin(), result.bytes().end());
      theirs = Judge(result.isValid(), bytes, photo.Expected);
      row.Peer.Add(theirs, Since(start));
#endif
      ++row.Count;
      if (list)
        std::printf("%-14s Vornak %-6s%s  %s\n", photo.Name.c_str(), Name(ours),
                    peer ? (std::string(" zxing ") + Name(theirs)).c_str() : "",
                    photo.Notes.c_str());
      if (manifest.is_open()) Write(write, photo, name.c_str(), manifest);
    }
  }

  std::printf("== Rendered hard photographs, 240 x 240 JPEG (no symbol: any text is wrong)\n");
  std::printf("%-15s | %-32s", "", "Vornak");
  if (peer) std::printf(" | %-32s", "zxing-cpp");
  std::printf("\n%-10s %4s | %5s %6s %5s %9s", "group", "n", "exact", "failed", "wrong",
              "median ms");
  if (peer) std::printf(" | %5s %6s %5s %9s", "exact", "failed", "wrong", "median ms");
  std::printf("\n");
  for (const TRow& row : rows) PrintRow(row.Name, row.Count, row.Ours, peer ? &row.Peer : nullptr);
  return 0;
}
