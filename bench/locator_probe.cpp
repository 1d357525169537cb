// A developer's look at one picture through one kind of photograph locator:
// which finders it finds, which triples it tries, the grid of every
// candidate it offers and how far the decoding tail gets with each.
//
//   bench_probe <picture> <binarizer> <locator> [OUT.png]
//     binarizer: global | adaptive | adaptive-inverted
//     locator:   triples | homography | shapes
//
// OUT.png shows the two-level plane with the finder shapes (orange), the
// chosen triples (red) and the module centres of each offered grid (green).
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "engine/AdaptiveBinarizer.h"
#include "engine/Decorder.h"
#include "engine/FrontImage.h"
#include "engine/GlobalBinarizer.h"
#include "photo/FinderCheck.h"
#include "photo/FinderShapes.h"
#include "photo/FinderTriples.h"
#include "photo/GridReader.h"
#include "photo/HomographyLocator.h"
#include "photo/TripleLocator.h"
#include "platform/PictureFile.h"

using namespace vornak;

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: bench_probe <picture> <binarizer> <locator> [OUT.png]\n";
    return 2;
  }
  const TPictureFile::TResult picture = TPictureFile::Load(argv[1]);
  if (!picture.Ok) {
    std::cerr << picture.Error << "\n";
    return 2;
  }
  const std::string binarizerName = argv[2], locatorName = argv[3];
  TDecodeSettings settings;
  settings.Warp = 6;
  TFrontImage front;
  TPlaneBoolean global;
  front.Binarize(picture.Bitmap, global);
  std::unique_ptr<TBinarizer> binarizer;
  if (binarizerName == "global")
    binarizer = std::make_unique<TGlobalBinarizer>();
  else if (binarizerName == "adaptive")
    binarizer = std::make_unique<TAdaptiveBinarizer>();
  else
    binarizer = std::make_unique<TAdaptiveBinarizer>(TAdaptiveBinarizer::TPolarity::Inverted);
  TPlaneBoolean plane;
  binarizer->Binarize(front.Grey(), settings, plane);

  QImage image(plane.Width(), plane.Height(), QImage::Format_RGB32);
  for (int32_t y = 0; y < plane.Height(); ++y)
    for (int32_t x = 0; x < plane.Width(); ++x)
      image.setPixel(x, y, plane(x, y) ? qRgb(40, 40, 40) : qRgb(235, 235, 235));
  QPainter painter(&image);

  TFinderShapes shapes;
  shapes.Find(plane);
  std::printf("%zu shapes, %zu triples\n", shapes.Shapes().size(), shapes.Triples().size());
  painter.setPen(QPen(QColor(255, 140, 0), 1));
  for (const TFinderShapes::TShape& s : shapes.Shapes()) {
    std::printf("  shape (%.1f, %.1f) modules %.2f %.2f count %d\n",
                static_cast<double>(s.Candidate.X), static_cast<double>(s.Candidate.Y),
                static_cast<double>(s.AxisModules[0]), static_cast<double>(s.AxisModules[1]),
                s.Candidate.Count);
    for (size_t i = 0; i < 4; ++i) {
      const TPointReal& a = s.Corners[i];
      const TPointReal& b = s.Corners[(i + 1) % 4];
      painter.drawLine(QPointF(static_cast<double>(a.X), static_cast<double>(a.Y)),
                       QPointF(static_cast<double>(b.X), static_cast<double>(b.Y)));
    }
  }
  for (const TFinderShapes::TTriple& t : shapes.Triples()) {
    std::printf("  triple %d %d %d span %.1f score %.3f version read %d misreads %d %d %d\n",
                t.Shapes[0], t.Shapes[1], t.Shapes[2], static_cast<double>(t.Span),
                static_cast<double>(t.Score), shapes.ReadVersion(t, plane),
                shapes.Misreads(t, 0, plane), shapes.Misreads(t, 1, plane),
                shapes.Misreads(t, 2, plane));
  }

  TFinderTriples runs;
  runs.Find(plane);
  std::printf("%zu run candidates, %zu triples, %zu perspective triples\n",
              runs.Candidates().size(), runs.Triples().size(), runs.PerspectiveTriples().size());
  for (const TFinderCandidate& c : runs.Candidates())
    std::printf("  candidate (%.1f, %.1f) module %.2f count %d\n", static_cast<double>(c.X),
                static_cast<double>(c.Y), static_cast<double>(c.Module), c.Count);
  for (const TFinderTriple& t : runs.Triples())
    std::printf("  run triple (%.0f,%.0f) (%.0f,%.0f) (%.0f,%.0f) score %.3f reads %d\n",
                static_cast<double>(t.Finders[0].X), static_cast<double>(t.Finders[0].Y),
                static_cast<double>(t.Finders[1].X), static_cast<double>(t.Finders[1].Y),
                static_cast<double>(t.Finders[2].X), static_cast<double>(t.Finders[2].Y),
                static_cast<double>(t.Score), TFinderCheck::ReadsAsFinders(plane, t) ? 1 : 0);

  std::unique_ptr<TLocator> locator;
  THomographyLocator* homography = nullptr;
  if (locatorName == "triples") {
    locator = std::make_unique<TTripleLocator>();
  } else {
    auto h = std::make_unique<THomographyLocator>(locatorName == "shapes"
                                                      ? THomographyLocator::TFinders::Shapes
                                                      : THomographyLocator::TFinders::Runs);
    homography = h.get();
    locator = std::move(h);
  }
  TDecorder decorder;
  int32_t offers = 0;
  const bool decoded = locator->Locate(plane, settings, [&](const TLocation& location) {
    std::string text;
    const int32_t code = decorder.DecodeMatrix(*location.Matrix, location.Size, text);
    std::printf(
        "offer %d: version %d finders (%d,%d) (%d,%d) (%d,%d) -> code %d, level %d, "
        "failed blocks %d, corrected %d\n",
        offers, location.Version, location.Finders[0].X, location.Finders[0].Y,
        location.Finders[1].X, location.Finders[1].Y, location.Finders[2].X, location.Finders[2].Y,
        code, decorder.Level(), decorder.FailedBlocks(), decorder.CorrectedCodewords());
    if (code == 0) std::printf("  text: %s\n", text.c_str());
    if (homography != nullptr)
      for (const TPointReal& a : homography->Alignments())
        std::printf("  alignment (%.1f, %.1f)\n", static_cast<double>(a.X),
                    static_cast<double>(a.Y));
    if (homography != nullptr && offers < 3) {
      painter.setPen(QPen(offers == 0 ? QColor(0, 200, 0) : QColor(0, 120, 255), 1));
      const TGridReader reader(plane, homography->Grid());
      for (int32_t my = 0; my < location.Size; ++my)
        for (int32_t mx = 0; mx < location.Size; ++mx) {
          double x = 0, y = 0;
          reader.ReaderOf(mx, my).Map(mx + 0.5, my + 0.5, x, y);
          painter.drawPoint(QPointF(x, y));
        }
    }
    ++offers;
    return code == 0;
  });
  std::printf("%s after %d offers\n", decoded ? "decoded" : "not decoded", offers);
  painter.end();
  if (argc > 4) image.save(argv[4]);
  return decoded ? 0 : 1;
}
