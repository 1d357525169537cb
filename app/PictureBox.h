#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <vector>

namespace vornak {

// A picture shown either at full size from the top-left corner or stretched
// to fill the box (aspect not kept), with selection outlines laid over it in
// XOR mode. The outlines live beside the picture, never in it, so what the
// user selects is cropped from untouched pixels.
class TPictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureBox(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return FPicture; }
  void SetStretch(bool stretch);
  bool Stretch() const { return FStretch; }

  // XOR-toggles the outline of the rectangle spanned by two corners: four
  // segments (x1,y1)-(x1,y2), (x1,y1)-(x2,y1), (x1,y2)-(x2,y2),
  // (x2,y1)-(x2,y2), each covering its first pixel and stopping short of its
  // last. Toggling the same outline twice removes it.
  void ToggleFrame(QPoint first, QPoint second);
  void ClearFrames();
  // The picture as it is shown at full size, outlines included.
  QImage Composed() const;

  // The one-pixel-wide rectangles that make up one outline, in drawing order.
  static std::vector<QRect> FrameSegments(QPoint first, QPoint second);

 signals:
  void MouseDown(Qt::MouseButton button, QPoint position);
  void MouseMove(QPoint position);
  void MouseUp(Qt::MouseButton button, QPoint position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  struct TFrame {
    QPoint First;
    QPoint Second;
    bool operator==(const TFrame&) const = default;
  };
  void PaintFrames(class QPainter& painter) const;

  QImage FPicture;
  bool FStretch = false;
  std::vector<TFrame> FFrames;
};

}  // namespace vornak
