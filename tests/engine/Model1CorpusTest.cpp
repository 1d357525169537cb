// The two Model 1 pictures of the photo corpus: the reference builder
// reproduces their module matrices from their texts (the second picture
// was damaged in four modules, which it shows as the only differences), and
// the component reads both, the classic pipeline neither.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/Vornak.h"
#include "tests/support/BmpFile.h"
#include "tests/support/Model1Symbol.h"

namespace vornak {
namespace {

namespace fs = std::filesystem;

struct TPicture {
  const char* File;
  int Version;
  int Level;
  int Mask;
  int Origin;  // first pixel of the symbol
  int Scale;   // pixels per module
  // The segments the symbol holds, as libqrcodegen writes them.
  std::vector<qrcodegen::QrSegment> (*Segments)();
  // Modules where the picture differs from the symbol its text makes.
  std::vector<TPoint> Damaged;
  const char* Name;
};

std::vector<qrcodegen::QrSegment> BytesOfModel1() {
  const std::string text = "QR Code Model 1 ";
  return {qrcodegen::QrSegment::makeBytes(std::vector<uint8_t>(text.begin(), text.end()))};
}

std::vector<qrcodegen::QrSegment> PartsOfIssue940() {
  return {qrcodegen::QrSegment::makeAlphanumeric("N023X-3431800-V034PG03X-3436010-A"),
          qrcodegen::QrSegment::makeNumeric("1125032918310706")};
}

const std::vector<TPicture>& Pictures() {
  static const std::vector<TPicture> pictures = {
      {"qrcode-2-qr-model-1", 2, 1, 5, 8, 2, BytesOfModel1, {}, "Version2M"},
      {"qrcode-2-issue940",
       5,
       3,
       7,
       2,
       1,
       PartsOfIssue940,
       {{31, 17}, {29, 31}, {23, 34}, {33, 36}},
       "Version5H"},
  };
  return pictures;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path PhotoDir() { return fs::path(VORNAK_CORPUS_DIR) / "photos"; }

class Model1CorpusTest : public testing::TestWithParam<TPicture> {
 protected:
  void SetUp() override {
    if (std::string(VORNAK_CORPUS_DIR).empty()) GTEST_SKIP() << "VORNAK_CORPUS is empty";
    const TPicture& picture = GetParam();
    ASSERT_TRUE(test::LoadBmp(PhotoDir() / (std::string(picture.File) + ".bmp"), FBitmap))
        << picture.File;
  }
  TBitmap FBitmap;
};

TEST_P(Model1CorpusTest, TheBuilderMakesThePicturesModules) {
  const TPicture& picture = GetParam();
  const test::Model1Symbol symbol =
      test::MakeModel1(picture.Segments(), picture.Version, picture.Level, picture.Mask);
  const int side = symbol.Matrix.Width();
  std::vector<TPoint> differ;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int px = picture.Origin + picture.Scale * x + picture.Scale / 2;
      const int py = picture.Origin + picture.Scale * y + picture.Scale / 2;
      const uint32_t colour = FBitmap.Pixel(px, py);
      const int grey =
          static_cast<int>((colour & 0xFF) + ((colour >> 8) & 0xFF) + ((colour >> 16) & 0xFF)) / 3;
      if ((grey < 128 ? 1 : 0) != symbol.Matrix(x, y)) differ.push_back({x, y});
    }
  ASSERT_EQ(differ.size(), picture.Damaged.size());
  for (size_t i = 0; i < differ.size(); ++i) {
    bool listed = false;
    for (const TPoint& p : picture.Damaged)
      listed = listed || (p.X == differ[i].X && p.Y == differ[i].Y);
    EXPECT_TRUE(listed) << differ[i].X << ", " << differ[i].Y;
  }
}

TEST_P(Model1CorpusTest, ThePassesReadItAndTheClassicPipelineDoesNot) {
  const TPicture& picture = GetParam();
  const std::string expected = ReadAll(PhotoDir() / (std::string(picture.File) + ".txt"));
  TVornak vornak;
  ASSERT_TRUE(vornak.Decode(FBitmap)) << vornak.ErrorText();
  EXPECT_EQ(vornak.ResultText(), expected);
  EXPECT_EQ(vornak.Kind(), TSymbolKind::kModel1);
  EXPECT_EQ(vornak.Version(), picture.Version);
  EXPECT_EQ(vornak.Level(), picture.Level);
  TVornak classic;
  classic.SetClassic(true);
  EXPECT_FALSE(classic.Decode(FBitmap));
}

INSTANTIATE_TEST_SUITE_P(Photos, Model1CorpusTest, testing::ValuesIn(Pictures()),
                         [](const testing::TestParamInfo<TPicture>& info) {
                           return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace vornak
