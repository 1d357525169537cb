#include "app/PictureBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace vornak {

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {}

void TPictureBox::SetPicture(const QImage& picture) {
  FPicture = picture;
  FFrames.clear();
  update();
}

void TPictureBox::SetStretch(bool stretch) {
  FStretch = stretch;
  update();
}

std::vector<QRect> TPictureBox::FrameSegments(QPoint first, QPoint second) {
  const int x1 = first.x(), y1 = first.y(), x2 = second.x(), y2 = second.y();
  std::vector<QRect> segments;
  // A segment from a to b covers a and stops one pixel short of b.
  auto vertical = [&segments](int x, int from, int to) {
    if (to > from) segments.emplace_back(x, from, 1, to - from);
    if (to < from) segments.emplace_back(x, to + 1, 1, from - to);
  };
  auto horizontal = [&segments](int y, int from, int to) {
    if (to > from) segments.emplace_back(from, y, to - from, 1);
    if (to < from) segments.emplace_back(to + 1, y, from - to, 1);
  };
  vertical(x1, y1, y2);
  horizontal(y1, x1, x2);
  horizontal(y2, x1, x2);
  vertical(x2, y1, y2);
  return segments;
}

void TPictureBox::ToggleFrame(QPoint first, QPoint second) {
  const TFrame frame{first, second};
  const auto found = std::find(FFrames.begin(), FFrames.end(), frame);
  if (found != FFrames.end()) {
    FFrames.erase(found);
  } else {
    FFrames.push_back(frame);
  }
  update();
}

void TPictureBox::ClearFrames() {
  FFrames.clear();
  update();
}

void TPictureBox::PaintFrames(QPainter& painter) const {
  // White in XOR mode inverts what lies beneath; a pixel covered twice comes
  // back unchanged, just as the pen would leave it.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  for (const TFrame& frame : FFrames) {
    for (const QRect& segment : FrameSegments(frame.First, frame.Second)) {
      painter.fillRect(segment, Qt::white);
    }
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QImage TPictureBox::Composed() const {
  QImage image = FPicture.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&image);
  PaintFrames(painter);
  painter.end();
  return image;
}

void TPictureBox::paintEvent(QPaintEvent* event) {
  if (FPicture.isNull()) return;
  QPainter painter(this);
  painter.setClipRegion(event->region());
  if (FStretch) {
    painter.drawImage(rect(), FPicture);
  } else {
    painter.drawImage(QPoint(0, 0), FPicture);
    PaintFrames(painter);
  }
}

void TPictureBox::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->button(), event->position().toPoint());
}

void TPictureBox::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(event->position().toPoint());
}

void TPictureBox::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(event->button(), event->position().toPoint());
}

}  // namespace vornak
