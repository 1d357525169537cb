// vornak-decode --all and --merge: every symbol of a picture under its
// number, and structured-append sequences from the qrencode command line
// joined across files and within one picture.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Overlay.h"
#include "platform/QtBitmap.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/PictureWriter.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"
#include "tests/support/Sheet.h"

namespace vornak::test {
namespace {

namespace fs = std::filesystem;

class AllSymbolsTest : public TCliTest {
 protected:
  // Two symbols side by side, "left" and "right", as a BMP file.
  std::string TwoSymbols() {
    TSheet sheet(460, 220);
    TRenderOptions options;
    options.ModuleSize = 5;
    sheet.Place(Make("left", 2, 1, 3).Matrix, options, 10, 20);
    sheet.Place(Make("right", 3, 2, 5).Matrix, options, 230, 10);
    const std::string path = PathOf("two.bmp");
    EXPECT_TRUE(WriteBmp(sheet.Bitmap(), path));
    return path;
  }
};

TEST_F(AllSymbolsTest, TextListsEachSymbolUnderItsNumber) {
  const TCliOutput output = RunDecoder({"--all", TwoSymbols()});
  EXPECT_EQ(output.Status, 0) << output.Err;
  EXPECT_EQ(output.Out, "[1]\nleft\n[2]\nright\n");
  // Without --all, the one symbol of today.
  const TCliOutput one = RunDecoder({PathOf("two.bmp")});
  EXPECT_TRUE(one.Out == "left\n" || one.Out == "right\n") << one.Out;
}

TEST_F(AllSymbolsTest, JsonGivesOneObjectPerSymbolWithIndexAndCorners) {
  const TCliOutput output = RunDecoder({"--all", "--json", TwoSymbols()});
  EXPECT_EQ(output.Status, 0) << output.Err;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < output.Out.size()) {
    const size_t end = output.Out.find('\n', start);
    lines.push_back(output.Out.substr(start, end - start));
    start = end == std::string::npos ? output.Out.size() : end + 1;
  }
  ASSERT_EQ(lines.size(), 2U) << output.Out;
  // The flat fields, the corners' nested arrays set aside.
  auto flat = [](std::string line) {
    const size_t at = line.find("\"corners\":[");
    if (at != std::string::npos) line.erase(at, line.find("]]", at) + 3 - at);
    return ParseJsonLine(line);
  };
  const auto first = flat(lines[0]);
  const auto second = flat(lines[1]);
  EXPECT_EQ(first.at("index"), "1");
  EXPECT_EQ(first.at("text"), "left");
  EXPECT_EQ(first.at("version"), "2");
  EXPECT_EQ(first.at("level"), "M");
  EXPECT_EQ(first.at("mask"), "3");
  EXPECT_EQ(second.at("index"), "2");
  EXPECT_EQ(second.at("text"), "right");
  EXPECT_EQ(second.at("version"), "3");
  EXPECT_EQ(second.at("level"), "Q");
  // The left symbol's outline lies in the left half, near where it was laid
  // (quiet zone of 4 modules of 5 pixels from (10, 20)).
  EXPECT_NE(lines[0].find("\"corners\":[[30,40],"), std::string::npos) << lines[0];
}

TEST_F(AllSymbolsTest, NoSymbolGivesOneFailedObject) {
  const std::string path = PathOf("blank.bmp");
  ASSERT_TRUE(WriteBmp(TBitmap(120, 90), path));
  const TCliOutput output = RunDecoder({"--all", "--json", path});
  EXPECT_EQ(output.Status, 1);
  const auto fields = ParseJsonLine(output.Out);
  EXPECT_EQ(fields.at("index"), "null");
  EXPECT_EQ(fields.at("ok"), "false");
}

TEST_F(AllSymbolsTest, AnnotateNumbersEverySymbol) {
  const std::string out = PathOf("marked.png");
  const TCliOutput output = RunDecoder({"--all", "--annotate", out, TwoSymbols()});
  EXPECT_EQ(output.Status, 0) << output.Err;
  const QImage image(QString::fromStdString(out));
  ASSERT_FALSE(image.isNull());
  // A number box in the middle of each symbol: the left one's middle is
  // (10 + 4 * 5 + 12.5 * 5, 20 + 4 * 5 + 12.5 * 5).
  auto numberNear = [&](int cx, int cy) {
    for (int y = cy - 12; y <= cy + 12; ++y)
      for (int x = cx - 12; x <= cx + 12; ++x)
        if (image.pixelColor(x, y) == TOverlay::NumberColour()) return true;
    return false;
  };
  EXPECT_TRUE(numberNear(92, 102));
  EXPECT_TRUE(numberNear(230 + 20 + 73, 10 + 20 + 73));
}

// The parts of a message written by the qrencode command line, one PNG per
// part, turned into BMP files.
std::vector<std::string> QrencodeParts(const fs::path& dir, const std::string& base,
                                       const std::string& text, int version) {
  const fs::path png = dir / (base + ".png");
  const std::string command = "qrencode -S -v " + std::to_string(version) + " -o " +
                              Quote(png.string()) + " " + Quote(text);
  if (std::system(command.c_str()) != 0) return {};
  std::vector<std::string> parts;
  for (int i = 1;; ++i) {
    const fs::path part = dir / (base + "-" + (i < 10 ? "0" : "") + std::to_string(i) + ".png");
    if (!fs::exists(part)) break;
    const QImage image(QString::fromStdString(part.string()));
    const fs::path bmp = dir / (base + "-" + std::to_string(i) + ".bmp");
    if (image.isNull() || !image.save(QString::fromStdString(bmp.string()), "BMP")) return {};
    parts.push_back(bmp.string());
  }
  return parts;
}

struct TSequence {
  const char* Text;
  int Version;
};

// Messages that qrencode splits into four parts at the version given.
const TSequence kSequences[] = {
    {"Four parts of one message, joined by the reader.", 1},
    {"Structured append across four files: one message, four symbols, joined again by the "
     "reader in index order.",
     2},
    {"A third message: long enough for four symbols of version three, each holding its share "
     "of the bytes and the parity of all of them, joined by the reader again and again, at last.",
     3},
};

class MergeSweep : public TCliTest, public testing::WithParamInterface<TSequence> {};

TEST_P(MergeSweep, FourFilesInAnyOrderJoinExactly) {
  const std::vector<std::string> parts =
      QrencodeParts(FDir, "message", GetParam().Text, GetParam().Version);
  ASSERT_EQ(parts.size(), 4U) << "qrencode -S should split this into four parts";
  const TCliOutput output = RunDecoder({"--merge", parts[3], parts[1], parts[0], parts[2]});
  EXPECT_EQ(output.Status, 0) << output.Err;
  EXPECT_EQ(output.Out, std::string("[structured append (4 parts)]\n") + GetParam().Text + "\n");
  EXPECT_EQ(output.Err, "");
}

TEST_P(MergeSweep, AMissingPartIsNamedAndTheOthersShown) {
  const std::vector<std::string> parts =
      QrencodeParts(FDir, "message", GetParam().Text, GetParam().Version);
  ASSERT_EQ(parts.size(), 4U);
  const TCliOutput output = RunDecoder({"--merge", parts[0], parts[1], parts[3]});
  EXPECT_EQ(output.Status, 1);
  EXPECT_NE(output.Err.find("part 3 of 4 missing"), std::string::npos) << output.Err;
  // The parts found, joined: the message's start and end, not all of it.
  const std::string text = GetParam().Text;
  EXPECT_NE(output.Out.find(text.substr(0, 4)), std::string::npos) << output.Out;
  EXPECT_NE(output.Out.find(text.substr(text.size() - 2)), std::string::npos) << output.Out;
  EXPECT_EQ(output.Out.find(text), std::string::npos);
  // JSON names the parts found.
  const TCliOutput json = RunDecoder({"--merge", "--json", parts[0], parts[1], parts[3]});
  EXPECT_NE(json.Out.find("\"merged\":true,\"ok\":false"), std::string::npos) << json.Out;
  EXPECT_NE(json.Out.find("\"parts\":[1,2,4]"), std::string::npos) << json.Out;
}

TEST_P(MergeSweep, FourPartsInOnePictureJoin) {
  const std::vector<std::string> parts =
      QrencodeParts(FDir, "message", GetParam().Text, GetParam().Version);
  ASSERT_EQ(parts.size(), 4U);
  // The parts laid two by two, the last first.
  std::vector<QImage> images;
  for (const std::string& part : parts) images.emplace_back(QString::fromStdString(part));
  const int cell = std::max(images[0].width(), images[0].height()) + 10;
  QImage sheet(2 * cell, 2 * cell, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  for (size_t i = 0; i < images.size(); ++i) {
    const size_t place = images.size() - 1 - i;
    for (int y = 0; y < images[i].height(); ++y)
      for (int x = 0; x < images[i].width(); ++x)
        sheet.setPixel(static_cast<int>(place % 2) * cell + x,
                       static_cast<int>(place / 2) * cell + y, images[i].pixel(x, y));
  }
  const std::string path = PathOf("sheet.bmp");
  ASSERT_TRUE(sheet.save(QString::fromStdString(path), "BMP"));
  const TCliOutput output = RunDecoder({"--merge", path});
  EXPECT_EQ(output.Status, 0) << output.Err;
  EXPECT_EQ(output.Out, std::string("[structured append (4 parts)]\n") + GetParam().Text + "\n");
}

INSTANTIATE_TEST_SUITE_P(Qrencode, MergeSweep, testing::ValuesIn(kSequences));

// Two messages of the same length and parity byte (two letters changed by
// the same bit): the first half of one and the second half of the other
// make a sequence whose parts agree on total and parity, but whose bytes
// do not give it.
TEST_F(AllSymbolsTest, AWrongParityIsRefused) {
  const std::string first = "Four parts of one message, joined by the reader.";
  std::string second = first;
  second[0] = static_cast<char>(second[0] ^ 1);                                  // F -> G
  second[second.size() - 3] = static_cast<char>(second[second.size() - 3] ^ 1);  // d -> e
  const std::vector<std::string> a = QrencodeParts(FDir, "first", first, 1);
  const std::vector<std::string> b = QrencodeParts(FDir, "second", second, 1);
  ASSERT_EQ(a.size(), 4U);
  ASSERT_EQ(b.size(), 4U);
  // Each on its own joins.
  EXPECT_EQ(RunDecoder({"--merge", b[0], b[1], b[2], b[3]}).Out,
            "[structured append (4 parts)]\n" + second + "\n");
  const TCliOutput output = RunDecoder({"--merge", a[0], a[1], b[2], b[3]});
  EXPECT_EQ(output.Status, 1);
  EXPECT_NE(output.Err.find("does not match"), std::string::npos) << output.Err;
  EXPECT_NE(output.Err.find("refused"), std::string::npos) << output.Err;
  EXPECT_EQ(output.Out.find("[structured append"), std::string::npos) << output.Out;
}

}  // namespace
}  // namespace vornak::test
