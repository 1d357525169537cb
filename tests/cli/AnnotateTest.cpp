// vornak-decode --annotate: the picture written marks the finders where the
// component found them, and a failed decode still shows how far it got.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/DecodeTrace.h"
#include "engine/Vornak.h"
#include "platform/Overlay.h"
#include "platform/PictureFile.h"
#include "tests/cli/CliRun.h"
#include "tests/cli/PictureWriter.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak::test {
namespace {

namespace fs = std::filesystem;

class AnnotateTest : public TCliTest {
 protected:
};

QColor At(const QImage& image, const TPoint& p) { return image.pixelColor(p.X, p.Y); }

// Pixels of the colour in the picture.
std::vector<TPoint> PixelsOf(const QImage& image, const QColor& colour) {
  std::vector<TPoint> found;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == colour) found.push_back(TPoint{x, y});
  return found;
}

double Distance(const TPoint& a, const TPoint& b) {
  return std::hypot(static_cast<double>(a.X) - b.X, static_cast<double>(a.Y) - b.Y);
}

// Every red pixel belongs to the disc of one of the finders.
void ExpectRedOnlyAtFinders(const QImage& image, const std::array<TPoint, 3>& finders) {
  const double unit = std::max(1.0, std::max(image.width(), image.height()) / 200.0);
  const double radius = std::max(2.0, 3 * unit) + 1.5;
  const std::vector<TPoint> red = PixelsOf(image, TOverlay::FinderColour());
  EXPECT_FALSE(red.empty());
  int32_t stray = 0;
  for (const TPoint& p : red) {
    bool near = false;
    for (const TPoint& f : finders) near = near || Distance(p, f) <= radius;
    if (!near) ++stray;
  }
  EXPECT_EQ(stray, 0) << "red pixels away from the finders";
}

TEST_F(AnnotateTest, MarksTheFinderCentresTheComponentReports) {
  struct TCase {
    int Version;
    double Module;
    double Rotation;
  };
  for (const TCase& c : {TCase{2, 4.0, 0.0}, TCase{10, 3.0, 12.0}, TCase{5, 6.0, -25.0}}) {
    SCOPED_TRACE(c.Version);
    const ReferenceSymbol symbol = Make("ANNOTATE", c.Version, 1, c.Version % 8);
    TRenderOptions options;
    options.ModuleSize = c.Module;
    options.RotationDegrees = c.Rotation;
    const std::string file = PathOf("symbol" + std::to_string(c.Version) + ".bmp");
    ASSERT_TRUE(WriteBmp(RenderBitmap(symbol.Matrix, options), file));
    const std::string out = PathOf("marked" + std::to_string(c.Version) + ".png");

    const TCliOutput run = RunDecoder({"--annotate", out, file});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "ANNOTATE\n");

    // The component on the same file says where the finders are.
    const TPictureFile::TResult loaded = TPictureFile::Load(file);
    ASSERT_TRUE(loaded.Ok);
    TVornak vornak;
    vornak.SetWarp(6);
    ASSERT_TRUE(vornak.Decode(loaded.Bitmap));

    QImage marked(QString::fromStdString(out), "PNG");
    ASSERT_FALSE(marked.isNull());
    EXPECT_EQ(marked.width(), loaded.Bitmap.Width());
    EXPECT_EQ(marked.height(), loaded.Bitmap.Height());
    for (const TPoint& f : vornak.FinderCentres())
      EXPECT_EQ(At(marked, f), TOverlay::FinderColour()) << f.X << ", " << f.Y;
    ExpectRedOnlyAtFinders(marked, vornak.FinderCentres());
    // The outline and the sampled grid are drawn; the quiet zone's corner
    // is left as it was.
    EXPECT_FALSE(PixelsOf(marked, TOverlay::OutlineColour()).empty());
    EXPECT_GE(PixelsOf(marked, TOverlay::ModuleColour()).size(),
              static_cast<size_t>(symbol.Side() * symbol.Side() / 2));
    EXPECT_EQ(marked.pixelColor(0, 0), QColor(255, 255, 255));
  }
}

// The timing patterns wiped: the three finders are found, no version is.
TEST_F(AnnotateTest, FailedDecodeShowsTheFindersItFound) {
  ReferenceSymbol symbol = Make("ANNOTATE", 3, 1, 5);
  const int32_t side = symbol.Side();
  for (int32_t i = 8; i < side - 8; ++i) {
    symbol.Matrix(i, 6) = 0;
    symbol.Matrix(6, i) = 0;
  }
  TRenderOptions options;
  options.ModuleSize = 5.0;
  const std::string file = PathOf("wiped.bmp");
  ASSERT_TRUE(WriteBmp(RenderBitmap(symbol.Matrix, options), file));
  const std::string out = PathOf("wiped.png");

  const TCliOutput run = RunDecoder({"--classic", "--json", "--annotate", out, file});
  EXPECT_EQ(run.Status, 1) << run.Err;
  const auto fields = ParseJsonLine(run.Out);
  EXPECT_EQ(fields.at("ok"), "false");
  EXPECT_EQ(fields.at("stage"), "finders");

  QImage marked(QString::fromStdString(out), "PNG");
  ASSERT_FALSE(marked.isNull());
  const double far = side - 3.5;
  const std::array<TPointF, 3> truth = {ModuleToPixel(side, options, 3.5, 3.5),
                                        ModuleToPixel(side, options, far, 3.5),
                                        ModuleToPixel(side, options, 3.5, far)};
  std::array<TPoint, 3> finders{};
  for (size_t i = 0; i < 3; ++i) {
    finders[i] = TPoint{static_cast<int32_t>(truth[i].X), static_cast<int32_t>(truth[i].Y)};
    // The disc covers the true centre give or take the finder search's
    // rounding.
    bool red = false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        red = red ||
              At(marked, TPoint{finders[i].X + dx, finders[i].Y + dy}) == TOverlay::FinderColour();
    EXPECT_TRUE(red) << "finder " << i;
  }
  // No grid was laid: no outline, no module dots.
  EXPECT_TRUE(PixelsOf(marked, TOverlay::OutlineColour()).empty());
  EXPECT_TRUE(PixelsOf(marked, TOverlay::ModuleColour()).empty());
}

TEST_F(AnnotateTest, BlankPictureIsWrittenUnmarked) {
  const std::string file = PathOf("blank.bmp");
  ASSERT_TRUE(WriteBmp(TBitmap(90, 70, 0xFFFFFF), file));
  const std::string out = PathOf("blank.png");
  const TCliOutput run = RunDecoder({"--json", "--annotate=" + out, file});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(ParseJsonLine(run.Out).at("stage"), "none");
  QImage marked(QString::fromStdString(out), "PNG");
  ASSERT_FALSE(marked.isNull());
  QImage white(90, 70, QImage::Format_RGB32);
  white.fill(QColor(255, 255, 255));
  EXPECT_EQ(marked.convertToFormat(QImage::Format_RGB32), white);
}

TEST_F(AnnotateTest, OneFileOnlyAndAPictureThatCannotBeWrittenIsAnError) {
  const std::string file = PathOf("blank.bmp");
  ASSERT_TRUE(WriteBmp(TBitmap(40, 40, 0xFFFFFF), file));
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--annotate", PathOf("a.png"), file, file},
        std::vector<std::string>{file, "--annotate"}, std::vector<std::string>{"--annotate=", file},
        std::vector<std::string>{"--annotate", PathOf("a.png")}}) {
    const TCliOutput run = RunDecoder(arguments);
    EXPECT_EQ(run.Status, 2) << arguments.size();
    EXPECT_NE(run.Err.find("Try 'vornak-decode --help'"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(PathOf("a.png")));
  }

  const ReferenceSymbol symbol = Make("ANNOTATE", 1, 1, 0);
  const std::string good = PathOf("good.bmp");
  ASSERT_TRUE(WriteBmp(RenderBitmap(symbol.Matrix, TRenderOptions()), good));
  const TCliOutput run = RunDecoder({"--annotate", PathOf("no/such/dir/out.png"), good});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Out, "ANNOTATE\n") << "the text is still printed";
  EXPECT_NE(run.Err.find("Cannot write the annotated picture"), std::string::npos) << run.Err;
}

}  // namespace
}  // namespace vornak::test
