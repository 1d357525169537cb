#include <gtest/gtest.h>
#include <QKeyEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "app/ImageForm.h"
#include "app/PictureBox.h"
#include "tests/app/AppTestSupport.h"

namespace vornak {
namespace {

using apptest::Grab;

QImage Gradient(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 3 % 256, y * 5 % 256, 77));
  return image;
}

QRgb Inverted(QRgb colour) { return (colour ^ 0x00FFFFFFu) | 0xFF000000u; }

class ImageFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FForm = std::make_unique<TImageForm>();
    FPicture = Gradient(120, 90);
    FForm->SetPicture(FPicture);
    FForm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FForm.get()));
    FImage = FForm->findChild<TPictureBox*>("Image1");
    ASSERT_NE(FImage, nullptr);
  }

  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(FImage, Qt::LeftButton, {}, from);
    QTest::mouseMove(FImage, (from + to) / 2);
    QTest::mouseMove(FImage, to);
    QTest::mouseRelease(FImage, Qt::LeftButton, {}, to);
  }

  std::unique_ptr<TImageForm> FForm;
  QImage FPicture;
  TPictureBox* FImage = nullptr;
};

TEST_F(ImageFormTest, ShowsThePictureAtFullSizeBelowTheButtons) {
  EXPECT_EQ(FForm->windowTitle(), QStringLiteral("イメージ読み込み"));
  EXPECT_EQ(FImage->size(), QSize(120, 90));
  EXPECT_EQ(FImage->mapTo(FForm.get(), QPoint(0, 0)), QPoint(16, 65));
  auto* read = FForm->findChild<QPushButton*>("Button1");
  auto* cancel = FForm->findChild<QPushButton*>("Button2");
  ASSERT_TRUE(read != nullptr && cancel != nullptr);
  EXPECT_EQ(read->text(), QStringLiteral("読み取り"));
  EXPECT_EQ(cancel->text(), QStringLiteral("キャンセル"));
  EXPECT_EQ(read->size(), QSize(75, 25));
  // Anchored to the top right: at the design width they sit at 91 and 179,
  // and they follow the right edge when the dialog grows.
  FForm->resize(281, 335);
  EXPECT_EQ(read->geometry().topLeft(), QPoint(91, 8));
  EXPECT_EQ(cancel->geometry().topLeft(), QPoint(179, 8));
  FForm->resize(481, 335);
  EXPECT_EQ(read->geometry().topLeft(), QPoint(291, 8));
  EXPECT_EQ(cancel->geometry().topLeft(), QPoint(379, 8));
  EXPECT_EQ(Grab(FImage), FPicture);
}

TEST_F(ImageFormTest, SizeRuleFollowsThePicture) {
  EXPECT_EQ(TImageForm::SizeFor(QSize(250, 600)), QSize(330, 710));
  EXPECT_EQ(TImageForm::SizeFor(QSize(300, 299)), QSize(330, 410));
  EXPECT_EQ(TImageForm::SizeFor(QSize(299, 300)), QSize(330, 410));
  EXPECT_EQ(TImageForm::SizeFor(QSize(1000, 20)), QSize(1030, 410));
}

TEST_F(ImageFormTest, DragGoesThroughTheThreeStates) {
  EXPECT_EQ(FForm->State(), TImageForm::kNoSelection);
  auto* status = FForm->findChild<QStatusBar*>("StatusBar1");
  ASSERT_NE(status, nullptr);
  status->showMessage("old");

  QTest::mousePress(FImage, Qt::LeftButton, {}, QPoint(10, 12));
  EXPECT_EQ(status->currentMessage(), QString());
  EXPECT_EQ(FForm->State(), TImageForm::kDragging);
  EXPECT_EQ(FForm->StartPoint(), (TPoint{10, 12}));
  EXPECT_EQ(FForm->EndPoint(), (TPoint{10, 12}));
  EXPECT_EQ(Grab(FImage), FPicture) << "nothing is drawn at the press";

  QTest::mouseMove(FImage, QPoint(40, 30));
  EXPECT_EQ(FForm->EndPoint(), (TPoint{40, 30}));
  // A second button pressed during the drag is ignored.
  QTest::mousePress(FImage, Qt::RightButton, {}, QPoint(70, 70));
  EXPECT_EQ(FForm->StartPoint(), (TPoint{10, 12}));
  QTest::mouseRelease(FImage, Qt::RightButton, {}, QPoint(50, 45));
  EXPECT_EQ(FForm->State(), TImageForm::kFinished);
  EXPECT_EQ(FForm->EndPoint(), (TPoint{50, 45}));
  EXPECT_EQ(FForm->Selection(FPicture.size()), QRect(10, 12, 40, 33));

  // Moving after the release changes nothing.
  QTest::mouseMove(FImage, QPoint(80, 80));
  EXPECT_EQ(FForm->EndPoint(), (TPoint{50, 45}));

  // Showing the dialog again starts over.
  FForm->hide();
  FForm->show();
  EXPECT_EQ(FForm->State(), TImageForm::kNoSelection);
  EXPECT_EQ(Grab(FImage), FPicture);
}

TEST_F(ImageFormTest, OutlineIsAnXorOverlayThatLeavesThePictureAlone) {
  Drag(QPoint(20, 10), QPoint(60, 50));
  const QImage shown = Grab(FImage);
  // Left side from (20,10) down to (20,49), top from (20,10) to (59,10): the
  // start corner is covered twice and comes back unchanged; the far corner is
  // never reached.
  EXPECT_EQ(shown.pixel(20, 10), FPicture.pixel(20, 10));
  EXPECT_EQ(shown.pixel(60, 50), FPicture.pixel(60, 50));
  for (int y = 11; y < 50; ++y) {
    ASSERT_EQ(shown.pixel(20, y), Inverted(FPicture.pixel(20, y))) << y;
    ASSERT_EQ(shown.pixel(60, y), Inverted(FPicture.pixel(60, y))) << y;
  }
  for (int x = 21; x < 60; ++x) {
    ASSERT_EQ(shown.pixel(x, 10), Inverted(FPicture.pixel(x, 10))) << x;
    ASSERT_EQ(shown.pixel(x, 50), Inverted(FPicture.pixel(x, 50))) << x;
  }
  EXPECT_EQ(shown.pixel(20, 50), Inverted(FPicture.pixel(20, 50)));
  EXPECT_EQ(shown.pixel(60, 10), Inverted(FPicture.pixel(60, 10)));
  EXPECT_EQ(shown.pixel(40, 30), FPicture.pixel(40, 30)) << "inside stays as it was";
  EXPECT_EQ(shown, FImage->Composed());
  // The picture the main window crops from holds no outline.
  EXPECT_EQ(FForm->Picture().convertToFormat(QImage::Format_RGB32), FPicture);

  // A second drag erases the first outline completely.
  Drag(QPoint(5, 80), QPoint(15, 70));
  const QImage second = Grab(FImage);
  EXPECT_EQ(second.pixel(30, 10), FPicture.pixel(30, 10));
  EXPECT_EQ(second.pixel(20, 30), FPicture.pixel(20, 30));
  EXPECT_EQ(second.pixel(5, 75), Inverted(FPicture.pixel(5, 75)));
  int changed = 0;
  for (int y = 0; y < FPicture.height(); ++y)
    for (int x = 0; x < FPicture.width(); ++x)
      changed += second.pixel(x, y) != FPicture.pixel(x, y);
  // Sides of 10 pixels: 4 segments of 10, start corner twice, far corner never.
  EXPECT_EQ(changed, 38);
}

TEST_F(ImageFormTest, SelectionIsNormalisedAndClipped) {
  // Dragged up and to the left.
  Drag(QPoint(70, 60), QPoint(30, 20));
  EXPECT_EQ(FForm->StartPoint(), (TPoint{70, 60})) << "corners stay as dragged";
  EXPECT_EQ(FForm->Selection(FPicture.size()), QRect(30, 20, 40, 40));
  // Dragged out of the picture: clipped to it.
  Drag(QPoint(100, 80), QPoint(200, -40));
  EXPECT_EQ(FForm->EndPoint(), (TPoint{200, -40}));
  EXPECT_EQ(FForm->Selection(FPicture.size()), QRect(100, 0, 20, 80));
  // Entirely outside: nothing of the picture, so the whole of it.
  Drag(QPoint(-50, -50), QPoint(-10, -10));
  EXPECT_EQ(FForm->Selection(FPicture.size()), QRect(0, 0, 120, 90));
}

TEST_F(ImageFormTest, ClickWithoutMovementTakesTheWholePicture) {
  QTest::mouseClick(FImage, Qt::LeftButton, {}, QPoint(33, 44));
  EXPECT_EQ(FForm->State(), TImageForm::kFinished);
  EXPECT_EQ(FForm->StartPoint(), FForm->EndPoint());
  EXPECT_EQ(FForm->Selection(FPicture.size()), QRect(0, 0, 120, 90));
  // A line one pixel high is empty as well.
  Drag(QPoint(10, 10), QPoint(50, 10));
  EXPECT_EQ(FForm->Selection(FPicture.size()), QRect(0, 0, 120, 90));
  Drag(QPoint(10, 10), QPoint(11, 11));
  EXPECT_EQ(FForm->Selection(FPicture.size()), QRect(10, 10, 1, 1));
}

TEST_F(ImageFormTest, ButtonsAndEscapeCloseWithTheirResults) {
  FForm->hide();
  auto accept = apptest::OnModal<TImageForm>([](TImageForm* form) {
    QTest::mouseClick(form->findChild<QPushButton*>("Button1"), Qt::LeftButton);
  });
  EXPECT_EQ(FForm->exec(), QDialog::Accepted);
  EXPECT_TRUE(accept->Fired());

  auto cancel = apptest::OnModal<TImageForm>([](TImageForm* form) {
    QTest::mouseClick(form->findChild<QPushButton*>("Button2"), Qt::LeftButton);
  });
  EXPECT_EQ(FForm->exec(), QDialog::Rejected);
  EXPECT_TRUE(cancel->Fired());

  auto escape =
      apptest::OnModal<TImageForm>([](TImageForm* form) { QTest::keyClick(form, Qt::Key_Escape); });
  EXPECT_EQ(FForm->exec(), QDialog::Rejected);
  EXPECT_TRUE(escape->Fired());

  auto close = apptest::OnModal<TImageForm>([](TImageForm* form) { form->close(); });
  EXPECT_EQ(FForm->exec(), QDialog::Rejected);
  EXPECT_TRUE(close->Fired());
}

TEST(PictureBoxTest, FrameSegmentsStopShortOfTheirEnds) {
  using Segments = std::vector<QRect>;
  EXPECT_EQ(TPictureBox::FrameSegments(QPoint(2, 3), QPoint(6, 8)),
            (Segments{QRect(2, 3, 1, 5), QRect(2, 3, 4, 1), QRect(2, 8, 4, 1), QRect(6, 3, 1, 5)}));
  // Dragged the other way, each segment still covers its start, not its end.
  EXPECT_EQ(TPictureBox::FrameSegments(QPoint(6, 8), QPoint(2, 3)),
            (Segments{QRect(6, 4, 1, 5), QRect(3, 8, 4, 1), QRect(3, 3, 4, 1), QRect(2, 4, 1, 5)}));
  EXPECT_TRUE(TPictureBox::FrameSegments(QPoint(4, 4), QPoint(4, 4)).empty());
}

}  // namespace
}  // namespace vornak
