#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>
#include <cstdint>

#include "common/Types.h"

class QPushButton;
class QScrollArea;
class QStatusBar;
class QWidget;

namespace vornak {

class TPictureBox;

// The region-selection dialog: shows the loaded picture at full size and lets
// the user drag a rectangle round the symbol. The main window reads the state
// and the two corners after it closes.
class TImageForm : public QDialog {
  Q_OBJECT

 public:
  // Selection states.
  static constexpr int32_t kNoSelection = 0;
  static constexpr int32_t kDragging = 1;
  static constexpr int32_t kFinished = 2;

  explicit TImageForm(QWidget* parent = nullptr);

  // Takes a copy of the picture and sizes the image control to it.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const;

  int32_t State() const { return FState; }
  const TPoint& StartPoint() const { return FStartPoint; }
  const TPoint& EndPoint() const { return FEndPoint; }

  // The part of a picture of the given size that the selection covers: the
  // dragged rectangle with its corners put in order and clipped to the
  // picture, the end corner excluded. No rectangle, or one that covers no
  // pixel, selects the whole picture.
  QRect Selection(QSize picture) const;

  // The dialog's outer size for a picture: 30 wider than the picture when it
  // is at least 300 wide, else 330; 110 higher when it is at least 300 high,
  // else 410.
  static QSize SizeFor(QSize picture);
  // Sets the outer size, frame included; kept for every later showing, when
  // the frame is known.
  void SetWindowSize(QSize outer);

  void Image1MouseDown(Qt::MouseButton button, int32_t x, int32_t y);
  void Image1MouseMove(int32_t x, int32_t y);
  void Image1MouseUp(Qt::MouseButton button, int32_t x, int32_t y);
  // XOR-toggles the outline spanned by the start and end points.
  void DrawFrame();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormShow();
  void PlaceControls();

  QWidget* FPanel1 = nullptr;
  QPushButton* FButton1 = nullptr;
  QPushButton* FButton2 = nullptr;
  QScrollArea* FScroller = nullptr;
  TPictureBox* FImage1 = nullptr;
  QStatusBar* FStatusBar1 = nullptr;

  QSize FWindowSize;
  int32_t FState = kNoSelection;
  TPoint FStartPoint;
  TPoint FEndPoint;
};

}  // namespace vornak
