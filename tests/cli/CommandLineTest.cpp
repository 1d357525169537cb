#include <gtest/gtest.h>

#include <QImage>
#include <QImageWriter>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/QtBitmap.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/PictureWriter.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak::test {
namespace {

namespace fs = std::filesystem;

const std::string kNotFound = "位置検出パターンがみつかりません。";

class CommandLineTest : public TCliTest {
 protected:
  // A clean picture of the symbol, written as name (".jpg" or ".bmp").
  std::string Write(const ReferenceSymbol& symbol, const std::string& name, double module = 5.0) {
    TRenderOptions options;
    options.ModuleSize = module;
    const TBitmap bitmap = RenderBitmap(symbol.Matrix, options);
    const std::string path = PathOf(name);
    const bool written = (name.ends_with(".bmp") || name.ends_with(".BMP"))
                             ? WriteBmp(bitmap, path)
                             : WriteJpeg(bitmap, path, 90);
    EXPECT_TRUE(written) << path;
    return path;
  }
  std::string WriteBlank(const std::string& name) {
    const std::string path = PathOf(name);
    EXPECT_TRUE(WriteBmp(TBitmap(120, 90, 0xFFFFFF), path));
    return path;
  }
};

TEST_F(CommandLineTest, HelpAndVersion) {
  for (const std::string option : {"--help", "-h"}) {
    const TCliOutput run = RunDecoder({option});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("Usage: vornak-decode"), std::string::npos);
    EXPECT_NE(run.Out.find("--force-version"), std::string::npos);
    EXPECT_TRUE(run.Err.empty());
  }
  const TCliOutput version = RunDecoder({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out.rfind("vornak-decode ", 0), 0u) << version.Out;
}

TEST_F(CommandLineTest, UsageErrorsExitWithTwo) {
  const std::string file = WriteBlank("blank.bmp");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--warp", "3"},
      {"--bogus", file},
      {"--warp", "7", file},
      {"--warp", "0", file},
      {"--warp", "x", file},
      {"--resolver", "256", file},
      {"--force-version", "41", file},
      {"--force-version=-1", file},
      {"--jobs", "0", file},
      {"--region", "1,2,3", file},
      {"--region", "1,2,0,4", file},
      {"--region", "-1,2,3,4", file},
      {file, "--warp"},
  };
  for (const auto& arguments : cases) {
    const TCliOutput run = RunDecoder(arguments);
    std::string shown;
    for (const auto& a : arguments) shown += a + " ";
    EXPECT_EQ(run.Status, 2) << shown;
    EXPECT_TRUE(run.Out.empty()) << shown;
    EXPECT_NE(run.Err.find("vornak-decode: "), std::string::npos) << shown << run.Err;
  }
}

TEST_F(CommandLineTest, JpegAndBmpOfOneSymbolGiveTheSameText) {
  const ReferenceSymbol symbol = Make("Vornak: the same symbol twice", 3, 1, 5);
  const std::string jpeg = Write(symbol, "same.jpg");
  const std::string bmp = Write(symbol, "same.BMP");
  const TCliOutput fromJpeg = RunDecoder({jpeg});
  const TCliOutput fromBmp = RunDecoder({"--warp=6", "--resolver", "7", bmp});
  EXPECT_EQ(fromJpeg.Status, 0) << fromJpeg.Err;
  EXPECT_EQ(fromJpeg.Out, "Vornak: the same symbol twice\n");
  EXPECT_EQ(fromBmp.Out, fromJpeg.Out);
  EXPECT_EQ(fromBmp.Status, 0);
  EXPECT_TRUE(fromJpeg.Err.empty());
}

TEST_F(CommandLineTest, RawWritesTheEnginesBytes) {
  // Kanji mode comes out of the engine as Shift JIS pairs; the display text is UTF-8.
  const std::string shiftJis = "\x93\xFA\x96\x7B\x8C\xEA";  // 日本語
  const ReferenceSymbol symbol = MakeSegments({MakeKanjiSegment(shiftJis)}, 2, 1, 3);
  const std::string file = Write(symbol, "kanji.bmp");
  const TCliOutput text = RunDecoder({file});
  EXPECT_EQ(text.Status, 0) << text.Err;
  EXPECT_EQ(text.Out, "日本語\n");
  const TCliOutput raw = RunDecoder({"--raw", file});
  EXPECT_EQ(raw.Status, 0);
  EXPECT_EQ(raw.Out, shiftJis);
}

TEST_F(CommandLineTest, EciNamesTheCharset) {
  const ReferenceSymbol symbol =
      MakeQrencodeParts({{QrencodeMode::Eci, "", 3}, {QrencodeMode::Byte, "caf\xE9", 0}}, 2, 1);
  const std::string file = Write(symbol, "eci.bmp");
  const TCliOutput text = RunDecoder({file});
  EXPECT_EQ(text.Status, 0) << text.Err;
  EXPECT_EQ(text.Out, "café\n");
  const TCliOutput json = RunDecoder({"--json", file});
  const auto lines = ParseJsonLines(json.Out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].at("eci"), "3");
  EXPECT_EQ(lines[0].at("text"), "café");
  EXPECT_EQ(lines[0].at("bytes"), Hex("caf\xE9"));
  EXPECT_EQ(lines[0].at("pass"), "classic");
}

TEST_F(CommandLineTest, SeveralFilesArePrefixedAndTheWorstOutcomeDecidesTheStatus) {
  const std::string good = Write(Make("first", 1, 0, 2), "good.jpg");
  const std::string blank = WriteBlank("blank.bmp");
  const TCliOutput decodedAndFailed = RunDecoder({good, blank});
  EXPECT_EQ(decodedAndFailed.Status, 1);
  EXPECT_EQ(decodedAndFailed.Out, good + ": first\n");
  EXPECT_EQ(decodedAndFailed.Err, blank + ": " + kNotFound + "\n");

  const std::string missing = PathOf("missing.jpg");
  const std::string other = PathOf("picture.png");
  const TCliOutput unreadable = RunDecoder({good, missing, other});
  EXPECT_EQ(unreadable.Status, 2);
  EXPECT_EQ(unreadable.Out, good + ": first\n");
  EXPECT_NE(unreadable.Err.find(missing), std::string::npos) << unreadable.Err;
  EXPECT_NE(unreadable.Err.find(other), std::string::npos) << unreadable.Err;

  const TCliOutput single = RunDecoder({blank});
  EXPECT_EQ(single.Status, 1);
  EXPECT_TRUE(single.Out.empty());
  EXPECT_EQ(single.Err, kNotFound + "\n");
}

TEST_F(CommandLineTest, JsonReportsWhatTheDecodeLearnt) {
  const ReferenceSymbol symbol = Make("JSON \"quoted\" \\ text", 4, 2, 6);
  const std::string file = Write(symbol, "json.jpg");
  const std::string blank = WriteBlank("blank.bmp");
  const TCliOutput run = RunDecoder({"--json", file, blank, PathOf("missing.bmp")});
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(run.Err.empty()) << run.Err;
  const auto lines = ParseJsonLines(run.Out);
  ASSERT_EQ(lines.size(), 3u) << run.Out;
  const auto& ok = lines[0];
  EXPECT_EQ(ok.at("file"), file);
  EXPECT_EQ(ok.at("ok"), "true");
  EXPECT_EQ(ok.at("text"), "JSON \"quoted\" \\ text");
  EXPECT_EQ(ok.at("error"), "");
  EXPECT_EQ(ok.at("kind"), "QR Code");
  EXPECT_EQ(ok.at("version"), "4");
  EXPECT_EQ(ok.at("level"), "Q");
  EXPECT_EQ(ok.at("mask"), "6");
  EXPECT_EQ(ok.at("eci"), "null");
  EXPECT_GE(std::stod(ok.at("ms")), 0.0);
  const auto& failed = lines[1];
  EXPECT_EQ(failed.at("ok"), "false");
  EXPECT_EQ(failed.at("text"), "");
  EXPECT_EQ(failed.at("error"), kNotFound);
  EXPECT_EQ(failed.at("version"), "null");
  EXPECT_EQ(failed.at("kind"), "null");
  const auto& missing = lines[2];
  EXPECT_EQ(missing.at("ok"), "false");
  EXPECT_EQ(missing.at("readable"), "false");
  EXPECT_NE(missing.at("error").find("missing.bmp"), std::string::npos);
}

TEST_F(CommandLineTest, ParallelJobsKeepTheArgumentOrder) {
  std::vector<std::string> files;
  std::string expected;
  for (int i = 0; i < 8; ++i) {
    const std::string text = "file number " + std::to_string(i);
    // Larger symbols first, so later files tend to finish first.
    const int version = 8 - i;
    const std::string file =
        i == 5 ? WriteBlank("blank5.bmp")
               : Write(Make(text, version, 1, i % 8), "f" + std::to_string(i) + ".jpg", 4.0);
    files.push_back(file);
    if (i != 5) expected += file + ": " + text + "\n";
  }
  std::vector<std::string> arguments = {"--jobs", "3"};
  arguments.insert(arguments.end(), files.begin(), files.end());
  const TCliOutput parallel = RunDecoder(arguments);
  EXPECT_EQ(parallel.Status, 1);
  EXPECT_EQ(parallel.Out, expected);
  EXPECT_EQ(parallel.Err, files[5] + ": " + kNotFound + "\n");
  const TCliOutput serial = RunDecoder(files);
  EXPECT_EQ(serial.Out, parallel.Out);
}

TEST_F(CommandLineTest, RegionCropsLikeTheRegionDialog) {
  // Two symbols side by side; the region picks one.
  TRenderOptions options;
  options.ModuleSize = 4.0;
  const TBitmap left = RenderBitmap(Make("left", 2, 1, 1).Matrix, options);
  const TBitmap right = RenderBitmap(Make("right", 2, 1, 4).Matrix, options);
  TBitmap both(left.Width() + right.Width(), left.Height());
  for (int32_t y = 0; y < both.Height(); ++y) {
    for (int32_t x = 0; x < left.Width(); ++x) both.SetPixel(x, y, left.Pixel(x, y));
    for (int32_t x = 0; x < right.Width(); ++x)
      both.SetPixel(left.Width() + x, y, right.Pixel(x, y));
  }
  const std::string file = PathOf("two.bmp");
  ASSERT_TRUE(WriteBmp(both, file));
  const std::string w = std::to_string(left.Width());
  const std::string h = std::to_string(left.Height());
  const TCliOutput first = RunDecoder({"--region", "0,0," + w + "," + h, file});
  EXPECT_EQ(first.Out, "left\n") << first.Err;
  // A region reaching past the picture is cut at its edge.
  const TCliOutput second = RunDecoder({"--region=" + w + ",0,100000,100000", file});
  EXPECT_EQ(second.Out, "right\n") << second.Err;
  const TCliOutput outside = RunDecoder({"--region", "5000,0,10,10", file});
  EXPECT_EQ(outside.Status, 2);
  EXPECT_NE(outside.Err.find(file), std::string::npos) << outside.Err;
}

TEST_F(CommandLineTest, ForceVersionReadsLargeSymbols) {
  // The classic pipeline's automatic detection stops at version 14; the
  // later passes take the version from the geometry.
  const ReferenceSymbol symbol = Make("version fifteen", 15, 0, 0);
  const std::string file = Write(symbol, "v15.bmp", 3.0);
  const TCliOutput automatic = RunDecoder({"--classic", file});
  EXPECT_EQ(automatic.Status, 1);
  EXPECT_TRUE(automatic.Out.empty());
  const TCliOutput passes = RunDecoder({"--json", file});
  EXPECT_EQ(passes.Status, 0) << passes.Err;
  const auto lines = ParseJsonLines(passes.Out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].at("text"), "version fifteen");
  EXPECT_EQ(lines[0].at("version"), "15");
  EXPECT_NE(lines[0].at("pass"), "classic");
  EXPECT_NE(lines[0].at("pass"), "null");
  const TCliOutput forced = RunDecoder({"--force-version", "15", file});
  EXPECT_EQ(forced.Status, 0) << forced.Err;
  EXPECT_EQ(forced.Out, "version fifteen\n");
}

TEST_F(CommandLineTest, CorruptAndTruncatedFilesAreReadErrors) {
  const std::string good = Write(Make("whole", 2, 1, 0), "whole.jpg");
  const std::string bytes = ReadFile(good);
  const std::string truncated = PathOf("truncated.jpg");
  std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  const std::string text = PathOf("text.bmp");
  std::ofstream(text) << "not a picture";
  for (const std::string& file : {truncated, text}) {
    const TCliOutput run = RunDecoder({file});
    EXPECT_EQ(run.Status, 2) << file;
    EXPECT_TRUE(run.Out.empty());
    EXPECT_NE(run.Err.find(file), std::string::npos) << run.Err;
  }
}

TEST_F(CommandLineTest, EveryPictureFormatIsToldByItsContent) {
  const ReferenceSymbol symbol = Make("one symbol, many formats", 2, 1, 3);
  TRenderOptions options;
  options.ModuleSize = 4;
  const QImage image = TQtBitmap::ToQImage(RenderBitmap(symbol.Matrix, options));
  // Names that say nothing, or the wrong thing, about the content.
  struct TFormat {
    const char* Writer;
    const char* Name;
  };
  for (const TFormat f :
       {TFormat{"PNG", "a-png.jpg"}, TFormat{"PNG", "no-extension"}, TFormat{"TIFF", "a.tif"},
        TFormat{"PPM", "a.ppm"}, TFormat{"PGM", "a.bmp"}, TFormat{"WEBP", "a.webp"}}) {
    const std::string path = PathOf(f.Name);
    QImageWriter writer(QString::fromStdString(path), f.Writer);
    writer.setQuality(100);
    ASSERT_TRUE(writer.write(image)) << f.Name;
    const TCliOutput run = RunDecoder({path});
    EXPECT_EQ(run.Status, 0) << f.Name << ": " << run.Err;
    EXPECT_EQ(run.Out, "one symbol, many formats\n") << f.Name;
  }
  // A file that is no picture is named in the error, whatever its name.
  const std::string text = PathOf("notes.png");
  std::ofstream(text) << "not a picture";
  const TCliOutput run = RunDecoder({text});
  EXPECT_EQ(run.Status, 2);
  EXPECT_NE(run.Err.find(text), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("not a picture"), std::string::npos) << run.Err;
}

// CRC-32 of a PNG chunk's type and data.
uint32_t PngCrc(const std::string& bytes, size_t at, size_t length) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = at; i < at + length; ++i) {
    crc ^= static_cast<unsigned char>(bytes[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

TEST_F(CommandLineTest, AHugePictureIsRefusedFromItsHeaderAlone) {
  // A small PNG whose header claims 15000 x 15000 (225 megapixels): refused
  // with its size and the limit, within an address space far too small for
  // its pixels, so nothing of that size was allocated.
  const std::string path = PathOf("huge.png");
  QImage small(8, 8, QImage::Format_RGB32);
  small.fill(Qt::white);
  ASSERT_TRUE(small.save(QString::fromStdString(path), "PNG"));
  std::string bytes = ReadFile(path);
  for (const size_t at : {size_t{16}, size_t{20}})
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((15000u >> (24 - 8 * i)) & 0xFF);
  const uint32_t crc = PngCrc(bytes, 12, 17);
  for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
  std::ofstream(path, std::ios::binary) << bytes;
  const std::string err = PathOf("huge.err");
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer reserves terabytes of address space for itself.
  const std::string limit;
#else
  const std::string limit = "ulimit -v 600000; ";
#endif
  const std::string command =
      limit + Quote(DecoderPath()) + " " + Quote(path) + " >/dev/null 2>" + Quote(err);
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  const std::string message = ReadFile(err);
  EXPECT_NE(message.find("15000 x 15000 pixels (225 megapixels); the limit is 200 megapixels"),
            std::string::npos)
      << message;
}

TEST_F(CommandLineTest, DashReadsThePictureFromStandardInput) {
  const ReferenceSymbol symbol = Make("piped in", 2, 1, 4);
  const std::string jpeg = Write(symbol, "piped.jpg");
  TCliOutput run = RunDecoder({"-"}, 600, jpeg);
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "piped in\n");
  // Beside a file, it is named "-" like the files are named.
  const std::string bmp = Write(symbol, "beside.bmp");
  run = RunDecoder({bmp, "-"}, 600, jpeg);
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, bmp + ": piped in\n-: piped in\n");
  // Nothing, or no picture, on standard input; and standard input twice.
  run = RunDecoder({"-"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_NE(run.Err.find("standard input: no data"), std::string::npos) << run.Err;
  const std::string text = PathOf("text.txt");
  std::ofstream(text) << "not a picture";
  run = RunDecoder({"-"}, 600, text);
  EXPECT_EQ(run.Status, 2);
  EXPECT_NE(run.Err.find("Cannot read standard input: not a picture"), std::string::npos)
      << run.Err;
  run = RunDecoder({"-", "-"}, 600, jpeg);
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(run.Out.empty());
}

TEST_F(CommandLineTest, BundledSampleDecodes) {
  const std::string sample = std::string(VORNAK_SOURCE_DIR) + "/samples/sample.jpg";
  const TCliOutput run = RunDecoder({sample});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "Vornak reads QR Code symbols from photographs and scans.\n");
}

}  // namespace
}  // namespace vornak::test
