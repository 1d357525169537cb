#include "app/ImageForm.h"

#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <algorithm>

#include "app/PictureBox.h"
#include "app/WindowStyle.h"

namespace vornak {

namespace {

constexpr int kDesignWidth = 281;
constexpr int kDesignHeight = 335;
constexpr int kPanelHeight = 41;
// The buttons keep their distance from the right edge when the dialog grows.
constexpr int kButton1Right = kDesignWidth - 91;
constexpr int kButton2Right = kDesignWidth - 179;
constexpr int kImageLeft = 16;
constexpr int kImageTop = 65;

}  // namespace

TImageForm::TImageForm(QWidget* parent) : QDialog(parent) {
  setObjectName("ImageForm");
  setWindowTitle(QStringLiteral("イメージ読み込み"));
  setFont(WindowFont());
  setAttribute(Qt::WA_QuitOnClose, false);

  FPanel1 = new QWidget(this);
  FPanel1->setObjectName("Panel1");
  FButton1 = new QPushButton(QStringLiteral("読み取り"), FPanel1);
  FButton1->setObjectName("Button1");
  FButton1->setAutoDefault(false);
  FButton2 = new QPushButton(QStringLiteral("キャンセル"), FPanel1);
  FButton2->setObjectName("Button2");
  FButton2->setAutoDefault(false);
  connect(FButton1, &QPushButton::clicked, this, &QDialog::accept);
  connect(FButton2, &QPushButton::clicked, this, &QDialog::reject);

  // A picture larger than the screen can still be reached by scrolling.
  FScroller = new QScrollArea(this);
  FScroller->setObjectName("Scroller");
  FScroller->setFrameShape(QFrame::NoFrame);
  FScroller->setWidgetResizable(false);
  FImage1 = new TPictureBox;
  FImage1->setObjectName("Image1");
  FScroller->setWidget(FImage1);
  connect(FImage1, &TPictureBox::MouseDown, this,
          [this](Qt::MouseButton button, QPoint at) { Image1MouseDown(button, at.x(), at.y()); });
  connect(FImage1, &TPictureBox::MouseMove, this,
          [this](QPoint at) { Image1MouseMove(at.x(), at.y()); });
  connect(FImage1, &TPictureBox::MouseUp, this,
          [this](Qt::MouseButton button, QPoint at) { Image1MouseUp(button, at.x(), at.y()); });

  FStatusBar1 = new QStatusBar(this);
  FStatusBar1->setObjectName("StatusBar1");
  FStatusBar1->setSizeGripEnabled(false);

  resize(kDesignWidth, kDesignHeight);
  PlaceControls();
}

void TImageForm::SetPicture(const QImage& picture) {
  FImage1->SetPicture(picture);
  FImage1->resize(picture.size());
}

const QImage& TImageForm::Picture() const { return FImage1->Picture(); }

QSize TImageForm::SizeFor(QSize picture) {
  return {picture.width() >= 300 ? picture.width() + 30 : 330,
          picture.height() >= 300 ? picture.height() + 110 : 410};
}

QRect TImageForm::Selection(QSize picture) const {
  const QRect whole(QPoint(0, 0), picture);
  if (FState == kNoSelection) return whole;
  // Widen to 64 bits: corners dragged far outside must not overflow.
  const int64_t left = std::max<int64_t>(0, std::min(FStartPoint.X, FEndPoint.X));
  const int64_t top = std::max<int64_t>(0, std::min(FStartPoint.Y, FEndPoint.Y));
  const int64_t right = std::min<int64_t>(picture.width(), std::max(FStartPoint.X, FEndPoint.X));
  const int64_t bottom = std::min<int64_t>(picture.height(), std::max(FStartPoint.Y, FEndPoint.Y));
  if (right <= left || bottom <= top) return whole;
  return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
               static_cast<int>(bottom - top));
}

void TImageForm::SetWindowSize(QSize outer) {
  FWindowSize = outer;
  SetOuterSize(this, outer);
}

void TImageForm::FormShow() {
  FState = kNoSelection;
  FImage1->ClearFrames();
  FStatusBar1->clearMessage();
}

void TImageForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (FWindowSize.isValid()) SetOuterSize(this, FWindowSize);
  FormShow();
}

void TImageForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceControls();
}

void TImageForm::PlaceControls() {
  const int w = width();
  FPanel1->setGeometry(0, 0, w, kPanelHeight);
  FButton1->setGeometry(w - kButton1Right, 8, 75, 25);
  FButton2->setGeometry(w - kButton2Right, 8, 75, 25);
  const int statusHeight = FStatusBar1->sizeHint().height();
  FStatusBar1->setGeometry(0, height() - statusHeight, w, statusHeight);
  FScroller->setGeometry(kImageLeft, kImageTop, std::max(0, w - kImageLeft),
                         std::max(0, height() - statusHeight - kImageTop));
}

void TImageForm::DrawFrame() {
  FImage1->ToggleFrame(QPoint(FStartPoint.X, FStartPoint.Y), QPoint(FEndPoint.X, FEndPoint.Y));
}

void TImageForm::Image1MouseDown(Qt::MouseButton, int32_t x, int32_t y) {
  FStatusBar1->clearMessage();
  if (FState == kDragging) return;
  if (FState == kFinished) DrawFrame();
  FStartPoint = FEndPoint = TPoint{x, y};
  FState = kDragging;
  FStatusBar1->clearMessage();
}

void TImageForm::Image1MouseMove(int32_t x, int32_t y) {
  if (FState != kDragging) return;
  DrawFrame();
  FEndPoint = TPoint{x, y};
  DrawFrame();
}

void TImageForm::Image1MouseUp(Qt::MouseButton, int32_t x, int32_t y) {
  if (FState != kDragging) return;
  DrawFrame();
  FEndPoint = TPoint{x, y};
  DrawFrame();
  FState = kFinished;
  FButton1->setEnabled(true);
}

}  // namespace vornak
