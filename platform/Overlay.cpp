#include "platform/Overlay.h"

#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/Geometry.h"
#include "engine/DecodeTrace.h"

namespace vornak {

namespace {

// The middle of pixel p.
QPointF Middle(const TPoint& p) { return QPointF(p.X + 0.5, p.Y + 0.5); }

// Digits of three by five cells, a row to three bits (the left cell the
// highest): drawn without a font, which the command line does not load.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

// Number drawn at the middle, cells of cell pixels, on a light box.
void DrawNumber(QPainter& painter, const QPointF& middle, size_t number, int cell,
                const QColor& colour) {
  const std::string digits = std::to_string(number);
  const int width = static_cast<int>(digits.size()) * 4 * cell - cell;
  const int height = 5 * cell;
  const QRect box(static_cast<int>(middle.x()) - width / 2 - cell,
                  static_cast<int>(middle.y()) - height / 2 - cell, width + 2 * cell,
                  height + 2 * cell);
  painter.fillRect(box, QColor(255, 255, 255));
  for (size_t d = 0; d < digits.size(); ++d) {
    const auto& glyph = kDigits[digits[d] - '0'];
    for (int row = 0; row < 5; ++row)
      for (int column = 0; column < 3; ++column)
        if ((glyph[row] >> (2 - column)) & 1)
          painter.fillRect(box.left() + cell + (static_cast<int>(d) * 4 + column) * cell,
                           box.top() + cell + row * cell, cell, cell, colour);
  }
}

}  // namespace

QImage TOverlay::PlaneImage(const TPlaneBoolean& plane) {
  QImage image(plane.Width(), plane.Height(), QImage::Format_RGB32);
  for (int32_t y = 0; y < plane.Height(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const uint8_t* in = plane.Row(y);
    for (int32_t x = 0; x < plane.Width(); ++x)
      out[x] = in[x] != 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
  }
  return image;
}

QImage TOverlay::Draw(const QImage& picture, const TDecodeTrace& trace, const TOptions& options) {
  QImage result = picture.convertToFormat(QImage::Format_RGB32);
  if (result.isNull() || !trace.Recorded()) return result;
  const TPlaneBoolean* plane = trace.Plane();
  // Findings on another picture's plane would mark the wrong places.
  if (plane == nullptr || plane->Width() != result.width() || plane->Height() != result.height())
    return result;
  if (options.Binarized) result = PlaneImage(*plane);
  if (!options.Marks) return result;

  // One unit is about one pixel of a 200-pixel preview.
  const double unit = std::max(1.0, std::max(result.width(), result.height()) / 200.0);
  const TDecodeTrace::TStage stage = trace.Stage();
  const bool located = stage >= TDecodeTrace::TStage::Located;
  const bool finders = stage >= TDecodeTrace::TStage::Finders;

  QPainter painter(&result);
  painter.setRenderHint(QPainter::Antialiasing, false);

  // Finder candidates, the chosen ones included (their discs cover them).
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(CandidateColour(), unit));
  for (const TPoint& candidate : trace.Candidates())
    painter.drawEllipse(Middle(candidate), 4 * unit, 4 * unit);

  if (located) {
    const std::array<TPoint, 4>& c = trace.Corners();
    painter.setPen(QPen(OutlineColour(), unit));
    painter.drawPolygon(QPolygonF({Middle(c[0]), Middle(c[1]), Middle(c[3]), Middle(c[2])}));

    // Dots no wider than a third of a module, so the grid stays readable.
    const int32_t side = trace.Size();
    const double pitch = (Distance(c[0], c[1]) + Distance(c[0], c[2])) / (2.0 * side);
    const int dot = std::max(1, static_cast<int>(std::min(unit, pitch / 3.0)));
    const std::vector<TPoint> centres = trace.ModuleCentres();
    const QRect inside = result.rect();
    for (const TPoint& p : centres) {
      // A grid running far off the picture has nothing to show there.
      if (!inside.contains(p.X, p.Y)) continue;
      painter.fillRect(QRect(p.X - (dot - 1) / 2, p.Y - (dot - 1) / 2, dot, dot), ModuleColour());
    }
  } else if (finders) {
    // No grid: the axes show which three finders were taken together.
    const std::array<TPoint, 3>& f = trace.Finders();
    painter.setPen(QPen(FinderColour(), unit, Qt::DashLine));
    painter.drawLine(Middle(f[0]), Middle(f[1]));
    painter.drawLine(Middle(f[0]), Middle(f[2]));
  }

  if (finders) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(FinderColour());
    const double radius = std::max(2.0, 3 * unit);
    for (const TPoint& f : trace.Finders()) painter.drawEllipse(Middle(f), radius, radius);
  }
  painter.end();
  return result;
}

QImage TOverlay::DrawSymbols(const QImage& picture, const std::vector<TSymbolResult>& symbols) {
  QImage result = picture.convertToFormat(QImage::Format_RGB32);
  if (result.isNull() || symbols.empty()) return result;
  const double unit = std::max(1.0, std::max(result.width(), result.height()) / 200.0);
  QPainter painter(&result);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const int cell = std::max(2, static_cast<int>(2 * unit));
  for (size_t i = 0; i < symbols.size(); ++i) {
    const std::array<TPoint, 4>& c = symbols[i].Corners;
    painter.setPen(QPen(OutlineColour(), unit));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(QPolygonF({Middle(c[0]), Middle(c[1]), Middle(c[3]), Middle(c[2])}));
    // The number on a light box, so that it reads on the modules.
    const QPointF middle = (Middle(c[0]) + Middle(c[1]) + Middle(c[2]) + Middle(c[3])) / 4.0;
    DrawNumber(painter, middle, i + 1, cell, NumberColour());
  }
  painter.end();
  return result;
}

}  // namespace vornak
