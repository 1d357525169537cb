// Installs the current build into a fresh prefix and uses it as a stranger
// would: the programs and their desktop files are where a desktop looks for
// them, and a small program reads a picture through the installed library,
// built once through find_package(Vornak) and once through pkg-config.

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/Types.h"
#include "tests/support/JpegEncoder.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak::test {
namespace {

namespace fs = std::filesystem;

// UTF-8 beyond ASCII, so that the display text's conversion is on the path.
const std::string kText =
    "Vornak 3.0.0 installiert: Gr\xC3\xBC\xC3\x9F\x65 aus dem Pr\xC3\xA4\x66ix";

struct TRun {
  int Status = -1;
  std::string Output;  // standard output and standard error together
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

TRun Shell(const std::string& command) {
  TRun run;
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.Output.append(buffer, got);
  const int status = ::pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A bottom-up 24-bit BMP, written here rather than by the loader's own
// library, so that the picture does not come from the code under test.
void WriteBmp(const TBitmap& bitmap, const fs::path& path) {
  const uint32_t width = static_cast<uint32_t>(bitmap.Width());
  const uint32_t height = static_cast<uint32_t>(bitmap.Height());
  const uint32_t stride = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> bytes(54 + stride * height, 0);
  const auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, stride * height);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = bytes.data() + 54 + (height - 1 - y) * stride;
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t colour = bitmap.Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
      row[3 * x] = static_cast<uint8_t>(colour >> 16);     // blue
      row[3 * x + 1] = static_cast<uint8_t>(colour >> 8);  // green
      row[3 * x + 2] = static_cast<uint8_t>(colour);       // red
    }
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vornak-install-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    FRoot = pattern;
    FPrefix = FRoot / "prefix";
    const TRun install = Shell(Quote(VORNAK_CMAKE_COMMAND) + " --install " +
                               Quote(VORNAK_BINARY_DIR) + " --prefix " + Quote(FPrefix.string()));
    ASSERT_EQ(install.Status, 0) << install.Output;

    const ReferenceSymbol symbol = Make(kText, 4, 1, 2);
    TRenderOptions options;
    options.ModuleSize = 5;
    const TBitmap bitmap = RenderBitmap(symbol.Matrix, options);
    FBmp = FRoot / "symbol.bmp";
    WriteBmp(bitmap, FBmp);
    FJpeg = FRoot / "symbol.jpg";
    const std::vector<uint8_t> jpeg = EncodeJpeg(bitmap, 95);
    std::ofstream(FJpeg, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
  }

  void TearDown() override {
    // Kept after a failure, to look at.
    if (!HasFailure()) fs::remove_all(FRoot);
  }

  // The consumer run on both pictures prints the symbol's text each time.
  void ExpectReadsBothPictures(const fs::path& consumer) {
    for (const fs::path& picture : {FBmp, FJpeg}) {
      const TRun run = Shell(Quote(consumer.string()) + " " + Quote(picture.string()));
      EXPECT_EQ(run.Status, 0) << picture << "\n" << run.Output;
      EXPECT_EQ(run.Output, kText + "\n") << picture;
    }
  }

  fs::path FRoot;
  fs::path FPrefix;
  fs::path FBmp;
  fs::path FJpeg;
};

const fs::path kConsumerSource = fs::path(VORNAK_SOURCE_DIR) / "tests" / "install" / "consumer";

TEST_F(InstallTest, CMakePackageBuildsAProgramThatReadsAPicture) {
  const fs::path build = FRoot / "consumer-cmake";
  const std::string flags = VORNAK_CONSUMER_FLAGS;
  const TRun configure =
      Shell(Quote(VORNAK_CMAKE_COMMAND) + " -S " + Quote(kConsumerSource.string()) + " -B " +
            Quote(build.string()) + " -DCMAKE_PREFIX_PATH=" + Quote(FPrefix.string()) +
            " -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON -DCMAKE_CXX_COMPILER=" +
            Quote(VORNAK_CXX_COMPILER) + " -DCMAKE_CXX_FLAGS=" + Quote(flags) +
            " -DCMAKE_EXE_LINKER_FLAGS=" + Quote(flags));
  ASSERT_EQ(configure.Status, 0) << configure.Output;
  // The package found is the one just installed, not one elsewhere.
  const std::string cache = ReadFile(build / "CMakeCache.txt");
  EXPECT_NE(cache.find("Vornak_DIR:PATH=" +
                       (FPrefix / VORNAK_INSTALL_LIBDIR / "cmake" / "Vornak").string()),
            std::string::npos);
  const TRun compile = Shell(Quote(VORNAK_CMAKE_COMMAND) + " --build " + Quote(build.string()));
  ASSERT_EQ(compile.Status, 0) << compile.Output;
  ExpectReadsBothPictures(build / "consumer");
}

TEST_F(InstallTest, CMakePackageRefusesAnotherMajorVersion) {
  const fs::path source = FRoot / "wrong-version";
  fs::create_directories(source);
  std::ofstream(source / "CMakeLists.txt") << "cmake_minimum_required(VERSION 3.25)\n"
                                              "project(WrongVersion LANGUAGES CXX)\n"
                                              "find_package(Vornak 4 REQUIRED)\n";
  const TRun configure = Shell(Quote(VORNAK_CMAKE_COMMAND) + " -S " + Quote(source.string()) +
                               " -B " + Quote((FRoot / "wrong-version-build").string()) +
                               " -DCMAKE_PREFIX_PATH=" + Quote(FPrefix.string()));
  EXPECT_NE(configure.Status, 0);
  EXPECT_NE(configure.Output.find("3.0.0"), std::string::npos) << configure.Output;
}

TEST_F(InstallTest, PkgConfigBuildsAProgramThatReadsAPicture) {
  const std::string pkgConfig =
      "PKG_CONFIG_PATH=" + Quote((FPrefix / VORNAK_INSTALL_LIBDIR / "pkgconfig").string()) +
      " pkg-config ";
  const TRun version = Shell(pkgConfig + "--modversion vornak");
  EXPECT_EQ(version.Output, "3.0.0\n");
  const fs::path program = FRoot / "consumer-pkg-config";
  const TRun compile =
      Shell(Quote(VORNAK_CXX_COMPILER) + " " + VORNAK_CONSUMER_FLAGS +
            " -Wall -Wextra -Wpedantic -Werror " + Quote((kConsumerSource / "main.cpp").string()) +
            " -o " + Quote(program.string()) + " $(" + pkgConfig + "--cflags --libs vornak)");
  ASSERT_EQ(compile.Status, 0) << compile.Output;
  ExpectReadsBothPictures(program);
}

TEST_F(InstallTest, PublicHeadersKeepTheirFolders) {
  const fs::path include = FPrefix / "include" / "vornak";
  for (const char* header :
       {"engine/Vornak.h", "engine/SymbolResult.h", "engine/AppendMerger.h", "common/Types.h",
        "symbol/SymbolKind.h", "platform/PictureFile.h", "platform/DisplayText.h"})
    EXPECT_TRUE(fs::is_regular_file(include / header)) << header;
  // The pipeline's own classes stay inside.
  EXPECT_FALSE(fs::exists(include / "engine" / "Decorder.h"));
  EXPECT_FALSE(fs::exists(include / "photo"));
}

TEST_F(InstallTest, ManPageNamesEveryOptionOfTheHelp) {
  const fs::path decoder = FPrefix / "bin" / "vornak-decode";
  ASSERT_TRUE(fs::is_regular_file(decoder));
  const TRun help = Shell(Quote(decoder.string()) + " --help");
  ASSERT_EQ(help.Status, 0) << help.Output;
  const std::string page = ReadFile(FPrefix / "share" / "man" / "man1" / "vornak-decode.1");
  ASSERT_EQ(page.rfind(".TH VORNAK-DECODE 1 ", 0), 0u);

  // Every option the help lists ("-h", "--warp", ...), written as roff
  // writes a dash.
  std::set<std::string> options;
  std::istringstream words(help.Output);
  for (std::string word; words >> word;) {
    size_t length = 0;
    while (length < word.size() &&
           (word[length] == '-' || std::islower(static_cast<unsigned char>(word[length])) != 0))
      ++length;
    const std::string name = word.substr(0, length);
    if (name == "-h" || (name.size() > 2 && name.rfind("--", 0) == 0)) options.insert(name);
  }
  EXPECT_GE(options.size(), 14u);  // eleven long options, -h, --help, --version
  for (const std::string& name : options) {
    std::string roff;
    for (const char c : name) roff += c == '-' ? "\\-" : std::string(1, c);
    EXPECT_NE(page.find(roff), std::string::npos) << name << " is missing from the man page";
  }
}

TEST_F(InstallTest, DesktopEntryStartsTheWindowWithItsIcon) {
  const fs::path window = FPrefix / "bin" / "vornak";
  ASSERT_TRUE(fs::is_regular_file(window));
  EXPECT_NE(fs::status(window).permissions() & fs::perms::owner_exec, fs::perms::none);

  const fs::path entry = FPrefix / "share" / "applications" / "vornak.desktop";
  ASSERT_TRUE(fs::is_regular_file(entry));
  const TRun validate = Shell("desktop-file-validate " + Quote(entry.string()));
  EXPECT_EQ(validate.Status, 0) << validate.Output;
  EXPECT_EQ(validate.Output, "");

  std::istringstream lines(ReadFile(entry));
  std::string line;
  std::string exec, icon, mime;
  while (std::getline(lines, line)) {
    if (line.rfind("Exec=", 0) == 0) exec = line.substr(5);
    if (line.rfind("Icon=", 0) == 0) icon = line.substr(5);
    if (line.rfind("MimeType=", 0) == 0) mime = line.substr(9);
  }
  EXPECT_EQ(exec, "vornak %F");
  std::set<std::string> types;
  std::istringstream list(mime);
  for (std::string type; std::getline(list, type, ';');) types.insert(type);
  const std::set<std::string> loaderReads = {"image/bmp",
                                             "image/jpeg",
                                             "image/png",
                                             "image/gif",
                                             "image/tiff",
                                             "image/webp",
                                             "image/x-portable-bitmap",
                                             "image/x-portable-graymap",
                                             "image/x-portable-pixmap"};
  EXPECT_EQ(types, loaderReads);

  ASSERT_EQ(icon, "vornak");
  const fs::path svg = FPrefix / "share" / "icons" / "hicolor" / "scalable" / "apps" / "vornak.svg";
  ASSERT_TRUE(fs::is_regular_file(svg));
  const std::string picture = ReadFile(svg);
  EXPECT_NE(picture.find("<svg "), std::string::npos);
  EXPECT_NE(picture.find("</svg>"), std::string::npos);
}

}  // namespace
}  // namespace vornak::test
